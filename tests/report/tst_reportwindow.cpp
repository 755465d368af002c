// The report as the user sees it on the real windows: the main window started on a throw-away
// program directory, its chart, its average caption, and the values window with its list.
#include "mainwindow.h"
#include "readingstore.h"
#include "tempprogramdir.h"
#include "trendchart.h"
#include "valueslistmodel.h"
#include "valueswindow.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtCharts/QValueAxis>
#include <QtTest>
#include <memory>

namespace {

using Settings = QMap<QString, QString>;

QByteArray iniText(const Settings &overrides)
{
    Settings setting{{"unit", "mg/dl"}, {"timesplit", "ALL"}, {"NormalLow", "80"},    {"NormalHigh", "110"},
                     {"DBMin", "20"},   {"DBMax", "600"},     {"MajorDivision", "6"}, {"MinorDivision", "2"}};
    for (auto it = overrides.cbegin(); it != overrides.cend(); ++it)
        setting[it.key()] = it.value();
    // No link ticks: the tests never reach for a serial port.
    QByteArray text = "[comm]\ndelay=0\nsettings=9600,n,8,1\ntimeout=20\n\n[setting]\n";
    for (auto it = setting.cbegin(); it != setting.cend(); ++it)
        text += (it.key() + QLatin1Char('=') + it.value() + QLatin1Char('\n')).toUtf8();
    text += "\n[main]\nlogview=0\n";
    return text;
}

QByteArray storeText(const QStringList &lines)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Data>\n<xt>\n";
    for (const QString &l : lines)
        xml += "<item>" + l.toUtf8() + "</item>\n";
    xml += "</xt>\n</Data>\n";
    return xml;
}

// A stored record line for a reading taken `daysAgo` days before today at hh:mm.
QString reading(int value, int daysAgo, int hour, int minute, const QString &ctrl = QStringLiteral("-"))
{
    const QDateTime at(QDate::currentDate().addDays(-daysAgo), QTime(hour, minute));
    return QStringLiteral("%1,%2,mg/dL,%3,-")
        .arg(value)
        .arg(at.toString(QStringLiteral("yyyy-M-d H:m:ss")), ctrl);
}

QStringList storedLines(const QString &path)
{
    const StoreItems items = ReadStoreItems(path);
    return items.status == StoreStatus::Ok ? items.texts : QStringList{QStringLiteral("<unreadable>")};
}

class Program
{
public:
    explicit Program(const QStringList &lines, const Settings &settings = {})
    {
        m_dir.writeIni(iniText(settings));
        writeStore(lines);
    }
    void writeStore(const QStringList &lines) const { m_dir.writeFile("data/TMPDATE.xml", storeText(lines)); }
    void writeIni(const Settings &settings) const { m_dir.writeIni(iniText(settings)); }
    void removeStore() const { QFile::remove(m_dir.storePath()); }
    QString storePath() const { return m_dir.storePath(); }

    MainWindow &start()
    {
        m_main = std::make_unique<MainWindow>(ProgramDir(m_dir.path()));
        m_main->setMessageSink([](const QString &) {});
        m_main->resize(1000, 640);
        m_main->show();
        m_main->Form_Load();
        return *m_main;
    }
    MainWindow &main() { return *m_main; }

    QWidget *band() { return m_main->findChild<QWidget *>("Frame1"); }
    TrendChart *chart() { return m_main->findChild<TrendChart *>("MSChart1"); }
    QLabel *pjvalue() { return m_main->findChild<QLabel *>("pjvalue"); }
    QComboBox *box(const char *name) { return band()->findChild<QComboBox *>(name); }
    QPushButton *button(const char *name) { return band()->findChild<QPushButton *>(name); }
    void apply() { QTest::mouseClick(button("Command1"), Qt::LeftButton); }
    void pick(const char *boxName, const QString &entry)
    {
        QComboBox *b = box(boxName);
        const int index = b->findText(entry);
        QVERIFY(index >= 0);
        b->setCurrentIndex(index);
        emit b->activated(index);
    }
    ValuesWindow *values() { return m_main->valuesWindow(false); }
    ValuesListModel *list() { return values() ? values()->model() : nullptr; }
    QStringList column(int c)
    {
        QStringList out;
        for (int r = 0; r < list()->rowCount(); ++r)
            out << list()->index(r, c).data().toString();
        return out;
    }

private:
    TempProgramDir m_dir;
    std::unique_ptr<MainWindow> m_main;
};

