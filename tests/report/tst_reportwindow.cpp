// The report as the user sees it on the real windows: the main window on a throw-away program
// directory, its chart, its average caption, and the values window with its list.
#include "mainwindowfixture.h"
#include "readingstore.h"
#include "rows.h"
#include "trendchart.h"
#include "valueslistmodel.h"
#include "valueswindow.h"

#include <QAbstractItemModelTester>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>

namespace {

// A stored record line for a reading taken `daysAgo` days before today at hh:mm.
QString reading(int value, int daysAgo, int hour, int minute = 0)
{
    const QDateTime at(QDate::currentDate().addDays(-daysAgo), QTime(hour, minute));
    return QStringLiteral("%1,%2,mg/dL,-,-").arg(value).arg(at.toString(QStringLiteral("yyyy-M-d H:m:ss")));
}

QStringList numbers(int count)
{
    QStringList out;
    for (int i = 1; i <= count; ++i)
        out << QString::number(i);
    return out;
}

// The installed settings with some replaced, and no link ticks: the tests never reach for a port.
QByteArray iniWith(const QList<std::pair<const char *, const char *>> &replacements = {})
{
    QByteArray ini = TempProgramDir::installedIni().replace("delay=100", "delay=0");
    for (const auto &[from, to] : replacements)
        ini.replace(from, to);
    return ini;
}

class Report : public MainWindowFixture
{
public:
    // Shown and drawn on `lines`; with no store file, as the start left it.
    MainWindow *open(const std::optional<QStringList> &lines, const QByteArray &ini = iniWith())
    {
        start(ini)->setMessageSink([](const QString &) {});
        main()->resize(1000, 640);
        main()->show();
        if (lines) {
            writeStore(*lines);
            apply();
        }
        return main();
    }
    void writeStore(const QStringList &lines) const
    {
        QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Data>\n<xt>\n";
        for (const QString &l : lines)
            xml += "<item>" + l.toUtf8() + "</item>\n";
        dir().writeFile("data/TMPDATE.xml", xml + "</xt>\n</Data>\n");
    }
    QStringList stored() const
    {
        const StoreItems items = ReadStoreItems(dir().storePath());
        return items.status == StoreStatus::Ok ? items.texts : QStringList{"<unreadable>"};
    }

    TrendChart *chart() const { return child<TrendChart>("MSChart1"); }
    QString caption() const { return child<QLabel>("pjvalue")->text(); }
    // The band's own controls: the values window has buttons of the same names.
    template <typename T> T *inBand(const char *name) const
    {
        return child<QWidget>("Frame1")->findChild<T *>(QLatin1String(name));
    }
    void apply() const { QTest::mouseClick(inBand<QPushButton>("Command1"), Qt::LeftButton); }
    void pick(const char *boxName, const QString &entry) const
    {
        QComboBox *b = inBand<QComboBox>(boxName);
        const int index = b->findText(entry);
        QVERIFY(index >= 0);
        b->setCurrentIndex(index);
        emit b->activated(index);
    }
    ValuesListModel *list() const { return main()->valuesWindow(false)->model(); }
    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 0; r < list()->rowCount(); ++r)
            out << list()->index(r, c).data().toString();
        return out;
    }
    void clickInValues(const char *button) const
    {
        QTest::mouseClick(main()->showValuesWindow()->findChild<QPushButton *>(button), Qt::LeftButton);
    }
};

} // namespace

class tst_ReportWindow : public QObject
{
    Q_OBJECT
    Report fx;
private slots:
    void cleanup() { fx.reset(); }
    void chartShownOrHidden_data();
    void chartShownOrHidden();
    void axes_data();
    void axes();
    void unreadableDivisionsKeepTheLastScale();
    void laterRunsKeepWhatTheyCannotRedo();
    void listRowsAndUnitChange();
    void deleteTickedRows_data();
    void deleteTickedRows();
    void deleteOnUnreadableStoreSays();
    void deleteFromAnOutdatedListSays_data();
    void deleteFromAnOutdatedListSays();
    void valuesWindowTitleAndOneRefresh();
    void saveAndCancelClose_data();
    void saveAndCancelClose();
    void columnWidthsInProportion();
    void testButtonAndChartClick();
    void statisticsFollowEveryRedraw();
    void pdfHoldsTheLinkWhileMade();
};

