#include "drawreport.h"

#include "clsoperateini.h"
#include "readingstore.h"
#include "reportsnapshot.h"
#include "selection.h"
#include "trendchart.h"
#include "units.h"
#include "valueslistmodel.h"

#include <QComboBox>
#include <QLabel>

namespace {

ReportInput readControls(const ReportTargets &targets)
{
    ReportInput input;
    auto text = [](const QComboBox *box) { return box ? box->currentText() : QString(); };
    input.unitText = text(targets.unit);
    input.endDateText = text(targets.xt_d1);
    input.startDateText = text(targets.xt_d2);
    input.viewText = text(targets.sel_viewtype);
    input.timeview = targets.timeview ? *targets.timeview : qint16(0);

    // A fresh instance every run: the settings window may have changed the file since the last.
    clsOperateINI ini;
    ini.setINIFileName(targets.iniPath);
    const QString section = QStringLiteral("setting");
    ReportSettings &s = input.settings;
    s.DBMin = ini.GetIniKey(section, QStringLiteral("DBMin"));
    s.DBMax = ini.GetIniKey(section, QStringLiteral("DBMax"));
    s.NormalHigh = ini.GetIniKey(section, QStringLiteral("NormalHigh"));
    s.NormalLow = ini.GetIniKey(section, QStringLiteral("NormalLow"));
    s.MajorDivision = ini.GetIniKey(section, QStringLiteral("MajorDivision"));
    s.MinorDivision = ini.GetIniKey(section, QStringLiteral("MinorDivision"));
    return input;
}

} // namespace

void DrawReport(const QString &path, const ReportTargets &targets)
{
    if (targets.MSChart1)
        targets.MSChart1->setVisible(true);

    const ReportInput input = readControls(targets);
    const StoreItems store = ReadStoreItems(path);
    const ReportOutcome outcome = selection::run(input, store);
    if (targets.reported)
        targets.reported(makeReportSnapshot(input, outcome, store));

    // No store yet: everything stays as the last run left it, and a chart that has drawn nothing
    // yet is an empty one on the scale of the settings.
    if (outcome.end == ReportEnd::StoreMissing) {
        if (targets.MSChart1)
            targets.MSChart1->showEmpty(selection::chartScale(input.settings, units::isMmol(input.unitText)),
                                        input.unitText);
        return;
    }
    if (outcome.listRebuilt && targets.vlist) {
        if (ValuesListModel *list = targets.vlist())
            list->setList(outcome.list);
    }
    if (outcome.averageCaption && targets.pjvalue)
        targets.pjvalue->setText(*outcome.averageCaption);
    if (!targets.MSChart1)
        return;
    if (outcome.end == ReportEnd::Drawn)
        targets.MSChart1->draw(outcome.grid, outcome.selectedCount, outcome.periodCount, outcome.scale,
                               input.unitText);
    else
        targets.MSChart1->hide();
}
