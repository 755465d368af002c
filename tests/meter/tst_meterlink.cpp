#include "fakelink.h"
#include "linkmessages.h"

#include <QtTest>

namespace {

const QString Unsucceed = QStringLiteral("Upload Unsucceed! ,Reconnect Please.");

QString hello()
{
    return QStringLiteral("FA0600AA");
}

} // namespace

class tst_MeterLink : public QObject
{
    Q_OBJECT
private slots:
    void initialCommands();
    void searchCaption_data();
    void searchCaption();
    void searchSkipsMissingPorts();
    void silentPortBudget_data();
    void silentPortBudget();
    void wakeAnswer_data();
    void wakeAnswer();
    void handshake_data();
    void handshake();
    void countAnswer_data();
    void countAnswer();
    void stepBudget_data();
    void stepBudget();
    void failedWriteCostsTheTick_data();
    void failedWriteCostsTheTick();
    void clockBytes_data();
    void clockBytes();
    void recordTickDropsWaitingBytes();
    void endTick_data();
    void endTick();
    void babblingMeterIsCapped_data();
    void babblingMeterIsCapped();
    void otherCommEventsIgnored();
    void unknownStepStartsOver();
};

void tst_MeterLink::initialCommands()
{
    Rig rig;
    QCOMPARE(rig.link.cmd_wake1.toHex().toUpper(), QByteArray("AA"));
    QCOMPARE(rig.link.cmd_wake2.toHex().toUpper(), QByteArray("A5"));
    QCOMPARE(rig.link.cmd_hello.toHex().toUpper(), QByteArray("FA0600AA"));
    QCOMPARE(rig.link.cmd_req.toHex().toUpper(), QByteArray("FA0200AA"));
    QCOMPARE(rig.link.cmd_clock.size(), 8);
}

void tst_MeterLink::searchCaption_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("next");
    QTest::newRow("1") << 1 << "LINK COMM:[01]" << 2;
    QTest::newRow("3") << 3 << "LINK COMM:[03]" << 4;
    QTest::newRow("7") << 7 << "LINK COMM:[07]" << 8;
    QTest::newRow("9") << 9 << "LINK COMM:[09]" << 10;
    QTest::newRow("10") << 10 << "LINK COMM:[10]" << 11;
    QTest::newRow("12") << 12 << "LINK COMM:[12]" << 13;
    QTest::newRow("16 then 1") << 16 << "LINK COMM:[16]" << 1;
}

void tst_MeterLink::searchCaption()
{
    QFETCH(int, port);
    QFETCH(QString, caption);
    QFETCH(int, next);
    Rig rig(3, port);
    rig.link.tick();
    QCOMPARE(rig.host.caption, caption);
    QCOMPARE(rig.port.opened, QVector<int>{port});
    QCOMPARE(int(rig.link.comport), next);
    // The wake bytes go out one after the other.
    QCOMPARE(rig.port.writtenHex(), QStringList({"AA", "A5"}));
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
    QTest::addColumn<int>("budget");
    QTest::addColumn<int>("ticksOnPort"); // ticks from opening port 1 until port 2 is tried
    QTest::newRow("W=0") << 0 << 1;
    QTest::newRow("W=-3") << -3 << 1;
    QTest::newRow("W=1") << 1 << 2;
    QTest::newRow("W=3") << 3 << 4;
}

void tst_MeterLink::silentPortBudget()
{
    QFETCH(int, budget);
    QFETCH(int, ticksOnPort);
    Rig rig{qint16(budget), 1};
    int ticks = 0;
    do {
        rig.link.tick();
        ++ticks;
        if (rig.host.caption == QLatin1String("LINK COMM:[01]") && ticks > 1)
            QVERIFY2(!rig.port.open, "the silent port is open for one tick only");
    } while (rig.host.caption == QLatin1String("LINK COMM:[01]") && ticks < 100);
    QCOMPARE(rig.host.caption, QStringLiteral("LINK COMM:[02]"));
    QCOMPARE(ticks - 1, ticksOnPort);
    QCOMPARE(rig.port.writtenHex(), QStringList({"AA", "A5"}));
    QVERIFY(rig.host.messages.isEmpty());
}

void tst_MeterLink::wakeAnswer_data()
{
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<int>("step");
    QTest::newRow("BB alone") << QStringList{"BB"} << 1;
    QTest::newRow("BB after noise") << QStringList{"00", "BB"} << 1;
    QTest::newRow("two BB at once") << QStringList{"BBBB"} << 0;
    QTest::newRow("BB with more bytes") << QStringList{"BB00"} << 0;
    QTest::newRow("bytes then BB") << QStringList{"FFBB"} << 0;
    QTest::newRow("no bytes") << QStringList{""} << 0;
    QTest::newRow("handshake answer") << QStringList{"FC5500CC"} << 0;
}

