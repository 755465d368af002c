#pragma once

#include <QFont>

class QPainter;
class QRectF;
struct ReportSnapshot;
namespace statistics {
struct Figures;
}

// The pictures of page 1, painted straight onto the page in points so they stay vectors and
// need no window: the consensus bands as one bar, the day's pattern hour by hour, and the
// readings against time.
namespace pdfcharts {

// Point sizes come in already shrunk to the painter's scale (see pdfreport.cpp).
using FontOf = QFont (*)(double points, bool bold);

void bandsBar(QPainter &p, const QRectF &area, const statistics::Figures &f, bool mmol, FontOf font);
void dayPattern(QPainter &p, const QRectF &area, const ReportSnapshot &s, const statistics::Figures &f,
                FontOf font);
void trend(QPainter &p, const QRectF &area, const ReportSnapshot &s, const statistics::Figures &f,
           FontOf font);

} // namespace pdfcharts
