// The link and the upload it drives, on a scripted line: what goes out, what is stored, what the
// window is told.
#include "fakelink.h"
#include "meterlink.h"
#include "rows.h"

#include <QtTest>

namespace {

const QString Unsucceed = QStringLiteral("Upload Unsucceed! ,Reconnect Please.");

// A link on a fake line with every port but `meterPort` missing.
struct Rig
{
    FakePort port;
    FakeHost host;
    MeterLink link{port, host};

    explicit Rig(qint16 budget = 3, int meterPort = 1)
    {
        for (int p = 1; p <= 16; ++p) {
            if (p != meterPort)
                port.missing.insert(p);
        }
        link.init_cmds();
        link.waitload = budget;
        link.comport = qint16(meterPort);
    }
    void deliver(const QString &hex)
    {
        port.waiting += QByteArray::fromHex(hex.toLatin1());
        link.onComm();
    }
    void deliverAll(const QStringList &chunks)
    {
        for (const QString &c : chunks)
            deliver(c);
    }
    // Brings the link from the search to `step` the way a meter would; 4 after announcing `count`.
    void reach(int step, int count = 3)
    {
        link.tick();
        const QStringList answers = {"BB", "FC5500CC", "FC5500CC",
                                     "FC02" + QString::number(count, 16).rightJustified(4, u'0') + "CC"};
        deliverAll(answers.mid(0, step));
        port.writes.clear();
    }
};

// Three readings of 2026-03-05, the first with the control mark, the last with the temperature mark.
const QStringList Frames = {"FC001A0305070A005F01", "FC001A03050C1E00B400", "FC001A0305132D008C02"};
const QStringList Lines = {"95,2026-3-5 7:10:00,mg/dL,Ctrl,-", "180,2026-3-5 12:30:00,mg/dL,-,-",
                           "140,2026-3-5 19:45:00,mg/dL,-,TEMP"};

} // namespace

class tst_MeterLink : public QObject
{
    Q_OBJECT
private slots:
    void search_data();
    void search();
    void searchSkipsMissingPorts();
    void silentPortBudget_data();
    void silentPortBudget();
    void answer_data();
    void answer();
    void stepBudget_data();
    void stepBudget();
    void clockBytes_data();
    void clockBytes();
    void recordTickDropsWaitingBytes();
    void endTick_data();
    void endTick();
    void babblingMeterIsCapped_data();
    void babblingMeterIsCapped();
    void otherCommEventsIgnored();
    void unknownStepStartsOver();
    void wholeUpload();
    void reading_data();
    void reading();
    void emptyMeter();
    void storeFailures_data();
    void storeFailures();
};

void tst_MeterLink::search_data()
{
    columns<int, QString, int>("port", "caption", "next");
    row("1", 1, "LINK COMM:[01]", 2);
    row("7", 7, "LINK COMM:[07]", 8);
    row("12", 12, "LINK COMM:[12]", 13);
    row("16 then 1", 16, "LINK COMM:[16]", 1);
}

void tst_MeterLink::search()
{
    QFETCH(int, port);
    Rig rig(3, port);
    rig.link.tick();
    QTEST(rig.host.caption, "caption");
    QCOMPARE(rig.port.opened, QVector<int>{port});
    QTEST(int(rig.link.comport), "next");
    QCOMPARE(rig.port.writes, QStringList({"AA", "A5"}));
}

void tst_MeterLink::searchSkipsMissingPorts()
{
    Rig rig(5, 0); // no meter anywhere
    rig.link.comport = 14;
    QStringList captions;
    for (int i = 0; i < 4; ++i) {
        rig.link.tick();
        captions << rig.host.caption;
    }
    // A port that cannot be opened costs one tick; nothing is sent and nothing is shown.
    QCOMPARE(captions, QStringList({"LINK COMM:[14]", "LINK COMM:[15]", "LINK COMM:[16]", "LINK COMM:[01]"}));
    QVERIFY(rig.port.writes.isEmpty());
    QVERIFY(rig.host.messages.isEmpty());
    QCOMPARE(int(rig.link.linkstep), 0);
}

void tst_MeterLink::silentPortBudget_data()
{
    columns<int, int>("budget", "ticksOnPort"); // ticksOnPort: from opening port 1 until port 2 is tried
    row("W=0", 0, 1);
    row("W=-3", -3, 1);
    row("W=1", 1, 2);
    row("W=3", 3, 4);
}

