#include "meterlink.h"

#include "frameparser.h"
#include "hextext.h"
#include "linkhost.h"
#include "linkmessages.h"
#include "linkport.h"
#include "uploadimport.h"

namespace {

const QString HandshakeAnswer = QStringLiteral("FC5500CC");
const QString WakeAnswer = QStringLiteral("BB");
const QString FrameStart = QStringLiteral("FC");

QByteArray bytes(std::initializer_list<quint8> values)
{
    QByteArray out;
    out.reserve(int(values.size()));
    for (quint8 v : values)
        out.append(char(v));
    return out;
}

} // namespace

MeterLink::MeterLink(LinkPort &port, LinkHost &host) : m_port(port), m_host(host) {}

void MeterLink::init_cmds()
{
    cmd_wake1 = bytes({0xAA});
    cmd_wake2 = bytes({0xA5});
    cmd_hello = bytes({0xFA, 0x06, 0x00, 0xAA});
    cmd_clock = bytes({0xFA, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAA});
    cmd_req = bytes({0xFA, 0x02, 0x00, 0xAA});
}

QString MeterLink::portCaption(int port)
{
    return QStringLiteral("LINK COMM:[%1]").arg(port, 2, 10, QLatin1Char('0'));
}

void MeterLink::enterStep(qint16 step)
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
    case Search:
        searchTick();
        return;
    case Handshake:
        if (waitleft <= 0)
            return failStep();
        --waitleft;
        m_port.output(cmd_hello);
        return;
    case Clock:
        if (waitleft <= 0)
            return failStep();
        --waitleft;
        fillClock();
        m_port.output(cmd_clock);
        return;
    case CountRequest:
        if (waitleft <= 0)
            return failStep();
        cmd_req = bytes({0xFA, 0x02, 0x00, 0xAA});
        valuecount = 0;
        // The budget is spent before the write, so a write that fails (cable pulled) still
        // costs the step its tick and the step cannot hang here.
        --waitleft;
        m_port.output(cmd_req);
        return;
    case Records:
        if (waitleft <= 0)
            return failStep();
        --waitleft;
        cmd_req = bytes({0xFA, 0x03, 0x00, 0xAA});
        // Whatever is still waiting belongs to an earlier request: the meter answers each
        // request afresh.
        rxbuf = m_port.input();
        m_port.output(cmd_req);
        return;
    case End:
        endTick();
        return;
    default:
        // Not a state of ours: start over rather than stick.
        linkstep = Search;
        return;
    }
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
    linkstep = Search;
    m_host.hideProgress();
    m_host.showMessage(linkmessages::uploadUnsucceed());
}

void MeterLink::endTick()
{
    cmd_req = bytes({0xFA, 0x04, 0x00, 0xAA});
    // The meter may be gone already; the upload still ends here and the search resumes.
    m_port.output(cmd_req);
    m_port.output(cmd_req);
    linkstep = Search;
    m_host.endOfUpload();
    // Closing drops what the port still holds back (Windows cancels a pending write, Linux
    // restores the old line settings at once), and the meter must hear that the upload is over.
    m_port.waitForWritten(endWriteWaitMs);
    m_port.setPortOpen(false);
}

void MeterLink::fillClock()
{
    const QDateTime now = m_host.now();
    const QDate d = now.date();
    const QTime t = now.time();
    cmd_clock = bytes({0xFA, 0x06, quint8(d.year() % 100), quint8(d.month()), quint8(d.day()),
                       quint8(t.hour()), quint8(t.minute()), 0xAA});
}

void MeterLink::onComm()
{
    if (m_port.commEvent() != LinkPort::ComEvReceive)
        return;
    rxbuf = m_port.input();
    const QString chunk = hextext::chunkText(rxbuf);
    if (linkstep == Search) {
        // Only a BB on its own is the meter's answer to the wake bytes.
        if (chunk == WakeAnswer)
            enterStep(Handshake);
        return;
    }
    receiveGathered(chunk);
}

void MeterLink::receiveGathered(const QString &chunk)
{
    switch (linkstep) {
    case Handshake:
    case Clock:
        // Anything around the answer stays gathered and never matches: the step then runs
        // out of budget.
        gather(chunk);
        if (flashramstr == HandshakeAnswer)
            enterStep(qint16(linkstep + 1));
        return;
    case CountRequest: {
        gather(chunk);
        if (flashramstr.size() < frameparser::CountAnswerDigits)
            return;
        m_host.clearLog();
        const int count = frameparser::readingCount(flashramstr);
        valuecount = count;
        m_host.addLog(QStringLiteral("import values count:") + QString::number(count) + QStringLiteral("--") +
                      flashramstr);
        enterStep(Records);
        upload::countAnswer(*this, count);
        return;
    }
    case Records:
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
    default:
        return;
    }
}
