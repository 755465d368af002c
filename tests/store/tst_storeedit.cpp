// Appending and deleting readings on a sound store.

#include "storefixture.h"

#include <QTest>

#include <algorithm>

namespace {
const QString kMinute = QStringLiteral("2012-5-6 9:5:00");

QStringList sample()
{
    return {recordLine(101, kMinute),
            recordLine(102, QStringLiteral("2012-5-6 19:5:00")),
            recordLine(103, kMinute),
            recordLine(104, QStringLiteral("2012-5-16 9:5:00")),
            recordLine(105, QStringLiteral("2012-5-6 9:50:00")),
            recordLine(106, kMinute)};
}
} // namespace

class tst_StoreEdit : public QObject
{
    Q_OBJECT

private slots:
    void appendsStayInOrderOnePerLine();
    void appendToMissingStoreCreatesNothing();
    void deleteWithEmptyKeysChangesNothing_data();
    void deleteWithEmptyKeysChangesNothing();
    void deleteByKeys_data();
    void deleteByKeys();
    void deleteOnMissingStoreCreatesNothing();
    void deleteAt_data();
    void deleteAt();
    void savesArePrivate();
    void entriesBesideItemsSurviveEdits_data();
    void entriesBesideItemsSurviveEdits();
};

void tst_StoreEdit::appendsStayInOrderOnePerLine()
{
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(2), recordLine(1)}));
    QCOMPARE(fx.texts(), QStringList({recordLine(2), recordLine(1)}));
    QVERIFY(SaveXmlItem(recordLine(3), fx.store()));
    QCOMPARE(fx.texts(), QStringList({recordLine(2), recordLine(1), recordLine(3)}));

    const QList<QByteArray> lines = fileBytes(fx.store()).split('\n');
    QCOMPARE(
        std::count_if(lines.cbegin(), lines.cend(), [](const QByteArray &l) { return l.contains("item"); }),
        3);
    QCOMPARE(lines.at(3), "<item>" + recordLine(2).toLatin1() + "</item>");
    QCOMPARE(lines.at(5), "<item>" + recordLine(3).toLatin1() + "</item>");
    QVERIFY(fx.strays().isEmpty());
}

void tst_StoreEdit::appendToMissingStoreCreatesNothing()
{
    StoreFixture fx;
    QVERIFY(!SaveXmlItem(recordLine(1), fx.store()));
    QVERIFY(!QFileInfo::exists(fx.store()));
    QVERIFY(fx.strays().isEmpty());
}

void tst_StoreEdit::deleteWithEmptyKeysChangesNothing_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("no keys") << QStringList();
    QTest::newRow("one empty") << QStringList({QString()});
    QTest::newRow("all empty") << QStringList({QString(), QString(), QString()});
}

void tst_StoreEdit::deleteWithEmptyKeysChangesNothing()
{
    QFETCH(QStringList, keys);
    StoreFixture fx;
    QVERIFY(fx.fill(sample()));
    const QByteArray before = fileBytes(fx.store());
    QVERIFY(DelXmlItem(fx.store(), keys));
    QCOMPARE(fx.texts(), sample());
    QCOMPARE(fileBytes(fx.store()), before);
}

