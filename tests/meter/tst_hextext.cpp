#include "hextext.h"

#include <QtTest>

class tst_HexText : public QObject
{
    Q_OBJECT
private slots:
    void chunkText_data();
    void chunkText();
    void hexToNum_data();
    void hexToNum();
};

void tst_HexText::chunkText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << QByteArray() << QString();
    QTest::newRow("0A FF") << QByteArray::fromHex("0aff") << "0AFF";
    QTest::newRow("zero byte") << QByteArray(1, '\0') << "00";
    QTest::newRow("handshake") << QByteArray::fromHex("fc5500cc") << "FC5500CC";
    QTest::newRow("7F 80 keep order") << QByteArray::fromHex("7f80") << "7F80";
}

void tst_HexText::chunkText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(hextext::chunkText(bytes), text);
}

void tst_HexText::hexToNum_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint64>("value");
    QTest::newRow("empty") << "" << quint64(0);
    QTest::newRow("one digit") << "7" << quint64(7);
    QTest::newRow("lower case") << "ff" << quint64(255);
    QTest::newRow("mixed case") << "fF" << quint64(255);
    QTest::newRow("leading zeros") << "00FF" << quint64(255);
    QTest::newRow("FFFF") << "FFFF" << quint64(65535);
    QTest::newRow("year 1A") << "1A" << quint64(26);
    QTest::newRow("24 digits") << "000000000000000000000001" << quint64(1);
    QTest::newRow("25 digits") << "0000000000000000000000001" << quint64(0);
    QTest::newRow("16 digits") << "FFFFFFFFFFFFFFFF" << quint64(0xFFFFFFFFFFFFFFFFull);
    QTest::newRow("17 digits saturate") << "10000000000000000" << quint64(0xFFFFFFFFFFFFFFFFull);
    QTest::newRow("not hexadecimal") << "1G" << quint64(0);
    QTest::newRow("blank") << " 1" << quint64(0);
    QTest::newRow("sign") << "-1" << quint64(0);
}

void tst_HexText::hexToNum()
{
    QFETCH(QString, text);
    QFETCH(quint64, value);
    QCOMPARE(hex_to_num(text), value);
}

QTEST_APPLESS_MAIN(tst_HexText)
#include "tst_hextext.moc"
