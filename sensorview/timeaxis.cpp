#include "timeaxis.h"

#include <algorithm>
#include <cmath>

double TimeAxis::boundedScale(double scale)
{
    if (!(scale < MaximumScale))
        return MaximumScale;
    if (!(scale > MinimumScale))
        return MinimumScale;
    return scale;
}

TimeAxis TimeAxis::zoomedAbout(int x, double factor) const
{
    const double time = timeAt(x);
    TimeAxis zoomed;
    zoomed.scale = boundedScale(scale * factor);
    zoomed.offset = time * zoomed.scale - x;
    return zoomed;
}

double TimeAxis::offsetShowing(double time, int left, int right) const
{
    const double leftTime = timeAt(left);
    const double rightTime = timeAt(right);
    if (leftTime > time)
        return offset - (leftTime - time) * scale;
    if (time > rightTime)
        return offset + (time - rightTime) * scale;
    return offset;
}

TimeAxis TimeAxis::fitted(double a, double b, double shortest, double end, double shortestEnd, int width)
{
    TimeAxis axis;
    if (std::abs(a - b) > shortest) {
        axis.scale = boundedScale(width / std::abs(a - b));
        axis.offset = std::min(a, b) * axis.scale;
    } else {
        axis.scale = boundedScale(width / std::max(end, shortestEnd));
        axis.offset = 0.0;
    }
    return axis;
}
