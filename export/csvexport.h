#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

struct ReportSnapshot;

// Readings as CSV for a spreadsheet: RFC 4180, comma, "." as decimal mark, UTF-8 without a
// byte-order mark, CRLF. Columns: date, time, mg/dL, mmol/L, meter-range mark, control
// solution, temperature warning.
class ReadingHistory;

namespace csvexport {

// The values that the values list shows as "Low" (at or below) and "High" (at or above).
struct RangeMarks
{
    std::optional<double> dbMin;
    std::optional<double> dbMax;
};
RangeMarks rangeMarksFromIni(const QString &iniPath);

// One cell as written: neutralised when a spreadsheet would run it as a formula, quoted when
// it holds a separator, a quote or a line break.
QString cell(const QString &text);

// The whole file for these record lines, in their order.
QByteArray csv(const QStringList &recordLines, const RangeMarks &marks);
// The readings the report selected.
QByteArray selectedReadings(const ReportSnapshot &snapshot);

// Every reading of the store; false with a message when the store cannot be read.
// With a history, its readings instead of the store's.
bool allReadings(const QString &storePath, const RangeMarks &marks, QByteArray *out, QString *error,
                 const ReadingHistory *history = nullptr);

} // namespace csvexport
