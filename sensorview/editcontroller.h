#pragma once

#include "edithistory.h"

#include <QString>

class SensorViewX;
class SignalData;

// The view's edits: each one undoable step that the history records, and
// undo and redo through that history, which no one else touches.
class EditController
{
public:
    explicit EditController(SensorViewX &view);

    bool canUndo() const { return steps.canUndo(); }
    bool canRedo() const { return steps.canRedo(); }
    void undo();
    void redo();
    void clearHistory() { steps.clear(); }

    // One step each.
    void cut();
    void paste();
    void deleteSelection();
    void crop();
    void shiftToZero();
    // Inserts the records at the cursor, as a paste does.
    void insert(const SignalData &records);
    void removeSignal(const QString &name);

    // Puts the selected records on the clipboard; no edit.
    void copy() const;
    // Empties the data and the history; no step.
    void clear();

private:
    std::unique_ptr<ViewSnapshot> snapshot() const;
    void restoreSnapshot(const ViewSnapshot &state);
    void recordStep();
    // An edit that changed nothing takes its step back.
    void commit(bool changed);
    void removeSelectedRecords();
    void insertAtCursor(const SignalData &pasted);

    SensorViewX &view;
    EditHistory steps;
};
