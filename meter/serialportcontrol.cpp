#include "serialportcontrol.h"

#include "linesettings.h"
#include "porttable.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QScopedValueRollback>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <unistd.h>
#endif

namespace {

bool systemLetsUserOpen(const QString &device)
{
#ifdef Q_OS_UNIX
    // Only EACCES is a refusal: a busy port fails to open too, but not for want of permission.
    const QByteArray native = QFile::encodeName(device);
    return ::access(native.constData(), R_OK | W_OK) == 0 || errno != EACCES;
#else
    Q_UNUSED(device);
    return true;
#endif
}

} // namespace

SerialPortControl::SerialPortControl(QObject *parent) : QObject(parent), m_mayOpen(systemLetsUserOpen)
{
    setSettings(defaultSettings());
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPortControl::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPortControl::onError);
}

bool SerialPortControl::setSettings(const QString &text)
{
    const auto settings = LineSettings::parse(text);
    if (!settings)
        return false;
    m_port.setBaudRate(settings->baudRate);
    m_port.setParity(settings->parity);
    m_port.setDataBits(settings->dataBits);
    m_port.setStopBits(settings->stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    return true;
}

QString SerialPortControl::device() const
{
    return porttable::device(m_commPort, m_iniPath);
}

bool SerialPortControl::setPortOpen(bool open)
{
    if (!open) {
        if (m_port.isOpen())
            m_port.close();
        return true;
    }
    if (m_port.isOpen())
        return true;
    const QString path = device();
    if (path.isEmpty())
        return false;
    if (QFileInfo::exists(path) && !m_mayOpen(path)) {
        reportRefused(path);
        return false;
    }
    m_port.setPortName(path);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_port.clearError();
        return false;
    }
    // Whatever the device held before we opened it is not an answer to anything we sent.
    m_port.clear(QSerialPort::Input);
    m_commEvent = 0;
    return true;
}

bool SerialPortControl::output(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return false;
    m_port.clearError();
    if (m_port.write(bytes) != bytes.size())
        return false;
    // Hand the bytes to the line now: the link may close the port right after its last command.
    m_port.flush();
    return m_port.isOpen() && m_port.error() == QSerialPort::NoError;
}

bool SerialPortControl::waitForWritten(int msecs)
{
    const QDeadlineTimer deadline(msecs);
    // Waiting reads what arrives meanwhile; it stays waiting rather than re-entering the link,
    // which is in the middle of a step.
    const QScopedValueRollback<bool> quiet(m_waitingForWrites, true);
    while (m_port.isOpen() && m_port.bytesToWrite() > 0) {
        if (!m_port.waitForBytesWritten(int(deadline.remainingTime())))
            break;
    }
    return m_port.isOpen() && m_port.bytesToWrite() == 0;
}

QByteArray SerialPortControl::input()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

void SerialPortControl::onReadyRead()
{
    if (m_waitingForWrites || m_rthreshold <= 0 || m_port.bytesAvailable() < m_rthreshold)
        return;
    m_commEvent = ComEvReceive;
    emit OnComm();
}

void SerialPortControl::onError(QSerialPort::SerialPortError error)
{
    // The device went away (cable pulled): the port is of no further use, and closing it stops
    // the notifications of a dead descriptor. Writes now fail and the link's budget runs out.
    if (error == QSerialPort::ResourceError && m_port.isOpen())
        m_port.close();
}

void SerialPortControl::reportRefused(const QString &device)
{
    if (m_reported.contains(device))
        return;
    m_reported.insert(device);
    emit portNotice(QStringLiteral("Port %1 (%2) cannot be opened: permission denied. This user may not "
                                   "use the device, so the meter cannot be found on it.")
                        .arg(m_commPort)
                        .arg(device));
    emit permissionRefused(device);
}
