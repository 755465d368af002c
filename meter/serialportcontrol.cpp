#include "serialportcontrol.h"

// Placeholder until the serial line lands.
SerialPortControl::SerialPortControl(QObject *parent) : QObject(parent) {}

bool SerialPortControl::setSettings(const QString &)
{
    return true;
}

bool SerialPortControl::setPortOpen(bool open)
{
    if (!open) {
        m_port.close();
        return true;
    }
    return false;
}

bool SerialPortControl::output(const QByteArray &)
{
    return false;
}

QByteArray SerialPortControl::input()
{
    return m_port.readAll();
}
