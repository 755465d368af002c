// The reading store on real files: its bytes, what reads back, appends, deletes, the reset at the
// start of an upload, and damaged stores or impossible saves that must leave the file as it was.

#include "rows.h"
#include "storefixture.h"

#include <QStringDecoder>

#include <functional>

namespace {
const QString kMinute = QStringLiteral("2012-5-6 9:5:00");
using Ints = QList<int>;
using S = QStringList;

// Every changing operation fails and leaves the store byte for byte as it was.
void expectAllFailUntouched(const StoreFixture &fx, const QByteArray &before, const QString &first)
{
    QVERIFY(!SaveXmlItem(recordLine(9), fx.store()));
    QCOMPARE(fileBytes(fx.store()), before);
    QVERIFY(!DelXmlItem(fx.store(), {kMinute}));
    QCOMPARE(fileBytes(fx.store()), before);
    QVERIFY(!DelXmlItemsAt(fx.store(), {{0, first}}));
    QCOMPARE(fileBytes(fx.store()), before);
    QVERIFY(fx.strays().isEmpty());
}

// A save made impossible: the named path is a folder, the disk is full, the data folder read-only.
void obstacleRows(const char *folder)
{
    columns<QString>("how");
    row(folder, QStringLiteral("folder"));
    row("disk full", QStringLiteral("disk full"));
    row("read-only data folder", QStringLiteral("immutable"));
}
} // namespace

class tst_Store : public QObject
{
    Q_OBJECT

private slots:
    void goldenBytesAndOrder();
    void declarationKeptAsItIs_data();
    void declarationKeptAsItIs();
    void lineRoundTrips_data();
    void lineRoundTrips();
    void lineThatCannotBeStoredIsRefused_data();
    void lineThatCannotBeStoredIsRefused();
    void readItems_data();
    void readItems();
    void positionsAreDomPositions_data() { readItems_data(); }
    void positionsAreDomPositions();
    void manyItems();
    void missingStoreStaysMissing();
    void deleteByKeys_data();
    void deleteByKeys();
    void deleteAt_data();
    void deleteAt();
    void entriesBesideItemsSurviveEdits_data();
    void entriesBesideItemsSurviveEdits();
    void savesArePrivate();
    void damagedStoreIsLeftAlone_data();
    void damagedStoreIsLeftAlone();
    void saveThatCannotSucceed_data();
    void saveThatCannotSucceed();
    void dataIsAPlainFile();
    void firstResetMakesNoBackup();
    void resetBacksUpTheStore();
    void backupFailureKeepsTheStore_data();
    void backupFailureKeepsTheStore();
    void templateFailureKeepsTheStore_data();
    void templateFailureKeepsTheStore();
};

void tst_Store::goldenBytesAndOrder()
{
    StoreFixture fx;
    QVERIFY(fx.fill({QStringLiteral("123,2012-5-6 9:5:00,mg/dL,-,-")}));
    const QByteArray golden =
        fileBytes(QStringLiteral(QUILLON_SOURCE_DIR "/tests/store/golden/one_reading.xml"));
    QVERIFY(!golden.isEmpty());
    QCOMPARE(fileBytes(fx.store()), golden);

    QVERIFY(SaveXmlItem(recordLine(2), fx.store()));
    QVERIFY(SaveXmlItem(recordLine(1), fx.store()));
    QCOMPARE(fx.texts(),
             QStringList({QStringLiteral("123,2012-5-6 9:5:00,mg/dL,-,-"), recordLine(2), recordLine(1)}));
    QVERIFY(fx.strays().isEmpty());

    // All readings out again: the template's bytes.
    QVERIFY(DelXmlItem(fx.store(), {kMinute}));
    QCOMPARE(fileBytes(fx.store()), fileBytes(sourceTemplatePath()));
}

