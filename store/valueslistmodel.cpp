#include "valueslistmodel.h"

namespace {

struct ColumnDef
{
    const char *key;
    const char *header;
};

constexpr ColumnDef Columns[ValuesListModel::ColumnCount] = {
    {"Num", "#"},      {"cdate", "DATE"}, {"cvalue", "Glucose"},
    {"cunit", "Unit"}, {"ctrl", "Ctrl"},  {"temp", "TEMP"},
};

const QString &cell(const ValuesRow &row, int column)
{
    switch (column) {
    case ValuesListModel::NumColumn:
        return row.num;
    case ValuesListModel::DateColumn:
        return row.date;
    case ValuesListModel::ValueColumn:
        return row.value;
    case ValuesListModel::UnitColumn:
        return row.unit;
    case ValuesListModel::CtrlColumn:
        return row.ctrl;
    default:
        return row.temp;
    }
}

} // namespace

void ValuesListModel::setRows(QVector<ValuesRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_checked = QVector<bool>(m_rows.size(), false);
    endResetModel();
}

void ValuesListModel::clear()
{
    setRows({});
}

int ValuesListModel::columnOfKey(const QString &key)
{
    for (int c = 0; c < ColumnCount; ++c) {
        if (key == QLatin1String(Columns[c].key))
            return c;
    }
    return -1;
}

bool ValuesListModel::isChecked(int row) const
{
    return row >= 0 && row < m_checked.size() && m_checked.at(row);
}

void ValuesListModel::setChecked(int row, bool checked)
{
    if (row < 0 || row >= m_checked.size() || m_checked.at(row) == checked)
        return;
    m_checked[row] = checked;
    const QModelIndex box = index(row, NumColumn);
    emit dataChanged(box, box, {Qt::CheckStateRole});
}

QVector<StoreItemRef> ValuesListModel::checkedItems() const
{
    QVector<StoreItemRef> items;
    for (int r = 0; r < m_rows.size(); ++r) {
        if (m_checked.at(r))
            items.push_back(StoreItemRef{m_rows.at(r).position, m_rows.at(r).recordLine});
    }
    return items;
}

int ValuesListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ValuesListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ValuesListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole)
        return cell(m_rows.at(index.row()), index.column());
    if (role == Qt::CheckStateRole && index.column() == NumColumn)
        return m_checked.at(index.row()) ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool ValuesListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != NumColumn ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags ValuesListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == NumColumn)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant ValuesListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(Columns[section].header);
    if (role == KeyRole)
        return QString::fromLatin1(Columns[section].key);
    return {};
}
