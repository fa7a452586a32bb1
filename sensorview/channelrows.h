#pragma once

#include <QList>

class ChannelTable;
class SignalList;
struct ChannelState;

// The channel rows of the list pane as the row commands see them: which
// are selected and shown, their formats and styles, their heights and
// which of them form bands.
class ChannelRows
{
public:
    ChannelRows(ChannelTable &channels, SignalList &list);

    // Selected rows that are shown, in visual order.
    QList<int> selectedVisible() const;
    // The rows format and style commands act on: the selected ones, or all
    // when none is.
    QList<int> affected() const;
    // The value of a property the affected rows share, 0 where they differ.
    int commonValue(int ChannelState::*property) const;

    void setFormat(int format);
    void setStyle(int style);
    void hideSelected();
    // Shares the selected rows' height evenly between them; false when
    // none is selected.
    bool distributeSelected();
    // Joins neighbouring selected rows into bands; splits the bands that
    // hold a selected row.
    void mergeSelected();
    void splitSelected();

private:
    ChannelTable &channels;
    SignalList &list;
};
