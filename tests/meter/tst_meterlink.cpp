// The link and the upload it drives on a scripted line (what goes out, what is stored, what the window is
// told), the settings it starts with and the port settings it opens with, and the serial control on a real
// pseudo-terminal; then the whole program against the meter simulator over one, as a user runs it. `soak`
// (run as tst_faultsoak) does upload after upload, each with a fault drawn at random.
#include "fakelink.h"
#include "filesizelimit.h"
#include "history.h"
#include "linesettings.h"
#include "linkcontroller.h"
#include "linkstart.h"
#include "logwindow.h"
#include "mainwindow.h"
#include "meterlink.h"
#include "porttable.h"
#include "readingstore.h"
#include "rows.h"
#include "serialportcontrol.h"
#include "tempprogramdir.h"
#include "valueslistmodel.h"
#include "valueswindow.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace {

using S = QStringList;

// Where a row of the link's tables starts: a fresh link with the meter on port 1 (ports 2 to 16
// missing), brought as far as a meter would bring it, and what else holds for the line and the store.
// Made by the builders below (searching(), woken(), ..., uploading(n)) and their with...() changes.
struct Setup
{
    int budget = 3; // waitload, in ticks
    // How far the meter has brought the link, its bytes cleared from the line's record: -1 nowhere;
    // 0 port 1 opened and woken; then answered BB, the first handshake, the second, the count.
    int answered = -1;
    int announced = 3; // the count in the count answer
    int nextPort = 1;
    QDateTime clock = QDateTime(QDate(2026, 3, 5), QTime(14, 7, 30));
    bool cablePulled = false; // from then on every write fails
    bool writesHeld = false;  // written bytes leave only when waited for
    StoreResetResult reset = StoreResetResult::Ok;
    int failingAppend = 0; // the store refuses this append (1-based); 0: none
    QByteArray waiting;    // on the line, unannounced, once the link is there

    Setup withBudget(int ticks) const { return with(&Setup::budget, ticks); }
    Setup fromPort(int port) const { return with(&Setup::nextPort, port); }
    Setup on(const QDate &today) const { return with(&Setup::clock, QDateTime(today, QTime(12, 0))); }
    Setup withCablePulled() const { return with(&Setup::cablePulled, true); }
    Setup withWritesHeld() const { return with(&Setup::writesHeld, true); }
    Setup withBackupFailing() const { return with(&Setup::reset, StoreResetResult::BackupFailed); }
    Setup withTemplateFailing() const { return with(&Setup::reset, StoreResetResult::TemplateFailed); }
    Setup withAppendFailing(int nth) const { return with(&Setup::failingAppend, nth); }
    Setup withWaiting(const char *hex) const { return with(&Setup::waiting, QByteArray::fromHex(hex)); }

private:
    template <typename T, typename V> Setup with(T Setup::*field, const V &value) const
    {
        Setup s = *this;
        s.*field = value;
        return s;
    }
};

Setup searching()
{
    return Setup();
}
Setup reached(int answered, int announced = 3)
{
    Setup s;
    s.answered = answered, s.announced = announced;
    return s;
}
// The wake bytes went out on port 1; the meter has not answered.
Setup woken()
{
    return reached(0);
}
// It answered BB: the link greets it.
Setup handshaking()
{
    return reached(1);
}
// It answered the greeting: the link sets its clock.
Setup settingClock()
{
    return reached(2);
}
// It answered the clock: the link asks for the count.
Setup askingCount()
{
    return reached(3);
}
// It announced `announced` readings: the link asks for them one a tick.
Setup uploading(int announced = 3)
{
    return reached(4, announced);
}

// One step of a script: a tick of Timer1 (at the host's clock, or with the clock set first), or bytes
// arriving on the line with a receive notification.
struct Event
{
    QString hex;  // arriving bytes; empty: a tick
    QDateTime at; // a tick at this moment
};
using Script = QList<Event>;

Script tick(int n = 1)
{
    return Script(n);
}
Script tickAt(const char *isoMoment)
{
    return {{QString(), QDateTime::fromString(QLatin1String(isoMoment), Qt::ISODate)}};
}
// One receive notification per argument, each bringing those bytes as hexadecimal text.
template <typename... Hex> Script arrive(const Hex &...hex)
{
    return {Event{QString(hex), QDateTime()}...};
}

// `bytes` bytes counting up from `from` (wrapping at FF), as hexadecimal text: noise whose every part
// can be told apart.
QString counting(int bytes, int from = 0)
{
    QByteArray b;
    for (int i = 0; i < bytes; ++i)
        b += char((from + i) & 0xFF);
    return QString::fromLatin1(b.toHex().toUpper());
}

QString stepName(LinkStep step)
{
    static const char *const names[] = {"Search", "Handshake", "Clock", "CountRequest", "Records", "End"};
    const int n = int(step);
    return n >= 0 && n < 6 ? names[n] : QString::number(n);
}

struct Run
{
    S trace;          // one entry a step of the script
    QString gathered; // the text the link holds gathered at the end
};

