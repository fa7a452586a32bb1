#include "signaldata.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

const SignalSeries EmptySeries;

// Revisions are unique across all stores, so that two stores that went
// different ways never look alike to a cache.
quint64 nextRevision()
{
    static quint64 counter = 0;
    return ++counter;
}

QString toString(QStringView name)
{
    return name.toString();
}

QString toString(QLatin1String name)
{
    return QString(name);
}

} // namespace

SignalData::SignalData(const SignalData &other)
    : allSeries(other.allSeries)
    , seriesByName(other.seriesByName)
    , nameOrder(other.nameOrder)
    , times(other.times)
    , idsAscending(other.idsAscending)
    , signalOf(other.signalOf)
    , valueStart(other.valueStart)
    , uniformCount(other.uniformCount)
    , offsetsKept(other.offsetsKept)
    , pool(other.pool)
    , signalTable(other.signalTable)
    , latinTable(other.latinTable)
    , signalIds(other.signalIds)
    , revisionNumber(other.revisionNumber)
    , placement(nextRevision())
    , inTimeOrder(other.inTimeOrder)
    , hasNaNTime(other.hasNaNTime)
{
}

SignalData &SignalData::operator=(const SignalData &other)
{
    if (this != &other) {
        allSeries = other.allSeries;
        seriesByName = other.seriesByName;
        nameOrder = other.nameOrder;
        times = other.times;
        idsAscending = other.idsAscending;
        signalOf = other.signalOf;
        valueStart = other.valueStart;
        uniformCount = other.uniformCount;
        offsetsKept = other.offsetsKept;
        pool = other.pool;
        signalTable = other.signalTable;
        latinTable = other.latinTable;
        followers.clear();
        signalIds = other.signalIds;
        revisionNumber = other.revisionNumber;
        inTimeOrder = other.inTimeOrder;
        hasNaNTime = other.hasNaNTime;
        forgetSeriesPlaces();
        lastSignal = -1;
    }
    return *this;
}

void SignalData::touch()
{
    revisionNumber = nextRevision();
}

void SignalData::forgetSeriesPlaces()
{
    seriesCache.clear();
    placement = nextRevision();
}

void SignalData::clear()
{
    touch();
    inTimeOrder = true;
    hasNaNTime = false;
    allSeries = SignalSeries();
    seriesByName.clear();
    nameOrder.clear();
    times.clear();
    idsAscending = true;
    signalOf.clear();
    valueStart.clear();
    uniformCount = -1;
    offsetsKept = false;
    pool.clear();
    signalTable.clear();
    latinTable.clear();
    followers.clear();
    signalIds.clear();
    forgetSeriesPlaces();
    lastSignal = -1;
}

void SignalData::assign(const QVector<SignalRecord> &records)
{
    clear();
    for (const SignalRecord &record : records)
        addRecord(record);
}

void SignalData::restore(const SignalData &snapshot)
{
    if (snapshot.inTimeOrder) {
        *this = snapshot;
        touch();
    } else {
        assign(snapshot.records());
    }
}

void SignalData::addRecord(const SignalRecord &record)
{
    addRecord(record.name, record.time, record.values.constData(), record.values.size());
}

bool SignalData::isName(int signal, QStringView name) const
{
    return signalTable[signal] == name;
}

// The bytes of a file's line against the name's own Latin-1 bytes: one
// memcmp instead of widening every character.
bool SignalData::isName(int signal, QLatin1String name) const
{
    // A name without Latin-1 bytes holds an empty array, which only an
    // empty name matches.
    const QByteArray &latin = latinTable[signal];
    if (latin.size() != name.size())
        return false;
    if (name.size() == 0)
        return signalTable[signal].isEmpty();
    // Names are short: a loop beats a call to memcmp.
    const char *held = latin.constData();
    const char *given = name.data();
    for (int i = 0; i < name.size(); ++i) {
        if (held[i] != given[i])
            return false;
    }
    return true;
}

template<typename Name>
quint32 SignalData::signalId(Name name)
{
    // Records mostly repeat the last name, or take turns in a fixed order:
    // the name that followed the last one before is tried next.
    const int previous = lastSignal;
    if (previous >= 0) {
        if (isName(previous, name))
            return quint32(previous);
        const int follower = size_t(previous) < followers.size() ? followers[size_t(previous)] : -1;
        if (follower >= 0 && isName(follower, name))
            return quint32(lastSignal = follower);
    }
    const quint32 found = lookUpSignal(name);
    if (previous >= 0) {
        if (followers.size() <= size_t(previous))
            followers.resize(size_t(previous) + 1, -1);
        followers[size_t(previous)] = int(found);
    }
    return found;
}

