#include "curvepainter.h"

#include "envelope.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal CurvePenWidth = 1.5;
// Columns holding this many records on average are drawn by columns.
constexpr int RecordsPerColumnForReduction = 3;

struct Walk
{
    int first = 0; // first record drawn
    int end = 0;   // one past the last record drawn
};

int columnOf(const Curve &curve, int index)
{
    return curve.axis.xOf(curve.store->time(*curve.series, index));
}

// The records drawn: from the last before the left edge (or the first) to
// the first whose column lies past the right edge, that one included.
Walk walkOf(const Curve &curve)
{
    const int count = curve.series->size();
    Walk walk;
    walk.first = std::clamp(curve.store->previousIndex(*curve.series, curve.axis.offset / curve.axis.scale), 0,
                            count - 1);
    const int beyond = curve.store->partitionPoint(*curve.series, walk.first, count, [&](double t) {
        return curve.axis.xOf(t) <= curve.width - 1;
    });
    walk.end = std::min(count, beyond + 1);
    return walk;
}

bool carries(const Curve &curve, int index)
{
    return curve.store->valueCount(curve.series->records[index]) > curve.channel;
}

void fillBlock(QPainter &painter, const Curve &curve, int px, int py, int x)
{
    QPainterPath path;
    path.moveTo(px, py);
    path.lineTo(x, py);
    path.lineTo(x, curve.band.yZero);
    path.lineTo(px, curve.band.yZero);
    path.closeSubpath();
    painter.fillPath(path, curve.color);
}

} // namespace

BandScale BandScale::make(double lo, double hi, int top, int height)
{
    if (lo >= 0) {
        lo = 0;
    } else {
        const double m = std::max(std::abs(lo), std::abs(hi));
        lo = -m;
        hi = m;
    }
    if (hi == 0)
        hi = 1;
    return over(lo, hi, top, height);
}

BandScale BandScale::over(double lo, double hi, int top, int height)
{
    BandScale scale;
    scale.lo = lo;
    scale.hi = hi;
    const double drawable = height - 2 * Margin;
    if (hi > lo) {
        scale.k = -drawable / (hi - lo);
        scale.d = top + Margin + drawable * hi / (hi - lo);
    } else {
        scale.k = 0;
        scale.d = top + Margin + drawable;
    }
    scale.yZero = int(scale.d);
    return scale;
}

BandScale BandScale::toData(double lo, double hi, int top, int height)
{
    if (!std::isfinite(lo) || !std::isfinite(hi) || lo > hi)
        return make(lo, hi, top, height);
    const double span = hi - lo;
    const double beyond = span > 0 ? span / 20 : 1.0;
    BandScale scale = over(lo - beyond, hi + beyond, top, height);
    const int topLine = top + Margin;
    const int bottomLine = top + height - Margin;
    if (!(scale.d >= topLine))
        scale.yZero = topLine;
    else if (!(scale.d <= bottomLine))
        scale.yZero = bottomLine;
    return scale;
}

