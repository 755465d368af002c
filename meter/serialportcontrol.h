#pragma once

#include "linkport.h"

#include <QObject>
#include <QSerialPort>

// The serial line control: port numbers 1..16 mapped to devices, the line settings text
// ("9600,n,8,1"), and a notification when bytes arrive.
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
    void setRThreshold(int bytes) { m_rthreshold = bytes; }
    void setCommPort(int port) override { m_commPort = port; }
    bool portOpen() const override { return m_port.isOpen(); }
    bool setPortOpen(bool open) override;
    bool output(const QByteArray &bytes) override;
    QByteArray input() override;

signals:
    void OnComm();

private:
    QSerialPort m_port;
    QString m_iniPath;
    int m_commPort = 1;
    int m_rthreshold = 0;
};
