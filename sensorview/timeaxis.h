#pragma once

// The view's time-to-pixel mapping: x = trunc(t * scale - offset), with t in
// milliseconds, scale in pixels per millisecond and offset the pixels the
// graph is scrolled by. The timeline, the graph and its curves all place
// times through it, so that a tick, a sample and the cursor drawn at one
// time meet on one pixel.
struct TimeAxis
{
    static constexpr double MinimumScale = 0.001;
    static constexpr double MaximumScale = 1000.0;

    double scale = 1.0;
    double offset = 0.0;

    // Truncated toward zero, as the painting of the curves relies on.
    int xOf(double time) const { return int(time * scale - offset); }
    double exactX(double time) const { return time * scale - offset; }
    double timeAt(double x) const { return (x + offset) / scale; }

    // The scale kept within the zoom limits; what is not a number zooms in
    // fully.
    static double boundedScale(double scale);
    // Zoomed by `factor` about pixel `x`: the time under x stays there.
    TimeAxis zoomedAbout(int x, double factor) const;
    // The offset that brings `time` between the pixels `left` and `right`
    // by the shortest scroll; the same offset when it is there already.
    double offsetShowing(double time, int left, int right) const;
    // Fitted to `width` pixels: the stretch from `a` to `b` when it is
    // longer than `shortest`, else everything from 0 to `end` (at least
    // `shortestEnd`) from the start.
    static TimeAxis fitted(double a, double b, double shortest, double end, double shortestEnd, int width);
};
