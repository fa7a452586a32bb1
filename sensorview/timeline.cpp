#include "timeline.h"

#include "signaldata.h"

#include <QPainter>
#include <QStyleOptionHeader>

#include <cmath>

namespace {
const QString WidestLabel = QStringLiteral("1000 ms");
constexpr int TickLength = 3;
}

Timeline::Timeline(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void Timeline::setAxis(const TimeAxis &axis)
{
    timeAxis = axis;
    update();
}

double Timeline::tickStep(double scale, int minimumDistance)
{
    static const double Mantissas[] = {1, 2, 5};
    for (double decade = 1;; decade *= 10) {
        for (double mantissa : Mantissas) {
            const double step = mantissa * decade;
            if (step * scale >= minimumDistance || std::isinf(step))
                return step;
        }
    }
}

QString Timeline::tickLabel(double time, double scale)
{
    if (time == 0)
        return QStringLiteral("0");
    if (scale < SecondsBelowScale)
        return QStringLiteral("%1 s").arg(qint64(std::trunc(time / MillisecondsPerSecond)));
    return QStringLiteral("%1 ms").arg(qint64(time));
}

double Timeline::firstTick(double offset, double scale, double step)
{
    return std::trunc(offset / scale / step - 1) * step;
}

void Timeline::mousePressEvent(QMouseEvent *)
{
    if (parentWidget())
        parentWidget()->setFocus(Qt::OtherFocusReason);
}

void Timeline::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionHeader option;
    option.initFrom(this);
    painter.save();
    style()->drawControl(QStyle::CE_Header, &option, &painter, this);
    painter.restore();

    const QFontMetrics metrics = fontMetrics();
    const int distance = 2 * metrics.horizontalAdvance(WidestLabel);
    const double step = tickStep(timeAxis.scale, distance);
    const int bottom = height() - 1;
    double tick = firstTick(timeAxis.offset, timeAxis.scale, step);
    int x = timeAxis.xOf(tick);
    while (x <= width() - 1) {
        const QString label = tickLabel(tick, timeAxis.scale);
        option.text = label;
        option.rect.setLeft(x - metrics.horizontalAdvance(label) / 2);
        painter.save();
        style()->drawControl(QStyle::CE_Header, &option, &painter, this);
        painter.restore();
        painter.drawLine(x, bottom - TickLength, x, bottom);
        tick += step;
        x = timeAxis.xOf(tick);
    }
}
