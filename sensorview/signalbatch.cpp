// Records that arrive in a batch are sorted into their series together.
#include "signaldata.h"

#include <algorithm>
#include <cmath>

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
    double latest = empty ? 0.0 : series.times.constLast();
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
void mergeSorted(SignalSeries &series, const std::vector<Arrival> &arrivals)
{
    // The held records before the earliest arrival keep their places.
    const int held = series.size();
    const int keep = int(std::lower_bound(series.times.cbegin(), series.times.cend(), arrivals.front().time)
                         - series.times.cbegin());
    PodVector<quint32> mergedIds;
    PodVector<double> mergedTimes;
    mergedIds.resize(held + int(arrivals.size()));
    mergedTimes.resize(held + int(arrivals.size()));
    quint32 *outIds = mergedIds.data();
    double *outTimes = mergedTimes.data();
    const quint32 *heldIds = series.records.constData();
    const double *heldTimes = series.times.constData();
    std::copy(heldIds, heldIds + keep, outIds);
    std::copy(heldTimes, heldTimes + keep, outTimes);
    int out = keep;
    int h = keep;
    size_t n = 0;
    while (h < held || n < arrivals.size()) {
        const bool takeArrival = h == held
                                 || (n < arrivals.size()
                                     && (arrivals[n].time < heldTimes[h]
                                         || (arrivals[n].time == heldTimes[h] && arrivals[n].rank == 0)));
        if (takeArrival) {
            outIds[out] = arrivals[n].id;
            outTimes[out] = arrivals[n].time;
            ++n;
        } else {
            outIds[out] = heldIds[h];
            outTimes[out] = heldTimes[h];
            ++h;
        }
        ++out;
    }
    series.records = mergedIds;
    series.times = mergedTimes;
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
            insertInto(series, time(id), id, nullptr, 0, this);
        return;
    }
    bool anyLate = false;
    // Records wait only after one that did not come in time order, which
    // gave the times an array of their own.
    Q_ASSERT(!timesInAll);
    std::vector<Arrival> arrivals = classify(series, times, ids, &anyLate);
    if (!anyLate) {
        for (const Arrival &arrival : arrivals) {
            series.records.append(arrival.id);
            series.times.append(arrival.time);
        }
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
    mergeSorted(series, arrivals);
}
