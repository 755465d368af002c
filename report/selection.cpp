#include "selection.h"

#include "datetext.h"
#include "numbertext.h"
#include "units.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>

namespace selection {

namespace {

const QString AllDayView = QStringLiteral("ALL");

qint32 clampToInt32(qint64 v)
{
    return qint32(
        std::clamp<qint64>(v, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

// A value as the meter writes it, plain digits, read directly: every run reads every stored
// value. Anything else goes through the general rules.
std::optional<int> plainWhole(QStringView text)
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
QString chartLabel(QStringView dateText)
{
    constexpr int Dropped = 5;
    if (dateText.size() <= Dropped)
        return QString();
    return dateText.mid(2, dateText.size() - Dropped).toString();
}

// How the values list shows a value: the rule of the Glucose column, with v the whole value
// text read as a number.
ValueShown shownAs(std::optional<double> v, qint16 dbMin, qint16 dbMax, bool mmol)
{
    if (!v)
        return ValueShown::Blank;
    if (*v <= dbMin)
        return ValueShown::Low;
    if (*v >= dbMax)
        return ValueShown::High;
    return mmol ? ValueShown::Mmol : ValueShown::AsStored;
}

// Written with '.' whatever the user's locale, and read back the same way below, so the sum
// adds exactly what the chart column shows.
QString plainNumber(double v)
{
    return QLocale::c().toString(v, 'f', QLocale::FloatingPointShortest);
}

QString averageCaption(const QString &average, const QString &unitText)
{
    return QStringLiteral("Average Value : [") + average + QStringLiteral("] ") + unitText;
}

double readBack(const QString &text)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(text, &ok);
    return ok ? v : 0.0;
}

} // namespace

std::optional<double> timeOfDay(QStringView dateText)
{
    const qsizetype blank = dateText.indexOf(u' ');
    if (blank < 0)
        return std::nullopt;
    QString time = dateText.mid(blank + 1).toString();
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

QString limitInUnit(const QString &settingText, bool mmol)
{
    const qint16 mg = numbertext::toInt16(settingText).value_or(0);
    // In mmol/L a limit is converted as the values are: a whole number would draw 80 mg/dL at 4
    // and show 4.2 inside a range that starts at 4.4.
    return mmol ? units::mmolText(mg) : QString::number(mg);
}

ChartScale chartScale(const ReportSettings &settings, bool mmol)
{
    ChartScale scale;
    if (const auto dbMax = numbertext::toNumber(settings.DBMax)) {
        const double top = mmol ? numbertext::roundHalfAway(*dbMax / units::MgPerMmol) : *dbMax;
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

namespace {

ReportOutcome selectReadings(const ReportInput &input, const StoreItems &store)
{
    ReportOutcome out;
    const bool mmol = units::isMmol(input.unitText);

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

    // The period runs from the earlier box to the later one, both dates included, whichever box
    // holds which; a reading dated after it (a meter clock set wrong once) is not in it.
    qint32 periodDays = 0;
    QDate lastDay;
    if (datesRead) {
        const QDate a = endDate->date();
        const QDate b = startDate->date();
        lastDay = std::max(a, b);
        out.periodFirst = std::min(a, b);
        out.periodLast = lastDay;
        periodDays = clampToInt32(std::abs(a.daysTo(b)));
    }
    const QString high = limitInUnit(input.settings.NormalHigh, mmol);
    const QString low = limitInUnit(input.settings.NormalLow, mmol);
    const double highNumber = readBack(high);
    const double lowNumber = readBack(low);
    const bool allDay = input.viewText == AllDayView;

    ValuesList &list = out.list;
    list.lines = store.texts;
    list.unitText = input.unitText;
    list.rows.resize(count);
    out.records.resize(count);
    // The number each charted row adds to the sum, in store order.
    QVector<double> charted;
    // One pass in store order: each line is cut and its value read once, for the list and the
    // chart alike. Every stored reading is listed, selected or not.
    for (int index = 0; index < count; ++index) {
        const QString &line = list.lines.at(index);
        ValuesRow &row = list.rows[index];
        ReadingRec &rec = out.records[index];
        row.fields = RecordSpans::cut(line);
        const QStringView valueText = row.fields.of(line, RecordSpans::Value);
        const QStringView dateText = row.fields.of(line, RecordSpans::DateTime);

        const auto plain = plainWhole(valueText);
        const auto listed =
            plain ? std::optional<double>(*plain) : numbertext::toNumber(valueText.toString());
        row.value = listed.value_or(0);
        row.shown = shownAs(listed, *dbMin, *dbMax, mmol);

        if (!datesRead)
            continue;
        if (const auto date = datetext::recordDate(dateText))
            rec.diffDay = clampToInt32(date->daysTo(lastDay));
        if (rec.diffDay < 0 || rec.diffDay > periodDays)
            continue;
        ++out.periodCount;
        out.periodAt.push_back(index);
        if (!allDay) {
            const auto t = timeOfDay(dateText);
            if (!t || !inTimeWindow(*t, input.timeview))
                continue;
        }

        double v = plain ? *plain : numbertext::leadingNumber(valueText.toString());
        if (!std::isfinite(v))
            v = 0; // "1e999" is no reading anyone took
        ChartGridRow chartRow;
        chartRow.label = chartLabel(dateText);
        if (mmol) {
            chartRow.value = units::mmolText(v);
            charted.push_back(readBack(chartRow.value));
        } else {
            // Whole numbers print and read back exactly as the plain number text does; digits
            // without a leading zero already are that text.
            const bool asStored = plain && (valueText.size() == 1 || valueText.front() != u'0');
            chartRow.value = asStored ? valueText.toString()
                             : plain  ? QString::number(*plain)
                                      : plainNumber(v);
            charted.push_back(plain ? v : readBack(chartRow.value));
        }
        chartRow.valueNumber = charted.back();
        chartRow.high = high;
        chartRow.low = low;
        chartRow.highNumber = highNumber;
        chartRow.lowNumber = lowNumber;
        rec.selected = true;
        out.selectedAt.push_back(index);
        out.grid.push_back(std::move(chartRow));
    }
    out.selectedCount = qint32(out.grid.size());
    // Newest first, as the sum has always been added up.
    double sum = 0;
    for (auto v = charted.crbegin(); v != charted.crend(); ++v)
        sum += *v;
    out.scale = chartScale(input.settings, mmol);

    if (out.selectedCount > 0) {
        double average = sum / out.selectedCount;
        if (!std::isfinite(average)) {
            // The sum of values near the largest double overflows; their mean does not.
            average = 0;
            for (const double v : charted)
                average += v / out.selectedCount;
        }
        out.averageCaption = averageCaption(numbertext::oneDecimal(average), input.unitText);
    }
    if (!datesRead)
        out.end = ReportEnd::Failed;
    else
        out.end = out.selectedCount > 0 ? ReportEnd::Drawn : ReportEnd::NothingSelected;
    return out;
}

} // namespace

ReportOutcome run(const ReportInput &input, const StoreItems &store)
{
    ReportOutcome out = selectReadings(input, store);
    // A hidden chart under an average of other readings would tell of readings that are not shown.
    if (out.end == ReportEnd::Failed || out.end == ReportEnd::NothingSelected)
        out.averageCaption = averageCaption(QString(), input.unitText);
    return out;
}

} // namespace selection
