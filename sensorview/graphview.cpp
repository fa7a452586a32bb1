#include "graphview.h"

#include "autosizeheaderview.h"
#include "datalist.h"
#include "signaldata.h"
#include "signallist.h"
#include "timeline.h"

#include <QHash>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

namespace {

const QColor Background(255, 255, 255);
const QColor SelectedBandTop(251, 250, 247);
const QColor SelectedBandBottom(230, 227, 225);
const QColor SeparatorColor(171, 168, 165);
const QColor SelectionFill(51, 153, 255, 64);
constexpr int SelectionLineWidth = 3;
constexpr int SelectionGrab = 10;
constexpr int SelectionRepaintMargin = 10;
constexpr int HoverRepaintMargin = 25;
constexpr int ComfortMargin = 100;
constexpr double WheelFactor = 1.15;
constexpr int ScrollStep = 1000;
constexpr double MinimumFitSpan = 0.1;
constexpr double MinimumFitEnd = 100.0;
const QColor ScaleText(80, 80, 80);
const QColor ScaleBackground(255, 255, 255, 200);
// The value scales' labels: their font against the graph's, and their
// distance from the graph's edge and from each other.
constexpr double ScaleFontPart = 0.8;
constexpr int ScaleInset = 2;
constexpr int ScalePadding = 3;

} // namespace

GraphView::GraphView(SignalList *list, SignalData *records, const ChannelTable &channels, QWidget *parent)
    : QAbstractScrollArea(parent)
    , channels(channels)
    , listPane(list)
    , store(records)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_MouseTracking);
    viewport()->setAttribute(Qt::WA_MouseTracking);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(crossCursor);
    ruler = new Timeline(this);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        TimeAxis axis = ruler->axis();
        axis.offset = value;
        ruler->setAxis(axis);
        viewport()->update();
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
    // Actions are what the user does to the bar; values set by code are not.
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this, [this]() { emit movedByUser(false); });
    setScale(InitialScale);
}

double GraphView::scale() const
{
    return ruler->axis().scale;
}

double GraphView::offset() const
{
    return ruler->axis().offset;
}

int GraphView::xOf(double time) const
{
    return ruler->axis().xOf(time);
}

double GraphView::timeAt(double x) const
{
    return ruler->axis().timeAt(x);
}

void GraphView::setScale(double value)
{
    TimeAxis axis = ruler->axis();
    axis.scale = TimeAxis::boundedScale(value);
    ruler->setAxis(axis);
    relayout();
    viewport()->update();
}

void GraphView::setOffset(double value)
{
    horizontalScrollBar()->setValue(TimeAxis::pixel(std::round(value)));
}

void GraphView::relayout()
{
    const int height = listPane->header()->sizeHint().height();
    ruler->resize(width(), height);
    viewport()->setContentsMargins(0, 0, 0, 0);
    setViewportMargins(0, height, 0, 0);
    ruler->move(viewport()->x(), 0);
    updateScrollRange();
}

void GraphView::updateScrollRange()
{
    const double end = store->lastTime(store->all()) * scale();
    horizontalScrollBar()->setMaximum(end > 0 ? TimeAxis::pixel(end) : 0);
    horizontalScrollBar()->setSingleStep(ScrollStep);
}

void GraphView::repaintStrip(int x1, int x2, int margin)
{
    const int left = std::min(x1, x2) - margin;
    const int right = std::max(x1, x2) + margin;
    viewport()->update(QRect(left, 0, right - left + 1, viewport()->height()));
}

void GraphView::placeSelection(double anchorAt, double cursorAt)
{
    anchor = anchorAt;
    cursor = cursorAt;
}

void GraphView::setAnchorTime(double time)
{
    if (time == anchor)
        return;
    const int before = xOf(anchor);
    anchor = time;
    repaintStrip(before, xOf(time), SelectionRepaintMargin);
}

void GraphView::setCursorTime(double time)
{
    if (time == cursor)
        return;
    const int before = xOf(cursor);
    cursor = time;
    repaintStrip(before, xOf(time), SelectionRepaintMargin);
    refreshValuesFor(time);
}