template<typename Name>
quint32 SignalData::lookUpSignal(Name name)
{
    // A recording has a handful of signals: comparing them all is quicker
    // than hashing, and needs no string to be made.
    constexpr int ScanLimit = 16;
    if (signalTable.size() <= ScanLimit) {
        for (int i = 0; i < signalTable.size(); ++i) {
            if (isName(i, name))
                return quint32(lastSignal = i);
        }
    }
    const QString key = toString(name);
    auto it = signalIds.constFind(key);
    if (it == signalIds.constEnd()) {
        it = signalIds.insert(key, quint32(signalTable.size()));
        signalTable.append(key);
        const bool latin = std::all_of(key.cbegin(), key.cend(), [](QChar c) { return c.unicode() < 256; });
        latinTable.append(latin ? key.toLatin1() : QByteArray());
    }
    lastSignal = int(it.value());
    return it.value();
}

SignalSeries &SignalData::seriesOf(quint32 signal)
{
    // Writing through a remembered place is only safe in a map this store
    // alone holds.
    if (!seriesByName.isDetached()) {
        forgetSeriesPlaces();
        seriesByName.detach();
    }
    if (int(signal) < seriesCache.size() && seriesCache[int(signal)])
        return *seriesCache[int(signal)];
    const QString &name = signalTable[int(signal)];
    auto it = seriesByName.find(name);
    if (it == seriesByName.end()) {
        endSole();
        nameOrder.append(name);
        it = seriesByName.insert(name, SignalSeries());
    }
    if (seriesCache.size() <= int(signal))
        seriesCache.resize(int(signal) + 1);
    seriesCache[int(signal)] = &it.value();
    return it.value();
}

void SignalData::addRecord(QStringView name, double time, const double *values, int count)
{
    add(signalId(name), time, values, count);
}

void SignalData::addRecord(QLatin1String name, double time, const double *values, int count)
{
    add(signalId(name), time, values, count);
}

void SignalData::reserve(int records, int values)
{
    times.reserve(times.size() + records);
    signalOf.reserve(signalOf.size() + records);
    if (offsetsKept)
        valueStart.reserve(valueStart.size() + records);
    pool.reserve(pool.size() + values);
    allSeries.records.reserve(allSeries.records.size() + records);
}

void SignalData::add(quint32 signal, double time, const double *values, int count)
{
    const quint32 id = quint32(signalOf.size());
    const bool atEnd = (!batching || pendingAll.empty()) && goesLast(allSeries, time);
    if (!atEnd)
        idsAscending = false;
    times.append(time);
    signalOf.append(signal);
    if (uniformCount < 0)
        uniformCount = count;
    else if (count != uniformCount)
        keepOffsets();
    pool.append(values, count);
    if (offsetsKept)
        valueStart.append(quint32(pool.size()));
    if (std::isnan(time))
        hasNaNTime = true;
    // Found first: a second signal makes the first one's series its own,
    // as `all` holds it without this record.
    SignalSeries &own = seriesOf(signal);
    const bool sole = soleSignal();
    if (!batching) {
        insertInto(allSeries, time, id, values, count);
        if (!sole)
            insertInto(own, time, id, values, count);
        return;
    }
    // Appending needs no sorting, as long as nothing of the same run waits.
    if (atEnd) {
        insertInto(allSeries, time, id, values, count);
    } else {
        widenRanges(allSeries, values, count, allSeries.isEmpty() && pendingAll.empty());
        pendingAll.push_back(id);
    }
    if (sole)
        return;
    if (pendingBySignal.size() <= signal)
        pendingBySignal.resize(signal + 1);
    std::vector<quint32> &waiting = pendingBySignal[signal];
    if (waiting.empty() && goesLast(own, time)) {
        insertInto(own, time, id, values, count);
    } else {
        widenRanges(own, values, count, own.isEmpty() && waiting.empty());
        waiting.push_back(id);
    }
}

