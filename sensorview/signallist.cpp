#include "signallist.h"

#include "autosizeheaderview.h"
#include "datalist.h"
#include "sectionlist.h"
#include "signaldata.h"
#include "timeline.h"

#include "sensoraction.h"
#include "sensorview.h"

#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>

#include <cmath>

namespace {
const QString SignalTitle = QStringLiteral("Signal");
const QString InitialTimeLabel = QStringLiteral("0 ms");
}

SignalList::SignalList(SensorView *owner, QWidget *parent)
    : QAbstractScrollArea(parent)
    , owner(owner)
{
    headerModel.setRowCount(1);
    headerModel.setColumnCount(2);
    headerModel.setHeaderData(0, Qt::Horizontal, SignalTitle, Qt::EditRole);
    headerModel.setHeaderData(0, Qt::Horizontal, int(Qt::AlignTop), Qt::TextAlignmentRole);
    headerModel.setHeaderData(1, Qt::Horizontal, InitialTimeLabel, Qt::EditRole);
    headerModel.setHeaderData(1, Qt::Horizontal, int(Qt::AlignRight), Qt::TextAlignmentRole);

    header = new AutoSizeHeaderView(this);
    header->setModel(&headerModel);
    header->setSectionsClickable(false);
    header->setSectionResizeMode(0, QHeaderView::Interactive);
    header->setSectionResizeMode(1, QHeaderView::Stretch);

    sectionList = new SectionList(viewport());
    labelList = new DataList(false, viewport());
    valueList = new DataList(true, viewport());
    // A column made narrower than its text shows that something is left
    // out, rather than a cut number that reads as another one.
    for (QHeaderView *list : {static_cast<QHeaderView *>(sectionList), static_cast<QHeaderView *>(labelList),
                              static_cast<QHeaderView *>(valueList)})
        list->setTextElideMode(Qt::ElideRight);

    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::ClickFocus);
    viewport()->setBackgroundRole(QPalette::Base);

    connect(header, &QHeaderView::sectionResized, this, [this]() { relayout(); });
    for (DataList *list : {labelList, valueList}) {
        connect(list, &QHeaderView::sectionResized, this, &SignalList::rowResized);
        connect(list->rowSelection(), &QItemSelectionModel::selectionChanged, this,
                [this, list]() { mirrorSelection(list); });
        connect(list, &DataList::rowClicked, this,
                [this, list](int row, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
                    rowClicked(list, row, button, modifiers);
                });
        connect(list, &QHeaderView::sectionMoved, this, &SignalList::rowsMoved);
    }
    connect(sectionList, &QHeaderView::sectionResized, this, &SignalList::signalSectionResized);
    connect(sectionList, &QHeaderView::sectionMoved, this, &SignalList::signalSectionMoved);
    connect(sectionList, &SectionList::sectionClickedWith, this, &SignalList::signalClicked);
}

bool SignalList::syncWithData(const SignalData &store)
{
    const int unseen = store.signalNames.size() - shownNames.size();
    if (unseen <= 0)
        return false;
    // New signals get rows in the order their first records stand in time,
    // each as many as that record has values. All are added in one go and
    // fitted once: per signal, both would cost a pass over every row.
    QVector<QPair<QString, int>> added;
    for (quint32 id : store.all.records) {
        const QString &name = store.name(id);
        if (shownNames.contains(name))
            continue;
        shownNames.insert(name);
        added.append({name, std::max(store.valueCount(id), 1)});
        if (added.size() == unseen)
            break;
    }
    labelList->appendRows(added);
    valueList->appendRows(added);
    sectionList->appendSections(added);
    if (!fitting)
        fitSignalSections();
    emit contentsShown();
    return true;
}

void SignalList::clearRows()
{
    labelList->clearRows();
    valueList->clearRows();
    sectionList->clearSections();
    shownNames.clear();
    relayout();
}

