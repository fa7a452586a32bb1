#include "channelrows.h"

#include "channeltable.h"
#include "datalist.h"
#include "signallist.h"

ChannelRows::ChannelRows(ChannelTable &channels, SignalList &list)
    : channels(channels)
    , list(list)
{
}

QList<int> ChannelRows::selectedVisible() const
{
    DataList *rows = list.valueList();
    QList<int> result;
    for (int visual = 0; visual < rows->count(); ++visual) {
        const int row = rows->logicalIndex(visual);
        if (rows->isRowSelected(row) && !rows->isSectionHidden(row))
            result << row;
    }
    return result;
}

QList<int> ChannelRows::affected() const
{
    DataList *rows = list.valueList();
    QList<int> result;
    const bool any = list.anyRowSelected();
    for (int row = 0; row < rows->rowCount(); ++row) {
        if (!any || rows->isRowSelected(row))
            result << row;
    }
    return result;
}

int ChannelRows::commonValue(int ChannelState::*property) const
{
    int common = 0;
    bool first = true;
    for (int row : affected()) {
        const int value = channels[row].*property;
        if (first)
            common = value;
        else if (value != common)
            return 0;
        first = false;
    }
    return common;
}

void ChannelRows::setFormat(int format)
{
    for (int row : affected()) {
        channels[row].format = format;
        list.valueList()->reformat(row);
    }
}

void ChannelRows::setStyle(int style)
{
    for (int row : affected())
        channels[row].style = style;
    list.showChannelChanges();
}

void ChannelRows::hideSelected()
{
    for (int row : selectedVisible())
        list.setRowHidden(row, true);
}

bool ChannelRows::distributeSelected()
{
    const QList<int> rows = selectedVisible();
    if (rows.isEmpty())
        return false;
    int sum = 0;
    for (int row : rows)
        sum = int(sum + channels[row].height);
    const int each = sum / rows.size();
    for (int i = 0; i + 1 < rows.size(); ++i)
        list.setRowHeight(rows.at(i), each);
    list.setRowHeight(rows.last(), sum - each * (rows.size() - 1));
    list.fitSignalSections();
    return true;
}

void ChannelRows::mergeSelected()
{
    DataList *rows = list.valueList();
    for (int visual = 0; visual + 1 < rows->count(); ++visual) {
        const int row = rows->logicalIndex(visual);
        const int next = rows->logicalIndex(visual + 1);
        if (rows->isRowSelected(row) && !rows->isSectionHidden(row) && rows->isRowSelected(next)
            && !rows->isSectionHidden(next))
            channels[row].merged = true;
    }
    list.showChannelChanges();
}

void ChannelRows::splitSelected()
{
    DataList *rows = list.valueList();
    for (int visual = 0; visual < rows->count();) {
        const int end = rows->bandEnd(visual);
        bool selected = false;
        for (int v = visual; v <= end; ++v)
            selected = selected || rows->isRowSelected(rows->logicalIndex(v));
        if (selected && end > visual) {
            for (int v = visual; v <= end; ++v)
                channels[rows->logicalIndex(v)].merged = false;
        }
        visual = end + 1;
    }
    list.showChannelChanges();
}
