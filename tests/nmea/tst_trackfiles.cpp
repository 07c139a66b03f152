#include "readfile.h"

#include <gps/trackfileparser.h>
#include <gps/trackpointmodel.h>
#include <gps/xmltrackreader.h>

#include <nmealog.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <random>

using namespace Mimicry::Internal;

namespace {

const QString trackDir = QStringLiteral(MIMICRY_SOURCE_DIR "/tests/data/tracks/");
const QString nmeaDir = QStringLiteral(MIMICRY_SOURCE_DIR "/tests/data/nmea/");

// latitude, longitude, altitude, time, interval
using Row = QVector<double>;
using Rows = QVector<Row>;

Rows rowsOf(const QVector<TrackPoint> &points)
{
    Rows rows;
    for (const TrackPoint &p : points)
        rows.append({p.latitude, p.longitude, p.altitude, p.time, p.interval});
    return rows;
}

} // namespace

class TrackFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void tracks_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<Rows>("points");
        QTest::addColumn<bool>("withoutDateTime");

        // Times with offsets and fractions; rounding halves up; the poles; a
        // last point without time.
        QTest::newRow("GPX 1.0, tracks before routes and waypoints")
            << "gpx10-tracks.gpx"
            << Rows{{59.9386833, 30.3141, 545.46, 0, 0}, {-33.8688, 151.2093, -12.35, 1500, 1500},
                            {1e-7, -1e-7, 0, 3124, 1624}, {90, -180, 0, 2000, 0}, {-90, 180, 0, 0, 0}}
            << true;
        // A prefixed namespace; look-alikes of another namespace are skipped.
        QTest::newRow("GPX 1.1, routes only")
            << "gpx11-routes.gpx" << Rows{{10, 20, 100, 0, 0}, {10.5, 20.5, 0, 0, 0}, {11, 21, 0, 0, 0}} << true;
        // A date alone is its midnight; a time without zone is UTC.
        QTest::newRow("GPX 1.1, waypoints, byte order mark")
            << "gpx11-waypoints.gpx" << Rows{{45.5, -73.5, 30, 0, 0}, {46.5, -74.5, 0, 1500, 1500}} << false;
        QTest::newRow("KML gx:Track before lines")
            << "kml-gxtrack.kml"
            << Rows{{59.9386833, 30.3141, 12.35, 0, 0}, {59.9387, 30.3142, 0, 1250, 1250}, {51.5, -0.1, -3, 2000, 750}}
            << false;
        QTest::newRow("KML lines before points, any whitespace")
            << "kml-lines.kml"
            << Rows{{59.9, 30.1, 10.01, 0, 0}, {59.8, 30.2, 0, 0, 0}, {-89.5, -179.9999999, 0, 0, 0}, {2, 1, 3, 0, 0}}
            << true;
        // Placemarks' times, here going back; polygons are no track.
        QTest::newRow("KML point placemarks")
            << "kml-points.kml" << Rows{{59.9386833, 30.3141, 12, 0, 0}, {60, 30.5, 0, -10000, 0}} << false;
    }

    void tracks()
    {
        QFETCH(QString, file);
        QFETCH(Rows, points);
        QFETCH(bool, withoutDateTime);
        const TrackFileParser::Result result = TrackFileParser::parseText(readFile(trackDir + file));
        QVERIFY2(result.ok, qPrintable(result.errorMessage));
        QCOMPARE(rowsOf(result.points), points);
        QCOMPARE(result.withoutDateTime, withoutDateTime);
    }

    void errors_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("line");

        const QString gpx = QStringLiteral("Incorrect GPX file"), kml = QStringLiteral("Incorrect KML file");
        const QString kmlRoot = QStringLiteral("<kml xmlns=\"http://www.opengis.net/kml/2.2\" "
                                               "xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\n");
        // A waypoint whose child on line 3 is refused.
        const auto wpt = [](const char *child) {
            return QStringLiteral("<gpx>\n<wpt lat='1' lon='2'>\n%1\n</wpt>\n</gpx>").arg(QLatin1String(child));
        };
        QTest::newRow("cut short") << "<?xml version='1.0'?>\n<gpx>\n<wpt lat='1' lon='2'>" << gpx << 3;
        QTest::newRow("latitude missing") << "<gpx>\n<wpt lon='2'/>\n</gpx>" << gpx << 2;
        QTest::newRow("longitude not a number") << "<gpx>\n\n<rte><rtept lat='1' lon='2,5'/></rte>\n</gpx>" << gpx << 3;
        QTest::newRow("longitude beyond -180") << "<gpx>\n<wpt lat='0' lon='-180.5'/>\n</gpx>" << gpx << 2;
        QTest::newRow("altitude not a number") << wpt("<ele>high</ele>") << gpx << 3;
        QTest::newRow("no such day") << wpt("<time>2023-02-29T00:00:00Z</time>") << gpx << 3;
        QTest::newRow("month 13") << wpt("<time>2024-13-01T12:00:00Z</time>") << gpx << 3;
        QTest::newRow("no T") << wpt("<time>2024-02-29 12:00:00Z</time>") << gpx << 3;
        QTest::newRow("empty fraction") << wpt("<time>2024-02-29T12:00:00.Z</time>") << gpx << 3;
        QTest::newRow("text after the time") << wpt("<time>2024-02-29T12:00:00Zulu</time>") << gpx << 3;
        QTest::newRow("undeclared entity") << "<gpx>\n<wpt lat='1' lon='2'>&nbsp;</wpt>\n</gpx>" << gpx << 2;
        // Declared entities are refused before any of them expands.
        QTest::newRow("entity declarations")
            << "<?xml version='1.0'?>\n<!DOCTYPE kml [\n<!ENTITY a 'aaaaaaaaaaaaaaaaaaaa'>\n"
               "<!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>\n"
               "<!ENTITY c '&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;'>\n]>\n<kml>&c;&c;&c;</kml>"
            << kml << 6;
        QTest::newRow("GPX without points") << "<gpx><trk><trkseg/></trk><rte/></gpx>"
                                            << "GPX file has no track, route or waypoint" << 0;
        // Geometry of another namespace is not KML's.
        QTest::newRow("KML without points")
            << kmlRoot + "<o:LineString xmlns:o='urn:other'><o:coordinates>1,2</o:coordinates></o:LineString>\n</kml>"
            << "KML file has no track, line or point" << 0;
        QTest::newRow("tuple not a number")
            << kmlRoot + "<Placemark><LineString><coordinates>\n1,2\n3,x\n5,6\n</coordinates>"
                         "</LineString></Placemark>\n</kml>"
            << kml << 4;
        QTest::newRow("tuple beyond 90")
            << kmlRoot + "<LineString><coordinates>1,2 1,95,3\n</coordinates></LineString></kml>" << kml << 2;
        QTest::newRow("point of two tuples")
            << kmlRoot + "<Placemark><Point><coordinates>1,2 3,4</coordinates></Point></Placemark></kml>" << kml << 2;
        QTest::newRow("gx:coord of one number") << kmlRoot + "<gx:Track>\n<gx:coord>1</gx:coord>\n</gx:Track></kml>"
                                                << kml << 3;
        QTest::newRow("more times than places")
            << kmlRoot + "<gx:Track>\n<when>2024-01-01T00:00:00Z</when>\n<when>2024-01-01T00:00:01Z</when>\n"
                         "<gx:coord>1 2</gx:coord>\n</gx:Track></kml>"
            << kml << 6;
        // Anything but a gpx or kml root is read as NMEA.
        QTest::newRow("other XML")
            << "<html>\n<body/>\n</html>"
            << "NMEA file has incorrect points format.\nSupported formats: GPRMC, GPGGA, GPGLL, GPWPL." << 3;
    }

    void errors()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(int, line);
        const TrackFileParser::Result result = TrackFileParser::parseText(text);
        QVERIFY(!result.ok);
        QCOMPARE(result.errorMessage, message);
        QCOMPARE(result.errorLine, line);
    }

    void sameAsNmea_data()
    {
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("output"); // gpsbabel's output format and options

        QVERIFY(m_dir.isValid());
        // Logs that gpsbabel reads point for point as the NMEA parser does. It drops void fixes, repeated
        // times and GPGLL lines without time, merges sentence types and reads the year 99 as 2099, which
        // rules out the other logs of tests/data/nmea. GPRMC, GPGGA: long logs with positions of every digit.
        for (const QString &name : QStringList{"short-walk", "gga-altitudes", "gga-midnight", "rmc-midnight",
                                               "rmc-time-text", "rmc-backwards", "wpl", "wpl-single", "GPRMC", "GPGGA"}) {
            QByteArray log;
            if (name.startsWith(QLatin1String("GP"))) {
                log = MimicryBench::generateLog(name.toLatin1(), 3000);
            } else {
                // With the checksums that gpsbabel wants; the NMEA parser ignores them.
                for (const QString &line : readFile(nmeaDir + name + ".nmea").split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                    log += MimicryBench::sentence(line.trimmed().mid(1).section(QLatin1Char('*'), 0, 0).toLatin1());
            }
            QFile file(m_dir.filePath(name + ".nmea"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(log) > 0);
            for (const QString &output : QStringList{"gpx", "gpx,gpxver=1.1", "kml,prec=9", "kml,prec=9,track=1"})
                QTest::newRow(qPrintable(name + ' ' + output)) << file.fileName() << output;
        }
    }

    // gpsbabel writes GPX and KML from NMEA logs; each must load into the
    // points of the log itself. KML keeps 6 decimals unless told otherwise.
    void sameAsNmea()
    {
        QFETCH(QString, log);
        QFETCH(QString, output);
        // Waypoints and KML lines carry no times.
        const bool timed = !log.contains(QLatin1String("/wpl")) && output != QLatin1String("kml,prec=9");
        QProcess process;
        // The GPGGA logs have no date.
        process.start(QStringLiteral("gpsbabel"), {"-i", "nmea,date=20240315", "-f", log, "-o", output, "-F", "-"});
        QVERIFY2(process.waitForFinished(60000), "gpsbabel did not run; scripts/install-deps.sh installs it");
        const TrackFileParser::Result xml = TrackFileParser::parseText(QString::fromUtf8(process.readAllStandardOutput()));
        QVERIFY2(xml.ok, qPrintable(xml.errorMessage + QStringLiteral(", line %1").arg(xml.errorLine)));
        const TrackFileParser::Result nmea = TrackFileParser::parseText(readFile(log));
        QCOMPARE(xml.points.size(), nmea.points.size());
        for (int i = 0; i < nmea.points.size(); ++i) {
            const TrackPoint &x = xml.points[i], &n = nmea.points[i];
            QVERIFY2(std::abs(x.latitude - n.latitude) <= 1.0000001e-7
                         && std::abs(x.longitude - n.longitude) <= 1.0000001e-7
                         && std::abs(x.altitude - n.altitude) <= 0.0100001,
                     qPrintable(QStringLiteral("point %1").arg(i)));
            QCOMPARE(x.time, timed ? n.time : 0.0);
            QCOMPARE(x.interval, timed ? n.interval : 0.0);
        }
        QCOMPARE(xml.withoutDateTime, timed ? nmea.withoutDateTime : nmea.points.size() > 1);
    }

    // Mutated documents, from a fixed seed: each read ends, quickly, with a
    // track of valid points or with a message.
    void mutated()
    {
        QStringList seeds;
        for (const QString &name : QDir(trackDir).entryList(QDir::Files))
            seeds << readFile(trackDir + name);
        static const char *const inserts[] = {
            "<", ">", "&", "&amp;", "\"", "'", "-", "9", "e", ".", ",", " ", "\n", "&#0;", "&#x41;", "<![CDATA[1,2]]>",
            "]]>", "<!-- -->", "<?pi?>", "<!DOCTYPE gpx [<!ENTITY x 'y'>]>", "<trkpt lat='1' lon='2'>", "</trkpt>",
            "<trkseg>", "</trkseg>", "<wpt lat='-91' lon='0'/>", "<time>2024-01-01T00:00:00Z</time>", "<when>x</when>",
            "<gx:coord>1 2 3</gx:coord>", "<coordinates>", "</coordinates>", "xmlns='urn:x'", "\xc3\xa9", "\xef\xbf\xbf"};
        std::mt19937 random(17);
        const auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
        const QStringList messages = {"Incorrect GPX file", "Incorrect KML file",
                                      "GPX file has no track, route or waypoint", "KML file has no track, line or point"};
        for (int run = 0; run < 4000; ++run) {
            QString text = seeds[pick(seeds.size())];
            // Inserts, cuts, replaced characters, copied spans and a truncation.
            for (int i = 1 + pick(4); i > 0; --i) {
                const int at = pick(text.size()), edit = pick(5);
                if (edit == 0)
                    text.insert(at, QString::fromUtf8(inserts[pick(int(std::size(inserts)))]));
                else if (edit == 1)
                    text.remove(at, 1 + pick(20));
                else if (edit == 2)
                    text[at] = QChar(ushort(pick(128)));
                else if (edit == 3)
                    text.insert(at, text.mid(pick(text.size()), pick(200)));
                else
                    text.truncate(at + 1);
            }
            QElapsedTimer one;
            one.start();
            const XmlTrackReader::Result result = XmlTrackReader::read(text);
            QVERIFY2(one.elapsed() < 2000, qPrintable(text));
            if (result.format == XmlTrackReader::OtherText)
                continue;
            if (!result.ok) {
                QVERIFY2(messages.contains(result.errorMessage), qPrintable(result.errorMessage));
                QVERIFY(result.errorLine >= 0 && result.errorLine <= text.count(QLatin1Char('\n')) + 1);
                continue;
            }
            QVERIFY(!result.points.isEmpty());
            for (const TrackPoint &p : result.points) {
                QVERIFY2(p.latitude >= -90 && p.latitude <= 90 && p.longitude >= -180 && p.longitude <= 180
                             && std::isfinite(p.altitude) && p.interval >= 0 && std::isfinite(p.time),
                         qPrintable(text));
            }
        }
    }

    // A stop raised from another thread ends a long read early: leaving the page
    // waits for the parser's thread.
    void stopped()
    {
        const QString text = "<gpx>" + QStringLiteral("<wpt lat='1' lon='2'/>\n").repeated(100000) + "</gpx>";
        const std::atomic<bool> stop{true};
        QVERIFY(!XmlTrackReader::read(text, &stop).ok);
        QCOMPARE(XmlTrackReader::read(text).points.size(), 100000);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TrackFilesTest)
#include "tst_trackfiles.moc"
