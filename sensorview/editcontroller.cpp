#include "editcontroller.h"

#include "signaldata.h"
#include "signaltext.h"

#include <QGuiApplication>
#include <QClipboard>
#include <QTextStream>

namespace {

// What every edit that changed the records leaves behind.
const EditEffect Edited{true, false, true, false};

bool hasSelection(const ViewPlace &place)
{
    return !(place.anchor == place.cursor);
}

std::unique_ptr<ViewSnapshot> snapshotOf(const SignalData &store, const ViewPlace &place, bool modified)
{
    auto state = std::make_unique<ViewSnapshot>();
    state->store = std::make_unique<SignalData>(store);
    state->place = place;
    state->modified = modified;
    return state;
}

// Makes the edit in place, keeping what it takes out in the edit.
bool makeInPlace(SignalData &store, InPlaceEdit &edit)
{
    return edit.crop ? store.cropInPlace(edit.from, edit.to, &edit.removed)
                     : store.deleteRangeInPlace(edit.from, edit.to, &edit.removed);
}

} // namespace

EditController::EditController(SignalData &store, std::function<bool()> isModified)
    : store(store)
    , isModified(std::move(isModified))
{
}

void EditController::record(const ViewPlace &place)
{
    steps.record(snapshotOf(store, place, isModified()));
}

EditEffect EditController::restore(const ViewSnapshot &state, ViewPlace &place)
{
    if (state.store)
        store.restore(*state.store);
    place = state.place;
    return {true, false, state.modified, true};
}

EditEffect EditController::undo(ViewPlace &place)
{
    if (!steps.canUndo())
        return {};
    if (steps.undoSteps().back()->edit)
        return undoInPlace(place);
    return restore(*steps.takeUndo(snapshotOf(store, place, isModified())), place);
}

EditEffect EditController::redo(ViewPlace &place)
{
    if (!steps.canRedo())
        return {};
    if (steps.redoSteps().back()->edit)
        return redoInPlace(place);
    return restore(*steps.takeRedo(snapshotOf(store, place, isModified())), place);
}

bool EditController::editInPlace(bool crop, double from, double to, const ViewPlace &before)
{
    auto edit = std::make_unique<InPlaceEdit>();
    edit->crop = crop;
    edit->from = from;
    edit->to = to;
    if (!makeInPlace(store, *edit))
        return false;
    auto state = placeOnly(before);
    state->edit = std::move(edit);
    steps.record(std::move(state));
    return true;
}

// The step goes to the redo stack holding the same edit, which then knows
// how to be made again.
std::unique_ptr<ViewSnapshot> EditController::placeOnly(const ViewPlace &place) const
{
    auto state = std::make_unique<ViewSnapshot>();
    state->place = place;
    state->modified = isModified();
    return state;
}

EditEffect EditController::undoInPlace(ViewPlace &place)
{
    auto current = placeOnly(place);
    ViewSnapshot *redoStep = current.get();
    const std::unique_ptr<ViewSnapshot> taken = steps.takeUndo(std::move(current));
    store.putBack(&taken->edit->removed);
    redoStep->edit = std::move(taken->edit);
    place = taken->place;
    return {true, false, taken->modified, true};
}

EditEffect EditController::redoInPlace(ViewPlace &place)
{
    auto current = placeOnly(place);
    ViewSnapshot *undoStep = current.get();
    const std::unique_ptr<ViewSnapshot> taken = steps.takeRedo(std::move(current));
    InPlaceEdit &edit = *taken->edit;
    // The store is as it was when the edit was first made, so it takes the
    // same way; should it not, the step holds a copy instead.
    if (makeInPlace(store, edit)) {
        undoStep->edit = std::move(taken->edit);
    } else {
        undoStep->store = std::make_unique<SignalData>(store);
        if (edit.crop)
            store.crop(edit.from, edit.to);
        else
            store.deleteRange(edit.from, edit.to);
    }
    place = taken->place;
    return {true, false, taken->modified, true};
}

// The gap closes, and the cursor goes to the sample nearest where the
// selection began.
void EditController::removeSelectedRecords(ViewPlace &place)
{
    if (place.anchor > place.cursor)
        std::swap(place.anchor, place.cursor);
    store.deleteRange(place.anchor, place.cursor);
    place.anchor = place.cursor = store.nearestTime(store.all(), place.anchor);
}

// Delete and Cut: in place with the removed records as the step where the
// store allows, else with a copy of it.
void EditController::removeAsStep(ViewPlace &place)
{
    const ViewPlace before = place;
    const double lo = std::min(place.anchor, place.cursor);
    const double hi = std::max(place.anchor, place.cursor);
    if (editInPlace(false, lo, hi, before)) {
        place.anchor = place.cursor = store.nearestTime(store.all(), lo);
        return;
    }
    record(before);
    removeSelectedRecords(place);
}

void EditController::insertAtCursor(const SignalData &pasted, ViewPlace &place)
{
    // With nothing selected the cursor stands on a sample: "deleting" the
    // empty selection would take that reading away.
    if (hasSelection(place))
        removeSelectedRecords(place);
    store.insertAt(place.cursor, pasted);
    place.anchor = place.cursor = store.nearestTime(store.all(), place.cursor + pasted.lastTime(pasted.all()));
}

EditEffect EditController::crop(ViewPlace &place)
{
    if (!hasSelection(place))
        return {};
    const double lo = std::min(place.anchor, place.cursor);
    const double hi = std::max(place.anchor, place.cursor);
    if (!editInPlace(true, lo, hi, place)) {
        record(place);
        store.crop(lo, hi);
    }
    place.anchor = 0;
    place.cursor = hi - lo;
    steps.commit(true);
    return Edited;
}

EditEffect EditController::shiftToZero(ViewPlace &place)
{
    const double first = store.firstTime(store.all());
    if (store.all().isEmpty() || first == 0)
        return {};
    // Shift to Zero is Crop to everything there is.
    if (!editInPlace(true, first, store.lastTime(store.all()), place)) {
        record(place);
        store.shiftToZero();
    }
    place.anchor -= first;
    place.cursor -= first;
    steps.commit(true);
    return Edited;
}

void EditController::copy(const ViewPlace &place) const
{
    QString text;
    QTextStream stream(&text);
    writeRange(stream, store, place.anchor, place.cursor);
    stream.flush();
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

EditEffect EditController::paste(ViewPlace &place)
{
    SignalData pasted;
    parseText(pasted, QGuiApplication::clipboard()->text(QClipboard::Clipboard));
    return insert(pasted, place);
}

EditEffect EditController::insert(const SignalData &records, ViewPlace &place)
{
    record(place);
    insertAtCursor(records, place);
    steps.commit(true);
    EditEffect effect = Edited;
    effect.showSelection = true;
    return effect;
}

EditEffect EditController::cut(ViewPlace &place)
{
    // Recorded like every other edit, so that nothing is beyond Undo.
    copy(place);
    removeAsStep(place);
    steps.commit(true);
    return Edited;
}

EditEffect EditController::deleteSelection(ViewPlace &place)
{
    removeAsStep(place);
    steps.commit(true);
    return Edited;
}

EditEffect EditController::clear(ViewPlace &place)
{
    store.clear();
    place.anchor = place.cursor = 0;
    steps.clear();
    return {true, true, false, false};
}

EditEffect EditController::removeSignal(const QString &name, ViewPlace &place)
{
    record(place);
    store.removeSignal(name);
    steps.commit(true);
    return Edited;
}
