#include "reportsnapshot.h"

#include "datetext.h"
#include "history.h"
#include "numbertext.h"
#include "readingstore.h"
#include "selection.h"
#include "units.h"

#include <QTime>

ReportSnapshot makeReportSnapshot(const ReportInput &input, const ReportOutcome &outcome,
                                  const StoreItems &store)
{
    ReportSnapshot s;
    s.unitText = input.unitText;
    s.mmol = units::isMmol(input.unitText);
    s.endDateText = input.endDateText;
    s.startDateText = input.startDateText;
    s.viewText = input.viewText;
    if (input.history)
        s.source = QStringLiteral("all uploads since %1")
                       .arg(input.history->firstDate().toString(QStringLiteral("yyyy-MM-dd")));
    s.timeview = input.timeview;
    s.normalLow = numbertext::toInt16(input.settings.NormalLow).value_or(0);
    s.normalHigh = numbertext::toInt16(input.settings.NormalHigh).value_or(0);
    s.dbMin = numbertext::toInt16(input.settings.DBMin);
    s.dbMax = numbertext::toInt16(input.settings.DBMax);
    if (outcome.end == ReportEnd::StoreMissing)
        return s;
    s.storeTexts = store.texts;
    s.selectedAt = outcome.selectedAt;
    s.periodAt = outcome.periodAt;
    s.grid = outcome.grid;
    s.selectedCount = outcome.selectedCount;
    s.periodCount = outcome.periodCount;
    s.scale = outcome.scale;
    s.periodFirst = outcome.periodFirst;
    s.periodLast = outcome.periodLast;
    return s;
}

QString periodText(const ReportSnapshot &s, QString (*format)(const QDate &))
{
    if (!s.periodFirst || !s.periodLast)
        return QStringLiteral("%1 to %2").arg(s.startDateText, s.endDateText);
    return QStringLiteral("%1 to %2").arg(format(*s.periodFirst), format(*s.periodLast));
}

DateTimeCells dateTimeCells(const QString &dateText)
{
    const auto d = datetext::recordDate(dateText);
    if (!d)
        return {dateText, QString()};
    DateTimeCells cells{d->toString(QStringLiteral("yyyy-MM-dd")), QString()};
    const QString trimmed = dateText.trimmed();
    const qsizetype blank = trimmed.indexOf(QLatin1Char(' '));
    const QTime t = blank > 0 ? QTime::fromString(trimmed.mid(blank + 1), QStringLiteral("H:m:s")) : QTime();
    if (t.isValid())
        cells.time = t.toString(QStringLiteral("HH:mm"));
    return cells;
}
