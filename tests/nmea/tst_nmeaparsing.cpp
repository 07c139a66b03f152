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

namespace {

QString readFile(const QString &name)
{
    QFile file(name.startsWith(QLatin1Char('/')) ? name : QStringLiteral(MIMICRY_SOURCE_DIR "/tests/data/nmea/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file.fileName()));
    return QString::fromUtf8(file.readAll());
}

QStringList nonEmptyLines(QString text)
{
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n')).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// What loadNmeaLog returned, or what it threw.
struct Outcome
{
    bool returned;
    QJSValue points;
    bool syntaxError;
    QString message;
    QJSValue line;
};

// js/nmea-parsing.js in a bare engine. evaluate() does not know QML's
// ".pragma library" line, so it is blanked out.
struct Nmea
{
    Nmea()
    {
        const QString path = QStringLiteral(MIMICRY_SOURCE_DIR "/js/nmea-parsing.js");
        const QJSValue loaded = engine.evaluate(readFile(path).replace(QStringLiteral(".pragma library"), QString()), path);
        if (loaded.isError())
            qFatal("%s", qPrintable(loaded.toString()));
        load = engine.evaluate(QStringLiteral(
            "(function (text) {"
            "    try { return { returned: true, points: loadNmeaLog(text) }; }"
            "    catch (e) { return { returned: false, syntaxError: e instanceof SyntaxError,"
            "                         message: String(e instanceof Error ? e.message : e),"
            "                         line: e instanceof Error ? e.incorrectLine : undefined }; }"
            "})"));
    }
    Outcome operator()(const QString &text)
    {
        const QJSValue r = load.call({text});
        return {r.property("returned").toBool(), r.property("points"), r.property("syntaxError").toBool(),
                r.property("message").toString(), r.property("line")};
    }
    QJSEngine engine;
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
            if (!line.isEmpty()) {
                const int at = below(line.size());
                line[at] = QChar(below(256));
            }
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
    // The expected tracks and errors of the files in tests/data/nmea, worked
    // out by hand, are in expected.json there.
    void tracks_data() { addRows("tracks"); }
    void tracks();
    void errors_data() { addRows("errors"); }
    void errors();
    void localTimeZone_data();
    void localTimeZone();
    void importedFromQml();
    void mutatedLogs();
    void hugeInputs_data();
    void hugeInputs();

private:
    static void addRows(const char *group);
    // Fails unless the outcome is a sound track or one of the three errors,
    // within two seconds; *returned tells which.
    void check(const QString &text, bool *returned);

    Nmea m_nmea;
};

void NmeaParsingTest::addRows(const char *group)
{
    static const QJsonObject all = QJsonDocument::fromJson(readFile("expected.json").toUtf8()).object();
    QTest::addColumn<QJsonValue>("expected");
    const QJsonObject rows = all.value(QLatin1String(group)).toObject();
    if (rows.isEmpty())
        qFatal("no %s in expected.json", group);
    for (auto row = rows.begin(); row != rows.end(); ++row)
        QTest::newRow(qPrintable(row.key())) << row.value();
}

void NmeaParsingTest::tracks()
{
    QFETCH(QJsonValue, expected);

    const Outcome outcome = m_nmea(readFile(expected["file"].toString()));
    QVERIFY2(outcome.returned, qPrintable(outcome.message));
    const QJsonArray points = expected["points"].toArray();
    QCOMPARE(outcome.points.property("length").toInt(), points.size());
    for (int i = 0; i < points.size(); ++i) {
        const QJSValue point = outcome.points.property(quint32(i));
        const QJsonArray values = points[i].toArray(); // latitude, longitude, altitude, time, interval, text
        QCOMPARE(point.property("format").toString(), expected["format"].toString());
        QCOMPARE(point.property("index").toInt(), i);
        int column = 0;
        for (const char *name : {"latitude", "longitude", "altitude", "time", "interval"})
            QCOMPARE(point.property(QLatin1String(name)).toNumber(), values[column++].toDouble());
        QCOMPARE(point.property("timeString").toString(), values[5].toString());
    }
    QJSValue withoutDateTime = m_nmea.engine.globalObject().property("trackHasPointsWithoutDateTime");
    QCOMPARE(withoutDateTime.call({outcome.points}).toVariant(), QVariant(expected["withoutDateTime"].toBool()));
}

void NmeaParsingTest::errors()
{
    QFETCH(QJsonValue, expected); // file, message, line

    const Outcome outcome = m_nmea(readFile(expected[0].toString()));
    QVERIFY(!outcome.returned && outcome.syntaxError && outcome.line.isNumber());
    QCOMPARE(outcome.message, expected[1].toString());
    QCOMPARE(outcome.line.toInt(), expected[2].toInt());
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
    const Outcome outcome = nmea(log);
    QVERIFY2(outcome.returned, qPrintable(outcome.message));
    for (quint32 i = 0; i < 200; ++i) {
        QCOMPARE(outcome.points.property(i).property("time").toNumber(),
                 expected.property(i).toNumber() - expected.property(0).toNumber());
    }
}

// The GPS page imports the script from qml/; so does this, so that QML's own
// loader reads the ".pragma library" line and provides qsTranslate.
void NmeaParsingTest::importedFromQml()
{
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData("import QtQml 2.15\n"
                      "import \"../js/nmea-parsing.js\" as Nmea\n"
                      "QtObject { function parse(text) { try {\n"
                      "    var points = Nmea.loadNmeaLog(text);\n"
                      "    return points.length + ' ' + points[1].interval + ' ' + Nmea.trackHasPointsWithoutDateTime(points);\n"
                      "} catch (e) { return e.message + ' ' + e.incorrectLine; } } }\n",
                      QUrl::fromLocalFile(QStringLiteral(MIMICRY_SOURCE_DIR "/qml/NmeaImportCheck.qml")));
    QScopedPointer<QObject> object(component.create());
    QVERIFY2(object, qPrintable(component.errorString()));

    const auto parse = [&object](const QString &text) {
        QVariant result;
        QMetaObject::invokeMethod(object.data(), "parse", Q_RETURN_ARG(QVariant, result), Q_ARG(QVariant, text));
        return result.toString();
    };
    QCOMPARE(parse(readFile("gga-midnight.nmea")), QStringLiteral("3 2000 false"));
    QCOMPARE(parse(readFile("rmc-fraction-4.nmea")), QStringLiteral("Incorrect NMEA file 2"));
    QCOMPARE(parse(QStringLiteral("\n")), QStringLiteral("NMEA file is empty 0"));
}

void NmeaParsingTest::check(const QString &text, bool *returned)
{
    const int lineCount = nonEmptyLines(text).size();
    QElapsedTimer timer;
    timer.start();
    const Outcome outcome = m_nmea(text);
    QVERIFY2(timer.elapsed() <= 2000, qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
    *returned = outcome.returned;

    if (!outcome.returned) {
        QVERIFY2(outcome.syntaxError && outcome.line.isNumber(), qPrintable(outcome.message));
        const int line = outcome.line.toInt();
        if (lineCount == 0)
            QCOMPARE(outcome.message + QString::number(line), QStringLiteral("NMEA file is empty0"));
        else if (outcome.message.startsWith(QLatin1String("NMEA file has incorrect points format.")))
            QCOMPARE(line, lineCount);
        else
            QVERIFY2(outcome.message == QLatin1String("Incorrect NMEA file") && line >= 1 && line <= lineCount,
                     qPrintable(outcome.message));
        return;
    }
    const int count = outcome.points.property("length").toInt();
    QVERIFY(outcome.points.isArray() && count > 0);
    const QString format = outcome.points.property(0).property("format").toString();
    QVERIFY(names.contains(format));
    double previousTime = 0;
    for (int i = 0; i < count; ++i) {
        const QJSValue point = outcome.points.property(quint32(i));
        for (const char *name : {"latitude", "longitude", "altitude", "index", "time", "interval"}) {
            const QJSValue value = point.property(QLatin1String(name));
            QVERIFY2(value.isNumber() && std::isfinite(value.toNumber()), name);
        }
        const double time = point.property("time").toNumber();
        QCOMPARE(point.property("index").toInt(), i);
        QCOMPARE(point.property("interval").toNumber(), qMax(time - previousTime, 0.0));
        QCOMPARE(point.property("format").toString(), format);
        QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d$"))
                    .match(point.property("timeString").toString()).hasMatch());
        previousTime = time;
    }
}

// Any text ends in a track of finite numbers or in one of the three errors.
// MIMICRY_NMEA_FUZZ_ROUNDS sets the number of texts, for a longer run by hand.
void NmeaParsingTest::mutatedLogs()
{
    const int rounds = qEnvironmentVariableIntValue("MIMICRY_NMEA_FUZZ_ROUNDS") > 0
            ? qEnvironmentVariableIntValue("MIMICRY_NMEA_FUZZ_ROUNDS") : 1000;
    // The patterns as written, run by the engine itself (with the parser's
    // "."), and only ever on short lines: they backtrack badly on long ones.
    QJSValue verdict = m_nmea.engine.evaluate(QStringLiteral(
        "(function (line) { var pattern = {"
        "  '$GPRMC': /^\\$GPRMC,\\d{6}(\\.\\d{2,3})?,.*,\\d+\\.\\d+,(N|S),\\d+\\.\\d+,(E|W),.*,.*,\\d{6},.*,.*$/,"
        "  '$GPGGA': /^\\$GPGGA,\\d{6}(\\.\\d{2,3})?,\\d+\\.\\d+,(N|S),\\d+\\.\\d+,(E|W),.*,.*,.*,\\d+\\.\\d+,.*,.*,.*,.*,.*$/,"
        "  '$GPGLL': /^\\$GPGLL,\\d+\\.\\d+,(N|S),\\d+\\.\\d+,(E|W),(\\d{6}(\\.\\d{2,3})?,)?.*$/,"
        "  '$GPWPL': /^\\$GPWPL,\\d+\\.\\d+,(N|S),\\d+\\.\\d+,(E|W),.*$/ }[line.split(',')[0]];"
        "  return pattern === undefined ? 'other' : pattern.test(line) ? 'match' : 'mismatch'; })"));
    QStringList corpus;
    for (const QString &file : QDir(QStringLiteral(MIMICRY_SOURCE_DIR "/tests/data/nmea")).entryList({"*.nmea"}))
        corpus += nonEmptyLines(readFile(file));

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

        // A single short line of a supported type is refused exactly when its
        // pattern does not match it.
        const QStringList lines = nonEmptyLines(text);
        if (lines.size() != 1 || lines[0].size() > 300)
            continue;
        const QString result = verdict.call({lines[0]}).toString();
        if (result == QLatin1String("mismatch")) {
            ++refused;
            QVERIFY2(!track && m_nmea(text).message == QLatin1String("Incorrect NMEA file"), qPrintable(text));
        }
        matched += result == QLatin1String("match") && track;
    }
    // Otherwise the mutations would no longer reach every outcome.
    QVERIFY(tracks > rounds / 20 && rounds - tracks > rounds / 20 && refused > rounds / 80 && matched > rounds / 80);
}

void NmeaParsingTest::hugeInputs_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("track");

    const QString commas(100000, QLatin1Char(','));
    const QString digits(100000, QLatin1Char('7'));
    const QString gga = "$GPGGA,120000,5956.3210,N,03018.8460,E,1,08,0.9,545.4,M,46.9,M,,*44";
    QTest::newRow("GPRMC and commas") << "$GPRMC,123456" + commas << false;
    const QString position = ",01.5,N,001.5,E";
    QTest::newRow("GPRMC position, no date") << "$GPRMC,123456,A" + position + commas << false;
    QTest::newRow("GPRMC positions, no date") << "$GPRMC,123456,A" + position.repeated(8000) << false;
    QTest::newRow("GPRMC, long tail") << "$GPRMC,123456,A" + position + ",,,150324" + commas << true;
    QTest::newRow("GPGGA, no altitude") << "$GPGGA,123456" + position + QStringLiteral(",1").repeated(50000) << false;
    QTest::newRow("GPGGA, altitude of 100000 digits") << "$GPGGA,123456" + position + ",,,," + digits + ".5,,,,,"
                                                      << false;
    QTest::newRow("GPGLL, time of 100000 digits") << "$GPGLL" + position + ",123456." + digits + ",A" << true;
    QTest::newRow("100000 blank lines") << QString(100000, QLatin1Char('\n')) + gga << true;
    // Each position line must not search the rest of the text again.
    QTest::newRow("positions, then a long line") << (gga + "\r\n").repeated(2500) + QString(8000000, QLatin1Char('x'))
                                                 << true;
}

void NmeaParsingTest::hugeInputs()
{
    QFETCH(QString, text);
    QFETCH(bool, track);

    bool returned = false;
    check(text, &returned);
    if (!QTest::currentTestFailed())
        QCOMPARE(returned, track);
}

QTEST_GUILESS_MAIN(NmeaParsingTest)
#include "tst_nmeaparsing.moc"