void GraphView::refreshValuesFor(double time, int firstRow)
{
    listPane->refreshValues(time, scale(), *store, firstRow);
}

void GraphView::setHoverPosition(int x)
{
    const double time = store->nearestTime(store->all(), timeAt(x));
    if (time == hover)
        return;
    const int before = xOf(hover);
    hover = time;
    repaintStrip(before, xOf(time), HoverRepaintMargin);
    refreshValuesFor(time);
}

void GraphView::jump(JumpMode mode, bool extend)
{
    updateScrollRange();
    // With rows selected, only the bands they are in count.
    QVector<bool> counts;
    if (listPane->anyRowSelected()) {
        counts.resize(channels.size());
        for (int row = 0; row < channels.size(); ++row)
            counts[row] = listPane->isBandSelected(row);
    }
    const std::optional<double> found =
        jumpTime(*store, channels, counts, mode, cursor, listPane->showsExactlySignalsOf(*store));
    if (!found)
        return;
    const double result = *found;
    if (!extend)
        setAnchorTime(result);
    setCursorTime(result);
    ensureTimeVisible(result);
}

void GraphView::ensureTimeVisible(double time)
{
    const int w = viewport()->width();
    int left = ComfortMargin;
    int right = w - ComfortMargin;
    if (!(left < right))
        left = right = w / 2;
    const double shown = ruler->axis().offsetShowing(time, left, right);
    if (shown != offset())
        setOffset(shown);
}

void GraphView::showSelection()
{
    ensureTimeVisible(anchor);
    ensureTimeVisible(cursor);
}

void GraphView::zoomToFit()
{
    const double first = store->firstTime(store->all());
    const double last = store->lastTime(store->all());
    const TimeAxis fit = TimeAxis::fitted(first, last, MinimumFitSpan, last, MinimumFitEnd, viewport()->width());
    setScale(fit.scale);
    setOffset(fit.offset);
}

void GraphView::setContextMenu(QMenu *menu)
{
    if (menuConnection)
        disconnect(menuConnection);
    contextMenu = menu;
    if (menu) {
        menuConnection = connect(menu, &QMenu::aboutToHide, this, [this]() {
            hoverActive = false;
            viewport()->update();
        });
    }
}

QList<GraphView::Band> GraphView::visibleBands() const
{
    DataList *rows = listPane->valueList();
    QVector<int> order(rows->count());
    for (int visual = 0; visual < order.size(); ++visual)
        order[visual] = rows->logicalIndex(visual);
    QList<Band> bands;
    const int scroll = verticalScrollBar()->value();
    // From the band of the row at the top of the graph down to the first
    // band below it: the rows are in visual order, so none after is in sight.
    const int top = rows->visualIndexAt(scroll);
    int visual = top < 0 ? 0 : bandStartOf(channels, order, top);
    while (visual < order.size()) {
        const QVector<int> rowsOfBand = bandFrom(channels, order, visual);
        visual += rowsOfBand.size();
        Band band;
        const int first = rowsOfBand.first();
        band.rows = QList<int>(rowsOfBand.cbegin(), rowsOfBand.cend());
        if (rows->isSectionHidden(first))
            continue;
        band.top = rows->sectionViewportPosition(first) - scroll;
        if (band.top > viewport()->height())
            break;
        for (int row : band.rows)
            band.height += rows->sectionSize(row);
        if (band.top + band.height < 1)
            continue;
        bands << band;
    }
    return bands;
}

Envelope &GraphView::envelopeFor(const QString &name, int channel)
{
    return envelopes[name][channel];
}

