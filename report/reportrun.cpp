#include "reportrun.h"

#include "clsoperateini.h"
#include "history.h"
#include "readingstore.h"
#include "units.h"

namespace report {

ReportSettings readSettings(const QString &iniPath)
{
    clsOperateINI ini;
    ini.setINIFileName(iniPath);
    const QString section = QStringLiteral("setting");
    ReportSettings s;
    s.DBMin = ini.GetIniKey(section, QStringLiteral("DBMin"));
    s.DBMax = ini.GetIniKey(section, QStringLiteral("DBMax"));
    s.NormalHigh = ini.GetIniKey(section, QStringLiteral("NormalHigh"));
    s.NormalLow = ini.GetIniKey(section, QStringLiteral("NormalLow"));
    s.MajorDivision = ini.GetIniKey(section, QStringLiteral("MajorDivision"));
    s.MinorDivision = ini.GetIniKey(section, QStringLiteral("MinorDivision"));
    return s;
}

ReportResult run(const ReportInput &input)
{
    const StoreItems store = input.history ? input.history->items() : ReadStoreItems(input.storePath);
    ReportResult result;
    result.outcome = selection::run(input, store);
    result.snapshot = makeReportSnapshot(input, result.outcome, store);
    // With no store yet a chart that has drawn nothing is an empty one on the settings' scale.
    if (result.outcome.end == ReportEnd::StoreMissing)
        result.outcome.scale = selection::chartScale(input.settings, units::isMmol(input.unitText));
    return result;
}

} // namespace report
