#include "numbertext.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace numbertext {

std::optional<double> toNumber(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    // Only plain decimal notation: "inf", "nan" and hexadecimal are not numbers a user means.
    for (const QChar c : t) {
        if (!(c.isDigit() || c == u'.' || c == u'+' || c == u'-' || c == u'e' || c == u'E'))
            return std::nullopt;
    }
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

double roundHalfEven(double v)
{
    return std::nearbyint(v); // the default rounding mode rounds halves to even
}

double roundHalfAway(double v)
{
    return std::round(v);
}

template <typename Int> std::optional<Int> toWhole(const QString &text)
{
    const auto v = toNumber(text);
    if (!v)
        return std::nullopt;
    const double r = roundHalfEven(*v);
    if (r < double(std::numeric_limits<Int>::min()) || r > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return Int(r);
}

std::optional<qint16> toInt16(const QString &text)
{
    return toWhole<qint16>(text);
}

std::optional<qint32> toInt32(const QString &text)
{
    return toWhole<qint32>(text);
}

namespace {

// Gathers the longest prefix that reads as a decimal number; blanks are dropped where allowed.
double scanNumber(const QString &text, bool blanksAnywhere)
{
    QString num;
    int i = 0;
    const int n = int(text.size());
    auto isBlank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; };
    auto skipBlanks = [&] {
        while (i < n && isBlank(text[i]))
            ++i;
    };
    skipBlanks();
    auto next = [&]() -> QChar {
        if (blanksAnywhere)
            skipBlanks();
        return i < n ? text[i] : QChar();
    };
    QChar c = next();
    if (c == u'+' || c == u'-') {
        num += c;
        ++i;
    }
    bool digits = false;
    bool point = false;
    for (c = next(); i < n; c = next()) {
        if (c.isDigit() && c.unicode() < 128) {
            num += c;
            digits = true;
        } else if (c == u'.' && !point) {
            num += c;
            point = true;
        } else {
            break;
        }
        ++i;
    }
    if (!digits)
        return 0;
    c = next();
    if (i < n && (c == u'e' || c == u'E')) {
        QString exp = QStringLiteral("e");
        int j = i + 1;
        auto peek = [&](int k) { return k < n ? text[k] : QChar(); };
        if (blanksAnywhere)
            while (j < n && isBlank(text[j]))
                ++j;
        if (peek(j) == u'+' || peek(j) == u'-')
            exp += text[j++];
        bool expDigits = false;
        while (true) {
            if (blanksAnywhere)
                while (j < n && isBlank(text[j]))
                    ++j;
            if (j < n && text[j].isDigit() && text[j].unicode() < 128) {
                exp += text[j++];
                expDigits = true;
            } else {
                break;
            }
        }
        if (expDigits)
            num += exp;
    }
    bool ok = false;
    const double v = num.toDouble(&ok);
    if (ok)
        return v;
    // Out of range: an exponent too large for a double reads as infinite, one too small as 0.
    // Callers clamp what they need.
    if (num.contains(QLatin1String("e-")))
        return 0;
    return num.startsWith(u'-') ? -std::numeric_limits<double>::infinity()
                                : std::numeric_limits<double>::infinity();
}

} // namespace

double leadingNumberSkippingBlanks(const QString &text)
{
    return scanNumber(text, true);
}

double leadingNumber(const QString &text)
{
    return scanNumber(text, false);
}

QString oneDecimal(double v)
{
    // Rounded as the decimal text reads, not as the binary value lies: 5.65 is a half and goes
    // up, although the double nearest to it is a hair below.
    const double scaled = std::fabs(v) * 10.0;
    // From 2^52 on a double holds no tenths to round, and ten times it may not even be finite.
    constexpr double NoFractionLeft = 4503599627370496.0;
    if (!std::isfinite(scaled) || scaled >= NoFractionLeft)
        return QString::number(v, 'f', 1);
    double whole = std::floor(scaled);
    if (scaled - whole >= 0.5 - 1e-9 * std::max(1.0, scaled))
        whole += 1.0;
    const double r = whole / 10.0;
    // A rounded zero has no sign: "-0.0" reads as a fault to a user.
    return QString::number(v < 0 && whole != 0 ? -r : r, 'f', 1);
}

} // namespace numbertext