BandScale GraphView::paintBand(QPainter &painter, const Band &band)
{
    DataList *rows = listPane->valueList();
    const int width = viewport()->width();
    const int bottom = band.top + band.height - 1;
    bool selected = false;
    for (int row : band.rows)
        selected = selected || rows->isRowSelected(row);
    if (selected) {
        QLinearGradient gradient(0, band.top, 0, bottom);
        gradient.setColorAt(0, SelectedBandTop);
        gradient.setColorAt(1, SelectedBandBottom);
        painter.fillRect(QRect(0, band.top, width, band.height), gradient);
    }

    double lo = 0;
    double hi = 0;
    bool first = true;
    for (int row : band.rows) {
        const SignalSeries &series = store->series(channels[row].signal);
        const int channel = channels[row].channel;
        const ChannelRange range = channel < series.ranges.size() ? series.ranges[channel] : ChannelRange();
        lo = first ? range.min : std::min(lo, range.min);
        hi = first ? range.max : std::max(hi, range.max);
        first = false;
    }
    const BandScale scaleOfBand = scaleToData ? BandScale::toData(lo, hi, band.top, band.height)
                                              : BandScale::make(lo, hi, band.top, band.height);
    const int style = channels[band.rows.first()].style;
    for (int row : band.rows) {
        if (drawsZeroLine(scaleOfBand, band)) {
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setPen(QPen(SeparatorColor, 1, Qt::DotLine));
            painter.drawLine(0, scaleOfBand.yZero, width, scaleOfBand.yZero);
        }
        const QString &name = channels[row].signal;
        Curve curve;
        curve.store = store;
        curve.series = &store->series(name);
        curve.channel = channels[row].channel;
        curve.style = style;
        curve.color = channels[row].colour;
        curve.band = scaleOfBand;
        curve.axis = ruler->axis();
        curve.width = width;
        prepareCurvePainter(painter, curve.color);
        drawCurve(painter, curve, envelopeFor(name, curve.channel));
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
    return scaleOfBand;
}

bool GraphView::drawsZeroLine(const BandScale &scale, const Band &band)
{
    return std::abs(scale.yZero - (band.top + band.height / 2)) < band.height / 4;
}

int GraphView::newestX(const Band &band) const
{
    int newest = -TimeAxis::FarthestPixel;
    for (int row : band.rows) {
        const SignalSeries &series = store->series(channels[row].signal);
        if (!series.isEmpty())
            newest = std::max(newest, xOf(store->lastTime(series)));
    }
    return newest;
}

// The labels stand at the left edge, unless the curves end there: then at
// the right one, so that they never hide the newest values.
void GraphView::paintValueScales(QPainter &painter, const QList<Band> &bands, const QVector<BandScale> &scales)
{
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * ScaleFontPart);
    painter.setFont(small);
    const QFontMetrics metrics(small);
    const int textHeight = metrics.height();
    for (int i = 0; i < bands.size(); ++i) {
        const Band &band = bands.at(i);
        const BandScale &scale = scales.at(i);
        if (band.height < 2 * textHeight + 2)
            continue;
        const ChannelState &first = channels[band.rows.first()];
        const QStringList names = first.enumNames.toStringList();
        QVector<QPair<QString, int>> labels{
            {DataList::formatValue(scale.hi, first.format, names), band.top + 1},
            {DataList::formatValue(scale.lo, first.format, names), band.top + band.height - 1 - textHeight}};
        const int zeroTop = scale.yZero - textHeight / 2;
        if (drawsZeroLine(scale, band) && zeroTop > labels[0].second + textHeight
            && zeroTop + textHeight < labels[1].second)
            labels.append({DataList::formatValue(0.0, first.format, names), zeroTop});
        int width = 0;
        for (const auto &label : qAsConst(labels))
            width = std::max(width, metrics.horizontalAdvance(label.first) + 2 * ScalePadding);
        int x = ScaleInset;
        const int newest = newestX(band);
        if (newest >= 0 && newest < x + width + ScalePadding)
            x = viewport()->width() - width - ScaleInset;
        for (const auto &label : qAsConst(labels)) {
            const QRect box(x, label.second, width, textHeight);
            painter.fillRect(box, ScaleBackground);
            painter.setPen(ScaleText);
            painter.drawText(box.adjusted(ScalePadding, 0, -ScalePadding, 0), Qt::AlignLeft | Qt::AlignVCenter, label.first);
        }
    }
}