void SignalData::insertInto(SignalSeries &series, double time, quint32 id, const double *values, int count)
{
    widenRanges(series, values, count, series.isEmpty());
    // The record is not in the series yet, but its time is held already.
    if (goesLast(series, time)) {
        series.records.append(id);
        return;
    }
    // Before the first record at the same time or later.
    touch();
    inTimeOrder = false;
    const int place = partitionPoint(series, 0, series.size(), [time](double t) { return t < time; });
    series.records.insert(place, id);
}

// Takes a record's values into the series' channel count and ranges; the
// first record of a series sets the ranges of its channels.
void SignalData::widenRanges(SignalSeries &series, const double *values, int count, bool first)
{
    series.channelCount = std::max(series.channelCount, count);
    // A channel first seen in a later record starts from {0, 0}, so its
    // range takes in zero.
    if (series.ranges.size() < count)
        series.ranges.resize(count);
    ChannelRange *ranges = series.ranges.data();
    for (int i = 0; i < count; ++i) {
        const double v = values[i];
        if (first) {
            ranges[i] = {v, v};
            series.hasNaNValue = series.hasNaNValue || std::isnan(v);
            continue;
        }
        if (!(v > ranges[i].min)) {
            ranges[i].min = v;
            series.hasNaNValue = series.hasNaNValue || std::isnan(v);
        }
        if (v > ranges[i].max)
            ranges[i].max = v;
    }
}

double SignalData::valueOf(const SignalRecord &record, int channel)
{
    return channel >= 0 && channel < record.values.size() ? record.values.at(channel) : 0.0;
}

double SignalData::valueOf(quint32 id, int channel) const
{
    return channel >= 0 && channel < valueCount(id) ? values(id)[channel] : 0.0;
}

SignalRecord SignalData::record(quint32 id) const
{
    SignalRecord result;
    result.name = name(id);
    result.time = time(id);
    result.values = QVector<double>(values(id), values(id) + valueCount(id));
    return result;
}

QVector<SignalRecord> SignalData::records() const
{
    QVector<SignalRecord> result;
    result.reserve(allSeries.records.size());
    for (quint32 id : allSeries.records)
        result.append(record(id));
    return result;
}

void SignalData::makeSole()
{
    if (!soleSignal())
        return;
    seriesByName.begin().value() = SignalSeries();
    forgetSeriesPlaces();
}

void SignalData::endSole()
{
    if (!soleSignal())
        return;
    // A copy of its own: sharing would make `all` copy its arrays, with
    // all the room reserved for the records still to come.
    SignalSeries &series = seriesByName.begin().value();
    series = allSeries;
    series.records = allSeries.records.mid(0, allSeries.size());
    // In a batch, what waits for `all` waits for the series too.
    if (batching && !pendingAll.empty()) {
        const quint32 signal = signalIds.value(seriesByName.constBegin().key());
        if (pendingBySignal.size() <= signal)
            pendingBySignal.resize(signal + 1);
        pendingBySignal[signal] = pendingAll;
    }
    forgetSeriesPlaces();
}

const SignalSeries &SignalData::series(const QString &name) const
{
    if (soleSignal())
        return seriesByName.constBegin().key() == name ? allSeries : EmptySeries;
    // A handful of names is found quicker in the map than by hashing; many
    // are found by their id, and each series found is remembered by it.
    constexpr int FewSignals = 16;
    if (seriesByName.size() <= FewSignals) {
        const auto it = seriesByName.constFind(name);
        return it == seriesByName.constEnd() ? EmptySeries : it.value();
    }
    const auto id = signalIds.constFind(name);
    if (id == signalIds.constEnd())
        return EmptySeries;
    const int signal = int(id.value());
    if (signal < seriesCache.size() && seriesCache[signal])
        return *seriesCache[signal];
    const auto it = seriesByName.constFind(name);
    if (it == seriesByName.constEnd())
        return EmptySeries;
    // A place in a map shared with a copy is still this store's text; a
    // write detaches the map and forgets every remembered place first.
    if (seriesCache.size() <= signal)
        seriesCache.resize(signal + 1);
    seriesCache[signal] = const_cast<SignalSeries *>(&it.value());
    return it.value();
}

int SignalData::nextIndex(const SignalSeries &series, double time) const
{
    const int size = series.size();
    const int next = partitionPoint(series, 0, size, [time](double t) { return !(time < t); });
    return next == size ? -1 : next;
}

