#include "signaldata.h"

#include <algorithm>
#include <cmath>

// Delete, Cut and Crop of a few records in a long recording: closing the
// arrays up over them costs what erasing from plain arrays costs, where
// making the store anew costs its whole size, and Undo needs only what was
// taken out instead of a copy of everything.

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
        count += run.times.size();
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
    // Records that arrived out of time order are no longer at their ids in
    // `all`, and a time that is not a number orders like nothing else.
    if (!allAtOwnIds || hasNaNTime || batching)
        return false;
    const double lo = std::min(a, b);
    const double hi = std::max(a, b);
    if (!std::isfinite(lo) || !std::isfinite(hi))
        return false;
    const double *at = times.constData();
    const int count = allSeries.size();
    *from = int(std::lower_bound(at, at + count, lo) - at);
    *to = int(std::upper_bound(at, at + count, hi) - at);
    // Moved by the gap, the later records must not come before the earlier
    // ones, which rounding can make them do; a rebuild sorts them instead.
    if (!crop && *from > 0 && *to < count && at[*to] - (hi - lo) < at[*from - 1])
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
// what follows back by its length. Without `removed`, nothing is kept.
bool SignalData::editInPlace(double a, double b, bool crop, RemovedRecords *removed)
{
    int from = 0;
    int to = 0;
    if (!inPlaceBounds(a, b, crop, &from, &to))
        return false;
    const double lo = std::min(a, b);
    const double hi = std::max(a, b);
    if (removed) {
        removed->runs.clear();
        removed->runs.resize(crop ? 2 : 1);
    }
    const auto run = [removed](size_t i) { return removed ? &removed->runs[i] : nullptr; };
    if (crop) {
        removeRun(to, allSeries.size(), 0.0, run(0));
        removeRun(0, from, lo, run(1));
    } else {
        removeRun(from, to, hi - lo, run(0));
    }
    return true;
}

void SignalData::putBack(RemovedRecords *removed)
{
    for (auto run = removed->runs.rbegin(); run != removed->runs.rend(); ++run)
        putBackRun(*run);
    removed->runs.clear();
}