QStringList numbers(int count)
{
    QStringList out;
    for (int i = 1; i <= count; ++i)
        out << QString::number(i);
    return out;
}

} // namespace

class tst_ReportWindow : public QObject
{
    Q_OBJECT
private slots:
    void chartShownOrHidden_data();
    void chartShownOrHidden();
    void axes_data();
    void axes();
    void unreadableDivisionsKeepTheLastScale();
    void captionKeptWhenNothingSelected();
    void missingStoreKeepsTheLastDrawing();
    void dateBoxesNotDates();
    void listRowsAndUnitChange();
    void listBuiltWithoutShowingTheWindow();
    void deleteTickedRows_data();
    void deleteTickedRows();
    void deleteLastReadingEmptiesTheList();
    void deleteOnUnreadableStoreSays();
    void valuesWindowTitleAndRefresh();
    void saveAndCancelClose_data();
    void saveAndCancelClose();
    void columnWidthsInProportion();
    void testButtonAndChartClick();
};

void tst_ReportWindow::chartShownOrHidden_data()
{
    QTest::addColumn<bool>("storeExists");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("chartShown");
    QTest::addColumn<QString>("caption");

    QTest::newRow("week") << true << QStringList{reading(100, 2, 9, 0), reading(102, 1, 9, 0)} << true
                          << "Average Value : [101.0] mg/dl";
    QTest::newRow("no readings") << true << QStringList{} << false << "";
    QTest::newRow("none in the period") << true << QStringList{reading(100, 30, 9, 0)} << false << "";
    // The run ends at once; the chart stays visible.
    QTest::newRow("no store file") << false << QStringList{} << true << "";
}

void tst_ReportWindow::chartShownOrHidden()
{
    QFETCH(bool, storeExists);
    QFETCH(QStringList, lines);
    QFETCH(bool, chartShown);
    QFETCH(QString, caption);

    Program program(lines);
    if (!storeExists)
        program.removeStore();
    program.start();
    QCOMPARE(program.chart()->isVisible(), chartShown);
    QCOMPARE(program.main().findChild<QLabel *>("Label6")->isVisible(), true);
    QCOMPARE(program.main().findChild<QLabel *>("Label6")->text(), QStringLiteral("No Graphic Data "));
    QCOMPARE(program.pjvalue()->text(), caption);
}

void tst_ReportWindow::axes_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("view");
    QTest::addColumn<double>("xMax");
    QTest::addColumn<int>("xDivisions");
    QTest::addColumn<double>("yMax");

    // Nine readings of the period, five of them in the morning, one older.
    QTest::newRow("morning, mg/dl") << "mg/dl"
                                    << "Glucose Morning Trend" << 5.0 << 9 << 600.0;
    QTest::newRow("morning, mmol/l") << "mmol/l"
                                     << "Glucose Morning Trend" << 5.0 << 9 << 33.0;
    QTest::newRow("all, mg/dl") << "mg/dl"
                                << "ALL" << 9.0 << 9 << 600.0;
    QTest::newRow("night, mmol/l") << "mmol/l"
                                   << "Glucose Night Trend" << 2.0 << 9 << 33.0;
}

