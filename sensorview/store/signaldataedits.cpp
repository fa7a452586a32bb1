#include "signaldata.h"

#include <algorithm>
#include <cmath>

// Delete, Cut and Crop of a few records in a long recording: taking their
// ids out of the lists and moving the later times costs less than erasing
// them from plain arrays, where making the store anew costs its whole size.
// The records themselves stay where they are, so Undo puts their ids back
// and needs no copy of anything.

namespace {

// Where the first id not below `id` stands in a series.
int placeOf(const SignalSeries &series, quint32 id)
{
    const quint32 *ids = series.records.constData();
    return int(std::lower_bound(ids, ids + series.size(), id) - ids);
}

// Closes arrays that lost most of their values around them, so that a
// store cropped to a small part does not keep the room of the whole.
template<typename T>
void squeezeIfSparse(PodVector<T> &values)
{
    if (qint64(values.size()) * 4 < values.capacity())
        values.squeeze();
}

} // namespace

qint64 RemovedRecords::recordCount() const
{
    qint64 count = 0;
    for (const Run &run : runs)
        count += run.ids.size();
    return count;
}

// Whether taking a series' records `first` to `end` out could change its
// ranges, read while the values are still there. The first record sets the
// ranges (a maximum that is not a number stays so) and, with records of
// differing lengths, decides which channels take in zero; the longest
// record sets the channel count, and a value that is not a number makes the
// minimum restart after it. Otherwise
// a range changes only when the run holds its end and nothing else does: a
// quantised signal reaches the same ends again and again, so another record
// holding the same value is usually near.
bool SignalData::rangesNeedRescan(const SignalSeries &series, int first, int end) const
{
    if (first == 0 && (offsetsKept || series.hasNaNValue))
        return true;
    const quint32 *ids = series.records.constData();
    struct End
    {
        int channel;
        double value;
    };
    std::vector<End> ends;
    for (int j = first; j < end; ++j) {
        const quint32 id = ids[j];
        const int count = valueCount(id);
        if (offsetsKept && count >= series.channelCount)
            return true;
        const double *v = values(id);
        const ChannelRange *range = series.ranges.constData();
        for (int c = 0; c < count; ++c) {
            if (v[c] > range[c].min && v[c] < range[c].max)
                continue;
            // The two zeros are equal but not alike, and which one ends a
            // range depends on the order.
            if (series.hasNaNValue || std::isnan(v[c]) || v[c] == 0.0)
                return true;
            const bool known = std::any_of(ends.cbegin(), ends.cend(), [&](const End &e) {
                return e.channel == c && e.value == v[c];
            });
            if (!known)
                ends.push_back({c, v[c]});
        }
    }
    // Look for each end among the records that stay, nearest the run first.
    const int size = series.size();
    for (int step = 1; !ends.empty(); ++step) {
        const int after = end - 1 + step;
        const int before = first - step;
        if (after >= size && before < 0)
            return true;
        for (int j : {after, before}) {
            if (j < 0 || j >= size)
                continue;
            const quint32 id = ids[j];
            const int count = valueCount(id);
            const double *v = values(id);
            ends.erase(std::remove_if(ends.begin(), ends.end(), [&](const End &e) {
                           return e.channel < count && v[e.channel] == e.value;
                       }),
                       ends.end());
        }
    }
    return false;
}

bool SignalData::sharesArrays() const
{
    return pool.isShared() || signalOf.isShared() || valueStart.isShared() || times.isShared()
        || allSeries.records.isShared() || !seriesByName.isDetached();
}