// Runs `script` from `setup`. Each step's entry tells what it made the link do, in this order, parted by
// blanks: bytes written ("FA0600AA"), the port tried ("[02]"), its opening or closing ("open", "closed"),
// the window's calls ("clearLog", "range N", "reset", "step", "hide", "timer", "message", "draw", "end"),
// messages ("!" and their first line), log lines, readings stored ("=" and the record line) and the link's
// new step ("#Records"); "-" for nothing.
Run run(const Setup &setup, const Script &script)
{
    FakePort port;
    FakeHost host;
    MeterLink link(port, host);
    for (int p = 2; p <= 16; ++p)
        port.missing.insert(p);
    LinkStart start;
    start.waitload = qint16(setup.budget);
    start.comport = qint16(setup.nextPort);
    link.start(start);
    host.clock = setup.clock;
    host.resetResult = setup.reset;
    host.failAppendAt = setup.failingAppend;
    const auto deliver = [&](const QString &hex) {
        port.waiting += QByteArray::fromHex(hex.toLatin1());
        link.onComm();
    };
    if (setup.answered >= 0) {
        link.tick();
        const S answers{"BB", "FC5500CC", "FC5500CC",
                        QStringLiteral("FC02%1CC").arg(setup.announced, 4, 16, QLatin1Char('0'))};
        for (const QString &answer : answers.mid(0, setup.answered))
            deliver(answer);
        port.writes.clear();
    }
    port.failWrites = setup.cablePulled;
    port.holdWrites = setup.writesHeld;
    port.waiting += setup.waiting;

    Run out;
    for (const Event &e : script) {
        const qsizetype w = port.writes.size(), c = host.calls.size(), m = host.messages.size(),
                        l = host.log.size(), s = host.stored.size();
        const QString caption = host.caption;
        const bool open = port.open;
        const LinkStep step = link.step();
        if (e.at.isValid())
            host.clock = e.at;
        e.hex.isEmpty() ? link.tick() : deliver(e.hex);
        S did = port.writes.mid(w);
        if (host.caption != caption)
            did << QString(host.caption).remove(QStringLiteral("LINK COMM:"));
        if (port.open != open)
            did << (port.open ? "open" : "closed");
        did += host.calls.mid(c);
        for (const QString &text : host.messages.mid(m))
            did << "!" + text.section(u'\n', 0, 0);
        did += host.log.mid(host.log.size() < l ? 0 : l);
        for (const QString &line : host.stored.mid(s))
            did << "=" + line;
        if (link.step() != step)
            did << "#" + stepName(link.step());
        out.trace << (did.isEmpty() ? QStringLiteral("-") : did.join(u' '));
    }
    out.gathered = link.gathered();
    return out;
}

// The far end of a pseudo-terminal, standing in for a meter on a cable.
struct FarEnd
{
    int master = -1, slave = -1;
    char name[256] = {};
    FarEnd() { ::openpty(&master, &slave, name, nullptr, nullptr), ::fcntl(master, F_SETFL, O_NONBLOCK); }
    ~FarEnd() { ::close(master), ::close(slave); }
};

const QString NoDatabase = QStringLiteral("Not found Glucose database!");
const QByteArray PreviousStore = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Data>\n<xt>"
                                 "<item>111,2024-1-2 8:3:00,mg/dL,-,-</item>"
                                 "<item>222,2024-1-3 9:4:00,mg/dL,Ctrl,-</item></xt>\n</Data>\n";

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no file>");
}

S storeItems(const QString &path)
{
    const StoreItems items = ReadStoreItems(path);
    return items.status == StoreStatus::Ok ? items.texts : S{QStringLiteral("<not a store>")};
}

// `count` readings from `t` on as the store must hold them; `simFile` gets them as the simulator reads them.
S readings(QRandomGenerator &random, int count, QDateTime t, QByteArray &simFile)
{
    S lines;
    for (int i = 0; i < count; ++i, t = t.addSecs(60 * random.bounded(60, 1500))) {
        const int value = random.bounded(20, 600);
        const bool ctrl = random.bounded(8) == 0, temp = random.bounded(8) == 0;
        lines << QStringLiteral("%1,%2,mg/dL,%3,%4")
                     .arg(value)
                     .arg(t.toString("yyyy-M-d H:m:00"), ctrl ? "Ctrl" : "-", temp ? "TEMP" : "-");
        simFile += t.toString("yyyy-MM-dd HH:mm ").toLatin1() + QByteArray::number(value) +
                   (ctrl ? " ctrl" : "") + (temp ? " temp" : "") + '\n';
    }
    return lines;
}

// A program directory whose every port leads to the simulator, and the main window on it, told of
// messages (unless they are to show in boxes) and stopped as soon as an upload's outcome is known.
struct Bench
{
    TempProgramDir dir;
    ProgramDir programDir{dir.path()};
    QString store = programDir.storePath(), backup = ProgramDir::backupPath(store);
    std::optional<MainWindow> w;
    QProcess sim;
    S messages;
    bool ended = false;
    int uploads = 0;

