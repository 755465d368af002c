// What a port is set up from: the line settings text and the table of devices behind port numbers.
#include "linesettings.h"
#include "porttable.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_PortSettings : public QObject
{
    Q_OBJECT
private slots:
    void lineSettings_data();
    void lineSettings();
    void defaultDevices_data();
    void defaultDevices();
    void deviceOverrides_data();
    void deviceOverrides();
};

void tst_PortSettings::lineSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("parsed"); // baud, parity, data bits, stop bits; empty: refused
    using S = QSerialPort;
    const auto ok = [](const char *name, const char *text, int baud, int parity, int data, int stop) {
        QTest::newRow(name) << text
                            << QStringLiteral("%1 %2 %3 %4").arg(baud).arg(parity).arg(data).arg(stop);
    };
    const auto bad = [](const char *name, const QString &text) { QTest::newRow(name) << text << QString(); };
    ok("usual", "9600,n,8,1", 9600, S::NoParity, 8, S::OneStop);
    ok("upper case, blanks", " 19200 , E , 7 , 2 ", 19200, S::EvenParity, 7, S::TwoStop);
    ok("odd, one and a half", "4800,o,5,1.5", 4800, S::OddParity, 5, S::OneAndHalfStop);
    ok("mark", "1200,m,6,1", 1200, S::MarkParity, 6, S::OneStop);
    ok("space", "115200,s,8,1", 115200, S::SpaceParity, 8, S::OneStop);
    bad("empty", "");
    bad("three items", "9600,n,8");
    bad("five items", "9600,n,8,1,x");
    bad("speed not a number", "fast,n,8,1");
    bad("speed zero", "0,n,8,1");
    bad("speed negative", "-9600,n,8,1");
    bad("speed beyond 64 bits", "99999999999999999999,n,8,1");
    bad("speed too fast", "99999999999,n,8,1");
    bad("2000 characters", QString(2000, u'9'));
    bad("parity unknown", "9600,x,8,1");
    bad("data bits 9", "9600,n,9,1");
    bad("stop bits 3", "9600,n,8,3");
}

void tst_PortSettings::lineSettings()
{
    QFETCH(QString, text);
    const auto s = LineSettings::parse(text);
    const QString parsed = s ? QStringLiteral("%1 %2 %3 %4")
                                   .arg(s->baudRate)
                                   .arg(int(s->parity))
                                   .arg(int(s->dataBits))
                                   .arg(int(s->stopBits))
                             : QString();
    QTEST(parsed, "parsed");
}

void tst_PortSettings::defaultDevices_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");
#ifdef Q_OS_WIN
    QTest::newRow("1") << 1 << "COM1";
    QTest::newRow("16") << 16 << "COM16";
#else
    QTest::newRow("1") << 1 << "/dev/ttyUSB0";
    QTest::newRow("4") << 4 << "/dev/ttyUSB3";
    QTest::newRow("5") << 5 << "/dev/ttyACM0";
    QTest::newRow("8") << 8 << "/dev/ttyACM3";
    QTest::newRow("9") << 9 << "/dev/ttyS0";
    QTest::newRow("16") << 16 << "/dev/ttyS7";
#endif
    QTest::newRow("0") << 0 << "";
    QTest::newRow("17") << 17 << "";
}

void tst_PortSettings::defaultDevices()
{
    QFETCH(int, port);
    QTEST(porttable::device(port, QString()), "device");
}

void tst_PortSettings::deviceOverrides_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");
    const QByteArray ini = "[comm]\ndelay=100\nport1=/dev/pts/7\nport12 = /dev/ttyMeter \nport3=\n"
                           "[setting]\nport4=/dev/wrong-section\n";
    QTest::newRow("port1 set") << ini << 1 << "/dev/pts/7";
    QTest::newRow("blanks trimmed") << ini << 12 << "/dev/ttyMeter";
    QTest::newRow("empty keeps default") << ini << 3 << porttable::defaultDevice(3);
    QTest::newRow("other section ignored") << ini << 4 << porttable::defaultDevice(4);
    QTest::newRow("not set") << ini << 2 << porttable::defaultDevice(2);
    QTest::newRow("out of range") << QByteArray("[comm]\nport17=/dev/x\n") << 17 << "";
    QTest::newRow("port16 a number") << QByteArray("[comm]\nport16=-1\n") << 16 << "-1";
    // A read gives at most 1023 characters; the opening of such a device then fails.
    QTest::newRow("2000 characters") << "[comm]\nport9=/dev/" + QByteArray(1995, 'x') + "\n"
                                     << 9 << "/dev/" + QString(1018, u'x');
}

void tst_PortSettings::deviceOverrides()
{
    QFETCH(QByteArray, ini);
    QFETCH(int, port);
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("sys.ini")));
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(ini) == ini.size());
    f.close();
    QTEST(porttable::device(port, f.fileName()), "device");
}

QTEST_APPLESS_MAIN(tst_PortSettings)
#include "tst_portsettings.moc"