void tst_Store::declarationKeptAsItIs_data()
{
    columns<QByteArray>("declaration");
    row("double quotes", QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>)"));
    row("single quotes", QByteArray("<?xml version='1.0' encoding='utf-8'?>"));
    row("standalone", QByteArray(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"));
    row("no encoding", QByteArray(R"(<?xml version="1.0"?>)"));
    row("none", QByteArray());
}

void tst_Store::declarationKeptAsItIs()
{
    QFETCH(QByteArray, declaration);
    StoreFixture fx;
    const QByteArray head = declaration.isEmpty() ? QByteArray() : declaration + '\n';
    QVERIFY(writeFileBytes(fx.templ(), head + "<Data>\n<xt/>\n</Data>\n"));
    QVERIFY(fx.fill({recordLine(1), recordLine(2)}));
    QVERIFY(DelXmlItem(fx.store(), {QStringLiteral("1,")}));
    QCOMPARE(fileBytes(fx.store()),
             head + "<Data>\n<xt>\n<item>2,2012-5-6 9:5:00,mg/dL,-,-</item>\n</xt>\n</Data>\n");
}

void tst_Store::lineRoundTrips_data()
{
    columns<QString>("line");
    row("parser's form", QStringLiteral("65535,2099-12-31 23:59:00,mg/dL,Ctrl,TEMP"));
    row("empty", QString());
    row("markup characters", QStringLiteral("<item>&amp;\"'</item>]]>"));
    row("line ends and tab", QStringLiteral("a\r\nb\rc\n\td"));
    row("edge blanks", QStringLiteral("  123,x  "));
    row("non-ASCII", QStringLiteral("123,µ€,\U0001D11E"));
}

void tst_Store::lineRoundTrips()
{
    QFETCH(QString, line);
    StoreFixture fx;
    QVERIFY(fx.fill({line, recordLine(7)}));
    QCOMPARE(fx.texts(), QStringList({line, recordLine(7)}));
    const QByteArray bytes = fileBytes(fx.store());
    QStringDecoder utf8(QStringDecoder::Utf8);
    (void)utf8(bytes);
    QVERIFY(!utf8.hasError());
    QVERIFY(!bytes.contains('\0'));
    // The values window hands the text back to pick the reading.
    QVERIFY(DelXmlItemsAt(fx.store(), {{0, line}}));
    QCOMPARE(fx.texts(), QStringList({recordLine(7)}));
}

void tst_Store::lineThatCannotBeStoredIsRefused_data()
{
    columns<QString>("line");
    row("control character", QStringLiteral("123,\x01"));
    row("NUL", QString(QChar(0)) + QStringLiteral("1"));
    row("lone surrogate", QString(QChar(0xD800)) + QStringLiteral("1"));
    row("U+FFFE", QString(QChar(0xFFFE)));
    row("blanks only", QStringLiteral(" \t "));
}

void tst_Store::lineThatCannotBeStoredIsRefused()
{
    QFETCH(QString, line);
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1)}));
    const QByteArray before = fileBytes(fx.store());
    QVERIFY(!SaveXmlItem(line, fx.store()));
    QCOMPARE(fileBytes(fx.store()), before);
}

