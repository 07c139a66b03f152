#include "readfile.h"

#include <nmealog.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QTimeZone>
#include <QtTest>

#include <cmath>
#include <ctime>
#include <memory>

namespace {

const QString dataDir = QStringLiteral(MIMICRY_SOURCE_DIR "/tests/data/nmea/");

// js/nmea-parsing.js imported from qml/ as the GPS page does.
struct Nmea
{
    Nmea()
    {
        QQmlComponent component(&engine);
        component.setData("import QtQml 2.15\nimport \"../js/nmea-parsing.js\" as Nmea\n"
                          "QtObject { property var load: Nmea.loadNmeaLog;"
                          "           property var withoutDateTime: Nmea.trackHasPointsWithoutDateTime }",
                          QUrl::fromLocalFile(QStringLiteral(MIMICRY_SOURCE_DIR "/qml/NmeaCheck.qml")));
        object.reset(component.create());
        if (!object)
            qFatal("%s", qPrintable(component.errorString()));
        load = object->property("load").value<QJSValue>();
        withoutDateTime = object->property("withoutDateTime").value<QJSValue>();
    }

    // The points, or the error thrown.
    QJSValue operator()(const QString &text) { return load.call({text}); }

    QQmlEngine engine;
    std::unique_ptr<QObject> object;
    QJSValue load;
    QJSValue withoutDateTime;
};

} // namespace

class NmeaParsingTest : public QObject
{
    Q_OBJECT

private slots:
    void tracks_data() { addRows("tracks"); }

    void tracks()
    {
        QFETCH(QJsonValue, expected);
        const QJSValue points = m_nmea(readFile(dataDir + expected["file"].toString()));
        QVERIFY2(points.isArray(), qPrintable(points.toString()));
        const QJsonArray rows = expected["points"].toArray();
        QCOMPARE(points.property("length").toInt(), rows.size());
        for (int i = 0; i < rows.size(); ++i) {
            const QJSValue point = points.property(quint32(i));
            const QJsonArray values = rows[i].toArray(); // latitude, longitude, altitude, time, interval, text
            QCOMPARE(point.property("format").toString(), expected["format"].toString());
            QCOMPARE(point.property("index").toInt(), i);
            int column = 0;
            for (const char *name : {"latitude", "longitude", "altitude", "time", "interval"})
                QCOMPARE(point.property(QLatin1String(name)).toNumber(), values[column++].toDouble());
            QCOMPARE(point.property("timeString").toString(), values[5].toString());
        }
        QCOMPARE(m_nmea.withoutDateTime.call({points}).toVariant(), QVariant(expected["withoutDateTime"].toBool()));
    }

    void errors_data() { addRows("errors"); }

    void errors()
    {
        QFETCH(QJsonValue, expected); // file, message, line
        const QJSValue error = m_nmea(readFile(dataDir + expected[0].toString()));
        QCOMPARE(error.property("name").toString(), QStringLiteral("SyntaxError"));
        QCOMPARE(error.property("message").toString(), expected[1].toString());
        QVERIFY(error.property("incorrectLine").isNumber());
        QCOMPARE(error.property("incorrectLine").toInt(), expected[2].toInt());
    }

    void localTimeZone_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("from"); // calendar time, as written in the log

