#include "editcontroller.h"

#include "graphview.h"
#include "sensorviewx.h"
#include "signaldata.h"
#include "signallist.h"
#include "signaltext.h"

#include <QApplication>
#include <QClipboard>
#include <QTextStream>

EditController::EditController(SensorViewX &view)
    : view(view)
{
}

std::unique_ptr<ViewSnapshot> EditController::snapshot() const
{
    auto state = std::make_unique<ViewSnapshot>();
    state->store = std::make_unique<SignalData>(*view.signalData());
    state->offset = view.graph()->offset();
    state->scale = view.graph()->scale();
    state->anchorTime = view.graph()->anchorTime();
    state->cursorTime = view.graph()->cursorTime();
    state->modified = view.isWindowModified();
    return state;
}

void EditController::restoreSnapshot(const ViewSnapshot &state)
{
    if (state.store)
        view.signalData()->restore(*state.store);
    view.graph()->setScale(state.scale);
    view.graph()->setOffset(state.offset);
    view.graph()->setAnchorTime(state.anchorTime);
    view.graph()->setCursorTime(state.cursorTime);
    view.graph()->viewport()->update();
    view.setWindowModified(state.modified);
    view.notifyObservers();
}

void EditController::recordStep()
{
    steps.record(snapshot());
}

void EditController::commit(bool changed)
{
    steps.commit(changed);
    view.notifyObservers();
}

void EditController::undo()
{
    if (steps.canUndo())
        restoreSnapshot(*steps.takeUndo(snapshot()));
}

void EditController::redo()
{
    if (steps.canRedo())
        restoreSnapshot(*steps.takeRedo(snapshot()));
}

void EditController::removeSelectedRecords()
{
    if (view.graph()->anchorTime() > view.graph()->cursorTime())
        view.graph()->placeSelection(view.graph()->cursorTime(), view.graph()->anchorTime());
    const double start = view.graph()->anchorTime();
    view.signalData()->deleteRange(view.graph()->anchorTime(), view.graph()->cursorTime());
    const double at = view.signalData()->nearestTime(view.signalData()->all(), start);
    view.graph()->placeSelection(at, view.graph()->cursorTime());
    view.graph()->setCursorTime(at);
    view.graph()->updateScrollRange();
    view.graph()->viewport()->update();
    view.notifyObservers();
    view.setWindowModified(true);
}

void EditController::insertAtCursor(const SignalData &pasted)
{
    // With nothing selected the cursor stands on a sample: "deleting" the
    // empty selection would take that reading away.
    if (view.hasSelection())
        removeSelectedRecords();
    const double cursor = view.graph()->cursorTime();
    view.signalData()->insertAt(cursor, pasted);
    view.syncRows();
    const double at = view.signalData()->nearestTime(view.signalData()->all(), cursor + pasted.lastTime(pasted.all()));
    view.graph()->placeSelection(at, view.graph()->cursorTime());
    view.graph()->setCursorTime(at);
    view.graph()->relayout();
    view.graph()->viewport()->update();
    view.graph()->showSelection();
    view.setWindowModified(true);
    view.notifyObservers();
}

void EditController::crop()
{
    recordStep();
    if (!view.hasSelection()) {
        commit(false);
        return;
    }
    const double lo = std::min(view.graph()->anchorTime(), view.graph()->cursorTime());
    const double hi = std::max(view.graph()->anchorTime(), view.graph()->cursorTime());
    view.signalData()->crop(lo, hi);
    view.graph()->placeSelection(0, view.graph()->cursorTime());
    view.graph()->setCursorTime(hi - lo);
    view.graph()->updateScrollRange();
    view.graph()->viewport()->update();
    view.setWindowModified(true);
    commit(true);
}

void EditController::shiftToZero()
{
    recordStep();
    const double first = view.signalData()->firstTime(view.signalData()->all());
    if (!view.hasRecords() || first == 0) {
        commit(false);
        return;
    }
    view.signalData()->shiftToZero();
    view.graph()->placeSelection(view.graph()->anchorTime() - first, view.graph()->cursorTime());
    view.graph()->setCursorTime(view.graph()->cursorTime() - first);
    view.setWindowModified(true);
    view.notifyObservers();
    view.graph()->updateScrollRange();
    view.graph()->viewport()->update();
    commit(true);
}

void EditController::copy() const
{
    QString text;
    QTextStream stream(&text);
    writeRange(stream, *view.signalData(), view.graph()->anchorTime(), view.graph()->cursorTime());
    stream.flush();
    QApplication::clipboard()->setText(text, QClipboard::Clipboard);
    view.notifyObservers();
}

void EditController::paste()
{
    recordStep();
    SignalData pasted;
    parseText(pasted, QApplication::clipboard()->text(QClipboard::Clipboard));
    insertAtCursor(pasted);
    commit(true);
}

void EditController::insert(const SignalData &records)
{
    recordStep();
    insertAtCursor(records);
    commit(true);
}

void EditController::cut()
{
    // Recorded like every other edit, so that nothing is beyond Undo.
    recordStep();
    copy();
    removeSelectedRecords();
    commit(true);
}

void EditController::deleteSelection()
{
    recordStep();
    removeSelectedRecords();
    commit(true);
}

void EditController::clear()
{
    view.signalData()->clear();
    view.signalList()->clearRows();
    view.graph()->placeSelection(0, view.graph()->cursorTime());
    view.graph()->setCursorTime(0);
    view.graph()->showSelection();
    view.graph()->updateScrollRange();
    view.graph()->viewport()->update();
    steps.clear();
    view.forgetLiveInput();
    view.notifyObservers();
    view.setWindowModified(false);
}

void EditController::removeSignal(const QString &name)
{
    recordStep();
    view.signalList()->removeSignalRows(name);
    view.signalData()->removeSignal(name);
    view.setWindowModified(true);
    commit(true);
    view.graph()->viewport()->update();
}
