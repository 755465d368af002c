#pragma once

#include <QString>
#include <QVector>
#include <optional>

// One row of the chart's table: the label and three values in the display unit, each as the text
// the table shows and as the number that text says, so the average adds up exactly what the chart
// shows and the chart needs not read its texts back.
struct ChartGridRow
{
    QString label; // the date-time without its century and seconds, "12-5-6 9:5"
    QString value;
    QString high;
    QString low;
    double valueNumber = 0;
    double highNumber = 0;
    double lowNumber = 0;
};
using ChartGrid = QVector<ChartGridRow>;

// The value axis as the settings give it. A setting that does not convert stays unset and the
// chart keeps what it had for it.
struct ChartScale
{
    std::optional<double> yMaximum;
    std::optional<int> yMajorDivision;
    std::optional<int> yMinorDivision;
};
