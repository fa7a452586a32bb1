#include "signallist.h"

#include "autosizeheaderview.h"
#include "channeltable.h"
#include "datalist.h"
#include "sectionlist.h"
#include "signaldata.h"
#include "timeline.h"

#include <QItemSelectionModel>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace {
const QString SignalTitle = QStringLiteral("Signal");
const QString InitialTimeLabel = QStringLiteral("0 ms");
}

SignalList::SignalList(ChannelTable &channels, QWidget *parent)
    : QAbstractScrollArea(parent)
    , channels(channels)
{
    headerModel.setRowCount(1);
    headerModel.setColumnCount(2);
    headerModel.setHeaderData(0, Qt::Horizontal, SignalTitle, Qt::EditRole);
    headerModel.setHeaderData(0, Qt::Horizontal, int(Qt::AlignTop), Qt::TextAlignmentRole);
    headerModel.setHeaderData(1, Qt::Horizontal, InitialTimeLabel, Qt::EditRole);
    headerModel.setHeaderData(1, Qt::Horizontal, int(Qt::AlignRight), Qt::TextAlignmentRole);

    headerView = new AutoSizeHeaderView(this);
    headerView->setModel(&headerModel);
    headerView->setSectionsClickable(false);
    headerView->setSectionResizeMode(0, QHeaderView::Interactive);
    headerView->setSectionResizeMode(1, QHeaderView::Stretch);

    sectionPane = new SectionList(viewport());
    labelPane = new DataList(channels, false, viewport());
    valuePane = new DataList(channels, true, viewport());
    // A column made narrower than its text shows that something is left
    // out, rather than a cut number that reads as another one.
    for (QHeaderView *list : {static_cast<QHeaderView *>(sectionPane), static_cast<QHeaderView *>(labelPane),
                              static_cast<QHeaderView *>(valuePane)})
        list->setTextElideMode(Qt::ElideRight);

    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::ClickFocus);
    viewport()->setBackgroundRole(QPalette::Base);

    connect(headerView, &QHeaderView::sectionResized, this, [this]() { relayout(); });
    for (DataList *list : {labelPane, valuePane}) {
        connect(list, &QHeaderView::sectionResized, this, &SignalList::rowResized);
        connect(list->rowSelection(), &QItemSelectionModel::selectionChanged, this,
                [this, list]() { mirrorSelection(list); });
        connect(list, &DataList::rowClicked, this,
                [this, list](int row, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
                    rowClicked(list, row, button, modifiers);
                });
        connect(list, &QHeaderView::sectionMoved, this, &SignalList::rowsMoved);
    }
    connect(sectionPane, &QHeaderView::sectionResized, this, &SignalList::signalSectionResized);
    connect(sectionPane, &QHeaderView::sectionMoved, this, &SignalList::signalSectionMoved);
    connect(sectionPane, &SectionList::sectionClickedWith, this, &SignalList::signalClicked);
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
    return widestInSight(sectionPane, [this](int section) {
        return sectionPane->sectionData(section, Qt::DisplayRole).toString();
    });
}

int SignalList::neededValueWidth() const
{
    return widestInSight(valuePane, [this](int row) { return DataList::valueText(channels[row]); });
}

void SignalList::setRowHeight(int row, double height)
{
    const bool wasFitting = fitting;
    fitting = true;
    for (DataList *list : {labelPane, valuePane})
        list->resizeSection(row, int(height));
    channels[row].height = height;
    showChannelChanges(row, row);
    fitting = wasFitting;
}

void SignalList::shareHeight(int total)
{
    QVector<int> shown;
    for (int visual = 0; visual < valuePane->count(); ++visual) {
        const int row = valuePane->logicalIndex(visual);
        if (!valuePane->isSectionHidden(row))
            shown << row;
    }
    const QVector<int> heights = sharedHeights(shown.size(), total, valuePane->defaultSectionSize());
    for (int i = 0; i < shown.size(); ++i)
        setRowHeight(shown.at(i), heights.at(i));
    fitSignalSections();
}

void SignalList::showChannelChanges(int first, int last)
{
    if (last < 0)
        last = channels.size() - 1;
    if (last < first)
        return;
    for (DataList *list : {labelPane, valuePane})
        list->showChangedRows(first, last);
}

