#include "fakelink.h"

#include <QtTest>

namespace {

const QString Unsucceed = QStringLiteral("Upload Unsucceed! ,Reconnect Please.");
const QString NoDatabase = QStringLiteral("Not found Glucose database!");

// Three readings of 2026-03-05, the first with the control mark, the last with the temperature mark.
const QStringList Frames = {QStringLiteral("FC001A0305070A005F01"), QStringLiteral("FC001A03050C1E00B400"),
                            QStringLiteral("FC001A0305132D008C02")};
const QStringList Lines = {QStringLiteral("95,2026-3-5 7:10:00,mg/dL,Ctrl,-"),
                           QStringLiteral("180,2026-3-5 12:30:00,mg/dL,-,-"),
                           QStringLiteral("140,2026-3-5 19:45:00,mg/dL,-,TEMP")};

QString countAnswer(int n)
{
    return QStringLiteral("FC02%1CC").arg(n, 4, 16, QLatin1Char('0')).toUpper();
}

// Splits hex text into chunks of the given byte sizes, the last size repeating.
QStringList pieces(const QString &hex, const QVector<int> &sizes)
{
    QStringList out;
    int at = 0;
    for (int i = 0; at < hex.size(); ++i) {
        const int bytes = sizes[std::min<int>(i, int(sizes.size()) - 1)];
        out << hex.mid(at, bytes * 2);
        at += bytes * 2;
    }
    return out;
}

} // namespace

class tst_UploadImport : public QObject
{
    Q_OBJECT
private slots:
    void wholeUpload();
    void frameInPieces_data();
    void frameInPieces();
    void noiseBeforeFrame_data();
    void noiseBeforeFrame();
    void emptyMeter();
    void readingTooLong_data();
    void readingTooLong();
    void storeFailures_data();
    void storeFailures();
};

void tst_UploadImport::wholeUpload()
{
    Rig rig(5);
    rig.reach(3);
    rig.link.tick();
    rig.deliver(countAnswer(3));
    QCOMPARE(rig.host.calls, QStringList({"clearLog", "range 4", "reset"}));
    QCOMPARE(rig.host.progressMax, 4);
    for (int i = 0; i < 3; ++i) {
        rig.port.writes.clear();
        rig.link.tick();
        QCOMPARE(rig.port.writtenHex(), QStringList{"FA0300AA"});
        rig.link.waitleft = 1; // part of the budget spent; an answer restores it
        rig.deliver(Frames[i]);
        QCOMPARE(int(rig.link.waitleft), 5);
        QCOMPARE(rig.host.progressValue, i + 1);
    }
    QCOMPARE(rig.host.stored, Lines);
    QCOMPARE(rig.host.log, QStringList({"import values count:3--FC020003CC", "DB3 [" + Frames[0] + "]",
                                        "DB2 [" + Frames[1] + "]", "DB1 [" + Frames[2] + "]"}));
    QCOMPARE(int(rig.link.linkstep), 5);
    QCOMPARE(int(rig.link.valuecount), 0);
    QCOMPARE(rig.link.flashramstr, QString());
    // The first redraw comes with the last reading, the end of the upload at the next tick.
    QCOMPARE(rig.host.calls.mid(3), QStringList({"step", "step", "step", "hide", "draw", "timer"}));
    rig.port.writes.clear();
    rig.link.tick();
    QCOMPARE(rig.port.writtenHex(), QStringList({"FA0400AA", "FA0400AA"}));
    QCOMPARE(rig.host.calls.last(), QStringLiteral("end"));
    QCOMPARE(int(rig.link.linkstep), 0);
    QVERIFY(rig.host.messages.isEmpty());
}

void tst_UploadImport::frameInPieces_data()
{
    QTest::addColumn<QVector<int>>("sizes");
    QTest::newRow("4 + 6") << QVector<int>{4, 6};
    QTest::newRow("byte by byte") << QVector<int>{1};
    QTest::newRow("9 + 1") << QVector<int>{9, 1};
    QTest::newRow("whole") << QVector<int>{10};
}

void tst_UploadImport::frameInPieces()
{
    QFETCH(QVector<int>, sizes);
    Rig rig(5);
    rig.reach(3);
    rig.deliver(countAnswer(2));
    const QStringList chunks = pieces(Frames[1], sizes);
    for (int i = 0; i < chunks.size(); ++i) {
        rig.deliver(chunks[i]);
        // Decoded once, when the 20th character arrives.
        QCOMPARE(rig.host.stored.size(), i == chunks.size() - 1 ? 1 : 0);
    }
    QCOMPARE(rig.host.stored, QStringList{Lines[1]});
    QCOMPARE(rig.host.log.last(), "DB2 [" + Frames[1] + "]");
    QCOMPARE(int(rig.link.linkstep), 4);
    QCOMPARE(int(rig.link.valuecount), 1);
}

