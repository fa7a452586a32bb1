#pragma once

#include <QHeaderView>

#include "headermodel.h"

class QItemSelectionModel;

// One of the two channel lists: a vertical header used as a list, a row (a
// section) per channel, the channel's display properties in the header data.
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

    DataList(bool isValueList, QWidget *parent = nullptr);

    bool isValueList() const { return valueList; }
    int rowCount() const { return rows.rowCount(); }
    QVariant rowData(int row, int role) const { return rows.headerData(row, Qt::Vertical, role); }
    void setRowData(int row, int role, const QVariant &value);

    // Appends the rows of channels 0 to count - 1 of each signal, in one
    // update of the list however many there are.
    void appendRows(const QVector<QPair<QString, int>> &signalChannels);
    // Shows the values of many rows, from `firstRow` on, in one update of
    // the list.
    void setValues(const QVector<double> &values, int firstRow = 0);
    void clearRows();
    // Stores the value and shows it formatted (value list only).
    void setValue(int row, double value);
    void reformat(int row);

    // A band is a run of rows drawn as one: each merged row joins the next
    // one in visual order. The last visual index of the band that starts
    // at visual index `first`.
    int bandEnd(int first) const;

    bool isRowSelected(int row) const;
    void setRowSelected(int row, bool selected);
    QItemSelectionModel *rowSelection() const { return selection; }

    // The text a value shows as in the given format.
    static QString formatValue(double value, int format, const QStringList &names);
    static QColor defaultColor(int channel);
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
    void fillRow(int row, const QString &name, int index);

    HeaderModel rows;
    QItemSelectionModel *selection = nullptr;
    bool valueList = false;
    int clickedRow = -1;
};