void tst_ReportWindow::chartShownOrHidden_data()
{
    columns<std::optional<QStringList>, bool, QString>("lines", "chartShown", "caption");

    row("week", std::optional(QStringList{reading(100, 2, 9), reading(102, 1, 9)}), true,
        "Average Value : [101.0] mg/dl");
    row("no readings", std::optional(QStringList{}), false, QString());
    row("none in the period", std::optional(QStringList{reading(100, 30, 9)}), false, QString());
    // The run ends at once; the chart stays visible.
    row("no store file", std::optional<QStringList>(), true, QString());
}

void tst_ReportWindow::chartShownOrHidden()
{
    const auto [lines, chartShown, caption] =
        cells<std::optional<QStringList>, bool, QString>("lines", "chartShown", "caption");

    fx.open(lines);
    QCOMPARE(fx.chart()->isVisible(), chartShown);
    QCOMPARE(fx.caption(), caption);
    // Drawn or not, a finished chart: its series named and its value axis from the settings.
    const TrendChart *chart = fx.chart();
    QCOMPARE(QStringList(
                 {chart->readingsSeries()->name(), chart->highSeries()->name(), chart->lowSeries()->name()}),
             QStringList({"Glucose (mg/dl)", "Normal high", "Normal low"}));
    QCOMPARE(QList<double>({chart->valueAxis()->min(), chart->valueAxis()->max()}), QList<double>({0, 600}));
    QCOMPARE(chart->yMajorDivision(), 6);
    QVERIFY(fx.child<QLabel>("Label6")->isVisible());
    QCOMPARE(fx.child<QLabel>("Label6")->text(), QStringLiteral("No Graphic Data "));
}

void tst_ReportWindow::axes_data()
{
    columns<QString, QString, double, double>("unit", "view", "xMax", "yMax");

    // Nine readings of the period, five of them in the morning, two at night, one older.
    row("morning, mg/dl", "mg/dl", "Glucose Morning Trend", 5.0, 600.0);
    row("morning, mmol/l", "mmol/l", "Glucose Morning Trend", 5.0, 33.0);
    row("all, mg/dl", "mg/dl", "ALL", 9.0, 600.0);
    row("night, mmol/l", "mmol/l", "Glucose Night Trend", 2.0, 33.0);
}

void tst_ReportWindow::axes()
{
    const auto [unit, view, xMax, yMax] =
        cells<QString, QString, double, double>("unit", "view", "xMax", "yMax");

    fx.open({{reading(90, 20, 8), reading(100, 6, 5), reading(110, 6, 13), reading(120, 5, 8),
              reading(130, 4, 17), reading(140, 3, 9, 30), reading(150, 3, 2), reading(160, 2, 10, 59),
              reading(170, 1, 4), reading(180, 0, 11)}});
    fx.pick("unit", unit);
    fx.pick("sel_viewtype", view);
    fx.apply();

    TrendChart *chart = fx.chart();
    QVERIFY(chart->isVisible());
    QCOMPARE(chart->pointCount(), int(xMax));
    QCOMPARE(QList<double>({chart->xMinimum(), chart->xMaximum(), chart->valueAxis()->min(),
                            chart->valueAxis()->max()}),
             QList<double>({0, xMax, 0, yMax}));
    // x: one division a reading of the period, whatever its time of day.
    QCOMPARE(QList<int>({chart->xMajorDivision(), chart->drawnXDivisions(), chart->xMinorDivision()}),
             QList<int>({9, 9, 0}));
    QCOMPARE(QList<int>({chart->yMajorDivision(), chart->drawnYDivisions(), chart->yMinorDivision()}),
             QList<int>({6, 6, 2}));
}

