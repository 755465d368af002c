#pragma once

#include <QSerialPort>
#include <QString>
#include <optional>

// The line settings text of the INI file, "9600,n,8,1": speed, parity (n, e, o, m, s), data bits
// (5-8) and stop bits (1, 1.5, 2), separated by commas. Case and blanks around the items do not
// matter.
struct LineSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    // nullopt when the text is not four such items.
    static std::optional<LineSettings> parse(const QString &text);
};