void GraphView::setScaleToData(bool toData)
{
    scaleToData = toData;
    viewport()->update();
}

void GraphView::setValueScalesShown(bool shown)
{
    valueScales = shown;
    viewport()->update();
}

void GraphView::paintTriggers(QPainter &painter)
{
    for (int row = 0; row < channels.size(); ++row) {
        const int mode = channels[row].triggerMode;
        if (mode == 0)
            continue;
        const QString &name = channels[row].signal;
        const int channel = channels[row].channel;
        const double level = channels[row].triggerLevel;
        const SignalSeries &series = store->series(name);
        // The runs change only with the data and the trigger setting.
        TriggerCache &cache = triggerCaches[name][channel];
        if (cache.revision != store->revision() || cache.records != series.size()
            || cache.mode != mode || !(cache.level == level)) {
            cache.runs = findTriggerRuns(*store, series, channel, TriggerMode(mode), level);
            cache.revision = store->revision();
            cache.records = series.size();
            cache.mode = mode;
            cache.level = level;
        }
        drawTriggerRuns(painter, cache.runs, channels[row].colour,
                        ruler->axis(), viewport()->width(), viewport()->height());
    }
}

// A fit or a follow asked for since the last paint is applied just before
// the next one, with the viewport's size as it is then; painting itself
// changes nothing.
bool GraphView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Paint)
        applyPendingView();
    return QAbstractScrollArea::viewportEvent(event);
}

void GraphView::applyPendingView()
{
    if (fitPending) {
        fitPending = false;
        const TimeAxis fit = TimeAxis::fitted(anchor, cursor, MinimumFitSpan, store->lastTime(store->all()),
                                              MinimumFitEnd, viewport()->width());
        setScale(fit.scale);
        setOffset(fit.offset);
    }
    if (followEnd) {
        anchor = cursor = std::isnan(followTime) ? store->lastTime(store->all()) : followTime;
        followEnd = false;
        followTime = std::numeric_limits<double>::quiet_NaN();
    }
    showLiveEnd();
}

// Records arrive between the moves live input makes; a paint without this
// would show them running past the right edge.
void GraphView::showLiveEnd()
{
    if (!std::isfinite(liveEnd))
        return;
    // The values shown are the newest as well.
    setAnchorTime(liveEnd);
    setCursorTime(liveEnd);
    updateScrollRange();
    const TimeAxis shown = ruler->axis().following(liveEnd, followSpan, viewport()->width(), ComfortMargin);
    if (shown.scale != scale())
        setScale(shown.scale);
    setOffset(shown.offset);
}

void GraphView::followLiveEnd(double time)
{
    followEnd = true;
    followTime = time;
    liveEnd = time;
    showLiveEnd();
}

void GraphView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    painter.setClipRect(event->rect());
    painter.fillRect(event->rect(), Background);
    painter.setRenderHint(QPainter::Antialiasing, true);

    const QList<Band> bands = visibleBands();
    QVector<BandScale> scales;
    scales.reserve(bands.size());
    for (const Band &band : bands)
        scales.append(paintBand(painter, band));
    painter.setRenderHint(QPainter::Antialiasing, false);
    paintTriggers(painter);
    paintSeparators(painter, bands);
    if (valueScales)
        paintValueScales(painter, bands, scales);
    paintSelection(painter);
}

void GraphView::paintSeparators(QPainter &painter, const QList<Band> &bands)
{
    DataList *rows = listPane->valueList();
    const int width = viewport()->width();
    painter.setPen(QPen(SeparatorColor, 1));
    for (const Band &band : bands) {
        for (int row : band.rows) {
            if (rows->isSectionHidden(row))
                continue;
            const int y = rows->sectionViewportPosition(row) - verticalScrollBar()->value() + band.height - 1;
            painter.drawLine(0, y, width, y);
        }
    }
}