void tst_Store::readItems_data()
{
    columns<QByteArray, StoreStatus, QStringList>("xml", "status", "texts");
    const auto ok = StoreStatus::Ok;
    const auto bad = StoreStatus::Unreadable;
    const S none;

    row("template", fileBytes(sourceTemplatePath()), ok, none);
    row("indented, CRLF",
        QByteArray("<Data>\r\n  <xt>\r\n    <item>a</item>\r\n\t<item>b</item>\r\n  </xt>\r\n</Data>\r\n"),
        ok, S({"a", "b"}));
    row("every kind of child",
        QByteArray("<Data><xt> <item>a&amp;b</item> text <![CDATA[cd]]> <!-- com --> <?pi data?> "
                   "<other>x<y> </y><y>y</y><!--no--><![CDATA[ ]]></other> &#32;&#xA0; <item> </item> "
                   "<item/></xt></Data>"),
        ok, S({"a&b", " text ", "cd", " com ", "data", "xy ", "", ""}));
    row("blank CDATA is a node", QByteArray("<Data><xt><![CDATA[  ]]></xt></Data>"), ok, S({"  "}));
    row("first xt only", QByteArray("<Data><xt><item>a</item></xt><xt><item>b</item></xt></Data>"), ok,
        S({"a"}));
    row("xt after other", QByteArray("<Data><xs><item>x</item></xs><xt><item>a</item></xt></Data>"), ok,
        S({"a"}));
    row("prolog and DTD entity",
        QByteArray("<?xml version=\"1.0\"?><!-- c --><!DOCTYPE Data [<!ENTITY e \"xyz\">]>"
                   "<Data><xt><item>1&e;2</item></xt></Data><!-- after -->"),
        ok, S({"1xyz2"}));
    row("BOM", QByteArray("\xEF\xBB\xBF<Data><xt><item>a</item></xt></Data>"), ok, S({"a"}));

    row("empty file", QByteArray(), bad, none);
    row("blanks only", QByteArray(" \n"), bad, none);
    row("not XML", QByteArray("123,2012-5-6 9:5:00,mg/dL,-,-\n"), bad, none);
    row("truncated", QByteArray("<Data>\n<xt>\n<item>1</item>\n<item>2</it"), bad, none);
    row("unclosed xt", QByteArray("<Data><xt><item>1</item>"), bad, none);
    row("error after xt", QByteArray("<Data><xt><item>1</item></xt><b></Data>"), bad, none);
    row("junk after Data", QByteArray("<Data><xt/></Data>junk"), bad, none);
    row("no xt", QByteArray("<Data><xs/></Data>"), bad, none);
    row("xt not under Data", QByteArray("<Data><a><xt><item>1</item></xt></a></Data>"), bad, none);
    row("lower-case data", QByteArray("<data><xt/></data>"), bad, none);
    row("prefixed Data", QByteArray("<p:Data xmlns:p=\"u\"><xt/></p:Data>"), bad, none);
    row("undeclared entity", QByteArray("<Data><xt><item>&x;</item></xt></Data>"), bad, none);
}

void tst_Store::readItems()
{
    const auto [xml, status, texts] = cells<QByteArray, StoreStatus, QStringList>("xml", "status", "texts");
    StoreFixture fx;
    QVERIFY(writeFileBytes(fx.store(), xml));
    const StoreItems items = ReadStoreItems(fx.store());
    QCOMPARE(items.status, status);
    QCOMPARE(items.texts, texts);
}

// The values window counts positions in what ReadStoreItems gives; the delete counts them in the
// DOM. Removing one position at a time must take exactly that entry and nothing else.
void tst_Store::positionsAreDomPositions()
{
    const auto [xml, status, texts] = cells<QByteArray, StoreStatus, QStringList>("xml", "status", "texts");
    StoreFixture fx;
    if (status != StoreStatus::Ok) {
        QVERIFY(writeFileBytes(fx.store(), xml));
        QVERIFY(!DelXmlItemsAt(fx.store(), {{0, QString()}}));
        QCOMPARE(fileBytes(fx.store()), xml);
        return;
    }
    for (int i = 0; i < texts.size(); ++i) {
        QVERIFY(writeFileBytes(fx.store(), xml));
        QVERIFY(DelXmlItemsAt(fx.store(), {{i, texts.at(i)}}));
        QStringList expected = texts;
        expected.removeAt(i);
        QCOMPARE(fx.texts(), expected);
    }
}

// The largest upload the meter's count allows.
void tst_Store::manyItems()
{
    constexpr int count = 65535;
    QByteArray items = "<xt>\n";
    for (int i = 0; i < count; ++i)
        items += "<item>" + recordLine(i).toLatin1() + "</item>\n";
    StoreFixture fx;
    QVERIFY(writeFileBytes(fx.store(), fileBytes(sourceTemplatePath()).replace("<xt/>", items + "</xt>")));
    const StoreItems read = ReadStoreItems(fx.store());
    QCOMPARE(read.status, StoreStatus::Ok);
    QCOMPARE(read.texts.size(), count);
    QCOMPARE(read.texts.last(), recordLine(count - 1));
}

