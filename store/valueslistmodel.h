#pragma once

#include "readingstore.h"
#include "recordline.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

// How the Glucose column shows a reading's value, as the report decided it.
enum class ValueShown : quint8
{
    Blank, // the value text is not a number
    Low,
    High,
    AsStored, // the value text exactly as stored
    Mmol      // the value in mmol/L with one decimal
};

// One reading of the values list, kept compact: where its fields lie in its record line and its
// value as a number. A cell's text is made only when the view asks for it, so a list of 65,535
// readings costs what the rows on screen cost.
struct ValuesRow
{
    RecordSpans fields;
    double value = 0; // in mg/dL, as the value text reads
    ValueShown shown = ValueShown::Blank;
};

// Everything the list shows: the record lines in store order, one row per line, and the unit
// text of the run. Row r shows the reading at store position r, numbered r + 1.
struct ValuesList
{
    QStringList lines;
    QVector<ValuesRow> rows;
    QString unitText;

    int size() const { return int(rows.size()); }
    // The text of a cell, as the list shows it.
    QString text(int row, int column) const;
    // What a screen reader says of the row's tick box: which reading it ticks, and whether it is
    // ticked, which Qt does not tell a reader of a table's cell.
    QString tickName(int row, bool ticked) const;
    // Where the reading lies in the store and what it read there, so that a deletion removes
    // exactly this reading and not another one that happens to share its date-time.
    StoreItemRef item(int row) const { return StoreItemRef{row, lines.at(row)}; }
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
    void setList(ValuesList list);
    void clear();

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
    ValuesList m_list;
    QVector<bool> m_checked;
};
