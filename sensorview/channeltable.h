#pragma once

#include "curvestyle.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVector>

#include <optional>
#include <vector>

class SignalData;

// Where a jump goes: the earliest or latest record, or the next or previous
// sample from the cursor.
enum class JumpMode { Start = 0, End = 1, NextSample = 2, PreviousSample = 3 };

// A channel row's display state: what the lists show, the graph draws and
// the commands change. Its fields stand so that little pads them: a line
// of a million values has a million rows.
struct ChannelState
{
    QString signal;
    // Null for the channel's number, made when it is asked for.
    QString label;
    QColor colour;
    // The exact height; the lists' sections are its whole pixels.
    double height = 0;
    double triggerLevel = 0;
    QVariant enumNames;
    // The value at the shown time; none before the first is shown.
    std::optional<double> value;
    // The value as the value list shows it, formatted when a list first
    // shows it: of a hundred thousand channels, a few dozen are in sight.
    mutable QString valueText;
    int channel = 0;
    // 1 decimal, 2 hex, 3 by the names (any other: decimal).
    int format = 1;
    int style = int(CurveStyle::Steps);
    int triggerMode = 0;
    // Drawn in one band with the next row in visual order.
    bool merged = false;
    mutable bool valueTextStale = false;

    QString shownLabel() const { return label.isNull() ? QString::number(channel) : label; }
};

// The channel rows of the view, by logical index: one table that the lists
// show, the graph reads and the commands change. Where the rows stand and
// which are hidden is the lists' business (their sections move and hide).
class ChannelTable
{
public:
    int size() const { return int(rows.size()); }
    const ChannelState &operator[](int row) const { return rows[size_t(row)]; }
    ChannelState &operator[](int row) { return rows[size_t(row)]; }

    // Rows for channels 0 to count - 1 of a signal, as new rows start.
    void append(const QString &signal, int count, double height);
    void removeAt(int row) { rows.erase(rows.begin() + row); }
    void clear() { rows.clear(); }

    // The rows of a signal, and of one of its channels (any for -1).
    QList<int> rowsOf(const QString &signal, int channel = -1) const;

    // A new row's colour: one of four, by channel.
    static QColor defaultColour(int channel);

private:
    std::vector<ChannelState> rows;
};

// The bands of rows drawn as one: a row and the rows after it in visual
// order while each is merged with the next. `order` holds the logical rows
// in visual order; so does each band.
QVector<QVector<int>> bandsOf(const ChannelTable &table, const QVector<int> &order);
// The band that starts at visual index `first`, and where the band that
// holds visual index `visual` starts: what a view that shows a few of many
// rows needs, without making every band.
QVector<int> bandFrom(const ChannelTable &table, const QVector<int> &order, int first);
int bandStartOf(const ChannelTable &table, const QVector<int> &order, int visual);

// Heights for `rows` rows that share `total` pixels: as even as whole
// pixels allow, the last taking what is left over. None is below `least`:
// rows too many for the total keep that height and fill more than it.
QVector<int> sharedHeights(int rows, int total, int least);

// Where a jump from `cursor` lands over the rows for which `counts` holds
// (all when empty), or nothing when no row has a record there.
// `exactlyTheStoresSignals` tells that the rows are those of the store's
// signals and no others, so that the ends are the store's own.
std::optional<double> jumpTime(const SignalData &store, const ChannelTable &table, const QVector<bool> &counts,
                               JumpMode mode, double cursor, bool exactlyTheStoresSignals);