void SignalList::refreshValues(double time, double scale, const SignalData &store)
{
    const QString label = scale < Timeline::SecondsBelowScale
                              ? QString::number(std::trunc(time / 100) / 10, 'f', 1) + QStringLiteral(" s")
                              : QStringLiteral("%1 ms").arg(qint64(time));
    headerModel.setHeaderData(1, Qt::Horizontal, label, Qt::EditRole);
    const int needed = header->fontMetrics().horizontalAdvance(label)
                       + 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    if (needed > header->sectionSize(1))
        header->resizeSection(0, header->sectionSize(0) - (needed - header->sectionSize(1)));

    QVector<double> values(valueList->rowCount());
    QString lastName;
    const SignalSeries *series = nullptr;
    for (int row = 0; row < values.size(); ++row) {
        const QString name = valueList->rowData(row, DataList::SignalNameRole).toString();
        if (!series || name != lastName) {
            series = &store.series(name);
            lastName = name;
        }
        const int channel = valueList->rowData(row, DataList::ChannelIndexRole).toInt();
        values[row] = store.valueAt(*series, time, channel);
    }
    valueList->setValues(values);
    emit contentsShown();
}

QPair<int, int> SignalList::rowsInSight(const QHeaderView *list) const
{
    const int top = verticalScrollBar()->value();
    const int first = list->visualIndexAt(top);
    int last = list->visualIndexAt(top + viewport()->height());
    if (last < 0)
        last = list->count() - 1;
    return {std::max(first, 0), last};
}

int SignalList::textWidth(const QHeaderView *list, const QString &text) const
{
    // The header's margins on both sides, and a little air.
    constexpr int Air = 6;
    return list->fontMetrics().horizontalAdvance(text)
           + 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, list) + Air;
}

template<typename TextOf>
int SignalList::widestInSight(const QHeaderView *list, TextOf textOf) const
{
    int width = 0;
    const QPair<int, int> sight = rowsInSight(list);
    for (int visual = sight.first; visual <= sight.second && visual >= 0; ++visual) {
        const int logical = list->logicalIndex(visual);
        if (!list->isSectionHidden(logical))
            width = std::max(width, textWidth(list, textOf(logical)));
    }
    return width;
}

int SignalList::neededNameWidth() const
{
    return widestInSight(sectionList, [this](int section) {
        return sectionList->sectionData(section, Qt::DisplayRole).toString();
    });
}

int SignalList::neededValueWidth() const
{
    return widestInSight(valueList, [this](int row) { return valueList->rowData(row, Qt::DisplayRole).toString(); });
}

void SignalList::setRowHeight(int row, double height)
{
    const bool wasFitting = fitting;
    fitting = true;
    for (DataList *list : {labelList, valueList}) {
        list->resizeSection(row, int(height));
        list->setRowData(row, DataList::HeightRole, height);
    }
    fitting = wasFitting;
}

QList<int> SignalList::rowsOf(const QString &name) const
{
    QList<int> rows;
    for (int row = 0; row < valueList->rowCount(); ++row) {
        if (valueList->rowData(row, DataList::SignalNameRole).toString() == name)
            rows << row;
    }
    return rows;
}

void SignalList::fitSignalSections()
{
    const bool wasFitting = fitting;
    fitting = true;
    // One pass over the rows, not one per signal.
    QHash<QString, int> heights;
    for (int row = 0; row < valueList->rowCount(); ++row)
        heights[valueList->rowData(row, DataList::SignalNameRole).toString()] += valueList->sectionSize(row);
    QVector<int> sizes(sectionList->sectionCountInModel());
    bool changed = false;
    for (int section = 0; section < sizes.size(); ++section) {
        const QString key = sectionList->sectionData(section, SectionList::SignalKeyRole).toString();
        sizes[section] = heights.value(key);
        changed = changed || sectionList->sectionSize(section) != sizes[section];
    }
    if (changed)
        sectionList->setSectionSizes(sizes);
    fitting = wasFitting;
    relayout();
}

void SignalList::relayout()
{
    const int headerHeight = header->sizeHint().height();
    viewport()->setContentsMargins(0, 0, 0, 0);
    setViewportMargins(0, headerHeight, 0, 0);
    header->setGeometry(viewport()->x(), 0, viewport()->width(), headerHeight);

    const int height = std::max(sectionList->length(), valueList->length());
    const int firstWidth = header->sectionSize(0);
    const int labelWidth = labelList->preferredWidth();
    const int scroll = verticalScrollBar()->value();
    sectionList->setGeometry(0, -scroll, std::max(0, firstWidth - labelWidth), height);
    labelList->setGeometry(firstWidth - labelWidth, -scroll, labelWidth, height);
    const int valueLeft = header->sectionPosition(1);
    valueList->setGeometry(valueLeft, -scroll, std::max(0, viewport()->width() - valueLeft), height);

    const int rows = valueList->rowCount();
    verticalScrollBar()->setSingleStep(height / (rows + 1));
    verticalScrollBar()->setRange(0, 2 * height);
}