void tst_ReportWindow::unreadableDivisionsKeepTheLastScale()
{
    fx.open({{reading(100, 1, 9), reading(120, 0, 9)}});
    QCOMPARE(fx.chart()->valueAxis()->max(), 600.0);

    // The settings window may write anything; the chart keeps what it cannot read.
    fx.dir().writeIni(iniWith({{"MajorDivision=6", "MajorDivision=many"},
                               {"MinorDivision=2", "MinorDivision="},
                               {"DBMax=600", "DBMax=400"}}));
    fx.writeStore({reading(100, 1, 9), reading(120, 0, 9), reading(140, 0, 10)});
    fx.apply();

    TrendChart *chart = fx.chart();
    QVERIFY(chart->isVisible());
    QCOMPARE(chart->xMaximum(), 3.0);
    QCOMPARE(chart->valueAxis()->max(), 400.0);
    QCOMPARE(chart->yMajorDivision(), 6);
    QCOMPARE(chart->yMinorDivision(), 2);
    QCOMPARE(fx.caption(), QStringLiteral("Average Value : [120.0] mg/dl"));
}

void tst_ReportWindow::laterRunsKeepWhatTheyCannotRedo()
{
    fx.open({{reading(110, 1, 9), reading(130, 0, 9)}});
    QCOMPARE(fx.caption(), QStringLiteral("Average Value : [120.0] mg/dl"));

    // A run that selects nothing hides the chart and keeps the caption.
    fx.pick("sel_viewtype", QStringLiteral("Glucose Night Trend"));
    fx.apply();
    QVERIFY(!fx.chart()->isVisible());
    QCOMPARE(fx.caption(), QStringLiteral("Average Value : [120.0] mg/dl"));
    QCOMPARE(fx.list()->rowCount(), 2);

    // The next run that selects readings shows the chart again with the new data.
    fx.pick("sel_viewtype", QStringLiteral("Glucose Morning Trend"));
    fx.pick("unit", QStringLiteral("mmol/l"));
    QVERIFY(fx.chart()->isVisible());
    QCOMPARE(fx.caption(), QStringLiteral("Average Value : [6.7] mmol/l"));

    // Without a store the run ends at once: the last drawing, caption and list stay.
    QFile::remove(fx.dir().storePath());
    fx.pick("unit", QStringLiteral("mg/dl"));
    QVERIFY(fx.chart()->isVisible());
    QCOMPARE(fx.chart()->pointCount(), 2);
    QCOMPARE(fx.chart()->valueAxis()->max(), 33.0);
    QCOMPARE(fx.caption(), QStringLiteral("Average Value : [6.7] mmol/l"));
    QCOMPARE(fx.column(ValuesListModel::UnitColumn), QStringList({"mmol/l", "mmol/l"}));

    // A date box that holds no date: the list is rebuilt, the chart hidden, the caption kept.
    fx.inBand<QComboBox>("Combo1")->setCurrentText(QStringLiteral("User"));
    fx.inBand<QComboBox>("xt_d1")->setEditText(QStringLiteral("the day after"));
    fx.writeStore({reading(110, 1, 9), reading(130, 0, 9), reading(150, 0, 10)});
    fx.apply();
    QVERIFY(!fx.chart()->isVisible());
    QCOMPARE(fx.caption(), QStringLiteral("Average Value : [6.7] mmol/l"));
    QCOMPARE(fx.column(ValuesListModel::NumColumn), numbers(3));
    QCOMPARE(fx.column(ValuesListModel::ValueColumn), QStringList({"110", "130", "150"}));
}

