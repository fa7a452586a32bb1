#pragma once

#include <functional>

class ChannelRows;
class EditController;
class GraphView;
class SignalData;
class SignalList;
struct EditEffect;
struct ViewPlace;

// What the commands act on: the view's parts, and the few things only the
// view itself does.
struct CommandTarget
{
    SignalData *store = nullptr;
    GraphView *graph = nullptr;
    SignalList *list = nullptr;
    ChannelRows *rows = nullptr;
    EditController *edits = nullptr;
    // Runs an edit where the user stands; the view shows where it leaves
    // them, brings its parts in step and tells the observers.
    using Edit = std::function<EditEffect(EditController &, ViewPlace &)>;
    std::function<void(const Edit &)> edit;
    // The rows' display changed: repaint and tell the observers.
    std::function<void()> rowsChanged;
    std::function<void()> resetColumns;
    std::function<void(bool)> setFollowing;
    // Empties the view: records, rows, history and what live input brought.
    std::function<void()> clear;
};

// The view's commands as one table: for each command what it does, when it
// is enabled and when it is checked. execute(), isEnabled() and isChecked()
// look a command up here.
struct SensorCommands
{
    struct Row
    {
        int command;
        void (*run)(const CommandTarget &target, int command);
        bool (*enabled)(const CommandTarget &target);
        // Null for commands that are never checked.
        bool (*checked)(const CommandTarget &target, int command);
    };

    // The row of `command`, or null for a number that is no command.
    static const Row *find(int command);

private:
    static const Row table[];
};