void tst_Store::missingStoreStaysMissing()
{
    StoreFixture fx;
    QCOMPARE(ReadStoreItems(fx.store()).status, StoreStatus::Missing);
    QVERIFY(!SaveXmlItem(recordLine(1), fx.store()));
    QVERIFY(DelXmlItem(fx.store(), {kMinute}));
    QVERIFY(DelXmlItemsAt(fx.store(), {{0, recordLine(1)}}));
    QVERIFY(QDir(fx.dataDir()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

void tst_Store::deleteByKeys_data()
{
    columns<QStringList, Ints>("keys", "kept"); // kept: positions in the fixed readings of deleteByKeys()
    const Ints all = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    row("no keys", S(), all);
    row("one empty key", S({QString()}), all);
    row("all keys empty", S({QString(), QString(), QString()}), all);
    row("date-time takes its whole minute", S({kMinute}), Ints({1, 3, 4, 6, 7, 8, 9}));
    row("empty keys around one", S({QString(), kMinute, QString()}), Ints({1, 3, 4, 6, 7, 8, 9}));
    row("two keys", S({"2012-5-16 9:5:00", "19:5:00"}), Ints({0, 2, 4, 5, 6, 7, 8, 9}));
    row("plain substring", S({"9:5"}), Ints({6, 7, 8, 9}));
    row("no match", S({"2013-"}), all);
    row("case-sensitive", S({"MG/DL"}), all);
    row("star is no wildcard", S({"2012*9:5:00"}), all);
    row("question mark is no wildcard", S({"10?,"}), all);
    row("bracket is no class", S({"[0-9]"}), all);
    row("hash is no digit", S({"10#"}), all);
    row("star matches itself", S({"*"}), Ints({0, 1, 2, 3, 4, 5, 7, 8, 9}));
    row("question mark matches itself", S({"?"}), Ints({0, 1, 2, 3, 4, 5, 6, 8, 9}));
    row("bracket matches itself", S({"[1]"}), Ints({0, 1, 2, 3, 4, 5, 6, 7, 9}));
    row("hash matches itself", S({"#"}), Ints({0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

void tst_Store::deleteByKeys()
{
    const auto [keys, kept] = cells<QStringList, Ints>("keys", "kept");
    const QStringList lines = {recordLine(101, kMinute),
                               recordLine(102, "2012-5-6 19:5:00"),
                               recordLine(103, kMinute),
                               recordLine(104, "2012-5-16 9:5:00"),
                               recordLine(105, "2012-5-6 9:50:00"),
                               recordLine(106, kMinute),
                               "1*,a",
                               "1?,b",
                               "[1],c",
                               "#1,d"};
    StoreFixture fx;
    QVERIFY(fx.fill(lines));
    const QByteArray before = fileBytes(fx.store());
    QVERIFY(DelXmlItem(fx.store(), keys));
    QStringList expected;
    for (int i : kept)
        expected << lines.at(i);
    QCOMPARE(fx.texts(), expected);
    if (kept.size() == lines.size())
        QCOMPARE(fileBytes(fx.store()), before);
}

void tst_Store::deleteAt_data()
{
    // count readings recordLine(0..count-1), 2 and 3 sharing a text; picks: positions, each with
    // the text the store has there; stale: positions given with a text the store does not have there.
    columns<int, Ints, Ints, Ints>("count", "picks", "stale", "gone");
    row("one", 5, Ints({1}), Ints(), Ints({1}));
    row("one of two alike", 5, Ints({3}), Ints(), Ints({3}));
    row("both alike", 5, Ints({2, 3}), Ints(), Ints({2, 3}));
    row("same pick twice", 5, Ints({4, 4}), Ints(), Ints({4}));
    row("stale text kept", 5, Ints({0}), Ints({1}), Ints({0}));
    row("outside the store", 5, Ints(), Ints({-1, 5, 99}), Ints());
    row("beyond 51 rows", 60, Ints({51, 52, 59}), Ints(), Ints({51, 52, 59}));
    row("nothing", 3, Ints(), Ints(), Ints());
}

void tst_Store::deleteAt()
{
    const auto [count, picks, stale, gone] = cells<int, Ints, Ints, Ints>("count", "picks", "stale", "gone");
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << recordLine(i == 3 ? 2 : i);
    StoreFixture fx;
    QVERIFY(fx.fill(lines));
    const QByteArray before = fileBytes(fx.store());
    QVector<StoreItemRef> refs;
    for (int p : picks)
        refs.append({p, lines.at(p)});
    for (int p : stale)
        refs.append({p, recordLine(1000 + p)});
    int notFound = -1;
    QVERIFY(DelXmlItemsAt(fx.store(), refs, &notFound));
    QCOMPARE(notFound, int(stale.size()));
    QStringList expected;
    for (int i = 0; i < count; ++i) {
        if (!gone.contains(i))
            expected << lines.at(i);
    }
    QCOMPARE(fx.texts(), expected);
    if (gone.isEmpty())
        QCOMPARE(fileBytes(fx.store()), before);
}

// A hand-edited store may hold text, processing instructions or another encoding beside its
// items. Saving some of them would change entries the edit never touched (two texts joined, a
// line break after an instruction, a store that no longer parses, text re-encoded): refused.
void tst_Store::entriesBesideItemsSurviveEdits_data()
{
    // deleteAt -1: append recordLine(9); after empty: the edit is refused and the file kept.
    columns<QByteArray, int, QStringList>("xml", "deleteAt", "after");
    const S refused;
    row("plain items", QByteArray("<Data><xt><item>a</item><item>b</item></xt></Data>"), -1,
        S({"a", "b", recordLine(9)}));
    row("comment beside items", QByteArray("<Data><xt><!--c--><item>a</item></xt></Data>"), 0, S({"a"}));
    row("delete between two texts", QByteArray("<Data><xt>a<item>x</item>b</xt></Data>"), 1, refused);
    row("text after a PI", QByteArray("<Data><xt><?pi d?>x</xt></Data>"), -1, refused);
    row("PI inside an item", QByteArray("<Data><xt><item>a<?pi d?>b</item></xt></Data>"), -1, refused);
    row("control character in a PI",
        QByteArray("<Data><xt><?pi\x19"
                   "d?></xt></Data>"),
        -1, refused);
    row("declared ISO-8859-1",
        QByteArray(
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Data><xt><item>\xe9</item></xt></Data>"),
        -1, refused);
}

void tst_Store::entriesBesideItemsSurviveEdits()
{
    const auto [xml, deleteAt, after] = cells<QByteArray, int, QStringList>("xml", "deleteAt", "after");
    StoreFixture fx;
    QVERIFY(writeFileBytes(fx.store(), xml));
    const StoreItems before = ReadStoreItems(fx.store());
    QCOMPARE(before.status, StoreStatus::Ok);
    const bool done = deleteAt < 0 ? SaveXmlItem(recordLine(9), fx.store())
                                   : DelXmlItemsAt(fx.store(), {{deleteAt, before.texts.at(deleteAt)}});
    QCOMPARE(done, !after.isEmpty());
    if (!done)
        QCOMPARE(fileBytes(fx.store()), xml);
    else
        QCOMPARE(fx.texts(), after);
}

void tst_Store::savesArePrivate()
{
#ifndef Q_OS_UNIX
    QSKIP("POSIX permissions only");
#else
    const auto open =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1), recordLine(2), recordLine(3)}));
    QCOMPARE(posixMode(fx.store()), 0600);
    QVERIFY(writeFileBytes(fx.backup(), "older backup"));
    QVERIFY(QFile::setPermissions(fx.backup(), open));
    const std::function<bool()> edits[] = {
        [&] { return SaveXmlItem(recordLine(4), fx.store()); },
        [&] { return DelXmlItem(fx.store(), {QStringLiteral("4,")}); },
        [&] {
            return DelXmlItemsAt(fx.store(), {{0, recordLine(1)}});
        },
        [&] { return ResetStoreFromTemplate(fx.store(), fx.templ()) == StoreResetResult::Ok; },
    };
    for (const auto &edit : edits) {
        QVERIFY(QFile::setPermissions(fx.store(), open));
        QVERIFY(edit());
        QCOMPARE(posixMode(fx.store()), 0600);
    }
    QCOMPARE(posixMode(fx.backup()), 0600);
    QVERIFY(fx.strays().isEmpty());
#endif
}

void tst_Store::damagedStoreIsLeftAlone_data()
{
    columns<QByteArray>("bytes");
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1), recordLine(2), recordLine(3)}));
    const QByteArray whole = fileBytes(fx.store());
    constexpr int fiftyMegabytes = 50 * 1024 * 1024;
    row("truncated", whole.left(whole.size() / 2));
    row("truncated last tag", whole.left(whole.size() - 3));
    row("empty file", QByteArray());
    row("not XML", QByteArray("123,2012-5-6 9:5:00,mg/dL,-,-\n"));
    row("binary", QByteArray("\x00\xff\x10<Data>", 9));
    row("no xt", QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Data>\n</Data>\n"));
    row("no Data", QByteArray("<Store>\n<xt>\n<item>1,2012-5-6 9:5:00,mg/dL,-,-</item>\n</xt>\n</Store>\n"));
    row("junk after", whole + "<Data/>");
    row("50 MB, not XML", QByteArray(fiftyMegabytes, 'x'));
    row("50 MB, damaged after the first item",
        QByteArray("<Data><xt><item>1,2012-5-6 9:5:00,mg/dL,-,-</item>") + QByteArray(fiftyMegabytes, '<'));
}

void tst_Store::damagedStoreIsLeftAlone()
{
    QFETCH(QByteArray, bytes);
    StoreFixture fx;
    QVERIFY(writeFileBytes(fx.store(), bytes));
    QCOMPARE(ReadStoreItems(fx.store()).status, StoreStatus::Unreadable);
    expectAllFailUntouched(fx, bytes, QString());
    // Even a delete with nothing to delete does not pass a damaged store as fine.
    QVERIFY(!DelXmlItem(fx.store(), {}));
    QCOMPARE(fileBytes(fx.store()), bytes);
}

void tst_Store::saveThatCannotSucceed_data()
{
    obstacleRows("store is a folder");
}

void tst_Store::saveThatCannotSucceed()
{
    QFETCH(QString, how);
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1), recordLine(2), recordLine(3)}));
    if (how == QLatin1String("folder")) {
        QVERIFY(QFile::remove(fx.store()) && QDir().mkpath(fx.store()));
        QCOMPARE(ReadStoreItems(fx.store()).status, StoreStatus::Unreadable);
    }
    const QByteArray before = fileBytes(fx.store());
    Obstacle obstacle(how, fx.dataDir());
    if (how != QLatin1String("folder") && !obstacle.on())
        QSKIP("cannot make saves fail here for this user");
    expectAllFailUntouched(fx, before, recordLine(1));
    obstacle.lift();
    if (how == QLatin1String("folder"))
        QVERIFY(QFileInfo(fx.store()).isDir());
    else
        QCOMPARE(fx.texts(), QStringList({recordLine(1), recordLine(2), recordLine(3)}));
}