    explicit Bench(const QByteArray &comm, bool boxes = false)
    {
        QByteArray ini = "[comm]\nsettings=9600,n,8,1\nusercommport=1\n" + comm;
        for (int port = 1; port <= 16; ++port)
            ini += "port" + QByteArray::number(port) + '=' + QFile::encodeName(dir.filePath("meter")) + '\n';
        const QByteArray installed = TempProgramDir::installedIni();
        dir.writeIni(ini + installed.mid(installed.indexOf("\n[setting]")));
        dir.writeFile("data/TMPDATE.xml", PreviousStore);
        w.emplace(programDir);
        if (!boxes) {
            w->setMessageSink([this](const QString &text) {
                messages << text;
                if (w->link()->step() != LinkStep::End) // a failure that still ends gets its end tick
                    w->setTimer1Enabled(false);
            });
        }
        w->Form_Load();
        w->setTimer1Enabled(false);
        QObject::connect(period(), &QComboBox::currentTextChanged, [this](const QString &text) {
            if ((ended = text == QLatin1String("9999 Day")))
                w->setTimer1Enabled(false);
        });
    }
    QComboBox *period() const { return w->findChild<QComboBox *>("Combo1"); }
    QString record() const { return dir.filePath(QStringLiteral("sent%1.txt").arg(uploads)); }
    int sent(const QString &command) const { return QString::fromLatin1(fileBytes(record())).count(command); }
    // An upload from a fresh simulator holding `simFile`, with `fault`.
    bool start(const QByteArray &simFile, const S &fault)
    {
        ++uploads;
        messages.clear();
        period()->setCurrentText("7 Day");
        dir.writeFile("readings.txt", simFile);
        sim.setProgram(QStringLiteral(METER_SIM));
        sim.setArguments(
            S{"--record", record(), "--sessions", "1", "--link", dir.filePath("meter")} +
            (simFile.isEmpty() ? S{"--readings", "0"} : S{"--readings-file", dir.filePath("readings.txt")}) +
            fault);
        sim.setStandardErrorFile(QProcess::nullDevice());
        sim.start();
        const bool up =
            sim.waitForStarted(10000) && sim.waitForReadyRead(10000) && sim.readLine().startsWith("/dev/");
        w->setTimer1Enabled(true);
        return up;
    }
    // Waits for the end of the upload, a message, or a meter never recognised: the search comes round
    // to it again or, with the cable pulled, is left searching.
    bool settle()
    {
        const bool settled = QTest::qWaitFor(
            [this] {
                return ended || (!messages.isEmpty() && w->link()->step() != LinkStep::End) ||
                       sent("wake ") >= 2 ||
                       (sim.state() == QProcess::NotRunning && w->link()->step() == LinkStep::Search);
            },
            60000);
        w->setTimer1Enabled(false);
        sim.terminate(); // one still running when the test ends is killed by QProcess
        sim.waitForFinished(10000);
        return settled;
    }
};

} // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Script)

class tst_MeterLink : public QObject
{
    Q_OBJECT
private slots:
    void link_data();
    void link();
    void reading_data();
    void reading();
    void gathered_data();
    void gathered();
    void linkStart_data();
    void linkStart();
    void lineSettings_data();
    void lineSettings();
    void devices_data();
    void devices();
    void serialControl();
    void wholeUpload();
    void uploadsIntoHistory_data();
    void uploadsIntoHistory();
    void linkWaitsWhileItsMessageIsOpen();
    void soak();
};

void tst_MeterLink::link_data()
{
    columns<Setup, Script, S>("setup", "script", "did");
    const QString up = "hide message !Upload Unsucceed! ,Reconnect Please. #Search"; // a step given up
    const QString first = "FC001A0305070A005F01", second = "FC001A03050C1E00B400",
                  third = "FC001A0305132D008C02";
    const QString firstStored = "=95,2026-3-5 7:10:00,mg/dL,Ctrl,-";
    const QString longCount = "FC020003CC" + counting(150);
    // clang-format off
    row("silent meter, W=3", searching(), tick(5), S{"AA A5 [01] open", "closed", "-", "-", "[02]"});
    row("W=0", searching().withBudget(0), tick(2), S{"AA A5 [01] open", "[02] closed"});
    row("missing ports, 16 then 1", searching().fromPort(14), tick(4), S{"[14]", "[15]", "[16]", "AA A5 [01] open"});
    row("BB alone", woken(), arrive("BB"), S{"#Handshake"});
    row("BB after noise", woken(), arrive("00", "BB"), S{"-", "#Handshake"});
    row("bytes then BB", woken(), arrive("FFBB"), S{"-"});
    row("BB then more bytes", woken(), arrive("BB00"), S{"-"});
    row("two BB at once", woken(), arrive("BBBB"), S{"-"});
    row("handshake answer first", woken(), arrive("FC5500CC"), S{"-"});
    row("handshake split in two", handshaking(), arrive("FC55", "00CC"), S{"-", "#Clock"});
    row("handshake, extra byte after", handshaking(), arrive("FC5500CC00"), S{"-"});
    row("other answer", settingClock(), arrive("FC5501CC"), S{"-"});
    row("second BB in front", settingClock(), arrive("BB", "FC5500CC"), S{"-", "-"});
    row("count split, longer", askingCount(), tick() + arrive("FC02", "0003", "CCAABB"), S{"FA0200AA", "-", "-", "clearLog range 4 reset import values count:3--FC020003CCAABB #Records"});
    row("count FFFF", askingCount(), arrive("FC02FFFFCC"), S{"clearLog range 65536 reset import values count:65535--FC02FFFFCC #Records"});
    row("only digits 5-8 count", askingCount(), arrive("0000000A00"), S{"clearLog range 11 reset import values count:10--0000000A00 #Records"});
    row("count answer past the cap: its head logged", askingCount(), arrive(longCount), S{"clearLog range 4 reset import values count:3--" + longCount.left(256) + " #Records"});
    row("empty meter", askingCount(), arrive("FC020000CC") + tick(), S{"clearLog range 1 hide timer message !Not found Glucose database! import values count:0--FC020000CC #End", "FA0400AA FA0400AA closed end #Search"});
    row("handshake given up", handshaking(), tick(5), S{"FA0600AA", "FA0600AA", "FA0600AA", up, "[02] closed"});
    row("count given up", askingCount().withBudget(1), tick(3), S{"FA0200AA", up, "[02] closed"});
    row("reading given up, W=0", uploading().withBudget(0), tick(2), S{up, "[02] closed"});
    row("cable pulled", handshaking().withCablePulled(), tick(5), S{"-", "-", "-", up, "[02] closed"});
    row("an answer renews the budget", handshaking(), tick(2) + arrive("FC5500CC") + tick(4), S{"FA0600AA", "FA0600AA", "#Clock", "FA061A03050E07AA", "FA061A03050E07AA", "FA061A03050E07AA", up});
    row("a reading renews the budget", uploading().withBudget(2), tick(2) + arrive(first) + tick(3), S{"FA0300AA", "FA0300AA", "step DB3 [" + first + "] " + firstStored, "FA0300AA", "FA0300AA", up});
    row("clock read at each sending", settingClock(), tick() + tickAt("2009-12-31T23:59:59"), S{"FA061A03050E07AA", "FA06090C1F173BAA"});
    row("late half answer dropped", uploading(2).withWaiting("FC001A0305"), tick() + arrive(first), S{"FA0300AA", "step DB2 [" + first + "] " + firstStored});
    row("end", uploading(1), arrive(first) + tick(5), S{"step hide draw timer DB1 [" + first + "] " + firstStored + " #End", "FA0400AA FA0400AA closed end #Search", "-", "-", "-", "[02]"});
    row("end, cable pulled", uploading(1).withCablePulled(), arrive(first) + tick(), S{"step hide draw timer DB1 [" + first + "] " + firstStored + " #End", "closed end #Search"});
    row("end, port holds bytes until waited for", uploading(1).withWritesHeld(), arrive(first) + tick(), S{"step hide draw timer DB1 [" + first + "] " + firstStored + " #End", "FA0400AA FA0400AA closed end #Search"});
    row("backup fails", askingCount().withBackupFailing(), arrive("FC020003CC", second) + tick(4), S{"clearLog range 4 reset hide timer message !The readings could not be saved: the readings already on this computer could not be backed up to /data/TMPDATE.xml.back, so they were left as they are. import values count:3--FC020003CC #Search", "-", "closed", "-", "-", "[02]"});
    row("template fails", askingCount().withTemplateFailing(), arrive("FC020003CC"), S{"clearLog range 4 reset hide timer message !The readings could not be saved: the empty store /cfg/datamb.xml could not be copied to /data/TMPDATE.xml. import values count:3--FC020003CC #Search"});
    // A whole round of ports unanswered is told once, before the next port; an answer starts a new round.
    S quiet;
    for (int port = 3; port <= 16; ++port)
        quiet << QStringLiteral("[%1]").arg(port, 2, 10, QLatin1Char('0'));
    row("a round unanswered", searching().withBudget(0), tick(17), S{"AA A5 [01] open", "[02] closed"} + quiet + S{"AA A5 [01] open round"});
    row("an answer starts a new round", woken().withBudget(0), arrive("BB") + tick(18), S{"#Handshake", up, "[02] closed"} + quiet + S{"AA A5 [01] open", "[02] closed round"});
    row("last append fails", uploading().withAppendFailing(3), arrive(first, second, third) + tick(4), S{"step DB3 [" + first + "] " + firstStored, "step DB2 [" + second + "] =180,2026-3-5 12:30:00,mg/dL,-,-", "hide timer message !The readings could not be saved: reading 3 of 3 could not be written to /data/TMPDATE.xml, and the upload was stopped. DB1 [" + third + "] #Search", "closed", "-", "-", "[02]"});
    // clang-format on
}

