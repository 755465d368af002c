#include "meterlink.h"

#include "frameparser.h"
#include "hextext.h"
#include "linkhost.h"
#include "linkmessages.h"
#include "linkport.h"
#include "linkstart.h"
#include "uploadimport.h"

#include <array>

namespace {

// The meter's commands, byte for byte. Multi-byte commands begin with FA and end
// with AA; the program sends no others.
constexpr std::array<quint8, 1> WakeFirst = {0xAA};
constexpr std::array<quint8, 1> WakeSecond = {0xA5};
constexpr std::array<quint8, 4> Hello = {0xFA, 0x06, 0x00, 0xAA};
constexpr std::array<quint8, 4> CountRequest = {0xFA, 0x02, 0x00, 0xAA};
constexpr std::array<quint8, 4> RecordRequest = {0xFA, 0x03, 0x00, 0xAA};
constexpr std::array<quint8, 4> EndOfUpload = {0xFA, 0x04, 0x00, 0xAA};
// FA 06 yy mo dd hh mi AA, the date and time filled in at each sending.
constexpr std::array<quint8, 8> ClockBlank = {0xFA, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAA};

// The meter's answers, as chunk text.
const QString WakeAnswer = QStringLiteral("BB");
const QString HandshakeAnswer = QStringLiteral("FC5500CC");
const QString FrameStart = QStringLiteral("FC");

template <std::size_t N> QByteArray bytes(const std::array<quint8, N> &values)
{
    return QByteArray(reinterpret_cast<const char *>(values.data()), int(N));
}

// Each field is one byte holding the number itself (26 is sent as 1A); seconds are not sent.
QByteArray clockCommand(const QDateTime &now)
{
    const QDate d = now.date();
    const QTime t = now.time();
    std::array<quint8, 8> c = ClockBlank;
    c[2] = quint8(d.year() % 100);
    c[3] = quint8(d.month());
    c[4] = quint8(d.day());
    c[5] = quint8(t.hour());
    c[6] = quint8(t.minute());
    return bytes(c);
}

} // namespace

MeterLink::MeterLink(LinkPort &port, LinkHost &host) : m_port(port), m_host(host) {}

void MeterLink::start(const LinkStart &settings)
{
    linkstep = LinkStep::Search;
    waitleft = 0;
    valuecount = 0;
    m_announced = 0;
    m_triedInRound = 0;
    init_cmds();
    waitload = settings.waitload;
    comport = settings.comport;
    m_endWriteWaitMs = settings.endWriteWaitMs();
}

void MeterLink::init_cmds()
{
    cmd_wake1 = bytes(WakeFirst);
    cmd_wake2 = bytes(WakeSecond);
    cmd_hello = bytes(Hello);
    cmd_clock = bytes(ClockBlank);
    cmd_req = bytes(CountRequest);
}

QString MeterLink::portCaption(int port)
{
    return QStringLiteral("LINK COMM:[%1]").arg(port, 2, 10, QLatin1Char('0'));
}

void MeterLink::enterStep(LinkStep step)
{
    linkstep = step;
    waitleft = waitload;
    flashramstr.clear();
}

void MeterLink::gather(const QString &chunk)
{
    const int room = GatheredTextCap - int(flashramstr.size());
    if (room > 0)
        flashramstr += chunk.left(room);
}

void MeterLink::tick()
{
    switch (linkstep) {
    case LinkStep::Search:
        searchTick();
        return;
    case LinkStep::Handshake:
        if (waitleft <= 0)
            return failStep();
        --waitleft;
        m_port.output(cmd_hello);
        return;
    case LinkStep::Clock:
        if (waitleft <= 0)
            return failStep();
        --waitleft;
        cmd_clock = clockCommand(m_host.now());
        m_port.output(cmd_clock);
        return;
    case LinkStep::CountRequest:
        if (waitleft <= 0)
            return failStep();
        cmd_req = bytes(CountRequest);
        valuecount = 0;
        // The budget is spent before the write, so a write that fails (cable pulled) still
        // costs the step its tick and the step cannot hang here.
        --waitleft;
        m_port.output(cmd_req);
        return;
    case LinkStep::Records:
        if (waitleft <= 0)
            return failStep();
        --waitleft;
        cmd_req = bytes(RecordRequest);
        // Whatever is still waiting belongs to an earlier request: the meter answers each
        // request afresh.
        rxbuf = m_port.input();
        m_port.output(cmd_req);
        return;
    case LinkStep::End:
        endTick();
        return;
    }
    // Not a state of ours: start over rather than stick.
    linkstep = LinkStep::Search;
}

