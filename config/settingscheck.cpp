#include "settingscheck.h"

#include "numbertext.h"

#include <cmath>
#include <limits>
#include <optional>

namespace settingscheck {

namespace {

// The caption a user looks for: the window shows "Low:" under the heading "Normal Data Range".
QString caption(Field f)
{
    switch (f) {
    case Field::NormalLow:
        return QStringLiteral("Normal Data Range Low");
    case Field::NormalHigh:
        return QStringLiteral("Normal Data Range High");
    case Field::DBMin:
        return QStringLiteral("BG Data Range Min");
    case Field::DBMax:
        return QStringLiteral("BG Data Range Max");
    case Field::MajorDivision:
        return QStringLiteral("Y Major Division");
    case Field::MinorDivision:
        return QStringLiteral("Y Minor Division");
    }
    return QString();
}

// Whole, not merely convertible: the report would round "80.4" to 80 and the user would never
// learn that what they typed is not what is drawn.
std::optional<int> wholeNumber(const QString &text)
{
    const auto v = numbertext::toNumber(text);
    if (!v || std::floor(*v) != *v || *v < std::numeric_limits<qint16>::min() ||
        *v > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return int(*v);
}

} // namespace

QList<Problem> problems(const Texts &texts)
{
    const auto low = wholeNumber(texts.NormalLow), high = wholeNumber(texts.NormalHigh);
    const auto min = wholeNumber(texts.DBMin), max = wholeNumber(texts.DBMax);
    const auto major = wholeNumber(texts.MajorDivision), minor = wholeNumber(texts.MinorDivision);

    QList<Problem> out;
    const auto add = [&out](Field f, const QString &needs) { out.push_back({f, caption(f) + u' ' + needs}); };
    const auto whole = [&add](Field f, const std::optional<int> &n) {
        if (!n)
            add(f, QStringLiteral("needs a whole number from -32768 to 32767."));
        return n.has_value();
    };
    // A pair is compared only when both halves are numbers; the other half has its own line.
    if (whole(Field::NormalLow, low) && high && *low >= *high)
        add(Field::NormalLow, QStringLiteral("needs a number below High."));
    whole(Field::NormalHigh, high);
    if (whole(Field::DBMin, min) && max && *min >= *max)
        add(Field::DBMin, QStringLiteral("needs a number below Max."));
    whole(Field::DBMax, max);
    if (whole(Field::MajorDivision, major) && *major < 1)
        add(Field::MajorDivision, QStringLiteral("needs 1 or more."));
    if (whole(Field::MinorDivision, minor) && *minor < 0)
        add(Field::MinorDivision, QStringLiteral("needs 0 or more."));
    return out;
}

QString message(const QList<Problem> &problems)
{
    QString text = QStringLiteral("The settings were not saved:");
    for (const Problem &p : problems)
        text += u'\n' + p.text;
    return text;
}

} // namespace settingscheck