void tst_MeterLink::silentPortBudget()
{
    QFETCH(int, budget);
    Rig rig{qint16(budget), 1};
    int ticks = 0;
    do {
        rig.link.tick();
        ++ticks;
        if (rig.host.caption == QLatin1String("LINK COMM:[01]") && ticks > 1)
            QVERIFY2(!rig.port.open, "the silent port is open for one tick only");
    } while (rig.host.caption == QLatin1String("LINK COMM:[01]") && ticks < 100);
    QCOMPARE(rig.host.caption, QStringLiteral("LINK COMM:[02]"));
    QTEST(ticks - 1, "ticksOnPort");
    QCOMPARE(rig.port.writes, QStringList({"AA", "A5"}));
    QVERIFY(rig.host.messages.isEmpty());
}

void tst_MeterLink::answer_data()
{
    // logLine: the log after the count answer, which clears it
    columns<int, QStringList, int, QString>("from", "chunks", "to", "logLine");
    row("BB alone", 0, QStringList{"BB"}, 1, "");
    row("BB after noise", 0, QStringList{"00", "BB"}, 1, "");
    row("two BB at once", 0, QStringList{"BBBB"}, 0, "");
    row("BB with more bytes", 0, QStringList{"BB00"}, 0, "");
    row("bytes then BB", 0, QStringList{"FFBB"}, 0, "");
    row("handshake answer first", 0, QStringList{"FC5500CC"}, 0, "");
    for (int from : {1, 2}) {
        QTest::addRow("%d: whole", from) << from << QStringList{"FC5500CC"} << from + 1 << "";
        QTest::addRow("%d: split in two", from) << from << QStringList{"FC55", "00CC"} << from + 1 << "";
        QTest::addRow("%d: byte by byte", from)
            << from << QStringList{"FC", "55", "00", "CC"} << from + 1 << "";
        QTest::addRow("%d: second BB in front", from) << from << QStringList{"BB", "FC5500CC"} << from << "";
        QTest::addRow("%d: extra byte after", from) << from << QStringList{"FC5500CC00"} << from << "";
        QTest::addRow("%d: extra byte later", from)
            << from << QStringList{"FC5500CC", "00"} << from + 1 << "";
        QTest::addRow("%d: other answer", from) << from << QStringList{"FC5501CC"} << from << "";
    }
    row("count whole", 3, QStringList{"FC020003CC"}, 4, "import values count:3--FC020003CC");
    row("count split", 3, QStringList{"FC02", "0003", "CC"}, 4, "import values count:3--FC020003CC");
    row("count too short yet", 3, QStringList{"FC020003"}, 3, "");
    row("count longer", 3, QStringList{"FC020003CCAABB"}, 4, "import values count:3--FC020003CCAABB");
    row("split, longer", 3, QStringList{"FC0201", "00CC11"}, 4, "import values count:256--FC020100CC11");
    row("0A FF", 3, QStringList{"FC020AFFCC"}, 4, "import values count:2815--FC020AFFCC");
    row("7F 80", 3, QStringList{"FC027F80CC"}, 4, "import values count:32640--FC027F80CC");
    row("count FFFF", 3, QStringList{"FC02FFFFCC"}, 4, "import values count:65535--FC02FFFFCC");
    row("only digits 5-8 count", 3, QStringList{"0000000A00"}, 4, "import values count:10--0000000A00");
}

void tst_MeterLink::answer()
{
    const auto [from, chunks, to, logLine] =
        cells<int, QStringList, int, QString>("from", "chunks", "to", "logLine");
    Rig rig(4);
    rig.host.log << QStringLiteral("an earlier line");
    rig.reach(from);
    if (from == 3) {
        rig.link.tick();
        QCOMPARE(rig.port.writes, QStringList{"FA0200AA"});
    }
    rig.link.waitleft = 1; // part of the budget spent; moving on restores it
    rig.deliverAll(chunks);
    QCOMPARE(int(rig.link.linkstep), to);
    QCOMPARE(rig.host.log, logLine.isEmpty() ? QStringList{"an earlier line"} : QStringList{logLine});
    if (to != from)
        QCOMPARE(int(rig.link.waitleft), 4);
    else if (from > 0)
        QCOMPARE(rig.link.flashramstr, chunks.join(QString()));
}

