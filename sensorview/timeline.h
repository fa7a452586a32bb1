#pragma once

#include "timeaxis.h"

#include <QWidget>

// The time ruler above the graph. It holds the view's time axis and paints
// labelled ticks whose step follows the zoom.
class Timeline : public QWidget
{
public:
    explicit Timeline(QWidget *parent = nullptr);

    const TimeAxis &axis() const { return timeAxis; }
    void setAxis(const TimeAxis &axis);

    // Below this many pixels per millisecond the view speaks seconds.
    static constexpr double SecondsBelowScale = 0.05;

    // The tick step in milliseconds: the first of 1, 2, 5, 10, 20, 50, ...
    // that puts ticks at least `minimumDistance` pixels apart.
    static double tickStep(double scale, int minimumDistance);
    // The label of a tick at `time` milliseconds.
    static QString tickLabel(double time, double scale);
    // The time of the first tick drawn: one step left of the visible range.
    static double firstTick(double offset, double scale, double step);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    TimeAxis timeAxis;
};
