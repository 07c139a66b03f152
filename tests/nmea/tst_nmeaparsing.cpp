#include <QDir>
#include <QElapsedTimer>
#include <QJSEngine>
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

QString readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return QString::fromUtf8(file.readAll());
}

QStringList nonEmptyLines(QString text)
{
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n')).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The expected tracks and errors of the logs in tests/data/nmea, worked out
// by hand.
const QJsonObject &expectedResults()
{
    static const QJsonObject results = QJsonDocument::fromJson(readFile(dataDir + "expected.json").toUtf8()).object();
    return results;
}

// Returns what loadNmeaLog returned, or what it threw, as an object.
const char loader[] =
    "(function (text) { try {"
    "    var points = %1loadNmeaLog(text);"
    "    return { returned: true, points: points, withoutDateTime: %1trackHasPointsWithoutDateTime(points) };"
    "} catch (e) {"
    "    return { returned: false, syntaxError: e instanceof SyntaxError,"
    "             message: String(e instanceof Error ? e.message : e),"
    "             line: e instanceof Error ? e.incorrectLine : undefined }; } })";

// js/nmea-parsing.js imported from qml/ as the GPS page does, where QML reads
// the ".pragma library" line and provides qsTranslate, or in a bare engine
// that has neither, with the line blanked out.
struct Nmea
{
    explicit Nmea(bool fromQml)
    {
        if (fromQml) {
            auto qmlEngine = std::make_unique<QQmlEngine>();
            QQmlComponent component(qmlEngine.get());
            component.setData(QStringLiteral("import QtQml 2.15\nimport \"../js/nmea-parsing.js\" as Nmea\n"
                                             "QtObject { property var load: %1 }")
                                  .arg(QString::fromLatin1(loader).arg(QStringLiteral("Nmea.")))
                                  .toUtf8(),
                              QUrl::fromLocalFile(QStringLiteral(MIMICRY_SOURCE_DIR "/qml/NmeaCheck.qml")));
            object.reset(component.create());
            if (!object)
                qFatal("%s", qPrintable(component.errorString()));
            load = object->property("load").value<QJSValue>();
            engine = std::move(qmlEngine);
            return;
        }
        engine = std::make_unique<QJSEngine>();
        const QString path = QStringLiteral(MIMICRY_SOURCE_DIR "/js/nmea-parsing.js");
        const QJSValue loaded = engine->evaluate(readFile(path).replace(".pragma library", QString()), path);
        if (loaded.isError())
            qFatal("%s", qPrintable(loaded.toString()));
        load = engine->evaluate(QString::fromLatin1(loader).arg(QString()));
    }

    QJSValue operator()(const QString &text) { return load.call({text}); }

    std::unique_ptr<QJSEngine> engine;
    std::unique_ptr<QObject> object;
    QJSValue load;
};

// xorshift64*: the same inputs on every platform, unlike <random>'s distributions.
int below(int n)
{
    static quint64 state = 20240315;
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return int((state * 0x2545F4914F6CDD1DULL) % quint64(n));
}

const QStringList names = {"$GPRMC", "$GPGGA", "$GPGLL", "$GPWPL"};

QString mutated(QString line)
{
    static const QStringList odd = {QString(400, QLatin1Char('9')) + ".5", "1e999", "NaN", "Infinity", "-1.5",
                                    "0x1F", " 12.5", ".", "1.5", "999999", "123456.5", "", "N", "W",
                                    QString(QChar(0x2028)), QString(QChar(0xD800))};
    for (int m = 1 + below(3); m > 0; --m) {
        QStringList fields = line.split(QLatin1Char(','));
        const int i = below(fields.size());
        switch (below(9)) {
        case 0: // byte flip
            if (!line.isEmpty())
                line[below(line.size())] = QChar(below(256));
            continue;
        case 1: line.truncate(below(line.size() + 1)); continue;
        case 2: fields.insert(i, fields[i]); break;
        case 3: fields.removeAt(i); break;
        case 4: fields.swapItemsAt(i, below(fields.size())); break;
        case 5: fields[i] = odd[below(odd.size())]; break;
        case 6: fields[0] = names[below(names.size())]; break; // another type's layout
        case 7: // commas only
            line = below(2) ? names[below(4)] : QString();
            line += QString(below(40), QLatin1Char(','));
            continue;
        default: // binary garbage
            line.clear();
            for (int n = 1 + below(200); n > 0; --n)
                line += QChar(below(256));
            continue;
        }
        line = fields.join(QLatin1Char(','));
    }
    return line;
}

} // namespace

class NmeaParsingTest : public QObject
{
    Q_OBJECT

private slots:
    void everyLogHasItsResult();
    void tracks_data() { addRows("tracks"); }
    void tracks();
    void errors_data() { addRows("errors"); }
    void errors();
    void localTimeZone_data();
    void localTimeZone();
    void mutatedLogs();
    void longLines_data();
    void longLines();

private:
    static void addRows(const char *group);
    // Fails unless the text ends in a sound track or in one of the three
    // errors; *returned tells which.
    void check(const QString &text, bool *returned);