void tst_MeterLink::stepBudget_data()
{
    columns<int, int, bool, QString>("step", "budget", "cablePulled", "command");
    const QString commands[] = {"FA0600AA", "FA061A03050E07AA", "FA0200AA", "FA0300AA"};
    for (int step = 1; step <= 4; ++step) {
        for (int budget : {0, 1, 3}) {
            for (bool pulled : {false, true})
                QTest::addRow("state %d, W=%d%s", step, budget, pulled ? ", pulled" : "")
                    << step << budget << pulled << commands[step - 1];
        }
    }
}

void tst_MeterLink::stepBudget()
{
    const auto [step, budget, cablePulled, command] =
        cells<int, int, bool, QString>("step", "budget", "cablePulled", "command");
    Rig rig{qint16(budget)};
    rig.reach(step);
    rig.port.failWrites = cablePulled;
    // The command goes out at every tick while budget is left; a failing write costs the tick...
    for (int i = 0; i < budget; ++i)
        rig.link.tick();
    QCOMPARE(rig.port.writes, cablePulled ? QStringList() : QStringList(budget, command));
    QCOMPARE(int(rig.link.linkstep), step);
    QVERIFY(rig.host.messages.isEmpty());
    // ...and the tick after that gives the step up.
    rig.link.tick();
    QCOMPARE(rig.port.writes.size(), cablePulled ? 0 : budget);
    QCOMPARE(int(rig.link.linkstep), 0);
    QCOMPARE(rig.host.messages, QStringList{Unsucceed});
    QVERIFY(rig.host.calls.contains(QStringLiteral("hide")));
    QVERIFY(!rig.host.calls.contains(QStringLiteral("end")));
    // The port is left open; the next tick closes it and tries the next port.
    QVERIFY(rig.port.open);
    rig.link.tick();
    QCOMPARE(rig.host.caption, QStringLiteral("LINK COMM:[02]"));
    QVERIFY(!rig.port.open);
}

void tst_MeterLink::clockBytes_data()
{
    columns<QDateTime, QString>("now", "bytes");
    row("2026-03-05 14:07", QDateTime(QDate(2026, 3, 5), QTime(14, 7, 59)), "FA061A03050E07AA");
    row("2009-12-31 23:59", QDateTime(QDate(2009, 12, 31), QTime(23, 59)), "FA06090C1F173BAA");
    row("2000-01-01 00:00", QDateTime(QDate(2000, 1, 1), QTime(0, 0)), "FA060001010000AA");
}

void tst_MeterLink::clockBytes()
{
    const auto [now, bytes] = cells<QDateTime, QString>("now", "bytes");
    Rig rig(3);
    rig.host.clock = now;
    rig.reach(2);
    rig.link.tick();
    QCOMPARE(rig.port.writes, QStringList{bytes});
    // The clock is read afresh at each sending.
    rig.host.clock = now.addSecs(60);
    rig.link.tick();
    QCOMPARE(rig.port.writes.size(), 2);
    QVERIFY(rig.port.writes[1] != rig.port.writes[0]);
}

void tst_MeterLink::recordTickDropsWaitingBytes()
{
    Rig rig(3);
    rig.reach(4, 2);
    // Half of a late answer is still waiting when the tick asks again: it is not parsed.
    rig.port.waiting = QByteArray::fromHex("FC001A0305");
    rig.link.tick();
    QCOMPARE(rig.port.writes, QStringList{"FA0300AA"});
    QVERIFY(rig.port.waiting.isEmpty());
    rig.deliver(Frames[0]);
    QCOMPARE(rig.host.stored, QStringList{Lines[0]});
}

void tst_MeterLink::endTick_data()
{
    columns<bool, bool>("writesFail", "held");
    row("meter still there", false, false);
    row("cable pulled", true, false);
    row("port holds bytes back until waited for", false, true);
}