bool SignalData::inPlaceBounds(double a, double b, bool crop, int *from, int *to) const
{
    // Records that arrived out of time order stand in `all` out of the
    // order of their ids, and a time that is not a number orders like
    // nothing else.
    if (!idsAscending || hasNaNTime || batching)
        return false;
    const double lo = std::min(a, b);
    const double hi = std::max(a, b);
    if (!std::isfinite(lo) || !std::isfinite(hi))
        return false;
    const int count = allSeries.size();
    *from = partitionPoint(allSeries, 0, count, [lo](double t) { return t < lo; });
    *to = partitionPoint(allSeries, *from, count, [hi](double t) { return !(hi < t); });
    // Moved by the gap, the later records must not come before the earlier
    // ones, which rounding can make them do; a rebuild sorts them instead.
    if (!crop && *from > 0 && *to < count && time(allSeries, *to) - (hi - lo) < time(allSeries, *from - 1))
        return false;
    return true;
}

bool SignalData::cropInPlace(double a, double b, RemovedRecords *removed)
{
    return editInPlace(a, b, true, removed);
}

bool SignalData::deleteRangeInPlace(double a, double b, RemovedRecords *removed)
{
    return editInPlace(a, b, false, removed);
}

// Crop takes out what stands after the span, then what stands before it,
// moving the rest to start at zero; Delete takes out the span and moves
// what follows back by its length. Without `removed`, nothing is kept, and
// the records taken out go at once.
bool SignalData::editInPlace(double a, double b, bool crop, RemovedRecords *removed)
{
    int from = 0;
    int to = 0;
    if (!inPlaceBounds(a, b, crop, &from, &to))
        return false;
    const double lo = std::min(a, b);
    const double hi = std::max(a, b);
    RemovedRecords dropped;
    RemovedRecords *kept = removed ? removed : &dropped;
    kept->runs.clear();
    kept->runs.resize(crop ? 2 : 1);
    if (crop) {
        removeRun(to, allSeries.size(), 0.0, &kept->runs[0]);
        removeRun(0, from, lo, &kept->runs[1]);
    } else {
        removeRun(from, to, hi - lo, &kept->runs[0]);
    }
    if (!removed)
        compact();
    return true;
}

void SignalData::putBack(RemovedRecords *removed)
{
    for (auto run = removed->runs.rbegin(); run != removed->runs.rend(); ++run)
        putBackRun(*run);
    removed->runs.clear();
}

namespace {

// Moves the times of the records with ids `first` to `end` earlier by
// `shift`, noting in `unexact` those that adding it back would not restore.
void shiftTimes(double *times, int first, int end, double shift, std::vector<std::pair<quint32, double>> *unexact)
{
    if (!unexact) {
        for (int id = first; id < end; ++id)
            times[id] -= shift;
        return;
    }
    for (int id = first; id < end; ++id) {
        const double time = times[id];
        const double moved = time - shift;
        times[id] = moved;
        if (moved + shift != time)
            unexact->emplace_back(quint32(id), time);
    }
}

} // namespace