void tst_StoreEdit::deleteByKeys_data()
{
    QTest::addColumn<QStringList>("extra"); // appended after sample()
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QList<int>>("kept"); // positions in sample() + extra

    const QList<int> all = {0, 1, 2, 3, 4, 5};
    QTest::newRow("date-time takes its whole minute")
        << QStringList() << QStringList({kMinute}) << QList<int>({1, 3, 4});
    QTest::newRow("empty keys around one")
        << QStringList() << QStringList({QString(), kMinute, QString()}) << QList<int>({1, 3, 4});
    QTest::newRow("two keys") << QStringList()
                              << QStringList({QStringLiteral("2012-5-16 9:5:00"), QStringLiteral("19:5:00")})
                              << QList<int>({0, 2, 4, 5});
    QTest::newRow("plain substring") << QStringList() << QStringList({QStringLiteral("9:5")}) << QList<int>();
    QTest::newRow("no match") << QStringList() << QStringList({QStringLiteral("2013-")}) << all;
    QTest::newRow("case-sensitive") << QStringList() << QStringList({QStringLiteral("MG/DL")}) << all;
    QTest::newRow("star is no wildcard")
        << QStringList() << QStringList({QStringLiteral("2012*9:5:00")}) << all;
    QTest::newRow("question mark is no wildcard")
        << QStringList() << QStringList({QStringLiteral("10?,")}) << all;
    QTest::newRow("bracket is no class") << QStringList() << QStringList({QStringLiteral("[0-9]")}) << all;
    QTest::newRow("hash is no digit") << QStringList() << QStringList({QStringLiteral("10#")}) << all;
    const QStringList odd = {QStringLiteral("1*,a"), QStringLiteral("1?,b"), QStringLiteral("[1],c"),
                             QStringLiteral("#1,d")};
    QList<int> allOdd = all;
    allOdd << 6 << 7 << 8 << 9;
    QTest::newRow("star matches itself")
        << odd << QStringList({QStringLiteral("*")}) << QList<int>({0, 1, 2, 3, 4, 5, 7, 8, 9});
    QTest::newRow("question mark matches itself")
        << odd << QStringList({QStringLiteral("?")}) << QList<int>({0, 1, 2, 3, 4, 5, 6, 8, 9});
    QTest::newRow("bracket matches itself")
        << odd << QStringList({QStringLiteral("[1]")}) << QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 9});
    QTest::newRow("hash matches itself")
        << odd << QStringList({QStringLiteral("#")}) << QList<int>({0, 1, 2, 3, 4, 5, 6, 7, 8});
}

void tst_StoreEdit::deleteByKeys()
{
    QFETCH(QStringList, extra);
    QFETCH(QStringList, keys);
    QFETCH(QList<int>, kept);
    const QStringList lines = sample() + extra;
    StoreFixture fx;
    QVERIFY(fx.fill(lines));
    QVERIFY(DelXmlItem(fx.store(), keys));
    QStringList expected;
    for (int i : kept)
        expected << lines.at(i);
    QCOMPARE(fx.texts(), expected);
}

void tst_StoreEdit::deleteOnMissingStoreCreatesNothing()
{
    StoreFixture fx;
    QVERIFY(DelXmlItem(fx.store(), {kMinute}));
    QVERIFY(DelXmlItemsAt(fx.store(), {{0, recordLine(1)}}));
    QVERIFY(!QFileInfo::exists(fx.store()));
    QVERIFY(QDir(fx.dataDir()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

void tst_StoreEdit::deleteAt_data()
{
    QTest::addColumn<int>("count");        // readings recordLine(0..count-1); 2 and 3 share a text
    QTest::addColumn<QList<int>>("picks"); // positions, each with the text the store has there
    QTest::addColumn<QList<int>>("stale"); // positions given with a text the store does not have there
    QTest::addColumn<QList<int>>("gone");

    QTest::newRow("one") << 5 << QList<int>({1}) << QList<int>() << QList<int>({1});
    QTest::newRow("one of two alike") << 5 << QList<int>({3}) << QList<int>() << QList<int>({3});
    QTest::newRow("both alike") << 5 << QList<int>({2, 3}) << QList<int>() << QList<int>({2, 3});
    QTest::newRow("same pick twice") << 5 << QList<int>({4, 4}) << QList<int>() << QList<int>({4});
    QTest::newRow("stale text kept") << 5 << QList<int>({0}) << QList<int>({1}) << QList<int>({0});
    QTest::newRow("outside the store") << 5 << QList<int>() << QList<int>({-1, 5, 99}) << QList<int>();
    QTest::newRow("beyond 51 rows") << 60 << QList<int>({51, 52, 59}) << QList<int>()
                                    << QList<int>({51, 52, 59});
    QTest::newRow("nothing") << 3 << QList<int>() << QList<int>() << QList<int>();
}

void tst_StoreEdit::deleteAt()
{
    QFETCH(int, count);
    QFETCH(QList<int>, picks);
    QFETCH(QList<int>, stale);
    QFETCH(QList<int>, gone);
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << recordLine(i == 3 ? 2 : i); // two readings in the same minute with the same value
    StoreFixture fx;
    QVERIFY(fx.fill(lines));
    const QByteArray before = fileBytes(fx.store());

    QVector<StoreItemRef> refs;
    for (int p : picks)
        refs.append({p, lines.at(p)});
    for (int p : stale)
        refs.append({p, recordLine(1000 + p)});
    QVERIFY(DelXmlItemsAt(fx.store(), refs));

    QStringList expected;
    for (int i = 0; i < count; ++i) {
        if (!gone.contains(i))
            expected << lines.at(i);
    }
    QCOMPARE(fx.texts(), expected);
    if (gone.isEmpty())
        QCOMPARE(fileBytes(fx.store()), before);
}

void tst_StoreEdit::savesArePrivate()
{
#ifndef Q_OS_UNIX
    QSKIP("POSIX permissions only");
#endif
    const QFileDevice::Permissions open =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1), recordLine(2), recordLine(3)}));
    QCOMPARE(posixMode(fx.store()), 0600);

    QVERIFY(QFile::setPermissions(fx.store(), open));
    QVERIFY(SaveXmlItem(recordLine(4), fx.store()));
    QCOMPARE(posixMode(fx.store()), 0600);

    QVERIFY(QFile::setPermissions(fx.store(), open));
    QVERIFY(DelXmlItem(fx.store(), {QStringLiteral("4,")}));
    QCOMPARE(posixMode(fx.store()), 0600);

    QVERIFY(QFile::setPermissions(fx.store(), open));
    QVERIFY(DelXmlItemsAt(fx.store(), {{0, recordLine(1)}}));
    QCOMPARE(posixMode(fx.store()), 0600);
    QVERIFY(fx.strays().isEmpty());
}

