// Pictures of the report for the documentation: the main window with a week of readings in
// both units, the values window, the statistics window and page 1 of the report for the
// doctor (needs pdftoppm). Run under a real (virtual) display:
//   xvfb-run -a ./report_screenshots <output folder>
#include "mainwindow.h"
#include "pdfreport.h"
#include "programdir.h"
#include "readingstore.h"
#include "reportsnapshot.h"
#include "selection.h"
#include "statisticswindow.h"
#include "valueswindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray weekOfReadings()
{
    // Four readings a day: fasting, after lunch, before dinner, bedtime, with a few outliers.
    const int times[4][2] = {{7, 12}, {13, 5}, {18, 40}, {22, 30}};
    const int values[] = {96,  142, 118, 131, 104, 187, 126, 109, 88,  158, 121, 140, 112, 201,
                          133, 117, 99,  149, 64,  125, 107, 171, 119, 138, 93,  155, 128, 115};
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Data>\n<xt>\n";
    int n = 0;
    for (int day = 6; day >= 0; --day) {
        for (const auto &t : times) {
            const QDateTime at(QDate::currentDate().addDays(-day), QTime(t[0], t[1]));
            const bool control = n == 9;
            xml += QStringLiteral("<item>%1,%2,mg/dL,%3,-</item>\n")
                       .arg(values[n % 28])
                       .arg(at.toString(QStringLiteral("yyyy-M-d H:m:ss")), control ? "Ctrl" : "-")
                       .toUtf8();
            ++n;
        }
    }
    return xml + "</xt>\n</Data>\n";
}

bool save(QWidget *w, const QString &path)
{
    QTest::qWait(300);
    return w->grab().save(path);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("cfg"));
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    writeFile(dir.filePath(QStringLiteral("cfg/sys.ini")),
              "[comm]\ndelay=0\nsettings=9600,n,8,1\ntimeout=20\n\n[setting]\nunit=mg/dl\ntimesplit=ALL\n"
              "NormalLow=80\nNormalHigh=110\nDBMin=20\nDBMax=600\nMajorDivision=6\nMinorDivision=2\n\n"
              "[main]\nlogview=0\n");
    writeFile(dir.filePath(QStringLiteral("data/TMPDATE.xml")), weekOfReadings());

    MainWindow window{ProgramDir(dir.path())};
    window.Form_Load();
    window.resize(1000, 640);
    window.show();
    bool ok = save(&window, out + QStringLiteral("/main-mgdl.png"));

    auto *unit = window.findChild<QComboBox *>(QStringLiteral("unit"));
    const int mmol = unit->findText(QStringLiteral("mmol/l"));
    unit->setCurrentIndex(mmol);
    emit unit->activated(mmol);
    ok = save(&window, out + QStringLiteral("/main-mmol.png")) && ok;

    unit->setCurrentIndex(unit->findText(QStringLiteral("mg/dl")));
    emit unit->activated(unit->currentIndex());
    ValuesWindow *values = window.showValuesWindow();
    values->move(window.pos() + QPoint(60, 60));
    ok = save(values, out + QStringLiteral("/values.png")) && ok;

    StatisticsWindow *statistics = window.showStatisticsWindow();
    statistics->move(window.pos() + QPoint(120, 40));
    ok = save(statistics, out + QStringLiteral("/statistics.png")) && ok;

    // Page 1 of the report over the same week, as the Save PDF button makes it, in both units.
    for (const QString &unitText : {QStringLiteral("mg/dl"), QStringLiteral("mmol/l")}) {
        ReportInput input;
        input.unitText = unitText;
        input.endDateText = QDate::currentDate().toString(Qt::ISODate);
        input.startDateText = QDate::currentDate().addDays(-7).toString(Qt::ISODate);
        input.viewText = QStringLiteral("ALL");
        input.settings = {"20", "600", "110", "80", "6", "2"};
        const StoreItems store = ReadStoreItems(dir.filePath(QStringLiteral("data/TMPDATE.xml")));
        ReportSnapshot snapshot = makeReportSnapshot(input, selection::run(input, store), store);
        snapshot.patient = {QStringLiteral("Ann Example"), QStringLiteral("1960-01-02"),
                            QStringLiteral("Q-0001")};
        snapshot.storeWritten = QDateTime::currentDateTime();
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        QString error;
        pdfreport::Options options;
        ok = pdfreport::writePdf(pdf, snapshot, options, {}, &error) == pdfreport::Result::Done && ok;
        const QString name =
            snapshot.mmol ? QStringLiteral("/report-page1-mmol") : QStringLiteral("/report-page1");
        ok = QProcess::execute(QStringLiteral("pdftoppm"),
                               {QStringLiteral("-r"), QStringLiteral("80"), QStringLiteral("-f"),
                                QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, out + name}) ==
                 0 &&
             ok;
    }
    return ok ? 0 : 1;
}