        QTest::newRow("Berlin, spring") << QByteArray("Europe/Berlin") << QDateTime({2024, 3, 30}, {22, 30}, Qt::UTC);
        QTest::newRow("Berlin, autumn") << QByteArray("Europe/Berlin") << QDateTime({2024, 10, 26}, {23, 0}, Qt::UTC);
        QTest::newRow("Lord Howe, half an hour")
            << QByteArray("Australia/Lord_Howe") << QDateTime({2024, 10, 5}, {22, 30}, Qt::UTC);
        QTest::newRow("Sao Paulo, at midnight")
            << QByteArray("America/Sao_Paulo") << QDateTime({2018, 11, 3}, {21, 0}, Qt::UTC);
    }

    // GPRMC times are calendar times of the host's zone: each point's time must be what
    // new Date(y, m, d, h, min, s, ms) makes of it, across a change of offset, stepping back and forth.
    void localTimeZone()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, from);
        if (!QTimeZone(zone).isValid())
            QSKIP("no time zone data");
        const QByteArray savedZone = qgetenv("TZ"); // null when unset
        qputenv("TZ", zone);
        tzset();
        const auto restoreZone = qScopeGuard([&] {
            savedZone.isNull() ? qunsetenv("TZ") : qputenv("TZ", savedZone);
            tzset();
        });

        Nmea nmea; // takes the zone when it starts
        QString log, instants;
        for (int i = 0; i < 200; ++i) {
            log += QStringLiteral("$GPRMC,%1,A,5956.3210,N,03018.8460,E,0.0,0.0,%2,,,A\n")
                       .arg(from.toString(QStringLiteral("HHmmss.zzz")), from.toString(QStringLiteral("ddMMyy")));
            instants += QStringLiteral("new Date(%1, %2, %3, %4, %5, %6, %7).getTime(),")
                            .arg(from.date().year()).arg(from.date().month() - 1).arg(from.date().day())
                            .arg(from.time().hour()).arg(from.time().minute()).arg(from.time().second())
                            .arg(from.time().msec());
            from = from.addMSecs(i % 11 == 10 ? -400000 : 137000 + 1000 * (i % 5) + 250 * (i % 3));
        }
        const QJSValue expected = nmea.engine.evaluate(QLatin1Char('[') + instants + QLatin1Char(']'));
        const QJSValue points = nmea(log);
        QVERIFY2(points.isArray(), qPrintable(points.toString()));
        for (quint32 i = 0; i < 200; ++i) {
            QCOMPARE(points.property(i).property("time").toNumber(),
                     expected.property(i).toNumber() - expected.property(0).toNumber());
        }
    }

    void longLog_data()
    {
        QTest::addColumn<QString>("lineBreak");
        QTest::addColumn<QString>("between"); // a line after each GPRMC one
        QTest::addColumn<QString>("last");    // a line at the end

        const QString gsv = QStringLiteral("$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74");
        QTest::newRow("CR LF") << "\r\n" << QString() << QString();
        QTest::newRow("LF, other types between") << "\n" << gsv << QString();
        QTest::newRow("CR, other types between") << "\r" << gsv << QString();
        QTest::newRow("malformed last line") << "\r\n" << QString() << "$GPRMC,080000,A";
        QTest::newRow("other types between, malformed last line") << "\n" << gsv << "$GPGGA,080000,5910.0000,N";
    }

    // Logs far longer than the test files, read in several blocks: no line may be
    // lost or doubled where one block ends, nor counted wrong in an error.
    void longLog()
    {
        QFETCH(QString, lineBreak);
        QFETCH(QString, between);
        QFETCH(QString, last);
        const int count = 3000;
        // A GPRMC sentence a second from 08:00, the position creeping by 0.001'.
        const QString sentences = QString::fromLatin1(MimicryBench::generateLog("GPRMC", count));
        QString log;
        for (const QString &line : sentences.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            log += line + lineBreak + (between.isEmpty() ? QString() : between + lineBreak);
        log += last;

        const QJSValue result = m_nmea(log);
        if (!last.isEmpty()) {
            QCOMPARE(result.property("message").toString(), QStringLiteral("Incorrect NMEA file"));
            QCOMPARE(result.property("incorrectLine").toInt(), count * (between.isEmpty() ? 1 : 2) + 1);
            return;
        }
        QVERIFY2(result.isArray(), qPrintable(result.toString()));
        QCOMPARE(result.property("length").toInt(), count);
        for (int i = 0; i < count; ++i) {
            const QJSValue point = result.property(quint32(i));
            QCOMPARE(point.property("index").toInt(), i);
            QCOMPARE(point.property("time").toNumber(), i * 1000.0);
            const double minutes = QString::asprintf("%07.4f", 10 + i * 0.001).toDouble();
            QCOMPARE(point.property("latitude").toNumber(), std::round((59 + minutes / 60) * 1e7) / 1e7);
        }
    }

private:
    static void addRows(const char *group)
    {
        QTest::addColumn<QJsonValue>("expected");
        // The expected tracks and errors of the logs, worked out by hand.
        const QJsonDocument expected = QJsonDocument::fromJson(readFile(dataDir + "expected.json").toUtf8());
        const QJsonObject rows = expected[QLatin1String(group)].toObject();
        for (auto row = rows.begin(); row != rows.end(); ++row)
            QTest::newRow(qPrintable(row.key())) << row.value();
    }

    Nmea m_nmea;
};

QTEST_GUILESS_MAIN(NmeaParsingTest)
#include "tst_nmeaparsing.moc"
