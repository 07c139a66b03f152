#pragma once

#include "trackpoint.h"

#include <QAbstractListModel>
#include <QVector>

namespace Mimicry {
namespace Internal {

// The GPS page's loaded track. The table reads its rows from here, and the
// display texts are made only for the rows it shows, so a long track is
// neither copied into the QML engine nor formatted up front.
class TrackPointModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    // Milliseconds from the first point to the last as the track plays at
    // its own speed: its intervals added up.
    Q_PROPERTY(double totalTime READ totalTime NOTIFY totalTimeChanged)

public:
    enum Role {
        IndexRole = Qt::UserRole + 1,
        TimeStringRole,
        LatitudeStringRole,
        LongitudeStringRole,
        AltitudeStringRole,
        LatitudeRole,
        LongitudeRole,
        AltitudeRole,
        TimeRole,
        IntervalRole
    };

    explicit TrackPointModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    int count() const { return m_points.size(); }
    const QVector<TrackPoint> &points() const { return m_points; }
    // What the guest's loadTrack takes for these points, made with them off
    // the GUI thread.
    const QString &trackArgument() const { return m_trackArgument; }
    void setTrack(QVector<TrackPoint> points, QString trackArgument);
    double totalTime() const { return m_elapsed.isEmpty() ? 0 : m_elapsed.constLast(); }

    // The intervals up to the row added up; 0 outside the track.
    Q_INVOKABLE double elapsedTime(int row) const { return m_elapsed.value(row); }
    // Milliseconds as "hh:mm:ss.t", the hours not wrapping at a day.
    Q_INVOKABLE static QString durationText(double millis);

    // Every role of the row by name; an empty map outside the track.
    Q_INVOKABLE QVariantMap get(int row) const;
    Q_INVOKABLE void clear();

signals:
    void countChanged();
    void totalTimeChanged();

private:
    QVector<TrackPoint> m_points;
    QString m_trackArgument;
    QVector<double> m_elapsed;
};

} // namespace Internal
} // namespace Mimicry
