#include "readingslayer.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Below this many primitives a paint is over before a second core could join in.
constexpr qsizetype MinPrimitivesToShare = 200;
constexpr int MaxBands = 4;
// The copies are kept between paints; on a very large plot fewer bands, or none.
constexpr qint64 MaxCopyBytes = 16 * 1024 * 1024;
// Beyond its geometry a primitive touches at most its pen's width and a pixel of smoothing.
constexpr qreal SmoothingPx = 2;
// Rough costs, for splitting the plot so that each band has about as much to paint, in the time a
// segment takes for each row it crosses (measured with the raster engine: 30 ns a row, 500 ns to
// set a segment up, 2.6 us a marker).
constexpr double SegmentRowCost = 1;
constexpr double SegmentCost = 17;
constexpr double MarkerCost = 87;

QThreadPool &bandPool()
{
    static QThreadPool pool;
    return pool;
}

// Where a primitive lies across the plot, in the painter's coordinates.
struct Span
{
    qreal left;
    qreal right;
};

Span segmentSpan(QPointF a, QPointF b, qreal margin)
{
    return {std::min(a.x(), b.x()) - margin, std::max(a.x(), b.x()) + margin};
}

bool outside(Span span, qreal offset, const QRect &band)
{
    return span.right + offset < band.left() || span.left + offset > band.left() + band.width();
}

} // namespace

ReadingsLayer::ReadingsLayer(QGraphicsItem *seriesItem) : QGraphicsItem(seriesItem)
{
    setAcceptedMouseButtons(Qt::NoButton);
}

void ReadingsLayer::setPoints(QList<QPointF> points)
{
    m_points = std::move(points);
    update();
}

void ReadingsLayer::setPen(const QPen &pen)
{
    m_pen = pen;
    update();
}

void ReadingsLayer::setMarkers(bool shown, qreal size)
{
    m_markers = shown;
    m_markerSize = size;
    update();
}

void ReadingsLayer::setPlot(const QRectF &plotArea, double xMinimum, double xMaximum, double yMinimum,
                            double yMaximum)
{
    if (plotArea != m_plot)
        prepareGeometryChange();
    m_plot = plotArea;
    m_xMinimum = xMinimum;
    m_xMaximum = xMaximum;
    m_yMinimum = yMinimum;
    m_yMaximum = yMaximum;
    update();
}

// The plot, widened by up to a pixel so that lines along its edges are drawn whole, but never so
// far that any part of the line lands beyond it.
QRectF ReadingsLayer::clipRect() const
{
    const qreal w = m_plot.width();
    const qreal h = m_plot.height();
    QRectF clip(QPointF(0, 0), QSizeF(w, h));
    const qreal x1 = m_plot.x() - int(m_plot.x());
    const qreal y1 = m_plot.y() - int(m_plot.y());
    const qreal x2 = (w + 0.5) - int(w + 0.5);
    const qreal y2 = (h + 0.5) - int(h + 0.5);
    clip.adjust(-x1, -y1, std::max(x1, x2), std::max(y1, y2));
    return clip;
}

QRectF ReadingsLayer::boundingRect() const
{
    return clipRect();
}

QList<QPointF> ReadingsLayer::plotPoints() const
{
    QList<QPointF> at;
    if (!(m_xMaximum > m_xMinimum) || !(m_yMaximum > m_yMinimum) || m_plot.isEmpty())
        return at;
    const qreal w = m_plot.width();
    const qreal h = m_plot.height();
    const qreal deltaX = w / (m_xMaximum - m_xMinimum);
    const qreal deltaY = h / (m_yMaximum - m_yMinimum);
    at.reserve(m_points.size());
    for (const QPointF &p : m_points)
        at.append(QPointF((p.x() - m_xMinimum) * deltaX, (p.y() - m_yMinimum) * -deltaY + h));
    return at;
}

void ReadingsLayer::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QList<QPointF> at = plotPoints();
    if (at.isEmpty())
        return;
    if (!paintInBands(painter, at))
        paintBand(painter, at, nullptr);
}

// The primitives, in order. With a band (columns of the device), those that lie wholly outside it
// are left out; the others are painted whole, as a clip at the band's edge would change how a
// primitive crossing it is rasterized.
void ReadingsLayer::paintBand(QPainter *painter, const QList<QPointF> &at, const QRect *band) const
{
    const qreal offset = painter->deviceTransform().dx();
    painter->save();
    painter->setClipRect(clipRect());
    painter->setPen(m_pen);
    const qreal lineMargin = m_pen.widthF() + SmoothingPx;
    for (qsizetype i = 1; i < at.size(); ++i) {
        if (band && outside(segmentSpan(at.at(i - 1), at.at(i), lineMargin), offset, *band))
            continue;
        painter->drawLine(at.at(i - 1), at.at(i));
    }
    if (m_markers) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(m_pen.color());
        const qreal markerMargin = m_markerSize + SmoothingPx;
        for (const QPointF &p : at) {
            if (band && outside(segmentSpan(p, p, markerMargin), offset, *band))
                continue;
            painter->drawEllipse(p, m_markerSize, m_markerSize);
        }
    }
    painter->restore();
}

