// The report's pure half on arbitrary record lines, date-box texts and settings: the counts nest,
// the list has one row per stored entry in store order, and every number shown is finite.
#include "fuzzcheck.h"
#include "selection.h"

#include <QCoreApplication>
#include <QLocale>
#include <cmath>
#include <cstdint>

namespace {

void checkFinite(const QString &text)
{
    bool ok = false;
    const double v = QLocale::c().toDouble(text, &ok);
    check(ok && std::isfinite(v), "a number shown is finite");
}

} // namespace

// Input: one byte of flags, then lines: end date, start date, DBMin, DBMax, NormalHigh, NormalLow,
// MajorDivision, MinorDivision, and the stored record lines.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t flags = data[0];
    QStringList lines =
        QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)).split(u'\n');
    auto take = [&lines]() { return lines.isEmpty() ? QString() : lines.takeFirst(); };

    ReportInput input;
    input.unitText = (flags & 1) ? QStringLiteral("mmol/l") : QStringLiteral("mg/dl");
    input.viewText = (flags & 2) ? QStringLiteral("ALL") : QStringLiteral("Glucose Night Trend");
    input.timeview = qint16(((flags >> 2) & 7) - 1);
    input.endDateText = take();
    input.startDateText = take();
    input.settings.DBMin = take();
    input.settings.DBMax = take();
    input.settings.NormalHigh = take();
    input.settings.NormalLow = take();
    input.settings.MajorDivision = take();
    input.settings.MinorDivision = take();

    StoreItems store;
    store.status = (flags & 0x20)   ? StoreStatus::Ok
                   : (flags & 0x40) ? StoreStatus::Missing
                                    : StoreStatus::Unreadable;
    if (store.status == StoreStatus::Ok)
        store.texts = lines;
    const qint32 C = qint32(store.texts.size());

    const ReportOutcome out = selection::run(input, store);

    if (store.status != StoreStatus::Ok) {
        check(out.end == ReportEnd::StoreMissing || out.end == ReportEnd::Failed,
              "a store that is missing or unreadable ends the run");
        check(!out.listRebuilt && out.selectedCount == 0,
              "a store that is missing or unreadable selects nothing and keeps the list");
        return 0;
    }
    check(out.selectedCount >= 0 && out.selectedCount <= out.periodCount && out.periodCount <= C,
          "selected <= P <= C");
    check(out.grid.size() == out.selectedCount, "one chart row per selected reading");
    if (out.listRebuilt) {
        check(out.list.size() == C, "one list row per stored entry");
        for (qint32 i = 0; i < C; ++i) {
            check(out.list.text(i, ValuesListModel::NumColumn) == QString::number(i + 1),
                  "list rows are numbered from 1 in store order");
            const StoreItemRef item = out.list.item(i);
            check(item.position == i && item.recordLine == store.texts.at(i),
                  "a list row points at its own entry");
            check(out.list.text(i, ValuesListModel::DateColumn) == store.texts.at(i).section(u',', 1, 1),
                  "the DATE column is field 1 as stored");
        }
    }
    for (const ChartGridRow &row : out.grid) {
        checkFinite(row.value);
        checkFinite(row.high);
        checkFinite(row.low);
    }
    if (out.averageCaption) {
        const QString caption = *out.averageCaption;
        check(caption.startsWith(QLatin1String("Average Value : [")), "the average caption has its form");
        const QString average = caption.section(u'[', 1).section(u']', 0, 0);
        if (out.selectedCount > 0)
            checkFinite(average);
        else
            check(average.isEmpty(), "no average where nothing is selected");
    }
    if (out.scale.yMaximum)
        check(std::isfinite(*out.scale.yMaximum) && *out.scale.yMaximum > 0, "the value axis ends above 0");
    if (out.scale.yMajorDivision)
        check(*out.scale.yMajorDivision > 0, "major divisions are positive");
    if (out.scale.yMinorDivision)
        check(*out.scale.yMinorDivision >= 0, "minor divisions are not negative");
    check((out.end == ReportEnd::Drawn) == (out.selectedCount > 0),
          "the chart is drawn exactly when readings are selected");
    return 0;
}
