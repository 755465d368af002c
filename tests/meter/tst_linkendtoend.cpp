// The whole program against the meter simulator over a real pseudo-terminal: the main window's
// start, its timer, the serial control, the link, the store and the report, as a user runs them.
#include "logwindow.h"
#include "mainwindow.h"
#include "meterlink.h"
#include "rows.h"
#include "simupload.h"

#include <QComboBox>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

constexpr int SimStartMs = 10000;
constexpr int UploadMs = 120000;

const QString Unsucceed = QStringLiteral("Upload Unsucceed! ,Reconnect Please.");
using S = QStringList;
const QString NoDatabase = QStringLiteral("Not found Glucose database!");

const QByteArray PreviousStore = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Data>\n<xt>"
                                 "<item>111,2024-1-2 8:3:00,mg/dL,-,-</item>"
                                 "<item>222,2024-1-3 9:4:00,mg/dL,Ctrl,-</item></xt>\n</Data>\n";
const QByteArray OlderBackup = "<?xml version=\"1.0\"?>\n<Data><xt><item>99,2023-6-1 7:0:00,mg/dL,-,-</item>"
                               "</xt></Data>\n";

QVector<Reading> readings(int count, int firstYear)
{
    QVector<Reading> out;
    QDateTime t(QDate(firstYear, 1, 1), QTime(6, 0));
    for (int i = 0; i < count; ++i) {
        out.append({t, 40 + (i * 37) % 300, i % 7 == 3, i % 11 == 5});
        t = t.addSecs(7 * 3600 + 13 * 60);
    }
    return out;
}

} // namespace

class tst_LinkEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void upload_data();
    void upload();
    void linkWaitsWhileItsMessageIsOpen();
};

void tst_LinkEndToEnd::upload_data()
{
    // stored: readings in the store afterwards, -1: the previous store; backedUp: the backup holds
    // the previous store (else the older backup); ends: the end of the upload follows ("9999 Day").
    columns<QStringList, int, int, QString, int, bool, bool>("simArgs", "count", "firstYear", "message",
                                                             "stored", "backedUp", "ends");
    row("100 readings", S(), 100, 2025, QString(), 100, true, true);
    row("answers split", S{"--split", "4,6"}, 12, 2025, QString(), 12, true, true);
    row("years below 10", S(), 5, 2005, QString(), 5, true, true);
    row("no answer to the wake bytes", S{"--silent-at", "wake"}, 5, 2025, QString(), -1, false, false);
    row("BB with another byte", S{"--extra-at", "wake:BB"}, 5, 2025, QString(), -1, false, false);
    row("silent at hello", S{"--silent-at", "hello"}, 5, 2025, Unsucceed, -1, false, false);
    row("silent at clock", S{"--silent-at", "clock"}, 5, 2025, Unsucceed, -1, false, false);
    row("silent at count", S{"--silent-at", "count"}, 5, 2025, Unsucceed, -1, false, false);
    row("extra byte after handshake", S{"--extra-at", "hello"}, 5, 2025, Unsucceed, -1, false, false);
    row("silent at reading 4", S{"--silent-at", "record:4"}, 6, 2025, Unsucceed, 3, true, false);
    row("no readings", S(), 0, 2025, NoDatabase, -1, false, true);
    row("reading 3 too long", S{"--long-record", "3"}, 6, 2025, Unsucceed, 2, true, true);
    // BB, two handshakes and the count answer are 14 bytes; then 10 per reading.
    row("unplugged in reading 4", S{"--unplug-at-byte", "48"}, 6, 2025, Unsucceed, 3, true, false);
}

