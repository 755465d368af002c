#include "hextext.h"

#include <limits>

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

} // namespace

namespace hextext {

QString chunkText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex().toUpper());
}

} // namespace hextext

quint64 hex_to_num(const QString &text)
{
    constexpr int LongestText = 24;
    if (text.isEmpty() || text.size() > LongestText)
        return 0;
    constexpr quint64 Largest = std::numeric_limits<quint64>::max();
    quint64 value = 0;
    bool saturated = false;
    for (const QChar c : text) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return 0;
        if (value > (Largest >> 4))
            saturated = true;
        value = (value << 4) | quint64(digit);
    }
    return saturated ? Largest : value;
}
