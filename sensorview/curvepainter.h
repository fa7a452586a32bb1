#pragma once

#include "curvestyle.h"
#include "timeaxis.h"

#include "signaldata.h"

#include <QColor>

#include <vector>

class Envelope;
class QPainter;

// How one band maps values to pixel rows: the range is widened to hold zero
// (symmetric when anything is negative), and y = trunc(v * k + d).
struct BandScale
{
    double lo = 0.0;
    double hi = 1.0;
    double k = 0.0;
    double d = 0.0;
    int yZero = 0;

    static constexpr int Margin = 5;

    // From the smallest and largest value of the band's channels, for a band
    // whose top is `top` and that is `height` pixels high.
    static BandScale make(double lo, double hi, int top, int height);
    // Scaled to the data instead: the range is lo to hi with a twentieth of
    // their span beyond each (a single value stands in the middle of 2
    // about it), and zero's line, where Blocks and Events reach to, stays
    // on the band's edge nearest zero when zero lies outside the range.
    static BandScale toData(double lo, double hi, int top, int height);
    int y(double value) const { return int(value * k + d); }

private:
    // The range as it is, lo on the band's bottom line and hi on its top.
    static BandScale over(double lo, double hi, int top, int height);
};

// One channel's curve in a band, as it appears through the view's time axis.
struct Curve
{
    const SignalData *store = nullptr;
    const SignalSeries *series = nullptr;
    int channel = 0;
    int style = int(CurveStyle::Steps);
    QColor color;
    BandScale band;
    TimeAxis axis;
    int width = 0; // of the viewport
};

// Draws the curve record by record, from just before the left edge to the
// first record past the right edge.
void drawCurveExactly(QPainter &painter, const Curve &curve);

// Draws the same picture a pixel column at a time: within one column every
// record's segment lies on that column, so one line from the column's
// lowest to its highest point stands for all of them; the joins between
// columns are drawn as they are. The envelope must be up to date and
// complete.
void drawCurveByColumns(QPainter &painter, const Curve &curve, const Envelope &envelope);

// Draws by columns where they hold several records each, else exactly.
void drawCurve(QPainter &painter, const Curve &curve, Envelope &envelope);

// Sets the pen or brush a curve of that colour is drawn with.
void prepareCurvePainter(QPainter &painter, const QColor &color);

// A stretch of time in which a channel meets its trigger condition.
struct TriggerRun
{
    double start = 0.0;
    double end = 0.0;
};

// How a channel's values are compared with its trigger level. The numbers
// are those a host passes to setChannelTrigger; any other number is Off.
enum class TriggerMode { Off = 0, Equal = 1, NotEqual = 2, Below = 3, AtMost = 4, Above = 5, AtLeast = 6 };

// Whether `value` meets the trigger condition.
bool meetsTrigger(double value, TriggerMode mode, double level);

// The runs of records of `series` that meet the condition, in time order:
// each from its first matching record to the first following one that does
// not match (or to the last record tested). Records without the channel
// are not tested.
std::vector<TriggerRun> findTriggerRuns(const SignalData &store, const SignalSeries &series,
                                        int channel, TriggerMode mode, double level);

// Shades the runs that reach into the viewport, over its full height.
void drawTriggerRuns(QPainter &painter, const std::vector<TriggerRun> &runs, const QColor &color,
                     const TimeAxis &axis, int width, int height);
