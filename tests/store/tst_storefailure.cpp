// A store that cannot be read, and saves that cannot succeed: the operations say so and the file
// on disk stays byte for byte as it was.

#include "storefixture.h"

#include <QTest>

namespace {
// Runs every changing operation against the store and checks each fails without touching it.
void expectAllFailUntouched(const StoreFixture &fx, const char *why)
{
    const QByteArray before = fileBytes(fx.store());
    const QStringList texts = fx.texts();
    QVERIFY2(!SaveXmlItem(recordLine(9), fx.store()), why);
    QCOMPARE(fileBytes(fx.store()), before);
    QVERIFY2(!DelXmlItem(fx.store(), {QStringLiteral("2012-5-6 9:5:00")}), why);
    QCOMPARE(fileBytes(fx.store()), before);
    QVERIFY2(!DelXmlItemsAt(fx.store(), {{0, texts.value(0)}}), why);
    QCOMPARE(fileBytes(fx.store()), before);
    QVERIFY(fx.strays().isEmpty());
}
} // namespace

class tst_StoreFailure : public QObject
{
    Q_OBJECT

private slots:
    void damagedStoreIsLeftAlone_data();
    void damagedStoreIsLeftAlone();
    void storeThatIsAFolder();
    void diskFull();
    void readOnlyFolder();
    void dataIsAPlainFile();
};

void tst_StoreFailure::damagedStoreIsLeftAlone_data()
{
    QTest::addColumn<QByteArray>("bytes");
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1), recordLine(2), recordLine(3)}));
    const QByteArray whole = fileBytes(fx.store());

    QTest::newRow("truncated") << whole.left(whole.size() / 2);
    QTest::newRow("truncated last tag") << whole.left(whole.size() - 3);
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("not XML") << QByteArray("123,2012-5-6 9:5:00,mg/dL,-,-\n");
    QTest::newRow("binary") << QByteArray("\x00\xff\x10<Data>", 9);
    QTest::newRow("no xt") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Data>\n</Data>\n");
    QTest::newRow("no Data") << QByteArray(
        "<Store>\n<xt>\n<item>1,2012-5-6 9:5:00,mg/dL,-,-</item>\n</xt>\n</Store>\n");
    QTest::newRow("junk after") << whole + "<Data/>";
    constexpr int FiftyMegabytes = 50 * 1024 * 1024;
    QTest::newRow("50 MB, not XML") << QByteArray(FiftyMegabytes, 'x');
    QTest::newRow("50 MB, damaged after the first item")
        << QByteArray("<Data><xt><item>1,2012-5-6 9:5:00,mg/dL,-,-</item>") + QByteArray(FiftyMegabytes, '<');
}

void tst_StoreFailure::damagedStoreIsLeftAlone()
{
    QFETCH(QByteArray, bytes);
    StoreFixture fx;
    QVERIFY(writeFileBytes(fx.store(), bytes));
    QCOMPARE(ReadStoreItems(fx.store()).status, StoreStatus::Unreadable);
    expectAllFailUntouched(fx, "damaged store");
    // Even a delete with nothing to delete does not pass a damaged store as fine.
    QVERIFY(!DelXmlItem(fx.store(), {}));
    QCOMPARE(fileBytes(fx.store()), bytes);
}

void tst_StoreFailure::storeThatIsAFolder()
{
    StoreFixture fx;
    QVERIFY(QDir().mkpath(fx.store()));
    QCOMPARE(ReadStoreItems(fx.store()).status, StoreStatus::Unreadable);
    QVERIFY(!SaveXmlItem(recordLine(1), fx.store()));
    QVERIFY(!DelXmlItem(fx.store(), {QStringLiteral("1")}));
    QVERIFY(!DelXmlItemsAt(fx.store(), {{0, recordLine(1)}}));
    QVERIFY(QFileInfo(fx.store()).isDir());
}

void tst_StoreFailure::diskFull()
{
#ifndef Q_OS_LINUX
    QSKIP("needs RLIMIT_FSIZE");
#else
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1, QStringLiteral("2012-5-6 9:5:00")), recordLine(2), recordLine(3)}));
    // No new file may grow past a few bytes, so the temporary file cannot be written.
    FileSizeLimit full(16);
    QVERIFY(full.on());
    expectAllFailUntouched(fx, "disk full");
#endif
}

void tst_StoreFailure::readOnlyFolder()
{
#ifndef Q_OS_LINUX
    QSKIP("needs the immutable attribute");
#else
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1), recordLine(2)}));
    ImmutablePath readOnly(fx.dataDir());
    if (!readOnly.on())
        QSKIP("this file system or user cannot make a folder immutable");
    expectAllFailUntouched(fx, "read-only folder");
#endif
}

void tst_StoreFailure::dataIsAPlainFile()
{
    StoreFixture fx;
    QVERIFY(QDir(fx.dataDir()).removeRecursively());
    QVERIFY(writeFileBytes(fx.dataDir(), "not a folder"));
    QVERIFY(!SaveXmlItem(recordLine(1), fx.store()));
    QVERIFY(DelXmlItem(fx.store(), {QStringLiteral("1")})); // no store: nothing to delete
    QCOMPARE(ResetStoreFromTemplate(fx.store(), fx.templ()), StoreResetResult::TemplateFailed);
    QCOMPARE(fileBytes(fx.dataDir()), QByteArray("not a folder"));
}

QTEST_GUILESS_MAIN(tst_StoreFailure)
#include "tst_storefailure.moc"
