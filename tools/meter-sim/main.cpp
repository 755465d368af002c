// meter-sim: a blood-glucose meter on a pseudo-terminal, for trying Quillon without a meter and
// for its end-to-end tests. It prints the device path of its end of the line; point one of
// Quillon's ports at it (cfg/sys.ini, section comm, key port1=<path>) and start Quillon.

#include "simmeter.h"
#include "simreadings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

// After the last upload the program still sends its second end command; let it arrive.
constexpr auto LingerAfterLastSession = 300ms;
constexpr auto PollPeriod = 50ms;
constexpr auto WriteTimeout = 1000ms;
constexpr int OldYear = 2005;

struct Options
{
    QVector<SimReading> readings;
    SimFaults faults;
    QVector<int> splitSizes;
    std::chrono::milliseconds splitGap{2};
    std::chrono::milliseconds replyDelay{0};
    qint64 unplugAtByte = -1;
    int sessions = 0; // 0: serve until stopped
    QString recordPath;
    QString linkPath;
    bool verbose = false;
};

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "meter-sim: %s\n", qPrintable(message));
    std::exit(2);
}

const QStringList StepNames = {QStringLiteral("wake"),  QStringLiteral("hello"),  QStringLiteral("clock"),
                               QStringLiteral("count"), QStringLiteral("record"), QStringLiteral("end")};

// "record:3" -> record number 3; a plain step name -> 0. Fails on anything else.
int checkStep(const QString &step)
{
    if (StepNames.contains(step))
        return 0;
    if (step.startsWith(QLatin1String("record:"))) {
        bool ok = false;
        const int n = step.mid(7).toInt(&ok);
        if (ok && n > 0)
            return n;
    }
    fail(QStringLiteral("unknown step \"%1\" (expected wake, hello, clock, count, record, record:K or end)")
             .arg(step));
}

int positiveInt(const QString &text, const QString &option, int minimum)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < minimum)
        fail(QStringLiteral("--%1 needs a whole number of at least %2, not \"%3\"")
                 .arg(option)
                 .arg(minimum)
                 .arg(text));
    return v;
}