void SignalList::setRowHidden(int row, bool hidden)
{
    for (DataList *list : {valuePane, labelPane})
        list->setSectionHidden(row, hidden);
}

QList<int> SignalList::rowsOf(const QString &name) const
{
    return channels.rowsOf(name);
}

void SignalList::fitSignalSections()
{
    const bool wasFitting = fitting;
    fitting = true;
    // One pass over the rows, not one per signal.
    QHash<QString, int> heights;
    for (int row = 0; row < valuePane->rowCount(); ++row)
        heights[channels[row].signal] += valuePane->sectionSize(row);
    QVector<int> sizes(sectionPane->sectionCountInModel());
    bool changed = false;
    for (int section = 0; section < sizes.size(); ++section) {
        const QString key = sectionPane->sectionData(section, SectionList::SignalKeyRole).toString();
        sizes[section] = heights.value(key);
        changed = changed || sectionPane->sectionSize(section) != sizes[section];
    }
    if (changed)
        sectionPane->setSectionSizes(sizes);
    fitting = wasFitting;
    relayout();
}

void SignalList::relayout()
{
    const int headerHeight = headerView->sizeHint().height();
    viewport()->setContentsMargins(0, 0, 0, 0);
    setViewportMargins(0, headerHeight, 0, 0);
    headerView->setGeometry(viewport()->x(), 0, viewport()->width(), headerHeight);

    const int height = std::max(sectionPane->length(), valuePane->length());
    const int firstWidth = headerView->sectionSize(0);
    const int labelWidth = labelPane->preferredWidth();
    const int scroll = verticalScrollBar()->value();
    sectionPane->setGeometry(0, -scroll, std::max(0, firstWidth - labelWidth), height);
    labelPane->setGeometry(firstWidth - labelWidth, -scroll, labelWidth, height);
    const int valueLeft = headerView->sectionPosition(1);
    valuePane->setGeometry(valueLeft, -scroll, std::max(0, viewport()->width() - valueLeft), height);

    const int rows = valuePane->rowCount();
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
    emit rowsSizedByHand();
}

void SignalList::signalSectionResized(int section, int oldSize, int newSize)
{
    if (fitting || oldSize <= 0)
        return;
    const QString key = sectionPane->sectionData(section, SectionList::SignalKeyRole).toString();
    QList<int> visible;
    for (int row : rowsOf(key)) {
        if (!valuePane->isSectionHidden(row))
            visible << row;
    }
    // The rows share the new height in proportion; the last one takes what
    // is left, so that they fill the section to the pixel.
    int given = 0;
    for (int i = 0; i < visible.size(); ++i) {
        const int row = visible.at(i);
        if (i + 1 < visible.size()) {
            const double height = channels[row].height * newSize / oldSize;
            setRowHeight(row, height);
            given += int(height);
        } else {
            setRowHeight(row, newSize - given);
        }
    }
    relayout();
    emit rowsSizedByHand();
}

