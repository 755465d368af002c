#pragma once

#include <QString>
#include <functional>

class QComboBox;
class QLabel;
class TrendChart;
class ValuesListModel;
struct ReportSnapshot;

// The controls a report run reads and writes. The main window hands them in, so the report
// never needs to know the window itself.
struct ReportTargets
{
    QComboBox *unit = nullptr;
    QComboBox *xt_d1 = nullptr;
    QComboBox *xt_d2 = nullptr;
    QComboBox *sel_viewtype = nullptr;
    const qint16 *timeview = nullptr;
    TrendChart *MSChart1 = nullptr;
    QLabel *pjvalue = nullptr;
    // Loads the values window when it is not loaded yet and gives its list.
    std::function<ValuesListModel *()> vlist;
    QString iniPath;
    // Told what each run showed, for the statistics and the documents made from it.
    std::function<void(const ReportSnapshot &)> reported;
};

// Reads the whole store, refills the values list, selects the readings of the period and
// view, and draws or hides the chart.
void DrawReport(const QString &path, const ReportTargets &targets);
