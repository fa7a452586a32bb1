#include "sensorcommands.h"

#include "channelrows.h"
#include "channeltable.h"
#include "curvestyle.h"
#include "datalist.h"
#include "graphview.h"
#include "editcontroller.h"
#include "sensorview.h"
#include "signaldata.h"
#include "signallist.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace {

using Target = const CommandTarget;

bool always(Target &)
{
    return true;
}

bool hasRecords(Target &target)
{
    return !target.store->all().isEmpty();
}

bool someVisible(Target &target)
{
    const DataList *rows = target.list->valueList();
    for (int row = 0; row < rows->rowCount(); ++row) {
        if (!rows->isSectionHidden(row))
            return true;
    }
    return false;
}

bool selectionToCopy(Target &target)
{
    return hasRecords(target) && !(target.graph->anchorTime() == target.graph->cursorTime());
}

bool someRowsSelected(Target &target)
{
    return !target.rows->selectedVisible().isEmpty();
}

void jump(Target &target, int command)
{
    target.graph->jump(JumpMode(command), false);
    // Going to the end follows live input again; going elsewhere leaves it.
    target.setFollowing(command == GoToEnd);
}

void format(Target &target, int command)
{
    target.rows->setFormat(command - FormatDecimal + DataList::Decimal);
    target.rowsChanged();
}

bool formatChecked(Target &target, int command)
{
    return target.rows->commonValue(&ChannelState::format) == command - FormatDecimal + DataList::Decimal;
}

void style(Target &target, int command)
{
    target.rows->setStyle(command - StyleLinear + int(CurveStyle::Linear));
    target.rowsChanged();
}

bool styleChecked(Target &target, int command)
{
    return target.rows->commonValue(&ChannelState::style) == command - StyleLinear + int(CurveStyle::Linear);
}

// An edit command: runs the edit, then lets the view apply what it changed.
template<EditEffect (EditController::*change)(ViewPlace &)>
void runEdit(Target &target, int)
{
    target.edit([](EditController &edits, ViewPlace &place) { return (edits.*change)(place); });
}

} // namespace

const SensorCommands::Row SensorCommands::table[] = {
    {GoToStart, jump, hasRecords, nullptr},
    {GoToEnd, jump, hasRecords, nullptr},
    {NextSample, jump, hasRecords, nullptr},
    {PreviousSample, jump, hasRecords, nullptr},
    {ShowSelection, [](Target &target, int) { target.graph->showSelection(); }, always, nullptr},
    {ZoomToSelection,
     [](Target &target, int) {
         target.graph->setFitPending(true);
         target.graph->viewport()->update();
         target.setFollowing(false);
     },
     hasRecords, nullptr},
    {ResetColumns, [](Target &target, int) { target.resetColumns(); }, hasRecords, nullptr},
    {Undo, runEdit<&EditController::undo>, [](Target &target) { return target.edits->canUndo(); }, nullptr},
    {Redo, runEdit<&EditController::redo>, [](Target &target) { return target.edits->canRedo(); }, nullptr},
    {Cut, runEdit<&EditController::cut>, selectionToCopy, nullptr},
    {Copy, [](Target &target, int) {
         target.edit([](EditController &edits, ViewPlace &place) {
             edits.copy(place);
             return EditEffect{};
         });
     }, selectionToCopy, nullptr},
    {Paste, runEdit<&EditController::paste>,
     [](Target &) {
         const QMimeData *mime = QApplication::clipboard()->mimeData(QClipboard::Clipboard);
         return mime && mime->hasText();
     },
     nullptr},
    {Delete, runEdit<&EditController::deleteSelection>, hasRecords, nullptr},
    {Crop, runEdit<&EditController::crop>, selectionToCopy, nullptr},
    {ShiftToZero, runEdit<&EditController::shiftToZero>, hasRecords, nullptr},
    {SelectAll,
     [](Target &target, int) {
         target.list->clearSelection();
         target.graph->jump(JumpMode::Start, false);
         target.graph->jump(JumpMode::End, true);
     },
     hasRecords, nullptr},
    {SelectNone,
     [](Target &target, int) {
         target.list->clearSelection();
         target.graph->setCursorTime(target.graph->anchorTime());
     },
     hasRecords, nullptr},
    {Clear, [](Target &target, int) { target.clear(); }, always, nullptr},
    {ClearHistory,
     [](Target &target, int) {
         target.edits->clearHistory();
         // What edits made in place kept for their undo goes with it.
         target.store->compact();
     },
     always, nullptr},
    {FormatDecimal, format, someVisible, formatChecked},
    {FormatHex, format, someVisible, formatChecked},
    {StyleLinear, style, someVisible, styleChecked},
    {StyleSteps, style, someVisible, styleChecked},
    {StyleBlocks, style, someVisible, styleChecked},
    {StyleEvents, style, someVisible, styleChecked},
    {HideRows, [](Target &target, int) {
         target.rows->hideSelected();
         target.rowsChanged();
     }, someRowsSelected, nullptr},
    {DistributeRows, [](Target &target, int) {
         if (target.rows->distributeSelected())
             target.rowsChanged();
     }, someRowsSelected, nullptr},
    {MergeRows, [](Target &target, int) {
         target.rows->mergeSelected();
         target.rowsChanged();
     },
     [](Target &target) {
         const DataList *rows = target.list->valueList();
         const QList<int> selected = target.rows->selectedVisible();
         for (int visual = 0; visual + 1 < rows->count(); ++visual) {
             if (selected.contains(rows->logicalIndex(visual)) && selected.contains(rows->logicalIndex(visual + 1)))
                 return true;
         }
         return false;
     },
     nullptr},
    {SplitRows, [](Target &target, int) {
         target.rows->splitSelected();
         target.rowsChanged();
     },
     [](Target &target) {
         for (int row : target.rows->selectedVisible()) {
             if (target.list->channelTable()[row].merged)
                 return true;
         }
         return false;
     },
     nullptr},
};

const SensorCommands::Row *SensorCommands::find(int command)
{
    for (const Row &row : table) {
        if (row.command == command)
            return &row;
    }
    return nullptr;
}