// Shares the paint between cores, each painting what touches a band of columns: the first band on
// the device itself, the others on copies of it, whose bands are copied back once every band is
// done. Only on a raster image reached by a whole-pixel offset, whose paint is held to a rectangle
// holding the plot: there the copies rasterize every primitive exactly as the device would.
bool ReadingsLayer::paintInBands(QPainter *painter, const QList<QPointF> &at) const
{
    const int cores = std::min(QThread::idealThreadCount(), MaxBands);
    if (cores < 2 || at.size() * (m_markers ? 2 : 1) < MinPrimitivesToShare)
        return false;
    QPaintEngine *engine = painter->paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || !engine->paintDevice() ||
        engine->paintDevice()->devType() != QInternal::Image)
        return false;
    const QTransform device = painter->deviceTransform();
    if (device.type() > QTransform::TxTranslate || painter->worldTransform().type() > QTransform::TxTranslate)
        return false;
    QImage *image = static_cast<QImage *>(engine->paintDevice());
    const QRect area = device.mapRect(clipRect()).toAlignedRect() & image->rect();
    const QRegion system = engine->systemClip();
    if (image->depth() % 8 != 0 || area.isEmpty() ||
        (!system.isEmpty() && (system.rectCount() > 1 || !system.boundingRect().contains(area))))
        return false;
    // A copy reaches from the device's origin to the plot's far corner, so that its pixels lie
    // where the device's do and its edges clip nothing the device would not.
    const QSize copySize(area.right() + 1, area.bottom() + 1);
    const qint64 copyBytes = qint64(copySize.width()) * copySize.height() * (image->depth() / 8);
    const int bands = int(std::min<qint64>(cores, 1 + MaxCopyBytes / std::max<qint64>(1, copyBytes)));
    if (bands < 2 || area.width() < 2 * bands)
        return false;

    const std::vector<QRect> parts = splitColumns(at, area, device.dx(), bands);
    m_copies.resize(parts.size() - 1);
    for (size_t b = 1; b < parts.size(); ++b) {
        QImage &copy = m_copies[b - 1];
        if (copy.size() != copySize || copy.format() != image->format())
            copy = QImage(copySize, image->format());
        copyBand(*image, copy, parts[b]);
    }

    QSemaphore done;
    const QPainter::RenderHints hints = painter->renderHints();
    const qreal opacity = painter->opacity();
    const QPainter::CompositionMode mode = painter->compositionMode();
    for (size_t b = 1; b < parts.size(); ++b) {
        bandPool().start([&, b] {
            {
                QPainter other(&m_copies[b - 1]);
                other.setRenderHints(hints);
                other.setOpacity(opacity);
                other.setCompositionMode(mode);
                other.setWorldTransform(device);
                paintBand(&other, at, &parts[b]);
            }
            done.release();
        });
    }
    paintBand(painter, at, &parts.front());
    done.acquire(int(parts.size()) - 1);
    for (size_t b = 1; b < parts.size(); ++b)
        copyBand(m_copies[b - 1], *image, parts[b]);
    return true;
}

// Columns split where the estimated work is shared evenly. Mostly the line runs across the plot,
// so few primitives cross from one band into the next and get painted in both.
std::vector<QRect> ReadingsLayer::splitColumns(const QList<QPointF> &at, const QRect &area, qreal offset,
                                               int bands) const
{
    const int left = area.left();
    const int width = area.width();
    std::vector<double> steps(size_t(width) + 1, 0.0);
    auto spread = [&](Span span, double cost) {
        const int first = std::clamp(int(std::floor(span.left + offset)) - left, 0, width - 1);
        const int last = std::clamp(int(std::ceil(span.right + offset)) - left, 0, width - 1);
        const double each = cost / (last - first + 1);
        steps[size_t(first)] += each;
        steps[size_t(last) + 1] -= each;
    };
    const qreal lineMargin = m_pen.widthF() + SmoothingPx;
    for (qsizetype i = 1; i < at.size(); ++i) {
        const qreal rows = std::abs(at.at(i).y() - at.at(i - 1).y());
        spread(segmentSpan(at.at(i - 1), at.at(i), lineMargin), SegmentCost + SegmentRowCost * rows);
    }
    if (m_markers) {
        for (const QPointF &p : at)
            spread(segmentSpan(p, p, m_markerSize + SmoothingPx), MarkerCost);
    }
    std::vector<double> cumulative(size_t(width), 0.0);
    double level = 0;
    double total = 0;
    for (int c = 0; c < width; ++c) {
        level += steps[size_t(c)];
        total += level;
        cumulative[size_t(c)] = total;
    }
    std::vector<QRect> parts;
    int from = left;
    for (int b = 1; b < bands; ++b) {
        const auto it = std::lower_bound(cumulative.begin(), cumulative.end(), total * b / bands);
        // Every band keeps at least one column.
        int to = std::min(left + int(it - cumulative.begin()) + 1, area.right() + 1 - (bands - b));
        to = std::max(to, from + 1);
        parts.push_back(QRect(from, area.top(), to - from, area.height()));
        from = to;
    }
    parts.push_back(QRect(from, area.top(), area.right() + 1 - from, area.height()));
    return parts;
}

void ReadingsLayer::copyBand(const QImage &from, QImage &to, const QRect &band)
{
    const int bytesPerPixel = from.depth() / 8;
    const qsizetype offset = qsizetype(band.left()) * bytesPerPixel;
    const size_t length = size_t(band.width()) * size_t(bytesPerPixel);
    for (int y = band.top(); y <= band.bottom(); ++y)
        std::memcpy(const_cast<uchar *>(to.constScanLine(y)) + offset, from.constScanLine(y) + offset,
                    length);
}
