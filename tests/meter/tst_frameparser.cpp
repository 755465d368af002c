#include "frameparser.h"

#include <QtTest>

class tst_FrameParser : public QObject
{
    Q_OBJECT
private slots:
    void readingCount_data();
    void readingCount();
    void recordLine_data();
    void recordLine();
    void dateTimeIsChecked_data();
    void dateTimeIsChecked();
};

void tst_FrameParser::readingCount_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("count");
    QTest::newRow("3") << "FC020003CC" << 3;
    QTest::newRow("high byte first") << "FC020100CC" << 256;
    QTest::newRow("largest") << "FC02FFFFCC" << 65535;
    QTest::newRow("none") << "FC020000CC" << 0;
    QTest::newRow("other bytes not examined") << "0000000A00" << 10;
    QTest::newRow("longer answer") << "FC020064CCAABBCCDD" << 100;
}

void tst_FrameParser::readingCount()
{
    QFETCH(QString, answer);
    QFETCH(int, count);
    QCOMPARE(frameparser::readingCount(answer), count);
}

void tst_FrameParser::recordLine_data()
{
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("line");
    const QDate in2026(2026, 3, 5);
    QTest::newRow("control mark") << "FC001A03050E07007B01" << in2026 << "123,2026-3-5 14:7:00,mg/dL,Ctrl,-";
    QTest::newRow("flags 00") << "FC001A03050E07007B00" << in2026 << "123,2026-3-5 14:7:00,mg/dL,-,-";
    QTest::newRow("flags 03") << "FC001A03050E07007B03" << in2026 << "123,2026-3-5 14:7:00,mg/dL,Ctrl,TEMP";
    QTest::newRow("flags 02") << "FC001A03050E07007B02" << in2026 << "123,2026-3-5 14:7:00,mg/dL,-,TEMP";
    QTest::newRow("other flag bits ignored")
        << "FC001A03050E07007BFC" << in2026 << "123,2026-3-5 14:7:00,mg/dL,-,-";
    QTest::newRow("value FFFF") << "FC001A03050E07FFFF00" << in2026 << "65535,2026-3-5 14:7:00,mg/dL,-,-";
    QTest::newRow("value 0") << "FC001A03050E07000000" << in2026 << "0,2026-3-5 14:7:00,mg/dL,-,-";
    QTest::newRow("no leading zeros") << "FC000C05060905007B00" << in2026 << "123,2012-5-6 9:5:00,mg/dL,-,-";
    QTest::newRow("midnight") << "FC001A0C1F000000C800" << in2026 << "200,2026-12-31 0:0:00,mg/dL,-,-";
    QTest::newRow("year 05 has four digits")
        << "FC000501010800006400" << in2026 << "100,2005-1-1 8:0:00,mg/dL,-,-";
    QTest::newRow("year 00") << "FC000001010800006400" << in2026 << "100,2000-1-1 8:0:00,mg/dL,-,-";
    QTest::newRow("year 10") << "FC000A01010800006400" << in2026 << "100,2010-1-1 8:0:00,mg/dL,-,-";
    QTest::newRow("century from today")
        << "FC000C05060905007B00" << QDate(2105, 1, 1) << "123,2112-5-6 9:5:00,mg/dL,-,-";
    QTest::newRow("start byte not checked")
        << "00FF1A03050E07007B00" << in2026 << "123,2026-3-5 14:7:00,mg/dL,-,-";
}

void tst_FrameParser::recordLine()
{
    QFETCH(QString, frame);
    QFETCH(QDate, today);
    QFETCH(QString, line);
    QCOMPARE(frame.size(), frameparser::FrameDigits);
    QCOMPARE(frameparser::recordLine(frameparser::decodeFrame(frame), today), line);
}

void tst_FrameParser::dateTimeIsChecked_data()
{
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<bool>("valid");
    const QDate in2026(2026, 3, 5);
    QTest::newRow("a reading") << "FC001A03050E07007B01" << in2026 << true;
    QTest::newRow("year 00, 1 January 0:00") << "FC000001010000006400" << in2026 << true;
    QTest::newRow("year 99, 31 December 23:59") << "FC00630C1F173B006400" << in2026 << true;
    QTest::newRow("29 February 2024") << "FC0018021D0800006400" << in2026 << true;
    QTest::newRow("29 February 2025") << "FC0019021D0800006400" << in2026 << false;
    QTest::newRow("29 February 2100, next century") << "FC0000021D0800006400" << QDate(2101, 1, 1) << false;
    QTest::newRow("year byte 100") << "FC006401010800006400" << in2026 << false;
    QTest::newRow("month 0") << "FC001A00050E07007B01" << in2026 << false;
    QTest::newRow("month 13") << "FC001A0D050E07007B01" << in2026 << false;
    QTest::newRow("day 0") << "FC001A03000E07007B01" << in2026 << false;
    QTest::newRow("31 April") << "FC001A041F0E07007B01" << in2026 << false;
    QTest::newRow("hour 24") << "FC001A03051800007B01" << in2026 << false;
    QTest::newRow("minute 60") << "FC001A03050E3C007B01" << in2026 << false;
}

void tst_FrameParser::dateTimeIsChecked()
{
    QFETCH(QString, frame);
    QFETCH(QDate, today);
    QFETCH(bool, valid);
    QCOMPARE(frame.size(), frameparser::FrameDigits);
    QCOMPARE(frameparser::hasValidDateTime(frameparser::decodeFrame(frame), today), valid);
}

QTEST_APPLESS_MAIN(tst_FrameParser)
#include "tst_frameparser.moc"
