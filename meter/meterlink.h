#pragma once

#include <QByteArray>
#include <QString>

class LinkHost;
class LinkPort;

// The timer-driven link: searches ports 1..16, greets the meter, sets its clock, asks for the
// count and uploads one reading per tick. The receive side moves it on as answers arrive.
//
// Everything runs on one thread, one event at a time. The host shows messages without a
// nested event loop, and every change of linkstep is made before a message is shown, so a
// message never finds the link half-way through a change.
class MeterLink
{
public:
    enum Step : qint16
    {
        Search = 0,
        Handshake = 1,
        Clock = 2,
        CountRequest = 3,
        Records = 4,
        End = 5
    };
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 16;
    // A meter that babbles cannot make the gathered text grow without bound. Only the head is
    // kept: it is longer than any answer, so a cut text can never pass for one.
    static constexpr int GatheredTextCap = 256;

    MeterLink(LinkPort &port, LinkHost &host);

    void init_cmds();
    // One tick of Timer1, after the period rule.
    void tick();
    // The receive notification: bytes are waiting on the port.
    void onComm();

    // The caption of com_info while port n is tried: "LINK COMM:[03]", "LINK COMM:[12]".
    static QString portCaption(int port);

    qint16 comport = 1;
    qint16 linkstep = Search;
    qint16 waitload = 0;
    qint16 waitleft = 0;
    qint32 valuecount = 0;
    // How long the end of an upload may wait for its end commands to leave before the port
    // closes; the window sets it to a few ticks.
    int endWriteWaitMs = 200;
    QString flashramstr;
    QByteArray rxbuf;

    QByteArray cmd_wake1;
    QByteArray cmd_wake2;
    QByteArray cmd_hello;
    QByteArray cmd_clock;
    QByteArray cmd_req;

    LinkHost &host() { return m_host; }
    // Enters a step with a fresh budget and nothing gathered yet.
    void enterStep(qint16 step);
    // Appends to flashramstr, keeping at most GatheredTextCap characters of its head.
    void gather(const QString &chunk);
    // The count the meter announced for the upload under way.
    int announced() const { return m_announced; }
    void setAnnounced(int count) { m_announced = count; }

private:
    void searchTick();
    // A step in states 1..4 with no budget left: back to searching, then the message.
    void failStep();
    void endTick();
    void fillClock();
    void receiveGathered(const QString &chunk);

    LinkPort &m_port;
    LinkHost &m_host;
    int m_announced = 0;
};
