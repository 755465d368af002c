#include "numbertext.h"
#include "rows.h"

#include <QtTest>
#include <cmath>

using namespace numbertext;

// Only the rules no window test reaches: exact ranges, halves, and how numbers are cut from text.
class TestNumberText : public QObject
{
    Q_OBJECT
private slots:
    void toInt16_data()
    {
        columns<QString, bool, int>("text", "ok", "value");
        row("blanks around", "  80 ", true, 80);
        row("half to even down", "12.5", true, 12);
        row("half to even up", "13.5", true, 14);
        row("lowest", "-32768", true, -32768);
        row("highest", "32767.4", true, 32767);
        row("too large", "32768", false, 0);
        row("rounds out of range", "32767.5", false, 0);
        row("huge", "1e300", false, 0);
        row("exponent", "6e2", true, 600);
        row("empty", "", false, 0);
        row("letters", "abc", false, 0);
        row("number then letters", "600x", false, 0);
        row("infinity word", "inf", false, 0);
        row("nan word", "nan", false, 0);
        row("comma decimal", "1,5", false, 0);
    }
    void toInt16()
    {
        auto [text, ok, value] = cells<QString, bool, int>("text", "ok", "value");
        const auto v = numbertext::toInt16(text);
        QCOMPARE(v.has_value(), ok);
        if (ok)
            QCOMPARE(int(*v), value);
    }

    void toInt32Range()
    {
        QCOMPARE(toInt32(QStringLiteral("2147483647")).value_or(0), 2147483647);
        QVERIFY(!toInt32(QStringLiteral("2147483648")));
    }

    void leadingNumber_data()
    {
        // skipping reads past blanks anywhere; plain only past leading ones.
        columns<QString, double, double>("text", "skipping", "plain");
        row("45 Day", "45 Day", 45.0, 45.0);
        row("abc", "abc", 0.0, 0.0);
        row("fraction", "1.5 Day", 1.5, 1.5);
        row("leading blanks", "   30 Day", 30.0, 30.0);
        row("blanks inside", "1 5 Day", 15.0, 1.0);
        row("exponent", "1e3 Day", 1000.0, 1000.0);
        row("sign only", "- Day", 0.0, 0.0);
        row("point only", ". Day", 0.0, 0.0);
        row("second point stops", "1.2.3", 1.2, 1.2);
        row("e without digits", "2e Day", 2.0, 2.0);
        row("trailing text", "65535mg", 65535.0, 65535.0);
        row("huge stays finite", "1e300 Day", 1e300, 1e300);
        row("too large is infinite, not a crash", "1e999 Day", qInf(), qInf());
    }
    void leadingNumber()
    {
        auto [text, skipping, plain] = cells<QString, double, double>("text", "skipping", "plain");
        QCOMPARE(leadingNumberSkippingBlanks(text), skipping);
        QCOMPARE(numbertext::leadingNumber(text), plain);
    }

    void rounding_data()
    {
        columns<double, double, double>("v", "even", "away");
        row("4.5", 4.5, 4.0, 5.0);
        row("5.5", 5.5, 6.0, 6.0);
        row("-2.5", -2.5, -2.0, -3.0);
        row("33.33", 600.0 / 18, 33.0, 33.0);
    }
    void rounding()
    {
        auto [v, even, away] = cells<double, double, double>("v", "even", "away");
        QCOMPARE(roundHalfEven(v), even);
        QCOMPARE(roundHalfAway(v), away);
    }

    void oneDecimal_data()
    {
        columns<double, QString>("v", "text");
        row("123 mg/dL", 123.0 / 18, "6.8");
        row("trailing zero kept", 90.0 / 18, "5.0");
        row("decimal half up", 5.65, "5.7");
        row("decimal half 0.05", 0.05, "0.1");
        row("negative half away", -0.25, "-0.3");
        row("no negative zero", -0.04, "0.0");
        row("too large to scale by ten", 1.5e308, QString::number(1.5e308, 'f', 1));
    }
    void oneDecimal()
    {
        auto [v, text] = cells<double, QString>("v", "text");
        QCOMPARE(numbertext::oneDecimal(v), text);
    }
};

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