void tst_ReportWindow::listRowsAndUnitChange()
{
    fx.open({{"20,2012-5-6 9:5:00,mg/dL,-,-", "21,2012-5-6 12:15:00,mg/dL,Ctrl,-",
              "599,2012-5-7 18:0:00,mg/dL,-,TEMP", "600,2012-5-8 7:0:00,mg/dL,-,-"}});
    // Filled by the run without showing the window.
    QVERIFY(!fx.main()->valuesWindow(false)->isVisible());
    const QStringList dates{"2012-5-6 9:5:00", "2012-5-6 12:15:00", "2012-5-7 18:0:00", "2012-5-8 7:0:00"};
    QCOMPARE(fx.column(ValuesListModel::NumColumn), numbers(4));
    QCOMPARE(fx.column(ValuesListModel::DateColumn), dates);
    QCOMPARE(fx.column(ValuesListModel::ValueColumn), QStringList({"Low", "21", "599", "High"}));
    QCOMPARE(fx.column(ValuesListModel::UnitColumn), QStringList(4, "mg/dl"));
    QCOMPARE(fx.column(ValuesListModel::CtrlColumn), QStringList({"-", "Ctrl", "-", "-"}));
    QCOMPARE(fx.column(ValuesListModel::TempColumn), QStringList({"-", "-", "TEMP", "-"}));

    fx.pick("unit", QStringLiteral("mmol/l"));
    QCOMPARE(fx.column(ValuesListModel::UnitColumn), QStringList(4, "mmol/l"));
    QCOMPARE(fx.column(ValuesListModel::ValueColumn), QStringList({"Low", "1.2", "33.3", "High"}));
    QCOMPARE(fx.column(ValuesListModel::DateColumn), dates);

    QAbstractItemModel *model = fx.main()->showValuesWindow()->findChild<QTableView *>("vlist")->model();
    QCOMPARE(model, fx.list());
    QStringList headers, keys;
    for (int c = 0; c < model->columnCount(); ++c) {
        headers << model->headerData(c, Qt::Horizontal).toString();
        keys << model->headerData(c, Qt::Horizontal, ValuesListModel::KeyRole).toString();
        QCOMPARE(ValuesListModel::columnOfKey(keys.last()), c);
    }
    QCOMPARE(headers, QStringList({"#", "DATE", "Glucose", "Unit", "Ctrl", "TEMP"}));
    QCOMPARE(keys, QStringList({"Num", "cdate", "cvalue", "cunit", "ctrl", "temp"}));
}

void tst_ReportWindow::deleteTickedRows_data()
{
    // ticked: rows, from 1
    // sameMinuteAs: row 2 repeats this row's date-time; 0: none does
    columns<int, QList<int>, int>("count", "ticked", "sameMinuteAs");
    QList<int> all;
    for (int r = 1; r <= 70; ++r)
        all << r;

    row("none ticked", 5, QList<int>{}, 0);
    row("rows 1 and 3 of 5", 5, QList<int>{1, 3}, 0);
    row("beyond row 51", 60, QList<int>{2, 51, 52, 60}, 0);
    row("all of 70", 70, all, 0);
    row("one of a quick re-test", 5, QList<int>{2}, 1);
    row("the other of a quick re-test", 5, QList<int>{1}, 1);
}

