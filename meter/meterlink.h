#pragma once

#include <QByteArray>
#include <QString>

class LinkHost;
class LinkPort;

// The timer-driven link: searches ports 1..16, greets the meter, sets its clock, asks for the
// count and uploads one reading per tick.
class MeterLink
{
public:
    MeterLink(LinkPort &port, LinkHost &host);

    void init_cmds();
    // One tick of Timer1, after the period rule.
    void tick();
    // The receive notification: bytes are waiting on the port.
    void onComm();

    qint16 comport = 1;
    qint16 linkstep = 0;
    qint16 waitload = 0;
    qint16 waitleft = 0;
    qint32 valuecount = 0;
    QString flashramstr;
    QByteArray rxbuf;

private:
    LinkPort &m_port;
    LinkHost &m_host;
};