void tst_MeterLink::endTick()
{
    const auto [writesFail, held] = cells<bool, bool>("writesFail", "held");
    Rig rig(3);
    rig.reach(4, 1);
    rig.deliver(Frames[0]);
    QCOMPARE(int(rig.link.linkstep), 5);
    rig.host.calls.clear();
    rig.port.failWrites = writesFail;
    rig.port.holdWrites = held;
    rig.link.endWriteWaitMs = 150;
    rig.link.tick();
    QCOMPARE(rig.port.waitedMs, 150);
    QCOMPARE(rig.port.writes, writesFail ? QStringList() : QStringList({"FA0400AA", "FA0400AA"}));
    QCOMPARE(int(rig.link.linkstep), 0);
    QCOMPARE(rig.host.calls, QStringList{"end"});
    QVERIFY(!rig.port.open);
    // The search then waits out the budget with the port closed before the next port.
    for (int i = 0; i < 3; ++i)
        rig.link.tick();
    QCOMPARE(rig.port.opened, QVector<int>{1});
    rig.link.tick();
    QCOMPARE(rig.host.caption, QStringLiteral("LINK COMM:[02]"));
}

void tst_MeterLink::babblingMeterIsCapped_data()
{
    columns<int>("step");
    row("handshake", 1);
    row("clock", 2);
}

void tst_MeterLink::babblingMeterIsCapped()
{
    QFETCH(int, step);
    Rig rig(3);
    rig.reach(step);
    rig.deliver(QStringLiteral("AB"));
    for (int i = 0; i < 20; ++i)
        rig.deliver(QStringLiteral("0102030405060708090A").repeated(50));
    QCOMPARE(rig.link.flashramstr.size(), MeterLink::GatheredTextCap);
    QVERIFY(rig.link.flashramstr.startsWith(QLatin1String("AB01020304")));
    // The head is kept, so the answer at the end of the babble never matches.
    rig.deliver(QStringLiteral("FC5500CC"));
    QCOMPARE(int(rig.link.linkstep), step);
}

void tst_MeterLink::otherCommEventsIgnored()
{
    Rig rig(3);
    rig.link.tick();
    rig.port.event = 3;
    rig.deliver(QStringLiteral("BB"));
    QCOMPARE(int(rig.link.linkstep), 0);
}

void tst_MeterLink::unknownStepStartsOver()
{
    Rig rig(3);
    rig.link.linkstep = 9;
    rig.link.tick();
    QCOMPARE(int(rig.link.linkstep), 0);
    rig.link.tick();
    QCOMPARE(rig.host.caption, QStringLiteral("LINK COMM:[01]"));
}

void tst_MeterLink::wholeUpload()
{
    Rig rig(5);
    rig.reach(3);
    rig.link.tick();
    rig.deliver(QStringLiteral("FC020003CC"));
    QCOMPARE(rig.host.calls, QStringList({"clearLog", "range 4", "reset"}));
    for (int i = 0; i < 3; ++i) {
        rig.port.writes.clear();
        rig.link.tick();
        QCOMPARE(rig.port.writes, QStringList{"FA0300AA"});
        rig.link.waitleft = 1; // part of the budget spent; an answer restores it
        rig.deliver(Frames[i]);
        QCOMPARE(int(rig.link.waitleft), 5);
        QCOMPARE(rig.host.calls.count(QStringLiteral("step")), i + 1);
    }
    QCOMPARE(rig.host.stored, Lines);
    QCOMPARE(rig.host.log, QStringList({"import values count:3--FC020003CC", "DB3 [" + Frames[0] + "]",
                                        "DB2 [" + Frames[1] + "]", "DB1 [" + Frames[2] + "]"}));
    QCOMPARE(int(rig.link.linkstep), 5);
    // The first redraw comes with the last reading, the end of the upload at the next tick.
    QCOMPARE(rig.host.calls.mid(3), QStringList({"step", "step", "step", "hide", "draw", "timer"}));
    rig.port.writes.clear();
    rig.link.tick();
    QCOMPARE(rig.port.writes, QStringList({"FA0400AA", "FA0400AA"}));
    QCOMPARE(rig.host.calls.last(), QStringLiteral("end"));
    QCOMPARE(int(rig.link.linkstep), 0);
    QVERIFY(rig.host.messages.isEmpty());
}