void tst_ReportWindow::axes()
{
    QFETCH(QString, unit);
    QFETCH(QString, view);
    QFETCH(double, xMax);
    QFETCH(int, xDivisions);
    QFETCH(double, yMax);

    const QStringList lines{reading(90, 20, 8, 0), reading(100, 6, 5, 0),   reading(110, 6, 13, 0),
                            reading(120, 5, 8, 0), reading(130, 4, 17, 0),  reading(140, 3, 9, 30),
                            reading(150, 3, 2, 0), reading(160, 2, 10, 59), reading(170, 1, 4, 0),
                            reading(180, 0, 11, 0)};
    Program program(lines, {{"unit", unit}});
    program.start();
    program.pick("sel_viewtype", view);
    program.apply();

    TrendChart *chart = program.chart();
    QVERIFY(chart->isVisible());
    QCOMPARE(chart->xMinimum(), 0.0);
    QCOMPARE(chart->xMaximum(), xMax);
    QCOMPARE(chart->xMajorDivision(), xDivisions);
    QCOMPARE(chart->xMinorDivision(), 0);
    QCOMPARE(chart->drawnXDivisions(), xDivisions);
    QCOMPARE(chart->valueAxis()->min(), 0.0);
    QCOMPARE(chart->valueAxis()->max(), yMax);
    QCOMPARE(chart->yMajorDivision(), 6);
    QCOMPARE(chart->drawnYDivisions(), 6);
    QCOMPARE(chart->yMinorDivision(), 2);
    QCOMPARE(chart->pointCount(), int(xMax));
}

void tst_ReportWindow::unreadableDivisionsKeepTheLastScale()
{
    Program program({reading(100, 1, 9, 0), reading(120, 0, 9, 0)});
    program.start();
    QCOMPARE(program.chart()->valueAxis()->max(), 600.0);

    // The settings window may write anything; the chart keeps what it cannot read.
    program.writeIni({{"MajorDivision", "many"}, {"MinorDivision", ""}, {"DBMax", "400"}});
    program.writeStore({reading(100, 1, 9, 0), reading(120, 0, 9, 0), reading(140, 0, 10, 0)});
    program.apply();

    TrendChart *chart = program.chart();
    QVERIFY(chart->isVisible());
    QCOMPARE(chart->xMaximum(), 3.0);
    QCOMPARE(chart->valueAxis()->max(), 400.0);
    QCOMPARE(chart->yMajorDivision(), 6);
    QCOMPARE(chart->yMinorDivision(), 2);
    QCOMPARE(program.pjvalue()->text(), QStringLiteral("Average Value : [120.0] mg/dl"));
}

void tst_ReportWindow::captionKeptWhenNothingSelected()
{
    Program program({reading(110, 1, 9, 0), reading(130, 0, 9, 0)});
    program.start();
    QCOMPARE(program.pjvalue()->text(), QStringLiteral("Average Value : [120.0] mg/dl"));
    QVERIFY(program.chart()->isVisible());

    program.pick("sel_viewtype", QStringLiteral("Glucose Night Trend"));
    program.apply();
    QCOMPARE(program.pjvalue()->text(), QStringLiteral("Average Value : [120.0] mg/dl"));
    QVERIFY(!program.chart()->isVisible());
    QCOMPARE(program.list()->rowCount(), 2);

    // The next run that selects readings shows the chart again with the new data.
    program.pick("sel_viewtype", QStringLiteral("Glucose Morning Trend"));
    program.pick("unit", QStringLiteral("mmol/l"));
    QVERIFY(program.chart()->isVisible());
    QCOMPARE(program.pjvalue()->text(), QStringLiteral("Average Value : [6.7] mmol/l"));
}

void tst_ReportWindow::missingStoreKeepsTheLastDrawing()
{
    Program program({reading(110, 1, 9, 0), reading(130, 0, 9, 0)});
    program.start();
    program.removeStore();
    program.pick("unit", QStringLiteral("mmol/l"));
    QVERIFY(program.chart()->isVisible());
    QCOMPARE(program.chart()->pointCount(), 2);
    QCOMPARE(program.chart()->valueAxis()->max(), 600.0);
    QCOMPARE(program.pjvalue()->text(), QStringLiteral("Average Value : [120.0] mg/dl"));
    QCOMPARE(program.column(ValuesListModel::UnitColumn), QStringList({"mg/dl", "mg/dl"}));
}

