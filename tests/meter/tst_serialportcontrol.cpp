#include "rows.h"
#include "serialportcontrol.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The far end of a pseudo-terminal, standing in for a meter on a cable.
class FarEnd
{
public:
    FarEnd()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0) {
            termios tio{};
            ::tcgetattr(m_slave, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(m_slave, TCSANOW, &tio);
            m_path = QString::fromLocal8Bit(name);
        }
    }
    ~FarEnd()
    {
        unplug();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    QString path() const { return m_path; }
    void send(const QByteArray &bytes)
    {
        QCOMPARE(::write(m_master, bytes.constData(), bytes.size()), bytes.size());
    }
    // Everything that arrives within a generous wait, up to `expected` bytes.
    QByteArray receive(int expected)
    {
        QByteArray got;
        while (got.size() < expected) {
            pollfd pfd{m_master, POLLIN, 0};
            if (::poll(&pfd, 1, 5000) <= 0)
                break;
            char buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got.append(buffer, int(n));
        }
        return got;
    }
    void unplug()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

} // namespace

class tst_SerialPortControl : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void bytesOnTheLine_data();
    void bytesOnTheLine();
    void openingFails_data();
    void openingFails();
    void cablePulled();
    void permissionIsLoggedOnce();

private:
    void writeIni(const QByteArray &comm);
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;
};

void tst_SerialPortControl::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_ini = m_dir->filePath(QStringLiteral("sys.ini"));
}

void tst_SerialPortControl::writeIni(const QByteArray &comm)
{
    QFile f(m_ini);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[comm]\n" + comm);
}

void tst_SerialPortControl::bytesOnTheLine_data()
{
    columns<QByteArray, QByteArray>("out", "in");
    row("wake and BB", QByteArray::fromHex("aa"), QByteArray::fromHex("bb"));
    row("clock and handshake", QByteArray::fromHex("fa061a03050e07aa"), QByteArray::fromHex("fc5500cc"));
    // No character translation either way: CR, LF, NUL, XON/XOFF and 0xFF pass as they are.
    row("raw bytes", QByteArray::fromHex("0d0a001113ff"), QByteArray::fromHex("0a0d001311ff7f"));
    row("a frame", QByteArray::fromHex("fa0300aa"), QByteArray::fromHex("fc001a03050e07007b01"));
}

void tst_SerialPortControl::bytesOnTheLine()
{
    const auto [out, in] = cells<QByteArray, QByteArray>("out", "in");
    FarEnd meter;
    QVERIFY(!meter.path().isEmpty());
    writeIni("port3=" + meter.path().toLocal8Bit() + "\n");
    SerialPortControl msc;
    msc.setPortTable(m_ini);
    QVERIFY(!msc.setSettings(QStringLiteral("speed=fast")));
    QVERIFY(msc.setSettings(QStringLiteral("9600,n,8,1")));
    msc.setRThreshold(1);
    msc.setCommPort(3);
    QVERIFY(msc.setPortOpen(true));
    QVERIFY(msc.portOpen());

    QVERIFY(msc.output(out));
    QCOMPARE(meter.receive(int(out.size())), out);

    QSignalSpy onComm(&msc, &SerialPortControl::OnComm);
    meter.send(in);
    QByteArray got;
    while (got.size() < in.size()) {
        if (onComm.isEmpty())
            QVERIFY(onComm.wait(5000));
        onComm.clear();
        QCOMPARE(msc.commEvent(), int(LinkPort::ComEvReceive));
        got += msc.input();
    }
    QCOMPARE(got, in);
    QVERIFY(msc.input().isEmpty());

    QVERIFY(msc.setPortOpen(false));
    QVERIFY(!msc.portOpen());
    QVERIFY(msc.setPortOpen(false)); // closing a closed port is allowed
    QVERIFY(!msc.output(out));
}

void tst_SerialPortControl::openingFails_data()
{
    columns<QByteArray, int>("comm", "port");
    row("missing device", QByteArray("port2=/nonexistent/ttyQ2\n"), 2);
    row("not a serial device", QByteArray("port2=/dev/null\n"), 2);
    row("port 0", QByteArray(), 0);
    row("port 17", QByteArray(), 17);
    row("device named -1", QByteArray("port2=-1\n"), 2);
    row("2000-character device", QByteArray("port2=/dev/" + QByteArray(1995, 'x') + "\n"), 2);
    row("device in a missing folder with blanks", QByteArray("port2= /no such/ folder/tty \n"), 2);
}

void tst_SerialPortControl::openingFails()
{
    const auto [comm, port] = cells<QByteArray, int>("comm", "port");
    writeIni(comm);
    SerialPortControl msc;
    msc.setPortTable(m_ini);
    QSignalSpy notices(&msc, &SerialPortControl::portNotice);
    msc.setCommPort(port);
    QVERIFY(!msc.setPortOpen(true));
    QVERIFY(!msc.portOpen());
    QCOMPARE(notices.count(), 0);
}

void tst_SerialPortControl::cablePulled()
{
    FarEnd meter;
    writeIni("port1=" + meter.path().toLocal8Bit() + "\n");
    SerialPortControl msc;
    msc.setPortTable(m_ini);
    msc.setCommPort(1);
    QVERIFY(msc.setPortOpen(true));
    QVERIFY(msc.output(QByteArray::fromHex("aa")));
    meter.unplug();
    // Writes now fail rather than pretend; the link counts that as an unanswered tick.
    QTRY_VERIFY_WITH_TIMEOUT(!msc.output(QByteArray::fromHex("fa0300aa")), 10000);
    QVERIFY(msc.setPortOpen(false));
}

void tst_SerialPortControl::permissionIsLoggedOnce()
{
    FarEnd meter;
    QVERIFY(QFile::setPermissions(meter.path(), QFileDevice::Permissions()));
    writeIni("port5=" + meter.path().toLocal8Bit() + "\nport6=/nonexistent/ttyQ6\n");
    SerialPortControl msc;
    msc.setPortTable(m_ini);
    // The superuser may open any device: there the refusal is injected.
    if (::geteuid() == 0)
        msc.setAccessCheck([&meter](const QString &device) { return device != meter.path(); });
    QSignalSpy notices(&msc, &SerialPortControl::portNotice);
    QSignalSpy refused(&msc, &SerialPortControl::permissionRefused);
    for (int round = 0; round < 3; ++round) {
        for (int port : {5, 6}) {
            msc.setCommPort(port);
            QVERIFY(!msc.setPortOpen(true));
        }
    }
    QCOMPARE(notices.count(), 1);
    QCOMPARE(refused.count(), 1);
    QCOMPARE(refused[0][0].toString(), meter.path());
    const QString line = notices[0][0].toString();
    QVERIFY2(line.contains(meter.path()) && line.contains(QLatin1String("permission denied")),
             qPrintable(line));
}

QTEST_GUILESS_MAIN(tst_SerialPortControl)
#include "tst_serialportcontrol.moc"
