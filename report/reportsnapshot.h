#pragma once

#include "chartgrid.h"
#include "patient.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

struct ReportInput;
struct ReportOutcome;
struct StoreItems;

// What one report run showed, kept for the statistics view and the documents made from it:
// the choices and settings of the run, the chart's data, and which stored readings the run
// selected. Copying it is cheap (the texts are shared), and later runs do not change a copy,
// so a document is made from exactly what the person saw.
struct ReportSnapshot
{
    QString unitText;
    bool mmol = false;
    QString endDateText;   // xt_d1
    QString startDateText; // xt_d2
    QString viewText;      // sel_viewtype
    qint16 timeview = 0;

    // Settings in mg/dL; an unreadable limit is 0, unreadable DBMin/DBMax mark nothing.
    double normalLow = 0;
    double normalHigh = 0;
    std::optional<qint16> dbMin;
    std::optional<qint16> dbMax;

    // Every stored record line, and the places (store order) of the readings the run selected
    // and of those in its period whatever their time of day.
    QStringList storeTexts;
    QVector<qint32> selectedAt;
    QVector<qint32> periodAt;

    // The period's first and last day, both included; unset when a box held no date.
    std::optional<QDate> periodFirst;
    std::optional<QDate> periodLast;

    ChartGrid grid;
    qint32 selectedCount = 0;
    qint32 periodCount = 0;
    ChartScale scale;

    // Who and where from, for the documents: put in by the window that makes them.
    Patient patient;
    std::optional<QDateTime> storeWritten; // the store last replaced by an upload or a delete
    // Which readings the report covers, as the doctor reads it.
    QString source = QStringLiteral("last upload");
};

// The one place that reads the report's outcome for the statistics and the exports.
ReportSnapshot makeReportSnapshot(const ReportInput &input, const ReportOutcome &outcome,
                                  const StoreItems &store);

// The period as every view of the report names it, earlier date first: "<first> to <last>",
// each date written by `format`; the boxes' texts as they stand when either held no date.
QString periodText(const ReportSnapshot &snapshot, QString (*format)(const QDate &));

// The date and time of a stored date-time text as "yyyy-MM-dd" and "HH:mm". A text that is no
// date stays as it is, with no time.
struct DateTimeCells
{
    QString date;
    QString time;
};
DateTimeCells dateTimeCells(const QString &dateText);
