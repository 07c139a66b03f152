#include "xmltrackreader.h"

#include <link/wireformat.h>

#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <vector>

namespace Mimicry {
namespace Internal {

namespace {

const QString kmlExtensionNamespace = QStringLiteral("http://www.google.com/kml/ext/2.2");

// An entity may expand to no more than this many characters; the readers
// refuse entity declarations anyway, this guards what slips past.
const int entityExpansionLimit = 1024;

// Math.round's rounding, as the NMEA parser rounds: halves go up.
double roundValue(double value, double factor)
{
    const double scaled = value * factor;
    const double down = std::floor(scaled);
    return (scaled - down >= 0.5 ? down + 1 : down) / factor;
}

const double coordinateFactor = std::pow(10.0, WireFormat::coordinateDecimals);
const double altitudeFactor = std::pow(10.0, WireFormat::altitudeDecimals);

bool isSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\n') || c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

bool readNumber(const QStringRef &text, double *value)
{
    // Nearly every number of a track is a plain decimal of at most 15
    // digits: the integer of its digits and the power of ten are then both
    // exact, and their quotient is the correctly rounded value, as the
    // general conversion below gives it, at a fraction of its cost.
    const QChar *c = text.constData(), *end = c + text.size();
    while (c < end && isSpace(*c))
        ++c;
    while (end > c && isSpace(end[-1]))
        --end;
    const bool negative = c < end && *c == QLatin1Char('-');
    if (c < end && (*c == QLatin1Char('-') || *c == QLatin1Char('+')))
        ++c;
    qint64 digits = 0;
    int count = 0, decimals = -1;
    for (; c < end && count <= 15; ++c) {
        const ushort u = c->unicode();
        if (u >= '0' && u <= '9') {
            digits = digits * 10 + (u - '0');
            ++count;
            if (decimals >= 0)
                ++decimals;
        } else if (u == '.' && decimals < 0) {
            decimals = 0;
        } else {
            break;
        }
    }
    if (c == end && count > 0 && count <= 15) {
        static const double powers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const double magnitude = double(digits) / powers[std::max(decimals, 0)];
        *value = negative ? -magnitude : magnitude;
        return true;
    }
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && std::isfinite(*value);
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
qint64 daysFromCivil(qint64 year, int month, int day)
{
    year -= month <= 2;
    const qint64 era = (year >= 0 ? year : year - 399) / 400;
    const qint64 yearOfEra = year - era * 400;
    const qint64 dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const qint64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int daysInMonth(qint64 year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// Points in the order read, made into track points as the NMEA parser
// makes them.
class TrackBuilder
{
public:
    // False for a coordinate beyond the poles or the antimeridian.
    bool add(double latitude, double longitude, double altitude, bool timed, qint64 instant)
    {
        TrackPoint point;
        point.latitude = roundValue(latitude, coordinateFactor);
        point.longitude = roundValue(longitude, coordinateFactor);
        point.altitude = roundValue(altitude, altitudeFactor);
        if (!(point.latitude >= -90 && point.latitude <= 90) || !(point.longitude >= -180 && point.longitude <= 180))
            return false;
        // The first timed point starts the clock; an untimed point stays at
        // 0 and does not move it.
        if (timed && !m_started) {
            m_started = true;
            m_start = instant;
        }
        const int count = m_points.size();
        if (count > 0 && timed)
            point.time = double(instant - m_start);
        // The guest refuses a track with a negative interval.
        point.interval = count > 0 ? std::max(point.time - m_points.last().time, 0.0) : 0;
        m_points.append(point);
        return true;
    }

    bool isEmpty() const { return m_points.isEmpty(); }
    QVector<TrackPoint> take() { return std::move(m_points); }

private:
    QVector<TrackPoint> m_points;
    bool m_started = false;
    qint64 m_start = 0;
};

struct PendingPoint
{
    double latitude = 0;
    double longitude = 0;
    double altitude = 0;
    bool timed = false;
    qint64 instant = 0;
};

// What an element is to the reader, from its name, namespace and parent.
enum Kind {
    Other,
    // GPX
    GpxRoot, Trk, Trkseg, Trkpt, Rte, Rtept, Wpt, Ele, Time,
    // KML
    KmlRoot, Placemark, Point, LineString, Coordinates, GxTrack, GxWhen, GxCoord, TimeStamp, TimeStampWhen
};

class Reader
{
public:
    Reader(const QString &text, const std::atomic<bool> *stop)
        : m_input(text), m_stop(stop)
    {
        m_xml.setEntityExpansionLimit(entityExpansionLimit);
    }

    // The next token. The text goes to the reader a piece at a time: given
    // whole, it would first be copied whole into UTF-8, and a large file's
    // copy costs more in fresh memory than the reading itself.
    QXmlStreamReader::TokenType next()
    {
        for (;;) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token != QXmlStreamReader::Invalid || m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError
                || m_fed == m_input.size()) {
                return token;
            }
            int size = std::min(pieceSize, m_input.size() - m_fed);
            // A surrogate pair stays together.
            if (m_fed + size < m_input.size() && m_input.at(m_fed + size - 1).isHighSurrogate())
                ++size;
            m_xml.addData(m_input.mid(m_fed, size));
            m_fed += size;
        }
    }

    XmlTrackReader::Result read()
    {
        if (!findRoot())
            return std::move(m_result);
        m_stack.reserve(32);
        m_stack.push_back(m_result.format == XmlTrackReader::Gpx ? GpxRoot : KmlRoot);
        m_namespace = m_xml.namespaceUri().toString();
        int tokens = 0;
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = next();
            if ((++tokens & 0xfff) == 0 && m_stop && m_stop->load(std::memory_order_relaxed))
                return fail(0);
            switch (token) {
            case QXmlStreamReader::StartElement:
                if (!startElement())
                    return fail(m_xml.lineNumber());
                break;
            case QXmlStreamReader::EndElement:
                if (!endElement())
                    return fail(m_errorLine > 0 ? m_errorLine : m_xml.lineNumber());
                m_stack.pop_back();
                break;
            case QXmlStreamReader::Characters:
                if (m_collecting)
                    m_text += m_xml.text();
                break;
            case QXmlStreamReader::EntityReference:
                // An entity without a definition: nothing a track needs.
                return fail(m_xml.lineNumber());
            default:
                break;
            }
        }
        if (m_xml.hasError())
            return fail(m_xml.lineNumber());
        return finish();
    }

private:
    // Reads up to the root element; false when the text is not a GPX or
    // KML document, or one that cannot be read even that far.
    bool findRoot()
    {
        while (!m_xml.atEnd()) {
            switch (next()) {
            case QXmlStreamReader::DTD:
                m_result.format = formatOf(m_xml.dtdName());
                // Tracks need no entities of their own; declaring them only
                // serves to blow a small file up.
                if (!m_xml.entityDeclarations().isEmpty()) {
                    if (m_result.format == XmlTrackReader::OtherText)
                        return false;
                    setFailure(m_xml.lineNumber());
                    return false;
                }
                break;
            case QXmlStreamReader::StartElement:
                m_result.format = formatOf(m_xml.name());
                return m_result.format != XmlTrackReader::OtherText;
            default:
                break;
            }
        }
        // Declared as a GPX or KML document, but broken before its root.
        if (m_result.format != XmlTrackReader::OtherText)
            setFailure(m_xml.lineNumber());
        return false;
    }

    static XmlTrackReader::Format formatOf(const QStringRef &name)
    {
        if (name == QLatin1String("gpx"))
            return XmlTrackReader::Gpx;
        if (name == QLatin1String("kml"))
            return XmlTrackReader::Kml;
        return XmlTrackReader::OtherText;
    }

    XmlTrackReader::Result fail(int line)
    {
        setFailure(line);
        return std::move(m_result);
    }

    void setFailure(int line)
    {
        m_result.ok = false;
        m_result.points.clear();
        m_result.errorMessage = m_result.format == XmlTrackReader::Gpx ? XmlTrackReader::tr("Incorrect GPX file")
                                                                       : XmlTrackReader::tr("Incorrect KML file");
        m_result.errorLine = line;
    }

    bool inDocumentNamespace() const { return m_xml.namespaceUri() == m_namespace; }

    Kind gpxKind(Kind parent) const
    {
        if (!inDocumentNamespace())
            return Other;
        const QStringRef name = m_xml.name();
        switch (parent) {
        case GpxRoot:
            return name == QLatin1String("trk") ? Trk : name == QLatin1String("rte") ? Rte
                                                      : name == QLatin1String("wpt") ? Wpt : Other;
        case Trk:
            return name == QLatin1String("trkseg") ? Trkseg : Other;
        case Trkseg:
            return name == QLatin1String("trkpt") ? Trkpt : Other;
        case Rte:
            return name == QLatin1String("rtept") ? Rtept : Other;
        case Trkpt:
        case Rtept:
        case Wpt:
            return name == QLatin1String("ele") ? Ele : name == QLatin1String("time") ? Time : Other;
        default:
            return Other;
        }
    }

    // Placemarks and geometries count wherever they stand (in folders,
    // documents, multi-geometries); their parts only in their place.
    Kind kmlKind(Kind parent) const
    {
        const QStringRef name = m_xml.name();
        if (m_xml.namespaceUri() == kmlExtensionNamespace) {
            if (name == QLatin1String("Track"))
                return GxTrack;
            return parent == GxTrack && name == QLatin1String("coord") ? GxCoord : Other;
        }
        if (!inDocumentNamespace())
            return Other;
        if (name == QLatin1String("Placemark"))
            return Placemark;
        if (name == QLatin1String("Point"))
            return Point;
        if (name == QLatin1String("LineString"))
            return LineString;
        if (name == QLatin1String("coordinates"))
            return parent == Point || parent == LineString ? Coordinates : Other;
        if (name == QLatin1String("when"))
            return parent == GxTrack ? GxWhen : parent == TimeStamp ? TimeStampWhen : Other;
        if (name == QLatin1String("TimeStamp"))
            return parent == Placemark ? TimeStamp : Other;
        return Other;
    }

    bool startElement()
    {
        const Kind parent = m_stack.back();
        const Kind kind = m_result.format == XmlTrackReader::Gpx ? gpxKind(parent) : kmlKind(parent);
        m_stack.push_back(kind);
        switch (kind) {
        case Trkpt:
        case Rtept:
        case Wpt: {
            const QXmlStreamAttributes attributes = m_xml.attributes();
            m_point = PendingPoint();
            return readNumber(attributes.value(QLatin1String("lat")), &m_point.latitude)
                   && readNumber(attributes.value(QLatin1String("lon")), &m_point.longitude);
        }
        case Ele:
        case Time:
        case Coordinates:
        case GxWhen:
        case GxCoord:
        case TimeStampWhen:
            m_collecting = true;
            m_text.clear();
            return true;
        case Placemark:
            m_placemarkPoints.clear();
            m_placemarkTimed = false;
            m_inPlacemark = true;
            return true;
        case GxTrack:
            m_whens.clear();
            m_coords.clear();
            return true;
        default:
            return true;
        }
    }

    bool endElement()
    {
        const Kind kind = m_stack.back();
        m_collecting = false;
        switch (kind) {
        case Ele:
            return readNumber(QStringRef(&m_text), &m_point.altitude);
        case Time:
            m_point.timed = XmlTrackReader::parseDateTime(QStringRef(&m_text), &m_point.instant);
            return m_point.timed;
        case Trkpt:
            return add(m_tracks);
        case Rtept:
            return add(m_routes);
        case Wpt:
            return add(m_waypoints);
        case GxWhen: {
            qint64 instant = 0;
            if (!XmlTrackReader::parseDateTime(QStringRef(&m_text), &instant))
                return false;
            m_whens.push_back(instant);
            return true;
        }
        case GxCoord: {
            PendingPoint point;
            if (!readTuple(0, m_text.size(), QLatin1Char(' '), &point))
                return false;
            m_coords.push_back(point);
            return true;
        }
        case GxTrack:
            return endTrack();
        case TimeStampWhen:
            m_placemarkTimed = XmlTrackReader::parseDateTime(QStringRef(&m_text), &m_placemarkInstant);
            return m_placemarkTimed;
        case Coordinates:
            return m_stack[m_stack.size() - 2] == LineString ? readLine() : readPoint();
        case Placemark:
            m_inPlacemark = false;
            for (PendingPoint &point : m_placemarkPoints) {
                point.timed = m_placemarkTimed;
                point.instant = m_placemarkInstant;
                if (!addTo(m_placemarks, point))
                    return false;
            }
            return true;
        default:
            return true;
        }
    }

    bool add(TrackBuilder &builder) { return addTo(builder, m_point); }

    static bool addTo(TrackBuilder &builder, const PendingPoint &point)
    {
        return builder.add(point.latitude, point.longitude, point.altitude, point.timed, point.instant);
    }

    // When and where pair up by their order; a track without times is
    // played at the default interval.
    bool endTrack()
    {
        if (!m_whens.empty() && m_whens.size() != m_coords.size())
            return false;
        for (size_t i = 0; i < m_coords.size(); ++i) {
            PendingPoint &point = m_coords[i];
            point.timed = !m_whens.empty();
            point.instant = point.timed ? m_whens[i] : 0;
            if (!addTo(m_gxTracks, point))
                return false;
        }
        return true;
    }

    // A tuple of m_text, from `from` to `to`: longitude, latitude and
    // an optional altitude.
    bool readTuple(int from, int to, QChar separator, PendingPoint *point) const
    {
        double values[3] = {0, 0, 0};
        int count = 0;
        int start = from;
        for (int i = from; i <= to; ++i) {
            if (i < to && m_text.at(i) != separator)
                continue;
            // Several spaces between the numbers of a gx:coord.
            if (separator == QLatin1Char(' ') && i == start) {
                ++start;
                continue;
            }
            if (count == 3 || !readNumber(QStringRef(&m_text, start, i - start), &values[count]))
                return false;
            ++count;
            start = i + 1;
        }
        if (count < 2)
            return false;
        point->longitude = values[0];
        point->latitude = values[1];
        point->altitude = values[2];
        return true;
    }

    // Calls `tuple` for each whitespace-separated tuple of m_text; false at
    // the first it refuses, with m_errorLine set to its line.
    template<typename Function>
    bool forEachTuple(Function tuple)
    {
        const int size = m_text.size();
        int i = 0;
        while (i < size) {
            while (i < size && isSpace(m_text.at(i)))
                ++i;
            if (i == size)
                break;
            const int from = i;
            while (i < size && !isSpace(m_text.at(i)))
                ++i;
            if (!tuple(from, i)) {
                // The text ends where the end tag starts.
                const int linesAfter = int(std::count(m_text.constBegin() + from, m_text.constEnd(), QLatin1Char('\n')));
                m_errorLine = int(m_xml.lineNumber()) - linesAfter;
                return false;
            }
        }
        return true;
    }

    bool readLine()
    {
        return forEachTuple([this](int from, int to) {
            PendingPoint point;
            return readTuple(from, to, QLatin1Char(','), &point) && addTo(m_lines, point);
        });
    }

    // A point's one tuple waits for its placemark's time.
    bool readPoint()
    {
        int tuples = 0;
        return forEachTuple([this, &tuples](int from, int to) {
            PendingPoint point;
            if (++tuples > 1 || !readTuple(from, to, QLatin1Char(','), &point))
                return false;
            if (m_inPlacemark)
                m_placemarkPoints.push_back(point);
            else if (!addTo(m_placemarks, point))
                return false;
            return true;
        }) && tuples == 1;
    }

    XmlTrackReader::Result finish()
    {
        TrackBuilder *chosen = nullptr;
        for (TrackBuilder *builder : {&m_tracks, &m_routes, &m_waypoints, &m_gxTracks, &m_lines, &m_placemarks}) {
            if (!builder->isEmpty()) {
                chosen = builder;
                break;
            }
        }
        if (!chosen) {
            m_result.errorMessage = m_result.format == XmlTrackReader::Gpx
                                        ? XmlTrackReader::tr("GPX file has no track, route or waypoint")
                                        : XmlTrackReader::tr("KML file has no track, line or point");
            m_result.errorLine = 0;
            return std::move(m_result);
        }
        m_result.points = chosen->take();
        m_result.ok = true;
        const auto untimed = std::find_if(m_result.points.cbegin() + 1, m_result.points.cend(),
                                          [](const TrackPoint &point) { return point.time == 0; });
        m_result.withoutDateTime = untimed != m_result.points.cend();
        return std::move(m_result);
    }

    static constexpr int pieceSize = 1 << 18;
    const QString &m_input;
    int m_fed = 0;
    QXmlStreamReader m_xml;
    const std::atomic<bool> *m_stop;
    XmlTrackReader::Result m_result;
    QString m_namespace;
    std::vector<Kind> m_stack;

    // Character data of the element being read.
    bool m_collecting = false;
    QString m_text;
    int m_errorLine = 0;

    PendingPoint m_point;
    std::vector<qint64> m_whens;
    std::vector<PendingPoint> m_coords;
    std::vector<PendingPoint> m_placemarkPoints;
    bool m_inPlacemark = false;
    bool m_placemarkTimed = false;
    qint64 m_placemarkInstant = 0;

    // In the order they are preferred.
    TrackBuilder m_tracks, m_routes, m_waypoints;
    TrackBuilder m_gxTracks, m_lines, m_placemarks;
};

// Digits at text[*at..] as a number; false unless exactly `count` of them.
bool readDigits(const QStringRef &text, int *at, int count, int *value)
{
    if (*at + count > text.size())
        return false;
    int result = 0;
    for (int i = 0; i < count; ++i) {
        const ushort c = text.at(*at + i).unicode();
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + (c - '0');
    }
    *at += count;
    *value = result;
    return true;
}

bool expect(const QStringRef &text, int *at, char c)
{
    if (*at >= text.size() || text.at(*at) != QLatin1Char(c))
        return false;
    ++*at;
    return true;
}

} // namespace

XmlTrackReader::Result XmlTrackReader::read(const QString &text, const std::atomic<bool> *stop)
{
    // Only a text that starts as markup can be one.
    for (const QChar c : text) {
        if (isSpace(c) || c == QChar(0xfeff))
            continue;
        if (c != QLatin1Char('<'))
            return Result();
        break;
    }
    return Reader(text, stop).read();
}

bool XmlTrackReader::parseDateTime(const QStringRef &untrimmed, qint64 *msecsSinceEpoch)
{
    const QStringRef text = untrimmed.trimmed();
    int at = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!readDigits(text, &at, 4, &year) || !expect(text, &at, '-') || !readDigits(text, &at, 2, &month)
        || !expect(text, &at, '-') || !readDigits(text, &at, 2, &day) || month < 1 || month > 12 || day < 1
        || day > daysInMonth(year, month)) {
        return false;
    }
    qint64 msecs = daysFromCivil(year, month, day) * 86400000;
    // A date alone stands for its midnight.
    if (at == text.size()) {
        *msecsSinceEpoch = msecs;
        return true;
    }
    if (!expect(text, &at, 'T') || !readDigits(text, &at, 2, &hour) || !expect(text, &at, ':')
        || !readDigits(text, &at, 2, &minute) || !expect(text, &at, ':') || !readDigits(text, &at, 2, &second)
        || hour > 23 || minute > 59 || second > 60) {
        return false;
    }
    msecs += ((hour * 60 + minute) * 60 + second) * qint64(1000);
    if (at < text.size() && (text.at(at) == QLatin1Char('.') || text.at(at) == QLatin1Char(','))) {
        const int from = ++at;
        double fraction = 0, scale = 1;
        while (at < text.size() && text.at(at).isDigit() && text.at(at).unicode() < 128) {
            if (scale < 1e15) {
                fraction = fraction * 10 + (text.at(at).unicode() - '0');
                scale *= 10;
            }
            ++at;
        }
        if (at == from)
            return false;
        msecs += qint64(roundValue(fraction * 1000 / scale, 1));
    }
    if (at < text.size()) {
        const QChar zone = text.at(at++);
        if (zone == QLatin1Char('Z')) {
            // UTC
        } else if (zone == QLatin1Char('+') || zone == QLatin1Char('-')) {
            int offsetHours = 0, offsetMinutes = 0;
            if (!readDigits(text, &at, 2, &offsetHours))
                return false;
            if (at < text.size() && text.at(at) == QLatin1Char(':'))
                ++at;
            if (at < text.size() && !readDigits(text, &at, 2, &offsetMinutes))
                return false;
            if (offsetHours > 23 || offsetMinutes > 59)
                return false;
            const qint64 offset = (offsetHours * 60 + offsetMinutes) * qint64(60000);
            msecs += zone == QLatin1Char('+') ? -offset : offset;
        } else {
            return false;
        }
    }
    if (at != text.size())
        return false;
    *msecsSinceEpoch = msecs;
    return true;
}

} // namespace Internal
} // namespace Mimicry
