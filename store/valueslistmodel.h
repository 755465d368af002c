#pragma once

#include "readingstore.h"

#include <QAbstractTableModel>
#include <QVector>

// One row of the values list, as the report fills it.
struct ValuesRow
{
    QString num;
    QString date;
    QString value;
    QString unit;
    QString ctrl;
    QString temp;
    // Where the reading lies in the store and what it read there, so that a deletion removes
    // exactly this reading and not another one that happens to share its date-time.
    int position = -1;
    QString recordLine;
};

// The rows of the values window's list, with a check box on each row. Rebuilt whole in one
// reset by every report run; ticks do not survive a rebuild.
class ValuesListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        NumColumn,
        DateColumn,
        ValueColumn,
        UnitColumn,
        CtrlColumn,
        TempColumn,
        ColumnCount
    };
    // headerData() gives each column's key ("Num", "cdate", ...) under this role.
    static constexpr int KeyRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;
    void setRows(QVector<ValuesRow> rows);
    void clear();
    const QVector<ValuesRow> &rows() const { return m_rows; }

    // The column of a key, -1 for a key the list does not have.
    static int columnOfKey(const QString &key);

    bool isChecked(int row) const;
    void setChecked(int row, bool checked);
    // The ticked readings, in list order.
    QVector<StoreItemRef> checkedItems() const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QVector<ValuesRow> m_rows;
    QVector<bool> m_checked;
};
