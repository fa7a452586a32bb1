#pragma once

#include <limits>

#include "channeltable.h"
#include "curvepainter.h"
#include "envelope.h"

#include <QAbstractScrollArea>
#include <QCursor>
#include <QHash>
#include <QPointer>

#include <map>

class QMenu;
class SignalData;
class SignalList;
class Timeline;

// Where a jump moves the cursor: the earliest or latest sample of the
// (selected) rows, or their next or previous sample after the cursor. The
// numbers are those of the view's commands.

// The right pane of the sensor view: every visible channel row of the list
// pane drawn as a band over a common time axis, with the time selection
// (anchor and cursor), the hover line, zoom and scroll.
class GraphView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    // Draws the records of `store` in the bands of the channel table's
    // rows, placed as `list` shows them.
    GraphView(SignalList *list, SignalData *store, const ChannelTable &channels, QWidget *parent = nullptr);

    SignalList *signalList() const { return listPane; }
    Timeline *timeline() const { return ruler; }
    SignalData *signalData() const { return store; }

    double anchorTime() const { return anchor; }
    double cursorTime() const { return cursor; }
    // Places both ends of the selection as an edit leaves them, without
    // repainting or showing values: the edit does both when it is done.
    void placeSelection(double anchorAt, double cursorAt);
    // The next paint fits the whole data into the viewport.
    void setFitPending(bool pending) { fitPending = pending; }
    // Live input: paints keep the end of the data in sight.
    void setFollowEnd(bool follow) { followEnd = follow; }
    // Live input: selection and view go to `time`, where the stream stands,
    // now and at the next paint.
    void followLiveEnd(double time);
    // While the view follows live input, every paint keeps `time`, the
    // newest record, in sight; NaN when it does not follow.
    void setLiveEnd(double time) { liveEnd = time; }
    // The span followed live input shows across the viewport, in ms; 0
    // keeps the zoom the user chose.
    void setFollowSpan(double span) { followSpan = span; }
    // Shows the channels' values at `time` in the list pane.
    // The list's values at `time`, in the rows from `firstRow` on.
    void refreshValuesFor(double time, int firstRow = 0);

    static constexpr double InitialScale = 0.01;

    double scale() const;
    double offset() const;
    int xOf(double time) const;
    double timeAt(double x) const;

    void setScale(double scale);
    void setOffset(double offset);
    void relayout();
    void updateScrollRange();
    void setAnchorTime(double time);
    void setCursorTime(double time);
    void setHoverPosition(int x);
    // Mode 0 start, 1 end, 2 next sample, 3 previous sample; with `extend`
    // only the cursor moves.
    void jump(JumpMode mode, bool extend);
    void ensureTimeVisible(double time);
    void showSelection();
    // The whole recording across the viewport, whatever the selection.
    void zoomToFit();
    // Bands scaled to their data's own range instead of one that holds zero.
    void setScaleToData(bool toData);
    bool scalesToData() const { return scaleToData; }
    // Each band's value scale written at the graph's edge.
    void setValueScalesShown(bool shown);
    bool valueScalesShown() const { return valueScales; }
    void setContextMenu(QMenu *menu);

signals:
    // The viewport took a new size.
    void viewportResized();
    // The selection was dragged: the view tells its observers.
    void selectionDragged();
    // The user moved the view: with the mouse, the wheel, the scroll bar or
    // a key; `toEnd` when to the end of the data.
    void movedByUser(bool toEnd);

protected:
    bool viewportEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    const ChannelTable &channels;
    SignalList *listPane = nullptr;
    Timeline *ruler = nullptr;
    SignalData *store = nullptr;
    double anchor = 0.0;
    double cursor = 0.0;
    double hover = 0.0;
    bool dragging = false;
    bool dragAnchor = false;
    bool dragCursor = false;
    bool fitPending = false;
    bool followEnd = false;
    // Where following goes at the next paint; NaN: the last record.
    double followTime = std::numeric_limits<double>::quiet_NaN();
    bool hoverActive = false;
    bool menuShowing = false;
    bool scaleToData = false;
    bool valueScales = false;
    double liveEnd = std::numeric_limits<double>::quiet_NaN();
    double followSpan = 0.0;

    struct Band
    {
        QList<int> rows;
        int top = 0;
        int height = 0;
    };

    QList<Band> visibleBands() const;
    // Draws a band and returns the scale it drew with.
    BandScale paintBand(QPainter &painter, const Band &band);
    void paintValueScales(QPainter &painter, const QList<Band> &bands, const QVector<BandScale> &scales);
    // Whether a band draws its zero line: only where zero lies near its middle.
    static bool drawsZeroLine(const BandScale &scale, const Band &band);
    // Where the band's newest record is drawn.
    int newestX(const Band &band) const;
    void paintTriggers(QPainter &painter);
    void paintSeparators(QPainter &painter, const QList<Band> &bands);
    void paintSelection(QPainter &painter);
    void applyPendingView();
    void showLiveEnd();
    void repaintStrip(int x1, int x2, int margin);
    void moveDrag(double x);
    Envelope &envelopeFor(const QString &name, int channel);

    QCursor crossCursor{Qt::CrossCursor};
    QCursor splitCursor{Qt::SplitHCursor};
    QPointer<QMenu> contextMenu;
    QMetaObject::Connection menuConnection;
    QHash<QString, std::map<int, Envelope>> envelopes;
    struct TriggerCache
    {
        quint64 revision = 0;
        int records = -1;
        int mode = 0;
        double level = 0.0;
        std::vector<TriggerRun> runs;
    };
    QHash<QString, std::map<int, TriggerCache>> triggerCaches;
};
