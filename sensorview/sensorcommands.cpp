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

const SensorCommands::Row *SensorCommands::find(int command)
{
    // Rules shared by several commands.
    const auto hasRecords = [](ConstView &view) { return view.hasRecords(); };
    const auto someVisible = [](ConstView &view) {
        const DataList *rows = view.signalList->valueList;
        for (int row = 0; row < rows->rowCount(); ++row) {
            if (!rows->isSectionHidden(row))
                return true;
        }
        return false;
    };
    const auto jump = [](View &view, int number) { view.graph->jump(JumpMode(number), false); };
    const auto format = [](View &view, int number) {
        view.channelRows->setFormat(number - FormatDecimal + DataList::Decimal);
        view.rowsChanged();
    };
    const auto formatChecked = [](ConstView &view, int number) {
        return view.channelRows->commonValue(DataList::FormatRole) == number - FormatDecimal + DataList::Decimal;
    };
    const auto style = [](View &view, int number) {
        view.channelRows->setStyle(number - StyleLinear + int(CurveStyle::Linear));
        view.rowsChanged();
    };
    const auto styleChecked = [](ConstView &view, int number) {
        return view.channelRows->commonValue(DataList::StyleRole) == number - StyleLinear + int(CurveStyle::Linear);
    };
    const auto selectionToCopy = [](ConstView &view) { return view.hasRecords() && view.hasSelection(); };
    const auto someRowsSelected = [](ConstView &view) { return !view.channelRows->selectedVisible().isEmpty(); };

    static const Row table[] = {
        {GoToStart, jump, hasRecords, nullptr},
        {GoToEnd, jump, hasRecords, nullptr},
        {NextSample, jump, hasRecords, nullptr},
        {PreviousSample, jump, hasRecords, nullptr},
        {ShowSelection, [](View &view, int) { view.graph->showSelection(); }, always, nullptr},
        {ZoomToSelection,
         [](View &view, int) {
             view.graph->setFitPending(true);
             view.graph->viewport()->update();
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
             view.signalList->clearSelection();
             view.graph->jump(JumpMode::Start, false);
             view.graph->jump(JumpMode::End, true);
         },
         hasRecords, nullptr},
        {SelectNone,
         [](View &view, int) {
             view.signalList->clearSelection();
             view.graph->setCursorTime(view.graph->anchorTime());
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
             const DataList *rows = view.signalList->valueList;
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
                 if (view.signalList->valueList->rowData(row, DataList::MergedRole).toBool())
                     return true;
             }
             return false;
         },
         nullptr},
    };
    for (const Row &row : table) {
        if (row.command == command)
            return &row;
    }
    return nullptr;
}
