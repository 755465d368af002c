#pragma once

#include <QColor>
#include <QGraphicsItem>
#include <QImage>
#include <QList>
#include <QPen>
#include <QPointF>
#include <QRectF>

// The readings' line and markers, painted by the chart rather than by the chart component's line
// series: the same segments, in the same pen, and the same markers, each copied from one disc
// rendered once instead of being rasterized afresh at every reading. The picture differs from the
// series' only where a marker lands up to half a pixel away to sit on whole device pixels.
//
// The layer is an item of the chart placed at the plot's corner, so its coordinates are the plot's.
class ReadingsLayer : public QGraphicsItem
{
public:
    explicit ReadingsLayer(QGraphicsItem *chart);

    // Points in chart values.
    void setPoints(QList<QPointF> points);
    const QList<QPointF> &points() const { return m_points; }
    void setPen(const QPen &pen);
    void setMarkers(bool shown, qreal radius);
    // The plot in the chart's coordinates, and the values at its far edges; both axes start at 0.
    void setPlot(const QRectF &plotArea, double xMaximum, double yMaximum);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    QRectF clipRect() const;
    QList<QPointF> plotPoints() const;
    void paintMarkers(QPainter *painter, const QList<QPointF> &at) const;
    const QImage &sprite(qreal scale, bool antialiased) const;

    QList<QPointF> m_points;
    QPen m_pen;
    bool m_markers = false;
    qreal m_radius = 0;
    QSizeF m_plotSize;
    double m_xMaximum = 1;
    double m_yMaximum = 1;

    // The marker as last rendered, and what it was rendered for.
    mutable QImage m_sprite;
    mutable QColor m_spriteColor;
    mutable qreal m_spriteRadius = 0;
    mutable bool m_spriteAntialiased = false;
};