void SignalData::removeRun(int from, int to, double shift, RemovedRecords::Run *kept)
{
    const int count = allSeries.size();
    const int n = to - from;
    const PodVector<quint32> &starts = valueStart;
    const int perRecord = std::max(uniformCount, 0);
    const int firstValue = offsetsKept ? int(starts.constData()[from]) : from * perRecord;
    const int endValue = offsetsKept ? int(starts.constData()[to]) : to * perRecord;
    if (kept) {
        kept->at = from;
        kept->shift = shift;
        kept->times = times.mid(from, n);
        kept->signalOf = signalOf.mid(from, n);
        kept->values = pool.mid(firstValue, endValue - firstValue);
        if (offsetsKept) {
            kept->valueCounts.resize(n);
            quint32 *counts = kept->valueCounts.data();
            for (int k = 0; k < n; ++k)
                counts[k] = starts.constData()[from + k + 1] - starts.constData()[from + k];
        }
        kept->allRanges = allSeries.ranges;
        kept->allChannelCount = allSeries.channelCount;
        kept->allHasNaNValue = allSeries.hasNaNValue;
        kept->nameOrder = nameOrder;
    }
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
    places.reserve(size_t(seriesByName.size()));
    for (auto it = seriesByName.cbegin(); it != seriesByName.cend() && !sole; ++it) {
        const SignalSeries &series = it.value();
        const int first = placeOf(series, quint32(from));
        const int end = placeOf(series, quint32(to));
        places.push_back({first, end, end > first && rangesNeedRescan(series, first, end)});
        if (kept && end > first)
            kept->series.push_back({it.key(), series.ranges, series.channelCount, series.hasNaNValue});
    }

    touch();
    pool.remove(firstValue, endValue - firstValue);
    if (offsetsKept) {
        valueStart.remove(from + 1, n);
        const quint32 gone = quint32(endValue - firstValue);
        quint32 *start = valueStart.data();
        for (int i = from + 1; i < valueStart.size(); ++i)
            start[i] -= gone;
    }
    signalOf.remove(from, n);
    if (shift == 0.0) {
        times.remove(from, n);
    } else {
        double *at = times.data();
        for (int i = to; i < count; ++i) {
            const double time = at[i];
            const double moved = time - shift;
            at[i - n] = moved;
            if (kept && moved + shift != time)
                kept->unexact.emplace_back(i - n, time);
        }
        times.resize(count - n);
    }
    allSeries.records.resize(count - n);
    if (rescanAll)
        rescanRanges(allSeries);

    squeezeIfSparse(pool);
    squeezeIfSparse(signalOf);
    squeezeIfSparse(valueStart);
    squeezeIfSparse(times);
    squeezeIfSparse(allSeries.records);
    forgetSeriesPlaces();
    lastSignal = -1;
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
        const int size = series.size();
        const int lost = place.end - place.first;
        if (lost == size) {
            it = seriesByName.erase(it);
            continue;
        }
        if (lost > 0 || place.end < size) {
            quint32 *ids = series.records.data();
            for (int j = place.end; j < size; ++j)
                ids[j - lost] = ids[j] - quint32(n);
            series.records.resize(size - lost);
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
    const int n = run.times.size();
    const int from = run.at;
    const int count = allSeries.size();
    if (n == 0 && run.shift == 0.0)
        return;
    touch();
    // A signal coming back beside the sole one gives that one its own
    // series, made from `all` before anything returns.
    bool sole = soleSignal();
    if (sole) {
        const quint32 soleId = signalIds.value(seriesByName.constBegin().key());
        const quint32 *signal = run.signalOf.constData();
        if (std::any_of(signal, signal + n, [soleId](quint32 s) { return s != soleId; })) {
            endSole();
            sole = false;
        }
    }

    if (run.shift == 0.0) {
        times.insert(from, run.times.constData(), n);
    } else {
        // Moved and shifted back in one pass over the later records.
        times.resize(count + n);
        double *at = times.data();
        for (int i = count - 1; i >= from; --i)
            at[i + n] = at[i] + run.shift;
        std::copy(run.times.cbegin(), run.times.cend(), at + from);
        for (const auto &[place, time] : run.unexact)
            at[place + n] = time;
    }
    allSeries.records.resize(count + n);
    {
        quint32 *ids = allSeries.records.data();
        for (int i = count; i < count + n; ++i)
            ids[i] = quint32(i);
    }
    signalOf.insert(from, run.signalOf.constData(), n);
    const int perRecord = std::max(uniformCount, 0);
    const PodVector<quint32> &starts = valueStart;
    const int firstValue = offsetsKept ? int(starts.constData()[from]) : from * perRecord;
    pool.insert(firstValue, run.values.constData(), run.values.size());
    if (offsetsKept) {
        std::vector<quint32> added(size_t(n), 0);
        quint32 at = quint32(firstValue);
        for (int k = 0; k < n; ++k) {
            at += run.valueCounts.constData()[k];
            added[size_t(k)] = at;
        }
        valueStart.insert(from + 1, added.data(), n);
        const quint32 back = quint32(run.values.size());
        quint32 *start = valueStart.data();
        for (int i = from + n + 1; i < valueStart.size(); ++i)
            start[i] += back;
    }
    allSeries.ranges = run.allRanges;
    allSeries.channelCount = run.allChannelCount;
    allSeries.hasNaNValue = run.allHasNaNValue;

    nameOrder = run.nameOrder;
    forgetSeriesPlaces();
    lastSignal = -1;
    if (sole)
        return;
    // The ids of the run, by signal.
    std::vector<std::vector<quint32>> returning(size_t(signalTable.size()));
    for (int k = 0; k < n; ++k)
        returning[run.signalOf.constData()[k]].push_back(quint32(from + k));
    for (size_t signal = 0; signal < returning.size(); ++signal) {
        if (!returning[signal].empty() && !seriesByName.contains(signalTable[int(signal)]))
            seriesByName.insert(signalTable[int(signal)], SignalSeries());
    }
    for (auto it = seriesByName.begin(); it != seriesByName.end(); ++it) {
        SignalSeries &series = it.value();
        const std::vector<quint32> &ids = returning[signalIds.value(it.key())];
        const int first = placeOf(series, quint32(from));
        const int back = int(ids.size());
        const int held = series.size();
        series.records.resize(held + back);
        quint32 *seriesIds = series.records.data();
        // The later records move up by the returning ones, their ids by the
        // run's length, in one pass.
        for (int j = held - 1; j >= first; --j)
            seriesIds[j + back] = seriesIds[j] + quint32(n);
        std::copy(ids.cbegin(), ids.cend(), seriesIds + first);
    }
    for (const RemovedRecords::SeriesBefore &before : run.series) {
        SignalSeries &series = seriesByName[before.name];
        series.ranges = before.ranges;
        series.channelCount = before.channelCount;
        series.hasNaNValue = before.hasNaNValue;
    }
    makeSole();
}
