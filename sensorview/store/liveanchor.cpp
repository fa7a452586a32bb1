#include "liveanchor.h"

#include <algorithm>

void LiveAnchor::add(double time)
{
    recent[size_t(next)] = time;
    next = (next + 1) % RecentRecords;
    count = std::min(count + 1, RecentRecords);
}

double LiveAnchor::time() const
{
    std::array<double, RecentRecords> sorted = recent;
    const auto end = sorted.begin() + count;
    std::sort(sorted.begin(), end);
    if (count < TimesToCompare)
        return sorted[size_t((count - 1) / 2)];
    const double lower = sorted[size_t(count / 4)];
    const double upper = sorted[size_t(3 * count / 4)];
    const double fence = upper + 3 * (upper - lower);
    return *(std::upper_bound(sorted.begin(), end, fence) - 1);
}

void LiveAnchor::clear()
{
    count = 0;
    next = 0;
}