void tst_MeterLink::link()
{
    const auto [setup, script, did] = cells<Setup, Script, S>("setup", "script", "did");
    QCOMPARE(run(setup, script).trace, did);
}

void tst_MeterLink::reading_data()
{
    // What a reading after a first good one of three makes the link do, one entry a notification, then
    // at the next tick: store it, or refuse it and end the upload, as a wrong reading is worse than a
    // missing one. (The progress step and the log line are the link table's.)
    columns<QDate, S, S>("today", "chunks", "did");
    const QDate d(2026, 3, 5);
    const QString r = "=123,2026-3-5 14:7:00,mg/dL,", next = "FA0300AA";
    const S refused{"hide timer message !Upload Unsucceed! ,Reconnect Please. #End",
                    "FA0400AA FA0400AA closed end #Search"};
    // clang-format off
    row("flags 01", d, S{"FC001A03050E07007B01"}, S{r + "Ctrl,-", next});
    row("flags 02", d, S{"FC001A03050E07007B02"}, S{r + "-,TEMP", next});
    row("other flag bits ignored", d, S{"FC001A03050E07007BFC"}, S{r + "-,-", next});
    row("value FFFF", d, S{"FC001A03050E07FFFF00"}, S{"=65535,2026-3-5 14:7:00,mg/dL,-,-", next});
    row("second byte not checked", d, S{"FCFF1A03050E07007B00"}, S{r + "-,-", next});
    row("year 10 two digits", d, S{"FC000A01010800006400"}, S{"=100,2010-1-1 8:0:00,mg/dL,-,-", next});
    row("year 05 is 2005", d, S{"FC000501010800006400"}, S{"=100,2005-1-1 8:0:00,mg/dL,-,-", next});
    row("year 00, 0:00", d, S{"FC000001010000006400"}, S{"=100,2000-1-1 0:0:00,mg/dL,-,-", next});
    row("year 99, 23:59", d, S{"FC00630C1F173B006400"}, S{"=100,2099-12-31 23:59:00,mg/dL,-,-", next});
    row("century from today", QDate(2105, 1, 1), S{"FC000C05060905007B00"}, S{"=123,2112-5-6 9:5:00,mg/dL,-,-", next});
    row("split 4 + 6", d, S{"FC001A03", "050E07007B00"}, S{"-", r + "-,-", next});
    row("noise between frames, the last one", d, S{"0011", "FC001A03050C1E00B400", "0011", "FC001A0305132D008C02"}, S{"-", "=180,2026-3-5 12:30:00,mg/dL,-,-", "-", "hide draw timer =140,2026-3-5 19:45:00,mg/dL,-,TEMP #End", "FA0400AA FA0400AA closed end #Search"});
    row("tail of an answer", d, S{"05070A005F01"}, S{"-", next});
    row("two frames at once", d, S{"FC001A03050C1E00B400FC001A0305132D008C02"}, refused);
    row("year byte 100", d, S{"FC00640305070A005F01"}, refused);
    row("month 13", d, S{"FC001A0D05070A005F01"}, refused);
    row("29 February 2100", QDate(2101, 1, 1), S{"FC0000021D0800006400"}, refused);
    row("hour 24", d, S{"FC001A0305180A005F01"}, refused);
    row("minute 60", d, S{"FC001A0305073C005F01"}, refused);
    // clang-format on
}

