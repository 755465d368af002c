#include "csvexport.h"

#include "clsoperateini.h"
#include "history.h"
#include "numbertext.h"
#include "readingstore.h"
#include "recordline.h"
#include "reportsnapshot.h"
#include "units.h"

#include <cmath>

namespace csvexport {

namespace {

const QString Header = QStringLiteral("date,time,glucose_mgdl,glucose_mmoll,meter_range,control_solution,"
                                      "temperature_warning");

QString yesNo(const QString &mark, QLatin1String set)
{
    return mark.trimmed() == set ? QStringLiteral("yes") : QStringLiteral("no");
}

// Spreadsheets skip leading blanks, a no-break space among them, and read the full-width signs
// as the plain ones; some also take a cell that begins with a tab or CR as a formula.
bool startsFormula(const QString &text)
{
    if (text.startsWith(u'\t') || text.startsWith(u'\r'))
        return true;
    for (const QChar c : text) {
        if (c.isSpace())
            continue;
        return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\uFF1D' || c == u'\uFF0B' ||
               c == u'\uFF0D' || c == u'\uFF20';
    }
    return false;
}

void appendRow(QString &out, const QString &recordLine, const RangeMarks &marks)
{
    const RecordFields f = recordFields(recordLine);
    const DateTimeCells when = dateTimeCells(f.dateText);
    QString mmol;
    QString range;
    if (const auto v = numbertext::toNumber(f.valueText)) {
        mmol = units::mmolText(*v);
        if (marks.dbMin && *v <= *marks.dbMin)
            range = QStringLiteral("Low");
        else if (marks.dbMax && *v >= *marks.dbMax)
            range = QStringLiteral("High");
    }
    const QString cells[] = {when.date,
                             when.time,
                             f.valueText.trimmed(),
                             mmol,
                             range,
                             yesNo(f.ctrlMark, QLatin1String("Ctrl")),
                             yesNo(f.tempMark, QLatin1String("TEMP"))};
    for (int i = 0; i < 7; ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        out += cell(cells[i]);
    }
    out += QLatin1String("\r\n");
}

} // namespace

RangeMarks rangeMarksFromIni(const QString &iniPath)
{
    clsOperateINI ini;
    ini.setINIFileName(iniPath);
    RangeMarks marks;
    if (const auto v = numbertext::toInt16(ini.GetIniKey(QStringLiteral("setting"), QStringLiteral("DBMin"))))
        marks.dbMin = *v;
    if (const auto v = numbertext::toInt16(ini.GetIniKey(QStringLiteral("setting"), QStringLiteral("DBMax"))))
        marks.dbMax = *v;
    return marks;
}

QString cell(const QString &text)
{
    QString c = text;
    // A store can be edited by hand: a cell a spreadsheet would evaluate is made plain text.
    if (startsFormula(c))
        c.prepend(QLatin1Char('\''));
    if (c.contains(QLatin1Char(',')) || c.contains(QLatin1Char('"')) || c.contains(QLatin1Char('\n')) ||
        c.contains(QLatin1Char('\r'))) {
        c.replace(QLatin1String("\""), QLatin1String("\"\""));
        c = QLatin1Char('"') + c + QLatin1Char('"');
    }
    return c;
}

QByteArray csv(const QStringList &recordLines, const RangeMarks &marks)
{
    QString out = Header + QLatin1String("\r\n");
    out.reserve(out.size() + recordLines.size() * 48);
    for (const QString &line : recordLines)
        appendRow(out, line, marks);
    return out.toUtf8();
}

QByteArray selectedReadings(const ReportSnapshot &snapshot)
{
    QStringList lines;
    lines.reserve(snapshot.selectedAt.size());
    for (const qint32 at : snapshot.selectedAt)
        lines.push_back(snapshot.storeTexts.value(at));
    RangeMarks marks;
    if (snapshot.dbMin)
        marks.dbMin = *snapshot.dbMin;
    if (snapshot.dbMax)
        marks.dbMax = *snapshot.dbMax;
    return csv(lines, marks);
}

bool allReadings(const QString &storePath, const RangeMarks &marks, QByteArray *out, QString *error,
                 const ReadingHistory *history)
{
    const StoreItems store = history ? history->items() : ReadStoreItems(storePath);
    if (store.status != StoreStatus::Ok) {
        if (error)
            *error = store.status == StoreStatus::Missing
                         ? QStringLiteral("There is no reading store yet at %1.").arg(storePath)
                         : QStringLiteral("The reading store %1 could not be read.").arg(storePath);
        return false;
    }
    *out = csv(store.texts, marks);
    return true;
}

} // namespace csvexport
