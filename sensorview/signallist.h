#pragma once

#include <QAbstractScrollArea>
#include <QSet>
#include <QStandardItemModel>

class AutoSizeHeaderView;
class QHeaderView;
class DataList;
class SectionList;
class QMenu;
class SensorAction;
class SensorView;
class SignalData;

// The left pane of the sensor view: the signals, their channel rows with
// labels and colour swatches, and the channels' values at the cursor. Every
// per-channel display property the graph uses lives in the rows here.
class SignalList : public QAbstractScrollArea
{
    Q_OBJECT

public:
    // `owner` is the view whose commands the menu actions run.
    explicit SignalList(SensorView *owner, QWidget *parent = nullptr);

    // The list's parts, made by the list and fixed for its lifetime.
    AutoSizeHeaderView *header() const { return headerView; }
    SectionList *sectionList() const { return sectionPane; }
    DataList *labelList() const { return labelPane; }
    DataList *valueList() const { return valuePane; }

    // Adds rows for the signals the store has and the list does not yet
    // show; true when it added any (their values are not shown yet).
    bool syncWithData(const SignalData &store);
    void clearRows();
    void refreshValues(double time, double scale, const SignalData &store);
    void setRowHeight(int row, double height);
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

signals:
    // The row selection changed (the graph repaints, observers hear of it).
    void selectionChanged();
    // Rows moved (the graph repaints).
    void rowsMoved();
    // New rows or values are on show: the columns may need more room.
    void contentsShown();
    // Rows were shown, hidden or restyled from the menu.
    void displayChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    AutoSizeHeaderView *headerView = nullptr;
    SectionList *sectionPane = nullptr;
    DataList *labelPane = nullptr;
    DataList *valuePane = nullptr;
    // The visual indexes of `list`'s rows in sight.
    QPair<int, int> rowsInSight(const QHeaderView *list) const;
    int textWidth(const QHeaderView *list, const QString &text) const;
    template<typename TextOf>
    int widestInSight(const QHeaderView *list, TextOf textOf) const;
    void rowResized(int row, int oldSize, int newSize);
    void signalSectionResized(int section, int oldSize, int newSize);
    void signalSectionMoved(int section, int oldVisual, int newVisual);
    void mirrorSelection(DataList *from);
    void updateSectionSelection();
    void rowClicked(DataList *list, int row, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void signalClicked(int section, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

    void buildMenu();
    void addSignalEntries(QMenu *target);
    void addChannelEntries(QMenu *target);
    void addVisibilityAction(QMenu *target, const QString &text, const QList<int> &rows, bool visible);
    QAction *commandAction(int command);

    SensorView *owner = nullptr;
    QSet<QString> shownNames;
    // Set while the list sizes rows itself, so that it does not take that
    // for the user's resizing.
    bool fitting = false;
    QStandardItemModel headerModel;
    bool mirroring = false;
    QMenu *menu = nullptr;
    QList<SensorAction *> commandActions;
    QList<QAction *> perOpeningActions;
};