void SignalList::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void SignalList::scrollContentsBy(int, int)
{
    relayout();
}

void SignalList::rowResized(int row, int, int newSize)
{
    if (fitting)
        return;
    setRowHeight(row, newSize);
    fitSignalSections();
}

void SignalList::signalSectionResized(int section, int oldSize, int newSize)
{
    if (fitting || oldSize <= 0)
        return;
    const QString key = sectionList->sectionData(section, SectionList::SignalKeyRole).toString();
    QList<int> visible;
    for (int row : rowsOf(key)) {
        if (!valueList->isSectionHidden(row))
            visible << row;
    }
    // The rows share the new height in proportion; the last one takes what
    // is left, so that they fill the section to the pixel.
    int given = 0;
    for (int i = 0; i < visible.size(); ++i) {
        const int row = visible.at(i);
        if (i + 1 < visible.size()) {
            const double height = valueList->rowData(row, DataList::HeightRole).toDouble() * newSize / oldSize;
            setRowHeight(row, height);
            given += int(height);
        } else {
            setRowHeight(row, newSize - given);
        }
    }
    relayout();
}

void SignalList::signalSectionMoved(int section, int, int newVisual)
{
    // The signal's rows go where the channels of the signals now before it end.
    int target = 0;
    for (int visual = 0; visual < newVisual; ++visual)
        target += sectionList->sectionData(sectionList->logicalIndex(visual), SectionList::ChannelCountRole).toInt();
    const QString key = sectionList->sectionData(section, SectionList::SignalKeyRole).toString();
    const QList<int> rows = rowsOf(key);
    for (DataList *list : {labelList, valueList}) {
        for (int i = 0; i < rows.size(); ++i)
            list->moveSection(list->visualIndex(rows.at(i)), target + i);
    }
    emit rowsMoved();
}

void SignalList::mirrorSelection(DataList *from)
{
    if (mirroring)
        return;
    mirroring = true;
    DataList *to = from == labelList ? valueList : labelList;
    const QSignalBlocker blocker(to->rowSelection());
    for (int row = 0; row < from->rowCount(); ++row)
        to->setRowSelected(row, from->isRowSelected(row));
    to->headerDataChanged(Qt::Vertical, 0, std::max(0, to->rowCount() - 1));
    to->viewport()->update();
    updateSectionSelection();
    mirroring = false;
    emit selectionChanged();
}

void SignalList::updateSectionSelection()
{
    const QSignalBlocker blocker(sectionList->selectionModel());
    for (int section = 0; section < sectionList->sectionCountInModel(); ++section) {
        const QString key = sectionList->sectionData(section, SectionList::SignalKeyRole).toString();
        bool selected = false;
        for (int row : rowsOf(key))
            selected = selected || (!valueList->isSectionHidden(row) && valueList->isRowSelected(row));
        sectionList->setSectionSelected(section, selected);
    }
    sectionList->viewport()->update();
}

bool SignalList::isBandSelected(int row) const
{
    const int first = valueList->visualIndex(row);
    if (first < 0)
        return false;
    const int end = valueList->bandEnd(first);
    for (int visual = first; visual <= end; ++visual) {
        if (valueList->isRowSelected(valueList->logicalIndex(visual)))
            return true;
    }
    return false;
}

bool SignalList::anyRowSelected() const
{
    return valueList->rowSelection()->hasSelection();
}

void SignalList::clearSelection()
{
    valueList->rowSelection()->clearSelection();
}

void SignalList::selectRows(const QList<int> &rows, bool selected)
{
    for (int row : rows)
        valueList->setRowSelected(row, selected);
}

void SignalList::rowClicked(DataList *list, int row, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    QItemSelectionModel *selection = list->rowSelection();
    if (button == Qt::LeftButton) {
        if ((modifiers & Qt::ShiftModifier) && list->lastClickedRow >= 0) {
            const int a = list->visualIndex(list->lastClickedRow);
            const int b = list->visualIndex(row);
            for (int visual = std::min(a, b); visual <= std::max(a, b); ++visual)
                list->setRowSelected(list->logicalIndex(visual), true);
        } else if (modifiers & Qt::ControlModifier) {
            list->setRowSelected(row, true);
        } else if (list->isRowSelected(row) && selection->selectedRows().size() == 1) {
            selection->clearSelection();
            list->lastClickedRow = -1;
            return;
        } else {
            selection->clearSelection();
            list->setRowSelected(row, true);
        }
        list->lastClickedRow = row;
    } else if (button == Qt::RightButton && !list->isRowSelected(row)) {
        if (!(modifiers & Qt::ControlModifier))
            selection->clearSelection();
        list->setRowSelected(row, true);
    }
}

