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

private:
    static const Row table[];

    // Rules and actions that several commands share.
    static bool hasRecords(const SensorViewX &view);
    static bool someVisible(const SensorViewX &view);
    static bool selectionToCopy(const SensorViewX &view);
    static bool someRowsSelected(const SensorViewX &view);
    static void jump(SensorViewX &view, int command);
    static void format(SensorViewX &view, int command);
    static bool formatChecked(const SensorViewX &view, int command);
    static void style(SensorViewX &view, int command);
    static bool styleChecked(const SensorViewX &view, int command);
};