int SignalData::previousIndex(const SignalSeries &series, double time) const
{
    return partitionPoint(series, 0, series.size(), [time](double t) { return t < time; }) - 1;
}

double SignalData::valueAt(const SignalSeries &series, double time, int channel) const
{
    constexpr double NotANumber = std::numeric_limits<double>::quiet_NaN();
    if (channel < 0 || channel >= series.channelCount || series.isEmpty()
        || this->time(series, 0) > time)
        return NotANumber;
    // The last record at or before the time.
    const int index = partitionPoint(series, 0, series.size(), [time](double t) { return !(time < t); }) - 1;
    return valueOf(series.records[index], channel);
}

double SignalData::nearestTime(const SignalSeries &series, double time) const
{
    const int previous = previousIndex(series, time);
    const int next = nextIndex(series, time);
    if (previous < 0)
        return next < 0 ? time : this->time(series, next);
    if (next < 0)
        return this->time(series, previous);
    const double before = this->time(series, previous);
    const double after = this->time(series, next);
    return std::abs(after - time) > std::abs(before - time) ? before : after;
}

double SignalData::firstTime(const SignalSeries &series) const
{
    return series.isEmpty() ? 0.0 : time(series, 0);
}

double SignalData::lastTime(const SignalSeries &series) const
{
    return series.isEmpty() ? 0.0 : time(series, series.size() - 1);
}

void SignalData::addFrom(const SignalData &source, quint32 id, double time)
{
    addRecord(source.name(id), time, source.values(id), source.valueCount(id));
}

void SignalData::keepOffsets()
{
    if (offsetsKept)
        return;
    // The record being added has its id already; its own offset follows.
    const int held = signalOf.size() - 1;
    valueStart.resize(held + 1);
    quint32 *start = valueStart.data();
    for (int id = 0; id <= held; ++id)
        start[id] = quint32(qint64(id) * uniformCount);
    offsetsKept = true;
}

qint64 SignalData::memoryBytes() const
{
    const auto seriesBytes = [](const SignalSeries &series) {
        return series.records.bytes() + qint64(series.ranges.size()) * qint64(sizeof(ChannelRange));
    };
    qint64 bytes = times.bytes() + signalOf.bytes() + valueStart.bytes() + pool.bytes() + seriesBytes(allSeries);
    for (const SignalSeries &series : seriesByName)
        bytes += seriesBytes(series);
    return bytes;
}

double SignalData::timeKeepingWithin(qint64 bytes) const
{
    const qint64 used = memoryBytes();
    const int count = recordCount();
    if (used <= bytes || count == 0)
        return -std::numeric_limits<double>::infinity();
    const qint64 kept = bytes > 0 ? qint64(double(bytes) / used * count) : 0;
    if (kept <= 0)
        return std::numeric_limits<double>::infinity();
    return time(allSeries, int(count - kept));
}

// Records that arrive in a batch are sorted into their series together.

void SignalData::beginBatch()
{
    batching = true;
}

void SignalData::endBatch()
{
    batching = false;
    mergePending(allSeries, pendingAll);
    pendingAll.clear();
    for (size_t signal = 0; signal < pendingBySignal.size(); ++signal) {
        if (!pendingBySignal[signal].empty())
            mergePending(seriesOf(quint32(signal)), pendingBySignal[signal]);
    }
    pendingBySignal.clear();
}