void prepareCurvePainter(QPainter &painter, const QColor &color)
{
    painter.setPen(QPen(color, CurvePenWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.setRenderHint(QPainter::Antialiasing, true);
}

void drawCurveExactly(QPainter &painter, const Curve &curve)
{
    if (curve.series->isEmpty())
        return;
    const Walk walk = walkOf(curve);
    const auto style = CurveStyle(curve.style);
    int px = columnOf(curve, walk.first);
    int py = curve.band.y(curve.store->value(*curve.series, walk.first, curve.channel));
    bool previousCarried = carries(curve, walk.first);
    for (int i = walk.first; i < walk.end; ++i) {
        const int x = columnOf(curve, i);
        const int y = curve.band.y(curve.store->value(*curve.series, i, curve.channel));
        if (style == CurveStyle::Events) {
            painter.drawLine(x, py, x, curve.band.yZero);
        } else if (previousCarried) {
            if (style == CurveStyle::Linear) {
                painter.drawLine(px, py, x, y);
            } else if (style == CurveStyle::Steps) {
                painter.drawLine(px, py, x, py);
                painter.drawLine(x, py, x, y);
            } else if (style == CurveStyle::Blocks) {
                fillBlock(painter, curve, px, py, x);
            }
        }
        px = x;
        py = y;
        previousCarried = carries(curve, i);
    }
}

namespace {

// Within a column y only falls as the value rises (k <= 0), so the extreme
// values of the records [first, last) give the extreme rows.
void rowSpan(const Curve &curve, const Envelope &envelope, int first, int last, int *top, int *bottom)
{
    double lo;
    double hi;
    envelope.range(*curve.store, *curve.series, first, last, &lo, &hi);
    *top = std::min(curve.band.y(lo), curve.band.y(hi));
    *bottom = std::max(curve.band.y(lo), curve.band.y(hi));
}

// One pixel column of a curve: the records [first, next) that fall in
// column x, after the previous column's last point (px, py).
struct Column
{
    int px;
    int py;
    int x;
    int first;
    int next;
    int firstY;
    int top;
    int bottom;
};

void drawColumn(QPainter &painter, const Curve &curve, const Envelope &envelope, QVector<QLine> &lines,
                const Column &c)
{
    switch (CurveStyle(curve.style)) {
    case CurveStyle::Linear:
        lines.append(QLine(c.px, c.py, c.x, c.firstY));
        if (c.bottom > c.top)
            lines.append(QLine(c.x, c.top, c.x, c.bottom));
        break;
    case CurveStyle::Steps:
        lines.append(QLine(c.px, c.py, c.x, c.py));
        lines.append(QLine(c.x, std::min(c.py, c.top), c.x, std::max(c.py, c.bottom)));
        break;
    case CurveStyle::Blocks:
        // The block between two columns is a rectangle.
        painter.fillRect(QRectF(QPointF(c.px, std::min(c.py, curve.band.yZero)),
                                QPointF(c.x, std::max(c.py, curve.band.yZero))),
                         curve.color);
        break;
    case CurveStyle::Events: {
        // Each record's line runs from the one before it to the zero line:
        // the previous column's last value and every value here but the
        // last.
        int eventTop = std::min(c.py, curve.band.yZero);
        int eventBottom = std::max(c.py, curve.band.yZero);
        if (c.next - c.first > 1) {
            int t;
            int b;
            rowSpan(curve, envelope, c.first, c.next - 1, &t, &b);
            eventTop = std::min(eventTop, t);
            eventBottom = std::max(eventBottom, b);
        }
        lines.append(QLine(c.x, eventTop, c.x, eventBottom));
        break;
    }
    }
}

} // namespace

void drawCurveByColumns(QPainter &painter, const Curve &curve, const Envelope &envelope)
{
    if (curve.series->isEmpty())
        return;
    const Walk walk = walkOf(curve);
    const auto yOf = [&](int index) { return curve.band.y(curve.store->value(*curve.series, index, curve.channel)); };

    // Many short lines in one call: the painter's cost is in the calls.
    QVector<QLine> lines;
    lines.reserve(2 * curve.width + 8);
    int px = columnOf(curve, walk.first);
    int py = yOf(walk.first);
    int i = walk.first;
    while (i < walk.end) {
        const int x = columnOf(curve, i);
        // The records of this column: [i, next).
        const int next = curve.store->partitionPoint(*curve.series, i, walk.end,
                                                     [&](double t) { return curve.axis.xOf(t) <= x; });
        const int firstY = yOf(i);
        int top = firstY;
        int bottom = firstY;
        if (next - i > 1)
            rowSpan(curve, envelope, i, next, &top, &bottom);
        drawColumn(painter, curve, envelope, lines, Column{px, py, x, i, next, firstY, top, bottom});
        px = x;
        py = yOf(next - 1);
        i = next;
    }
    painter.drawLines(lines);
}

void drawCurve(QPainter &painter, const Curve &curve, Envelope &envelope)
{
    if (curve.series->isEmpty())
        return;
    const Walk walk = walkOf(curve);
    const int columns = std::max(1, curve.width);
    if (walk.end - walk.first > RecordsPerColumnForReduction * columns) {
        envelope.update(*curve.store, *curve.series, curve.channel);
        if (envelope.isComplete()) {
            drawCurveByColumns(painter, curve, envelope);
            return;
        }
    }
    drawCurveExactly(painter, curve);
}

bool meetsTrigger(double value, TriggerMode mode, double level)
{
    switch (mode) {
    case TriggerMode::Equal:
        return value == level;
    case TriggerMode::NotEqual:
        return !(value == level);
    case TriggerMode::Below:
        return value < level;
    case TriggerMode::AtMost:
        return value <= level;
    case TriggerMode::Above:
        return value > level;
    case TriggerMode::AtLeast:
        return value >= level;
    default:
        return false;
    }
}

std::vector<TriggerRun> findTriggerRuns(const SignalData &store, const SignalSeries &series,
                                        int channel, TriggerMode mode, double level)
{
    std::vector<TriggerRun> runs;
    bool inside = false;
    double lastTested = 0.0;
    for (int i = 0; i < series.size(); ++i) {
        const quint32 id = series.records[i];
        if (store.valueCount(id) <= channel)
            continue;
        const double time = store.time(id);
        lastTested = time;
        const bool match = meetsTrigger(store.valueOf(id, channel), mode, level);
        if (match && !inside) {
            runs.push_back({time, time});
            inside = true;
        } else if (!match && inside) {
            runs.back().end = time;
            inside = false;
        }
    }
    if (inside)
        runs.back().end = lastTested;
    return runs;
}

void drawTriggerRuns(QPainter &painter, const std::vector<TriggerRun> &runs, const QColor &color,
                     const TimeAxis &axis, int width, int height)
{
    constexpr int ShadeAlpha = 32;
    QColor shade = color;
    shade.setAlpha(ShadeAlpha);
    // Runs are in time order and do not overlap: the first that reaches the
    // left edge is found by bisection, and the walk ends past the right one.
    auto run = std::partition_point(runs.cbegin(), runs.cend(), [&](const TriggerRun &r) {
        return axis.xOf(r.end) < 0;
    });
    // Runs never share a pixel column (one ends where the next record that
    // fails is, the next starts later), so runs whose columns touch are
    // shaded as one.
    int from = 0;
    int to = -1; // the columns [from, to) wait to be shaded
    for (; run != runs.cend(); ++run) {
        const int x1 = axis.xOf(run->start);
        if (x1 > width)
            break;
        const int x2 = axis.xOf(run->end);
        if (x2 <= x1)
            continue;
        if (x1 != to) {
            if (to > from)
                painter.fillRect(QRect(from, 0, to - from, height), shade);
            from = x1;
        }
        to = x2;
    }
    if (to > from)
        painter.fillRect(QRect(from, 0, to - from, height), shade);
}
