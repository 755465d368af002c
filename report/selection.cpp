#include "selection.h"

#include "datetext.h"
#include "numbertext.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>

namespace selection {

namespace {

constexpr double MgPerMmol = 18.0;
const QString MmolUnit = QStringLiteral("mmol/l");
const QString AllDayView = QStringLiteral("ALL");

qint32 clampToInt32(qint64 v)
{
    return qint32(
        std::clamp<qint64>(v, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

// The marks a meter writes, shared by every reading that carries them.
QString markText(QStringView field)
{
    static const QString marks[] = {QStringLiteral("-"), QStringLiteral("Ctrl"), QStringLiteral("TEMP")};
    for (const QString &mark : marks) {
        if (field == mark)
            return mark;
    }
    return field.toString();
}

// Fields 0, 1, 3 and 4 of a record line; a short line leaves the missing ones empty. Cut out
// one by one rather than split into a list: every run cuts every stored line, and the list and
// chart keep what it cuts until the next run.
ReadingRec splitRecord(const QString &recordLine)
{
    ReadingRec rec;
    qsizetype from = 0;
    for (int i = 0; i < 5; ++i) {
        const qsizetype comma = recordLine.indexOf(QLatin1Char(','), from);
        const QStringView field =
            QStringView(recordLine).mid(from, (comma < 0 ? recordLine.size() : comma) - from);
        switch (i) {
        case 0:
            rec.valueText = field.toString();
            break;
        case 1:
            rec.dateText = field.toString();
            break;
        case 3:
            rec.ctrlMark = markText(field);
            break;
        case 4:
            rec.tempMark = markText(field);
            break;
        default:
            break;
        }
        if (comma < 0)
            break;
        from = comma + 1;
    }
    return rec;
}

// A value as the meter writes it, plain digits, read directly: every run reads every stored
// value. Anything else goes through the general rules.
std::optional<int> plainWhole(const QString &text)
{
    constexpr qsizetype MaxDigits = 9; // stays within an int, and exact as a double
    if (text.isEmpty() || text.size() > MaxDigits)
        return std::nullopt;
    int v = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < u'0' || u > u'9')
            return std::nullopt;
        v = v * 10 + int(u - u'0');
    }
    return v;
}

// The chart label: the date-time without its first two and its last three characters.
QString chartLabel(const QString &dateText)
{
    constexpr int Dropped = 5;
    if (dateText.size() <= Dropped)
        return QString();
    return dateText.mid(2, dateText.size() - Dropped);
}

// Written with '.' whatever the user's locale, and read back the same way below, so the sum
// adds exactly what the chart column shows.
QString plainNumber(double v)
{
    return QLocale::c().toString(v, 'f', QLocale::FloatingPointShortest);
}

double readBack(const QString &text)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(text, &ok);
    return ok ? v : 0.0;
}

} // namespace

std::optional<double> timeOfDay(const QString &dateText)
{
    const int blank = int(dateText.indexOf(QLatin1Char(' ')));
    if (blank < 0)
        return std::nullopt;
    QString time = dateText.mid(blank + 1);
    constexpr int Seconds = 3; // ":ss"
    if (time.size() <= Seconds)
        return std::nullopt;
    time.chop(Seconds);
    // The minutes become the fraction, so only the hour decides the window.
    time.replace(QLatin1Char(':'), QLatin1Char('.'));
    return numbertext::toNumber(time);
}

bool inTimeWindow(double t, qint16 timeview)
{
    constexpr double MorningStart = 4;
    constexpr double NoonStart = 11;
    constexpr double NightStart = 16;
    switch (timeview) {
    case 1:
        return t >= MorningStart && t < NoonStart;
    case 2:
        return t >= NoonStart && t < NightStart;
    case 3:
        return t >= NightStart || t < MorningStart;
    default:
        return false;
    }
}

qint32 limitInUnit(const QString &settingText, bool mmol)
{
    const auto mg = numbertext::toInt16(settingText);
    if (!mg)
        return 0;
    if (!mmol)
        return *mg;
    return qint32(numbertext::roundHalfEven(*mg / MgPerMmol));
}

ChartScale chartScale(const ReportSettings &settings, bool mmol)
{
    ChartScale scale;
    if (const auto dbMax = numbertext::toNumber(settings.DBMax)) {
        const double top = mmol ? numbertext::roundHalfAway(*dbMax / MgPerMmol) : *dbMax;
        // An axis that ends at or below its start cannot be drawn.
        if (top > 0)
            scale.yMaximum = top;
    }
    if (const auto major = numbertext::toInt16(settings.MajorDivision); major && *major > 0)
        scale.yMajorDivision = *major;
    if (const auto minor = numbertext::toInt16(settings.MinorDivision); minor && *minor >= 0)
        scale.yMinorDivision = *minor;
    return scale;
}

QString listValueText(const QString &valueText, qint16 dbMin, qint16 dbMax, bool mmol)
{
    const auto plain = plainWhole(valueText);
    const auto v = plain ? std::optional<double>(*plain) : numbertext::toNumber(valueText);
    if (!v)
        return QString();
    if (*v <= dbMin)
        return QStringLiteral("Low");
    if (*v >= dbMax)
        return QStringLiteral("High");
    if (mmol)
        return numbertext::oneDecimal(*v / MgPerMmol);
    return valueText;
}

ReportOutcome run(const ReportInput &input, const StoreItems &store)
{
    ReportOutcome out;
    const bool mmol = input.unitText == MmolUnit;

    const auto dbMin = numbertext::toInt16(input.settings.DBMin);
    const auto dbMax = numbertext::toInt16(input.settings.DBMax);
    if (!dbMin || !dbMax) {
        out.end = ReportEnd::Failed;
        return out;
    }
    if (store.status == StoreStatus::Missing) {
        out.end = ReportEnd::StoreMissing;
        return out;
    }
    if (store.status != StoreStatus::Ok) {
        out.end = ReportEnd::Failed;
        return out;
    }

    // From here the list is always rebuilt: an empty store empties it, and date boxes that do not
    // hold dates still list every reading, they only select none.
    out.listRebuilt = true;
    const int count = int(store.texts.size());
    if (count == 0) {
        out.end = ReportEnd::Failed;
        return out;
    }
    const auto endDate = datetext::boxTextToDateTime(input.endDateText);
    const auto startDate = datetext::boxTextToDateTime(input.startDateText);
    const bool datesRead = endDate && startDate;

    out.records.reserve(count);
    for (const QString &line : store.texts) {
        ReadingRec rec = splitRecord(line);
        if (datesRead) {
            if (const auto date = datetext::recordDate(rec.dateText))
                rec.diffDay = clampToInt32(date->daysTo(endDate->date()));
        }
        out.records.push_back(std::move(rec));
    }

    qint32 periodDays = 0;
    if (datesRead) {
        periodDays = clampToInt32(std::abs(endDate->date().daysTo(startDate->date())));
        out.periodCount =
            qint32(std::count_if(out.records.cbegin(), out.records.cend(),
                                 [periodDays](const ReadingRec &r) { return r.diffDay <= periodDays; }));
    }

    const QString high = QString::number(limitInUnit(input.settings.NormalHigh, mmol));
    const QString low = QString::number(limitInUnit(input.settings.NormalLow, mmol));
    const bool allDay = input.viewText == AllDayView;

    out.rows.resize(count);
    ChartGrid newestFirst;
    newestFirst.reserve(out.periodCount);
    double sum = 0;
    // Newest first, as the sum has always been added up; the chart gets store order below, with
    // one row per accepted reading wherever it lies in the store.
    for (int index = count - 1; index >= 0; --index) {
        const ReadingRec &rec = out.records.at(index);
        out.rows[index] = ValuesRow{QString::number(index + 1),
                                    rec.dateText,
                                    listValueText(rec.valueText, *dbMin, *dbMax, mmol),
                                    input.unitText,
                                    rec.ctrlMark,
                                    rec.tempMark,
                                    index,
                                    store.texts.at(index)};

        if (!datesRead || rec.diffDay > periodDays)
            continue;
        out.periodAt.push_back(index);
        if (!allDay) {
            const auto t = timeOfDay(rec.dateText);
            if (!t || !inTimeWindow(*t, input.timeview))
                continue;
        }

        const auto plain = plainWhole(rec.valueText);
        double v = plain ? *plain : numbertext::leadingNumber(rec.valueText);
        if (!std::isfinite(v))
            v = 0; // "1e999" is no reading anyone took
        ChartGridRow row;
        row.label = chartLabel(rec.dateText);
        if (mmol) {
            row.value = numbertext::oneDecimal(v / MgPerMmol);
            sum += readBack(row.value);
        } else {
            // Whole numbers print and read back exactly as the plain number text does; digits
            // without a leading zero already are that text.
            const bool asStored = plain && (rec.valueText.size() == 1 || rec.valueText.front() != u'0');
            row.value = asStored ? rec.valueText : plain ? QString::number(*plain) : plainNumber(v);
            sum += plain ? v : readBack(row.value);
        }
        row.high = high;
        row.low = low;
        ++out.selectedCount;
        out.selectedAt.push_back(index);
        newestFirst.push_back(std::move(row));
    }
    std::reverse(newestFirst.begin(), newestFirst.end());
    std::reverse(out.selectedAt.begin(), out.selectedAt.end());
    std::reverse(out.periodAt.begin(), out.periodAt.end());
    out.grid = std::move(newestFirst);
    out.scale = chartScale(input.settings, mmol);

    if (out.selectedCount > 0) {
        double average = sum / out.selectedCount;
        if (!std::isfinite(average)) {
            // The sum of values near the largest double overflows; their mean does not.
            average = 0;
            for (const ChartGridRow &row : out.grid)
                average += readBack(row.value) / out.selectedCount;
        }
        out.averageCaption = QStringLiteral("Average Value : [") + numbertext::oneDecimal(average) +
                             QStringLiteral("] ") + input.unitText;
    }
    if (!datesRead)
        out.end = ReportEnd::Failed;
    else
        out.end = out.selectedCount > 0 ? ReportEnd::Drawn : ReportEnd::NothingSelected;
    return out;
}

} // namespace selection
