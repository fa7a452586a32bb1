#pragma once

#include "edithistory.h"

#include <QString>

#include <optional>

class GraphView;
class QWidget;
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
};

// The view's edits: each one undoable step that the history records, and
// undo and redo through that history, which no one else touches. Each
// returns what it changed; the view applies it, and tells its observers.
class EditController
{
public:
    // `view` is asked whether it holds unsaved changes, for the history.
    EditController(SignalData &store, GraphView &graph, const QWidget &view);

    bool canUndo() const { return steps.canUndo(); }
    bool canRedo() const { return steps.canRedo(); }
    EditEffect undo();
    EditEffect redo();
    void clearHistory() { steps.clear(); }

    // One step each.
    EditEffect cut();
    EditEffect paste();
    EditEffect deleteSelection();
    EditEffect crop();
    EditEffect shiftToZero();
    // Inserts the records at the cursor, as a paste does.
    EditEffect insert(const SignalData &records);
    // The records of one signal; its rows are the view's to remove.
    EditEffect removeSignal(const QString &name);

    // Puts the selected records on the clipboard; no edit.
    void copy() const;
    // Empties the data and the history; no step.
    EditEffect clear();

private:
    std::unique_ptr<ViewSnapshot> snapshot() const;
    EditEffect restoreSnapshot(const ViewSnapshot &state);
    bool hasSelection() const;
    void removeSelectedRecords();
    void insertAtCursor(const SignalData &pasted);

    SignalData &store;
    GraphView &graph;
    const QWidget &view;
    EditHistory steps;
};