void tst_MeterLink::reading_data()
{
    // chunks after a first good reading of three; stored: what they add to the store;
    // refused: "Upload Unsucceed!" and the end of the upload
    columns<QStringList, QStringList, bool, QDate>("chunks", "stored", "refused", "today");
    const auto take = [](const char *name, const QStringList &chunks, const QStringList &stored,
                         QDate today = QDate(2026, 3, 5)) { row(name, chunks, stored, false, today); };
    // A wrong reading in a health record is worse than a missing one.
    const auto refuse = [](const char *name, const QStringList &chunks, QDate today = QDate(2026, 3, 5)) {
        row(name, chunks, QStringList(), true, today);
    };
    const QString f14_7 = QStringLiteral("FC001A03050E07");
    take("flags 00", {f14_7 + "007B00"}, {"123,2026-3-5 14:7:00,mg/dL,-,-"});
    take("flags 01", {f14_7 + "007B01"}, {"123,2026-3-5 14:7:00,mg/dL,Ctrl,-"});
    take("flags 03", {f14_7 + "007B03"}, {"123,2026-3-5 14:7:00,mg/dL,Ctrl,TEMP"});
    take("flags 02", {f14_7 + "007B02"}, {"123,2026-3-5 14:7:00,mg/dL,-,TEMP"});
    take("other flag bits ignored", {f14_7 + "007BFC"}, {"123,2026-3-5 14:7:00,mg/dL,-,-"});
    take("value FFFF", {f14_7 + "FFFF00"}, {"65535,2026-3-5 14:7:00,mg/dL,-,-"});
    take("value 0", {f14_7 + "000000"}, {"0,2026-3-5 14:7:00,mg/dL,-,-"});
    take("second byte not checked", {"FCFF1A03050E07007B00"}, {"123,2026-3-5 14:7:00,mg/dL,-,-"});
    take("no leading zeros", {"FC000C05060905007B00"}, {"123,2012-5-6 9:5:00,mg/dL,-,-"});
    take("year 05 four digits", {"FC000501010800006400"}, {"100,2005-1-1 8:0:00,mg/dL,-,-"});
    take("year 10 two digits", {"FC000A01010800006400"}, {"100,2010-1-1 8:0:00,mg/dL,-,-"});
    take("year 00, 0:00", {"FC000001010000006400"}, {"100,2000-1-1 0:0:00,mg/dL,-,-"});
    take("year 99, 23:59", {"FC00630C1F173B006400"}, {"100,2099-12-31 23:59:00,mg/dL,-,-"});
    take("29 February 2024", {"FC0018021D0800006400"}, {"100,2024-2-29 8:0:00,mg/dL,-,-"});
    take("century from today", {"FC000C05060905007B00"}, {"123,2112-5-6 9:5:00,mg/dL,-,-"},
         QDate(2105, 1, 1));
    take("split 4 + 6", {"FC001A03", "050E07007B00"}, {"123,2026-3-5 14:7:00,mg/dL,-,-"});
    take("split 9 + 1", {"FC001A03050E07007B", "00"}, {"123,2026-3-5 14:7:00,mg/dL,-,-"});
    take("byte by byte", {"FC", "00", "1A", "03", "05", "0E", "07", "00", "7B", "00"},
         {"123,2026-3-5 14:7:00,mg/dL,-,-"});
    take("noise, then a frame", {"0011", Frames[1]}, {Lines[1]});
    take("noise between frames", {Frames[1], "0011", Frames[2]}, {Lines[1], Lines[2]});
    take("tail of an answer", {"05070A005F01"}, {});
    refuse("frame and two more bytes", {Frames[1] + "0000"});
    refuse("two frames at once", {Frames[1] + Frames[2]});
    refuse("half a frame left over", {"FC001A0305", Frames[1]});
    refuse("year byte 100", {"FC00640305070A005F01"});
    refuse("month 0", {"FC001A0005070A005F01"});
    refuse("month 13", {"FC001A0D05070A005F01"});
    refuse("day 0", {"FC001A0300070A005F01"});
    refuse("31 April", {"FC001A041F070A005F01"});
    refuse("30 February", {"FC001A021E070A005F01"});
    refuse("29 February 2025", {"FC0019021D0800006400"});
    refuse("29 February 2100", {"FC0000021D0800006400"}, QDate(2101, 1, 1));
    refuse("hour 24", {"FC001A0305180A005F01"});
    refuse("minute 60", {"FC001A0305073C005F01"});
    refuse("all bits set", {"FCFFFFFFFFFFFFFFFFFF"});
}