namespace {

// A record waiting to be sorted in, with what orders it among equal times.
struct Arrival
{
    double time;
    int rank; // late ones before held ones (0), the others after (1)
    qint64 order;
    quint32 id;
};

// Classes the arrivals, in the order they came; `anyLate` tells whether
// any came while a later time was already held.
std::vector<Arrival> classify(const SignalSeries &series, const PodVector<double> &times,
                              const std::vector<quint32> &ids, bool *anyLate)
{
    std::vector<Arrival> arrivals;
    arrivals.reserve(ids.size());
    bool empty = series.isEmpty();
    double latest = empty ? 0.0 : times[int(series.records.constLast())];
    *anyLate = false;
    for (size_t i = 0; i < ids.size(); ++i) {
        const double time = times[int(ids[i])];
        const bool late = !empty && time < latest;
        if (!late)
            latest = time;
        empty = false;
        *anyLate = *anyLate || late;
        arrivals.push_back({time, late ? 0 : 1, late ? -qint64(i) : qint64(i), ids[i]});
    }
    return arrivals;
}

// Merges sorted arrivals with the held records: at equal times late ones
// go before the held records, the others after them.
void mergeSorted(SignalSeries &series, const PodVector<double> &times, const std::vector<Arrival> &arrivals)
{
    // The held records before the earliest arrival keep their places.
    const int held = series.size();
    const quint32 *heldIds = series.records.constData();
    const double *at = times.constData();
    const double earliest = arrivals.front().time;
    const int keep = int(std::partition_point(heldIds, heldIds + held, [&](quint32 id) { return at[id] < earliest; })
                         - heldIds);
    PodVector<quint32> mergedIds;
    mergedIds.resize(held + int(arrivals.size()));
    quint32 *outIds = mergedIds.data();
    std::copy(heldIds, heldIds + keep, outIds);
    int out = keep;
    int h = keep;
    size_t n = 0;
    while (h < held || n < arrivals.size()) {
        const bool takeArrival = h == held
                                 || (n < arrivals.size()
                                     && (arrivals[n].time < at[heldIds[h]]
                                         || (arrivals[n].time == at[heldIds[h]] && arrivals[n].rank == 0)));
        if (takeArrival) {
            outIds[out] = arrivals[n].id;
            ++n;
        } else {
            outIds[out] = heldIds[h];
            ++h;
        }
        ++out;
    }
    series.records = mergedIds;
}

} // namespace

// Adding records one by one puts a record that is not earlier than the
// last one at the end, and any other before the first record at its time or
// later. So among records of equal time, those that came while a later time
// was already held ("late") stand first, the newest of them first; then
// those held before the batch; then the rest in the order they came. A sort
// by (time, that class, that order) merged with the held records gives the
// same series.
void SignalData::mergePending(SignalSeries &series, const std::vector<quint32> &ids)
{
    if (ids.empty())
        return;
    if (hasNaNTime) {
        for (quint32 id : ids)
            insertInto(series, time(id), id, nullptr, 0);
        return;
    }
    bool anyLate = false;
    std::vector<Arrival> arrivals = classify(series, times, ids, &anyLate);
    if (!anyLate) {
        for (const Arrival &arrival : arrivals)
            series.records.append(arrival.id);
        return;
    }
    touch();
    inTimeOrder = false;
    std::sort(arrivals.begin(), arrivals.end(), [](const Arrival &a, const Arrival &b) {
        if (a.time != b.time)
            return a.time < b.time;
        if (a.rank != b.rank)
            return a.rank < b.rank;
        return a.order < b.order;
    });
    mergeSorted(series, times, arrivals);
}

// The store's edits: each leaves the store as rebuilding it from its
// remaining records, in time order, would.

template<typename Retime>
void SignalData::rebuild(Retime retime)
{
    const SignalData old = *this;
    clear();
    reserve(old.recordCount(), old.pool.size());
    // The old signal ids, as they are numbered anew in order of appearance.
    QVector<qint64> renumbered(old.signalTable.size(), -1);
    for (int i = 0; i < old.allSeries.size(); ++i) {
        double time = old.time(old.allSeries, i);
        if (!retime(time))
            continue;
        const quint32 id = old.allSeries.records[i];
        qint64 &signal = renumbered[int(old.signalOf[int(id)])];
        if (signal < 0)
            signal = signalId(QStringView(old.name(id)));
        add(quint32(signal), time, old.values(id), old.valueCount(id));
    }
}

// Edits that drop records and move the times of the rest leave the values,
// the signals and the value offsets where they are, shared with the copies
// an edit history holds; only the times and the series are made anew. What
// they drop stays behind in the shared arrays, until so much would that the
// store is rebuilt instead.
template<typename Retime>
void SignalData::retime(Retime retime)
{
    // Read through constant views: writing access would take copies of
    // arrays shared with the history.
    const SignalSeries &before = allSeries;

    // First only count, so that an edit that keeps too little to share goes
    // straight to a rebuild.
    int keptCount = 0;
    double lastTime = 0.0;
    for (int i = 0; i < before.size(); ++i) {
        double time = this->time(before, i);
        if (!retime(time))
            continue;
        // Times that changed their order would have to be sorted in anew.
        if (keptCount > 0 && time < lastTime) {
            rebuild(retime);
            return;
        }
        lastTime = time;
        ++keptCount;
    }
    if (qint64(keptCount) * 4 < qint64(signalOf.size()) * 3) {
        rebuild(retime);
        return;
    }

    PodVector<quint32> keptIds;
    PodVector<double> keptTimes;
    keptIds.resize(keptCount);
    keptTimes.resize(keptCount);
    {
        quint32 *ids = keptIds.data();
        double *keptTime = keptTimes.data();
        int kept = 0;
        for (int i = 0; i < before.size(); ++i) {
            double time = this->time(before, i);
            if (!retime(time))
                continue;
            ids[kept] = before.records[i];
            keptTime[kept] = time;
            ++kept;
        }
    }

    adoptKept(keptIds, keptTimes);
}

