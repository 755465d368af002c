// The report on the real windows: chart and caption, the values and the statistics windows.
#include "mainwindowfixture.h"
#include "readingstore.h"
#include "rows.h"
#include "trendchart.h"
#include "valueslistmodel.h"
#include "valueswindow.h"

#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>
#include <QtWidgets>

namespace {

// A stored record line for a reading taken `daysAgo` days before today at hh:00.
QString reading(int value, int daysAgo, int hour, const char *ctrl = "-")
{
    const QDateTime at(QDate::currentDate().addDays(-daysAgo), QTime(hour, 0));
    return QStringLiteral("%1,%2,mg/dL,%3,-").arg(value).arg(at.toString("yyyy-M-d H:m:ss"), ctrl);
}

class Report : public MainWindowFixture
{
public:
    // Shown and drawn on `lines` (none: no store file); no link ticks, no port is reached for.
    MainWindow *open(const std::optional<QStringList> &lines)
    {
        start(TempProgramDir::installedIni().replace("delay=100", "delay=0"))->setMessageSink([](auto &) {});
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
    TrendChart *chart() const { return child<TrendChart>("MSChart1"); }
    QString caption() const { return child<QLabel>("pjvalue")->text(); }
    // The band's own controls: the values window has buttons of the same names.
    template <typename T> T *inBand(const char *name) const
    {
        return child<QWidget>("Frame1")->findChild<T *>(QLatin1String(name));
    }
    void apply() const { QTest::mouseClick(inBand<QPushButton>("Command1"), Qt::LeftButton); }
    // Opens the box's calendar with a click on its arrow, walks to the day with the arrow keys and
    // picks it with Enter.
    void pickDay(const char *boxName, const QDate &day) const
    {
        QComboBox *box = inBand<QComboBox>(boxName);
        QTest::mouseClick(box, Qt::LeftButton, {}, arrowOf(box));
        auto *cal = child<QCalendarWidget>(box->objectName() == "xt_d1" ? "Calendar1" : "Calendar2");
        QWidget *days = cal->findChild<QTableView *>();
        QVERIFY(cal->isVisible() && days);
        for (qint64 step = cal->selectedDate().daysTo(day); step != 0; step += step > 0 ? -1 : 1)
            QTest::keyClick(days, step > 0 ? Qt::Key_Right : Qt::Key_Left);
        QTest::keyClick(days, Qt::Key_Return);
        QVERIFY(cal->isHidden());
    }
    void pick(const char *boxName, const QString &entry) const
    {
        QComboBox *b = inBand<QComboBox>(boxName);
        b->setCurrentIndex(b->findText(entry));
        emit b->activated(b->currentIndex());
    }
    ValuesListModel *list() const { return main()->valuesWindow(false)->model(); }
    QString column(int c) const
    {
        QStringList out;
        for (int r = 0; r < list()->rowCount(); ++r)
            out << list()->index(r, c).data().toString();
        return out.join('|');
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

    // What each run leaves on the window, and what a later run that cannot redo it keeps.
    void runsKeepWhatTheyCannotRedo()
    {
        fx.open(std::nullopt);
        const TrendChart *chart = fx.chart();
        const auto shows = [&] {
            return QString::asprintf("%s %d points, y to %g in %d, x divisions %d; ",
                                     chart->isVisible() ? "shown" : "hidden", chart->pointCount(),
                                     chart->valueAxis()->max(), chart->yMajorDivision(),
                                     chart->xMajorDivision()) +
                   fx.caption();
        };
        QCOMPARE(chart->readingsSeries()->name() + '|' + chart->highSeries()->name() + '|' +
                     chart->lowSeries()->name(),
                 QStringLiteral("Glucose (mg/dl)|Normal high|Normal low"));
        QCOMPARE(shows(), "shown 0 points, y to 600 in 6, x divisions 1; ");
        // Each run reads the settings again; what it cannot read keeps the scale drawn before.
        fx.dir().writeIni(TempProgramDir::installedIni()
                              .replace("delay=100", "delay=0")
                              .replace("DBMax=600", "DBMax=400")
                              .replace("MajorDivision=6", "MajorDivision=many"));
        fx.writeStore({reading(110, 1, 9), reading(130, 0, 9), reading(150, 0, 17)});
        fx.apply();
        QCOMPARE(shows(), "shown 3 points, y to 400 in 6, x divisions 3; Average Value : [130.0] mg/dl");
        // Filled by the run without showing the window.
        QVERIFY(!fx.main()->valuesWindow(false)->isVisible());
        QCOMPARE(fx.column(ValuesListModel::NumColumn), QStringLiteral("1|2|3"));
        // A run that selects nothing hides the chart and leaves no number of other readings.
        fx.pick("sel_viewtype", QStringLiteral("Glucose Noon Trend"));
        fx.apply();
        QCOMPARE(shows(), "hidden 3 points, y to 400 in 6, x divisions 3; Average Value : [] mg/dl");
        // The next shows it again; one x division a reading of the period, whatever its time.
        fx.pick("sel_viewtype", QStringLiteral("Glucose Morning Trend"));
        fx.pick("unit", QStringLiteral("mmol/l"));
        QCOMPARE(shows(), "shown 2 points, y to 22 in 6, x divisions 3; Average Value : [6.7] mmol/l");
        // Without a store the run ends at once: the last drawing, caption and list stay.
        QFile::remove(fx.dir().storePath());
        fx.pick("unit", QStringLiteral("mg/dl"));
        QCOMPARE(shows(), "shown 2 points, y to 22 in 6, x divisions 3; Average Value : [6.7] mmol/l");
        QCOMPARE(fx.column(ValuesListModel::UnitColumn), QStringLiteral("mmol/l|mmol/l|mmol/l"));
    }
    // Two days picked from the calendars, in either order: only the readings of those dates and
    // the days between them, never one dated after the later (a meter clock set ahead).
    void periodPickedInEitherOrder_data()
    {
        columns<int, int, QString>("d1DaysBack", "d2DaysBack", "shows");
        row("to today from 2 days back", 0, 2, "shown 2 points; Average Value : [140.0] mg/dl");
        row("in reverse order", 3, 1, "shown 2 points; Average Value : [120.0] mg/dl");
        row("a day without readings", 2, 2, "hidden 0 points; Average Value : [] mg/dl");
    }
    void periodPickedInEitherOrder()
    {
        const auto [d1DaysBack, d2DaysBack, shows] =
            cells<int, int, QString>("d1DaysBack", "d2DaysBack", "shows");
        fx.open(QStringList{reading(110, 3, 9), reading(130, 1, 9), reading(150, 0, 9), reading(170, -1, 9)});
        fx.pickDay("xt_d1", QDate::currentDate().addDays(-d1DaysBack));
        fx.pickDay("xt_d2", QDate::currentDate().addDays(-d2DaysBack));
        fx.apply();
        const TrendChart *chart = fx.chart();
        QCOMPARE(QStringLiteral("%1 %2 points; ")
                         .arg(chart->isVisible() ? "shown" : "hidden")
                         .arg(chart->isVisible() ? chart->pointCount() : 0) +
                     fx.caption(),
                 shows);
    }
    // Four readings listed; the store changes to `now` (an upload, another program) before the rows
    // `ticked` (from 1) are ticked with real input and `button` is clicked.
    void deleteTicked_data()
    {
        columns<QString, QList<int>, QString, QString, QString>("now", "ticked", "button", "kept", "says");
        const QString all = "100|101|102|103";
        // clang-format off
        row("rows 1 and 3", all, QList<int>{1, 3}, "Command1", "101|103", "");
        row("rows 2 and 4, the Delete key", all, QList<int>{2, 4}, "Delete", "100|102", "");
        row("Save closes, deleting nothing", all, QList<int>{1}, "Command3", all, "");
        row("Cancel closes, deleting nothing", all, QList<int>{1}, "Command2", all, "");
        row("an upload reset the store and failed", "100|101", QList<int>{1, 3}, "Command1", "101",
            "1 ticked reading was not deleted because");
        row("another program deleted the first", "101|102|103", QList<int>{2, 3}, "Command1", "101|102|103",
            "2 ticked readings were not deleted because");
        row("another program emptied it", "", QList<int>{4}, "Command1", "", "1 ticked reading was not deleted because");
        // clang-format on
    }
    void deleteTicked()
    {
        const auto [now, ticked, button, kept, says] =
            cells<QString, QList<int>, QString, QString, QString>("now", "ticked", "button", "kept", "says");
        const auto lines = [](const QString &values) {
            QStringList out;
            for (const QString &v : values.split('|', Qt::SkipEmptyParts))
                out << reading(v.toInt(), 1, v.toInt() - 92);
            return out;
        };
        fx.open(lines("100|101|102|103"));
        QAbstractItemModelTester tester(fx.list(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        ValuesWindow *values = fx.main()->showValuesWindow();
        QVERIFY(QTest::qWaitForWindowExposed(values));
        QTRY_VERIFY(!values->findChild<QTimer *>("Timer1")->isActive());
        fx.writeStore(lines(now));
        // A click on a row's date, then the space bar, ticks it; the arrow keys move to the next one.
        auto *view = values->findChild<QTableView *>("vlist");
        const QRect first =
            view->visualRect(view->model()->index(ticked[0] - 1, ValuesListModel::DateColumn));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, first.center());
        for (int r = ticked[0]; r <= ticked.last(); ++r) {
            if (ticked.contains(r))
                QTest::keyClick(view, Qt::Key_Space);
            QTest::keyClick(view, Qt::Key_Down);
        }
        QCOMPARE(fx.list()->checkedItems().size(), ticked.size());
        // A screen reader hears which reading a tick box ticks, under its column's name.
        const int r = ticked[0], v = 99 + r;
        QAccessibleInterface *cell =
            QAccessible::queryAccessibleInterface(view)->tableInterface()->cellAt(r - 1, 0);
        QCOMPARE(cell->text(QAccessible::Name), QString("Reading %1, ticked: %2 mg/dl on %3")
                                                    .arg(r)
                                                    .arg(v)
                                                    .arg(reading(v, 1, v - 92).section(',', 1, 1)));
        QVERIFY(cell->state().checked);
        QCOMPARE(values->findChild<QLabel *>("savedNote")->text(),
                 QString("Reading %1 ticked").arg(ticked.last()));
        // A cell's column header is made for the asking; Qt's cache takes it, as a reader's bridge does.
        QAccessibleInterface *header = cell->tableCellInterface()->columnHeaderCells().value(0);
        QAccessible::uniqueId(header);
        QCOMPARE(header->text(QAccessible::Name), "Number and tick");
        if (button == "Delete")
            QTest::keyClick(view, Qt::Key_Delete);
        else
            fx.clickInValues(qPrintable(button));
        QCOMPARE(ReadStoreItems(fx.dir().storePath()).texts, lines(kept));
        if (button != "Command1" && button != "Delete") {
            QTRY_VERIFY(!fx.main()->valuesWindow(false));
            return;
        }
        auto *box = values->findChild<QMessageBox *>("deleteStale");
        QCOMPARE(box ? box->text().left(says.size()) : QString(), says);
        QVERIFY(!box || (box->isVisible() && !box->isModal()));
        // The list was filled again from the store as it now is, with no ticks left over.
        QCOMPARE(fx.column(ValuesListModel::ValueColumn), kept);
        QVERIFY(fx.list()->checkedItems().isEmpty());
        QCOMPARE(fx.chart()->isVisible(), !kept.isEmpty());
    }
    // At the main window's smallest size the chart keeps both axes with whole labels.
    void chartAtTheSmallestWindow()
    {
        QStringList week;
        for (int day = 0; day < 7; ++day)
            for (int hour : {7, 13, 19})
                week << reading(100 + 10 * hour, day, hour);
        fx.open(week);
        fx.main()->resize(100, 100);
        QCOMPARE(fx.main()->size(), fx.main()->minimumSize());
        QTest::qWait(50); // the chart lays itself out again after a resize
        QStringList labels;
        for (QGraphicsItem *item : fx.chart()->scene()->items())
            if (auto *text = dynamic_cast<QGraphicsTextItem *>(item); text && text->isVisible())
                labels << text->toPlainText();
        QVERIFY2(labels.filter(QRegularExpression(QString::fromUtf8("\\.\\.\\.|…"))).isEmpty(),
                 qPrintable(labels.join(" | ")));
        QVERIFY2(labels.contains("600") && labels.filter("-").size() >= 2, qPrintable(labels.join(" | ")));
    }
    // The values window, the band's Test button, a click on the chart; then a delete on a store that
    // cannot be read says so and leaves it byte for byte.
    void bandButtonsThenDeleteOnUnreadableStore()
    {
        fx.open({{reading(110, 1, 9)}});
        ValuesWindow *values = fx.main()->valuesWindow(false);
        // The list is refilled from the store shortly after each load.
        fx.writeStore({reading(110, 1, 9), reading(120, 0, 9)});
        QTRY_COMPARE(fx.list()->rowCount(), 2);
        QTest::mouseClick(fx.inBand<QPushButton>("Command3"), Qt::LeftButton);
        QVERIFY(values->isVisible());
        QCOMPARE(values->windowTitle(), "Values [" + fx.dir().storePath() + "]");
        QStringList headers;
        for (int c = 0; c < ValuesListModel::ColumnCount; ++c)
            headers << fx.list()->headerData(c, Qt::Horizontal, ValuesListModel::KeyRole).toString() + '=' +
                           fx.list()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        QCOMPARE(headers.join(' '),
                 QStringLiteral("Num=# cdate=DATE cvalue=Glucose cunit=Unit ctrl=Ctrl temp=TEMP"));

        TrendChart *chart = fx.chart();
        QTest::mouseClick(fx.inBand<QPushButton>("Command4"), Qt::LeftButton);
        QVERIFY(chart->markersShown() && chart->firstSeriesSelected());
        // A click on the chart closes the open calendar and changes nothing else.
        auto *d1 = fx.inBand<QComboBox>("xt_d1");
        const QString d1Text = d1->currentText();
        d1->showPopup();
        QVERIFY(fx.child<QCalendarWidget>("Calendar1")->isVisible());
        QTest::mouseClick(chart->viewport(), Qt::LeftButton, {},
                          chart->viewport()->rect().center() + QPoint(0, 120));
        QVERIFY(!fx.child<QCalendarWidget>("Calendar1")->isVisible());
        QCOMPARE(d1->currentText(), d1Text);

        fx.list()->setChecked(1, true);
        const QByteArray broken = "<Data><xt><item>110,2012";
        fx.dir().writeFile("data/TMPDATE.xml", broken);
        fx.clickInValues("Command1");
        auto *box = fx.main()->valuesWindow(false)->findChild<QMessageBox *>();
        QVERIFY(box && box->isVisible() && !box->isModal());
        QVERIFY(box->text().contains(fx.dir().storePath()));
        QCOMPARE(fx.dir().readFile("data/TMPDATE.xml"), broken);
        box->close();
    }
    // Opened by its button, it leaves out control tests (so its mean differs from the average
    // caption), makes the PDF, and is redrawn with the report, in the new unit or with nothing.
    void statisticsFollowEveryRedraw()
    {
        fx.open(QStringList{reading(100, 2, 9), reading(102, 1, 9), reading(130, 1, 10, "Ctrl")});
        // The file dialog's answer, as the message box's is handed in: what it was asked is kept.
        const QString pdf = fx.dir().filePath(QStringLiteral("doctor.pdf"));
        QString asked;
        fx.main()->setFileChooser(
            [&](QWidget *, const QString &caption, const QString &suggested, const QString &) {
                asked = caption + '|' + QFileInfo(suggested).fileName();
                return pdf;
            });
        QTest::mouseClick(fx.inBand<QPushButton>("statisticsButton"), Qt::LeftButton);
        auto *figures = fx.child<QTableWidget>("figures");
        const auto shown = [figures] {
            QStringList out;
            for (int r = 0; r < figures->rowCount(); ++r)
                out << figures->item(r, 0)->text() + QStringLiteral(": ") + figures->item(r, 1)->text();
            return out.join('\n');
        };
        const auto todCount = [this] { return fx.child<QTableWidget>("timeOfDay")->item(0, 2)->text(); };
        QCOMPARE(fx.caption(), QStringLiteral("Average Value : [110.7] mg/dl"));
        QVERIFY(shown().contains("Blood readings counted: 2\nControl tests left out (Ctrl): 1"));
        QVERIFY(shown().contains("Mean of blood readings: 101 mg/dL"));
        fx.pick("unit", QStringLiteral("mmol/l"));
        QVERIFY2(shown().contains("Mean of blood readings: 5.6 mmol/L"), qPrintable(shown()));

        // The keyboard starts on the patient's name and Tab goes on as the eye does, to the figures;
        // the name typed in is kept in sys.ini alone, which turns private.
        QWidget *statistics = fx.child<QWidget>("statistics");
        QVERIFY(QTest::qWaitForWindowActive(statistics));
        QCOMPARE(QApplication::focusWidget()->objectName(), "patientName");
        QTest::keyClicks(QApplication::focusWidget(), "Ann Lee");
        for (int tab = 0; tab < 3; ++tab)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), "figures");
        QVERIFY(fx.dir().readFile("cfg/sys.ini").contains("[patient]\nname=Ann Lee\n"));
        QCOMPARE(QFile::permissions(fx.dir().iniPath()) & 0x0077, QFile::Permissions());

        // Save PDF: the link is held while the file is made.
        struct ProgressWatch : QObject
        {
            MainWindow *main;
            std::optional<bool> seen;
            bool eventFilter(QObject *o, QEvent *e) override
            {
                if (e->type() == QEvent::Show && o->objectName() == QLatin1String("reportProgress") && !seen)
                    seen = main->isTimer1Enabled();
                return false;
            }
        } watch;
        watch.main = fx.main();
        qApp->installEventFilter(&watch);
        QVERIFY(fx.main()->isTimer1Enabled());
        QTest::mouseClick(fx.child<QPushButton>("savePdf"), Qt::LeftButton);
        qApp->removeEventFilter(&watch);
        QCOMPARE(watch.seen, std::optional<bool>(false));
        QVERIFY(fx.main()->isTimer1Enabled());
        QVERIFY(QFile(pdf).size() > 1000);
        QCOMPARE(asked, "Save the report as PDF|glucose-report-" +
                            QDate::currentDate().toString(Qt::ISODate) + ".pdf");
        // Each window says where its file went; the two CSV exports are told apart by caption and name.
        const auto said = [](QWidget *window) { return window->findChild<QLabel *>("savedNote")->text(); };
        QCOMPARE(said(statistics), "Saved to " + pdf);
        QTest::mouseClick(statistics->findChild<QPushButton *>("exportCsv"), Qt::LeftButton);
        QCOMPARE(asked, "Export the report's readings as CSV|glucose-report-readings-" +
                            QDate::currentDate().toString(Qt::ISODate) + ".csv");
        QCOMPARE(said(statistics), "Saved to " + pdf + ".csv");
        fx.clickInValues("exportCsv");
        QCOMPARE(asked, "Export every stored reading as CSV|glucose-all-readings-" +
                            QDate::currentDate().toString(Qt::ISODate) + ".csv");
        QCOMPARE(said(fx.main()->valuesWindow(false)), "Saved to " + pdf + ".csv");

        // The time-of-day table covers the period whatever the view.
        fx.pick("sel_viewtype", QStringLiteral("Glucose Noon Trend"));
        fx.apply();
        QVERIFY(shown().contains("Blood readings counted: 0"));
        QCOMPARE(todCount(), QStringLiteral("2"));
        fx.writeStore({reading(100, 30, 9)});
        fx.apply();
        QVERIFY(shown().contains("No blood readings in this selection: "));
        QCOMPARE(todCount(), QStringLiteral("0"));
        // After every redraw the tables still fill their width, the last column taking what is left.
        for (const char *name : {"figures", "timeOfDay"}) {
            auto *table = fx.child<QTableWidget>(name);
            int width = 0;
            for (int c = 0; c < table->columnCount(); ++c)
                width += table->columnWidth(c);
            QCOMPARE(width, table->viewport()->width());
        }
    }
};

QTEST_MAIN(tst_ReportWindow)
#include "tst_reportwindow.moc"
