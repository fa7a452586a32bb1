#pragma once

#include <QWidget>

// The time ruler above the graph. It holds the two numbers of the view's
// time-to-pixel mapping, x = trunc(t * scale - offset) with t in
// milliseconds, and paints labelled ticks whose step follows the zoom.
class Timeline : public QWidget
{
public:
    explicit Timeline(QWidget *parent = nullptr);

    double offset = 0.0; // pixels: the graph's horizontal scroll position
    double scale = 1.0;  // pixels per millisecond

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
};
