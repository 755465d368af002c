#pragma once

#include <QString>

// Which device each of the link's port numbers 1..16 opens.
//
// Port n is COMn on Windows. Elsewhere a fixed table reaches the usual meter cables without any
// configuration: ports 1-4 are /dev/ttyUSB0-3 (USB serial adapters), 5-8 /dev/ttyACM0-3 (USB
// modem class cables) and 9-16 /dev/ttyS0-7 (built-in serial ports). The INI file can point any
// port at another device: section comm, keys port1 .. port16, each a device path.
namespace porttable {

constexpr int FirstPort = 1;
constexpr int LastPort = 16;

// Empty for a number outside 1..16.
QString defaultDevice(int port);
// The INI override when one is set, else the default. Read afresh each time, so a change of the
// file takes effect at the next opening.
QString device(int port, const QString &iniPath);

// A USB serial device (ttyUSB*, ttyACM*), also when reached through a link such as
// /dev/serial/by-id: a plugged-in cable, unlike the built-in ports most computers have whether
// or not a meter is there.
bool isPluggedIn(const QString &device);

} // namespace porttable
