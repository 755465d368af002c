#pragma once

#include <QGraphicsItem>
#include <QImage>
#include <QList>
#include <QPen>
#include <QPointF>
#include <QRectF>
#include <vector>

// The readings' line and its markers, painted into the plot primitive for primitive as the chart
// component paints a line series: the same clip, pen, segments and ellipses, in the same order.
// Painting them here lets a paint on a raster image share the work between processor cores, each
// painting a band of the image's columns. Every pixel still gets the same primitives, rasterized the
// same way and in the same order, so the picture is the same to the last bit.
//
// The layer belongs inside the series' own item: its coordinates are the plot's, and it is
// painted just after that item and before the series added later.
class ReadingsLayer : public QGraphicsItem
{
public:
    explicit ReadingsLayer(QGraphicsItem *seriesItem);

    // Points in chart values.
    void setPoints(QList<QPointF> points);
    const QList<QPointF> &points() const { return m_points; }
    void setPen(const QPen &pen);
    void setMarkers(bool shown, qreal size);
    // The plot in the chart's coordinates, and the values at its edges.
    void setPlot(const QRectF &plotArea, double xMinimum, double xMaximum, double yMinimum, double yMaximum);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    QRectF clipRect() const;
    QList<QPointF> plotPoints() const;
    void paintBand(QPainter *painter, const QList<QPointF> &at, const QRect *band) const;
    bool paintInBands(QPainter *painter, const QList<QPointF> &at) const;
    std::vector<QRect> splitColumns(const QList<QPointF> &at, const QRect &area, qreal offset,
                                    int bands) const;
    static void copyBand(const QImage &from, QImage &to, const QRect &band);

    QList<QPointF> m_points;
    QPen m_pen;
    bool m_markers = false;
    qreal m_markerSize = 0;
    QRectF m_plot;
    double m_xMinimum = 0;
    double m_xMaximum = 1;
    double m_yMinimum = 0;
    double m_yMaximum = 1;
    // The other bands' copies of the device, kept for the next paint.
    mutable std::vector<QImage> m_copies;
};
