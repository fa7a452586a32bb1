#pragma once

#include "signaldata.h"

#include <memory>
#include <vector>

// Where the user stands in the records: the selection's ends (the anchor
// stays, the cursor moves) and the zoom, as an edit reads and leaves them.
struct ViewPlace
{
    double anchor = 0.0;
    double cursor = 0.0;
    double offset = 0.0;
    double scale = 1.0;
};

// An edit the store made in place: which one, on what span and, while it
// stands done, what it took out.
struct InPlaceEdit
{
    bool crop = false;
    double from = 0.0;
    double to = 0.0;
    RemovedRecords removed;
};

// One undo or redo entry: the data, the place and the modified flag as they
// were.
struct ViewSnapshot
{
    // The data as it was; or, for an edit made in place, that edit: on the
    // undo stack it is done and puts back what it took, on the redo stack
    // it is undone and is made again.
    std::unique_ptr<SignalData> store;
    std::unique_ptr<InPlaceEdit> edit;
    ViewPlace place;
    bool modified = false;

    // The records the entry holds, for the history's limit.
    qint64 heldRecords() const;
};

// The view's undo and redo stacks, newest last. The history keeps at most
// about a million records of snapshots, and always the newest one.
class EditHistory
{
public:
    static constexpr qint64 RecordLimit = 1000000;

    bool canUndo() const { return !undoStack.empty(); }
    bool canRedo() const { return !redoStack.empty(); }
    // The held states, oldest first.
    const std::vector<std::unique_ptr<ViewSnapshot>> &undoSteps() const { return undoStack; }
    const std::vector<std::unique_ptr<ViewSnapshot>> &redoSteps() const { return redoStack; }

    // A new step: the redo stack goes, the state joins the undo stack.
    void record(std::unique_ptr<ViewSnapshot> state);
    // Undo and redo alike: the newest state of one stack comes back, and
    // `current`, the state it replaces, goes onto the other. Null, and
    // nothing changes, when there is nothing to take.
    std::unique_ptr<ViewSnapshot> takeUndo(std::unique_ptr<ViewSnapshot> current);
    std::unique_ptr<ViewSnapshot> takeRedo(std::unique_ptr<ViewSnapshot> current);
    // After an edit that recorded a step: an edit that changed nothing takes
    // its step back; then the oldest steps beyond the limit go.
    void commit(bool changed);
    void clear();
    // An edit made in place puts its records back where they stood in the
    // store it left. Before the store changes beside the history, as live
    // input changes it, each such step becomes a copy of the store before
    // it, made from `current`, the store as it stands.
    void settleInPlaceSteps(const SignalData &current);

private:
    static std::unique_ptr<ViewSnapshot> take(std::vector<std::unique_ptr<ViewSnapshot>> &from,
                                              std::vector<std::unique_ptr<ViewSnapshot>> &to,
                                              std::unique_ptr<ViewSnapshot> current);

    std::vector<std::unique_ptr<ViewSnapshot>> undoStack;
    std::vector<std::unique_ptr<ViewSnapshot>> redoStack;
    // Steps went since the last commit.
    bool dropped = false;
};