// A hand-edited store may hold text, processing instructions or another encoding beside its
// items. An append or a delete must change exactly the entry it is about and keep the store
// readable.
void tst_StoreEdit::entriesBesideItemsSurviveEdits_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("edit");      // "append", or the 0-based place to delete
    QTest::addColumn<QStringList>("after"); // empty: the edit is refused and the file kept
    const QString added = recordLine(9);
    const QStringList refused;
    QTest::newRow("plain items") << QByteArray("<Data><xt><item>a</item><item>b</item></xt></Data>")
                                 << "append" << QStringList({"a", "b", added});
    QTest::newRow("comment beside items")
        << QByteArray("<Data><xt><!--c--><item>a</item></xt></Data>") << "0" << QStringList({"a"});
    // Saving these would change entries the edit never touched: two texts joined by a delete, a
    // line break after an instruction, a store that no longer parses, text re-encoded.
    QTest::newRow("delete between two texts")
        << QByteArray("<Data><xt>a<item>x</item>b</xt></Data>") << "1" << refused;
    QTest::newRow("text after a processing instruction")
        << QByteArray("<Data><xt><?pi d?>x</xt></Data>") << "append" << refused;
    QTest::newRow("processing instruction inside an item")
        << QByteArray("<Data><xt><item>a<?pi d?>b</item></xt></Data>") << "append" << refused;
    QTest::newRow("control character in a processing instruction") << QByteArray("<Data><xt><?pi\x19"
                                                                                 "d?></xt></Data>")
                                                                   << "append" << refused;
    QTest::newRow("declared ISO-8859-1")
        << QByteArray(
               "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Data><xt><item>\xe9</item></xt></Data>")
        << "append" << refused;
}

void tst_StoreEdit::entriesBesideItemsSurviveEdits()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, edit);
    QFETCH(QStringList, after);
    StoreFixture fx;
    QVERIFY(writeFileBytes(fx.store(), xml));
    const StoreItems before = ReadStoreItems(fx.store());
    QCOMPARE(before.status, StoreStatus::Ok);
    bool done = false;
    if (edit == QLatin1String("append")) {
        done = SaveXmlItem(recordLine(9), fx.store());
    } else {
        const int at = edit.toInt();
        done = DelXmlItemsAt(fx.store(), {{at, before.texts.at(at)}});
    }
    QCOMPARE(done, !after.isEmpty());
    if (!done) {
        QCOMPARE(fileBytes(fx.store()), xml);
        return;
    }
    const StoreItems now = ReadStoreItems(fx.store());
    QCOMPARE(now.status, StoreStatus::Ok);
    QCOMPARE(now.texts, after);
}

QTEST_GUILESS_MAIN(tst_StoreEdit)
#include "tst_storeedit.moc"
