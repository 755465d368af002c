#include "numbertext.h"

#include <QtTest>
#include <cmath>

using namespace numbertext;

class TestNumberText : public QObject
{
    Q_OBJECT
private slots:
    void toInt16_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "600" << true << 600;
        QTest::newRow("blanks around") << "  80 " << true << 80;
        QTest::newRow("half to even down") << "12.5" << true << 12;
        QTest::newRow("half to even up") << "13.5" << true << 14;
        QTest::newRow("negative") << "-20" << true << -20;
        QTest::newRow("lowest") << "-32768" << true << -32768;
        QTest::newRow("highest") << "32767.4" << true << 32767;
        QTest::newRow("too large") << "32768" << false << 0;
        QTest::newRow("rounds out of range") << "32767.5" << false << 0;
        QTest::newRow("huge") << "1e300" << false << 0;
        QTest::newRow("exponent") << "6e2" << true << 600;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("number then letters") << "600x" << false << 0;
        QTest::newRow("infinity word") << "inf" << false << 0;
        QTest::newRow("nan word") << "nan" << false << 0;
        QTest::newRow("comma decimal") << "1,5" << false << 0;
        QTest::newRow("2000 digits") << QString(2000, u'9') << false << 0;
    }
    void toInt16()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        const auto v = numbertext::toInt16(text);
        QCOMPARE(v.has_value(), ok);
        if (ok)
            QCOMPARE(int(*v), value);
    }

    void toInt32Range()
    {
        QCOMPARE(numbertext::toInt32(QStringLiteral("2147483647")).value_or(0), 2147483647);
        QVERIFY(!numbertext::toInt32(QStringLiteral("2147483648")));
        QCOMPARE(numbertext::toInt32(QStringLiteral("20.5")).value_or(0), 20);
    }

    void leadingNumberSkippingBlanks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("7 Day") << "7 Day" << 7.0;
        QTest::newRow("45 Day") << "45 Day" << 45.0;
        QTest::newRow("9999 Day") << "9999 Day" << 9999.0;
        QTest::newRow("abc") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("fraction") << "1.5 Day" << 1.5;
        QTest::newRow("leading blanks") << "   30 Day" << 30.0;
        QTest::newRow("blanks inside") << "1 5 Day" << 15.0;
        QTest::newRow("exponent") << "1e3 Day" << 1000.0;
        QTest::newRow("negative") << "-3 Day" << -3.0;
        QTest::newRow("sign only") << "- Day" << 0.0;
        QTest::newRow("point only") << ". Day" << 0.0;
        QTest::newRow("User") << "User" << 0.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("e without digits") << "2e Day" << 2.0;
    }
    void leadingNumberSkippingBlanks()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(numbertext::leadingNumberSkippingBlanks(text), value);
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "123" << 123.0;
        QTest::newRow("leading blanks") << "  99" << 99.0;
        QTest::newRow("blank stops") << "1 2" << 1.0;
        QTest::newRow("text") << "HI" << 0.0;
        QTest::newRow("trailing text") << "65535mg" << 65535.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(numbertext::leadingNumber(text), value);
    }

    void hugeLeadingNumberIsInfiniteNotACrash()
    {
        QVERIFY(std::isinf(numbertext::leadingNumberSkippingBlanks(QStringLiteral("1e999 Day"))));
        QCOMPARE(numbertext::leadingNumberSkippingBlanks(QStringLiteral("1e300 Day")), 1e300);
    }

    void rounding_data()
    {
        QTest::addColumn<double>("v");
        QTest::addColumn<double>("even");
        QTest::addColumn<double>("away");
        QTest::newRow("4.5") << 4.5 << 4.0 << 5.0;
        QTest::newRow("5.5") << 5.5 << 6.0 << 6.0;
        QTest::newRow("-2.5") << -2.5 << -2.0 << -3.0;
        QTest::newRow("33.33") << 600.0 / 18 << 33.0 << 33.0;
        QTest::newRow("22.2") << 400.0 / 18 << 22.0 << 22.0;
    }
    void rounding()
    {
        QFETCH(double, v);
        QFETCH(double, even);
        QFETCH(double, away);
        QCOMPARE(roundHalfEven(v), even);
        QCOMPARE(roundHalfAway(v), away);
    }

    void oneDecimal_data()
    {
        QTest::addColumn<double>("v");
        QTest::addColumn<QString>("text");
        QTest::newRow("123 mg/dL") << 123.0 / 18 << "6.8";
        QTest::newRow("100 mg/dL") << 100.0 / 18 << "5.6";
        QTest::newRow("90 mg/dL") << 90.0 / 18 << "5.0";
        QTest::newRow("average 101") << 101.0 << "101.0";
        QTest::newRow("decimal half up") << 5.65 << "5.7";
        QTest::newRow("decimal half 0.05") << 0.05 << "0.1";
        QTest::newRow("negative half away") << -0.25 << "-0.3";
        QTest::newRow("no negative zero") << -0.04 << "0.0";
        QTest::newRow("average 5.6333") << 16.9 / 3 << "5.6";
        QTest::newRow("too large to scale by ten") << 1.5e308 << QString::number(1.5e308, 'f', 1);
    }
    void oneDecimal()
    {
        QFETCH(double, v);
        QFETCH(QString, text);
        QCOMPARE(numbertext::oneDecimal(v), text);
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
