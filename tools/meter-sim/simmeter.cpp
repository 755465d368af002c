#include "simmeter.h"

namespace {

constexpr char Wake1 = char(0xAA);
constexpr char Wake2 = char(0xA5);
constexpr char CommandStart = char(0xFA);
constexpr char CommandEnd = char(0xAA);
constexpr int ShortCommand = 4;
constexpr int ClockCommand = 8;

const QByteArray Acknowledge = QByteArray::fromHex("FC5500CC");

} // namespace

SimMeter::SimMeter(QVector<SimReading> readings, SimFaults faults)
    : m_readings(std::move(readings)), m_faults(std::move(faults))
{
}

QVector<QByteArray> SimMeter::feed(const QByteArray &bytes, QVector<Command> *seen)
{
    m_pending += bytes;
    QVector<QByteArray> answers;
    while (!m_pending.isEmpty()) {
        Command command;
        int length = 1;
        if (m_pending[0] == Wake1) {
            if (m_pending.size() < 2)
                break;
            if (m_pending[1] == Wake2) {
                command.name = QStringLiteral("wake");
                length = 2;
            } else {
                command.name = QStringLiteral("unknown");
            }
        } else if (m_pending[0] == CommandStart) {
            if (m_pending.size() < ShortCommand)
                break;
            const char kind = m_pending[1];
            const bool hello = kind == 0x06 && m_pending[2] == 0x00 && m_pending[3] == CommandEnd;
            if (kind == 0x06 && !hello) {
                if (m_pending.size() < ClockCommand)
                    break;
                length = ClockCommand;
                command.name = QStringLiteral("clock");
            } else {
                length = ShortCommand;
                switch (kind) {
                case 0x06:
                    command.name = QStringLiteral("hello");
                    break;
                case 0x02:
                    command.name = QStringLiteral("count");
                    break;
                case 0x03:
                    command.name = QStringLiteral("record");
                    break;
                case 0x04:
                    command.name = QStringLiteral("end");
                    break;
                default:
                    command.name = QStringLiteral("unknown");
                }
            }
        } else {
            command.name = QStringLiteral("unknown");
        }
        command.bytes = m_pending.left(length);
        m_pending.remove(0, length);
        if (seen)
            seen->append(command);
        const QByteArray reply = respond(command);
        if (!reply.isEmpty())
            answers.append(reply);
    }
    return answers;
}

QByteArray SimMeter::answer(const QString &step, int recordNo, const QByteArray &reply)
{
    const QString numbered = QStringLiteral("record:%1").arg(recordNo);
    if (m_faults.silentAt.contains(step) ||
        (step == QLatin1String("record") && m_faults.silentFromRecord > 0 &&
         recordNo >= m_faults.silentFromRecord))
        m_silent = true;
    if (m_silent)
        return {};
    QByteArray out = reply;
    out += m_faults.extraAt.value(step);
    if (recordNo > 0)
        out += m_faults.extraAt.value(numbered);
    return out;
}

QByteArray SimMeter::respond(const Command &command)
{
    if (command.name == QLatin1String("wake")) {
        m_awake = true;
        m_silent = false;
        m_next = 0;
        return answer(command.name, 0, QByteArray(1, char(0xBB)));
    }
    // A meter that was not woken, or has been told the upload is over, ignores commands.
    if (!m_awake)
        return {};
    if (command.name == QLatin1String("hello") || command.name == QLatin1String("clock"))
        return answer(command.name, 0, Acknowledge);
    if (command.name == QLatin1String("count")) {
        const int n = int(m_readings.size());
        QByteArray reply = QByteArray::fromHex("FC02");
        reply.append(char((n >> 8) & 0xFF));
        reply.append(char(n & 0xFF));
        reply.append(char(0xCC));
        return answer(command.name, 0, reply);
    }
    if (command.name == QLatin1String("record")) {
        const int recordNo = m_next + 1;
        if (m_next >= m_readings.size())
            return {}; // nothing left to send
        QByteArray reply = m_readings[m_next].frame();
        if (recordNo == m_faults.longRecord)
            reply += QByteArray(2, '\0');
        const QByteArray out = answer(command.name, recordNo, reply);
        if (!out.isEmpty())
            ++m_next;
        return out;
    }
    if (command.name == QLatin1String("end")) {
        m_awake = false;
        ++m_sessionsEnded;
        return {};
    }
    return {};
}
