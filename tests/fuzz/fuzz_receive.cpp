// The receive path on arbitrary bytes: the real link on a scripted line, driven by a little
// program read from the input. Whatever arrives, the gathered text stays bounded, the link stays
// in one of its states, and nothing reaches the store that is not a reading.
#include "fakelink.h"
#include "fuzzcheck.h"
#include "linkstart.h"
#include "meterlink.h"

#include <QRegularExpression>
#include <cstdint>

namespace {

// Answers a meter gives, so that short inputs still reach the later steps.
// clang-format off
const char *const Answers[] = {"BB", "FC5500CC", "FC020003CC", "FC020000CC", "FC02FFFFCC", "FC001A03050E07007B01",
                               "FC001A0C1F000000C800", "FC000501010800006400", "FC001A03050E07007B010000",
                               "FC001A0305", "0E07007B01", "FCFFFFFFFFFFFFFFFFFF"};
// clang-format on

// What the store may hold: value, a four-digit year and a real date and time, unit and marks,
// numbers without leading zeros.
bool isRecordLine(const QString &line)
{
    static const QRegularExpression shape(
        QStringLiteral("^(0|[1-9]\\d{0,4}),(\\d{4})-([1-9]\\d?)-([1-9]\\d?) "
                       "(0|[1-9]\\d?):(0|[1-9]\\d?):00,mg/dL,(Ctrl|-),(TEMP|-)$"));
    const auto m = shape.match(line);
    if (!m.hasMatch() || m.captured(1).toInt() > 0xFFFF)
        return false;
    const QDate date(m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    return date.isValid() && m.captured(5).toInt() < 24 && m.captured(6).toInt() < 60;
}

} // namespace

// The link's own fields, which only the link changes; the fuzz target puts it in any state, as if
// it had got there some other way.
class MeterLinkProbe
{
public:
    static void put(MeterLink &link, LinkStep step, qint32 valuecount, qint16 waitleft)
    {
        link.linkstep = step;
        link.valuecount = valuecount;
        link.waitleft = waitleft;
    }
    static void setBudget(MeterLink &link, qint16 waitload) { link.waitload = waitload; }
    static qint16 comport(const MeterLink &link) { return link.comport; }
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FakePort port;
    FakeHost host;
    MeterLink link(port, host);
    LinkStart start;
    start.waitload = 3;
    link.start(start);
    for (int p = 2; p <= 16; ++p)
        port.missing.insert(p);

    const QStringList messages = {QStringLiteral("Upload Unsucceed! ,Reconnect Please."),
                                  QStringLiteral("Not found Glucose database!")};
    size_t at = 0;
    const auto next = [&] { return at < size ? data[at++] : uint8_t(0); };
    int lastStored = 0;
    while (at < size) {
        const uint8_t op = next();
        switch (op % 7) {
        case 0:
        case 1:
            link.tick();
            break;
        case 2: {
            const int n = next() % 48;
            for (int i = 0; i < n && at < size; ++i)
                port.waiting.append(char(next()));
            link.onComm();
            break;
        }
        case 3:
            port.waiting += QByteArray::fromHex(Answers[next() % std::size(Answers)]);
            link.onComm();
            break;
        case 4: { // any state, as if the link had got there some other way
            const auto step = LinkStep(next() % 6);
            const qint32 valuecount = next();
            MeterLinkProbe::put(link, step, valuecount, qint16(int8_t(next())));
            break;
        }
        case 5: {
            const uint8_t b = next();
            port.failWrites = b & 1;
            port.event = (b & 2) ? LinkPort::ComEvReceive : int(b >> 2);
            port.missing.remove(1);
            if (b & 0x80)
                port.missing.insert(1);
            break;
        }
        case 6:
            MeterLinkProbe::setBudget(link, qint16(int8_t(next())));
            break;
        }
        check(link.gathered().size() <= MeterLink::GatheredTextCap, "flashramstr stays bounded");
        check(link.step() >= LinkStep::Search && link.step() <= LinkStep::End, "linkstep stays in 0..5");
        const qint16 comport = MeterLinkProbe::comport(link);
        check(comport >= MeterLink::FirstPort && comport <= MeterLink::LastPort, "comport stays in 1..16");
        for (int i = lastStored; i < host.stored.size(); ++i)
            check(isRecordLine(host.stored.at(i)), "only valid record lines are stored");
        lastStored = int(host.stored.size());
        for (const QString &m : host.messages)
            check(messages.contains(m), "only the link's own messages are shown");
    }
    return 0;
}