void tst_ReportWindow::dateBoxesNotDates()
{
    Program program({reading(110, 1, 9, 0), reading(130, 0, 9, 0)});
    program.start();
    program.box("Combo1")->setCurrentText(QStringLiteral("User"));
    program.box("xt_d1")->setEditText(QStringLiteral("the day after"));
    program.writeStore({reading(110, 1, 9, 0), reading(130, 0, 9, 0), reading(150, 0, 10, 0)});
    program.apply();

    QVERIFY(!program.chart()->isVisible());
    QCOMPARE(program.pjvalue()->text(), QStringLiteral("Average Value : [120.0] mg/dl"));
    QCOMPARE(program.column(ValuesListModel::NumColumn), numbers(3));
    QCOMPARE(program.column(ValuesListModel::ValueColumn), QStringList({"110", "130", "150"}));
}

void tst_ReportWindow::listRowsAndUnitChange()
{
    const QStringList lines{"20,2012-5-6 9:5:00,mg/dL,-,-", "21,2012-5-6 12:15:00,mg/dL,Ctrl,-",
                            "599,2012-5-7 18:0:00,mg/dL,-,TEMP", "600,2012-5-8 7:0:00,mg/dL,-,-"};
    Program program(lines);
    program.start();
    QCOMPARE(program.column(ValuesListModel::NumColumn), numbers(4));
    QCOMPARE(program.column(ValuesListModel::DateColumn),
             QStringList({"2012-5-6 9:5:00", "2012-5-6 12:15:00", "2012-5-7 18:0:00", "2012-5-8 7:0:00"}));
    QCOMPARE(program.column(ValuesListModel::ValueColumn), QStringList({"Low", "21", "599", "High"}));
    QCOMPARE(program.column(ValuesListModel::UnitColumn), QStringList(4, "mg/dl"));
    QCOMPARE(program.column(ValuesListModel::CtrlColumn), QStringList({"-", "Ctrl", "-", "-"}));
    QCOMPARE(program.column(ValuesListModel::TempColumn), QStringList({"-", "-", "TEMP", "-"}));

    program.pick("unit", QStringLiteral("mmol/l"));
    QCOMPARE(program.column(ValuesListModel::UnitColumn), QStringList(4, "mmol/l"));
    QCOMPARE(program.column(ValuesListModel::ValueColumn), QStringList({"Low", "1.2", "33.3", "High"}));
    QCOMPARE(program.column(ValuesListModel::DateColumn).first(), QStringLiteral("2012-5-6 9:5:00"));

    QTableView *view = program.values()->findChild<QTableView *>("vlist");
    QVERIFY(view);
    QCOMPARE(view->model(), program.list());
    QStringList headers;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        headers << view->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, QStringList({"#", "DATE", "Glucose", "Unit", "Ctrl", "TEMP"}));
}

void tst_ReportWindow::listBuiltWithoutShowingTheWindow()
{
    Program program({reading(110, 1, 9, 0)});
    program.start();
    QVERIFY(program.values());
    QVERIFY(!program.values()->isVisible());
    QCOMPARE(program.list()->rowCount(), 1);
}

