#pragma once

#include "recordlimits.h"

#include <QString>
#include <QVariant>
#include <QWidget>

class QColor;
class QMenu;
class SensorView;

// What a host implements to hear of changes in a view: selections, edits,
// undo and redo, and display commands.
class SensorViewObserver
{
public:
    virtual ~SensorViewObserver() = default;
    virtual void viewChanged(SensorView *view) = 0;
};

// The view's commands, for execute(), isEnabled() and isChecked().
enum SensorCommand : int {
    GoToStart = 0,
    GoToEnd = 1,
    NextSample = 2,
    PreviousSample = 3,
    ShowSelection = 4,
    ZoomToSelection = 5,
    ResetColumns = 6,
    Undo = 7,
    Redo = 8,
    Cut = 9,
    Copy = 10,
    Paste = 11,
    Delete = 12,
    Crop = 13,
    ShiftToZero = 14,
    SelectAll = 15,
    SelectNone = 16,
    Clear = 17,
    ClearHistory = 18,
    FormatDecimal = 19,
    FormatHex = 20,
    StyleLinear = 21,
    StyleSteps = 22,
    StyleBlocks = 23,
    StyleEvents = 24,
    HideRows = 25,
    DistributeRows = 26,
    MergeRows = 27,
    SplitRows = 28,
    EditLayout = 29,
};

// The sensor signal view: stacked graphs of timestamped samples under a time
// ruler, with a list of signals and channels showing the values at the
// cursor, a time selection, editing with undo, and text import and export.
// Times taken and returned here are in seconds. The widget's
// windowModified property tells whether the data was edited.
class SensorView : public QWidget
{
public:
    explicit SensorView(QWidget *parent = nullptr)
        : QWidget(parent)
    {
    }
    ~SensorView() override = default;

    using QWidget::isEnabled;

    // Mode 1 inserts the file at the cursor; other modes add it to the data.
    virtual bool loadFile(const QString &fileName, int mode) = 0;
    // Mode 0 writes everything, mode 1 the selection (everything when empty).
    virtual bool saveFile(const QString &fileName, int mode) = 0;
    // Live input: records as text lines; the view refreshes at most every
    // 100 ms. Call it from the GUI thread.
    virtual void appendText(const QString &text) = 0;
    virtual void removeSignal(const QString &name) = 0;
    virtual void execute(int command) = 0;
    virtual bool isEnabled(int command) const = 0;
    virtual bool isChecked(int command) const = 0;
    virtual void setContextMenu(QMenu *menu) = 0;
    virtual void setChannelStyle(const QString &name, int channel, int style) = 0;
    virtual void setChannelFormat(const QString &name, int channel, int format) = 0;
    virtual int signalCount() const = 0;
    virtual QString signalKey(int index) const = 0;
    virtual QString signalLabel(int index) const = 0;
    virtual void moveSignal(const QString &name, int position) = 0;
    virtual void showSignal(const QString &name) = 0;
    virtual void hideSignal(const QString &name) = 0;
    virtual void mergeSignal(const QString &name) = 0;
    virtual void unmergeSignal(const QString &name) = 0;
    virtual void setSignalLabel(const QString &name, const QString &label) = 0;
    virtual void showChannels(const QString &name, int first, int count) = 0;
    virtual void hideChannels(const QString &name, int first, int count) = 0;
    virtual void mergeChannels(const QString &name, int first, int count) = 0;
    virtual void unmergeChannels(const QString &name, int first, int count) = 0;
    virtual void setChannelLabel(const QString &name, int channel, const QString &label) = 0;
    virtual void setChannelColor(const QString &name, int channel, const QColor &color) = 0;
    virtual void setChannelTrigger(const QString &name, int channel, int mode, double level) = 0;
    virtual void setChannelNames(const QString &name, int channel, const QVariant &names) = 0;
    virtual double selectionStart() const = 0;
    virtual double selectionEnd() const = 0;
    virtual bool isSignalSelected(const QString &name) const = 0;
    virtual double valueAt(const QString &name, int channel, double time) const = 0;
    // Mode 0 copies everything, mode 1 only the selected time range, other
    // modes the data, zoom and selection only. The caller owns the copy.
    virtual SensorView *clone(int mode) const = 0;
    virtual void addObserver(SensorViewObserver *observer) = 0;
    virtual void removeObserver(SensorViewObserver *observer) = 0;
};

