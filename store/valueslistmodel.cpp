#include "valueslistmodel.h"

// Placeholder until the values list lands.
void ValuesListModel::setRows(QVector<ValuesRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void ValuesListModel::clear()
{
    setRows({});
}

int ValuesListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ValuesListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 6;
}

QVariant ValuesListModel::data(const QModelIndex &, int) const
{
    return {};
}
