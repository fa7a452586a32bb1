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

QList<SensorAction *> SensorAction::listMenuCommands(SensorView *owner, QObject *parent)
{
    struct Entry { const char *text; int command; bool checkable; };
    static const Entry Entries[] = {
        {"&Decimal", FormatDecimal, true}, {"&Hex", FormatHex, true},
        {"&Linear", StyleLinear, true},    {"&Steps", StyleSteps, true},
        {"&Blocks", StyleBlocks, true},    {"&Events", StyleEvents, true},
        {"&Distribute", DistributeRows, false}, {"&Merge", MergeRows, false},
        {"&Split", SplitRows, false},      {"&Hide", HideRows, false},
        {"&Edit Layout...", EditLayout, false},
    };
    QList<SensorAction *> actions;
    for (const Entry &entry : Entries)
        actions << new SensorAction(owner, entry.command, QString::fromLatin1(entry.text), entry.checkable, parent);
    return actions;
}