void tst_LinkEndToEnd::upload()
{
    const auto [simArgs, count, firstYear, message, stored, backedUp, ends] =
        cells<QStringList, int, int, QString, int, bool, bool>("simArgs", "count", "firstYear", "message",
                                                               "stored", "backedUp", "ends");
    QTemporaryDir dir;
    const ProgramDir programDir(dir.path());
    QProcess sim;
    const QVector<Reading> meterReadings = readings(count, firstYear);
    const QString readingsFile = dir.filePath(QStringLiteral("readings.txt"));
    const QString recordFile = dir.filePath(QStringLiteral("sent.txt"));
    QVERIFY(writeFile(readingsFile, readingsText(meterReadings)));
    sim.setProgram(QStringLiteral(METER_SIM));
    // The window finds the meter through a link that goes with the simulator: a pseudo-terminal's
    // number is handed on, and a window still searching must not find another test's meter there.
    const QString meterLink = dir.filePath(QStringLiteral("meter"));
    sim.setArguments(QStringList{"--readings-file", readingsFile, "--record", recordFile, "--sessions", "1",
                                 "--link", meterLink} +
                     simArgs);
    sim.start();
    QVERIFY2(sim.waitForStarted(SimStartMs), qPrintable(sim.errorString()));
    QVERIFY(sim.waitForReadyRead(SimStartMs));
    const QByteArray pty = sim.readLine().trimmed();
    QVERIFY2(pty.startsWith("/dev/"), pty.constData());

    // Port 1 is the simulator; the other ports lead nowhere, so the search skips them quickly.
    QList<QByteArray> devices = {QFile::encodeName(meterLink)};
    for (int port = 2; port <= 16; ++port)
        devices << "/nonexistent/quillon-test/ttyQ" + QByteArray::number(port);
    QVERIFY(setUpProgramDir(programDir, PreviousStore, "delay=50\ntimeout=10\n", devices));
    QVERIFY(writeFile(ProgramDir::backupPath(programDir.storePath()), OlderBackup));

    QStringList messages;
    const QDateTime started = QDateTime::currentDateTime();
    MainWindow w(programDir);
    w.setMessageSink([&messages](const QString &text) { messages << text; });
    w.Form_Load();
    auto *Combo1 = w.findChild<QComboBox *>(QStringLiteral("Combo1"));
    auto *jdt = w.findChild<QProgressBar *>(QStringLiteral("jdt"));
    QVERIFY(Combo1 && jdt);

    if (!message.isEmpty())
        QTRY_VERIFY_WITH_TIMEOUT(!messages.isEmpty(), UploadMs);
    if (message.isEmpty() && !ends) {
        // Nothing to wait for on the screen: wait until the search has come round to the
        // simulator a second time.
        QTRY_VERIFY_WITH_TIMEOUT(
            QString::fromLatin1(fileBytes(recordFile)).count(QLatin1String("wake ")) >= 2, UploadMs);
    }
    if (ends)
        QTRY_COMPARE_WITH_TIMEOUT(Combo1->currentText(), QStringLiteral("9999 Day"), UploadMs);
    w.setTimer1Enabled(false);
    const QDateTime finished = QDateTime::currentDateTime();

    QCOMPARE(messages, message.isEmpty() ? QStringList() : QStringList{message});
    if (!ends)
        QCOMPARE(Combo1->currentText(), QStringLiteral("7 Day"));

    if (stored < 0) {
        QCOMPARE(fileBytes(programDir.storePath()), PreviousStore);
    } else {
        QStringList expected;
        for (int i = 0; i < stored; ++i)
            expected << expectedLine(meterReadings[i]);
        QCOMPARE(storeItems(fileBytes(programDir.storePath())), expected);
    }
    QCOMPARE(fileBytes(ProgramDir::backupPath(programDir.storePath())),
             backedUp ? PreviousStore : OlderBackup);

    if (count > 0 && ends && message.isEmpty()) {
        QCOMPARE(jdt->maximum(), count + 1);
        QVERIFY(jdt->isHidden());
        const QListWidget *loglist = w.logWindow()->loglist;
        QCOMPARE(loglist->count(), count + 1);
        const QString countHex = QString::number(count, 16).toUpper().rightJustified(4, QLatin1Char('0'));
        QCOMPARE(loglist->item(0)->text(),
                 QStringLiteral("import values count:%1--FC02%2CC").arg(count).arg(countHex));
        // The meter's clock was set to the computer's, to the minute.
        const QStringList sent = QString::fromLatin1(fileBytes(recordFile)).split(QLatin1Char('\n'));
        const QStringList clock = sent.filter(QRegularExpression(QStringLiteral("^clock ")));
        QVERIFY(!clock.isEmpty());
        const QByteArray bytes = QByteArray::fromHex(clock.first().mid(6).toLatin1());
        QCOMPARE(bytes.size(), 8);
        const QDateTime set(QDate(2000 + quint8(bytes[2]), quint8(bytes[3]), quint8(bytes[4])),
                            QTime(quint8(bytes[5]), quint8(bytes[6])));
        QVERIFY2(set >= started.addSecs(-60) && set <= finished, qPrintable(clock.first()));
        QVERIFY(sent.contains(QStringLiteral("end FA0400AA")));
    }

    sim.terminate();
    if (!sim.waitForFinished(SimStartMs))
        sim.kill();
}

