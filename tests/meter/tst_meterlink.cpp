// The link and the upload it drives on a scripted line (what goes out, what is stored, what the
// window is told), the port settings it opens with, and the serial control on a real pseudo-terminal.
#include "fakelink.h"
#include "linesettings.h"
#include "meterlink.h"
#include "porttable.h"
#include "rows.h"
#include "serialportcontrol.h"

#include <QSignalSpy>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace {

using S = QStringList;

// What each step of `script` makes the link do, steps parted by " / ": bytes written, the port tried,
// its opening or closing, the window's calls, messages ("!" and their first line), log lines, readings stored
// ("=") and the link's new step ("#"), or "-" for nothing. In the script "t" is a tick and hexadecimal text
// arrives on the line; these say nothing: "@N" brings the link to step N as a meter would ("@4:C" after
// announcing C readings, else 3), "x" makes writes fail, "h" holds them until waited for, "cDATETIME" sets
// the clock, "b", "T" and "aN" fail the store's backup, template and Nth append,
// "pN" makes N the next port and "~HEX" is waiting on the line unannounced.
QString run(int budget, const QString &script)
{
    FakePort port; // the meter on port 1, the others missing
    FakeHost host;
    MeterLink link(port, host);
    for (int p = 2; p <= 16; ++p)
        port.missing.insert(p);
    link.init_cmds();
    link.waitload = qint16(budget);
    const auto deliver = [&](const QString &hex) {
        port.waiting += QByteArray::fromHex(hex.toLatin1());
        link.onComm();
    };
    S out;
    for (const QString &t : script.split(u' ')) {
        const qsizetype w = port.writes.size(), c = host.calls.size(), m = host.messages.size(),
                        l = host.log.size(), s = host.stored.size();
        const QString caption = host.caption;
        const bool open = port.open;
        const int step = link.linkstep;
        if (t == QLatin1String("t"))
            link.tick();
        else if (t == QLatin1String("x"))
            port.failWrites = true;
        else if (t == QLatin1String("h"))
            port.holdWrites = true;
        else if (t.startsWith(u'c'))
            host.clock = QDateTime::fromString(t.mid(1), Qt::ISODate);
        else if (t == QLatin1String("b") || t == QLatin1String("T"))
            host.resetResult =
                t == QLatin1String("b") ? StoreResetResult::BackupFailed : StoreResetResult::TemplateFailed;
        else if (t.startsWith(u'a'))
            host.failAppendAt = t.mid(1).toInt();
        else if (t.startsWith(u'p'))
            link.comport = qint16(t.mid(1).toInt());
        else if (t.startsWith(u'~'))
            port.waiting += QByteArray::fromHex(t.mid(1).toLatin1());
        else if (t.startsWith(u'@')) {
            link.tick();
            const int count = t.size() > 2 ? t.mid(3).toInt() : 3;
            for (const QString &answer : S{"BB", "FC5500CC", "FC5500CC",
                                           QStringLiteral("FC02%1CC").arg(count, 4, 16, QLatin1Char('0'))}
                                             .mid(0, t.mid(1, 1).toInt()))
                deliver(answer);
            port.writes.clear();
        } else {
            deliver(t);
        }
        if (t != QLatin1String("t") && !QStringLiteral("0123456789ABCDEF").contains(t[0]))
            continue;
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
        if (link.linkstep != step)
            did << QStringLiteral("#%1").arg(link.linkstep);
        out << (did.isEmpty() ? QStringLiteral("-") : did.join(u' '));
    }
    return out.join(QStringLiteral(" / "));
}

// The far end of a pseudo-terminal, standing in for a meter on a cable.
struct FarEnd
{
    int master = -1, slave = -1;
    char name[256] = {};
    FarEnd()
    {
        ::openpty(&master, &slave, name, nullptr, nullptr);
        ::fcntl(master, F_SETFL, O_NONBLOCK);
    }
    ~FarEnd()
    {
        ::close(master);
        ::close(slave);
    }
};