void tst_ReportWindow::deleteTickedRows()
{
    const auto [count, ticked, sameMinuteAs] = cells<int, QList<int>, int>("count", "ticked", "sameMinuteAs");

    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << reading(80 + i, 1 + i / 30, 6 + (i % 30) / 2, (i % 2) * 30);
    if (sameMinuteAs)
        lines[1] = QString(lines[sameMinuteAs - 1]).replace(0, 2, QStringLiteral("99"));
    fx.open(lines);
    const QString caption = fx.caption();
    ValuesListModel *list = fx.list();
    QAbstractItemModelTester tester(list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(list->rowCount(), count);
    // Only the first column ticks a row.
    for (int c = 1; c < ValuesListModel::ColumnCount; ++c)
        QVERIFY(!list->setData(list->index(0, c), Qt::Checked, Qt::CheckStateRole));
    for (int r : ticked)
        QVERIFY(list->setData(list->index(r - 1, 0), Qt::Checked, Qt::CheckStateRole));
    QSignalSpy redraw(fx.main()->valuesWindow(false), &ValuesWindow::redrawRequested);
    fx.clickInValues("Command1");
    QCOMPARE(redraw.count(), 1);

    QStringList kept = lines;
    for (auto r = ticked.crbegin(); r != ticked.crend(); ++r)
        kept.removeAt(*r - 1);
    QCOMPARE(fx.stored(), kept);
    // The redraw refilled the list from the store, numbered from 1, with no ticks left over.
    QStringList keptDates;
    for (const QString &l : kept)
        keptDates << l.section(QLatin1Char(','), 1, 1);
    QCOMPARE(fx.column(ValuesListModel::NumColumn), numbers(int(kept.size())));
    QCOMPARE(fx.column(ValuesListModel::DateColumn), keptDates);
    QVERIFY(list->checkedItems().isEmpty());
    QVERIFY(!fx.main()->valuesWindow(false)->findChild<QMessageBox *>());
    QVERIFY(fx.main()->valuesWindow(false)->isVisible());
    // Deleting every reading empties the list and hides the chart; the caption stays.
    QCOMPARE(fx.chart()->isVisible(), !kept.isEmpty());
    if (kept.isEmpty())
        QCOMPARE(fx.caption(), caption);
}

void tst_ReportWindow::deleteOnUnreadableStoreSays()
{
    fx.open({{reading(110, 1, 9), reading(120, 0, 9)}});
    fx.list()->setChecked(1, true);
    const QByteArray broken = "<Data><xt><item>110,2012";
    fx.dir().writeFile("data/TMPDATE.xml", broken);

    fx.clickInValues("Command1");
    auto *box = fx.main()->valuesWindow(false)->findChild<QMessageBox *>();
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QVERIFY(!box->isModal());
    QVERIFY(box->text().contains(fx.dir().storePath()));
    QCOMPARE(fx.dir().readFile("data/TMPDATE.xml"), broken);
    box->close();
}

void tst_ReportWindow::deleteFromAnOutdatedListSays_data()
{
    // The list shows four readings; then the store changes to `now` (indices into them) before
    // the rows `ticked` (from 1) are ticked and deleted.
    columns<QList<int>, QList<int>, QList<int>, int>("now", "ticked", "kept", "notDeleted");
    row("an upload reset the store and failed", QList<int>{0, 1}, QList<int>{1, 3}, QList<int>{1}, 1);
    row("another program deleted the first", QList<int>{1, 2, 3}, QList<int>{2, 3}, QList<int>{1, 2, 3}, 2);
    row("another program emptied it", QList<int>{}, QList<int>{4}, QList<int>{}, 1);
}

void tst_ReportWindow::deleteFromAnOutdatedListSays()
{
    const auto [now, ticked, kept, notDeleted] =
        cells<QList<int>, QList<int>, QList<int>, int>("now", "ticked", "kept", "notDeleted");
    QStringList lines;
    for (int i = 0; i < 4; ++i)
        lines << reading(100 + i, 1, 8 + i);
    fx.open(lines);
    ValuesWindow *values = fx.main()->showValuesWindow();
    QVERIFY(QTest::qWaitForWindowExposed(values));
    QTRY_VERIFY(!values->findChild<QTimer *>("Timer1")->isActive());
    const auto pick = [&lines](const QList<int> &indices) {
        QStringList out;
        for (int i : indices)
            out << lines.at(i);
        return out;
    };
    fx.writeStore(pick(now));

    // A click on a row's number, then the space bar, ticks it.
    auto *view = values->findChild<QTableView *>("vlist");
    for (int r : ticked) {
        const QRect cell = view->visualRect(view->model()->index(r - 1, ValuesListModel::NumColumn));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(cell.right() - 4, cell.center().y()));
        QTest::keyClick(view, Qt::Key_Space);
    }
    QCOMPARE(fx.list()->checkedItems().size(), ticked.size());
    fx.clickInValues("Command1");

    auto *box = values->findChild<QMessageBox *>("deleteStale");
    QCOMPARE(box != nullptr, notDeleted > 0);
    if (box) {
        QVERIFY(box->isVisible());
        QVERIFY(!box->isModal());
        QVERIFY2(box->text().startsWith(QStringLiteral("%1 ticked reading").arg(notDeleted)),
                 qPrintable(box->text()));
        box->close();
    }
    QCOMPARE(fx.stored(), pick(kept));
    // The list was filled again from the store as it now is.
    QStringList keptValues;
    for (int i : kept)
        keptValues << QString::number(100 + i);
    QCOMPARE(fx.column(ValuesListModel::ValueColumn), keptValues);
    QVERIFY(fx.list()->checkedItems().isEmpty());
}

