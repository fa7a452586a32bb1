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

private:
    SensorView *owner = nullptr;
    int command = 0;
};
