#include "reportview.h"

#include "drawreport.h"
#include "reportrun.h"

#include <QComboBox>

ReportInput readReportInput(const QString &path, const ReportView &view)
{
    auto text = [](const QComboBox *box) { return box ? box->currentText() : QString(); };
    ReportInput input;
    input.unitText = text(view.unit);
    input.endDateText = text(view.xt_d1);
    input.startDateText = text(view.xt_d2);
    input.viewText = text(view.sel_viewtype);
    input.timeview = view.timeview ? *view.timeview : qint16(0);
    input.settings = report::readSettings(view.iniPath);
    input.storePath = path;
    input.history = view.history;
    return input;
}

void DrawReport(const QString &path, const ReportView &view)
{
    ReportWidgets widgets;
    widgets.MSChart1 = view.MSChart1;
    widgets.pjvalue = view.pjvalue;
    widgets.vlist = view.vlist;
    widgets.reported = view.reported;
    DrawReport(readReportInput(path, view), widgets);
}
