#include "sensorcommands.h"

#include "channelrows.h"
#include "curvestyle.h"
#include "datalist.h"
#include "graphview.h"
#include "sensorviewx.h"
#include "signallist.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace {

using View = SensorViewX;
using ConstView = const SensorViewX;

bool always(ConstView &)
{
    return true;
}

} // namespace

bool SensorCommands::hasRecords(const SensorViewX &view)
{
    return view.hasRecords();
}

bool SensorCommands::someVisible(const SensorViewX &view)
{
    const DataList *rows = view.signalList()->valueList();
    for (int row = 0; row < rows->rowCount(); ++row) {
        if (!rows->isSectionHidden(row))
            return true;
    }
    return false;
}

bool SensorCommands::selectionToCopy(const SensorViewX &view)
{
    return view.hasRecords() && view.hasSelection();
}

bool SensorCommands::someRowsSelected(const SensorViewX &view)
{
    return !view.channelRows->selectedVisible().isEmpty();
}

void SensorCommands::jump(SensorViewX &view, int command)
{
    view.graph()->jump(JumpMode(command), false);
    // Going to the end follows live input again; going elsewhere leaves it.
    view.setFollowing(command == GoToEnd);
}

void SensorCommands::format(SensorViewX &view, int command)
{
    view.channelRows->setFormat(command - FormatDecimal + DataList::Decimal);
    view.rowsChanged();
}

bool SensorCommands::formatChecked(const SensorViewX &view, int command)
{
    return view.channelRows->commonValue(DataList::FormatRole) == command - FormatDecimal + DataList::Decimal;
}

void SensorCommands::style(SensorViewX &view, int command)
{
    view.channelRows->setStyle(command - StyleLinear + int(CurveStyle::Linear));
    view.rowsChanged();
}

bool SensorCommands::styleChecked(const SensorViewX &view, int command)
{
    return view.channelRows->commonValue(DataList::StyleRole) == command - StyleLinear + int(CurveStyle::Linear);
}

const SensorCommands::Row SensorCommands::table[] = {
    {GoToStart, jump, hasRecords, nullptr},
    {GoToEnd, jump, hasRecords, nullptr},
    {NextSample, jump, hasRecords, nullptr},
    {PreviousSample, jump, hasRecords, nullptr},
    {ShowSelection, [](View &view, int) { view.graph()->showSelection(); }, always, nullptr},
    {ZoomToSelection,
     [](View &view, int) {
         view.graph()->setFitPending(true);
         view.graph()->viewport()->update();
         view.setFollowing(false);
     },
     hasRecords, nullptr},
    {ResetColumns, [](View &view, int) { view.resetColumns(); }, hasRecords, nullptr},
    {Undo, [](View &view, int) { view.edits.undo(); }, [](ConstView &view) { return view.edits.canUndo(); },
     nullptr},
    {Redo, [](View &view, int) { view.edits.redo(); }, [](ConstView &view) { return view.edits.canRedo(); },
     nullptr},
    {Cut, [](View &view, int) { view.edits.cut(); }, selectionToCopy, nullptr},
    {Copy, [](View &view, int) { view.edits.copy(); }, selectionToCopy, nullptr},
    {Paste, [](View &view, int) { view.edits.paste(); },
     [](ConstView &) {
         const QMimeData *mime = QApplication::clipboard()->mimeData(QClipboard::Clipboard);
         return mime && mime->hasText();
     },
     nullptr},
    {Delete, [](View &view, int) { view.edits.deleteSelection(); }, hasRecords, nullptr},
    {Crop, [](View &view, int) { view.edits.crop(); }, selectionToCopy, nullptr},
    {ShiftToZero, [](View &view, int) { view.edits.shiftToZero(); }, hasRecords, nullptr},
    {SelectAll,
     [](View &view, int) {
         view.signalList()->clearSelection();
         view.graph()->jump(JumpMode::Start, false);
         view.graph()->jump(JumpMode::End, true);
     },
     hasRecords, nullptr},
    {SelectNone,
     [](View &view, int) {
         view.signalList()->clearSelection();
         view.graph()->setCursorTime(view.graph()->anchorTime());
     },
     hasRecords, nullptr},
    {Clear, [](View &view, int) { view.edits.clear(); }, always, nullptr},
    {ClearHistory, [](View &view, int) { view.edits.clearHistory(); }, always, nullptr},
    {FormatDecimal, format, someVisible, formatChecked},
    {FormatHex, format, someVisible, formatChecked},
    {StyleLinear, style, someVisible, styleChecked},
    {StyleSteps, style, someVisible, styleChecked},
    {StyleBlocks, style, someVisible, styleChecked},
    {StyleEvents, style, someVisible, styleChecked},
    {HideRows, [](View &view, int) {
         view.channelRows->hideSelected();
         view.rowsChanged();
     }, someRowsSelected, nullptr},
    {DistributeRows, [](View &view, int) {
         if (view.channelRows->distributeSelected())
             view.rowsChanged();
     }, someRowsSelected, nullptr},
    {MergeRows, [](View &view, int) {
         view.channelRows->mergeSelected();
         view.rowsChanged();
     },
     [](ConstView &view) {
         const DataList *rows = view.signalList()->valueList();
         const QList<int> selected = view.channelRows->selectedVisible();
         for (int visual = 0; visual + 1 < rows->count(); ++visual) {
             if (selected.contains(rows->logicalIndex(visual)) && selected.contains(rows->logicalIndex(visual + 1)))
                 return true;
         }
         return false;
     },
     nullptr},
    {SplitRows, [](View &view, int) {
         view.channelRows->splitSelected();
         view.rowsChanged();
     },
     [](ConstView &view) {
         for (int row : view.channelRows->selectedVisible()) {
             if (view.signalList()->valueList()->rowData(row, DataList::MergedRole).toBool())
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