void SignalData::removeRun(int from, int to, double shift, RemovedRecords::Run *kept)
{
    const int count = allSeries.size();
    const int n = to - from;
    const quint32 *allIds = allSeries.records.constData();
    // Every id from the first after the run on: those of the records after
    // it, and those of records taken out before that stand among them.
    const quint32 shiftedFrom = to < count ? allIds[to] : quint32(signalOf.size());
    kept->at = from;
    kept->shift = shift;
    kept->shiftedFrom = shiftedFrom;
    kept->ids = allSeries.records.mid(from, n);
    kept->unexact.clear();
    kept->series.clear();
    kept->allRanges = allSeries.ranges;
    kept->allChannelCount = allSeries.channelCount;
    kept->allHasNaNValue = allSeries.hasNaNValue;
    kept->nameOrder = nameOrder;
    if (n == 0 && shift == 0.0)
        return;

    const bool rescanAll = n > 0 && rangesNeedRescan(allSeries, from, to);
    struct Place
    {
        int first;
        int end;
        bool rescan;
    };
    // With one signal, `all` is its series.
    const bool sole = soleSignal();
    std::vector<Place> places;
    if (n > 0 && !sole) {
        places.reserve(size_t(seriesByName.size()));
        for (auto it = seriesByName.cbegin(); it != seriesByName.cend(); ++it) {
            const SignalSeries &series = it.value();
            const int first = placeOf(series, allIds[from]);
            const int end = placeOf(series, allIds[to - 1] + 1);
            places.push_back({first, end, end > first && rangesNeedRescan(series, first, end)});
            if (end > first)
                kept->series.push_back({it.key(), series.ranges, series.channelCount, series.hasNaNValue});
        }
    }

    touch();
    if (shift != 0.0)
        shiftTimes(times.data(), int(shiftedFrom), times.size(), shift, &kept->unexact);
    allSeries.records.remove(from, n);
    if (rescanAll)
        rescanRanges(allSeries);
    squeezeIfSparse(allSeries.records);
    forgetSeriesPlaces();
    lastSignal = -1;
    if (n == 0)
        return;
    if (sole) {
        if (allSeries.isEmpty()) {
            seriesByName.clear();
            nameOrder.clear();
        }
        return;
    }

    QVector<QPair<quint32, QString>> firstIds;
    size_t k = 0;
    for (auto it = seriesByName.begin(); it != seriesByName.end(); ++k) {
        SignalSeries &series = it.value();
        const Place place = places[k];
        const int lost = place.end - place.first;
        if (lost == series.size()) {
            it = seriesByName.erase(it);
            continue;
        }
        if (lost > 0) {
            series.records.remove(place.first, lost);
            squeezeIfSparse(series.records);
        }
        if (place.rescan)
            rescanRanges(series);
        firstIds.append({series.records.constData()[0], it.key()});
        ++it;
    }
    orderNamesBy(firstIds);
    makeSole();
}

void SignalData::putBackRun(RemovedRecords::Run &run)
{
    const int n = run.ids.size();
    const int from = run.at;
    if (n == 0 && run.shift == 0.0)
        return;
    touch();
    if (run.shift != 0.0) {
        double *at = times.data();
        shiftTimes(at, int(run.shiftedFrom), times.size(), -run.shift, nullptr);
        for (const auto &[id, time] : run.unexact)
            at[id] = time;
    }
    forgetSeriesPlaces();
    lastSignal = -1;
    if (n == 0)
        return;
    // A signal coming back beside the sole one gives that one its own
    // series, made from `all` before anything returns.
    const quint32 *returning = run.ids.constData();
    bool sole = soleSignal();
    if (sole) {
        const quint32 soleId = signalIds.value(seriesByName.constBegin().key());
        if (std::any_of(returning, returning + n, [&](quint32 id) { return signalOf.constData()[id] != soleId; })) {
            endSole();
            sole = false;
        }
    }
    allSeries.records.insert(from, returning, n);
    allSeries.ranges = run.allRanges;
    allSeries.channelCount = run.allChannelCount;
    allSeries.hasNaNValue = run.allHasNaNValue;
    nameOrder = run.nameOrder;
    forgetSeriesPlaces();
    if (sole)
        return;
    // The ids of the run, by signal, each run of them back where it stood.
    std::vector<std::vector<quint32>> bySignal(size_t(signalTable.size()));
    for (int k = 0; k < n; ++k)
        bySignal[signalOf.constData()[returning[k]]].push_back(returning[k]);
    for (size_t signal = 0; signal < bySignal.size(); ++signal) {
        const std::vector<quint32> &ids = bySignal[signal];
        if (ids.empty())
            continue;
        SignalSeries &series = seriesByName[signalTable[int(signal)]];
        series.records.insert(placeOf(series, ids.front()), ids.data(), int(ids.size()));
    }
    for (const RemovedRecords::SeriesBefore &before : run.series) {
        SignalSeries &series = seriesByName[before.name];
        series.ranges = before.ranges;
        series.channelCount = before.channelCount;
        series.hasNaNValue = before.hasNaNValue;
    }
    makeSole();
}
