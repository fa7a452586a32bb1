#include "headermodel.h"

namespace {
int storedRole(int role)
{
    return role == Qt::EditRole ? int(Qt::DisplayRole) : role;
}
} // namespace

HeaderModel::HeaderModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int HeaderModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows.size();
}

int HeaderModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant HeaderModel::data(const QModelIndex &, int) const
{
    return QVariant();
}

QVariant HeaderModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Vertical || section < 0 || section >= rows.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    const int key = storedRole(role);
    for (const Entry &entry : rows[section]) {
        if (entry.first == key)
            return entry.second;
    }
    return key == Qt::DisplayRole ? QAbstractTableModel::headerData(section, orientation, role) : QVariant();
}

bool HeaderModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role)
{
    if (orientation != Qt::Vertical || section < 0 || section >= rows.size())
        return false;
    const int key = storedRole(role);
    QVector<Entry> &entries = rows[section];
    auto it = std::find_if(entries.begin(), entries.end(), [key](const Entry &e) { return e.first == key; });
    if (it == entries.end()) {
        if (!value.isValid())
            return true;
        entries.append({key, value});
    } else if (!value.isValid()) {
        entries.erase(it);
    } else if (it->second == value && it->second.userType() == value.userType()) {
        return true;
    } else {
        it->second = value;
    }
    emit headerDataChanged(Qt::Vertical, section, section);
    return true;
}

void HeaderModel::fillRow(int row, QVector<Entry> entries)
{
    if (row < 0 || row >= rows.size())
        return;
    for (Entry &entry : entries)
        entry.first = storedRole(entry.first);
    rows[row] = std::move(entries);
}

bool HeaderModel::insertRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || row > rows.size() || count <= 0)
        return false;
    beginInsertRows(QModelIndex(), row, row + count - 1);
    rows.insert(row, count, QVector<Entry>());
    endInsertRows();
    return true;
}

bool HeaderModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || row + count > rows.size())
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    rows.remove(row, count);
    endRemoveRows();
    return true;
}
