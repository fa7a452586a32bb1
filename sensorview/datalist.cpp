#include "datalist.h"


#include <QFontDatabase>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
constexpr int SwatchLeft = 8;
constexpr int WidthPadding = 16;
}

ChannelListModel::ChannelListModel(const ChannelTable &table, bool values, QObject *parent)
    : QAbstractTableModel(parent)
    , table(table)
    , values(values)
{
}

int ChannelListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : shown;
}

int ChannelListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant ChannelListModel::data(const QModelIndex &, int) const
{
    return QVariant();
}

QVariant ChannelListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // Between a change of the table and the model being told, the two may
    // count rows apart for a moment: only rows both hold are answered.
    if (orientation != Qt::Vertical || section < 0 || section >= std::min(shown, table.size()))
        return QAbstractTableModel::headerData(section, orientation, role);
    const ChannelState &row = table[section];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return values ? DataList::valueText(row) : row.shownLabel();
    case Qt::TextAlignmentRole:
        return int(Qt::AlignRight);
    case Qt::FontRole:
        return font;
    case DataList::SignalNameRole:
        return row.signal;
    case DataList::FormatRole:
        return row.format;
    case DataList::ValueRole:
        return row.value ? QVariant(*row.value) : QVariant();
    case DataList::HeightRole:
        return row.height;
    case DataList::ChannelIndexRole:
        return row.channel;
    case DataList::StyleRole:
        return row.style;
    case DataList::MergedRole:
        return row.merged;
    case DataList::LabelRole:
        return row.shownLabel();
    case DataList::ColorRole:
        return row.colour;
    case DataList::TriggerModeRole:
        return row.triggerMode;
    case DataList::TriggerLevelRole:
        return row.triggerLevel;
    case DataList::EnumNamesRole:
        return row.enumNames;
    default:
        return QVariant();
    }
}

void ChannelListModel::showAppended()
{
    if (table.size() <= shown)
        return;
    beginInsertRows(QModelIndex(), shown, table.size() - 1);
    shown = table.size();
    endInsertRows();
}

void ChannelListModel::showRemoved(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
    --shown;
    endRemoveRows();
}

void ChannelListModel::showAll()
{
    beginResetModel();
    shown = table.size();
    endResetModel();
}

DataList::DataList(ChannelTable &table, bool isValueList, QWidget *parent)
    : QHeaderView(Qt::Vertical, parent)
    , table(table)
    , rows(table, isValueList)
    , valueList(isValueList)
{
    setModel(&rows);
    selection = new QItemSelectionModel(&rows, this);
    setSelectionModel(selection);
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(true);
    setFocusPolicy(Qt::ClickFocus);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setDefaultAlignment(Qt::AlignRight);
    rows.font = font();
    // Rows may be made as low as the user likes; hidden ones are 0 px.
    setMinimumSectionSize(1);
}

// Shown alike: equal with the same sign (0 and -0 show apart), or both
// not a number (which shows as nothing).
bool DataList::sameValue(double a, double b)
{
    return (a == b && std::signbit(a) == std::signbit(b)) || (std::isnan(a) && std::isnan(b));
}

void DataList::setValues(const QVector<double> &values, int firstRow)
{
    const int count = std::min(values.size(), rowCount() - firstRow);
    if (count <= 0)
        return;
    int changedFrom = -1;
    int changedTo = -1;
    for (int i = 0; i < count; ++i) {
        const int row = firstRow + i;
        // Most values stay from one cursor move to the next; formatting
        // them anew would cost the most.
        const std::optional<double> &held = table[row].value;
        if (held && sameValue(*held, values[i]))
            continue;
        table[row].value = values[i];
        table[row].valueTextStale = true;
        changedFrom = changedFrom < 0 ? row : changedFrom;
        changedTo = row;
    }
    if (changedFrom >= 0)
        rows.showChanged(changedFrom, changedTo);
}

void DataList::showAllRows()
{
    rows.showAll();
    clickedRow = -1;
}

const QString &DataList::valueText(const ChannelState &state)
{
    if (state.valueTextStale) {
        state.valueText = state.value ? formatValue(*state.value, state.format, state.enumNames.toStringList()) : QString();
        state.valueTextStale = false;
    }
    return state.valueText;
}

QString DataList::formatValue(double value, int format, const QStringList &names)
{
    if (std::isnan(value))
        return QString();
    const int n = int(value);
    if (format == Enumeration && n >= 0 && n < names.size())
        return names.at(n);
    // Shown signed: the minus sign stays in front of the digits.
    if (format == Hex)
        return QStringLiteral("0x") + (n < 0 ? QStringLiteral("-") + QString::number(-qint64(n), 16)
                                             : QString::number(n, 16));
    return QString::number(value, 'g', 6);
}

void DataList::reformat(int row)
{
    table[row].valueTextStale = true;
    rows.showChanged(row, row);
}

int DataList::bandEnd(int first) const
{
    int end = first;
    while (end + 1 < count() && table[logicalIndex(end)].merged)
        ++end;
    return end;
}

bool DataList::isRowSelected(int row) const
{
    return selection->isRowSelected(row, QModelIndex());
}

void DataList::setRowSelected(int row, bool selected)
{
    selection->select(rows.index(row, 0), (selected ? QItemSelectionModel::Select
                                                    : QItemSelectionModel::Deselect)
                                              | QItemSelectionModel::Rows);
}

int DataList::preferredWidth() const
{
    return sizeHint().width() + fontMetrics().height() + WidthPadding;
}

void DataList::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    if (valueList)
        return;
    const int side = painter->fontMetrics().height() / 2;
    const QRect swatch(rect.left() + SwatchLeft, rect.top() + side, side, side);
    painter->fillRect(swatch, table[logicalIndex].colour);
    painter->setPen(Qt::black);
    painter->drawRect(swatch);
}

void DataList::mousePressEvent(QMouseEvent *event)
{
    QHeaderView::mousePressEvent(event);
    // A press on a boundary starts a resize, not a click.
    if (viewport()->cursor().shape() == Qt::SplitVCursor)
        return;
    const int row = logicalIndexAt(event->pos());
    if (row >= 0)
        emit rowClicked(row, event->button(), event->modifiers());
}