void GraphView::paintSelection(QPainter &painter)
{
    const int height = viewport()->height();
    const int anchorX = xOf(anchor);
    const int cursorX = xOf(cursor);
    painter.setPen(QPen(Qt::black, SelectionLineWidth));
    painter.drawLine(anchorX, 0, anchorX, height);
    painter.drawLine(cursorX, 0, cursorX, height);
    painter.fillRect(QRect(QPoint(anchorX, 0), QPoint(cursorX - 1, height - 1)), SelectionFill);

    if (hoverActive && !dragging) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        const int hoverX = xOf(hover);
        painter.drawLine(hoverX, 0, hoverX, height);
    }
}

void GraphView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    relayout();
    emit viewportResized();
}

void GraphView::wheelEvent(QWheelEvent *event)
{
    const int x = int(event->position().x());
    const TimeAxis zoomed = ruler->axis().zoomedAbout(x, event->angleDelta().y() < 1 ? 1 / WheelFactor : WheelFactor);
    setScale(zoomed.scale);
    setOffset(zoomed.offset);
    event->accept();
    emit movedByUser(false);
}

void GraphView::moveDrag(double x)
{
    const double time = store->nearestTime(store->all(), timeAt(qRound(x)));
    if (dragAnchor)
        setAnchorTime(time);
    if (dragCursor)
        setCursorTime(time);
}

void GraphView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || dragging)
        return;
    setFocus(Qt::OtherFocusReason);
    emit movedByUser(false);
    const int x = qRound(event->localPos().x());
    dragAnchor = std::abs(ruler->axis().exactX(anchor) - x) < SelectionGrab;
    dragCursor = std::abs(ruler->axis().exactX(cursor) - x) < SelectionGrab;
    if (!dragAnchor && !dragCursor) {
        const double time = store->nearestTime(store->all(), timeAt(x));
        if (!(event->modifiers() & Qt::ShiftModifier))
            setAnchorTime(time);
        setCursorTime(time);
        dragAnchor = false;
        dragCursor = true;
    }
    dragging = true;
    moveDrag(event->localPos().x());
    setHoverPosition(x);
    viewport()->setCursor(splitCursor);
}

void GraphView::mouseMoveEvent(QMouseEvent *event)
{
    if (dragging) {
        moveDrag(event->localPos().x());
        return;
    }
    const int x = int(event->localPos().x());
    setHoverPosition(x);
    const bool near = std::abs(ruler->axis().exactX(anchor) - event->localPos().x()) < SelectionGrab
                      || std::abs(ruler->axis().exactX(cursor) - event->localPos().x()) < SelectionGrab;
    viewport()->setCursor(near ? splitCursor : crossCursor);
}

void GraphView::mouseReleaseEvent(QMouseEvent *event)
{
    if (dragging) {
        setHoverPosition(int(event->localPos().x()));
        emit selectionDragged();
    }
    dragging = false;
}

void GraphView::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    if (event->key() == Qt::Key_Escape) {
        listPane->clearSelection();
        return;
    }
    static const QHash<int, JumpMode> jumps{{Qt::Key_Home, JumpMode::Start},
                                            {Qt::Key_End, JumpMode::End},
                                            {Qt::Key_Left, JumpMode::PreviousSample},
                                            {Qt::Key_Right, JumpMode::NextSample}};
    const auto found = jumps.constFind(event->key());
    if (found == jumps.constEnd())
        return;
    jump(*found, event->modifiers() & Qt::ShiftModifier);
    emit movedByUser(*found == JumpMode::End);
}

void GraphView::enterEvent(QEvent *)
{
    hoverActive = true;
    setHoverPosition(viewport()->mapFromGlobal(QCursor::pos()).x());
    viewport()->update();
}

void GraphView::leaveEvent(QEvent *)
{
    if (menuShowing) {
        menuShowing = false;
        return;
    }
    hoverActive = false;
    viewport()->update();
}

void GraphView::contextMenuEvent(QContextMenuEvent *event)
{
    if (!contextMenu || contextMenu->actions().isEmpty())
        return;
    menuShowing = true;
    contextMenu->exec(event->globalPos());
}
