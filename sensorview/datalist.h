#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <QHeaderView>

#include "channeltable.h"

class QItemSelectionModel;

// The rows of one channel list as its header shows them, answered from the
// channel table in the roles the list's properties are known by. The table
// changes first; then the model is told.
class ChannelListModel : public QAbstractTableModel
{
public:
    ChannelListModel(const ChannelTable &table, bool values, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The rows the table gained at its end since the model last looked.
    void showAppended();
    // The table lost its row `row`.
    void showRemoved(int row);
    // The table changed as a whole.
    void showAll();
    void showChanged(int first, int last) { emit headerDataChanged(Qt::Vertical, first, last); }

    QFont font;

private:
    const ChannelTable &table;
    bool values = false;
    int shown = 0;
};

// One of the two channel lists: a vertical header used as a list, a row (a
// section) per channel of the channel table, whose properties its model's
// header data answer.
// The label list paints a colour swatch beside each label; the value list
// shows the channel's value at the cursor.
class DataList : public QHeaderView
{
    Q_OBJECT

public:
    enum Role {
        SignalNameRole = Qt::UserRole,
        FormatRole,
        ValueRole,
        HeightRole,
        ChannelIndexRole,
        StyleRole,
        MergedRole,
        LabelRole,
        ColorRole,
        TriggerModeRole,
        TriggerLevelRole,
        EnumNamesRole,
    };
    enum Format { Decimal = 1, Hex = 2, Enumeration = 3 };

    DataList(ChannelTable &table, bool isValueList, QWidget *parent = nullptr);

    bool isValueList() const { return valueList; }
    int rowCount() const { return rows.rowCount(); }
    QVariant rowData(int row, int role) const { return rows.headerData(row, Qt::Vertical, role); }

    // The table gained rows at its end: shown in one update of the list
    // however many there are.
    void showAppendedRows() { rows.showAppended(); }
    void showRemovedRow(int row) { rows.showRemoved(row); }
    // The table's rows changed in their properties.
    void showChangedRows(int first, int last) { rows.showChanged(first, last); }
    // Takes the values of many rows, from `firstRow` on, into the table and
    // shows them in one update of the list.
    void setValues(const QVector<double> &values, int firstRow = 0);
    // The table was emptied or replaced.
    void showAllRows();
    // Brings a row's shown value in step with its format and names.
    void reformat(int row);

    // A band is a run of rows drawn as one: each merged row joins the next
    // one in visual order. The last visual index of the band that starts
    // at visual index `first`.
    int bandEnd(int first) const;

    bool isRowSelected(int row) const;
    void setRowSelected(int row, bool selected);
    QItemSelectionModel *rowSelection() const { return selection; }

    // The text a row's value shows as.
    static const QString &valueText(const ChannelState &state);
    // The text a value shows as in the given format.
    static QString formatValue(double value, int format, const QStringList &names);
    static bool sameValue(double a, double b);

    int preferredWidth() const;
    // Where a Shift+click extends the selection from; -1 for nowhere.
    int lastClickedRow() const { return clickedRow; }
    void setLastClickedRow(int row) { clickedRow = row; }

signals:
    void rowClicked(int row, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    ChannelTable &table;
    ChannelListModel rows;
    QItemSelectionModel *selection = nullptr;
    bool valueList = false;
    int clickedRow = -1;
};
