#pragma once

#include <QAbstractTableModel>
#include <QVector>

#include <utility>

// The rows of a list made of a vertical header: per row a handful of values
// by role, and nothing else. The toolkit's standard model looks up a header
// row's place by a walk over all rows on every change, which makes filling
// a list of many thousand rows take minutes; here a change costs the same
// for any number of rows.
class HeaderModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit HeaderModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // Edit and display are one text, as in the toolkit's standard model.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role) override;
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    using Entry = std::pair<int, QVariant>;
    // Gives a row all its values at once (roles as setHeaderData takes
    // them), telling nobody: for filling rows just inserted, where one
    // change signal for all of them follows.
    void fillRow(int row, QVector<Entry> entries);
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

private:
    QVector<QVector<Entry>> rows;
};
