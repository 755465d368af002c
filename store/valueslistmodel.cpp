#include "valueslistmodel.h"

#include "units.h"

namespace {

struct ColumnDef
{
    const char *key;
    const char *header;
    const char *spoken; // what a screen reader says for the header, where "#" or "TEMP" would not do
};

constexpr ColumnDef Columns[ValuesListModel::ColumnCount] = {
    {"Num", "#", "Number and tick"},       {"cdate", "DATE", "Date and time"},
    {"cvalue", "Glucose", "Glucose"},      {"cunit", "Unit", "Unit"},
    {"ctrl", "Ctrl", "Control test mark"}, {"temp", "TEMP", "Temperature mark"},
};

// The marks a meter writes, shared by every cell that shows them.
QString markText(QStringView field)
{
    static const QString marks[] = {QStringLiteral("-"), QStringLiteral("Ctrl"), QStringLiteral("TEMP")};
    for (const QString &mark : marks) {
        if (field == mark)
            return mark;
    }
    return field.toString();
}

QString valueText(const ValuesRow &row, QStringView line)
{
    switch (row.shown) {
    case ValueShown::Low:
        return QStringLiteral("Low");
    case ValueShown::High:
        return QStringLiteral("High");
    case ValueShown::AsStored:
        return row.fields.of(line, RecordSpans::Value).toString();
    case ValueShown::Mmol:
        return units::mmolText(row.value);
    case ValueShown::Blank:
        break;
    }
    return QString();
}

} // namespace

QString ValuesList::tickName(int row, bool ticked) const
{
    const QString value = text(row, ValuesListModel::ValueColumn);
    QString name = QStringLiteral("Reading %1, %2: %3 on %4")
                       .arg(text(row, ValuesListModel::NumColumn),
                            ticked ? QStringLiteral("ticked") : QStringLiteral("not ticked"),
                            value.isEmpty() ? QStringLiteral("unreadable value")
                                            : value + u' ' + text(row, ValuesListModel::UnitColumn),
                            text(row, ValuesListModel::DateColumn));
    if (text(row, ValuesListModel::CtrlColumn) == QLatin1String("Ctrl"))
        name += QStringLiteral(", control test");
    return name;
}

QString ValuesList::text(int row, int column) const
{
    const ValuesRow &r = rows.at(row);
    const QString &line = lines.at(row);
    switch (column) {
    case ValuesListModel::NumColumn:
        return QString::number(row + 1);
    case ValuesListModel::DateColumn:
        return r.fields.of(line, RecordSpans::DateTime).toString();
    case ValuesListModel::ValueColumn:
        return valueText(r, line);
    case ValuesListModel::UnitColumn:
        return unitText;
    case ValuesListModel::CtrlColumn:
        return markText(r.fields.of(line, RecordSpans::CtrlMark));
    case ValuesListModel::TempColumn:
        return markText(r.fields.of(line, RecordSpans::TempMark));
    default:
        return QString();
    }
}

void ValuesListModel::setList(ValuesList list)
{
    beginResetModel();
    m_list = std::move(list);
    m_checked = QVector<bool>(m_list.rows.size(), false);
    endResetModel();
}

void ValuesListModel::clear()
{
    setList({});
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
    emit dataChanged(box, box, {Qt::CheckStateRole, Qt::AccessibleTextRole});
}

QVector<StoreItemRef> ValuesListModel::checkedItems() const
{
    QVector<StoreItemRef> items;
    for (int r = 0; r < m_list.size(); ++r) {
        if (m_checked.at(r))
            items.push_back(m_list.item(r));
    }
    return items;
}

int ValuesListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_list.size();
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
        return m_list.text(index.row(), index.column());
    if (role == Qt::AccessibleTextRole && index.column() == NumColumn)
        return m_list.tickName(index.row(), m_checked.at(index.row()));
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
    if (role == Qt::AccessibleTextRole)
        return QString::fromLatin1(Columns[section].spoken);
    return {};
}
