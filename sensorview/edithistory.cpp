#include "edithistory.h"

#include "systemmemory.h"

#include <algorithm>

qint64 ViewSnapshot::heldRecords() const
{
    return (store ? store->recordCount() : 0) + (edit ? edit->removed.recordCount() : 0);
}

void EditHistory::record(std::unique_ptr<ViewSnapshot> state)
{
    dropped = dropped || !redoStack.empty();
    redoStack.clear();
    undoStack.push_back(std::move(state));
}

std::unique_ptr<ViewSnapshot> EditHistory::takeUndo(std::unique_ptr<ViewSnapshot> current)
{
    return take(undoStack, redoStack, std::move(current));
}

std::unique_ptr<ViewSnapshot> EditHistory::takeRedo(std::unique_ptr<ViewSnapshot> current)
{
    return take(redoStack, undoStack, std::move(current));
}

std::unique_ptr<ViewSnapshot> EditHistory::take(std::vector<std::unique_ptr<ViewSnapshot>> &from,
                                                std::vector<std::unique_ptr<ViewSnapshot>> &to,
                                                std::unique_ptr<ViewSnapshot> current)
{
    if (from.empty())
        return nullptr;
    std::unique_ptr<ViewSnapshot> taken = std::move(from.back());
    from.pop_back();
    to.push_back(std::move(current));
    return taken;
}

void EditHistory::commit(bool changed)
{
    if (!changed && !undoStack.empty())
        undoStack.pop_back();
    qint64 records = 0;
    for (size_t i = undoStack.size(); i-- > 0;) {
        records += undoStack[i]->heldRecords();
        if (records > RecordLimit) {
            // The newest step stays whatever its size.
            const size_t keepFrom = i + 1 == undoStack.size() ? i : i + 1;
            undoStack.erase(undoStack.begin(), undoStack.begin() + long(keepFrom));
            dropped = dropped || keepFrom > 0;
            break;
        }
    }
    if (dropped)
        releaseFreedMemory();
    dropped = false;
}

void EditHistory::clear()
{
    const bool held = !undoStack.empty() || !redoStack.empty();
    undoStack.clear();
    redoStack.clear();
    if (held)
        releaseFreedMemory();
}

void EditHistory::settleInPlaceSteps(const SignalData &current)
{
    const auto holdsRecords = [](const std::unique_ptr<ViewSnapshot> &step) {
        return step->edit && !step->edit->removed.isEmpty();
    };
    const auto oldest = std::find_if(undoStack.begin(), undoStack.end(), holdsRecords);
    if (oldest == undoStack.end())
        return;
    // Newest first: each step gives the store as it was before it.
    SignalData state = current;
    for (auto it = undoStack.end(); it != oldest;) {
        ViewSnapshot &step = **--it;
        if (step.edit) {
            state.putBack(&step.edit->removed);
            step.store = std::make_unique<SignalData>(state);
            step.edit.reset();
        } else if (step.store) {
            state = *step.store;
        }
    }
}