    Nmea m_bare{false};
    Nmea m_qml{true};
};

void NmeaParsingTest::everyLogHasItsResult()
{
    QStringList files;
    for (const QJsonValue track : expectedResults()["tracks"].toObject())
        files << track["file"].toString();
    for (const QJsonValue error : expectedResults()["errors"].toObject())
        files << error[0].toString();
    QStringList logs = QDir(dataDir).entryList({"*.nmea"});
    logs.sort();
    files.sort();
    QCOMPARE(files, logs);
}

// Each row runs in both engines.
void NmeaParsingTest::addRows(const char *group)
{
    QTest::addColumn<QJsonValue>("expected");
    QTest::addColumn<bool>("fromQml");
    const QJsonObject rows = expectedResults()[QLatin1String(group)].toObject();
    for (auto row = rows.begin(); row != rows.end(); ++row) {
        QTest::addRow("%s, bare", qPrintable(row.key())) << row.value() << false;
        QTest::addRow("%s, QML", qPrintable(row.key())) << row.value() << true;
    }
}

void NmeaParsingTest::tracks()
{
    QFETCH(QJsonValue, expected);
    QFETCH(bool, fromQml);

    const QJSValue outcome = (fromQml ? m_qml : m_bare)(readFile(dataDir + expected["file"].toString()));
    QVERIFY2(outcome.property("returned").toBool(), qPrintable(outcome.property("message").toString()));
    const QJSValue points = outcome.property("points");
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
    QCOMPARE(outcome.property("withoutDateTime").toVariant(), QVariant(expected["withoutDateTime"].toBool()));
}

void NmeaParsingTest::errors()
{
    QFETCH(QJsonValue, expected); // file, message, line
    QFETCH(bool, fromQml);

    const QJSValue outcome = (fromQml ? m_qml : m_bare)(readFile(dataDir + expected[0].toString()));
    QVERIFY(!outcome.property("returned").toBool() && outcome.property("syntaxError").toBool());
    QCOMPARE(outcome.property("message").toString(), expected[1].toString());
    QVERIFY(outcome.property("line").isNumber());
    QCOMPARE(outcome.property("line").toInt(), expected[2].toInt());
}

void NmeaParsingTest::localTimeZone_data()
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

// GPRMC times are calendar times of the host's zone: each point's time must
// be what new Date(y, m, d, h, min, s, ms) makes of it, here across a change
// of offset and with steps back and forth.
void NmeaParsingTest::localTimeZone()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, from);
    if (!QTimeZone(zone).isValid())
        QSKIP("no time zone data");
    const QByteArray savedZone = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", zone);
    tzset();
    const auto restoreZone = qScopeGuard([&] {
        hadZone ? qputenv("TZ", savedZone) : qunsetenv("TZ");
        tzset();
    });

    Nmea nmea(false); // takes the zone when it starts
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
    const QJSValue expected = nmea.engine->evaluate(QLatin1Char('[') + instants + QLatin1Char(']'));
    const QJSValue outcome = nmea(log);
    QVERIFY2(outcome.property("returned").toBool(), qPrintable(outcome.property("message").toString()));
    for (quint32 i = 0; i < 200; ++i) {
        QCOMPARE(outcome.property("points").property(i).property("time").toNumber(),
                 expected.property(i).toNumber() - expected.property(0).toNumber());
    }
}

void NmeaParsingTest::check(const QString &text, bool *returned)
{
    const QJSValue outcome = m_bare(text);
    *returned = outcome.property("returned").toBool();
    if (!*returned) {
        const QString message = outcome.property("message").toString();
        QVERIFY2(outcome.property("syntaxError").toBool() && outcome.property("line").isNumber(), qPrintable(message));
        const int line = outcome.property("line").toInt();
        const int lineCount = nonEmptyLines(text).size();
        if (lineCount == 0)
            QCOMPARE(message + QString::number(line), QStringLiteral("NMEA file is empty0"));
        else if (message.startsWith(QLatin1String("NMEA file has incorrect points format.")))
            QCOMPARE(line, lineCount);
        else
            QVERIFY2(message == QLatin1String("Incorrect NMEA file") && line >= 1 && line <= lineCount,
                     qPrintable(message));
        return;
    }
    const QJSValue points = outcome.property("points");
    QVERIFY(points.property("length").toUInt() > 0);
    double previousTime = 0;
    for (quint32 i = 0; i < points.property("length").toUInt(); ++i) {
        const QJSValue point = points.property(i);
        for (const char *name : {"latitude", "longitude", "altitude", "time"})
            QVERIFY2(std::isfinite(point.property(QLatin1String(name)).toNumber()), name);
        const double time = point.property("time").toNumber();
        QCOMPARE(point.property("index").toUInt(), i);
        QCOMPARE(point.property("interval").toNumber(), qMax(time - previousTime, 0.0));
        previousTime = time;
    }
}