QString writeIni(const QTemporaryDir &dir, const QByteArray &text)
{
    QFile f(dir.filePath(QStringLiteral("sys.ini")));
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size() ? f.fileName() : QString();
}

} // namespace

class tst_MeterLink : public QObject
{
    Q_OBJECT
private slots:
    void link_data();
    void link();
    void reading_data();
    void reading();
    void lineSettings_data();
    void lineSettings();
    void devices_data();
    void devices();
    void bytesOnTheLine();
    void openingFails();
};

void tst_MeterLink::link_data()
{
    columns<int, QString, QString>("budget", "script", "did");
    const QString up = "hide message !Upload Unsucceed! ,Reconnect Please. #0"; // a step given up
    // clang-format off
    row("silent meter, W=3", 3, "t t t t t", "AA A5 [01] open / closed / - / - / [02]");
    row("W=0", 0, "t t", "AA A5 [01] open / [02] closed");
    row("W=-3", -3, "t t", "AA A5 [01] open / [02] closed");
    row("missing ports, 16 then 1", 3, "p14 t t t t", "[14] / [15] / [16] / AA A5 [01] open");
    row("BB alone", 3, "@0 BB", "#1");
    row("BB after noise", 3, "@0 00 BB", "- / #1");
    row("two BB at once", 3, "@0 BBBB", "-");
    row("bytes then BB", 3, "@0 FFBB", "-");
    row("handshake answer first", 3, "@0 FC5500CC", "-");
    row("handshake split in two", 3, "@1 FC55 00CC", "- / #2");
    row("handshake, extra byte after", 3, "@1 FC5500CC00", "-");
    row("other answer", 3, "@2 FC5501CC", "-");
    row("second BB in front", 3, "@2 BB FC5500CC", "- / -");
    row("extra byte later", 3, "@2 FC5500CC 00", "#3 / -");
    row("count split, longer", 3, "@3 t FC02 0003 CCAABB", "FA0200AA / - / - / clearLog range 4 reset import values count:3--FC020003CCAABB #4");
    row("count too short yet", 3, "@3 FC020003", "-");
    row("count 0A FF", 3, "@3 FC020AFFCC", "clearLog range 2816 reset import values count:2815--FC020AFFCC #4");
    row("count FFFF", 3, "@3 FC02FFFFCC", "clearLog range 65536 reset import values count:65535--FC02FFFFCC #4");
    row("only digits 5-8 count", 3, "@3 0000000A00", "clearLog range 11 reset import values count:10--0000000A00 #4");
    row("empty meter", 3, "@3 FC020000CC t", "clearLog range 1 hide timer message !Not found Glucose database! import values count:0--FC020000CC #5 / FA0400AA FA0400AA closed end #0");
    row("handshake given up", 3, "@1 t t t t t", "FA0600AA / FA0600AA / FA0600AA / " + up + " / [02] closed");
    row("clock given up", 3, "@2 t t t t t", "FA061A03050E07AA / FA061A03050E07AA / FA061A03050E07AA / " + up + " / [02] closed");
    row("count given up", 1, "@3 t t t", "FA0200AA / " + up + " / [02] closed");
    row("reading given up, W=0", 0, "@4 t t", up + " / [02] closed");
    row("cable pulled", 3, "@1 x t t t t t", "- / - / - / " + up + " / [02] closed");
    row("an answer renews the budget", 3, "@1 t t FC5500CC t t t t", "FA0600AA / FA0600AA / #2 / FA061A03050E07AA / FA061A03050E07AA / FA061A03050E07AA / " + up);
    row("clock read at each sending", 3, "@2 t c2009-12-31T23:59:59 t", "FA061A03050E07AA / FA06090C1F173BAA");
    row("late half answer dropped", 3, "@4:2 ~FC001A0305 t FC001A0305070A005F01", "FA0300AA / step DB2 [FC001A0305070A005F01] =95,2026-3-5 7:10:00,mg/dL,Ctrl,-");
    row("end", 3, "@4:1 FC001A0305070A005F01 t t t t t", "step hide draw timer DB1 [FC001A0305070A005F01] =95,2026-3-5 7:10:00,mg/dL,Ctrl,- #5 / FA0400AA FA0400AA closed end #0 / - / - / - / [02]");
    row("end, cable pulled", 3, "@4:1 FC001A0305070A005F01 x t", "step hide draw timer DB1 [FC001A0305070A005F01] =95,2026-3-5 7:10:00,mg/dL,Ctrl,- #5 / closed end #0");
    row("end, port holds bytes until waited for", 3, "@4:1 FC001A0305070A005F01 h t", "step hide draw timer DB1 [FC001A0305070A005F01] =95,2026-3-5 7:10:00,mg/dL,Ctrl,- #5 / FA0400AA FA0400AA closed end #0");
    row("backup fails", 3, "b @3 FC020003CC FC001A03050C1E00B400 t t t t", "clearLog range 4 reset hide timer message !The readings could not be saved: the readings already on this computer could not be backed up to /data/TMPDATE.xml.back, so they were left as they are. import values count:3--FC020003CC #0 / - / closed / - / - / [02]");
    row("template fails", 3, "T @3 FC020003CC", "clearLog range 4 reset hide timer message !The readings could not be saved: the empty store /cfg/datamb.xml could not be copied to /data/TMPDATE.xml. import values count:3--FC020003CC #0");
    row("last append fails", 3, "a3 @4 FC001A0305070A005F01 FC001A03050C1E00B400 FC001A0305132D008C02 t t t t", "step DB3 [FC001A0305070A005F01] =95,2026-3-5 7:10:00,mg/dL,Ctrl,- / step DB2 [FC001A03050C1E00B400] =180,2026-3-5 12:30:00,mg/dL,-,- / hide timer message !The readings could not be saved: reading 3 of 3 could not be written to /data/TMPDATE.xml, and the upload was stopped. DB1 [FC001A0305132D008C02] #0 / closed / - / - / [02]");
    // clang-format on
}

