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
    mergePending(all, pendingAll);
    pendingAll.clear();
    for (size_t signal = 0; signal < pendingBySignal.size(); ++signal) {
        if (!pendingBySignal[signal].empty())
            mergePending(seriesOf(quint32(signal)), pendingBySignal[signal]);
    }
    pendingBySignal.clear();
}

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
            insertInto(series, times[int(id)], id, nullptr, 0, this);
        return;
    }
    struct Item
    {
        double time;
        int rank; // late ones before held ones (0), the others after (1)
        qint64 order;
        quint32 id;
    };
    std::vector<Item> items;
    items.reserve(ids.size());
    bool empty = series.isEmpty();
    double latest = empty ? 0.0 : series.times.constLast();
    bool anyLate = false;
    for (size_t i = 0; i < ids.size(); ++i) {
        const double time = times[int(ids[i])];
        const bool late = !empty && time < latest;
        if (!late)
            latest = time;
        empty = false;
        anyLate = anyLate || late;
        items.push_back({time, late ? 0 : 1, late ? -qint64(i) : qint64(i), ids[i]});
    }
    if (!anyLate) {
        for (const Item &item : items) {
            series.records.append(item.id);
            series.times.append(item.time);
        }
        return;
    }
    touch();
    inTimeOrder = false;
    std::sort(items.begin(), items.end(), [](const Item &a, const Item &b) {
        if (a.time != b.time)
            return a.time < b.time;
        if (a.rank != b.rank)
            return a.rank < b.rank;
        return a.order < b.order;
    });
    // The held records before the earliest arrival keep their places.
    const int held = series.size();
    const int keep = int(std::lower_bound(series.times.cbegin(), series.times.cend(), items.front().time)
                         - series.times.cbegin());
    PodVector<quint32> mergedIds;
    PodVector<double> mergedTimes;
    const int total = held + int(items.size());
    mergedIds.resize(total);
    mergedTimes.resize(total);
    quint32 *outIds = mergedIds.data();
    double *outTimes = mergedTimes.data();
    const quint32 *heldIds = series.records.constData();
    const double *heldTimes = series.times.constData();
    std::copy(heldIds, heldIds + keep, outIds);
    std::copy(heldTimes, heldTimes + keep, outTimes);
    int out = keep;
    int h = keep;
    size_t n = 0;
    while (h < held || n < items.size()) {
        const bool takeItem = h == held
                              || (n < items.size()
                                  && (items[n].time < heldTimes[h]
                                      || (items[n].time == heldTimes[h] && items[n].rank == 0)));
        if (takeItem) {
            outIds[out] = items[n].id;
            outTimes[out] = items[n].time;
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
