#include "trackrouteview.h"

#include "trackpointmodel.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace Mimicry {
namespace Internal {

namespace {

const qreal margin = 10;
// How far from a drawn point a click still picks it, in pixels.
const qreal reach = 16;

} // namespace

TrackRouteView::TrackRouteView(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{
    setAcceptedMouseButtons(Qt::LeftButton);
    setAntialiasing(true);
}

void TrackRouteView::setModel(TrackPointModel *model)
{
    if (m_model == model)
        return;
    if (m_model)
        m_model->disconnect(this);
    m_model = model;
    if (m_model) {
        connect(m_model, &QAbstractItemModel::modelReset, this, &TrackRouteView::trackChanged);
        connect(m_model, &TrackPointModel::countChanged, this, &TrackRouteView::trackChanged);
    }
    trackChanged();
    emit modelChanged();
}

void TrackRouteView::setCurrentIndex(int index)
{
    if (m_currentIndex == index)
        return;
    m_currentIndex = index;
    update();
    emit currentIndexChanged();
}

void TrackRouteView::trackChanged()
{
    m_outlineValid = false;
    if (!m_model || m_model->points().isEmpty()) {
        update();
        return;
    }
    const QVector<TrackPoint> &points = m_model->points();
    double south = points[0].latitude, north = south, west = points[0].longitude, east = west;
    for (const TrackPoint &point : points) {
        south = std::min(south, point.latitude);
        north = std::max(north, point.latitude);
        west = std::min(west, point.longitude);
        east = std::max(east, point.longitude);
    }
    const double pi = 3.14159265358979323846;
    m_west = west;
    m_north = north;
    // A metre east is as long on screen as a metre north, near the middle.
    m_lonFactor = std::max(std::cos((north + south) / 2 * pi / 180), 0.01);
    m_width = (east - west) * m_lonFactor;
    m_height = north - south;
    updateScale();
    update();
}

void TrackRouteView::updateScale()
{
    const qreal room = std::max<qreal>(width() - 2 * margin, 0), roomHeight = std::max<qreal>(height() - 2 * margin, 0);
    // A single place, or a track along one line, still gets a finite scale.
    const double scaleX = m_width > 0 ? room / m_width : HUGE_VAL;
    const double scaleY = m_height > 0 ? roomHeight / m_height : HUGE_VAL;
    m_scale = std::isinf(std::min(scaleX, scaleY)) ? 1 : std::min(scaleX, scaleY);
    m_left = margin + (room - m_width * m_scale) / 2;
    m_top = margin + (roomHeight - m_height * m_scale) / 2;
    m_outlineValid = false;
}

void TrackRouteView::geometryChanged(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickPaintedItem::geometryChanged(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size()) {
        updateScale();
        update();
    }
}

QPointF TrackRouteView::pointPosition(int index) const
{
    if (!m_model || index < 0 || index >= m_model->count())
        return QPointF(-1, -1);
    const TrackPoint &point = m_model->points()[index];
    return QPointF(m_left + (point.longitude - m_west) * m_lonFactor * m_scale,
                   m_top + (m_north - point.latitude) * m_scale);
}

int TrackRouteView::pointAt(qreal x, qreal y) const
{
    const int count = m_model ? m_model->count() : 0;
    int nearest = -1;
    qreal nearestDistance = reach * reach;
    for (int i = 0; i < count; ++i) {
        const QPointF position = pointPosition(i);
        const qreal dx = position.x() - x, dy = position.y() - y;
        const qreal distance = dx * dx + dy * dy;
        if (distance < nearestDistance) {
            nearestDistance = distance;
            nearest = i;
        }
    }
    return nearest;
}

void TrackRouteView::paint(QPainter *painter)
{
    painter->setPen(QPen(QColor(0xb0, 0xb0, 0xb0), 1));
    painter->setBrush(QColor(0xf6, 0xf6, 0xf2));
    painter->drawRect(QRectF(0.5, 0.5, width() - 1, height() - 1));
    const int count = m_model ? m_model->count() : 0;
    if (count == 0)
        return;
    painter->setRenderHint(QPainter::Antialiasing);

    if (!m_outlineValid) {
        m_outline.clear();
        QPointF last = pointPosition(0);
        m_outline.append(last);
        for (int i = 1; i < count; ++i) {
            const QPointF position = pointPosition(i);
            if (i == count - 1 || std::abs(position.x() - last.x()) + std::abs(position.y() - last.y()) >= 0.5) {
                m_outline.append(position);
                last = position;
            }
        }
        m_outlineValid = true;
    }
    painter->setPen(QPen(QColor(0x30, 0x70, 0xc0), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter->setBrush(Qt::NoBrush);
    painter->drawPolyline(m_outline);

    painter->setPen(QPen(Qt::white, 1.5));
    painter->setBrush(QColor(0x20, 0xa0, 0x40));
    painter->drawEllipse(pointPosition(0), 5, 5);
    const QPointF end = pointPosition(count - 1);
    painter->setBrush(QColor(0xc0, 0x30, 0x30));
    painter->drawRect(QRectF(end.x() - 4.5, end.y() - 4.5, 9, 9));
    if (m_currentIndex >= 0 && m_currentIndex < count) {
        painter->setPen(QPen(QColor(0x20, 0x20, 0x20), 2));
        painter->setBrush(QColor(0xff, 0xa0, 0x00));
        painter->drawEllipse(pointPosition(m_currentIndex), 6, 6);
    }
}

void TrackRouteView::mousePressEvent(QMouseEvent *event)
{
    event->setAccepted(pointAt(event->localPos().x(), event->localPos().y()) >= 0);
}

void TrackRouteView::mouseReleaseEvent(QMouseEvent *event)
{
    const int index = pointAt(event->localPos().x(), event->localPos().y());
    if (index >= 0)
        emit pointClicked(index);
}

} // namespace Internal
} // namespace Mimicry