void tst_MeterLink::link()
{
    const auto [budget, script, did] = cells<int, QString, QString>("budget", "script", "did");
    QCOMPARE(run(budget, script), did);
}

void tst_MeterLink::reading_data()
{
    // What a reading after a first good one of three makes the link do (then at the next tick): store
    // it, or refuse it and end the upload, as a wrong reading is worse than a missing one.
    columns<QString, QString, QString>("today", "chunks", "did");
    const QString d = "2026-03-05", r = "123,2026-3-5 14:7:00,mg/dL,", next = " / FA0300AA";
    const QString refused =
        "hide timer message !Upload Unsucceed! ,Reconnect Please. #5 / FA0400AA FA0400AA closed end #0";
    // clang-format off
    row("flags 01", d, "FC001A03050E07007B01", "=" + r + "Ctrl,-" + next);
    row("flags 02", d, "FC001A03050E07007B02", "=" + r + "-,TEMP" + next);
    row("other flag bits ignored", d, "FC001A03050E07007BFC", "=" + r + "-,-" + next);
    row("value FFFF", d, "FC001A03050E07FFFF00", "=65535,2026-3-5 14:7:00,mg/dL,-,-" + next);
    row("second byte not checked", d, "FCFF1A03050E07007B00", "=" + r + "-,-" + next);
    row("no leading zeros", d, "FC000C05060905007B00", "=123,2012-5-6 9:5:00,mg/dL,-,-" + next);
    row("year 05 four digits", d, "FC000501010800006400", "=100,2005-1-1 8:0:00,mg/dL,-,-" + next);
    row("year 10 two digits", d, "FC000A01010800006400", "=100,2010-1-1 8:0:00,mg/dL,-,-" + next);
    row("year 00, 0:00", d, "FC000001010000006400", "=100,2000-1-1 0:0:00,mg/dL,-,-" + next);
    row("year 99, 23:59", d, "FC00630C1F173B006400", "=100,2099-12-31 23:59:00,mg/dL,-,-" + next);
    row("29 February 2024", d, "FC0018021D0800006400", "=100,2024-2-29 8:0:00,mg/dL,-,-" + next);
    row("century from today", "2105-01-01", "FC000C05060905007B00", "=123,2112-5-6 9:5:00,mg/dL,-,-" + next);
    row("split 4 + 6", d, "FC001A03 050E07007B00", "- / =" + r + "-,-" + next);
    row("noise between frames, the last one", d, "0011 FC001A03050C1E00B400 0011 FC001A0305132D008C02", "- / =180,2026-3-5 12:30:00,mg/dL,-,- / - / hide draw timer =140,2026-3-5 19:45:00,mg/dL,-,TEMP #5 / FA0400AA FA0400AA closed end #0");
    row("tail of an answer", d, "05070A005F01", "-" + next);
    row("frame and two more bytes", d, "FC001A03050C1E00B4000000", refused);
    row("two frames at once", d, "FC001A03050C1E00B400FC001A0305132D008C02", refused);
    row("half a frame left over", d, "FC001A0305 FC001A03050C1E00B400", "- / " + refused);
    row("year byte 100", d, "FC00640305070A005F01", refused);
    row("month 0", d, "FC001A0005070A005F01", refused);
    row("month 13", d, "FC001A0D05070A005F01", refused);
    row("day 0", d, "FC001A0300070A005F01", refused);
    row("31 April", d, "FC001A041F070A005F01", refused);
    row("29 February 2025", d, "FC0019021D0800006400", refused);
    row("29 February 2100", "2101-01-01", "FC0000021D0800006400", refused);
    row("hour 24", d, "FC001A0305180A005F01", refused);
    row("minute 60", d, "FC001A0305073C005F01", refused);
    // clang-format on
}

