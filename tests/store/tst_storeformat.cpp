// The store's bytes: the golden file, the template, declarations, what round-trips, and which
// child nodes of xt the report gets.

#include "storefixture.h"

#include <QDomDocument>
#include <QStringDecoder>
#include <QTest>

class tst_StoreFormat : public QObject
{
    Q_OBJECT

private slots:
    void appendToTemplateMatchesGolden();
    void templateIsAnEmptyStoreAndAFixedPoint();
    void declarationKeptAsItIs_data();
    void declarationKeptAsItIs();
    void lineRoundTrips_data();
    void lineRoundTrips();
    void lineThatCannotBeStoredIsRefused_data();
    void lineThatCannotBeStoredIsRefused();
    void readItems_data();
    void readItems();
    void readItemsOfMissingStore();
    void positionsAreDomPositions_data() { readItems_data(); }
    void positionsAreDomPositions();
    void manyItems();
};

void tst_StoreFormat::appendToTemplateMatchesGolden()
{
    StoreFixture fx;
    QVERIFY(fx.valid());
    QVERIFY(fx.fill({QStringLiteral("123,2012-5-6 9:5:00,mg/dL,-,-")}));
    const QByteArray golden =
        fileBytes(QStringLiteral(QUILLON_SOURCE_DIR "/tests/store/golden/one_reading.xml"));
    QVERIFY(!golden.isEmpty());
    QCOMPARE(fileBytes(fx.store()), golden);
}

void tst_StoreFormat::templateIsAnEmptyStoreAndAFixedPoint()
{
    StoreFixture fx;
    const QByteArray templ = fileBytes(fx.templ());
    QVERIFY(templ.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"));
    const StoreItems items = ReadStoreItems(fx.templ());
    QCOMPARE(items.status, StoreStatus::Ok);
    QVERIFY(items.texts.isEmpty());

    // Two readings in, both out again: the bytes are the template's.
    QVERIFY(fx.fill({recordLine(1), recordLine(2)}));
    QVERIFY(DelXmlItem(fx.store(), {QStringLiteral("2012-5-6 9:5:00")}));
    QCOMPARE(fileBytes(fx.store()), templ);
}

void tst_StoreFormat::declarationKeptAsItIs_data()
{
    QTest::addColumn<QByteArray>("declaration");
    QTest::newRow("double quotes") << QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>)");
    QTest::newRow("single quotes") << QByteArray("<?xml version='1.0' encoding='utf-8'?>");
    QTest::newRow("standalone") << QByteArray(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)");
    QTest::newRow("no encoding") << QByteArray(R"(<?xml version="1.0"?>)");
    QTest::newRow("none") << QByteArray();
}

void tst_StoreFormat::declarationKeptAsItIs()
{
    QFETCH(QByteArray, declaration);
    StoreFixture fx;
    QByteArray templ = "<Data>\n<xt/>\n</Data>\n";
    if (!declaration.isEmpty())
        templ.prepend(declaration + '\n');
    QVERIFY(writeFileBytes(fx.templ(), templ));
    QVERIFY(fx.fill({recordLine(1), recordLine(2)}));
    QVERIFY(DelXmlItem(fx.store(), {QStringLiteral("1,")}));

    const QByteArray expected = (declaration.isEmpty() ? QByteArray() : declaration + '\n') +
                                "<Data>\n<xt>\n<item>2,2012-5-6 9:5:00,mg/dL,-,-</item>\n</xt>\n</Data>\n";
    QCOMPARE(fileBytes(fx.store()), expected);
}

void tst_StoreFormat::lineRoundTrips_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("parser's form") << QStringLiteral("65535,2099-12-31 23:59:00,mg/dL,Ctrl,TEMP");
    QTest::newRow("empty") << QString();
    QTest::newRow("markup characters") << QStringLiteral("<item>&amp;\"'</item>]]>");
    QTest::newRow("line ends and tab") << QStringLiteral("a\r\nb\rc\n\td");
    QTest::newRow("edge blanks") << QStringLiteral("  123,x  ");
    QTest::newRow("non-ASCII") << QStringLiteral("123,µ€,\U0001D11E");
}

void tst_StoreFormat::lineRoundTrips()
{
    QFETCH(QString, line);
    StoreFixture fx;
    QVERIFY(fx.fill({line, recordLine(7)}));
    QCOMPARE(fx.texts(), QStringList({line, recordLine(7)}));

    const QByteArray bytes = fileBytes(fx.store());
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(bytes);
    QVERIFY(!utf8.hasError());
    QVERIFY(!bytes.contains('\0'));
    Q_UNUSED(decoded);

    // The values window hands the text back to pick the reading.
    QVERIFY(DelXmlItemsAt(fx.store(), {{0, line}}));
    QCOMPARE(fx.texts(), QStringList({recordLine(7)}));
}

void tst_StoreFormat::lineThatCannotBeStoredIsRefused_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("control character") << QStringLiteral("123,\x01");
    QTest::newRow("NUL") << QString(QChar(0)) + QStringLiteral("1");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + QStringLiteral("1");
    QTest::newRow("U+FFFE") << QString(QChar(0xFFFE));
    QTest::newRow("blanks only") << QStringLiteral(" \t ");
}

void tst_StoreFormat::lineThatCannotBeStoredIsRefused()
{
    QFETCH(QString, line);
    StoreFixture fx;
    QVERIFY(fx.fill({recordLine(1)}));
    const QByteArray before = fileBytes(fx.store());
    QVERIFY(!SaveXmlItem(line, fx.store()));
    QCOMPARE(fileBytes(fx.store()), before);
}

