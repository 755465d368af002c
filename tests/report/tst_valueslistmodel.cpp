// The values list's model: its keyed columns, the check boxes, and what a deletion is handed.
#include "valueslistmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

namespace {

QVector<ValuesRow> threeRows()
{
    QVector<ValuesRow> rows;
    const QStringList lines{"100,2012-5-6 9:5:00,mg/dL,-,-", "100,2012-5-6 9:5:00,mg/dL,Ctrl,-",
                            "250,2012-5-7 18:0:00,mg/dL,-,TEMP"};
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList f = lines[i].split(QLatin1Char(','));
        rows.push_back(
            ValuesRow{QString::number(i + 1), f[1], f[0], QStringLiteral("mg/dl"), f[3], f[4], i, lines[i]});
    }
    return rows;
}

} // namespace

class tst_ValuesListModel : public QObject
{
    Q_OBJECT
private slots:
    void columns_data();
    void columns();
    void cells_data();
    void cells();
    void onlyTheFirstColumnIsCheckable();
    void tickedRowsGiveTheirStorePlaces_data();
    void tickedRowsGiveTheirStorePlaces();
    void rebuildDropsTicks();
    void staysAConsistentModel();
};

void tst_ValuesListModel::columns_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("header");

    QTest::newRow("0") << 0 << "Num"
                       << "#";
    QTest::newRow("1") << 1 << "cdate"
                       << "DATE";
    QTest::newRow("2") << 2 << "cvalue"
                       << "Glucose";
    QTest::newRow("3") << 3 << "cunit"
                       << "Unit";
    QTest::newRow("4") << 4 << "ctrl"
                       << "Ctrl";
    QTest::newRow("5") << 5 << "temp"
                       << "TEMP";
}

void tst_ValuesListModel::columns()
{
    QFETCH(int, column);
    QFETCH(QString, key);
    QFETCH(QString, header);

    ValuesListModel model;
    QCOMPARE(model.columnCount(), 6);
    QCOMPARE(model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), header);
    QCOMPARE(model.headerData(column, Qt::Horizontal, ValuesListModel::KeyRole).toString(), key);
    QCOMPARE(ValuesListModel::columnOfKey(key), column);
}

void tst_ValuesListModel::cells_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("first") << 0 << QStringList{"1", "2012-5-6 9:5:00", "100", "mg/dl", "-", "-"};
    QTest::newRow("second") << 1 << QStringList{"2", "2012-5-6 9:5:00", "100", "mg/dl", "Ctrl", "-"};
    QTest::newRow("third") << 2 << QStringList{"3", "2012-5-7 18:0:00", "250", "mg/dl", "-", "TEMP"};
}

void tst_ValuesListModel::cells()
{
    QFETCH(int, row);
    QFETCH(QStringList, texts);

    ValuesListModel model;
    model.setRows(threeRows());
    QCOMPARE(model.rowCount(), 3);
    for (int c = 0; c < texts.size(); ++c)
        QCOMPARE(model.index(row, c).data().toString(), texts[c]);
    QCOMPARE(model.index(row, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
}

void tst_ValuesListModel::onlyTheFirstColumnIsCheckable()
{
    ValuesListModel model;
    model.setRows(threeRows());
    QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
    for (int c = 1; c < 6; ++c) {
        QVERIFY(!(model.flags(model.index(0, c)) & Qt::ItemIsUserCheckable));
        QVERIFY(!model.setData(model.index(0, c), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(!model.index(0, c).data(Qt::CheckStateRole).isValid());
    }
    QVERIFY(model.checkedItems().isEmpty());
}

void tst_ValuesListModel::tickedRowsGiveTheirStorePlaces_data()
{
    QTest::addColumn<QList<int>>("ticked");
    QTest::addColumn<QList<int>>("positions");

    QTest::newRow("none") << QList<int>{} << QList<int>{};
    // Two readings of one minute are told apart by their places.
    QTest::newRow("one of a same-minute pair") << QList<int>{1} << QList<int>{1};
    QTest::newRow("first and last") << QList<int>{0, 2} << QList<int>{0, 2};
    QTest::newRow("all") << QList<int>{2, 0, 1} << QList<int>{0, 1, 2};
}

void tst_ValuesListModel::tickedRowsGiveTheirStorePlaces()
{
    QFETCH(QList<int>, ticked);
    QFETCH(QList<int>, positions);

    ValuesListModel model;
    const QVector<ValuesRow> rows = threeRows();
    model.setRows(rows);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    for (int r : ticked)
        QVERIFY(model.setData(model.index(r, 0), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(changed.count(), ticked.size());

    const QVector<StoreItemRef> refs = model.checkedItems();
    QCOMPARE(refs.size(), positions.size());
    for (int i = 0; i < refs.size(); ++i) {
        QCOMPARE(refs[i].position, positions[i]);
        QCOMPARE(refs[i].recordLine, rows[positions[i]].recordLine);
        QCOMPARE(model.index(positions[i], 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    }
}

void tst_ValuesListModel::rebuildDropsTicks()
{
    ValuesListModel model;
    model.setRows(threeRows());
    model.setChecked(0, true);
    model.setChecked(2, true);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.setRows(threeRows());
    QCOMPARE(reset.count(), 1);
    QVERIFY(model.checkedItems().isEmpty());
    model.clear();
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(model.checkedItems().isEmpty());
    model.setChecked(0, true); // no row: nothing to tick, nothing breaks
    QVERIFY(model.checkedItems().isEmpty());
}

void tst_ValuesListModel::staysAConsistentModel()
{
    ValuesListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRows(threeRows());
    model.setChecked(1, true);
    model.setRows({});
    model.setRows(threeRows());
    QCOMPARE(model.rowCount(), 3);
}

QTEST_GUILESS_MAIN(tst_ValuesListModel)
#include "tst_valueslistmodel.moc"
