#pragma once

#include "linkport.h"

#include <QObject>
#include <QSerialPort>
#include <QSet>

#include <functional>

// The serial line control: port numbers 1..16 mapped to devices (see porttable.h), the line
// settings text ("9600,n,8,1"), and a notification when bytes arrive.
class SerialPortControl : public QObject, public LinkPort
{
    Q_OBJECT
public:
    explicit SerialPortControl(QObject *parent = nullptr);

    // The line settings a fresh control has, as a settings text.
    static QString defaultSettings() { return QStringLiteral("9600,n,8,1"); }
    // False when the text does not describe a serial line; the line settings stay as they were.
    bool setSettings(const QString &text);
    // Reads the port table's overrides (section comm, keys port1..port16) from the INI file.
    void setPortTable(const QString &iniPath) { m_iniPath = iniPath; }
    // OnComm comes once this many bytes are waiting; 0 turns it off.
    void setRThreshold(int bytes) { m_rthreshold = bytes; }
    int commPort() const { return m_commPort; }
    // The device the current port number opens.
    QString device() const;
    // Whether this user may open an existing device. The default asks the system; the superuser
    // may open anything, so tests that run as the superuser hand in a refusal.
    using AccessCheck = std::function<bool(const QString &device)>;
    void setAccessCheck(AccessCheck check) { m_mayOpen = std::move(check); }

    void setCommPort(int port) override { m_commPort = port; }
    bool portOpen() const override { return m_port.isOpen(); }
    bool setPortOpen(bool open) override;
    bool output(const QByteArray &bytes) override;
    bool waitForWritten(int msecs) override;
    QByteArray input() override;
    int commEvent() const override { return m_commEvent; }

signals:
    void OnComm();
    // A line for the upload log: a device that exists but that this user may not open.
    void portNotice(const QString &line);
    // The same refusal for the window, once per device: the device's path.
    void permissionRefused(const QString &device);

private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void reportRefused(const QString &device);

    QSerialPort m_port;
    QString m_iniPath;
    int m_commPort = 1;
    int m_rthreshold = 0;
    int m_commEvent = 0;
    bool m_waitingForWrites = false;
    QSet<QString> m_reported;
    AccessCheck m_mayOpen;
};