void tst_MeterLink::reading()
{
    const auto [today, chunks, did] = cells<QDate, S, S>("today", "chunks", "did");
    Script script = arrive("FC001A0305070A005F01");
    for (const QString &chunk : chunks)
        script += arrive(chunk);
    S seen = run(uploading().on(today).withBudget(5), script + tick()).trace.mid(1);
    static const QRegularExpression progressAndLog("step |DB\\d \\[\\w*\\] ?");
    for (QString &entry : seen)
        entry.remove(progressAndLog);
    QCOMPARE(seen, did);
}

void tst_MeterLink::gathered_data()
{
    // The text the receive side keeps of a step: emptied when a step is entered and after each reading,
    // kept by a failure, and never more than its head of 256 characters.
    columns<Setup, Script, QString>("setup", "script", "gathered");
    // clang-format off
    row("around the handshake", handshaking(), arrive("BB", "FC5500CC"), "BBFC5500CC");
    row("a step entered", handshaking(), arrive("FC55", "00CC"), "");
    row("a step given up", handshaking(), arrive("FC55") + tick(4), "FC55");
    row("a reading stored", uploading(), arrive("FC001A0305", "070A005F01"), "");
    row("a reading refused", uploading(), arrive("FC001A03050C1E00B400FC00"), "FC001A03050C1E00B400FC00");
    row("past the cap, one chunk: its head", handshaking(), arrive(counting(200)), counting(128));
    row("past the cap, many chunks: their head", handshaking(), arrive(counting(100), counting(100, 100), counting(100, 200)), counting(128));
    row("past the cap, then the answer", handshaking(), arrive(counting(128), "FC5500CC"), counting(128));
    // clang-format on
}

void tst_MeterLink::gathered()
{
    const auto [setup, script, gathered] = cells<Setup, Script, QString>("setup", "script", "gathered");
    QCOMPARE(run(setup, script).gathered, gathered);
}

void tst_MeterLink::linkStart_data()
{
    // What the start reads for the link from section comm: a null ini is no settings file at all.
    columns<QByteArray, int, QString, int, int, int>("comm", "delay", "settings", "waitload", "comport",
                                                     "endWait");
    // clang-format off
    row("no settings file", QByteArray(), 100, "", 20, 1, 200);
    row("installed", QByteArray("delay=100\nsettings=9600,n,8,1\ntimeout=20\nusercommport=1\n"), 100, "9600,n,8,1", 20, 1, 200);
    row("no keys", QByteArray(""), 100, "", 20, 1, 200);
    row("settings as written", QByteArray("settings= 19200 , E , 7 , 2\n"), 100, "19200 , E , 7 , 2", 20, 1, 200);
    row("settings not understood, still as written", QByteArray("settings=fast\n"), 100, "fast", 20, 1, 200);
    row("usercommport not read", QByteArray("usercommport=7\n"), 100, "", 20, 1, 200);
    row("delay half to even, down", QByteArray("delay=20.5\n"), 20, "", 20, 1, 40);
    row("delay half to even, up", QByteArray("delay=21.5\n"), 22, "", 20, 1, 44);
    row("delay 0: no ticks", QByteArray("delay=0\n"), 0, "", 20, 1, 2);
    row("delay negative: no ticks", QByteArray("delay=-5\n"), 0, "", 20, 1, 2);
    row("delay letters", QByteArray("delay=fast\n"), 100, "", 20, 1, 200);
    row("delay beyond 32 bits", QByteArray("delay=3000000000\n"), 100, "", 20, 1, 200);
    row("timeout half to even, down", QByteArray("timeout=2.5\n"), 100, "", 2, 1, 200);
    row("timeout half to even, up", QByteArray("timeout=3.5\n"), 100, "", 4, 1, 200);
    row("timeout clamped high", QByteArray("timeout=70000\n"), 100, "", 32767, 1, 200);
    row("timeout clamped low", QByteArray("timeout=-70000\n"), 100, "", -32768, 1, 200);
    row("timeout letters", QByteArray("timeout=soon\n"), 100, "", 20, 1, 200);
    row("timeout empty", QByteArray("timeout=\n"), 100, "", 20, 1, 200);
    // clang-format on
}

void tst_MeterLink::linkStart()
{
    const auto [comm, delay, settings, waitload, comport, endWait] =
        cells<QByteArray, int, QString, int, int, int>("comm", "delay", "settings", "waitload", "comport",
                                                       "endWait");
    TempProgramDir dir;
    if (comm.isNull())
        QVERIFY(QFile::remove(dir.iniPath()));
    else
        dir.writeIni("[comm]\n" + comm + "[setting]\nunit=mg/dl\n");
    const LinkStart start = readLinkStart(dir.iniPath());
    QCOMPARE(start.delayMs, delay);
    QCOMPARE(start.settings, settings);
    QCOMPARE(start.waitload, waitload);
    QCOMPARE(start.comport, comport);
    QCOMPARE(start.endWriteWaitMs(), endWait);
}

