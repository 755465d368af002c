#pragma once

#include <QByteArray>
#include <QString>

class LinkHost;
class LinkPort;
struct LinkStart;

// The link's states, numbered as the meter's protocol has always numbered them.
enum class LinkStep : qint16
{
    Search = 0,
    Handshake = 1,
    Clock = 2,
    CountRequest = 3,
    Records = 4,
    End = 5
};

// The timer-driven link: searches ports 1..16, greets the meter, sets its clock, asks for the
// count and uploads one reading per tick. The receive side moves it on as answers arrive.
//
// The link owns its fields: the window drives it (start, tick, onComm) and reads what it shows;
// the upload (uploadimport.cpp) asks it to end or fail an upload. Everything runs on one thread,
// one event at a time. The host shows messages without a nested event loop, and every change of
// linkstep is made before a message is shown, so a message never finds the link half-way
// through a change.
class MeterLink
{
public:
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 16;
    // A meter that babbles cannot make the gathered text grow without bound. Only the head is
    // kept: it is longer than any answer, so a cut text can never pass for one.
    static constexpr int GatheredTextCap = 256;

    MeterLink(LinkPort &port, LinkHost &host);

    // The start: searching, no budget left, nothing announced,
    // the command buffers filled, the budget and the first port from the settings.
    void start(const LinkStart &settings);
    // One tick of Timer1, after the period rule.
    void tick();
    // The receive notification: bytes are waiting on the port.
    void onComm();

    // What the upload asks of the link.
    //
    // Ends the upload: the end tick follows (end commands, "9999 Day", the values window). With
    // a message (no readings, a reading refused) the user is told; without one every reading
    // is stored and the report shows them at once.
    void endUpload(const QString &message = QString());
    // The store could not take the upload. Nothing is reported as done: no end tick, no "9999
    // Day". The search first waits out a budget with the port closed, as after an upload.
    void failStore(const QString &message);
    // A reading is in the store: one fewer to come, a fresh budget; after the last, the end.
    void readingStored();

    // The caption of com_info while port n is tried: "LINK COMM:[03]", "LINK COMM:[12]".
    static QString portCaption(int port);

    LinkStep step() const { return linkstep; }
    // The tick budget each step is given (waitload).
    qint16 budget() const { return waitload; }
    // Readings announced and not yet stored (valuecount), and the count the meter announced.
    qint32 remaining() const { return valuecount; }
    int announced() const { return m_announced; }
    // The text gathered in the current step (flashramstr).
    const QString &gathered() const { return flashramstr; }
    LinkHost &host() { return m_host; }

private:
    friend class MeterLinkProbe; // the fuzz target puts the link into any state

    // Fills the command buffers; the states that send them fill them again.
    void init_cmds();
    void searchTick();
    // A step in states 1..4 with no budget left: back to searching, then the message.
    void failStep();
    void endTick();
    // Enters a step with a fresh budget and nothing gathered yet.
    void enterStep(LinkStep step);
    // Appends to flashramstr, keeping at most GatheredTextCap characters of its head.
    void gather(const QString &chunk);
    void receiveGathered(const QString &chunk);

    LinkPort &m_port;
    LinkHost &m_host;

    // The link's own fields, under the names they have always had.
    qint16 comport = FirstPort;
    LinkStep linkstep = LinkStep::Search;
    qint16 waitload = 0;
    qint16 waitleft = 0;
    qint32 valuecount = 0;
    QString flashramstr;
    QByteArray rxbuf;
    QByteArray cmd_wake1;
    QByteArray cmd_wake2;
    QByteArray cmd_hello;
    QByteArray cmd_clock;
    QByteArray cmd_req;

    int m_announced = 0;
    // Ports tried since the start or the meter's last answer; a round is LastPort of them.
    int m_triedInRound = 0;
    // How long the end of an upload may wait for its end commands to leave before the port
    // closes; the start sets it to a few ticks.
    int m_endWriteWaitMs = 200;
};