void tst_Store::dataIsAPlainFile()
{
    StoreFixture fx;
    QVERIFY(QDir(fx.dataDir()).removeRecursively());
    QVERIFY(writeFileBytes(fx.dataDir(), "not a folder"));
    QVERIFY(!SaveXmlItem(recordLine(1), fx.store()));
    QVERIFY(DelXmlItem(fx.store(), {QStringLiteral("1")})); // no store: nothing to delete
    QCOMPARE(ResetStoreFromTemplate(fx.store(), fx.templ()), StoreResetResult::TemplateFailed);
    QCOMPARE(fileBytes(fx.dataDir()), QByteArray("not a folder"));
}

void tst_Store::firstResetMakesNoBackup()
{
    StoreFixture fx;
    QVERIFY(QDir(fx.dataDir()).removeRecursively());
    QCOMPARE(ResetStoreFromTemplate(fx.store(), fx.templ()), StoreResetResult::Ok);
    QCOMPARE(fileBytes(fx.store()), fileBytes(sourceTemplatePath()));
    QCOMPARE(fileBytes(fx.templ()), fileBytes(sourceTemplatePath()));
    QVERIFY(!QFileInfo::exists(fx.backup()));
#ifdef Q_OS_UNIX
    QCOMPARE(posixMode(fx.store()), 0600);
#endif
}