void tst_StoreFormat::readItems_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<StoreStatus>("status");
    QTest::addColumn<QStringList>("texts");
    const auto ok = StoreStatus::Ok;
    const auto bad = StoreStatus::Unreadable;

    QTest::newRow("template") << fileBytes(sourceTemplatePath()) << ok << QStringList();
    QTest::newRow("indented, CRLF") << QByteArray(
                                           "<Data>\r\n  <xt>\r\n    <item>a</item>\r\n\t<item>b</item>\r\n  "
                                           "</xt>\r\n</Data>\r\n")
                                    << ok << QStringList({"a", "b"});
    QTest::newRow("every kind of child")
        << QByteArray("<Data><xt> <item>a&amp;b</item> text <![CDATA[cd]]> <!-- com --> <?pi data?> "
                      "<other>x<y> </y><y>y</y><!--no--><![CDATA[ ]]></other> &#32;&#xA0; <item> </item> "
                      "<item/></xt></Data>")
        << ok << QStringList({"a&b", " text ", "cd", " com ", "data", "xy ", "", ""});
    QTest::newRow("blank CDATA is a node")
        << QByteArray("<Data><xt><![CDATA[  ]]></xt></Data>") << ok << QStringList({"  "});
    QTest::newRow("first xt only") << QByteArray(
                                          "<Data><xt><item>a</item></xt><xt><item>b</item></xt></Data>")
                                   << ok << QStringList({"a"});
    QTest::newRow("xt after other") << QByteArray(
                                           "<Data><xs><item>x</item></xs><xt><item>a</item></xt></Data>")
                                    << ok << QStringList({"a"});
    QTest::newRow("prolog and DTD entity")
        << QByteArray("<?xml version=\"1.0\"?><!-- c --><!DOCTYPE Data [<!ENTITY e \"xyz\">]>"
                      "<Data><xt><item>1&e;2</item></xt></Data><!-- after -->")
        << ok << QStringList({"1xyz2"});
    QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBF<Data><xt><item>a</item></xt></Data>") << ok
                         << QStringList({"a"});

    QTest::newRow("empty file") << QByteArray() << bad << QStringList();
    QTest::newRow("blanks only") << QByteArray(" \n") << bad << QStringList();
    QTest::newRow("not XML") << QByteArray("123,2012-5-6 9:5:00,mg/dL,-,-\n") << bad << QStringList();
    QTest::newRow("truncated") << QByteArray("<Data>\n<xt>\n<item>1</item>\n<item>2</it") << bad
                               << QStringList();
    QTest::newRow("unclosed xt") << QByteArray("<Data><xt><item>1</item>") << bad << QStringList();
    QTest::newRow("error after xt") << QByteArray("<Data><xt><item>1</item></xt><b></Data>") << bad
                                    << QStringList();
    QTest::newRow("junk after Data") << QByteArray("<Data><xt/></Data>junk") << bad << QStringList();
    QTest::newRow("no xt") << QByteArray("<Data><xs/></Data>") << bad << QStringList();
    QTest::newRow("xt not under Data")
        << QByteArray("<Data><a><xt><item>1</item></xt></a></Data>") << bad << QStringList();
    QTest::newRow("lower-case data") << QByteArray("<data><xt/></data>") << bad << QStringList();
    QTest::newRow("prefixed Data") << QByteArray("<p:Data xmlns:p=\"u\"><xt/></p:Data>") << bad
                                   << QStringList();
    QTest::newRow("undeclared entity")
        << QByteArray("<Data><xt><item>&x;</item></xt></Data>") << bad << QStringList();
}

void tst_StoreFormat::readItems()
{
    QFETCH(QByteArray, xml);
    QFETCH(StoreStatus, status);
    QFETCH(QStringList, texts);
    StoreFixture fx;
    QVERIFY(writeFileBytes(fx.store(), xml));
    const StoreItems items = ReadStoreItems(fx.store());
    QCOMPARE(items.status, status);
    QCOMPARE(items.texts, texts);
}

void tst_StoreFormat::readItemsOfMissingStore()
{
    StoreFixture fx;
    const StoreItems items = ReadStoreItems(fx.store());
    QCOMPARE(items.status, StoreStatus::Missing);
    QVERIFY(items.texts.isEmpty());
}

// The values window counts positions in what ReadStoreItems gives; the delete counts them in the
// DOM. Removing one position at a time must take exactly that entry and nothing else.
void tst_StoreFormat::positionsAreDomPositions()
{
    QFETCH(QByteArray, xml);
    QFETCH(StoreStatus, status);
    QFETCH(QStringList, texts);
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

void tst_StoreFormat::manyItems()
{
    // The largest upload the meter's count allows, written the way the store writes it.
    constexpr int count = 65535;
    QByteArray xml = fileBytes(sourceTemplatePath());
    QByteArray items = "<xt>\n";
    for (int i = 0; i < count; ++i)
        items += "<item>" + recordLine(i).toLatin1() + "</item>\n";
    items += "</xt>";
    xml.replace("<xt/>", items);
    StoreFixture fx;
    QVERIFY(writeFileBytes(fx.store(), xml));
    const StoreItems read = ReadStoreItems(fx.store());
    QCOMPARE(read.status, StoreStatus::Ok);
    QCOMPARE(read.texts.size(), count);
    QCOMPARE(read.texts.first(), recordLine(0));
    QCOMPARE(read.texts.last(), recordLine(count - 1));
}

QTEST_GUILESS_MAIN(tst_StoreFormat)
#include "tst_storeformat.moc"
