#pragma once

#include <QPointer>
#include <QPolygonF>
#include <QQuickPaintedItem>

namespace Mimicry {
namespace Internal {

class TrackPointModel;

// The loaded track's outline, scaled to fit with north up (longitudes
// shrunk by the cosine of the middle latitude), its start and end marked and
// its current point shown. A click near the route reports the nearest point.
// The outline is projected once per track and size, with points closer than
// half a pixel merged, so that a long track paints as fast as a short one.
class TrackRouteView : public QQuickPaintedItem
{
    Q_OBJECT
    Q_PROPERTY(Mimicry::Internal::TrackPointModel *model READ model WRITE setModel NOTIFY modelChanged)
    Q_PROPERTY(int currentIndex READ currentIndex WRITE setCurrentIndex NOTIFY currentIndexChanged)

public:
    explicit TrackRouteView(QQuickItem *parent = nullptr);

    TrackPointModel *model() const { return m_model; }
    void setModel(TrackPointModel *model);
    int currentIndex() const { return m_currentIndex; }
    void setCurrentIndex(int index);

    void paint(QPainter *painter) override;

    // Where the point is drawn, in the item's coordinates.
    Q_INVOKABLE QPointF pointPosition(int index) const;
    // The point drawn nearest to (x, y), or -1 when none is within reach.
    Q_INVOKABLE int pointAt(qreal x, qreal y) const;

signals:
    void modelChanged();
    void currentIndexChanged();
    void pointClicked(int index);

protected:
    void geometryChanged(const QRectF &newGeometry, const QRectF &oldGeometry) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void trackChanged();
    void updateScale();

    QPointer<TrackPointModel> m_model;
    int m_currentIndex = 0;
    // Projection: x = (longitude - m_west) * m_lonFactor * m_scale + m_left,
    // y = (m_north - latitude) * m_scale + m_top.
    double m_west = 0, m_north = 0, m_lonFactor = 1;
    double m_width = 0, m_height = 0; // of the track, projected, in degrees
    double m_scale = 1, m_left = 0, m_top = 0;
    QPolygonF m_outline;
    bool m_outlineValid = false;
};

} // namespace Internal
} // namespace Mimicry
