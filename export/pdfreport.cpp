#include "pdfreport.h"

#include "clinical.h"
#include "datetext.h"
#include "patient.h"
#include "pdfcharts.h"
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
constexpr double FigureSize = 8;    // points, the figures of page 1
constexpr double FigureRow = 11;    // points
constexpr int LongestCell = 14;     // characters; a hand-edited store can hold any text

const QColor Ink(0x20, 0x20, 0x20);
const QColor Rule(0xb0, 0xb0, 0xb0);

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

QString lowLevel(bool mmol)
{
    return statistics::valueText(clinical::LowLevel, mmol) + QLatin1Char(' ') + units::name(mmol);
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

void footer(Page &page, int number, int pages, const ReportSnapshot &s, const QDateTime &made)
{
    page.p.setFont(font(8));
    page.p.setPen(Ink);
    const QRectF band(0, page.height - FooterHeight + 8, page.width, FooterHeight - 8);
    const QString who = patient::line(s.patient);
    page.p.drawText(band, Qt::AlignLeft | Qt::AlignVCenter,
                    (who.isEmpty() ? QString() : who + QStringLiteral("  \u2014  ")) +
                        QStringLiteral("Quillon blood glucose report, made %1")
                            .arg(made.toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    page.p.drawText(band, Qt::AlignRight | Qt::AlignVCenter,
                    QStringLiteral("Page %1 of %2").arg(number).arg(pages));
}

// Who, which period and how much of it is covered, where the readings come from.
// The store holds the last upload; the history, every upload since its first.
QString sourceText(const ReportSnapshot &s)
{
    if (s.source != QLatin1String("last upload"))
        return QStringLiteral("the reading history, %1").arg(s.source);
    return QStringLiteral("the meter's readings in the store, last upload %1")
        .arg(s.storeWritten ? s.storeWritten->toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                            : QStringLiteral("unknown"));
}

double header(Page &page, const ReportSnapshot &s, const statistics::Figures &f, const Options &o)
{
    QPainter &p = page.p;
    p.setPen(Ink);
    p.setFont(font(16, true));
    p.drawText(QRectF(0, 0, page.width, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Blood glucose report"));
    const Patient &who = s.patient;
    const auto orNone = [](const QString &t) { return t.isEmpty() ? QStringLiteral("\u2013") : t; };
    const QRectF box(0, 28, page.width, 20);
    p.setPen(Rule);
    p.drawRect(box);
    p.setPen(Ink);
    p.setFont(font(10, true));
    p.drawText(box.adjusted(6, 0, -6, 0), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Patient: %1").arg(orNone(who.name)));
    p.setFont(font(BodySize));
    p.drawText(box.adjusted(6, 0, -6, 0), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Date of birth: %1      Identifier: %2")
                   .arg(orNone(who.birthDate), orNone(who.identifier)));
    QString period = QStringLiteral("Period: %1").arg(isoPeriod(s));
    if (f.periodDays)
        period += QStringLiteral(" (%1 days; days with readings: %2 of %1)")
                      .arg(*f.periodDays)
                      .arg(f.daysWithReadings);
    const QString lines[] = {
        period,
        QStringLiteral("View: %1    Unit: %2").arg(viewName(s), units::name(s.mmol)),
        QStringLiteral("Source: %1    Made: %2")
            .arg(sourceText(s), o.made.toString(QStringLiteral("yyyy-MM-dd HH:mm"))),
    };
    double y = 54;
    for (const QString &line : lines) {
        p.drawText(QPointF(0, y + BodySize), line);
        y += RowHeight;
    }
    p.setPen(Rule);
    p.drawLine(QPointF(0, y + 4), QPointF(page.width, y + 4));
    return y + 12;
}

double figures(Page &page, const ReportSnapshot &s, const statistics::Figures &f, double top)
{
    QPainter &p = page.p;
    const statistics::Limits limits = statistics::limits(s);
    const double left = page.width * 0.6;
    p.setPen(Ink);
    p.setFont(font(10, true));
    p.drawText(QPointF(0, top + 10), QStringLiteral("Statistics of the view"));
    p.drawText(QPointF(left + 12, top + 10), QStringLiteral("By time of day (whole period)"));
    double y = top + 16;
    for (const statistics::Line &line : statistics::lines(f, limits, s.mmol)) {
        p.setFont(font(FigureSize));
        p.drawText(QPointF(0, y + FigureSize), line.label);
        p.setFont(font(FigureSize, true));
        p.drawText(QRectF(0, y, left, FigureRow), Qt::AlignRight | Qt::AlignTop, line.value);
        y += FigureRow;
    }

    const double cols[] = {left + 12, left + 58, left + 118, left + 136, left + 180};
    double ty = top + 16;
    p.setFont(font(FigureSize, true));
    const QString heads[] = {QStringLiteral("Window"), QStringLiteral("Hours"), QStringLiteral("n"),
                             QStringLiteral("Median"), QStringLiteral("Lows")};
    for (int c = 0; c < 5; ++c)
        p.drawText(QPointF(cols[c], ty + FigureSize), heads[c]);
    ty += FigureRow;
    p.setFont(font(FigureSize));
    for (const QStringList &row : statistics::timeOfDayRows(f, s.mmol)) {
        const QString shown[] = {row[0], row[1], row[2], row[3].section(QLatin1Char(' '), 0, 0), row[5]};
        for (int c = 0; c < 5; ++c)
            p.drawText(QPointF(cols[c], ty + FigureSize), shown[c]);
        ty += FigureRow;
    }
    p.drawText(
        QPointF(left + 12, ty + FigureSize),
        QStringLiteral("Median in %1; lows: readings under %2").arg(units::name(s.mmol), lowLevel(s.mmol)));
    ty += FigureRow + 6;
    const double barHeight = 84;
    pdfcharts::bandsBar(p, QRectF(left + 12, ty, page.width - left - 12, barHeight), f, s.mmol, &font);
    ty += barHeight + 8;
    p.setPen(Ink);
    p.setFont(font(FigureSize, true));
    const int lows = int(f.pattern.lows.size());
    p.drawText(QRectF(left + 12, ty, page.width - left - 12, 2 * FigureRow), Qt::AlignLeft | Qt::TextWordWrap,
               lows == 0 ? QStringLiteral("No reading under %1 in the period.").arg(lowLevel(s.mmol))
                         : QStringLiteral("%1 %2 under %3 in the period, listed on page 2.")
                               .arg(lows)
                               .arg(lows == 1 ? QStringLiteral("reading") : QStringLiteral("readings"),
                                    lowLevel(s.mmol)));
    return std::max(y, ty + 2 * FigureRow) + 6;
}

void noData(Page &page, const QRectF &area)
{
    page.p.setPen(Rule);
    page.p.drawRect(area);
    page.p.setFont(font(11));
    page.p.drawText(area, Qt::AlignCenter, QStringLiteral("No Graphic Data "));
}

bool anyBlood(const ReportSnapshot &s)
{
    for (const qint32 at : s.selectedAt) {
        const statistics::Reading r = statistics::reading(s.storeTexts.value(at));
        if (!r.control && r.readable)
            return true;
    }
    return false;
}

// Every low of the period, newest first, as many as one page holds; the rest counted.
void lowsPage(Page &page, const ReportSnapshot &s, const statistics::Figures &f)
{
    QPainter &p = page.p;
    const auto rows = statistics::lowRows(f, statistics::limits(s), s.mmol);
    p.setPen(Ink);
    p.setFont(font(10, true));
    p.drawText(QPointF(0, 10), QStringLiteral("Readings under %1, newest first, %2: %3")
                                   .arg(lowLevel(s.mmol), isoPeriod(s))
                                   .arg(rows.size()));
    const double cols[] = {0, 80, 130, 230};
    const QString heads[] = {QStringLiteral("Date"), QStringLiteral("Time"),
                             QStringLiteral("Glucose (%1)").arg(units::name(s.mmol)),
                             QStringLiteral("Window")};
    double y = RowHeight + 4;
    p.setFont(font(BodySize, true));
    for (int c = 0; c < 4; ++c)
        p.drawText(QPointF(cols[c], y + BodySize), heads[c]);
    y += RowHeight;
    p.setFont(font(BodySize));
    const int fit = rowsPerPage(page.height) - 1;
    const int shown = rows.size() > fit ? fit - 1 : int(rows.size());
    for (int i = 0; i < shown; ++i) {
        for (int c = 0; c < 4; ++c)
            p.drawText(QPointF(cols[c], y + BodySize), fitted(rows[i][c]));
        y += RowHeight;
    }
    if (shown < rows.size()) {
        p.setFont(font(BodySize, true));
        p.drawText(QPointF(0, y + BodySize),
                   QStringLiteral("%1 more lows, older, not listed here; the readings "
                                  "table lists every reading.")
                       .arg(rows.size() - shown));
    }
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

QPageLayout pageLayout(const QPageSize &size)
{
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(Margin, Margin, Margin, Margin),
                       QPageLayout::Point);
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
    const statistics::Figures f = statistics::compute(s);
    const int lowsPages = f.pattern.lows.isEmpty() ? 0 : 1;
    const int pages = 1 + lowsPages + (readings + perPage - 1) / perPage;

    double y = header(page, s, f, o);
    y = figures(page, s, f, y);
    const double left = area.height() - FooterHeight - y;
    const QRectF trendArea(0, y, area.width(), left * 0.47);
    if (anyBlood(s))
        pdfcharts::trend(painter, trendArea, s, f, &font);
    else {
        painter.setPen(Ink);
        painter.setFont(font(10, true));
        painter.drawText(QPointF(0, y + 10), QStringLiteral("Readings over the period"));
        noData(page, trendArea.adjusted(0, 14, 0, 0));
    }
    pdfcharts::dayPattern(painter, QRectF(0, y + left * 0.5, area.width(), left * 0.5), s, f, &font);
    footer(page, 1, pages, s, o.made);
    if (progress && !progress(1, pages)) {
        painter.end();
        return Result::Cancelled;
    }
    if (lowsPages) {
        if (!device.newPage()) {
            painter.end();
            return Result::Failed;
        }
        lowsPage(page, s, f);
        footer(page, 2, pages, s, o.made);
        if (progress && !progress(2, pages)) {
            painter.end();
            return Result::Cancelled;
        }
    }

    for (int n = 2 + lowsPages; n <= pages; ++n) {
        if (!device.newPage()) {
            painter.end();
            return Result::Failed;
        }
        const int from = (n - 2 - lowsPages) * perPage;
        tablePage(page, s, from, std::min(readings, from + perPage));
        footer(page, n, pages, s, o.made);
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
    const Result result = pdfBytes(bytes, pageLayout(pageSizeFor(QLocale::system())), PdfResolution, snapshot,
                                   options, progress, error);
    if (result != Result::Done)
        return result;
    return writeReportFile(path, bytes, error) ? Result::Done : Result::Failed;
}

} // namespace pdfreport