void tst_MeterLink::wakeAnswer()
{
    QFETCH(QStringList, chunks);
    QFETCH(int, step);
    Rig rig(4);
    rig.link.tick();
    rig.link.waitleft = 2; // a tick of the budget already spent
    rig.link.flashramstr = QStringLiteral("stale");
    rig.deliverAll(chunks);
    QCOMPARE(int(rig.link.linkstep), step);
    if (step == 1) {
        QCOMPARE(int(rig.link.waitleft), 4);
        QCOMPARE(rig.link.flashramstr, QString());
    }
}

void tst_MeterLink::handshake_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<bool>("moves");
    for (int from : {1, 2}) {
        const QByteArray s = QByteArray::number(from);
        QTest::newRow(s + ": whole") << from << QStringList{"FC5500CC"} << true;
        QTest::newRow(s + ": split in two") << from << QStringList{"FC55", "00CC"} << true;
        QTest::newRow(s + ": byte by byte") << from << QStringList{"FC", "55", "00", "CC"} << true;
        QTest::newRow(s + ": second BB in front") << from << QStringList{"BB", "FC5500CC"} << false;
        QTest::newRow(s + ": extra byte after") << from << QStringList{"FC5500CC00"} << false;
        QTest::newRow(s + ": extra byte later") << from << QStringList{"FC5500CC", "00"} << true;
        QTest::newRow(s + ": other answer") << from << QStringList{"FC5501CC"} << false;
    }
}

void tst_MeterLink::handshake()
{
    QFETCH(int, from);
    QFETCH(QStringList, chunks);
    QFETCH(bool, moves);
    Rig rig(4);
    rig.reach(from);
    rig.link.waitleft = 1;
    rig.deliverAll(chunks);
    if (moves) {
        QCOMPARE(int(rig.link.linkstep), from + 1);
        QCOMPARE(int(rig.link.waitleft), 4);
    } else {
        QCOMPARE(int(rig.link.linkstep), from);
        QCOMPARE(rig.link.flashramstr, chunks.join(QString()));
    }
}

void tst_MeterLink::countAnswer_data()
{
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("logLine");
    QTest::newRow("whole") << QStringList{"FC020003CC"} << 4 << 3 << "import values count:3--FC020003CC";
    QTest::newRow("split") << QStringList{"FC02", "0003", "CC"} << 4 << 3
                           << "import values count:3--FC020003CC";
    QTest::newRow("too short yet") << QStringList{"FC020003"} << 3 << 0 << QString();
    QTest::newRow("longer than needed")
        << QStringList{"FC020003CCAABB"} << 4 << 3 << "import values count:3--FC020003CCAABB";
    QTest::newRow("split and longer")
        << QStringList{"FC0201", "00CC11"} << 4 << 256 << "import values count:256--FC020100CC11";
}

void tst_MeterLink::countAnswer()
{
    QFETCH(QStringList, chunks);
    QFETCH(int, step);
    QFETCH(int, count);
    QFETCH(QString, logLine);
    Rig rig(4);
    rig.host.log << QStringLiteral("an earlier line");
    rig.reach(3);
    rig.link.tick(); // asks for the count
    QCOMPARE(rig.port.writtenHex(), QStringList{"FA0200AA"});
    rig.deliverAll(chunks);
    QCOMPARE(int(rig.link.linkstep), step);
    if (logLine.isEmpty()) {
        QCOMPARE(rig.host.log, QStringList{"an earlier line"});
        return;
    }
    // The log is cleared at the count answer.
    QCOMPARE(rig.host.log, QStringList{logLine});
    QCOMPARE(int(rig.link.valuecount), count);
    QCOMPARE(rig.link.flashramstr, QString());
    QCOMPARE(int(rig.link.waitleft), 4);
    QCOMPARE(rig.host.progressMax, count + 1);
}

void tst_MeterLink::stepBudget_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("budget");
    QTest::addColumn<QString>("command");
    const QString commands[] = {hello(), QStringLiteral("FA061A03050E07AA"), QStringLiteral("FA0200AA"),
                                QStringLiteral("FA0300AA")};
    for (int step = 1; step <= 4; ++step) {
        for (int budget : {0, 1, 3}) {
            QTest::addRow("state %d, W=%d", step, budget) << step << budget << commands[step - 1];
        }
    }
}

