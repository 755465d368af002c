#pragma once

#include <QString>
#include <functional>

class QComboBox;
class QLabel;
class ReadingHistory;
class TrendChart;
class ValuesListModel;
struct ReportInput;
struct ReportSnapshot;

// The main window's controls a report run reads, and the widgets it writes.
struct ReportView
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
    // Ticked "All uploads": the history to report on.
    const ReadingHistory *history = nullptr;
    // Told what each run showed, for the statistics and the documents made from it.
    std::function<void(const ReportSnapshot &)> reported;
};

// What the controls and the settings hold now, as the report's input for the store at `path`.
ReportInput readReportInput(const QString &path, const ReportView &view);

// One report run on the main window: its controls read into the input, the outcome put on its
// widgets.
void DrawReport(const QString &path, const ReportView &view);