// One series per signal, made at the size the kept records give it, to be
// filled in place: growing them would leave freed blocks behind as large as
// themselves.
std::vector<SignalSeries> SignalData::seriesSizedFor(const PodVector<quint32> &keptIds) const
{
    std::vector<SignalSeries> seriesById(size_t(signalTable.size()));
    std::vector<int> counts(seriesById.size(), 0);
    for (quint32 id : keptIds)
        ++counts[signalOf[int(id)]];
    for (size_t signal = 0; signal < seriesById.size(); ++signal) {
        if (counts[signal] == 0)
            continue;
        seriesById[signal].records.resize(counts[signal]);
    }
    return seriesById;
}

// Makes the kept records, in time order with their new times, the store:
// the times are written in place and the series made anew.
void SignalData::adoptKept(const PodVector<quint32> &keptIds, const PodVector<double> &keptTimes)
{
    const PodVector<quint32> &signalOfRecord = signalOf;
    const int keptCount = keptIds.size();
    touch();
    // Records the edit dropped keep their ids, which `all` now skips; the
    // kept ones stay in the order they had.
    double *newTimes = times.data();
    std::vector<SignalSeries> seriesById = seriesSizedFor(keptIds);
    const size_t signalCount = seriesById.size();
    std::vector<int> filled(signalCount, 0);
    std::vector<quint32 *> seriesIds(signalCount, nullptr);
    for (size_t signal = 0; signal < signalCount; ++signal) {
        if (!seriesById[signal].isEmpty())
            seriesIds[signal] = seriesById[signal].records.data();
    }
    QStringList names;
    SignalSeries kept;
    const quint32 *ids = keptIds.constData();
    const double *keptTime = keptTimes.constData();
    for (int i = 0; i < keptCount; ++i) {
        const quint32 id = ids[i];
        const double time = keptTime[i];
        newTimes[id] = time;
        const int count = valueCount(id);
        widenRanges(kept, values(id), count, i == 0);
        const quint32 signal = signalOfRecord[int(id)];
        int &at = filled[signal];
        if (at == 0)
            names.append(signalTable[int(signal)]);
        widenRanges(seriesById[signal], values(id), count, at == 0);
        seriesIds[signal][at] = id;
        ++at;
    }
    kept.records = keptIds;
    allSeries = kept;
    seriesByName.clear();
    for (size_t signal = 0; signal < seriesById.size(); ++signal) {
        if (!seriesById[signal].isEmpty())
            seriesByName.insert(signalTable[int(signal)], seriesById[signal]);
    }
    nameOrder = names;
    makeSole();
    forgetSeriesPlaces();
    lastSignal = -1;
    // Just what adding the kept records in time order would give.
    inTimeOrder = true;
}

void SignalData::compact()
{
    if (holdsTakenOut())
        rebuild([](double &) { return true; });
}

void SignalData::crop(double a, double b)
{
    const double lo = std::min(a, b);
    const double hi = std::max(a, b);
    // Arrays of its own change in place, and let go of what was taken out
    // at once; shared ones stay shared.
    if (!sharesArrays() && editInPlace(lo, hi, true, nullptr))
        return;
    retime([lo, hi](double &time) {
        if (!(lo <= time && time <= hi))
            return false;
        time -= lo;
        return true;
    });
}

void SignalData::deleteRange(double a, double b)
{
    const double lo = std::min(a, b);
    const double hi = std::max(a, b);
    const double gap = hi - lo;
    if (!sharesArrays() && editInPlace(lo, hi, false, nullptr))
        return;
    retime([lo, hi, gap](double &time) {
        if (time < lo)
            return true;
        if (time <= hi)
            return false;
        time -= gap;
        return true;
    });
}

