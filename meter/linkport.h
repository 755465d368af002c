#pragma once

#include <QByteArray>

// The serial line as the link uses it. The real one is SerialPortControl; tests use a
// scripted fake meter.
class LinkPort
{
public:
    // What the last receive notification was about; only ComEvReceive is acted on.
    static constexpr int ComEvReceive = 2;

    virtual ~LinkPort() = default;
    virtual void setCommPort(int port) = 0;
    virtual bool portOpen() const = 0;
    // Opening a missing or busy port fails and returns false. Closing a closed port is fine.
    virtual bool setPortOpen(bool open) = 0;
    // False when the bytes could not be handed to the line (port closed, cable pulled).
    virtual bool output(const QByteArray &bytes) = 0;
    // Waits at most `msecs` until every byte given to output() has been handed to the line,
    // without running an event loop; a close drops what is still held back. False when bytes
    // are still waiting or the port is closed.
    virtual bool waitForWritten(int msecs) = 0;
    // Every waiting byte, raw, in arrival order; the receive buffer is left empty.
    virtual QByteArray input() = 0;
    virtual int commEvent() const = 0;
};
