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

TimeAxis TimeAxis::following(double newest, double span, int width, int margin) const
{
    TimeAxis axis = *this;
    if (!std::isfinite(newest) || width <= 0)
        return axis;
    const int last = width - 1;
    if (span > 0) {
        axis.scale = boundedScale(width / span);
        // Whole pixels, as the graph scrolls by them: the newest then lands
        // on the last pixel, not one before it.
        axis.offset = std::floor(newest * axis.scale) - last;
        return axis;
    }
    const double x = exactX(newest);
    if (x < 0 || x > last)
        axis.offset = std::floor(newest * scale) - std::max(0, last - margin);
    return axis;
}
