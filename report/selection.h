#pragma once

#include "chartgrid.h"
#include "readingstore.h"
#include "valueslistmodel.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

class ReadingHistory;

// The report without its windows: what a run reads from the controls, the settings and the
// store goes in; the table of readings, the chart's data and scale, the average caption and the
// rows of the values list come out. Nothing here touches a widget or a file.

// What a run made of one stored reading; its fields stay in its record line (ValuesList).
struct ReadingRec
{
    qint32 diffDay = 0;    // calendar days from the reading's date to the period's last day; 0 when unknown
    bool selected = false; // charted and averaged by this run
};

// The setting texts as the INI file holds them; each is converted by the rule of its own use.
struct ReportSettings
{
    QString DBMin;
    QString DBMax;
    QString NormalHigh;
    QString NormalLow;
    QString MajorDivision;
    QString MinorDivision;
};

// What the main window's controls held when the run started.
struct ReportInput
{
    QString unitText;
    QString endDateText;   // xt_d1
    QString startDateText; // xt_d2
    QString viewText;      // sel_viewtype
    qint16 timeview = 0;
    ReportSettings settings;
    QString storePath = {}; // newxmlfile
    // "All uploads": the readings come from the history instead of the store.
    const ReadingHistory *history = nullptr;
};

enum class ReportEnd
{
    StoreMissing,    // nothing changes, and the chart stays as it is
    Failed,          // the chart is hidden; list and caption as the outcome says
    NothingSelected, // the chart is hidden, the caption is kept
    Drawn            // the chart shows the selected readings
};

struct ReportOutcome
{
    ReportEnd end = ReportEnd::Failed;
    // Set when the values list is to be rebuilt with `list` (possibly empty).
    bool listRebuilt = false;
    // Every stored reading in store order, its record line cut once: the values list shows it,
    // and the accessors at the end read its fields. `records` runs beside it.
    ValuesList list;
    QVector<ReadingRec> records;
    qint32 periodCount = 0; // P: readings of the period, whatever their time of day
    qint32 selectedCount = 0;
    // Store places (store order) of the selected readings, and of the period's readings
    // whatever their time of day.
    QVector<qint32> selectedAt;
    QVector<qint32> periodAt;
    // The period's first and last calendar day, both included; unset when a box holds no date.
    std::optional<QDate> periodFirst;
    std::optional<QDate> periodLast;
    ChartGrid grid;
    ChartScale scale;
    std::optional<QString> averageCaption;

    // Stored reading i (0-based, store order) as its record line holds it.
    QStringView valueText(int i) const { return field(i, RecordSpans::Value); }
    QStringView dateText(int i) const { return field(i, RecordSpans::DateTime); }
    QStringView ctrlMark(int i) const { return field(i, RecordSpans::CtrlMark); }
    QStringView tempMark(int i) const { return field(i, RecordSpans::TempMark); }

private:
    QStringView field(int i, RecordSpans::Field f) const
    {
        return list.rows.at(i).fields.of(list.lines.at(i), f);
    }
};

namespace selection {

// The time of day of a stored date-time text as hour.minutes ("2012-5-6 9:5:00" -> 9.5);
// nullopt when the text has no readable time part.
std::optional<double> timeOfDay(QStringView dateText);

// Whether a time of day lies in the window of a view code (1 morning, 2 noon, 3 night).
bool inTimeWindow(double timeValue, qint16 timeview);

// The normal-range limit of the display unit as the chart's table holds it: the whole mg/dL
// setting, or /18 with one decimal (halves away from zero) in mmol/L. An unreadable setting gives 0.
QString limitInUnit(const QString &settingText, bool mmol);

// The chart's scale from the settings; a setting that does not convert is left unset.
ChartScale chartScale(const ReportSettings &settings, bool mmol);

// One whole run on the store's entries.
ReportOutcome run(const ReportInput &input, const StoreItems &store);

} // namespace selection