// The real message box, which does not block: while it is open the link holds its ticks and
// drops what arrives; once the user closes it, the upload of an empty meter ends.
void tst_LinkEndToEnd::linkWaitsWhileItsMessageIsOpen()
{
    constexpr int DelayMs = 50;
    QTemporaryDir dir;
    const ProgramDir programDir(dir.path());
    const QString recordFile = dir.filePath(QStringLiteral("sent.txt"));
    QProcess sim;
    sim.setProgram(QStringLiteral(METER_SIM));
    const QString meterLink = dir.filePath(QStringLiteral("meter"));
    sim.setArguments({"--readings", "0", "--record", recordFile, "--sessions", "1", "--link", meterLink});
    sim.start();
    QVERIFY2(sim.waitForStarted(SimStartMs), qPrintable(sim.errorString()));
    QVERIFY(sim.waitForReadyRead(SimStartMs));
    const QByteArray pty = sim.readLine().trimmed();
    QVERIFY2(pty.startsWith("/dev/"), pty.constData());
    QVERIFY(setUpProgramDir(programDir, PreviousStore,
                            "delay=" + QByteArray::number(DelayMs) + "\ntimeout=10\n",
                            {QFile::encodeName(meterLink), "/nonexistent/quillon-test/ttyQ"}));
    const auto endCommands = [&] {
        return QString::fromLatin1(fileBytes(recordFile)).count(QLatin1String("end FA0400AA"));
    };

    MainWindow w(programDir);
    w.Form_Load();
    w.show();
    auto *Combo1 = w.findChild<QComboBox *>(QStringLiteral("Combo1"));
    QMessageBox *box = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((box = w.findChild<QMessageBox *>()) && box->isVisible(), UploadMs);
    QCOMPARE(box->text(), NoDatabase);

    QTest::qWait(10 * DelayMs);
    QCOMPARE(endCommands(), 0);
    QCOMPARE(int(w.link()->linkstep), 5);
    QCOMPARE(Combo1->currentText(), QStringLiteral("7 Day"));
    QVERIFY(!w.valuesWindow(false) || !w.valuesWindow(false)->isVisible());

    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(Combo1->currentText(), QStringLiteral("9999 Day"), UploadMs);
    QTRY_COMPARE_WITH_TIMEOUT(endCommands(), 2, SimStartMs);
    QVERIFY(w.valuesWindow(false)->isVisible());
    QCOMPARE(fileBytes(programDir.storePath()), PreviousStore);
    w.setTimer1Enabled(false);

    sim.terminate();
    if (!sim.waitForFinished(SimStartMs))
        sim.kill();
}

QTEST_MAIN(tst_LinkEndToEnd)
#include "tst_linkendtoend.moc"
