#pragma once

#include <QAbstractScrollArea>
#include <QSet>
#include <QStandardItemModel>

class AutoSizeHeaderView;
class ChannelTable;
class QHeaderView;
class DataList;
class SectionList;
class QMenu;
class SensorAction;
class SignalData;
struct SignalSeries;

// The left pane of the sensor view: the signals, their channel rows with
// labels and colour swatches, and the channels' values at the cursor. Every
// per-channel display property the graph uses lives in the rows here.
class SignalList : public QAbstractScrollArea
{
    Q_OBJECT

public:
    // `channels` is the view's table of channel rows, which the list shows
    // and keeps in step with the signals that come and go.
    explicit SignalList(ChannelTable &channels, QWidget *parent = nullptr);

    const ChannelTable &channelTable() const { return channels; }
    // Shows what changed in the table's rows `first` to `last` (all rows
    // when `last` is -1).
    void showChannelChanges(int first = 0, int last = -1);
    // Hides or shows a row in both lists.
    void setRowHidden(int row, bool hidden);

    // The list's parts, made by the list and fixed for its lifetime.
    AutoSizeHeaderView *header() const { return headerView; }
    SectionList *sectionList() const { return sectionPane; }
    DataList *labelList() const { return labelPane; }
    DataList *valueList() const { return valuePane; }

    // Adds rows for the signals the store has and the list does not yet
    // show; the first row it added (their values are not shown yet), or -1
    // when it added none.
    int syncWithData(const SignalData &store);
    void clearRows();
    // Whether the rows are those of the store's signals and no others, as
    // the last sync with it left them (and every signal of a store holds a
    // record).
    bool showsExactlySignalsOf(const SignalData &store) const;
    // Shows the values at `time` in the rows from `firstRow` on.
    void refreshValues(double time, double scale, const SignalData &store, int firstRow = 0);
    void setRowHeight(int row, double height);
    // The rows in sight share `total` pixels (see sharedHeights).
    void shareHeight(int total);
    void fitSignalSections();
    void relayout();
    // The widths the name and value columns need to show the texts of the
    // rows now in sight whole.
    int neededNameWidth() const;
    int neededValueWidth() const;

    // The channel rows of a signal, by logical index.
    QList<int> rowsOf(const QString &name) const;
    // Whether any row of the band starting at `row` is selected.
    bool isBandSelected(int row) const;
    bool anyRowSelected() const;
    void clearSelection();
    void selectRows(const QList<int> &rows, bool selected);
    // Removes the signal's rows and section, and forgets that it had them,
    // so that data arriving later under its name gets rows again.
    void removeSignalRows(const QString &name);
    void copyLayoutFrom(const SignalList &other);
    // The commands the context menu offers; without them it shows none.
    void setMenuCommands(const QList<SensorAction *> &commands);

signals:
    // The row selection changed (the graph repaints, observers hear of it).
    void selectionChanged();
    // Rows moved (the graph repaints).
    void rowsMoved();
    // New rows or values are on show: the columns may need more room.
    void contentsShown();
    // Rows were shown, hidden or restyled from the menu.
    void displayChanged();
    // The user sized a row or a signal by hand.
    void rowsSizedByHand();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    ChannelTable &channels;
    AutoSizeHeaderView *headerView = nullptr;
    SectionList *sectionPane = nullptr;
    DataList *labelPane = nullptr;
    DataList *valuePane = nullptr;
    // The visual indexes of `list`'s rows in sight.
    QPair<int, int> rowsInSight(const QHeaderView *list) const;
    int textWidth(const QHeaderView *list, const QString &text) const;
    template<typename TextOf>
    int widestInSight(const QHeaderView *list, TextOf textOf) const;
    void fitNewSections(int firstSection, int firstRow);
    // Where each value row's series and channel are, kept while the store
    // keeps its series where they are (a look-up by name for every row on
    // every cursor move is most of what showing the values costs).
    struct RowSource
    {
        const SignalSeries *series = nullptr; // none: look it up by name
        int channel = 0;
    };
    const QVector<RowSource> &rowSources(const SignalData &store);
    // The next sync looks at every record again.
    void forgetSync();
    void rowResized(int row, int oldSize, int newSize);
    void signalSectionResized(int section, int oldSize, int newSize);
    void signalSectionMoved(int section, int oldVisual, int newVisual);
    void mirrorSelection(DataList *from);
    void updateSectionSelection();
    void rowClicked(DataList *list, int row, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void signalClicked(int section, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

    void addSignalEntries(QMenu *target);
    void addChannelEntries(QMenu *target);
    void addVisibilityAction(QMenu *target, const QString &text, const QList<int> &rows, bool visible);
    QAction *commandAction(int command);

    QSet<QString> shownNames;
    // What the store held at the last sync: while its revision stays, new
    // records and names only came at the end.
    quint64 syncedRevision = 0;
    int syncedRecords = 0;
    int syncedNames = -1;
    QVector<RowSource> sources;
    const SignalData *sourcesStore = nullptr;
    quint64 sourcesPlacement = 0;
    // Set while the list sizes rows itself, so that it does not take that
    // for the user's resizing.
    bool fitting = false;
    QStandardItemModel headerModel;
    bool mirroring = false;
    QMenu *menu = nullptr;
    QList<SensorAction *> commandActions;
    QList<QAction *> perOpeningActions;
};
