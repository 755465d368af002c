#include "pdfcharts.h"

#include "chartcolours.h"
#include "clinical.h"
#include "reportsnapshot.h"
#include "statistics.h"
#include "units.h"

#include <QDateTime>
#include <QLocale>
#include <QPainter>
#include <QSet>
#include <algorithm>
#include <cmath>

namespace pdfcharts {

namespace {

const QColor Ink(0x20, 0x20, 0x20);
const QColor Rule(0xc8, 0xc8, 0xc8);
const QColor Consensus(0xe2, 0xf2, 0xe2);
const QColor Own(0x2e, 0x7d, 0x32);
const QColor Dot(chartcolours::Readings);
const QColor Outer(0xc6, 0xd8, 0xf0);
const QColor Inner(0x8c, 0xb2, 0xe2);
const QColor BandColours[] = {QColor(0x8b, 0x00, 0x00), QColor(0xe0, 0x40, 0x40), QColor(0x4c, 0xaf, 0x50),
                              QColor(0xf2, 0xb1, 0x34), QColor(0xe0, 0x7b, 0x00)};

// The value axis in mg/dL: up to 300 unless a reading goes higher, in steps of 50. The day's
// pattern holds the whole day, which can go beyond the view's highest.
double topOf(const statistics::Figures &f)
{
    double highest = f.highest;
    for (const clinical::Hour &h : f.pattern.hours)
        for (const double v : h.values)
            highest = std::max(highest, v);
    return std::clamp(std::ceil(highest / 50.0) * 50.0, 300.0, 650.0);
}

struct Plot
{
    QRectF rect;
    double top; // mg/dL
    double y(double mgdl) const { return rect.bottom() - std::clamp(mgdl / top, 0.0, 1.0) * rect.height(); }
};

// The frame both charts share: the consensus range shaded, the person's range as two lines, a
// value scale in the display unit.
void valueFrame(QPainter &p, const Plot &plot, const ReportSnapshot &s, FontOf font)
{
    p.fillRect(QRectF(QPointF(plot.rect.left(), plot.y(180)), QPointF(plot.rect.right(), plot.y(70))),
               Consensus);
    p.setFont(font(7, false));
    const double step = s.mmol ? 2 * units::MgPerMmol : 50;
    for (double v = 0; v <= plot.top + 0.1; v += step) {
        const double y = plot.y(v);
        p.setPen(Rule);
        p.drawLine(QPointF(plot.rect.left(), y), QPointF(plot.rect.right(), y));
        p.setPen(Ink);
        p.drawText(QRectF(plot.rect.left() - 28, y - 6, 24, 12), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(s.mmol ? v / units::MgPerMmol : v));
    }
    p.setPen(QPen(Own, 0.8, Qt::DashLine));
    for (const double limit : {s.normalLow, s.normalHigh})
        p.drawLine(QPointF(plot.rect.left(), plot.y(limit)), QPointF(plot.rect.right(), plot.y(limit)));
    p.save();
    p.setPen(Ink);
    p.translate(plot.rect.left() - 30, plot.rect.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-60, -10, 120, 10), Qt::AlignCenter, units::name(s.mmol));
    p.restore();
}

void caption(QPainter &p, const QRectF &area, const QString &title, const QString &note, FontOf font)
{
    p.setPen(Ink);
    p.setFont(font(10, true));
    p.drawText(QPointF(area.left(), area.top() + 10), title);
    p.setFont(font(7, false));
    p.drawText(QRectF(area.left(), area.bottom() - 10, area.width(), 10), Qt::AlignCenter, note);
}

} // namespace

void bandsBar(QPainter &p, const QRectF &area, const statistics::Figures &f, bool mmol, FontOf font)
{
    p.setPen(Ink);
    p.setFont(font(10, true));
    p.drawText(QPointF(area.left(), area.top() + 10), QStringLiteral("Consensus targets"));
    const auto shares = clinical::shares(f.bands);
    const QRectF bar(area.left(), area.top() + 16, 28, area.height() - 16);
    double y = bar.bottom();
    p.setFont(font(7, false));
    for (int b = 0; b < clinical::BandCount; ++b) {
        const double h = bar.height() * shares[b] / 100.0;
        p.fillRect(QRectF(bar.left(), y - h, bar.width(), h), BandColours[b]);
        const double rowY = bar.bottom() - (b + 0.5) * bar.height() / clinical::BandCount;
        p.fillRect(QRectF(bar.right() + 6, rowY - 3, 6, 6), BandColours[b]);
        p.setPen(Ink);
        p.drawText(
            QPointF(bar.right() + 16, rowY + 3),
            QStringLiteral("%1 %  %2 (%3)")
                .arg(shares[b])
                .arg(clinical::bandName(clinical::Band(b)), clinical::bandRange(clinical::Band(b), mmol)));
        y -= h;
    }
    p.setPen(Ink);
    p.setBrush(Qt::NoBrush);
    p.drawRect(bar);
}