void tst_MeterLink::stepBudget()
{
    QFETCH(int, step);
    QFETCH(int, budget);
    QFETCH(QString, command);
    Rig rig{qint16(budget)};
    rig.reach(std::min(step, 3));
    if (step == 4) {
        rig.deliver(QStringLiteral("FC020003CC"));
        rig.host.calls.clear();
    }
    QCOMPARE(int(rig.link.linkstep), step);
    // The command goes out at every tick while budget is left...
    for (int i = 0; i < budget; ++i)
        rig.link.tick();
    QCOMPARE(rig.port.writtenHex(), QStringList(budget, command));
    QCOMPARE(int(rig.link.linkstep), step);
    QVERIFY(rig.host.messages.isEmpty());
    // ...and the tick after that gives the step up.
    rig.link.tick();
    QCOMPARE(rig.port.writes.size(), budget);
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

void tst_MeterLink::failedWriteCostsTheTick_data()
{
    QTest::addColumn<int>("step");
    for (int step = 1; step <= 4; ++step)
        QTest::addRow("state %d", step) << step;
}

void tst_MeterLink::failedWriteCostsTheTick()
{
    QFETCH(int, step);
    Rig rig(3);
    rig.reach(std::min(step, 3));
    if (step == 4)
        rig.deliver(QStringLiteral("FC020003CC"));
    rig.port.failWrites = true; // the cable is pulled
    for (int i = 0; i < 3; ++i)
        rig.link.tick();
    QCOMPARE(int(rig.link.linkstep), step);
    rig.link.tick();
    QCOMPARE(int(rig.link.linkstep), 0);
    QCOMPARE(rig.host.messages, QStringList{Unsucceed});
}

void tst_MeterLink::clockBytes_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("bytes");
    QTest::newRow("2026-03-05 14:07") << QDateTime(QDate(2026, 3, 5), QTime(14, 7, 59)) << "FA061A03050E07AA";
    QTest::newRow("2009-12-31 23:59") << QDateTime(QDate(2009, 12, 31), QTime(23, 59)) << "FA06090C1F173BAA";
    QTest::newRow("2000-01-01 00:00") << QDateTime(QDate(2000, 1, 1), QTime(0, 0)) << "FA06000101 0000AA";
}

void tst_MeterLink::clockBytes()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, bytes);
    Rig rig(3);
    rig.host.clock = now;
    rig.reach(2);
    rig.link.tick();
    QCOMPARE(rig.port.writtenHex(), QStringList{QString(bytes).remove(QLatin1Char(' '))});
    // The clock is read afresh at each sending.
    rig.host.clock = now.addSecs(60);
    rig.link.tick();
    QCOMPARE(rig.port.writes.size(), 2);
    QVERIFY(rig.port.writes[1] != rig.port.writes[0]);
}

void tst_MeterLink::recordTickDropsWaitingBytes()
{
    Rig rig(3);
    rig.reach(3);
    rig.deliver(QStringLiteral("FC020002CC"));
    // Half of a late answer is still waiting when the tick asks again: it is not parsed.
    rig.port.waiting = QByteArray::fromHex("FC001A0305");
    rig.link.tick();
    QCOMPARE(rig.port.writtenHex(), QStringList{"FA0300AA"});
    QVERIFY(rig.port.waiting.isEmpty());
    QCOMPARE(rig.link.rxbuf, QByteArray::fromHex("FC001A0305"));
    QCOMPARE(rig.link.flashramstr, QString());
    rig.deliver(QStringLiteral("FC001A03050E07007B00"));
    QCOMPARE(rig.host.stored, QStringList{"123,2026-3-5 14:7:00,mg/dL,-,-"});
}

void tst_MeterLink::endTick_data()
{
    QTest::addColumn<bool>("writesFail");
    QTest::newRow("meter still there") << false;
    QTest::newRow("cable pulled") << true;
}

void tst_MeterLink::endTick()
{
    QFETCH(bool, writesFail);
    Rig rig(3);
    rig.reach(3);
    rig.deliver(QStringLiteral("FC020001CC"));
    rig.deliver(QStringLiteral("FC001A03050E07007B00"));
    QCOMPARE(int(rig.link.linkstep), 5);
    rig.port.writes.clear();
    rig.host.calls.clear();
    rig.port.failWrites = writesFail;
    rig.link.tick();
    QCOMPARE(rig.port.writtenHex(), writesFail ? QStringList() : QStringList({"FA0400AA", "FA0400AA"}));
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
    QTest::addColumn<int>("step");
    QTest::newRow("handshake") << 1;
    QTest::newRow("clock") << 2;
}

void tst_MeterLink::babblingMeterIsCapped()
{
    QFETCH(int, step);
    Rig rig(3);
    rig.reach(step);
    const QString junk = QStringLiteral("0102030405060708090A").repeated(50); // 500 bytes
    rig.deliver(QStringLiteral("AB"));
    for (int i = 0; i < 20; ++i)
        rig.deliver(junk);
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

QTEST_APPLESS_MAIN(tst_MeterLink)
#include "tst_meterlink.moc"