Options parseOptions(const QCoreApplication &app)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "A simulated blood-glucose meter on a pseudo-terminal.\n\n"
        "It prints the device path of its end of the line on the first line of its output, then\n"
        "answers the meter protocol until it is stopped (Ctrl+C). To try Quillon without a meter,\n"
        "put that path into Quillon's settings, section [comm], as port1=<path>, and start\n"
        "Quillon: its search finds the simulator on port 1 and uploads the readings. The settings\n"
        "are ~/.config/quillon/sys.ini for the installed program ($XDG_CONFIG_HOME/quillon when set),\n"
        "or cfg/sys.ini in a portable program folder (quillon --program-dir DIR).\n\n"
        "Steps, for the fault options: wake (the meter's BB), hello, clock, count, record (every\n"
        "reading) or record:K (the K-th reading of an upload, from 1), end."));
    p.addHelpOption();
    const QCommandLineOption readings(
        QStringLiteral("readings"),
        QStringLiteral("Hold N generated readings (default 100; 0 gives a meter "
                       "with no readings)."),
        QStringLiteral("N"), QStringLiteral("100"));
    const QCommandLineOption file(
        QStringLiteral("readings-file"),
        QStringLiteral("Hold the readings of FILE instead, oldest first, one per line: "
                       "\"YYYY-MM-DD HH:MM VALUE [ctrl] [temp]\" (VALUE in mg/dL)."),
        QStringLiteral("FILE"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed for the generated readings (default 1)."),
                                  QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption endDate(
        QStringLiteral("end-date"),
        QStringLiteral("Generate readings up to this day (YYYY-MM-DD) instead of up "
                       "to now."),
        QStringLiteral("DATE"));
    const QCommandLineOption oldYears(
        QStringLiteral("old-years"),
        QStringLiteral("Date the generated readings in %1, so the meter sends years "
                       "below 10.")
            .arg(OldYear));
    const QCommandLineOption silent(
        QStringLiteral("silent-at"),
        QStringLiteral("Say nothing from STEP on, until woken again (repeatable)."), QStringLiteral("STEP"));
    const QCommandLineOption extra(
        QStringLiteral("extra-at"),
        QStringLiteral("Send extra bytes right after the answer to STEP, in the same "
                       "write; HEX defaults to 00 (repeatable). E.g. wake:BB for a "
                       "second BB, record:5:0000 after the fifth reading."),
        QStringLiteral("STEP[:HEX]"));
    const QCommandLineOption longRecord(
        QStringLiteral("long-record"), QStringLiteral("Send the K-th reading two bytes longer than a frame."),
        QStringLiteral("K"));
    const QCommandLineOption split(QStringLiteral("split"),
                                   QStringLiteral("Send every answer in pieces of these sizes, the last size "
                                                  "repeating (e.g. 4,6 or 1)."),
                                   QStringLiteral("SIZES"));
    const QCommandLineOption splitGap(
        QStringLiteral("split-gap"),
        QStringLiteral("Pause between the pieces of a split answer (default 2 ms)."), QStringLiteral("MS"),
        QStringLiteral("2"));
    const QCommandLineOption delay(QStringLiteral("reply-delay"),
                                   QStringLiteral("Wait this long before each answer (default 0 ms)."),
                                   QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption unplug(QStringLiteral("unplug-at-byte"),
                                    QStringLiteral("Pull the cable after sending N bytes in all: the line is "
                                                   "closed and the simulator ends."),
                                    QStringLiteral("N"));
    const QCommandLineOption sessions(
        QStringLiteral("sessions"),
        QStringLiteral("End after N uploads have been ended by the program (default: "
                       "serve until stopped)."),
        QStringLiteral("N"));
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral("Append every command received to FILE, one per line: its name "
                       "and bytes in hexadecimal (e.g. \"clock FA061A03050E07AA\")."),
        QStringLiteral("FILE"));
    const QCommandLineOption link(
        QStringLiteral("link"),
        QStringLiteral("Also make PATH a symbolic link to the device, for a path that "
                       "stays the same from run to run."),
        QStringLiteral("PATH"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Show the traffic on standard error."));
    p.addOptions({readings, file, seed, endDate, oldYears, silent, extra, longRecord, split, splitGap, delay,
                  unplug, sessions, record, link, verbose});
    p.process(app);
    if (!p.positionalArguments().isEmpty())
        fail(QStringLiteral("unexpected argument \"%1\"; see --help").arg(p.positionalArguments().first()));

    Options o;
    if (p.isSet(file)) {
        QString error;
        const auto loaded = simreadings::load(p.value(file), &error);
        if (!loaded)
            fail(error);
        o.readings = *loaded;
    } else {
        QDateTime last = QDateTime::currentDateTime();
        if (p.isSet(oldYears))
            last = QDateTime(QDate(OldYear, 6, 30), QTime(23, 0));
        if (p.isSet(endDate)) {
            const QDate d = QDate::fromString(p.value(endDate), QStringLiteral("yyyy-MM-dd"));
            if (!d.isValid())
                fail(QStringLiteral("--end-date needs a date as YYYY-MM-DD, not \"%1\"")
                         .arg(p.value(endDate)));
            last = QDateTime(d, QTime(23, 0));
        }
        const int n = positiveInt(p.value(readings), QStringLiteral("readings"), 0);
        if (n > 0xFFFF)
            fail(QStringLiteral("a meter holds at most 65535 readings"));
        o.readings =
            simreadings::generate(n, last, quint32(positiveInt(p.value(seed), QStringLiteral("seed"), 0)));
    }
    for (const QString &step : p.values(silent)) {
        const int k = checkStep(step);
        if (k > 0)
            o.faults.silentFromRecord =
                o.faults.silentFromRecord ? std::min(o.faults.silentFromRecord, k) : k;
        else
            o.faults.silentAt.insert(step);
    }
    for (const QString &option : p.values(extra)) {
        QStringList parts = option.split(QLatin1Char(':'));
        QString step = parts.takeFirst();
        // "record:5" names the fifth reading; a number right after "record" is never bytes.
        if (step == QLatin1String("record") && !parts.isEmpty() && parts.first().toInt() > 0)
            step += QLatin1Char(':') + parts.takeFirst();
        checkStep(step);
        const QString hex = parts.isEmpty() ? QStringLiteral("00") : parts.join(QString());
        const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
        if (bytes.isEmpty() || bytes.toHex().compare(hex.toLatin1().toLower()) != 0)
            fail(QStringLiteral("--extra-at needs bytes in hexadecimal, not \"%1\"").arg(hex));
        o.faults.extraAt.insert(step, bytes);
    }
    if (p.isSet(longRecord))
        o.faults.longRecord = positiveInt(p.value(longRecord), QStringLiteral("long-record"), 1);
    if (p.isSet(split)) {
        for (const QString &size : p.value(split).split(QLatin1Char(',')))
            o.splitSizes.append(positiveInt(size, QStringLiteral("split"), 1));
    }
    o.splitGap = std::chrono::milliseconds(positiveInt(p.value(splitGap), QStringLiteral("split-gap"), 0));
    o.replyDelay = std::chrono::milliseconds(positiveInt(p.value(delay), QStringLiteral("reply-delay"), 0));
    if (p.isSet(unplug))
        o.unplugAtByte = positiveInt(p.value(unplug), QStringLiteral("unplug-at-byte"), 0);
    if (p.isSet(sessions))
        o.sessions = positiveInt(p.value(sessions), QStringLiteral("sessions"), 1);
    o.recordPath = p.value(record);
    o.linkPath = p.value(link);
    o.verbose = p.isSet(verbose);
    return o;
}

class Line
{
public:
    Line(int master, const Options &options) : m_master(master), m_options(options) {}

    // Writes one answer, split and paced as asked. False once the cable has been pulled.
    bool send(const QByteArray &answer)
    {
        if (m_options.replyDelay.count() > 0)
            std::this_thread::sleep_for(m_options.replyDelay);
        int offset = 0;
        int piece = 0;
        while (offset < answer.size()) {
            int size = int(answer.size()) - offset;
            if (!m_options.splitSizes.isEmpty())
                size = std::min(
                    size, m_options.splitSizes[std::min<int>(piece, int(m_options.splitSizes.size()) - 1)]);
            if (piece > 0 && m_options.splitGap.count() > 0)
                std::this_thread::sleep_for(m_options.splitGap);
            if (!writePiece(answer.mid(offset, size)))
                return false;
            offset += size;
            ++piece;
        }
        return true;
    }

private:
    bool writePiece(QByteArray bytes)
    {
        bool unplug = false;
        if (m_options.unplugAtByte >= 0 && m_written + bytes.size() >= m_options.unplugAtByte) {
            bytes.truncate(int(m_options.unplugAtByte - m_written));
            unplug = true;
        }
        const char *data = bytes.constData();
        qint64 left = bytes.size();
        const auto deadline = Clock::now() + WriteTimeout;
        while (left > 0 && Clock::now() < deadline) {
            const ssize_t n = ::write(m_master, data, size_t(left));
            if (n > 0) {
                data += n;
                left -= n;
                m_written += n;
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                break;
            } else {
                pollfd pfd{m_master, POLLOUT, 0};
                ::poll(&pfd, 1, int(PollPeriod.count()));
            }
        }
        if (left > 0 && m_options.verbose)
            std::fprintf(stderr, "meter-sim: %lld bytes could not be sent\n", static_cast<long long>(left));
        if (unplug) {
            ::close(m_master);
            std::fprintf(stderr, "meter-sim: cable pulled after %lld bytes\n",
                         static_cast<long long>(m_written));
            return false;
        }
        return true;
    }

    int m_master;
    const Options &m_options;
    qint64 m_written = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("meter-sim"));
    const Options options = parseOptions(app);

    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
        fail(QStringLiteral("cannot open a pseudo-terminal: %1")
                 .arg(QString::fromLocal8Bit(std::strerror(errno))));
    // Raw both ways, no echo. Our own end of the device stays open so the line survives the
    // program closing and reopening its port between searches.
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);

    if (!options.linkPath.isEmpty()) {
        ::unlink(QFile::encodeName(options.linkPath).constData());
        if (::symlink(name, QFile::encodeName(options.linkPath).constData()) != 0)
            fail(QStringLiteral("cannot make the link %1: %2")
                     .arg(options.linkPath, QString::fromLocal8Bit(std::strerror(errno))));
    }
    std::printf("%s\n", name);
    std::fflush(stdout);
    std::fprintf(stderr, "meter-sim: %d readings on %s\n", int(options.readings.size()), name);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    QFile recordFile(options.recordPath);
    if (!options.recordPath.isEmpty() &&
        !recordFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        fail(QStringLiteral("cannot write %1: %2").arg(options.recordPath, recordFile.errorString()));

    SimMeter meter(options.readings, options.faults);
    Line line(master, options);
    bool lineOpen = true;
    Clock::time_point quitAt = Clock::time_point::max();
    while (!g_stop && lineOpen && Clock::now() < quitAt) {
        pollfd pfd{master, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, int(PollPeriod.count()));
        if (ready <= 0 || !(pfd.revents & POLLIN))
            continue;
        char buffer[512];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            continue;
        QVector<SimMeter::Command> seen;
        const QVector<QByteArray> answers = meter.feed(QByteArray(buffer, int(n)), &seen);
        for (const SimMeter::Command &c : seen) {
            const QByteArray text = c.name.toLatin1() + ' ' + c.bytes.toHex().toUpper() + '\n';
            if (recordFile.isOpen()) {
                recordFile.write(text);
                recordFile.flush();
            }
            if (options.verbose)
                std::fprintf(stderr, "<- %s", text.constData());
        }
        for (const QByteArray &a : answers) {
            if (options.verbose)
                std::fprintf(stderr, "-> %s\n", a.toHex(' ').toUpper().constData());
            if (!line.send(a)) {
                lineOpen = false;
                break;
            }
        }
        if (options.sessions > 0 && meter.sessionsEnded() >= options.sessions &&
            quitAt == Clock::time_point::max())
            quitAt = Clock::now() + LingerAfterLastSession;
    }
    if (!options.linkPath.isEmpty())
        ::unlink(QFile::encodeName(options.linkPath).constData());
    if (lineOpen)
        ::close(master);
    ::close(slave);
    return 0;
}