void MeterLink::searchTick()
{
    if (waitleft > 0) {
        --waitleft;
        m_port.setPortOpen(false);
        return;
    }
    if (comport < FirstPort || comport > LastPort)
        comport = FirstPort;
    // Told before the next port is tried, so the last port of the round had its budget to answer.
    if (m_triedInRound == LastPort - FirstPort + 1) {
        m_triedInRound = 0;
        m_host.searchRoundEnded();
    }
    ++m_triedInRound;
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    m_port.setCommPort(comport);
    m_host.setComInfo(portCaption(comport));
    if (++comport > LastPort)
        comport = FirstPort;
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    if (!m_port.setPortOpen(true))
        return;
    waitleft = waitload;
    if (!m_port.output(cmd_wake1))
        return;
    m_port.output(cmd_wake2);
}

void MeterLink::failStep()
{
    linkstep = LinkStep::Search;
    m_host.hideProgress();
    m_host.uploadEnded(linkmessages::uploadUnsucceed());
    m_host.showMessage(linkmessages::uploadUnsucceed());
}

void MeterLink::endTick()
{
    cmd_req = bytes(EndOfUpload);
    // The meter may be gone already; the upload still ends here and the search resumes.
    m_port.output(cmd_req);
    m_port.output(cmd_req);
    linkstep = LinkStep::Search;
    m_host.endOfUpload();
    // Closing drops what the port still holds back (Windows cancels a pending write, Linux
    // restores the old line settings at once), and the meter must hear that the upload is over.
    m_port.waitForWritten(m_endWriteWaitMs);
    m_port.setPortOpen(false);
}

void MeterLink::endUpload(const QString &message)
{
    linkstep = LinkStep::End;
    m_host.hideProgress();
    m_host.uploadEnded(message);
    if (message.isEmpty())
        m_host.drawReport();
    m_host.enableTimer();
    if (!message.isEmpty())
        m_host.showMessage(message);
}

void MeterLink::failStore(const QString &message)
{
    linkstep = LinkStep::Search;
    waitleft = waitload;
    m_host.hideProgress();
    m_host.uploadEnded(message);
    m_host.enableTimer();
    m_host.showMessage(message);
}

void MeterLink::readingStored()
{
    --valuecount;
    waitleft = waitload;
    flashramstr.clear();
    m_host.stepProgress();
    if (valuecount <= 0)
        endUpload();
}

void MeterLink::onComm()
{
    if (m_port.commEvent() != LinkPort::ComEvReceive)
        return;
    rxbuf = m_port.input();
    const QString chunk = hextext::chunkText(rxbuf);
    if (linkstep == LinkStep::Search) {
        // Only a BB on its own is the meter's answer to the wake bytes.
        if (chunk == WakeAnswer) {
            enterStep(LinkStep::Handshake);
            m_triedInRound = 0;
            m_host.meterAnswered();
        }
        return;
    }
    receiveGathered(chunk);
}

void MeterLink::receiveGathered(const QString &chunk)
{
    switch (linkstep) {
    case LinkStep::Handshake:
    case LinkStep::Clock:
        // Anything around the answer stays gathered and never matches: the step then runs
        // out of budget.
        gather(chunk);
        if (flashramstr == HandshakeAnswer)
            enterStep(linkstep == LinkStep::Handshake ? LinkStep::Clock : LinkStep::CountRequest);
        return;
    case LinkStep::CountRequest: {
        gather(chunk);
        if (flashramstr.size() < frameparser::CountAnswerDigits)
            return;
        m_host.clearLog();
        const int count = frameparser::readingCount(flashramstr);
        valuecount = count;
        m_announced = count;
        m_host.addLog(QStringLiteral("import values count:") + QString::number(count) + QStringLiteral("--") +
                      flashramstr);
        enterStep(LinkStep::Records);
        upload::countAnswer(*this, count);
        return;
    }
    case LinkStep::Records:
        if (chunk.startsWith(FrameStart) || flashramstr.startsWith(FrameStart)) {
            gather(chunk);
        } else {
            // Not the start of a frame: line noise or the tail of a dropped answer.
            flashramstr.clear();
            return;
        }
        if (flashramstr.size() < frameparser::FrameDigits)
            return;
        m_host.addLog(QStringLiteral("DB") + QString::number(valuecount) + QStringLiteral(" [") +
                      flashramstr + QStringLiteral("]"));
        upload::reading(*this, flashramstr);
        return;
    case LinkStep::Search:
    case LinkStep::End:
        return;
    }
}