// Any text ends in a track of finite numbers or in one of the three errors,
// and a single short line of a supported type is refused exactly when its
// pattern does not match it. MIMICRY_NMEA_FUZZ_ROUNDS sets the number of
// texts, for a longer run by hand.
void NmeaParsingTest::mutatedLogs()
{
    const int rounds = qEnvironmentVariableIntValue("MIMICRY_NMEA_FUZZ_ROUNDS") > 0
            ? qEnvironmentVariableIntValue("MIMICRY_NMEA_FUZZ_ROUNDS") : 300;
    // The patterns as written, run by the engine itself (with the parser's
    // "."), and only ever on short lines: they backtrack badly on long ones.
    QJSValue verdict = m_bare.engine->evaluate(QStringLiteral(
        "(function (line) { var pattern = {"
        "  '$GPRMC': /^\\$GPRMC,\\d{6}(\\.\\d{2,3})?,.*,\\d+\\.\\d+,(N|S),\\d+\\.\\d+,(E|W),.*,.*,\\d{6},.*,.*$/,"
        "  '$GPGGA': /^\\$GPGGA,\\d{6}(\\.\\d{2,3})?,\\d+\\.\\d+,(N|S),\\d+\\.\\d+,(E|W),.*,.*,.*,\\d+\\.\\d+,.*,.*,.*,.*,.*$/,"
        "  '$GPGLL': /^\\$GPGLL,\\d+\\.\\d+,(N|S),\\d+\\.\\d+,(E|W),(\\d{6}(\\.\\d{2,3})?,)?.*$/,"
        "  '$GPWPL': /^\\$GPWPL,\\d+\\.\\d+,(N|S),\\d+\\.\\d+,(E|W),.*$/ }[line.split(',')[0]];"
        "  return pattern === undefined ? 'other' : pattern.test(line) ? 'match' : 'mismatch'; })"));
    QStringList corpus;
    for (const QString &file : QDir(dataDir).entryList({"*.nmea"}))
        corpus += nonEmptyLines(readFile(dataDir + file));

    static const QStringList lineBreaks = {"\n", "\r\n", "\r", "\n\n"};
    int tracks = 0, refused = 0, matched = 0;
    for (int round = 0; round < rounds; ++round) {
        QString text;
        for (int lines = 1 + below(6); lines > 0; --lines) {
            const QString line = corpus[below(corpus.size())];
            text += (below(10) < 7 ? mutated(line) : line) + lineBreaks[below(lineBreaks.size())];
        }
        bool track = false;
        check(text, &track);
        if (QTest::currentTestFailed())
            return;
        tracks += track;

        const QStringList lines = nonEmptyLines(text);
        if (lines.size() != 1 || lines[0].size() > 300)
            continue;
        const QString result = verdict.call({lines[0]}).toString();
        if (result == QLatin1String("mismatch")) {
            ++refused;
            QVERIFY2(!track && m_bare(text).property("message").toString() == QLatin1String("Incorrect NMEA file"),
                     qPrintable(text));
        }
        matched += result == QLatin1String("match") && track;
    }
    // Otherwise the mutations would no longer reach every outcome.
    QVERIFY(tracks > rounds / 20 && rounds - tracks > rounds / 20 && refused > rounds / 80 && matched > rounds / 80);
}

// Lines far longer than any log has, where the patterns' runs of fields
// would backtrack as regular expressions.
void NmeaParsingTest::longLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("track");

    const QString commas(20000, QLatin1Char(','));
    const QString position = ",01.5,N,001.5,E";
    QTest::newRow("GPRMC and commas") << "$GPRMC,123456" + commas << false;
    QTest::newRow("GPRMC positions, no date") << "$GPRMC,123456,A" + position.repeated(2000) << false;
    QTest::newRow("GPRMC, long tail") << "$GPRMC,123456,A" + position + ",,,150324" + commas << true;
    QTest::newRow("GPGGA, no altitude") << "$GPGGA,123456" + position + QStringLiteral(",1").repeated(10000) << false;
    QTest::newRow("GPGGA, altitude of 20000 digits")
        << "$GPGGA,123456" + position + ",,,," + QString(20000, QLatin1Char('7')) + ".5,,,,," << false;
}

void NmeaParsingTest::longLines()
{
    QFETCH(QString, text);
    QFETCH(bool, track);

    QElapsedTimer timer;
    timer.start();
    bool returned = false;
    check(text, &returned);
    QVERIFY2(timer.elapsed() <= 2000, qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
    if (!QTest::currentTestFailed())
        QCOMPARE(returned, track);
}

QTEST_GUILESS_MAIN(NmeaParsingTest)
#include "tst_nmeaparsing.moc"