void tst_MeterLink::reading()
{
    const auto [today, chunks, did] = cells<QString, QString, QString>("today", "chunks", "did");
    const QString all = run(5, "c" + today + "T12:00 @4 FC001A0305070A005F01 " + chunks + " t");
    QCOMPARE(all.section(" / ", 1).remove(QRegularExpression("step |DB\\d \\[\\w*\\] ?")), did);
}

void tst_MeterLink::lineSettings_data()
{
    // parsed: baud, parity (0 none, 2 even, 3 odd, 4 space, 5 mark), data bits, stop bits (3: one and
    // a half); empty: refused
    columns<QString, QString>("text", "parsed");
    // clang-format off
    for (const char *ok : {"9600,n,8,1=9600 0 8 1", " 19200 , E , 7 , 2 =19200 2 7 2", "4800,o,5,1.5=4800 3 5 3", "1200,m,6,1=1200 5 6 1", "115200,s,8,1=115200 4 8 1"})
        row(ok, QString(ok).section(u'=', 0, 0), QString(ok).section(u'=', 1));
    // clang-format on
    for (const QString &bad : S{"", "9600,n,8", "9600,n,8,1,x", "fast,n,8,1", "0,n,8,1", "-9600,n,8,1",
                                "99999999999999999999,n,8,1", "99999999999,n,8,1", "9600,x,8,1", "9600,n,9,1",
                                "9600,n,8,3", QString(2000, u'9')})
        row(bad.isEmpty() ? "empty" : qPrintable(bad.left(30)), bad, QString());
}

void tst_MeterLink::lineSettings()
{
    QFETCH(QString, text);
    const auto s = LineSettings::parse(text);
    QTEST(s ? QString::asprintf("%d %d %d %d", s->baudRate, s->parity, s->dataBits, s->stopBits) : QString(),
          "parsed");
}