void tst_MeterLink::lineSettings_data()
{
    // Parsed into speed, parity, data and stop bits; a zero speed: refused.
    columns<QString, int, QSerialPort::Parity, QSerialPort::DataBits, QSerialPort::StopBits>(
        "text", "baud", "parity", "data", "stop");
    const auto refused = [](const char *name, const QString &text) {
        row(name, text, 0, QSerialPort::NoParity, QSerialPort::Data8, QSerialPort::OneStop);
    };
    // clang-format off
    row("9600,n,8,1", "9600,n,8,1", 9600, QSerialPort::NoParity, QSerialPort::Data8, QSerialPort::OneStop);
    row("blanks and case", " 19200 , E , 7 , 2 ", 19200, QSerialPort::EvenParity, QSerialPort::Data7, QSerialPort::TwoStop);
    row("odd, 5 bits, 1.5 stop", "4800,o,5,1.5", 4800, QSerialPort::OddParity, QSerialPort::Data5, QSerialPort::OneAndHalfStop);
    row("mark, 6 bits", "1200,m,6,1", 1200, QSerialPort::MarkParity, QSerialPort::Data6, QSerialPort::OneStop);
    row("space", "115200,s,8,1", 115200, QSerialPort::SpaceParity, QSerialPort::Data8, QSerialPort::OneStop);
    // clang-format on
    for (const QString &bad :
         S{"", "9600,n,8", "9600,n,8,1,x", "fast,n,8,1", "0,n,8,1", "-9600,n,8,1", "99999999999,n,8,1",
           "9600,x,8,1", "9600,n,9,1", "9600,n,8,3", QString(2000, u'9')})
        refused(bad.isEmpty() ? "empty" : qPrintable(bad.left(30)), bad);
}

void tst_MeterLink::lineSettings()
{
    const auto [text, baud, parity, data, stop] =
        cells<QString, int, QSerialPort::Parity, QSerialPort::DataBits, QSerialPort::StopBits>(
            "text", "baud", "parity", "data", "stop");
    const auto s = LineSettings::parse(text);
    QCOMPARE(s.has_value(), baud != 0);
    if (s) {
        QCOMPARE(s->baudRate, baud);
        QCOMPARE(s->parity, parity);
        QCOMPARE(s->dataBits, data);
        QCOMPARE(s->stopBits, stop);
    }
}

void tst_MeterLink::devices_data()
{
    columns<QString, int, QString>("ini", "port", "device"); // no ini: the defaults
    const QString ini = "[comm]\ndelay=100\nport1=/dev/pts/7\nport12 = /dev/ttyMeter \nport3=\n";
    // clang-format off
    for (const auto &[port, device] : {std::pair{1, "/dev/ttyUSB0"}, {5, "/dev/ttyACM0"}, {9, "/dev/ttyS0"}, {16, "/dev/ttyS7"}, {17, ""}})
        row(qPrintable(QString::number(port)), QString(), port, QString(device));
    row("port1 set", ini, 1, "/dev/pts/7");
    row("blanks trimmed", ini, 12, "/dev/ttyMeter");
    row("empty keeps default", ini, 3, "/dev/ttyUSB2");
    // clang-format on
}

void tst_MeterLink::devices()
{
    const auto [ini, port, device] = cells<QString, int, QString>("ini", "port", "device");
    TempProgramDir dir;
    dir.writeIni(ini.toUtf8());
    QCOMPARE(porttable::device(port, ini.isEmpty() ? QString() : dir.iniPath()), device);
}

// The refused permission alone is told, once, and nothing opens or crashes; then, allowed, no
// character translation either way: CR, LF, NUL, XON/XOFF and 0xFF pass as they are.
void tst_MeterLink::serialControl()
{
    FarEnd meter;
    const QString path = QString::fromLocal8Bit(meter.name);
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
    TempProgramDir dir;
    SerialPortControl msc;
    dir.writeIni("[comm]\nport2=/dev/null\nport3=-1\nport4=/dev/" + QByteArray(1995, 'x') +
                 "\nport5=" + QByteArray(meter.name) + "\nport6=/nonexistent/ttyQ6\n");
    msc.setPortTable(dir.iniPath());
    // The superuser may open any device: there the refusal is injected.
    if (::geteuid() == 0)
        msc.setAccessCheck([&path](const QString &device) { return device != path; });
    QSignalSpy notices(&msc, &SerialPortControl::portNotice);
    QSignalSpy refused(&msc, &SerialPortControl::permissionRefused);
    for (int i = 0; i < 21; ++i) {
        msc.setCommPort(QList{0, 2, 3, 4, 5, 6, 17}[i % 7]);
        QVERIFY(!msc.setPortOpen(true) && !msc.portOpen());
    }
    QCOMPARE(QList<QVariantList>(refused), QList<QVariantList>{{path}});
    QCOMPARE(notices.count(), 1);
    const QString line = notices[0][0].toString();
    QVERIFY2(line.contains(path) && line.contains(QLatin1String("permission denied")), qPrintable(line));

    const QByteArray out = QByteArray::fromHex("aa0d0a001113ff"),
                     in = QByteArray::fromHex("bb0a0d001311ff7f");
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    msc.setAccessCheck([](const QString &) { return true; });
    QVERIFY(!msc.setSettings(QStringLiteral("speed=fast")) && msc.setSettings(QStringLiteral("9600,n,8,1")));
    msc.setRThreshold(1);
    msc.setCommPort(5);
    QVERIFY(msc.setPortOpen(true) && msc.portOpen() && msc.output(out));
    QByteArray got;
    char buffer[256];
    QTRY_COMPARE((got += QByteArray(buffer, std::max<int>(0, int(::read(meter.master, buffer, 256))))), out);

    QSignalSpy onComm(&msc, &SerialPortControl::OnComm);
    QCOMPARE(::write(meter.master, in.constData(), in.size()), in.size());
    for (got.clear(); got.size() < in.size() && (!onComm.isEmpty() || onComm.wait(5000)); onComm.clear()) {
        QCOMPARE(msc.commEvent(), int(LinkPort::ComEvReceive));
        got += msc.input();
    }
    QCOMPARE(got, in);
    QVERIFY(msc.input().isEmpty() && msc.setPortOpen(false) && !msc.portOpen());
    QVERIFY(msc.setPortOpen(false) && !msc.output(out)); // closing a closed port is allowed
}

