#pragma once

#include "channeltable.h"
#include "editcontroller.h"
#include "liveanchor.h"
#include "sensorcommands.h"
#include "sensorview.h"
#include "signaltext.h"

#include <QElapsedTimer>

#include <memory>

class ChannelRows;
class GraphView;
class QSplitter;
class SignalData;
class SignalList;

// The sensor view: the list pane and the graph side by side over one store
// of records, which the view owns.
class SensorViewX : public SensorView
{
public:
    explicit SensorViewX(SignalData *store);
    ~SensorViewX() override;

    // The parts, made by the view and fixed for its lifetime.
    SignalList *signalList() const { return listPane; }
    GraphView *graph() const { return graphPane; }
    QSplitter *splitter() const { return paneSplitter; }
    SignalData *signalData() const { return ownStore.get(); }

    bool loadFile(const QString &fileName, int mode) override;
    bool saveFile(const QString &fileName, int mode) override;
    bool saveFileWith(const QString &fileName, int mode, char separator);
    void appendText(const QString &text) override;
    void removeSignal(const QString &name) override;
    void execute(int command) override;
    bool isEnabled(int command) const override;
    bool isChecked(int command) const override;
    void setContextMenu(QMenu *menu) override;
    void setChannelStyle(const QString &name, int channel, int style) override;
    void setChannelFormat(const QString &name, int channel, int format) override;
    int signalCount() const override;
    QString signalKey(int index) const override;
    QString signalLabel(int index) const override;
    void moveSignal(const QString &name, int position) override;
    void showSignal(const QString &name) override;
    void hideSignal(const QString &name) override;
    void mergeSignal(const QString &name) override;
    void unmergeSignal(const QString &name) override;
    void setSignalLabel(const QString &name, const QString &label) override;
    void showChannels(const QString &name, int first, int count) override;
    void hideChannels(const QString &name, int first, int count) override;
    void mergeChannels(const QString &name, int first, int count) override;
    void unmergeChannels(const QString &name, int first, int count) override;
    void setChannelLabel(const QString &name, int channel, const QString &label) override;
    void setChannelColor(const QString &name, int channel, const QColor &color) override;
    void setChannelTrigger(const QString &name, int channel, int mode, double level) override;
    void setChannelNames(const QString &name, int channel, const QVariant &names) override;
    double selectionStart() const override;
    double selectionEnd() const override;
    bool isSignalSelected(const QString &name) const override;
    double valueAt(const QString &name, int channel, double time) const override;
    const SensorViewReport &fileReport() const { return report; }
    bool replaceWithFile(const QString &fileName);
    void setLiveWindowSeconds(double seconds);
    void setMemoryBudget(qint64 bytes);
    qint64 memoryBudgetBytes() const { return memoryBudget; }
    qint64 recordsDroppedForMemory() const { return droppedForMemory; }
    double liveWindowSeconds() const { return liveWindowMs / 1000.0; }
    bool isFollowing() const { return following; }
    const ParseCount &liveInputCount() const { return liveCount; }
    // Forgets where live input stood and what it brought (Clear does).
    void forgetLiveInput();
    // Live input stops or starts moving the view to the newest records.
    void setFollowing(bool follow);
    void zoomToFit();
    // The rows share the graph's height as they come, on loads and as the
    // view is resized, until the user sizes one by hand.
    void setRowsFillHeight(bool fill);
    // The rows in sight share the graph's height now.
    void fitRowsToHeight();
    SensorView *clone(int mode) const override;
    void addObserver(SensorViewObserver *observer) override;
    void removeObserver(SensorViewObserver *observer) override;

    void notifyObservers();

private:
    // The channel rows' display state, which the lists show, the graph
    // draws and the commands change.
    ChannelTable channels;
    SignalList *listPane = nullptr;
    GraphView *graphPane = nullptr;
    QSplitter *paneSplitter = nullptr;
    std::unique_ptr<SignalData> ownStore;
    std::unique_ptr<ChannelRows> channelRows;
    std::unique_ptr<EditController> edits;
    CommandTarget commandTarget;
    // Once the user has sized the columns, they stay as the user left them
    // (until Reset Columns or the next file).
    bool columnsSizedByUser = false;
    bool rowsFillHeight = false;
    // Whether the rows still share the height, as no row was sized by hand.
    bool rowsFitted = false;
    bool adjustingColumns = false;
    QList<SensorViewObserver *> observers;
    // Since live input last moved the view; a monotonic clock, which no
    // midnight or clock change sets back.
    QElapsedTimer sinceRefresh;
    // What the last file operation read or met, for the host.
    SensorViewReport report;
    bool following = true;
    double liveWindowMs = 0.0;
    // Live input past it drops its oldest records; 0 sets no bound.
    qint64 memoryBudget = 0;
    qint64 droppedForMemory = 0;
    // The record count at which the budget is looked at next.
    int nextBudgetCheck = 0;
    LiveAnchor liveAnchor;
    ParseCount liveCount;

    bool readFile(const QString &fileName, SignalData &store);
    void showLoaded(const SignalData &loaded);
    void resetColumns();
    void dropOutsideLiveWindow(double slackMs);
    void keepWithinMemoryBudget();
    void showDropped();
    void growColumnsToFit();
    void syncRows();
    void rowsChanged();
    // Runs an edit where the user stands, shows where it leaves them, and
    // brings the parts in step with what it changed.
    void edit(const CommandTarget::Edit &change);
    // Brings the parts in step with what an edit changed, and tells the
    // observers, once.
    void apply(const EditEffect &effect);
    void clearAll();
    bool hasRecords() const;
    bool hasSelection() const;
    // Changes the rows of a signal's channel (any channel for -1), then
    // shows the change.
    template<typename Change>
    void changeRows(const QString &name, int channel, Change change);
    void forChannelRange(const QString &name, int first, qint64 count, bool hide);
    void setMergedRange(const QString &name, qint64 first, qint64 last, bool merged);
};