void tst_Store::resetBacksUpTheStore()
{
    StoreFixture fx;
    QVERIFY(
        writeFileBytes(fx.backup(), "an older backup, bigger than the store it will be replaced by......"));
    QVERIFY(fx.fill({recordLine(1), recordLine(2)}));
    const QByteArray old = fileBytes(fx.store());
    QCOMPARE(ResetStoreFromTemplate(fx.store(), fx.templ()), StoreResetResult::Ok);
    QCOMPARE(fileBytes(fx.backup()), old);
    QCOMPARE(fileBytes(fx.store()), fileBytes(fx.templ()));
    QVERIFY(fx.strays().isEmpty());
}

void tst_Store::backupFailureKeepsTheStore_data()
{
    obstacleRows("backup is a folder");
}

void tst_Store::backupFailureKeepsTheStore()
{
    QFETCH(QString, how);
    const bool folder = how == QLatin1String("folder");
    StoreFixture fx;
    QVERIFY(folder ? QDir().mkpath(fx.backup()) : writeFileBytes(fx.backup(), "previous backup"));
    QVERIFY(fx.fill({recordLine(1), recordLine(2)}));
    const QByteArray old = fileBytes(fx.store());
    Obstacle obstacle(how, fx.dataDir());
    if (!folder && !obstacle.on())
        QSKIP("cannot make saves fail here for this user");
    const StoreResetResult result = ResetStoreFromTemplate(fx.store(), fx.templ());
    obstacle.lift();
    QCOMPARE(result, StoreResetResult::BackupFailed);
    QCOMPARE(fileBytes(fx.store()), old);
    if (folder)
        QVERIFY(QFileInfo(fx.backup()).isDir());
    else
        QCOMPARE(fileBytes(fx.backup()), QByteArray("previous backup"));
    QVERIFY(fx.strays().isEmpty());
}