void SignalList::removeSignalRows(const QString &name)
{
    const QList<int> rows = rowsOf(name);
    for (int i = rows.size(); i-- > 0;) {
        labelList->model()->removeRow(rows.at(i));
        valueList->model()->removeRow(rows.at(i));
    }
    for (int section = sectionList->sectionCountInModel(); section-- > 0;) {
        if (sectionList->sectionData(section, SectionList::SignalKeyRole).toString() == name)
            sectionList->model()->removeRow(section);
    }
    shownNames.remove(name);
    fitSignalSections();
}

void SignalList::copyLayoutFrom(const SignalList &other)
{
    shownNames = other.shownNames;
    static const int Roles[] = {Qt::EditRole, Qt::TextAlignmentRole, Qt::FontRole};
    for (DataList *list : {labelList, valueList}) {
        const DataList *source = list == labelList ? other.labelList : other.valueList;
        const QSignalBlocker blocker(list->model());
        list->clearRows();
        for (int row = 0; row < source->rowCount(); ++row) {
            list->model()->insertRow(row);
            for (int role = DataList::SignalNameRole; role <= DataList::EnumNamesRole; ++role)
                list->model()->setHeaderData(row, Qt::Vertical, source->rowData(row, role), role);
            for (int role : Roles)
                list->model()->setHeaderData(row, Qt::Vertical, source->rowData(row, role), role);
        }
        list->reset();
        list->restoreState(source->saveState());
    }
    {
        const QSignalBlocker blocker(sectionList->model());
        sectionList->clearSections();
        for (int section = 0; section < other.sectionList->sectionCountInModel(); ++section) {
            sectionList->model()->insertRow(section);
            for (int role : {int(Qt::EditRole), int(Qt::TextAlignmentRole), int(Qt::FontRole),
                             int(SectionList::ChannelCountRole), int(SectionList::SignalKeyRole),
                             int(SectionList::SignalLabelRole)})
                sectionList->setSectionData(section, role, other.sectionList->sectionData(section, role));
        }
        sectionList->reset();
        sectionList->restoreState(other.sectionList->saveState());
    }
    fitSignalSections();
}

QAction *SignalList::commandAction(int command)
{
    for (SensorAction *action : qAsConst(commandActions)) {
        if (action->data().toInt() == command) {
            action->refresh();
            return action;
        }
    }
    return nullptr;
}

void SignalList::buildMenu()
{
    struct Entry { const char *text; int command; bool checkable; };
    static const Entry Entries[] = {
        {"&Decimal", FormatDecimal, true}, {"&Hex", FormatHex, true},
        {"&Linear", StyleLinear, true},    {"&Steps", StyleSteps, true},
        {"&Blocks", StyleBlocks, true},    {"&Events", StyleEvents, true},
        {"&Distribute", DistributeRows, false}, {"&Merge", MergeRows, false},
        {"&Split", SplitRows, false},      {"&Hide", HideRows, false},
        {"&Edit Layout...", EditLayout, false},
    };
    menu = new QMenu(this);
    for (const Entry &entry : Entries) {
        auto *action = new SensorAction(owner, entry.command, QString::fromLatin1(entry.text), entry.checkable, this);
        action->setData(entry.command);
        commandActions << action;
    }
}

// A checkable entry, checked while any of `rows` is visible, that hides
// them all when checked and shows them all when not.
void SignalList::addVisibilityAction(QMenu *target, const QString &text, const QList<int> &rows, bool visible)
{
    auto *action = new QAction(text, this);
    action->setCheckable(true);
    action->setChecked(visible);
    connect(action, &QAction::triggered, this, [this, rows, visible]() {
        for (int row : rows) {
            valueList->setSectionHidden(row, visible);
            labelList->setSectionHidden(row, visible);
        }
        emit displayChanged();
    });
    target->addAction(action);
    perOpeningActions << action;
}