void tst_MeterLink::reading()
{
    const auto [chunks, stored, refused, today] =
        cells<QStringList, QStringList, bool, QDate>("chunks", "stored", "refused", "today");
    Rig rig(5);
    rig.host.clock = QDateTime(today, QTime(12, 0));
    rig.reach(4);
    rig.deliver(Frames[0]);
    const QString first = rig.host.stored.value(0);
    rig.host.calls.clear();
    rig.deliverAll(chunks);
    // The readings already stored stay.
    QCOMPARE(rig.host.stored, QStringList{first} + stored);
    if (!refused) {
        QVERIFY(rig.host.messages.isEmpty());
        if (!stored.isEmpty())
            QCOMPARE(rig.host.log.last(),
                     QStringLiteral("DB%1 [%2]").arg(3 - stored.size()).arg(chunks.join("").right(20)));
        return;
    }
    QCOMPARE(rig.host.messages, QStringList{Unsucceed});
    QCOMPARE(rig.host.calls, QStringList({"hide", "timer", "message"}));
    QVERIFY(rig.host.log.last().startsWith(QLatin1String("DB2 [")));
    // The end of the upload still follows.
    rig.link.tick();
    QCOMPARE(rig.port.writes, QStringList({"FA0400AA", "FA0400AA"}));
    QCOMPARE(rig.host.calls.last(), QStringLiteral("end"));
    QCOMPARE(int(rig.link.linkstep), 0);
}

void tst_MeterLink::emptyMeter()
{
    Rig rig(5);
    rig.reach(4, 0);
    QCOMPARE(rig.host.log, QStringList{"import values count:0--FC020000CC"});
    QCOMPARE(int(rig.link.linkstep), 5);
    QCOMPARE(rig.host.messages, QStringList{"Not found Glucose database!"});
    rig.link.tick();
    QCOMPARE(rig.host.calls, QStringList({"clearLog", "range 1", "hide", "timer", "message", "end"}));
    QCOMPARE(int(rig.link.linkstep), 0);
}

void tst_MeterLink::storeFailures_data()
{
    columns<StoreResetResult, int, int, QString>("reset", "failAppendAt", "stored", "mentions");
    row("backup fails", StoreResetResult::BackupFailed, 0, 0, "TMPDATE.xml.back");
    row("template fails", StoreResetResult::TemplateFailed, 0, 0, "datamb.xml");
    row("first append fails", StoreResetResult::Ok, 1, 0, "reading 1 of 3");
    row("last append fails", StoreResetResult::Ok, 3, 2, "reading 3 of 3");
}

void tst_MeterLink::storeFailures()
{
    const auto [reset, failAppendAt, stored, mentions] =
        cells<StoreResetResult, int, int, QString>("reset", "failAppendAt", "stored", "mentions");
    Rig rig(5);
    rig.host.resetResult = reset;
    rig.host.failAppendAt = failAppendAt;
    rig.reach(4);
    for (int i = 0; i < 3 && rig.link.linkstep == 4; ++i)
        rig.deliver(Frames[i]);
    QCOMPARE(rig.host.stored.size(), stored);
    QCOMPARE(rig.host.messages.size(), 1);
    QVERIFY(rig.host.messages[0].startsWith(QLatin1String("The readings could not be saved: ")));
    QVERIFY2(rig.host.messages[0].contains(mentions), qPrintable(rig.host.messages[0]));
    // Back to searching, with nothing claimed: no redraw of a finished upload, no end.
    QCOMPARE(int(rig.link.linkstep), 0);
    QVERIFY(!rig.host.calls.contains(QStringLiteral("draw")));
    QCOMPARE(rig.host.calls.mid(rig.host.calls.size() - 3), QStringList({"hide", "timer", "message"}));
    // Whatever the meter still sends is not stored.
    rig.deliver(Frames[2]);
    QCOMPARE(rig.host.stored.size(), stored);
    for (int i = 0; i < 10; ++i)
        rig.link.tick();
    QVERIFY(!rig.host.calls.contains(QStringLiteral("end")));
    QCOMPARE(rig.host.messages.size(), 1);
}

QTEST_APPLESS_MAIN(tst_MeterLink)
#include "tst_meterlink.moc"