void tst_ReportWindow::valuesWindowTitleAndOneRefresh()
{
    fx.open({{reading(110, 1, 9)}});
    ValuesWindow *values = fx.main()->valuesWindow(false);
    // One refresh shortly after each load, and only one: it redraws the list from the store.
    auto *refresh = values->findChild<QTimer *>("Timer1");
    QVERIFY(refresh->isActive());
    QVERIFY(refresh->isSingleShot());
    QCOMPARE(refresh->interval(), 500);
    fx.writeStore({reading(110, 1, 9), reading(115, 0, 9)});
    QSignalSpy redraw(values, &ValuesWindow::redrawRequested);
    QVERIFY(redraw.wait(5000));
    QCOMPARE(fx.list()->rowCount(), 2);
    QVERIFY(!refresh->isActive());

    QTest::mouseClick(fx.inBand<QPushButton>("Command3"), Qt::LeftButton);
    QVERIFY(values->isVisible());
    QCOMPARE(fx.main()->newxmlfile, fx.dir().storePath());
    QCOMPARE(values->windowTitle(), "Values [" + fx.dir().storePath() + "]");
}

void tst_ReportWindow::saveAndCancelClose_data()
{
    columns<QString>("button");
    row("Save", "Command3");
    row("Cancel", "Command2");
}

void tst_ReportWindow::saveAndCancelClose()
{
    QFETCH(QString, button);

    const QStringList lines{reading(110, 1, 9), reading(120, 0, 9)};
    fx.open(lines);
    fx.list()->setChecked(0, true);
    fx.clickInValues(qPrintable(button));
    QTRY_VERIFY(!fx.main()->valuesWindow(false));
    QCOMPARE(fx.stored(), lines);
}

void tst_ReportWindow::columnWidthsInProportion()
{
    fx.open({{reading(110, 1, 9)}});
    ValuesWindow *values = fx.main()->showValuesWindow();
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
    fx.open({{reading(110, 1, 9), reading(120, 0, 9)}});
    TrendChart *chart = fx.chart();
    const QVector<double> before = chart->values();
    QTest::mouseClick(fx.inBand<QPushButton>("Command4"), Qt::LeftButton);
    QVERIFY(chart->markersShown());
    QVERIFY(chart->firstSeriesSelected());

    // A click on the chart closes the open calendar and changes nothing else.
    auto *d1 = fx.inBand<QComboBox>("xt_d1");
    const QString d1Text = d1->currentText();
    d1->showPopup();
    QVERIFY(fx.child<QCalendarWidget>("Calendar1")->isVisible());
    QTest::mouseClick(chart->viewport(), Qt::LeftButton, {},
                      chart->viewport()->rect().center() + QPoint(0, 120));
    QVERIFY(!fx.child<QCalendarWidget>("Calendar1")->isVisible());
    QCOMPARE(d1->currentText(), d1Text);
    QCOMPARE(chart->values(), before);
    QVERIFY(chart->isVisible());
}

QTEST_MAIN(tst_ReportWindow)
#include "tst_reportwindow.moc"

