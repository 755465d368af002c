// The CSV a person takes to the doctor, checked as the file it is: its bytes against a golden
// file, its cells as a spreadsheet would read them.
#include "csvexport.h"
#include "filesizelimit.h"
#include "reportfile.h"
#include "rows.h"
#include "snapshotof.h"

#include <QtTest>

using B = QByteArray;

class tst_Export : public QObject
{
    Q_OBJECT
private slots:
    // The readings of the store and those the report selected give the golden file's bytes,
    // readable by their owner alone; a write that fails keeps that file, with no stray beside it.
    void csv()
    {
        const QStringList lines = {"123,2026-5-1 7:30:00,mg/dL,-,-",
                                   "15,2026-5-1 12:5:00,mg/dL,-,-",
                                   "650,2026-5-2 19:45:00,mg/dL,-,TEMP",
                                   "110,2026-5-3 8:0:00,mg/dL,Ctrl,-",
                                   "=HYPERLINK(\"http://x\"),2026-5-3 9:0:00,mg/dL,-,-",
                                   "95,last tuesday 7:00,mg/dL,-,-",
                                   "-5,2026-5-4 21:10:00,mg/dL,-,-"};
        TempProgramDir dir;
        const QByteArray selected =
            csvexport::selectedReadings(snapshotOf(dir, lines, "2000-1-1", "2026-5-4"));
        QByteArray all;
        QString error;
        QVERIFY(csvexport::allReadings(dir.storePath(), csvexport::rangeMarksFromIni(dir.iniPath()), &all,
                                       &error));
        QFile golden(QStringLiteral(QUILLON_SOURCE_DIR "/tests/export/golden/readings.csv"));
        QVERIFY(golden.open(QIODevice::ReadOnly));
        const QByteArray expected = golden.readAll();
        const QString target = dir.filePath("readings.csv");
        for (const QByteArray &bytes : {all, selected}) {
            QVERIFY(writeReportFile(target, bytes, &error));
            QCOMPARE(dir.readFile("readings.csv"), expected);
            QCOMPARE(QFile::permissions(target) & 0x0077, QFileDevice::Permissions());
        }
        // mmol/L rounded as the decimal reads: 98.1 / 18 is 5.45, a hair below it as a double.
        QVERIFY(csvexport::csv({"98.1,2026-5-1 7:30:00,mg/dL,-,-"}, {}).contains(",98.1,5.5,"));
        const FileSizeLimit diskFull(64);
        QVERIFY(!writeReportFile(target, QByteArray(4000, 'x'), &error));
        QCOMPARE(dir.readFile("readings.csv"), expected);
        QCOMPARE(QDir(dir.path()).entryList({"readings.csv*"}, QDir::Files).size(), 1);
    }
    // A formula start a spreadsheet would still see behind blanks, a no-break space, a full-width
    // sign or a leading tab or CR: only a hand-edited store holds such a text.
    void formulaCells_data()
    {
        columns<QString, QByteArray>("line", "written");
        // clang-format off
        row("tab at the start", "95,\tnote,mg/dL,-,-", B("'\tnote,,95,5.3,,no,no\r\n"));
        row("CR at the start, quoted", "95,\rnote,mg/dL,-,-", B("\"'\rnote\",,95,5.3,,no,no\r\n"));
        row("blanks before =", "95,  =1+1,mg/dL,-,-", B("'  =1+1,,95,5.3,,no,no\r\n"));
        row("no-break space before @", "95,\u00A0@SUM(A1),mg/dL,-,-", B("'\u00A0@SUM(A1),,95,5.3,,no,no\r\n"));
        row("full-width = as the value", "\uFF1D1+1,2026-5-1 7:30:00,mg/dL,-,-", B("2026-05-01,07:30,'\uFF1D1+1,,,no,no\r\n"));
        row("full-width + after a blank", "95, \uFF0B1,mg/dL,-,-", B("' \uFF0B1,,95,5.3,,no,no\r\n"));
        row("full-width -", "95,\uFF0D1,mg/dL,-,-", B("'\uFF0D1,,95,5.3,,no,no\r\n"));
        row("full-width @ as the value", "\uFF20A1,2026-5-1 7:30:00,mg/dL,-,-", B("2026-05-01,07:30,'\uFF20A1,,,no,no\r\n"));
        // clang-format on
    }
    void formulaCells()
    {
        auto [line, written] = cells<QString, QByteArray>("line", "written");
        const QByteArray out = csvexport::csv({line}, {});
        QCOMPARE(out.mid(out.indexOf("\r\n") + 2), written);
    }
};

QTEST_MAIN(tst_Export)
#include "tst_export.moc"
