#include "readingslayer.h"

#include <QPaintEngine>
#include <QPainter>
#include <cmath>

namespace {

// A disc's smoothing reaches a pixel past its radius.
constexpr int SpriteMarginPx = 1;

} // namespace

ReadingsLayer::ReadingsLayer(QGraphicsItem *chart) : QGraphicsItem(chart)
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

void ReadingsLayer::setMarkers(bool shown, qreal radius)
{
    m_markers = shown;
    m_radius = radius;
    update();
}

void ReadingsLayer::setPlot(const QRectF &plotArea, double xMaximum, double yMaximum)
{
    if (plotArea.size() != m_plotSize)
        prepareGeometryChange();
    setPos(plotArea.topLeft());
    m_plotSize = plotArea.size();
    m_xMaximum = xMaximum;
    m_yMaximum = yMaximum;
    update();
}

// The plot, widened by up to a pixel so that lines along its edges are drawn whole, but never so
// far that any part of the line lands beyond it: the clip the chart component gives its series.
QRectF ReadingsLayer::clipRect() const
{
    const qreal w = m_plotSize.width();
    const qreal h = m_plotSize.height();
    QRectF clip(QPointF(0, 0), m_plotSize);
    const qreal x1 = pos().x() - int(pos().x());
    const qreal y1 = pos().y() - int(pos().y());
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
    if (!(m_xMaximum > 0) || !(m_yMaximum > 0) || m_plotSize.isEmpty())
        return at;
    const qreal h = m_plotSize.height();
    const qreal deltaX = m_plotSize.width() / m_xMaximum;
    const qreal deltaY = h / m_yMaximum;
    at.reserve(m_points.size());
    for (const QPointF &p : m_points)
        at.append(QPointF(p.x() * deltaX, p.y() * -deltaY + h));
    return at;
}

void ReadingsLayer::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QList<QPointF> at = plotPoints();
    if (at.isEmpty())
        return;
    painter->save();
    painter->setClipRect(clipRect());
    // Segment by segment: a raster engine fills a wide straight line directly, where a polyline of
    // the same points goes through the stroker, whose outline of a zigzag is slow to fill (1,900
    // points: 15 ms as lines, 1.9 s as one polyline).
    painter->setPen(m_pen);
    for (qsizetype i = 1; i < at.size(); ++i)
        painter->drawLine(at.at(i - 1), at.at(i));
    if (m_markers)
        paintMarkers(painter, at);
    painter->restore();
}

void ReadingsLayer::paintMarkers(QPainter *painter, const QList<QPointF> &at) const
{
    const QTransform device = painter->deviceTransform();
    const QPaintEngine *engine = painter->paintEngine();
    // A copied disc is pixels: a printer or a PDF, or a turned or stretched painter, gets discs.
    const bool pixels = engine && engine->type() == QPaintEngine::Raster &&
                        device.type() <= QTransform::TxScale && device.m11() == device.m22() &&
                        device.m11() > 0;
    if (!pixels) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(m_pen.color());
        for (const QPointF &p : at)
            painter->drawEllipse(p, m_radius, m_radius);
        return;
    }
    const QImage &disc = sprite(device.m11(), painter->testRenderHint(QPainter::Antialiasing));
    const qreal half = disc.width() / 2.0;
    // Placed in device pixels: what maps the painter to its device besides the item's own
    // transform (the window's offset of a widget inside it, the screen's pixel ratio) stays.
    painter->setViewTransformEnabled(false);
    painter->setWorldTransform(QTransform());
    const QTransform fromDevice = painter->deviceTransform().inverted();
    for (const QPointF &p : at) {
        const QPointF d = device.map(p);
        painter->drawImage(fromDevice.map(QPointF(std::round(d.x() - half), std::round(d.y() - half))), disc);
    }
}

// The disc at the device's scale, its centre on the corner between the middle four pixels.
const QImage &ReadingsLayer::sprite(qreal scale, bool antialiased) const
{
    const qreal radius = m_radius * scale;
    if (m_sprite.isNull() || m_spriteColor != m_pen.color() || m_spriteRadius != radius ||
        m_spriteAntialiased != antialiased) {
        const int side = 2 * (int(std::ceil(radius)) + SpriteMarginPx);
        m_sprite = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
        m_sprite.fill(Qt::transparent);
        QPainter p(&m_sprite);
        p.setRenderHint(QPainter::Antialiasing, antialiased);
        p.setPen(Qt::NoPen);
        p.setBrush(m_pen.color());
        p.drawEllipse(QPointF(side / 2.0, side / 2.0), radius, radius);
        p.end();
        m_sprite.setDevicePixelRatio(scale);
        m_spriteColor = m_pen.color();
        m_spriteRadius = radius;
        m_spriteAntialiased = antialiased;
    }
    return m_sprite;
}