// Creates an empty view without a parent; the caller owns it.
SensorView *createSensorView();

// What the last loadFile or saveFile of a view read or met, for a host's
// status line and messages.
struct SensorViewReport
{
    // Records read and lines that held none (blank lines and comments
    // aside), by the last successful load or insert; of those, the lines
    // with more values than a record may hold.
    qint64 records = 0;
    qint64 unreadableLines = 0;
    qint64 tooWideLines = 0;
    // The separator between the fields of the file last read: ";" when
    // every record line used it, else a tab.
    char separator = '\t';
    // The system's reason when the last load or save failed.
    QString error;
};
SensorViewReport lastFileReport(const SensorView *view);

// Loads a file in place of everything the view holds, as Clear followed by
// loadFile does, except that a file that cannot be read leaves the view,
// its data and its history as they were.
bool replaceWithFile(SensorView *view, const QString &fileName);

// With `fill`, the channel rows in sight share the graph's height: as a
// recording loads, as rows come and as the view is resized, until the
// user sizes a row by hand (whose height is then kept).
void setRowsFillHeight(SensorView *view, bool fill);
// The rows in sight share the graph's height now, whatever their sizes.
void fitRowsToHeight(SensorView *view);

// Each band scaled to its data's own range, with a little room, instead of
// a range that holds zero; off is the view's own rule.
void setScaleToData(SensorView *view, bool toData);
bool scalesToData(const SensorView *view);
// Each band's value scale (its top and bottom values, and zero where its
// line is drawn) written at the graph's edge, in the band's format.
void setValueScalesShown(SensorView *view, bool shown);
bool valueScalesShown(const SensorView *view);

// The whole recording across the graph, whatever the selection; the view
// stops following live input, as after any zoom of the user's.
void zoomToFit(SensorView *view);

// Saves as saveFile does, with `separator` (";" or a tab) between the
// fields, so that a file is written back as it was read.
bool saveFileWith(SensorView *view, const QString &fileName, int mode, char separator);

// Live input (appendText). The view follows the newest records until the
// user selects with the mouse, zooms or scrolls, and again after Go to End.
// With a live window of more than 0 s it keeps only the records within that
// many seconds of the newest, dropping older ones in batches and without an
// undo step; 0 keeps everything.
void setLiveWindow(SensorView *view, double seconds);

// What live input (appendText) brought since the view was made or cleared:
// the records read, and the lines that held none (blank lines and comments
// aside). A line whose time is not a finite number, or that holds a zero
// character, is one of those; so is one with more values than a record may
// hold, which are counted apart too.
struct LiveInputCount
{
    qint64 records = 0;
    qint64 unreadableLines = 0;
    qint64 tooWideLines = 0;
    // Records the memory budget dropped, oldest first.
    qint64 droppedForMemory = 0;
};
LiveInputCount liveInputCount(const SensorView *view);
double liveWindow(const SensorView *view);
// Live input beyond `bytes` of records drops the oldest, in batches and
// without an undo step; 0 sets no bound. Records that came from files are
// never dropped while no live input came.
void setLiveMemoryBudget(SensorView *view, qint64 bytes);
qint64 liveMemoryBudget(const SensorView *view);
bool followsLiveInput(const SensorView *view);

// What a view holds: its records and the bytes its store takes.
struct SensorViewHoldings
{
    qint64 records = 0;
    qint64 bytes = 0;
};
SensorViewHoldings holdings(const SensorView *view);
