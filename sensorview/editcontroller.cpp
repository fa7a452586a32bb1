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
    return restore(*steps.takeUndo(snapshotOf(store, place, isModified())), place);
}

EditEffect EditController::redo(ViewPlace &place)
{
    if (!steps.canRedo())
        return {};
    return restore(*steps.takeRedo(snapshotOf(store, place, isModified())), place);
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
    record(place);
    if (!hasSelection(place)) {
        steps.commit(false);
        return {};
    }
    const double lo = std::min(place.anchor, place.cursor);
    const double hi = std::max(place.anchor, place.cursor);
    store.crop(lo, hi);
    place.anchor = 0;
    place.cursor = hi - lo;
    steps.commit(true);
    return Edited;
}

EditEffect EditController::shiftToZero(ViewPlace &place)
{
    record(place);
    const double first = store.firstTime(store.all());
    if (store.all().isEmpty() || first == 0) {
        steps.commit(false);
        return {};
    }
    store.shiftToZero();
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
    record(place);
    copy(place);
    removeSelectedRecords(place);
    steps.commit(true);
    return Edited;
}

EditEffect EditController::deleteSelection(ViewPlace &place)
{
    record(place);
    removeSelectedRecords(place);
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
