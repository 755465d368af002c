#include "linesettings.h"

#include <QtTest>

class tst_LineSettings : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void tst_LineSettings::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::newRow("usual") << "9600,n,8,1" << true << 9600 << int(QSerialPort::NoParity) << 8
                           << int(QSerialPort::OneStop);
    QTest::newRow("upper case, blanks") << " 19200 , E , 7 , 2 " << true << 19200
                                        << int(QSerialPort::EvenParity) << 7 << int(QSerialPort::TwoStop);
    QTest::newRow("odd, one and a half") << "4800,o,5,1.5" << true << 4800 << int(QSerialPort::OddParity) << 5
                                         << int(QSerialPort::OneAndHalfStop);
    QTest::newRow("mark") << "1200,m,6,1" << true << 1200 << int(QSerialPort::MarkParity) << 6
                          << int(QSerialPort::OneStop);
    QTest::newRow("space") << "115200,s,8,1" << true << 115200 << int(QSerialPort::SpaceParity) << 8
                           << int(QSerialPort::OneStop);
    QTest::newRow("empty") << "" << false << 0 << 0 << 0 << 0;
    QTest::newRow("three items") << "9600,n,8" << false << 0 << 0 << 0 << 0;
    QTest::newRow("five items") << "9600,n,8,1,x" << false << 0 << 0 << 0 << 0;
    QTest::newRow("speed not a number") << "fast,n,8,1" << false << 0 << 0 << 0 << 0;
    QTest::newRow("speed zero") << "0,n,8,1" << false << 0 << 0 << 0 << 0;
    QTest::newRow("speed negative") << "-9600,n,8,1" << false << 0 << 0 << 0 << 0;
    QTest::newRow("speed beyond 64 bits") << "99999999999999999999,n,8,1" << false << 0 << 0 << 0 << 0;
    QTest::newRow("speed too fast") << "99999999999,n,8,1" << false << 0 << 0 << 0 << 0;
    QTest::newRow("2000 characters") << QString(2000, u'9') << false << 0 << 0 << 0 << 0;
    QTest::newRow("parity unknown") << "9600,x,8,1" << false << 0 << 0 << 0 << 0;
    QTest::newRow("data bits 9") << "9600,n,9,1" << false << 0 << 0 << 0 << 0;
    QTest::newRow("stop bits 3") << "9600,n,8,3" << false << 0 << 0 << 0 << 0;
}

void tst_LineSettings::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    const auto s = LineSettings::parse(text);
    QCOMPARE(s.has_value(), valid);
    if (!valid)
        return;
    QTEST(int(s->baudRate), "baud");
    QTEST(int(s->parity), "parity");
    QTEST(int(s->dataBits), "dataBits");
    QTEST(int(s->stopBits), "stopBits");
}

QTEST_APPLESS_MAIN(tst_LineSettings)
#include "tst_linesettings.moc"
