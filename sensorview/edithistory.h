#pragma once

#include "signaldata.h"

#include <memory>
#include <vector>

// One undo or redo entry: the data, the zoom, the selection and the
// modified flag as they were.
struct ViewSnapshot
{
    std::unique_ptr<SignalData> store;
    double offset = 0.0;
    double scale = 1.0;
    double anchorTime = 0.0;
    double cursorTime = 0.0;
    bool modified = false;
};

// The view's undo and redo stacks, newest last. The history keeps at most
// about a million records of snapshots, and always the newest one.
class EditHistory
{
public:
    static constexpr qint64 RecordLimit = 1000000;

    std::vector<std::unique_ptr<ViewSnapshot>> undoStack;
    std::vector<std::unique_ptr<ViewSnapshot>> redoStack;

    // A new step: the redo stack goes, the state joins the undo stack.
    void record(std::unique_ptr<ViewSnapshot> state);
    // After an edit that recorded a step: an edit that changed nothing takes
    // its step back; then the oldest steps beyond the limit go.
    void commit(bool changed);
    void clear();

private:
    // Steps went since the last commit.
    bool dropped = false;
};