void tst_UploadImport::noiseBeforeFrame_data()
{
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<QStringList>("stored");
    QTest::newRow("noise, then a frame") << QStringList{"0011", Frames[0]} << QStringList{Lines[0]};
    QTest::newRow("noise between frames")
        << QStringList{Frames[0], "0011", Frames[1]} << QStringList{Lines[0], Lines[1]};
    QTest::newRow("tail of an answer") << QStringList{"05070A005F01"} << QStringList();
}

void tst_UploadImport::noiseBeforeFrame()
{
    QFETCH(QStringList, chunks);
    QFETCH(QStringList, stored);
    Rig rig(5);
    rig.reach(3);
    rig.deliver(countAnswer(2));
    rig.deliverAll(chunks);
    QCOMPARE(rig.host.stored, stored);
    QVERIFY(rig.host.messages.isEmpty());
}

void tst_UploadImport::emptyMeter()
{
    Rig rig(5);
    rig.reach(3);
    rig.deliver(countAnswer(0));
    QCOMPARE(rig.host.log, QStringList{"import values count:0--FC020000CC"});
    QCOMPARE(int(rig.link.linkstep), 5);
    QCOMPARE(rig.host.messages, QStringList{NoDatabase});
    // The store is not touched.
    QCOMPARE(rig.host.resets, 0);
    QCOMPARE(rig.host.calls, QStringList({"clearLog", "range 1", "hide", "timer", "message"}));
    rig.link.tick();
    QCOMPARE(rig.host.calls.last(), QStringLiteral("end"));
    QCOMPARE(int(rig.link.linkstep), 0);
}

void tst_UploadImport::readingTooLong_data()
{
    QTest::addColumn<QStringList>("chunks");
    QTest::newRow("frame and two more bytes") << QStringList{Frames[1] + "0000"};
    QTest::newRow("two frames at once") << QStringList{Frames[1] + Frames[2]};
    QTest::newRow("half a frame left over") << QStringList{"FC001A0305", Frames[1]};
    // Ten bytes that begin with FC but cannot be a reading: noise, not a health record.
    QTest::newRow("year byte 100") << QStringList{"FC00640305070A005F01"};
    QTest::newRow("month 0") << QStringList{"FC001A0005070A005F01"};
    QTest::newRow("month 13") << QStringList{"FC001A0D05070A005F01"};
    QTest::newRow("30 February") << QStringList{"FC001A021E070A005F01"};
    QTest::newRow("hour 24") << QStringList{"FC001A0305180A005F01"};
    QTest::newRow("minute 60") << QStringList{"FC001A0305073C005F01"};
    QTest::newRow("all bits set") << QStringList{"FCFFFFFFFFFFFFFFFFFF"};
}

void tst_UploadImport::readingTooLong()
{
    QFETCH(QStringList, chunks);
    Rig rig(5);
    rig.reach(3);
    rig.deliver(countAnswer(3));
    rig.deliver(Frames[0]);
    rig.host.calls.clear();
    rig.deliverAll(chunks);
    // Not stored; the readings already stored stay.
    QCOMPARE(rig.host.stored, QStringList{Lines[0]});
    QCOMPARE(rig.host.messages, QStringList{Unsucceed});
    QCOMPARE(int(rig.link.linkstep), 5);
    QCOMPARE(rig.host.calls, QStringList({"hide", "timer", "message"}));
    QVERIFY(rig.host.log.last().startsWith(QLatin1String("DB2 [")));
    // The end of the upload still follows.
    rig.port.writes.clear();
    rig.link.tick();
    QCOMPARE(rig.port.writtenHex(), QStringList({"FA0400AA", "FA0400AA"}));
    QCOMPARE(rig.host.calls.last(), QStringLiteral("end"));
    QCOMPARE(int(rig.link.linkstep), 0);
}

void tst_UploadImport::storeFailures_data()
{
    QTest::addColumn<StoreResetResult>("reset");
    QTest::addColumn<int>("failAppendAt");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("backup fails") << StoreResetResult::BackupFailed << 0 << 0 << "TMPDATE.xml.back";
    QTest::newRow("template fails") << StoreResetResult::TemplateFailed << 0 << 0 << "datamb.xml";
    QTest::newRow("first append fails") << StoreResetResult::Ok << 1 << 0 << "reading 1 of 3";
    QTest::newRow("last append fails") << StoreResetResult::Ok << 3 << 2 << "reading 3 of 3";
}

void tst_UploadImport::storeFailures()
{
    QFETCH(StoreResetResult, reset);
    QFETCH(int, failAppendAt);
    QFETCH(int, stored);
    QFETCH(QString, mentions);
    Rig rig(5);
    rig.host.resetResult = reset;
    rig.host.failAppendAt = failAppendAt;
    rig.reach(3);
    rig.deliver(countAnswer(3));
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

QTEST_APPLESS_MAIN(tst_UploadImport)
#include "tst_uploadimport.moc"
