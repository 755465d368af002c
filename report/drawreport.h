#pragma once

#include <functional>

class QLabel;
class TrendChart;
class ValuesListModel;
struct ReportInput;
struct ReportSnapshot;

// The widgets a report run writes. The caller hands them in, so the report never needs to know
// the window itself.
struct ReportWidgets
{
    TrendChart *MSChart1 = nullptr;
    QLabel *pjvalue = nullptr;
    // Loads the values window when it is not loaded yet and gives its list.
    std::function<ValuesListModel *()> vlist;
    // Told what each run showed, for the statistics and the documents made from it.
    std::function<void(const ReportSnapshot &)> reported;
};

// Shows the chart, runs the report on `input` (reportrun.h) and puts its outcome on the widgets:
// the values list, the average caption, and the chart drawn or hidden.
void DrawReport(const ReportInput &input, const ReportWidgets &widgets);
