#pragma once

#include <QAction>

class SensorView;

// A menu action that runs one of the view's commands.
class SensorAction : public QAction
{
public:
    SensorAction(SensorView *owner, int command, const QString &text, bool checkable, QObject *parent);

    // Takes the enabled and checked state from the view.
    void refresh();
    int commandNumber() const { return command; }

    // The commands the channel list's context menu offers, made for `owner`.
    static QList<SensorAction *> listMenuCommands(SensorView *owner, QObject *parent);

private:
    SensorView *owner = nullptr;
    int command = 0;
};
