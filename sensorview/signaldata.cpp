#include "signaldata.h"

#include <algorithm>
#include <cmath>
#include <limits>

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
    , timesInAll(other.timesInAll)
    , signalOf(other.signalOf)
    , valueStart(other.valueStart)
    , uniformCount(other.uniformCount)
    , offsetsKept(other.offsetsKept)
    , pool(other.pool)
    , signalTable(other.signalTable)
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
        timesInAll = other.timesInAll;
        signalOf = other.signalOf;
        valueStart = other.valueStart;
        uniformCount = other.uniformCount;
        offsetsKept = other.offsetsKept;
        pool = other.pool;
        signalTable = other.signalTable;
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
    timesInAll = true;
    signalOf.clear();
    valueStart.clear();
    uniformCount = -1;
    offsetsKept = false;
    pool.clear();
    signalTable.clear();
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

template<typename Name>
quint32 SignalData::signalId(Name name)
{
    if (lastSignal >= 0 && signalTable[lastSignal] == name)
        return quint32(lastSignal);
    // A recording has a handful of signals: comparing them all is quicker
    // than hashing, and needs no string to be made.
    constexpr int ScanLimit = 16;
    if (signalTable.size() <= ScanLimit) {
        for (int i = 0; i < signalTable.size(); ++i) {
            if (signalTable[i] == name)
                return quint32(lastSignal = i);
        }
    }
    const QString key = toString(name);
    auto it = signalIds.constFind(key);
    if (it == signalIds.constEnd()) {
        it = signalIds.insert(key, quint32(signalTable.size()));
        signalTable.append(key);
    }
    lastSignal = int(it.value());
    return it.value();
}

// The edits (signaledits.cpp) number names anew by their text.
template quint32 SignalData::signalId<QString>(QString);

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
    if (!timesInAll)
        times.reserve(times.size() + records);
    signalOf.reserve(signalOf.size() + records);
    if (offsetsKept)
        valueStart.reserve(valueStart.size() + records);
    pool.reserve(pool.size() + values);
    allSeries.records.reserve(allSeries.records.size() + records);
    allSeries.times.reserve(allSeries.times.size() + records);
}

void SignalData::add(quint32 signal, double time, const double *values, int count)
{
    const quint32 id = quint32(signalOf.size());
    const bool atEnd = (!batching || pendingAll.empty()) && (allSeries.isEmpty() || !(time < allSeries.times.constLast()));
    if (!atEnd)
        keepTimesApart();
    if (!timesInAll)
        times.append(time);
    signalOf.append(signal);
    if (uniformCount < 0)
        uniformCount = count;
    else if (count != uniformCount)
        keepOffsets();
    const int at = pool.size();
    pool.resize(at + count);
    std::copy(values, values + count, pool.data() + at);
    if (offsetsKept)
        valueStart.append(quint32(pool.size()));
    if (std::isnan(time))
        hasNaNTime = true;
    if (!batching) {
        insertInto(allSeries, time, id, values, count, this);
        insertInto(seriesOf(signal), time, id, values, count, this);
        return;
    }
    SignalSeries &own = seriesOf(signal);
    // Appending needs no sorting, as long as nothing of the same run waits.
    if (pendingAll.empty() && (allSeries.isEmpty() || !(time < allSeries.times.constLast()))) {
        insertInto(allSeries, time, id, values, count, this);
    } else {
        widenRanges(allSeries, values, count, allSeries.isEmpty() && pendingAll.empty());
        pendingAll.push_back(id);
    }
    if (pendingBySignal.size() <= signal)
        pendingBySignal.resize(signal + 1);
    std::vector<quint32> &waiting = pendingBySignal[signal];
    if (waiting.empty() && (own.isEmpty() || !(time < own.times.constLast()))) {
        insertInto(own, time, id, values, count, this);
    } else {
        widenRanges(own, values, count, own.isEmpty() && waiting.empty());
        waiting.push_back(id);
    }
}

void SignalData::insertInto(SignalSeries &series, double time, quint32 id, const double *values,
                            int count, SignalData *store)
{
    const bool wasEmpty = series.records.isEmpty();
    widenRanges(series, values, count, wasEmpty);
    if (wasEmpty || !(time < series.times.constLast())) {
        series.records.append(id);
        series.times.append(time);
        return;
    }
    // Before the first record at the same time or later.
    if (store) {
        store->touch();
        store->inTimeOrder = false;
    }
    const int place = int(std::lower_bound(series.times.cbegin(), series.times.cend(), time)
                          - series.times.cbegin());
    series.records.insert(place, id);
    series.times.insert(place, time);
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
            continue;
        }
        if (!(v > ranges[i].min))
            ranges[i].min = v;
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

const SignalSeries &SignalData::series(const QString &name) const
{
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
    const auto it = std::upper_bound(series.times.cbegin(), series.times.cend(), time);
    return it == series.times.cend() ? -1 : int(it - series.times.cbegin());
}

int SignalData::previousIndex(const SignalSeries &series, double time) const
{
    return int(std::lower_bound(series.times.cbegin(), series.times.cend(), time)
               - series.times.cbegin()) - 1;
}

double SignalData::valueAt(const SignalSeries &series, double time, int channel) const
{
    constexpr double NotANumber = std::numeric_limits<double>::quiet_NaN();
    if (channel < 0 || channel >= series.channelCount || series.isEmpty()
        || this->time(series, 0) > time)
        return NotANumber;
    // The last record at or before the time.
    const int index = int(std::upper_bound(series.times.cbegin(), series.times.cend(), time)
                          - series.times.cbegin()) - 1;
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

void SignalData::keepTimesApart()
{
    if (!timesInAll)
        return;
    times = allSeries.times;
    timesInAll = false;
}

qint64 SignalData::memoryBytes() const
{
    const auto seriesBytes = [](const SignalSeries &series) {
        return series.records.bytes() + series.times.bytes() + qint64(series.ranges.capacity()) * qint64(sizeof(ChannelRange));
    };
    qint64 bytes = times.bytes() + signalOf.bytes() + valueStart.bytes() + pool.bytes() + seriesBytes(allSeries);
    for (const SignalSeries &series : seriesByName)
        bytes += seriesBytes(series);
    return bytes;
}