void tst_MeterLink::wholeUpload()
{
    Bench bench("delay=50\ntimeout=10\n");
    QRandomGenerator random(100);
    QByteArray simFile;
    const S lines = readings(random, 100, QDateTime(QDate(2025, 1, 1), QTime(6, 0)), simFile);
    const QDateTime started = QDateTime::currentDateTime().addSecs(-60);
    QVERIFY(bench.start(simFile, S()) && bench.settle());
    QVERIFY(bench.messages.isEmpty() && bench.ended);
    QCOMPARE(storeItems(bench.store), lines);
    QCOMPARE(fileBytes(bench.backup), PreviousStore);
    auto *jdt = bench.w->findChild<QProgressBar *>(QStringLiteral("jdt"));
    QVERIFY(jdt->maximum() == 101 && jdt->isHidden());
    // The bar said which reading it was at; a line under the band says what came of it, until the next
    // upload.
    QCOMPARE(jdt->text(), QStringLiteral("Reading 100 of 100"));
    QCOMPARE(QAccessible::queryAccessibleInterface(jdt)->text(QAccessible::Description),
             "100 of 100 readings");
    const QString told = bench.w->findChild<QLabel *>(QStringLiteral("linkStatusText"))->text();
    QVERIFY2(QRegularExpression("^Uploaded 100 readings at \\d\\d:\\d\\d$").match(told).hasMatch(),
             qPrintable(told));
    QCOMPARE(bench.w->logWindow()->loglist->count(), 101);
    // The meter's clock was set to the computer's, to the minute.
    const QString sent =
        QString::fromLatin1(fileBytes(bench.record())).section("clock ", 1, 1).section(u'\n', 0, 0);
    const QByteArray c = QByteArray::fromHex(sent.toLatin1()) + QByteArray(8, '\0');
    const QDateTime set(QDate(2000 + quint8(c[2]), quint8(c[3]), quint8(c[4])),
                        QTime(quint8(c[5]), quint8(c[6])));
    QVERIFY2(set >= started && set <= QDateTime::currentDateTime(), qPrintable(sent));
}

// Each upload of `count` readings (a meter of its own), cut after `arrive` of them: the store is byte
// for byte what it is without a history, and the history keeps the store from before and every
// reading that arrived; on a full disk the history misses the upload and says so, the store does not.
// One meter sending its readings again after the first was deleted brings it back to the store alone.
void tst_MeterLink::uploadsIntoHistory_data()
{
    columns<int, int, int, bool, bool>("uploads", "count", "arrive", "full", "deleteFirst");
    row("two small uploads", 2, 3, 3, false, false);
    row("cable pulled twice", 2, 4, 2, false, false);
    row("history's disk full", 1, 3, 3, true, false);
    row("deleted, then sent again", 2, 3, 3, false, true);
}

void tst_MeterLink::uploadsIntoHistory()
{
    const auto [uploads, count, arrive, full, deleteFirst] =
        cells<int, int, int, bool, bool>("uploads", "count", "arrive", "full", "deleteFirst");
    Bench bench("delay=30\ntimeout=4\n");
    const QString history = ReadingHistory::pathBeside(bench.store);
    S expected = storeItems(bench.store), arrived;
    std::optional<FileSizeLimit> diskFull;
    if (full) // the store's small files still fit, no new page of the history does
        diskFull.emplace(QFileInfo(history + "-wal").size());
    for (int upload = 0; upload < uploads; ++upload) {
        QByteArray simFile;
        const int meter = deleteFirst ? 0 : upload; // the same meter sends the same readings
        QRandomGenerator random(22 + meter);
        const QDate first(2025, 1 + meter, 1);
        arrived = readings(random, count, QDateTime(first, QTime(6, 0)), simFile).mid(0, arrive);
        const S cut = arrive < count ? S{"--unplug-at-byte", QString::number(14 + 10 * arrive + 5)} : S();
        QVERIFY(bench.start(simFile, cut) && bench.settle());
        QCOMPARE(bench.ended, arrive == count);
        expected += full || (upload > 0 && deleteFirst) ? S() : arrived;
        if (deleteFirst && upload == 0) { // ticked and deleted in the values window
            ValuesWindow *values = bench.w->valuesWindow(false);
            values->model()->setChecked(0, true);
            QTest::mouseClick(values->findChild<QPushButton *>("Command1"), Qt::LeftButton);
            QVERIFY(values->findChild<QMessageBox *>("deleteMeterKeeps"));
            expected.removeOne(arrived.first());
        }
    }
    diskFull.reset();
    TempProgramDir plain; // the same readings stored without a history
    QVERIFY(ResetStoreFromTemplate(plain.storePath(), plain.filePath("cfg/datamb.xml")) ==
            StoreResetResult::Ok);
    for (const QString &line : arrived)
        QVERIFY(SaveXmlItem(line, plain.storePath()));
    QCOMPARE(fileBytes(bench.store), fileBytes(plain.storePath()));
    ReadingHistory held;
    QVERIFY(held.open(bench.store) == ReadingHistory::Opened::Existing);
    S items = held.items().texts;
    std::sort(items.begin(), items.end()), std::sort(expected.begin(), expected.end());
    QCOMPARE(items, expected);
    QCOMPARE(bench.w->findChild<QWidget *>("permission_notice")->isVisibleTo(bench.w.operator->()), full);
}

