#include "pdfreport.h"

#include "datetext.h"
#include "recordline.h"
#include "reportfile.h"
#include "reportsnapshot.h"
#include "selection.h"
#include "statistics.h"
#include "units.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QSet>
#include <algorithm>
#include <cmath>

namespace pdfreport {

namespace {

constexpr double Margin = 40;       // points, around a PDF page
constexpr double BodySize = 9;      // points
constexpr double RowHeight = 13;    // points, a line of the figures and of the table
constexpr double FooterHeight = 24; // points
constexpr int LongestCell = 14;     // characters; a hand-edited store can hold any text

const QColor Ink(0x20, 0x20, 0x20);
const QColor Rule(0xb0, 0xb0, 0xb0);
const QColor RangeShade(0xdc, 0xf0, 0xdc);
const QColor Dot(0x1f, 0x5f, 0xbf);

// The painter's units are points; a font's point size is turned into device pixels before
// that scale applies, so it is given shrunk by the same factor.
double g_fontScale = 1.0;

QFont font(double points, bool bold = false)
{
    QFont f(QStringLiteral("Helvetica"));
    f.setPointSizeF(points * g_fontScale);
    f.setBold(bold);
    return f;
}

struct Page
{
    QPainter &p;
    double width;
    double height;
};

QString fitted(const QString &text)
{
    return text.size() > LongestCell ? text.left(LongestCell - 1) + QStringLiteral("\u2026") : text;
}

QString isoDate(const QDate &d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

QString isoPeriod(const ReportSnapshot &s)
{
    return periodText(s, &isoDate);
}

QString viewName(const ReportSnapshot &s)
{
    return s.viewText == QLatin1String("ALL") ? QStringLiteral("whole day (ALL)") : s.viewText;
}

int rowsPerPage(double pageHeight)
{
    return std::max(1, int((pageHeight - FooterHeight - 2 * RowHeight) / RowHeight));
}

void footer(Page &page, int number, int pages, const QDateTime &made)
{
    page.p.setFont(font(8));
    page.p.setPen(Ink);
    const QRectF band(0, page.height - FooterHeight + 8, page.width, FooterHeight - 8);
    page.p.drawText(band, Qt::AlignLeft | Qt::AlignVCenter,
                    QStringLiteral("Quillon blood glucose report, made %1")
                        .arg(made.toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    page.p.drawText(band, Qt::AlignRight | Qt::AlignVCenter,
                    QStringLiteral("Page %1 of %2").arg(number).arg(pages));
}

double header(Page &page, const ReportSnapshot &s, const Options &o)
{
    QPainter &p = page.p;
    p.setPen(Ink);
    p.setFont(font(16, true));
    p.drawText(QRectF(0, 0, page.width, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Blood glucose report"));
    p.setFont(font(BodySize));
    const QString lines[] = {
        QStringLiteral("Period: %1    Readings: %2").arg(isoPeriod(s), s.source),
        QStringLiteral("View: %1    Unit: %2").arg(viewName(s), units::name(s.mmol)),
        QStringLiteral("Made: %1").arg(o.made.toString(QStringLiteral("yyyy-MM-dd HH:mm"))),
    };
    double y = 30;
    for (const QString &line : lines) {
        p.drawText(QPointF(0, y + BodySize), line);
        y += RowHeight;
    }
    p.setPen(Rule);
    p.drawLine(QPointF(0, y + 4), QPointF(page.width, y + 4));
    return y + 12;
}

double figures(Page &page, const ReportSnapshot &s, double top)
{
    QPainter &p = page.p;
    const statistics::Limits limits = statistics::limits(s);
    const statistics::Figures f = statistics::compute(s);
    const double left = page.width * 0.58;
    p.setPen(Ink);
    p.setFont(font(10, true));
    p.drawText(QPointF(0, top + 10), QStringLiteral("Statistics"));
    p.drawText(QPointF(left + 12, top + 10), QStringLiteral("By time of day (whole period)"));
    double y = top + 16;
    for (const statistics::Line &line : statistics::lines(f, limits, s.mmol)) {
        p.setFont(font(BodySize));
        p.drawText(QPointF(0, y + BodySize), line.label);
        p.setFont(font(BodySize, true));
        p.drawText(QRectF(0, y, left, RowHeight), Qt::AlignRight | Qt::AlignTop, line.value);
        y += RowHeight;
    }

    const double cols[] = {left + 12, left + 88, left + 112, left + 172};
    double ty = top + 16;
    p.setFont(font(BodySize, true));
    const QString heads[] = {QStringLiteral("Window"), QStringLiteral("n"), QStringLiteral("Mean"),
                             QStringLiteral("In range")};
    for (int c = 0; c < 4; ++c)
        p.drawText(QPointF(cols[c], ty + BodySize), heads[c]);
    ty += RowHeight;
    p.setFont(font(BodySize));
    for (const auto &row : statistics::timeOfDayRows(f, s.mmol)) {
        for (int c = 0; c < 4; ++c)
            p.drawText(QPointF(cols[c], ty + BodySize),
                       c == 0 ? row[c].section(QLatin1Char(' '), 0, 0) : row[c]);
        ty += RowHeight;
    }
    return y + 6;
}

void noData(Page &page, const QRectF &area)
{
    page.p.setPen(Rule);
    page.p.drawRect(area);
    page.p.setFont(font(11));
    page.p.drawText(area, Qt::AlignCenter, QStringLiteral("No Graphic Data "));
}

void trendChart(Page &page, const ReportSnapshot &s, const QRectF &area, TrendPainter paintChart)
{
    if (s.selectedCount == 0) {
        noData(page, area);
        return;
    }
    // The doctor's chart shows blood only: a control test's 300 is no spike of the person's.
    ChartGrid blood;
    blood.reserve(s.grid.size());
    for (int i = 0; i < s.grid.size() && i < s.selectedAt.size(); ++i) {
        if (recordFields(s.storeTexts.value(s.selectedAt.at(i))).ctrlMark.trimmed() != QLatin1String("Ctrl"))
            blood.push_back(s.grid.at(i));
    }
    if (blood.isEmpty()) {
        noData(page, area);
        return;
    }
    if (paintChart)
        paintChart(page.p, area, blood, s);
}

// Every selected blood reading placed by its time of day, over the normal range.
void timeOfDayChart(Page &page, const ReportSnapshot &s, const QRectF &area)
{
    QPainter &p = page.p;
    p.setPen(Ink);
    p.setFont(font(10, true));
    p.drawText(QPointF(area.left(), area.top() + 10), QStringLiteral("Readings by time of day"));
    const QRectF plot = area.adjusted(30, 20, -8, -22);
    const double unit = s.mmol ? units::MgPerMmol : 1.0;
    const double top = s.scale.yMaximum.value_or(s.mmol ? 33 : 600);
    const auto yOf = [&](double mgdl) {
        return plot.bottom() - std::clamp(mgdl / unit / top, 0.0, 1.0) * plot.height();
    };
    const auto xOf = [&](double hours) { return plot.left() + hours / 24.0 * plot.width(); };

    p.fillRect(QRectF(QPointF(plot.left(), yOf(s.normalHigh)), QPointF(plot.right(), yOf(s.normalLow))),
               RangeShade);
    p.setFont(font(7));
    const int divisions = std::max(1, s.scale.yMajorDivision.value_or(6));
    for (int i = 0; i <= divisions; ++i) {
        const double value = top * i / divisions;
        const double y = plot.bottom() - plot.height() * i / divisions;
        p.setPen(Rule);
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(Ink);
        p.drawText(QRectF(plot.left() - 30, y - 6, 26, 12), Qt::AlignRight | Qt::AlignVCenter,
                   QLocale::c().toString(value, 'g', 4));
    }
    for (int h = 0; h <= 24; h += 3) {
        const double x = xOf(h);
        p.setPen(Rule);
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        p.setPen(Ink);
        p.drawText(QRectF(x - 15, plot.bottom() + 2, 30, 10), Qt::AlignCenter, QStringLiteral("%1 h").arg(h));
    }
    p.drawText(QRectF(plot.left(), plot.bottom() + 11, plot.width(), 10), Qt::AlignCenter,
               QStringLiteral("time of day; shaded: normal range; values in %1").arg(units::name(s.mmol)));

    // One dot per half point of paper: a dot drawn twice on the same place adds nothing.
    QSet<qint64> placed;
    p.setPen(Qt::NoPen);
    p.setBrush(Dot);
    for (const qint32 at : s.selectedAt) {
        const statistics::Reading r = statistics::reading(s.storeTexts.value(at));
        if (r.control || !r.readable || !r.time)
            continue;
        const QPointF c(xOf(r.time->hour() + r.time->minute() / 60.0), yOf(r.mgdl));
        const qint64 key = qint64(std::lround(c.x() * 2)) << 32 | qint64(std::lround(c.y() * 2));
        if (placed.contains(key))
            continue;
        placed.insert(key);
        p.drawEllipse(c, 1.6, 1.6);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(Ink);
    p.drawRect(plot);
}

void tablePage(Page &page, const ReportSnapshot &s, int from, int to)
{
    QPainter &p = page.p;
    const double cols[] = {0, 80, 130, 230, 300, 360};
    const QString heads[] = {QStringLiteral("Date"),
                             QStringLiteral("Time"),
                             QStringLiteral("Glucose (%1)").arg(units::name(s.mmol)),
                             QStringLiteral("Meter range"),
                             QStringLiteral("Control"),
                             QStringLiteral("Temperature")};
    p.setPen(Ink);
    p.setFont(font(10, true));
    p.drawText(QPointF(0, 10), QStringLiteral("Readings, %1").arg(isoPeriod(s)));
    double y = RowHeight + 4;
    p.setFont(font(BodySize, true));
    for (int c = 0; c < 6; ++c)
        p.drawText(QPointF(cols[c], y + BodySize), heads[c]);
    y += RowHeight;
    p.setPen(Rule);
    p.drawLine(QPointF(0, y - 2), QPointF(page.width, y - 2));
    p.setPen(Ink);
    p.setFont(font(BodySize));
    for (int i = from; i < to; ++i) {
        const RecordFields f = recordFields(s.storeTexts.value(s.selectedAt.at(i)));
        const statistics::Reading r = statistics::reading(f);
        const DateTimeCells when = dateTimeCells(f.dateText);
        QString range;
        if (r.readable && s.dbMin && r.mgdl <= *s.dbMin)
            range = QStringLiteral("Low");
        else if (r.readable && s.dbMax && r.mgdl >= *s.dbMax)
            range = QStringLiteral("High");
        const QString cells[] = {
            fitted(when.date),
            when.time,
            fitted(r.readable ? statistics::valueText(r.mgdl, s.mmol) : f.valueText.trimmed()),
            range,
            r.control ? QStringLiteral("Ctrl") : QString(),
            r.temperature ? QStringLiteral("TEMP") : QString()};
        for (int c = 0; c < 6; ++c) {
            if (!cells[c].isEmpty())
                p.drawText(QPointF(cols[c], y + BodySize), cells[c]);
        }
        y += RowHeight;
    }
}

} // namespace

bool asksTableChoice(const ReportSnapshot &snapshot)
{
    return snapshot.selectedAt.size() > TableChoiceAbove;
}

QPageSize pageSizeFor(const QLocale &locale)
{
    return QPageSize(locale.measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                             : QPageSize::A4);
}

Result paint(QPagedPaintDevice &device, const ReportSnapshot &s, const Options &o, const Progress &progress)
{
    QPainter painter;
    if (!painter.begin(&device))
        return Result::Failed;
    const QRectF area = device.pageLayout().paintRect(QPageLayout::Point);
    // Laid out in points whatever the device's resolution.
    const double scale = device.logicalDpiX() / 72.0;
    painter.scale(scale, scale);
    g_fontScale = 1.0 / scale;
    painter.setRenderHint(QPainter::Antialiasing);
    Page page{painter, area.width(), area.height()};

    const int readings = o.withTable ? int(s.selectedAt.size()) : 0;
    const int perPage = rowsPerPage(area.height());
    const int pages = 1 + (readings + perPage - 1) / perPage;

    double y = header(page, s, o);
    y = figures(page, s, y);
    const double left = area.height() - FooterHeight - y;
    const double trendHeight = left * 0.55;
    painter.setPen(Ink);
    painter.setFont(font(10, true));
    painter.drawText(QPointF(0, y + 10), QStringLiteral("Trend of the selected readings"));
    trendChart(page, s, QRectF(0, y + 14, area.width(), trendHeight - 20), o.trend);
    timeOfDayChart(page, s, QRectF(0, y + trendHeight, area.width(), left - trendHeight));
    footer(page, 1, pages, o.made);
    if (progress && !progress(1, pages)) {
        painter.end();
        return Result::Cancelled;
    }

    for (int n = 2; n <= pages; ++n) {
        if (!device.newPage()) {
            painter.end();
            return Result::Failed;
        }
        const int from = (n - 2) * perPage;
        tablePage(page, s, from, std::min(readings, from + perPage));
        footer(page, n, pages, o.made);
        if (progress && !progress(n, pages)) {
            painter.end();
            return Result::Cancelled;
        }
    }
    return painter.end() ? Result::Done : Result::Failed;
}

Result pdfBytes(QByteArray &bytes, const QPageLayout &layout, int resolution, const ReportSnapshot &snapshot,
                const Options &options, const Progress &progress, QString *error)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Result result;
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(QStringLiteral("Blood glucose report"));
        writer.setCreator(QStringLiteral("Quillon"));
        writer.setResolution(resolution);
        writer.setPageLayout(layout);
        result = paint(writer, snapshot, options, progress);
    }
    if (result == Result::Failed && error)
        *error = QStringLiteral("The report could not be drawn.");
    return result;
}

Result writePdf(const QString &path, const ReportSnapshot &snapshot, const Options &options,
                const Progress &progress, QString *error)
{
    QByteArray bytes;
    const QPageLayout layout(pageSizeFor(QLocale::system()), QPageLayout::Portrait,
                             QMarginsF(Margin, Margin, Margin, Margin), QPageLayout::Point);
    const Result result = pdfBytes(bytes, layout, 300, snapshot, options, progress, error);
    if (result != Result::Done)
        return result;
    return writeReportFile(path, bytes, error) ? Result::Done : Result::Failed;
}

} // namespace pdfreport