void tst_ReportWindow::deleteTickedRows_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("ticked"); // rows, from 1
    QTest::addColumn<int>("sameMinuteAs");  // row 2 repeats this row's date-time; 0: none does

    QTest::newRow("none ticked") << 5 << QList<int>{} << 0;
    QTest::newRow("rows 1 and 3 of 5") << 5 << QList<int>{1, 3} << 0;
    QTest::newRow("beyond row 51") << 60 << QList<int>{2, 51, 52, 60} << 0;
    QTest::newRow("all of 70") << 70 << [] {
        QList<int> all;
        for (int r = 1; r <= 70; ++r)
            all << r;
        return all;
    }() << 0;
    QTest::newRow("one of a quick re-test") << 5 << QList<int>{2} << 1;
    QTest::newRow("the other of a quick re-test") << 5 << QList<int>{1} << 1;
}

void tst_ReportWindow::deleteTickedRows()
{
    QFETCH(int, count);
    QFETCH(QList<int>, ticked);
    QFETCH(int, sameMinuteAs);

    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << reading(80 + i, 1 + i / 30, 6 + (i % 30) / 2, (i % 2) * 30);
    if (sameMinuteAs)
        lines[1] = QString(lines[sameMinuteAs - 1]).replace(0, 2, QStringLiteral("99"));
    Program program(lines);
    program.start();
    ValuesWindow *values = program.main().showValuesWindow();
    QCOMPARE(program.list()->rowCount(), count);

    for (int r : ticked)
        QVERIFY(program.list()->setData(program.list()->index(r - 1, 0), Qt::Checked, Qt::CheckStateRole));
    QSignalSpy redraw(values, &ValuesWindow::redrawRequested);
    QTest::mouseClick(values->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(redraw.count(), 1);

    QStringList kept = lines;
    QList<int> descending = ticked;
    std::sort(descending.begin(), descending.end(), std::greater<int>());
    for (int r : descending)
        kept.removeAt(r - 1);
    QCOMPARE(storedLines(program.storePath()), kept);
    // The redraw refilled the list from the store, numbered from 1.
    QCOMPARE(program.column(ValuesListModel::NumColumn), numbers(int(kept.size())));
    QStringList keptDates;
    for (const QString &l : kept)
        keptDates << l.section(QLatin1Char(','), 1, 1);
    QCOMPARE(program.column(ValuesListModel::DateColumn), keptDates);
    QVERIFY(!values->findChild<QMessageBox *>());
    QVERIFY(values->isVisible());
}

void tst_ReportWindow::deleteLastReadingEmptiesTheList()
{
    Program program({reading(110, 1, 9, 0)});
    program.start();
    QVERIFY(program.chart()->isVisible());
    ValuesWindow *values = program.main().showValuesWindow();
    program.list()->setChecked(0, true);
    QTest::mouseClick(values->findChild<QPushButton *>("Command1"), Qt::LeftButton);

    QCOMPARE(storedLines(program.storePath()), QStringList{});
    QCOMPARE(program.list()->rowCount(), 0);
    QVERIFY(!program.chart()->isVisible());
    QCOMPARE(program.pjvalue()->text(), QStringLiteral("Average Value : [110.0] mg/dl"));
}

void tst_ReportWindow::deleteOnUnreadableStoreSays()
{
    Program program({reading(110, 1, 9, 0), reading(120, 0, 9, 0)});
    program.start();
    ValuesWindow *values = program.main().showValuesWindow();
    program.list()->setChecked(1, true);
    const QByteArray broken = "<Data><xt><item>110,2012";
    QFile store(program.storePath());
    QVERIFY(store.open(QIODevice::WriteOnly | QIODevice::Truncate));
    store.write(broken);
    store.close();

    QTest::mouseClick(values->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    auto *box = values->findChild<QMessageBox *>();
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QVERIFY(!box->isModal());
    QVERIFY(box->text().contains(program.storePath()));
    QVERIFY(store.open(QIODevice::ReadOnly));
    QCOMPARE(store.readAll(), broken);
    box->close();
}

void tst_ReportWindow::valuesWindowTitleAndRefresh()
{
    Program program({reading(110, 1, 9, 0)});
    MainWindow &main = program.start();
    ValuesWindow *loaded = program.values();
    QVERIFY(loaded);
    // Let the load's own refresh pass, then start from a closed window.
    QSignalSpy firstRefresh(loaded, &ValuesWindow::redrawRequested);
    QVERIFY(firstRefresh.count() == 1 || firstRefresh.wait(5000));
    loaded->close();
    QTRY_VERIFY(!program.values());

    QTest::mouseClick(program.button("Command3"), Qt::LeftButton);
    ValuesWindow *values = program.values();
    QVERIFY(values);
    QVERIFY(values->isVisible());
    QCOMPARE(values->windowTitle(), QStringLiteral("Values [") + main.newxmlfile + QStringLiteral("]"));
    QCOMPARE(main.newxmlfile, program.storePath());

    // One refresh after each load, and only one: it redraws the list from the store.
    program.writeStore({reading(110, 1, 9, 0), reading(115, 0, 9, 0)});
    QSignalSpy refresh(values, &ValuesWindow::redrawRequested);
    QVERIFY(refresh.wait(5000));
    QCOMPARE(program.list()->rowCount(), 2);
    QTest::qWait(1200);
    QCOMPARE(refresh.count(), 1);
}

void tst_ReportWindow::saveAndCancelClose_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("Save") << "Command3";
    QTest::newRow("Cancel") << "Command2";
}

void tst_ReportWindow::saveAndCancelClose()
{
    QFETCH(QString, button);

    const QStringList lines{reading(110, 1, 9, 0), reading(120, 0, 9, 0)};
    Program program(lines);
    program.start();
    ValuesWindow *values = program.main().showValuesWindow();
    auto *b = values->findChild<QPushButton *>(button);
    QVERIFY(b);
    program.list()->setChecked(0, true);
    QTest::mouseClick(b, Qt::LeftButton);
    QTRY_VERIFY(!program.values());
    QCOMPARE(storedLines(program.storePath()), lines);
}

void tst_ReportWindow::columnWidthsInProportion()
{
    Program program({reading(110, 1, 9, 0)});
    program.start();
    ValuesWindow *values = program.main().showValuesWindow();
    values->resize(900, 500);
    QCoreApplication::processEvents();
    QTableView *view = values->findChild<QTableView *>("vlist");
    const double w = view->width();
    // W/10, W/6 + 1000 twips, W/6, W/6, W/6 - 500 twips, W/6 - 500 twips; 15 twips a pixel.
    const double expected[6] = {w / 10, w / 6 + 1000 / 15.0, w / 6,
                                w / 6,  w / 6 - 500 / 15.0,  w / 6 - 500 / 15.0};
    for (int c = 0; c < 6; ++c)
        QVERIFY2(std::abs(view->columnWidth(c) - expected[c]) <= 1.0, qPrintable(QString::number(c)));
}

void tst_ReportWindow::testButtonAndChartClick()
{
    Program program({reading(110, 1, 9, 0), reading(120, 0, 9, 0)});
    program.start();
    TrendChart *chart = program.chart();
    const QVector<double> before = chart->values();

    QTest::mouseClick(program.button("Command4"), Qt::LeftButton);
    QVERIFY(chart->markersShown());
    QVERIFY(chart->firstSeriesSelected());
    QCOMPARE(chart->values(), before);

    auto *calendar = program.main().findChild<QCalendarWidget *>("Calendar1");
    program.box("xt_d1")->showPopup();
    QVERIFY(calendar->isVisible());
    const QString d1 = program.box("xt_d1")->currentText();
    QTest::mouseClick(chart->viewport(), Qt::LeftButton, {},
                      chart->viewport()->rect().center() + QPoint(0, 120));
    QVERIFY(!calendar->isVisible());
    QCOMPARE(program.box("xt_d1")->currentText(), d1);
    QCOMPARE(chart->values(), before);
    QVERIFY(chart->isVisible());
}

QTEST_MAIN(tst_ReportWindow)
#include "tst_reportwindow.moc"
