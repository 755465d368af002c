#include "drawreport.h"

#include "reportrun.h"
#include "statistics.h"
#include "trendchart.h"
#include "valueslistmodel.h"

#include <QLabel>

void DrawReport(const ReportInput &input, const ReportWidgets &widgets)
{
    if (widgets.MSChart1)
        widgets.MSChart1->setVisible(true);

    const ReportResult result = report::run(input);
    const ReportOutcome &outcome = result.outcome;
    if (widgets.reported)
        widgets.reported(result.snapshot);
    if (widgets.MSChart1)
        widgets.MSChart1->describeWith(
            [snapshot = result.snapshot] { return statistics::chartDescription(snapshot); });

    // No store yet: everything stays as the last run left it.
    if (outcome.end == ReportEnd::StoreMissing) {
        if (widgets.MSChart1)
            widgets.MSChart1->showEmpty(outcome.scale, input.unitText);
        return;
    }
    if (outcome.listRebuilt && widgets.vlist) {
        if (ValuesListModel *list = widgets.vlist())
            list->setList(outcome.list);
    }
    if (outcome.averageCaption && widgets.pjvalue)
        widgets.pjvalue->setText(*outcome.averageCaption);
    if (!widgets.MSChart1)
        return;
    if (outcome.end == ReportEnd::Drawn)
        widgets.MSChart1->draw(outcome.grid, outcome.selectedCount, outcome.periodCount, outcome.scale,
                               input.unitText);
    else
        widgets.MSChart1->hide();
}
