#include "envelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

void Envelope::update(const SignalData &store, const SignalSeries &series, int wantedChannel)
{
    const int count = series.size();
    if (wantedChannel == channel && store.revision() == revision && count == records)
        return;
    if (wantedChannel != channel || store.revision() != revision || count < records) {
        levels.clear();
        records = 0;
        complete = true;
    }
    channel = wantedChannel;
    revision = store.revision();
    rebuildFrom(store, series, records);
    records = count;
}

void Envelope::rebuildFrom(const SignalData &store, const SignalSeries &series, int firstRecord)
{
    const int count = series.size();
    for (int i = firstRecord; i < count && complete; ++i) {
        const quint32 id = series.records[i];
        if (store.valueCount(id) <= channel || std::isnan(store.valueOf(id, channel)))
            complete = false;
    }
    if (!complete)
        return;

    // Level 0 summarises blocks of 16 records; each next level 16 blocks.
    int below = count;
    int start = firstRecord / Fanout;
    for (size_t level = 0; below > 1 || level == 0; ++level) {
        const int blocks = (below + Fanout - 1) / Fanout;
        if (levels.size() <= level)
            levels.emplace_back();
        Level &current = levels[level];
        current.min.resize(blocks);
        current.max.resize(blocks);
        double *mins = current.min.data();
        double *maxs = current.max.data();
        const double *belowMins = level > 0 ? levels[level - 1].min.constData() : nullptr;
        const double *belowMaxs = level > 0 ? levels[level - 1].max.constData() : nullptr;
        for (int b = start; b < blocks; ++b) {
            double lo = std::numeric_limits<double>::infinity();
            double hi = -lo;
            const int end = std::min(below, (b + 1) * Fanout);
            for (int i = b * Fanout; i < end; ++i) {
                if (level == 0) {
                    const double v = store.value(series, i, channel);
                    lo = std::min(lo, v);
                    hi = std::max(hi, v);
                } else {
                    lo = std::min(lo, belowMins[i]);
                    hi = std::max(hi, belowMaxs[i]);
                }
            }
            mins[b] = lo;
            maxs[b] = hi;
        }
        below = blocks;
        start /= Fanout;
        if (blocks <= 1)
            break;
    }
}

void Envelope::range(const SignalData &store, const SignalSeries &series, int first, int last,
                     double *min, double *max) const
{
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    int i = first;
    while (i < last) {
        // The largest block that starts here and ends inside the run.
        int level = -1;
        int size = 1;
        while (level + 1 < int(levels.size()) && i % (size * Fanout) == 0
               && i + size * Fanout <= last) {
            ++level;
            size *= Fanout;
        }
        if (level < 0) {
            const double v = store.value(series, i, channel);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        } else {
            const int block = i / size;
            lo = std::min(lo, levels[size_t(level)].min[block]);
            hi = std::max(hi, levels[size_t(level)].max[block]);
        }
        i += size;
    }
    *min = lo;
    *max = hi;
}
