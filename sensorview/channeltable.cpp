#include "channeltable.h"

#include "signaldata.h"
#include "systemmemory.h"

namespace {
const QColor ChannelColours[] = {QColor(255, 0, 0), QColor(0, 192, 0), QColor(0, 0, 255), QColor(192, 0, 192)};
}

QColor ChannelTable::defaultColour(int channel)
{
    return ChannelColours[((channel % 4) + 4) % 4];
}

void ChannelTable::append(const QString &signal, int count, double height)
{
    rows.reserve(rows.size() + size_t(std::max(count, 0)));
    // The new rows are filled at once, however many a line brings.
    preferLargePages(rows.data() + rows.size(), (rows.capacity() - rows.size()) * sizeof(ChannelState));
    for (int index = 0; index < count; ++index) {
        ChannelState &state = rows.emplace_back();
        state.signal = signal;
        state.channel = index;
        state.colour = defaultColour(index);
        state.height = height;
    }
}

QList<int> ChannelTable::rowsOf(const QString &signal, int channel) const
{
    QList<int> found;
    for (int row = 0; row < size(); ++row) {
        if ((*this)[row].signal == signal && (channel < 0 || (*this)[row].channel == channel))
            found << row;
    }
    return found;
}

QVector<int> sharedHeights(int rows, int total, int least)
{
    if (rows <= 0)
        return {};
    const int each = total / rows;
    if (each < least)
        return QVector<int>(rows, least);
    QVector<int> heights(rows, each);
    heights.last() = total - each * (rows - 1);
    return heights;
}

QVector<QVector<int>> bandsOf(const ChannelTable &table, const QVector<int> &order)
{
    QVector<QVector<int>> bands;
    for (int visual = 0; visual < order.size(); visual += bands.constLast().size())
        bands << bandFrom(table, order, visual);
    return bands;
}

QVector<int> bandFrom(const ChannelTable &table, const QVector<int> &order, int first)
{
    QVector<int> band{order[first]};
    for (int visual = first; visual + 1 < order.size() && table[order[visual]].merged;)
        band << order[++visual];
    return band;
}

int bandStartOf(const ChannelTable &table, const QVector<int> &order, int visual)
{
    while (visual > 0 && table[order[visual - 1]].merged)
        --visual;
    return visual;
}

std::optional<double> jumpTime(const SignalData &store, const ChannelTable &table, const QVector<bool> &counts,
                               JumpMode mode, double cursor, bool exactlyTheStoresSignals)
{
    bool found = false;
    double result = 0.0;
    const auto take = [&](double time, bool smaller) {
        if (!found || (smaller ? time < result : time > result))
            result = time;
        found = true;
    };
    // Start and end over the rows of every signal are the store's own: what
    // live input asks for every tenth of a second, without a pass over
    // thousands of rows.
    const bool toAnEnd = mode == JumpMode::Start || mode == JumpMode::End;
    const bool everySignal = counts.isEmpty() && table.size() > 0 && !store.holdsNaNTime() && exactlyTheStoresSignals;
    if (toAnEnd && everySignal)
        take(mode == JumpMode::Start ? store.firstTime(store.all()) : store.lastTime(store.all()), false);
    // Rows of the signal just looked at give the same answer again: a line
    // of a million values is one signal's million rows.
    const QString *lastSignal = nullptr;
    for (int row = 0; row < table.size() && !(toAnEnd && everySignal); ++row) {
        if (!counts.isEmpty() && !counts.value(row))
            continue;
        if (lastSignal && *lastSignal == table[row].signal)
            continue;
        lastSignal = &table[row].signal;
        const SignalSeries &series = store.series(table[row].signal);
        switch (mode) {
        case JumpMode::Start:
            take(store.firstTime(series), true);
            break;
        case JumpMode::End:
            take(store.lastTime(series), false);
            break;
        case JumpMode::NextSample: {
            const int next = store.nextIndex(series, cursor);
            if (next >= 0 && store.time(series, next) != cursor)
                take(store.time(series, next), true);
            break;
        }
        case JumpMode::PreviousSample: {
            const int previous = store.previousIndex(series, cursor);
            if (previous >= 0 && store.time(series, previous) != cursor)
                take(store.time(series, previous), false);
            break;
        }
        }
    }
    return found ? std::optional<double>(result) : std::nullopt;
}