void tst_MeterLink::devices_data()
{
    columns<QString, int, QString>("ini", "port", "device"); // no ini: the defaults
    const QString ini = "[comm]\ndelay=100\nport1=/dev/pts/7\nport12 = /dev/ttyMeter \nport3=\n"
                        "[setting]\nport4=/dev/wrong-section\n";
    // clang-format off
    row("1", QString(), 1, "/dev/ttyUSB0");
    row("5", QString(), 5, "/dev/ttyACM0");
    row("9", QString(), 9, "/dev/ttyS0");
    row("16", QString(), 16, "/dev/ttyS7");
    row("17", QString(), 17, "");
    row("port1 set", ini, 1, "/dev/pts/7");
    row("blanks trimmed", ini, 12, "/dev/ttyMeter");
    row("empty keeps default", ini, 3, "/dev/ttyUSB2");
    row("other section ignored", ini, 4, "/dev/ttyUSB3");
    row("port16 a number", QString("[comm]\nport16=-1\n"), 16, "-1");
    // A read gives at most 1023 characters; the opening of such a device then fails.
    row("2000 characters", "[comm]\nport9=/dev/" + QString(1995, u'x') + "\n", 9, "/dev/" + QString(1018, u'x'));
    // clang-format on
}

void tst_MeterLink::devices()
{
    const auto [ini, port, device] = cells<QString, int, QString>("ini", "port", "device");
    QTemporaryDir dir;
    QCOMPARE(porttable::device(port, ini.isEmpty() ? QString() : writeIni(dir, ini.toUtf8())), device);
}

// No character translation either way: CR, LF, NUL, XON/XOFF and 0xFF pass as they are.
void tst_MeterLink::bytesOnTheLine()
{
    const QByteArray out = QByteArray::fromHex("aa0d0a001113ff"),
                     in = QByteArray::fromHex("bb0a0d001311ff7f");
    FarEnd meter;
    QTemporaryDir dir;
    SerialPortControl msc;
    msc.setPortTable(writeIni(dir, "[comm]\nport3=" + QByteArray(meter.name) + "\n"));
    QVERIFY(!msc.setSettings(QStringLiteral("speed=fast")) && msc.setSettings(QStringLiteral("9600,n,8,1")));
    msc.setRThreshold(1);
    msc.setCommPort(3);
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

// Nothing opens, nothing crashes, and only the refused permission is told, once.
void tst_MeterLink::openingFails()
{
    FarEnd meter;
    const QString path = QString::fromLocal8Bit(meter.name);
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
    QTemporaryDir dir;
    SerialPortControl msc;
    msc.setPortTable(writeIni(dir, "[comm]\nport2=/dev/null\nport3=-1\nport4=/dev/" + QByteArray(1995, 'x') +
                                       "\nport5=" + QByteArray(meter.name) +
                                       "\nport6=/nonexistent/ttyQ6\nport7= /no such/ folder/tty \n"));
    // The superuser may open any device: there the refusal is injected.
    if (::geteuid() == 0)
        msc.setAccessCheck([&path](const QString &device) { return device != path; });
    QSignalSpy notices(&msc, &SerialPortControl::portNotice);
    QSignalSpy refused(&msc, &SerialPortControl::permissionRefused);
    for (int i = 0; i < 24; ++i) {
        msc.setCommPort(QList{0, 2, 3, 4, 5, 6, 7, 17}[i % 8]);
        QVERIFY(!msc.setPortOpen(true) && !msc.portOpen());
    }
    QCOMPARE(QList<QVariantList>(refused), QList<QVariantList>{{path}});
    QCOMPARE(notices.count(), 1);
    const QString line = notices[0][0].toString();
    QVERIFY2(line.contains(path) && line.contains(QLatin1String("permission denied")), qPrintable(line));
}

QTEST_GUILESS_MAIN(tst_MeterLink)
#include "tst_meterlink.moc"
