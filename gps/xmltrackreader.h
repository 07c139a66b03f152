#pragma once

#include "trackpoint.h"

#include <QCoreApplication>
#include <QString>
#include <QVector>

#include <atomic>

namespace Mimicry {
namespace Internal {

// Reads a GPX (1.0, 1.1) or KML (2.2) text into track points with the same
// meaning as those of an NMEA log: degrees rounded to 7 decimals, metres to
// 2, times in milliseconds from the first timed point, 0 for a point without
// time, and intervals that never go back.
//
// GPX: the points of all track segments in order, else those of all
// routes, else the waypoints. KML: the gx:Track points, else the LineString
// coordinates, else the Point placemarks (with their TimeStamp).
class XmlTrackReader
{
    Q_DECLARE_TR_FUNCTIONS(Mimicry::Internal::XmlTrackReader)

public:
    enum Format { OtherText, Gpx, Kml };

    struct Result
    {
        Format format = OtherText;
        bool ok = false;
        QVector<TrackPoint> points;
        bool withoutDateTime = false;
        QString errorMessage;
        int errorLine = 0;
    };

    // A text whose root element is neither gpx nor kml comes back as
    // OtherText, untouched. `stop`, when given and raised, ends the read
    // early with a failure.
    static Result read(const QString &text, const std::atomic<bool> *stop = nullptr);

    // Milliseconds since 1970 of an ISO 8601 date and time (xsd:dateTime),
    // with Z, an offset or neither (taken as UTC) and any fraction of a
    // second, rounded to the millisecond; false if it is not one.
    static bool parseDateTime(const QStringRef &text, qint64 *msecsSinceEpoch);
};

} // namespace Internal
} // namespace Mimicry
