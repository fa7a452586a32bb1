#include "signallist.h"

#include "channeltable.h"
#include "datalist.h"
#include "sectionlist.h"
#include "sensoraction.h"
#include "sensorview.h"

#include <QContextMenuEvent>
#include <QHash>
#include <QMenu>

namespace {
// Entries of signals or channel labels a menu lists; a file of ten thousand
// names or a line of a hundred thousand values would otherwise make a menu
// no one can use or even open quickly.
constexpr int MostMenuEntries = 128;
} // namespace

// The list pane's context menu: the view's commands, and entries for the
// signal or the channels under the pointer.

QAction *SignalList::commandAction(int command)
{
    for (SensorAction *action : qAsConst(commandActions)) {
        if (action->commandNumber() == command) {
            action->refresh();
            return action;
        }
    }
    return nullptr;
}

void SignalList::setMenuCommands(const QList<SensorAction *> &commands)
{
    commandActions = commands;
}

// A checkable entry, checked while any of `rows` is visible, that hides
// them all when checked and shows them all when not.
void SignalList::addVisibilityAction(QMenu *target, const QString &text, const QList<int> &rows, bool visible)
{
    auto *action = new QAction(text, this);
    action->setCheckable(true);
    action->setChecked(visible);
    connect(action, &QAction::triggered, this, [this, rows, visible]() {
        for (int row : rows)
            setRowHidden(row, visible);
        emit displayChanged();
    });
    target->addAction(action);
    perOpeningActions << action;
}

void SignalList::contextMenuEvent(QContextMenuEvent *event)
{
    if (commandActions.isEmpty())
        return;
    if (!menu)
        menu = new QMenu(this);
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
    // The rows of every signal in one pass: a search among all rows for
    // each of ten thousand signals would hold the window.
    QHash<QString, QList<int>> rowsBySignal;
    for (int row = 0; row < valuePane->rowCount(); ++row)
        rowsBySignal[channels[row].signal] << row;
    const int sections = sectionPane->sectionCountInModel();
    const int shown = std::min(sections, MostMenuEntries);
    for (int section = 0; section < shown; ++section) {
        const QString key = sectionPane->sectionData(section, SectionList::SignalKeyRole).toString();
        const QList<int> rows = rowsBySignal.value(key);
        bool visible = false;
        for (int row : rows)
            visible = visible || !valuePane->isSectionHidden(row);
        addVisibilityAction(target, sectionPane->sectionData(section, SectionList::SignalLabelRole).toString(),
                            rows, visible);
    }
    if (sections > shown)
        target->addAction(tr("and %n more", nullptr, sections - shown))->setEnabled(false);
}

// One entry per channel label among the selected rows (all rows when none
// of the selected is visible), each label once.
void SignalList::addChannelEntries(QMenu *target)
{
    QList<int> candidates;
    for (int row = 0; row < valuePane->rowCount(); ++row) {
        if (valuePane->isRowSelected(row) && !valuePane->isSectionHidden(row))
            candidates << row;
    }
    if (candidates.isEmpty()) {
        for (int row = 0; row < valuePane->rowCount(); ++row)
            candidates << row;
    }
    // Grouped in one pass: a line of many thousand values has as many
    // labels, and a search per label would hold the window for minutes.
    QStringList labels;
    QHash<QString, int> labelIndex;
    for (int row : qAsConst(candidates)) {
        const QString label = channels[row].shownLabel().trimmed();
        if (!label.isEmpty() && !labelIndex.contains(label)) {
            labelIndex.insert(label, labels.size());
            labels << label;
        }
    }
    // A menu shows a few hundred entries at most; the rest are named.
    const int shown = std::min<int>(labels.size(), MostMenuEntries);
    QVector<QList<int>> rowsOfLabel(shown);
    QVector<bool> visible(shown, false);
    for (int row = 0; row < valuePane->rowCount(); ++row) {
        const int index = labelIndex.value(channels[row].shownLabel().trimmed(), -1);
        if (index < 0 || index >= shown)
            continue;
        rowsOfLabel[index] << row;
        visible[index] = visible[index] || !valuePane->isSectionHidden(row);
    }
    for (int index = 0; index < shown; ++index)
        addVisibilityAction(target, labels[index], rowsOfLabel[index], visible[index]);
    if (labels.size() > shown)
        target->addAction(tr("and %n more", nullptr, labels.size() - shown))->setEnabled(false);
}