void SignalData::insertAt(double cursor, const SignalData &other)
{
    const SignalData old = *this;
    const SignalData inserted = other;
    clear();
    for (quint32 id : old.allSeries.records) {
        if (old.time(id) <= cursor)
            addFrom(old, id, old.time(id));
    }
    const double shift = cursor - inserted.firstTime(inserted.allSeries);
    double latest = 0.0;
    for (quint32 id : inserted.allSeries.records) {
        latest = std::max(latest, inserted.time(id));
        addFrom(inserted, id, inserted.time(id) + shift);
    }
    for (quint32 id : old.allSeries.records) {
        if (old.time(id) > cursor)
            addFrom(old, id, old.time(id) + latest);
    }
}

void SignalData::removeSignal(const QString &name)
{
    const SignalData old = *this;
    clear();
    for (quint32 id : old.allSeries.records) {
        if (old.name(id) != name)
            addFrom(old, id, old.time(id));
    }
}

void SignalData::dropBefore(double time)
{
    if (allSeries.isEmpty() || !(this->time(allSeries, 0) < time))
        return;
    if (dropOldestInPlace(time))
        return;
    retime([time](double &t) { return t >= time; });
}

// Records that arrived in time order stand in `all` at their own ids, so
// the oldest are the first of every array: each closes up over them in
// place. A live window or memory budget drops this way again and again, and
// making the arrays anew each time would hold the store twice over and
// stall the window for seconds.
bool SignalData::dropOldestInPlace(double time)
{
    // Ascending ids with none left out are every id in order.
    if (!idsAscending || holdsTakenOut() || hasNaNTime || batching)
        return false;
    const int count = allSeries.size();
    const PodVector<double> &allTimes = times;
    const int dropped = int(std::lower_bound(allTimes.cbegin(), allTimes.cend(), time) - allTimes.cbegin());
    if (dropped <= 0 || dropped >= count)
        return false;
    touch();
    if (offsetsKept) {
        const quint32 start = valueStart.constData()[dropped];
        pool.removeFirst(int(start));
        valueStart.removeFirst(dropped);
        quint32 *starts = valueStart.data();
        for (int i = 0; i < valueStart.size(); ++i)
            starts[i] -= start;
    } else {
        pool.removeFirst(dropped * uniformCount);
    }
    signalOf.removeFirst(dropped);
    times.removeFirst(dropped);
    // The ids were 0 to count - 1 in order; the first ones remain.
    allSeries.records.resize(count - dropped);
    rescanRanges(allSeries);

    // Each series loses its records before `time`, a run at its start;
    // with one signal, `all` is its series.
    if (soleSignal()) {
        forgetSeriesPlaces();
        lastSignal = -1;
        return true;
    }
    QVector<QPair<quint32, QString>> firstIds;
    for (auto it = seriesByName.begin(); it != seriesByName.end();) {
        SignalSeries &series = it.value();
        // Ids run in time order: the records before `time` are those below
        // the first id kept.
        const quint32 *held = series.records.constData();
        const int gone = int(std::lower_bound(held, held + series.size(), quint32(dropped)) - held);
        if (gone >= series.size()) {
            it = seriesByName.erase(it);
            continue;
        }
        series.records.removeFirst(gone);
        quint32 *ids = series.records.data();
        for (int i = 0; i < series.size(); ++i)
            ids[i] -= quint32(dropped);
        rescanRanges(series);
        firstIds.append({ids[0], it.key()});
        ++it;
    }
    orderNamesBy(firstIds);
    makeSole();
    forgetSeriesPlaces();
    lastSignal = -1;
    return true;
}

void SignalData::orderNamesBy(QVector<QPair<quint32, QString>> firstIds)
{
    std::sort(firstIds.begin(), firstIds.end());
    nameOrder.clear();
    for (const auto &entry : qAsConst(firstIds))
        nameOrder.append(entry.second);
}

void SignalData::rescanRanges(SignalSeries &series) const
{
    series.ranges.clear();
    series.channelCount = 0;
    series.hasNaNValue = false;
    const quint32 *ids = series.records.constData();
    for (int i = 0; i < series.size(); ++i)
        widenRanges(series, values(ids[i]), valueCount(ids[i]), i == 0);
}

void SignalData::shiftToZero()
{
    const double first = firstTime(allSeries);
    if (first == 0.0)
        return;
    crop(first, lastTime(allSeries));
}