// The real message box, which does not block: while it is open the link holds its ticks and
// drops what arrives; once the user closes it, the upload of an empty meter ends.
void tst_MeterLink::linkWaitsWhileItsMessageIsOpen()
{
    Bench bench("delay=50\ntimeout=10\n", true);
    bench.w->show();
    QVERIFY(bench.start(QByteArray(), S()));
    QMessageBox *box = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((box = bench.w->findChild<QMessageBox *>()) && box->isVisible(), 60000);
    QCOMPARE(box->text(), NoDatabase);
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QTest::qWait(500);
    QVERIFY(bench.sent("end FA0400AA") == 0 && bench.w->link()->step() == LinkStep::End && !bench.ended);
    QVERIFY(!bench.w->valuesWindow(false) || !bench.w->valuesWindow(false)->isVisible());
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(bench.ended, 60000);
    QTRY_COMPARE_WITH_TIMEOUT(bench.sent("end FA0400AA"), 2, 10000);
    QVERIFY(bench.w->valuesWindow(false)->isVisible());
    QCOMPARE(fileBytes(bench.store), PreviousStore);
}

// After every upload the store holds the meter's readings in order (all of them when it ended with
// no message), the store from before in the backup; or both files are as they were.
void tst_MeterLink::soak()
{
    if (!QCoreApplication::arguments().contains(QLatin1String("soak")))
        QSKIP("a minute long: run as tst_faultsoak");
    const quint32 seed = qEnvironmentVariable("QUILLON_SOAK_SEED", "20260305").toUInt();
    const int uploads = qEnvironmentVariable("QUILLON_SOAK_UPLOADS", "200").toInt();
    QRandomGenerator random(seed);
    Bench bench("delay=30\ntimeout=4\n");
    QMap<QString, int> outcomes;
    qint64 rss[2] = {};
    for (int upload = 1; upload <= uploads; ++upload) {
        const int count = random.bounded(5);
        QByteArray simFile;
        const QDateTime first = QDateTime(QDate(2020, 1, 1), QTime()).addSecs(60 * random.bounded(3000000));
        const S lines = readings(random, count, first, simFile);
        const QString record = QStringLiteral("record:%1").arg(random.bounded(qMax(count, 1)) + 1);
        const QString step = S{"wake", "hello", "clock", "count", record}[random.bounded(count > 0 ? 5 : 4)];
        QByteArray garbage(1, char(random.bounded(0xBB))); // not FC or BB, which would start an answer
        for (int n = random.bounded(5); n > 0; --n)
            garbage += char(random.bounded(0x100));
        const S faults[] = {
            {"--unplug-at-byte", QString::number(random.bounded(14 + 10 * count + 1))},
            {"--extra-at", step + ':' + garbage.toHex()},
            {"--silent-at", step},
            {"--split", S{"1", "4,6", "3", "2,8", "9,1"}[random.bounded(5)], "--split-gap", "1"},
            {"--long-record", QString::number(random.bounded(qMax(count, 1)) + 1)}};
        const S fault = faults[random.bounded(count > 0 ? 5 : 4)];
        const QString what =
            QStringLiteral("upload %1 (%2, %3 readings)").arg(upload).arg(fault.join(' ')).arg(count);

        const QByteArray storeBefore = fileBytes(bench.store), backupBefore = fileBytes(bench.backup);
        QVERIFY2(bench.start(simFile, fault) && bench.settle(), qPrintable(what));
        const S kept = storeItems(bench.store);
        const QString outcome =
            bench.messages.isEmpty() ? (bench.ended ? "stored" : "nothing") : bench.messages.join(" / ");
        const QString detail = what + ": " + outcome + "; kept " + kept.join(" / ");
        outcomes[outcome]++;
        const bool untouched =
            fileBytes(bench.store) == storeBefore && fileBytes(bench.backup) == backupBefore;
        QVERIFY2(
            S({"stored", "nothing", "Upload Unsucceed! ,Reconnect Please.", NoDatabase}).contains(outcome),
            qPrintable(detail));
        QVERIFY2(outcome == QLatin1String("stored") ? kept == lines : outcome != NoDatabase || untouched,
                 qPrintable(detail));
        // Nothing lost; and health data stays private however the files came about (the first store was not).
        QVERIFY2(untouched || (fileBytes(bench.backup) == storeBefore && kept == lines.mid(0, kept.size())),
                 qPrintable(detail));
        for (const QString &path : {bench.store, bench.backup}) // owner read and write only
            QVERIFY2(untouched || QFile::permissions(path) == QFile::Permissions(0x6600), qPrintable(what));
        const QByteArray status = fileBytes("/proc/self/status");
        if (upload == 10 || upload == uploads)
            rss[upload == uploads] =
                status.mid(status.indexOf("VmRSS:") + 6).trimmed().split(' ')[0].toLongLong();
    }
    qInfo() << "soak: seed" << seed << "uploads" << uploads << outcomes
            << "resident kB after upload 10 and at the end" << rss[0] << rss[1];
    // A link that failed every upload would hide behind the failure checks.
    QVERIFY(outcomes.value("stored") >= uploads / 10);
#if !defined(__SANITIZE_ADDRESS__) && !__has_feature(address_sanitizer)
    // (The sanitizer keeps freed memory in quarantine: its resident size says nothing.)
    QVERIFY2(uploads < 10 || rss[1] <= 1.2 * double(rss[0]), "resident memory grows");
#endif
}

QTEST_MAIN(tst_MeterLink)
#include "tst_meterlink.moc"
