#pragma once

#include "edithistory.h"

#include <QString>

#include <functional>
#include <optional>

class SignalData;

// What an edit changed, for the view to bring its parts in step with it,
// each once.
struct EditEffect
{
    // The records changed: rows for new signals, the graph's layout and
    // scroll range.
    bool records = false;
    // The selection is to be brought into sight.
    bool showSelection = false;
    // The view's modified mark becomes this; unchanged when empty.
    std::optional<bool> modified;
    // The zoom changed too (undo and redo bring it back).
    bool zoom = false;
};

// The view's edits: each one undoable step that the history records, and
// undo and redo through that history, which no one else touches. Each works
// on the store and on where the user stands, and returns what it changed;
// the view shows the place, applies the effect and tells its observers.
class EditController
{
public:
    // `isModified` tells whether the view holds unsaved changes, for the
    // history.
    EditController(SignalData &store, std::function<bool()> isModified);

    bool canUndo() const { return steps.canUndo(); }
    bool canRedo() const { return steps.canRedo(); }
    EditEffect undo(ViewPlace &place);
    EditEffect redo(ViewPlace &place);
    void clearHistory() { steps.clear(); }
    // Before the store changes outside the edits (live input): the steps
    // made in place become copies, and the records edits in place kept go,
    // so that the oldest records can be dropped in place.
    void settleInPlaceSteps()
    {
        steps.settleInPlaceSteps(store);
        store.compact();
    }

    // One step each.
    EditEffect cut(ViewPlace &place);
    EditEffect paste(ViewPlace &place);
    EditEffect deleteSelection(ViewPlace &place);
    EditEffect crop(ViewPlace &place);
    EditEffect shiftToZero(ViewPlace &place);
    // Inserts the records at the cursor, as a paste does.
    EditEffect insert(const SignalData &records, ViewPlace &place);
    // The records of one signal; its rows are the view's to remove.
    EditEffect removeSignal(const QString &name, ViewPlace &place);

    // Puts the selected records on the clipboard; no edit.
    void copy(const ViewPlace &place) const;
    // Empties the data and the history; no step.
    EditEffect clear(ViewPlace &place);

private:
    void record(const ViewPlace &place);
    EditEffect restore(const ViewSnapshot &state, ViewPlace &place);
    void removeSelectedRecords(ViewPlace &place);
    void removeAsStep(ViewPlace &place);
    // Deletes or crops in place when the store can, recording the edit as
    // the step; false when it cannot, and nothing happened.
    bool editInPlace(bool crop, double from, double to, const ViewPlace &before);
    // A step that holds the place and the modified mark only.
    std::unique_ptr<ViewSnapshot> placeOnly(const ViewPlace &place) const;
    EditEffect undoInPlace(ViewPlace &place);
    EditEffect redoInPlace(ViewPlace &place);
    void insertAtCursor(const SignalData &pasted, ViewPlace &place);

    SignalData &store;
    std::function<bool()> isModified;
    EditHistory steps;
};
