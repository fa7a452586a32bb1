#include "datalist.h"

#include "curvestyle.h"

#include <QFontDatabase>
#include <QSignalBlocker>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {
const QColor ChannelColors[] = {QColor(255, 0, 0), QColor(0, 192, 0), QColor(0, 0, 255), QColor(192, 0, 192)};
constexpr int SwatchLeft = 8;
constexpr int WidthPadding = 16;
}

DataList::DataList(bool isValueList, QWidget *parent)
    : QHeaderView(Qt::Vertical, parent)
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
    // Rows may be made as low as the user likes; hidden ones are 0 px.
    setMinimumSectionSize(1);
}

// Shown alike: equal with the same sign (0 and -0 show apart), or both
// not a number (which shows as nothing).
bool DataList::sameValue(double a, double b)
{
    return (a == b && std::signbit(a) == std::signbit(b)) || (std::isnan(a) && std::isnan(b));
}

QColor DataList::defaultColor(int channel)
{
    return ChannelColors[((channel % 4) + 4) % 4];
}

void DataList::setRowData(int row, int role, const QVariant &value)
{
    rows.setHeaderData(row, Qt::Vertical, value, role);
    if (role == LabelRole && !valueList)
        rows.setHeaderData(row, Qt::Vertical, value, Qt::EditRole);
}

void DataList::appendRows(const QVector<QPair<QString, int>> &signalChannels)
{
    int added = 0;
    for (const auto &entry : signalChannels)
        added += entry.second;
    if (added <= 0)
        return;
    const int first = rows.rowCount();
    rows.insertRows(first, added);
    // Each header data change would update the list on its own: with many
    // rows that is one pass over all of them per change.
    {
        const QSignalBlocker quiet(&rows);
        int row = first;
        for (const auto &entry : signalChannels) {
            for (int index = 0; index < entry.second; ++index)
                fillRow(row++, entry.first, index);
        }
    }
    emit rows.headerDataChanged(Qt::Vertical, first, first + added - 1);
}

void DataList::setValues(const QVector<double> &values, int firstRow)
{
    const int count = std::min(values.size(), rowCount() - firstRow);
    if (count <= 0)
        return;
    int changedFrom = -1;
    int changedTo = -1;
    {
        const QSignalBlocker quiet(&rows);
        for (int i = 0; i < count; ++i) {
            const int row = firstRow + i;
            // Most values stay from one cursor move to the next; formatting
            // them anew would cost the most.
            const QVariant held = rowData(row, ValueRole);
            if (held.isValid() && sameValue(held.toDouble(), values[i]))
                continue;
            setValue(row, values[i]);
            changedFrom = changedFrom < 0 ? row : changedFrom;
            changedTo = row;
        }
    }
    if (changedFrom >= 0)
        emit rows.headerDataChanged(Qt::Vertical, changedFrom, changedTo);
}

// A new row's values in one go: set one by one, each would look up and
// grow the row's list of values.
void DataList::fillRow(int row, const QString &name, int index)
{
    const QString text = QString::number(index);
    rows.fillRow(row, {{SignalNameRole, name},
                       {FormatRole, int(Decimal)},
                       {HeightRole, double(sectionSize(row))},
                       {ChannelIndexRole, index},
                       {StyleRole, int(CurveStyle::Steps)},
                       {LabelRole, text},
                       {ColorRole, defaultColor(index)},
                       {Qt::TextAlignmentRole, int(Qt::AlignRight)},
                       {Qt::FontRole, font()},
                       {Qt::EditRole, text},
                       // Its place, for the first value shown.
                       {ValueRole, QVariant()}});
}

void DataList::clearRows()
{
    rows.removeRows(0, rows.rowCount());
    clickedRow = -1;
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

void DataList::setValue(int row, double value)
{
    setRowData(row, ValueRole, value);
    reformat(row);
}

void DataList::reformat(int row)
{
    if (!valueList)
        return;
    const QVariant value = rowData(row, ValueRole);
    const QString text = value.isValid()
                             ? formatValue(value.toDouble(), rowData(row, FormatRole).toInt(),
                                           rowData(row, EnumNamesRole).toStringList())
                             : QString();
    rows.setHeaderData(row, Qt::Vertical, text, Qt::EditRole);
}

int DataList::bandEnd(int first) const
{
    int end = first;
    while (end + 1 < count() && rowData(logicalIndex(end), MergedRole).toBool())
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
    painter->fillRect(swatch, rowData(logicalIndex, ColorRole).value<QColor>());
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