void SignalList::contextMenuEvent(QContextMenuEvent *event)
{
    if (!owner)
        return;
    if (!menu)
        buildMenu();
    menu->clear();
    for (QAction *action : qAsConst(perOpeningActions))
        action->deleteLater();
    perOpeningActions.clear();

    addSignalEntries(menu);
    menu->addSeparator();
    QMenu *format = menu->addMenu(QStringLiteral("&Format"));
    format->addAction(commandAction(FormatDecimal));
    format->addAction(commandAction(FormatHex));
    QMenu *display = menu->addMenu(QStringLiteral("&Display"));
    for (int command : {StyleLinear, StyleSteps, StyleBlocks, StyleEvents})
        display->addAction(commandAction(command));
    menu->addSeparator();
    addChannelEntries(menu->addMenu(QStringLiteral("&Channels")));
    QMenu *rowsMenu = menu->addMenu(QStringLiteral("&Rows"));
    rowsMenu->addAction(commandAction(MergeRows));
    rowsMenu->addAction(commandAction(SplitRows));
    rowsMenu->addSeparator();
    rowsMenu->addAction(commandAction(DistributeRows));
    rowsMenu->addAction(commandAction(HideRows));
    rowsMenu->addSeparator();
    rowsMenu->addAction(commandAction(EditLayout));
    menu->exec(event->globalPos());
}

// One entry per signal: shows or hides all its rows.
void SignalList::addSignalEntries(QMenu *target)
{
    for (int section = 0; section < sectionList->sectionCountInModel(); ++section) {
        const QString key = sectionList->sectionData(section, SectionList::SignalKeyRole).toString();
        const QList<int> rows = rowsOf(key);
        bool visible = false;
        for (int row : rows)
            visible = visible || !valueList->isSectionHidden(row);
        addVisibilityAction(target, sectionList->sectionData(section, SectionList::SignalLabelRole).toString(),
                            rows, visible);
    }
}

// One entry per channel label among the selected rows (all rows when none
// of the selected is visible), each label once.
void SignalList::addChannelEntries(QMenu *target)
{
    QList<int> candidates;
    for (int row = 0; row < valueList->rowCount(); ++row) {
        if (valueList->isRowSelected(row) && !valueList->isSectionHidden(row))
            candidates << row;
    }
    if (candidates.isEmpty()) {
        for (int row = 0; row < valueList->rowCount(); ++row)
            candidates << row;
    }
    QStringList labels;
    for (int row : qAsConst(candidates)) {
        const QString label = labelList->rowData(row, DataList::LabelRole).toString().trimmed();
        if (!label.isEmpty() && !labels.contains(label))
            labels << label;
    }
    for (const QString &label : qAsConst(labels)) {
        QList<int> rows;
        bool visible = false;
        for (int row = 0; row < valueList->rowCount(); ++row) {
            if (labelList->rowData(row, DataList::LabelRole).toString().trimmed() == label) {
                rows << row;
                visible = visible || !valueList->isSectionHidden(row);
            }
        }
        addVisibilityAction(target, label, rows, visible);
    }
}

void SignalList::signalClicked(int section, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    const auto rowsOfSection = [this](int s) {
        return rowsOf(sectionList->sectionData(s, SectionList::SignalKeyRole).toString());
    };
    const auto allSelected = [this](const QList<int> &rows) {
        for (int row : rows) {
            if (!valueList->isRowSelected(row) && !valueList->isSectionHidden(row))
                return false;
        }
        return true;
    };
    const QList<int> rows = rowsOfSection(section);
    if (button == Qt::RightButton) {
        selectRows(rows, true);
        return;
    }
    if (button != Qt::LeftButton)
        return;
    if ((modifiers & Qt::ShiftModifier) && sectionList->lastClickedSection >= 0) {
        const int a = sectionList->lastClickedSection;
        for (int s = std::min(a, section); s <= std::max(a, section); ++s)
            selectRows(rowsOfSection(s), true);
    } else if (modifiers & Qt::ControlModifier) {
        selectRows(rows, !allSelected(rows));
    } else {
        const bool wasAll = allSelected(rows);
        clearSelection();
        if (wasAll) {
            sectionList->lastClickedSection = -1;
            return;
        }
        selectRows(rows, true);
    }
    sectionList->lastClickedSection = section;
}