// The statistics window: opened by its button, left out control tests (so its mean differs
// from the average caption), and redrawn with the report in the new unit or with nothing.
void tst_ReportWindow::statisticsFollowEveryRedraw()
{
    fx.open(QStringList{reading(100, 2, 9), reading(102, 1, 9),
                        reading(130, 1, 10).replace(QLatin1String(",-,-"), QLatin1String(",Ctrl,-"))});
    QTest::mouseClick(fx.inBand<QPushButton>("statisticsButton"), Qt::LeftButton);
    auto *figures = fx.child<QTableWidget>("figures");
    const auto shown = [figures] {
        QStringList out;
        for (int r = 0; r < figures->rowCount(); ++r)
            out << figures->item(r, 0)->text() + QStringLiteral(": ") + figures->item(r, 1)->text();
        return out;
    };
    QCOMPARE(fx.caption(), QStringLiteral("Average Value : [110.7] mg/dl"));
    QVERIFY(shown().contains("Blood readings counted: 2"));
    QVERIFY(shown().contains("Control tests left out (Ctrl): 1"));
    QVERIFY(shown().contains("Mean of blood readings: 101 mg/dL"));

    fx.pick("unit", QStringLiteral("mmol/l"));
    QVERIFY2(shown().contains("Mean of blood readings: 5.6 mmol/L"), qPrintable(shown().join('\n')));
    QVERIFY(shown().contains("Blood readings counted: 2"));

    // The time-of-day table covers the period whatever the view.
    fx.pick("sel_viewtype", QStringLiteral("Glucose Noon Trend"));
    fx.apply();
    QVERIFY(shown().contains("Blood readings counted: 0"));
    QCOMPARE(fx.child<QTableWidget>("timeOfDay")->item(0, 1)->text(), QStringLiteral("2"));

    fx.writeStore({reading(100, 30, 9)});
    fx.apply();
    QVERIFY(shown().contains("Blood readings counted: 0"));
    QCOMPARE(fx.child<QTableWidget>("timeOfDay")->item(0, 1)->text(), QStringLiteral("0"));
    QVERIFY(shown().contains("No blood readings in this selection: "));
}

// Save PDF from the statistics window as a person does it: the file dialog answered with typed
// keys. The link is held from before the progress shows until the file is written.
void tst_ReportWindow::pdfHoldsTheLinkWhileMade()
{
    fx.open(QStringList{reading(100, 2, 9), reading(102, 1, 9)});
    QTest::mouseClick(fx.inBand<QPushButton>("statisticsButton"), Qt::LeftButton);
    const QString pdf = fx.dir().filePath(QStringLiteral("doctor.pdf"));

    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        auto *name = dialog ? dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!name)
            return;
        // The name's completer may take the first Return; the next tick presses it again.
        if (name->text() != pdf) {
            QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(name, pdf);
        }
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : name, Qt::Key_Return);
    });
    answer.start(20);

    std::optional<bool> linkOnWhileMade;
    struct ProgressWatch : QObject
    {
        MainWindow *main;
        std::optional<bool> *seen;
        bool eventFilter(QObject *o, QEvent *e) override
        {
            if (e->type() == QEvent::Show && o->objectName() == QLatin1String("reportProgress") && !*seen)
                *seen = main->isTimer1Enabled();
            return false;
        }
    } watch;
    watch.main = fx.main();
    watch.seen = &linkOnWhileMade;
    qApp->installEventFilter(&watch);
    QVERIFY(fx.main()->isTimer1Enabled());
    QTest::mouseClick(fx.child<QPushButton>("savePdf"), Qt::LeftButton);
    answer.stop();
    qApp->removeEventFilter(&watch);

    QCOMPARE(linkOnWhileMade, std::optional<bool>(false));
    QVERIFY(fx.main()->isTimer1Enabled());
    QVERIFY(QFile(pdf).size() > 1000);
    QCOMPARE(QFile::permissions(pdf) & 0x0077, QFileDevice::Permissions());
}
