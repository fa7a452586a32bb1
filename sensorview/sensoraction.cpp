#include "sensoraction.h"

#include "sensorview.h"

SensorAction::SensorAction(SensorView *view, int number, const QString &text, bool checkable, QObject *parent)
    : QAction(text, parent)
    , owner(view)
    , command(number)
{
    setCheckable(checkable);
    connect(this, &QAction::triggered, this, [this]() { owner->execute(command); });
}

void SensorAction::refresh()
{
    setEnabled(owner->isEnabled(command));
    if (isCheckable())
        setChecked(owner->isChecked(command));
}
