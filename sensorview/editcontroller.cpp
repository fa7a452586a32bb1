#include "editcontroller.h"

#include "graphview.h"
#include "signaldata.h"
#include "signaltext.h"

#include <QApplication>
#include <QClipboard>
#include <QTextStream>

namespace {
// What every edit that changed the records leaves behind.
const EditEffect Edited{true, false, true};
}

EditController::EditController(SignalData &store, GraphView &graph, const QWidget &view)
    : store(store)
    , graph(graph)
    , view(view)
{
}

std::unique_ptr<ViewSnapshot> EditController::snapshot() const
{
    auto state = std::make_unique<ViewSnapshot>();
    state->store = std::make_unique<SignalData>(store);
    state->offset = graph.offset();
    state->scale = graph.scale();
    state->anchorTime = graph.anchorTime();
    state->cursorTime = graph.cursorTime();
    state->modified = view.isWindowModified();
    return state;
}

EditEffect EditController::restoreSnapshot(const ViewSnapshot &state)
{
    if (state.store)
        store.restore(*state.store);
    graph.setScale(state.scale);
    graph.setOffset(state.offset);
    graph.setAnchorTime(state.anchorTime);
    graph.setCursorTime(state.cursorTime);
    return {true, false, state.modified};
}

bool EditController::hasSelection() const
{
    return !(graph.anchorTime() == graph.cursorTime());
}

EditEffect EditController::undo()
{
    if (!steps.canUndo())
        return {};
    return restoreSnapshot(*steps.takeUndo(snapshot()));
}

EditEffect EditController::redo()
{
    if (!steps.canRedo())
        return {};
    return restoreSnapshot(*steps.takeRedo(snapshot()));
}

void EditController::removeSelectedRecords()
{
    if (graph.anchorTime() > graph.cursorTime())
        graph.placeSelection(graph.cursorTime(), graph.anchorTime());
    const double start = graph.anchorTime();
    store.deleteRange(graph.anchorTime(), graph.cursorTime());
    const double at = store.nearestTime(store.all(), start);
    graph.placeSelection(at, graph.cursorTime());
    graph.setCursorTime(at);
}

void EditController::insertAtCursor(const SignalData &pasted)
{
    // With nothing selected the cursor stands on a sample: "deleting" the
    // empty selection would take that reading away.
    if (hasSelection())
        removeSelectedRecords();
    const double cursor = graph.cursorTime();
    store.insertAt(cursor, pasted);
    const double at = store.nearestTime(store.all(), cursor + pasted.lastTime(pasted.all()));
    graph.placeSelection(at, graph.cursorTime());
    graph.setCursorTime(at);
}

EditEffect EditController::crop()
{
    steps.record(snapshot());
    if (!hasSelection()) {
        steps.commit(false);
        return {};
    }
    const double lo = std::min(graph.anchorTime(), graph.cursorTime());
    const double hi = std::max(graph.anchorTime(), graph.cursorTime());
    store.crop(lo, hi);
    graph.placeSelection(0, graph.cursorTime());
    graph.setCursorTime(hi - lo);
    steps.commit(true);
    return Edited;
}

EditEffect EditController::shiftToZero()
{
    steps.record(snapshot());
    const double first = store.firstTime(store.all());
    if (store.all().isEmpty() || first == 0) {
        steps.commit(false);
        return {};
    }
    store.shiftToZero();
    graph.placeSelection(graph.anchorTime() - first, graph.cursorTime());
    graph.setCursorTime(graph.cursorTime() - first);
    steps.commit(true);
    return Edited;
}

void EditController::copy() const
{
    QString text;
    QTextStream stream(&text);
    writeRange(stream, store, graph.anchorTime(), graph.cursorTime());
    stream.flush();
    QApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

EditEffect EditController::paste()
{
    SignalData pasted;
    parseText(pasted, QApplication::clipboard()->text(QClipboard::Clipboard));
    return insert(pasted);
}

EditEffect EditController::insert(const SignalData &records)
{
    steps.record(snapshot());
    insertAtCursor(records);
    steps.commit(true);
    EditEffect effect = Edited;
    effect.showSelection = true;
    return effect;
}

EditEffect EditController::cut()
{
    // Recorded like every other edit, so that nothing is beyond Undo.
    steps.record(snapshot());
    copy();
    removeSelectedRecords();
    steps.commit(true);
    return Edited;
}

EditEffect EditController::deleteSelection()
{
    steps.record(snapshot());
    removeSelectedRecords();
    steps.commit(true);
    return Edited;
}

EditEffect EditController::clear()
{
    store.clear();
    graph.placeSelection(0, graph.cursorTime());
    graph.setCursorTime(0);
    steps.clear();
    return {true, true, false};
}

EditEffect EditController::removeSignal(const QString &name)
{
    steps.record(snapshot());
    store.removeSignal(name);
    steps.commit(true);
    return Edited;
}