void SignalList::signalSectionMoved(int section, int, int newVisual)
{
    // The signal's rows go where the channels of the signals now before it end.
    int target = 0;
    for (int visual = 0; visual < newVisual; ++visual)
        target += sectionPane->sectionData(sectionPane->logicalIndex(visual), SectionList::ChannelCountRole).toInt();
    const QString key = sectionPane->sectionData(section, SectionList::SignalKeyRole).toString();
    const QList<int> rows = rowsOf(key);
    for (DataList *list : {labelPane, valuePane}) {
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
    DataList *to = from == labelPane ? valuePane : labelPane;
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
    const QSignalBlocker blocker(sectionPane->selectionModel());
    for (int section = 0; section < sectionPane->sectionCountInModel(); ++section) {
        const QString key = sectionPane->sectionData(section, SectionList::SignalKeyRole).toString();
        bool selected = false;
        for (int row : rowsOf(key))
            selected = selected || (!valuePane->isSectionHidden(row) && valuePane->isRowSelected(row));
        sectionPane->setSectionSelected(section, selected);
    }
    sectionPane->viewport()->update();
}

bool SignalList::isBandSelected(int row) const
{
    const int first = valuePane->visualIndex(row);
    if (first < 0)
        return false;
    const int end = valuePane->bandEnd(first);
    for (int visual = first; visual <= end; ++visual) {
        if (valuePane->isRowSelected(valuePane->logicalIndex(visual)))
            return true;
    }
    return false;
}

bool SignalList::anyRowSelected() const
{
    return valuePane->rowSelection()->hasSelection();
}

void SignalList::clearSelection()
{
    valuePane->rowSelection()->clearSelection();
}

void SignalList::selectRows(const QList<int> &rows, bool selected)
{
    for (int row : rows)
        valuePane->setRowSelected(row, selected);
}

void SignalList::rowClicked(DataList *list, int row, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    QItemSelectionModel *selection = list->rowSelection();
    if (button == Qt::LeftButton) {
        if ((modifiers & Qt::ShiftModifier) && list->lastClickedRow() >= 0) {
            const int a = list->visualIndex(list->lastClickedRow());
            const int b = list->visualIndex(row);
            for (int visual = std::min(a, b); visual <= std::max(a, b); ++visual)
                list->setRowSelected(list->logicalIndex(visual), true);
        } else if (modifiers & Qt::ControlModifier) {
            list->setRowSelected(row, true);
        } else if (list->isRowSelected(row) && selection->selectedRows().size() == 1) {
            selection->clearSelection();
            list->setLastClickedRow(-1);
            return;
        } else {
            selection->clearSelection();
            list->setRowSelected(row, true);
        }
        list->setLastClickedRow(row);
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
        channels.removeAt(rows.at(i));
        labelPane->showRemovedRow(rows.at(i));
        valuePane->showRemovedRow(rows.at(i));
    }
    for (int section = sectionPane->sectionCountInModel(); section-- > 0;) {
        if (sectionPane->sectionData(section, SectionList::SignalKeyRole).toString() == name)
            sectionPane->model()->removeRow(section);
    }
    shownNames.remove(name);
    forgetSync();
    fitSignalSections();
}

void SignalList::copyLayoutFrom(const SignalList &other)
{
    shownNames = other.shownNames;
    forgetSync();
    channels = other.channels;
    for (DataList *list : {labelPane, valuePane}) {
        const DataList *source = list == labelPane ? other.labelList() : other.valueList();
        list->showAllRows();
        list->restoreState(source->saveState());
    }
    {
        const QSignalBlocker blocker(sectionPane->model());
        sectionPane->clearSections();
        for (int section = 0; section < other.sectionList()->sectionCountInModel(); ++section) {
            sectionPane->model()->insertRow(section);
            for (int role : {int(Qt::EditRole), int(Qt::TextAlignmentRole), int(Qt::FontRole),
                             int(SectionList::ChannelCountRole), int(SectionList::SignalKeyRole),
                             int(SectionList::SignalLabelRole)})
                sectionPane->setSectionData(section, role, other.sectionList()->sectionData(section, role));
        }
        sectionPane->reset();
        sectionPane->restoreState(other.sectionList()->saveState());
    }
    fitSignalSections();
}

void SignalList::signalClicked(int section, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    const auto rowsOfSection = [this](int s) {
        return rowsOf(sectionPane->sectionData(s, SectionList::SignalKeyRole).toString());
    };
    const auto allSelected = [this](const QList<int> &rows) {
        for (int row : rows) {
            if (!valuePane->isRowSelected(row) && !valuePane->isSectionHidden(row))
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
    if ((modifiers & Qt::ShiftModifier) && sectionPane->lastClickedSection() >= 0) {
        const int a = sectionPane->lastClickedSection();
        for (int s = std::min(a, section); s <= std::max(a, section); ++s)
            selectRows(rowsOfSection(s), true);
    } else if (modifiers & Qt::ControlModifier) {
        selectRows(rows, !allSelected(rows));
    } else {
        const bool wasAll = allSelected(rows);
        clearSelection();
        if (wasAll) {
            sectionPane->setLastClickedSection(-1);
            return;
        }
        selectRows(rows, true);
    }
    sectionPane->setLastClickedSection(section);
}
