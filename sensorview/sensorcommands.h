#pragma once

class SensorViewX;

// The view's commands as one table: for each command what it does, when it
// is enabled and when it is checked. execute(), isEnabled() and isChecked()
// look a command up here.
struct SensorCommands
{
    struct Row
    {
        int command;
        void (*run)(SensorViewX &view, int command);
        bool (*enabled)(const SensorViewX &view);
        // Null for commands that are never checked.
        bool (*checked)(const SensorViewX &view, int command);
    };

    // The row of `command`, or null for a number that is no command.
    static const Row *find(int command);
};