void dayPattern(QPainter &p, const QRectF &area, const ReportSnapshot &s, const statistics::Figures &f,
                FontOf font)
{
    caption(
        p, area, QStringLiteral("The day's pattern, whole period"),
        QStringLiteral("hour of day; median, 25\u201375 % and 10\u201390 % where an hour holds 5 readings or "
                       "more, else the readings; shaded: %1 (consensus); dashed: your range")
            .arg(clinical::bandRange(clinical::InRange, s.mmol)),
        font);
    const Plot plot{area.adjusted(34, 16, -6, -24), topOf(f)};
    valueFrame(p, plot, s, font);
    const auto x = [&](double hour) { return plot.rect.left() + hour / 24.0 * plot.rect.width(); };
    QPolygonF median;
    p.setPen(Qt::NoPen);
    for (int h = 0; h < 24; ++h) {
        const clinical::Hour &hour = f.pattern.hours[h];
        if (const auto &q = hour.spread) {
            p.fillRect(QRectF(QPointF(x(h), plot.y((*q)[4])), QPointF(x(h + 1), plot.y((*q)[0]))), Outer);
            p.fillRect(QRectF(QPointF(x(h), plot.y((*q)[3])), QPointF(x(h + 1), plot.y((*q)[1]))), Inner);
            median << QPointF(x(h + 0.5), plot.y((*q)[2]));
            continue;
        }
        p.setBrush(Dot);
        for (const double v : hour.values)
            p.drawEllipse(QPointF(x(h + 0.5), plot.y(v)), 1.4, 1.4);
        p.setBrush(Qt::NoBrush);
    }
    p.setPen(QPen(Ink, 1.2));
    for (int i = 0; i < median.size(); ++i)
        p.drawLine(QPointF(median[i].x() - plot.rect.width() / 48, median[i].y()),
                   QPointF(median[i].x() + plot.rect.width() / 48, median[i].y()));
    p.setFont(font(7, false));
    for (int h = 0; h <= 24; h += 3) {
        p.setPen(Ink);
        p.drawText(QRectF(x(h) - 15, plot.rect.bottom() + 2, 30, 10), Qt::AlignCenter,
                   QStringLiteral("%1:00").arg(h, 2, 10, QLatin1Char('0')));
    }
    p.setPen(Ink);
    p.drawRect(plot.rect);
}

void trend(QPainter &p, const QRectF &area, const ReportSnapshot &s, const statistics::Figures &f,
           FontOf font)
{
    caption(p, area, QStringLiteral("Readings over the period"),
            QStringLiteral(
                "date; each point a blood reading of the view; shaded: %1 (consensus); dashed: your range")
                .arg(clinical::bandRange(clinical::InRange, s.mmol)),
            font);
    const Plot plot{area.adjusted(34, 16, -6, -24), topOf(f)};
    valueFrame(p, plot, s, font);
    QVector<std::pair<QDateTime, double>> points;
    for (const qint32 at : s.selectedAt) {
        const statistics::Reading r = statistics::reading(s.storeTexts.value(at));
        if (!r.control && r.readable && r.date)
            points.push_back({QDateTime(*r.date, r.time.value_or(QTime(12, 0))), r.mgdl});
    }
    // The period's own days when known, so days without readings show as gaps at its ends too.
    QDate first = s.periodFirst.value_or(QDate()), last = s.periodLast.value_or(QDate());
    for (const auto &pt : points) {
        if (!first.isValid() || pt.first.date() < first)
            first = pt.first.date();
        if (!last.isValid() || pt.first.date() > last)
            last = pt.first.date();
    }
    if (points.isEmpty() || !first.isValid()) {
        p.setPen(Ink);
        p.drawRect(plot.rect);
        return;
    }
    const QDateTime from(first, QTime(0, 0));
    const double span = double(from.secsTo(QDateTime(last.addDays(1), QTime(0, 0))));
    const auto x = [&](const QDateTime &t) {
        return plot.rect.left() + std::clamp(from.secsTo(t) / span, 0.0, 1.0) * plot.rect.width();
    };
    const qint64 days = first.daysTo(last) + 1;
    qint64 step = 1;
    while (days / step * 34.0 > plot.rect.width())
        step = step < 7 ? 7 : step * 2;
    p.setFont(font(7, false));
    for (QDate d = first; d <= last.addDays(1); d = d.addDays(step)) {
        const double tx = x(QDateTime(d, QTime(0, 0)));
        p.setPen(Rule);
        p.drawLine(QPointF(tx, plot.rect.top()), QPointF(tx, plot.rect.bottom()));
        p.setPen(Ink);
        p.drawText(QRectF(tx - 17, plot.rect.bottom() + 2, 34, 10), Qt::AlignCenter,
                   QLocale::c().toString(d, QStringLiteral("d MMM")));
    }
    // One dot per half point of paper: a dot drawn twice on the same place adds nothing.
    QSet<qint64> placed;
    p.setPen(Qt::NoPen);
    p.setBrush(Dot);
    for (const auto &[when, mgdl] : points) {
        const QPointF c(x(when), plot.y(mgdl));
        const qint64 key = qint64(std::lround(c.x() * 2)) << 32 | qint64(std::lround(c.y() * 2));
        if (placed.contains(key))
            continue;
        placed.insert(key);
        p.drawEllipse(c, 1.4, 1.4);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(Ink);
    p.drawRect(plot.rect);
}

} // namespace pdfcharts
