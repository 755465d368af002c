#pragma once

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
};

// The rows of the values window's list, with a check box on each row. Rebuilt whole in one
// reset by every report run.
class ValuesListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setRows(QVector<ValuesRow> rows);
    void clear();
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    QVector<ValuesRow> m_rows;
};