void tst_Store::templateFailureKeepsTheStore_data()
{
    columns<QString, QByteArray>("how", "templ");
    row("missing", QStringLiteral("missing"), QByteArray());
    row("empty", QString(), QByteArray());
    row("not XML", QString(), QByteArray("Data xt"));
    row("no xt", QString(), QByteArray("<Data/>"));
    row("store cannot be replaced", QStringLiteral("immutable"), fileBytes(sourceTemplatePath()));
}

void tst_Store::templateFailureKeepsTheStore()
{
    const auto [how, templ] = cells<QString, QByteArray>("how", "templ");
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1)}));
    const QByteArray old = fileBytes(fx.store());
    QVERIFY(QFile::remove(fx.templ()));
    if (how != QLatin1String("missing"))
        QVERIFY(writeFileBytes(fx.templ(), templ));
    Obstacle obstacle(how, fx.store()); // the backup can be written, the store not replaced
    if (how == QLatin1String("immutable") && !obstacle.on())
        QSKIP("cannot make a file immutable here");
    QCOMPARE(ResetStoreFromTemplate(fx.store(), fx.templ()), StoreResetResult::TemplateFailed);
    QCOMPARE(fileBytes(fx.store()), old);
    QCOMPARE(fileBytes(fx.backup()), old);
    QVERIFY(fx.strays().isEmpty());
}

QTEST_GUILESS_MAIN(tst_Store)
#include "tst_store.moc"
