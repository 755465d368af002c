#include "porttable.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_PortTable : public QObject
{
    Q_OBJECT
private slots:
    void defaults_data();
    void defaults();
    void overrides_data();
    void overrides();
};

void tst_PortTable::defaults_data()
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

void tst_PortTable::defaults()
{
    QFETCH(int, port);
    QFETCH(QString, device);
    QCOMPARE(porttable::defaultDevice(port), device);
    QCOMPARE(porttable::device(port, QString()), device);
}

void tst_PortTable::overrides_data()
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
    QTest::newRow("2000 characters") << QByteArray("[comm]\nport9=/dev/" + QByteArray(1995, 'x') + "\n") << 9
                                     << "/dev/" + QString(1018, u'x');
}

void tst_PortTable::overrides()
{
    QFETCH(QByteArray, ini);
    QFETCH(int, port);
    QFETCH(QString, device);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.ini"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(ini);
    f.close();
    QCOMPARE(porttable::device(port, path), device);
}

QTEST_APPLESS_MAIN(tst_PortTable)
#include "tst_porttable.moc"
