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
    // Pixels further out than this are drawn at it: a time far from all
    // others (a wild record at 1e300 s) must not overflow a pixel.
    static constexpr int FarthestPixel = 1 << 30;

    double scale = 1.0;
    double offset = 0.0;

    // A pixel position within what an int holds; what is not a number
    // lies far to the left.
    static int pixel(double x)
    {
        if (!(x > -FarthestPixel))
            return -FarthestPixel;
        return x < FarthestPixel ? int(x) : FarthestPixel;
    }

    // Truncated toward zero, as the painting of the curves relies on.
    int xOf(double time) const { return pixel(time * scale - offset); }
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
    // Following live input: with a window of `span` ms, those ms across
    // `width` pixels with `newest` on the last one; without a window (a
    // span of 0), this axis scrolled just enough that `newest` shows, at
    // `margin` pixels from the right edge when it has to move.
    TimeAxis following(double newest, double span, int width, int margin) const;
};
