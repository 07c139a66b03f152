// js/nmea-parsing.js on long generated logs, in QML's engine as the GPS page
// runs it, next to gpsbabel converting the same files.

#include "benchutils.h"
#include "nmealog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJSValue>
#include <QProcess>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUrl>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace MimicryBench;

// The parser behind the same import as the GPS page's.
class Parser
{
public:
    bool load()
    {
        m_component = std::make_unique<QQmlComponent>(&m_engine);
        m_component->setData("import QtQml 2.15\n"
                             "import \"../js/nmea-parsing.js\" as Nmea\n"
                             "QtObject {\n"
                             "    property var log\n"
                             "    function parse() {\n"
                             "        var points = Nmea.loadNmeaLog(log);\n"
                             "        return points.length + ' ' + points[points.length - 1].time;\n"
                             "    }\n"
                             "}\n",
                             QUrl::fromLocalFile(QStringLiteral(MIMICRY_SOURCE_DIR "/qml/BenchNmea.qml")));
        m_object.reset(m_component->create());
        if (!m_object)
            err() << "bench_nmea: " << m_component->errorString() << "\n";
        return bool(m_object);
    }

    void setLog(const QString &text) { m_object->setProperty("log", QVariant::fromValue(QJSValue(text))); }

    // Returns the number of points and the last one's time.
    QString parse(double *ms)
    {
        QVariant result;
        QElapsedTimer timer;
        timer.start();
        QMetaObject::invokeMethod(m_object.get(), "parse", Q_RETURN_ARG(QVariant, result));
        *ms = timer.nsecsElapsed() / 1e6;
        return result.toString();
    }

private:
    QQmlEngine m_engine;
    std::unique_ptr<QQmlComponent> m_component;
    std::unique_ptr<QObject> m_object;
};

bool runGpsbabel(const QString &program, const QString &file, const QString &timeZone, double *ms)
{
    QProcess process;
    if (!timeZone.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TZ"), timeZone);
        process.setProcessEnvironment(environment);
    }
    QElapsedTimer timer;
    timer.start();
    process.start(program, {QStringLiteral("-i"), QStringLiteral("nmea"), QStringLiteral("-f"), file,
                            QStringLiteral("-o"), QStringLiteral("unicsv"), QStringLiteral("-F"),
                            QStringLiteral("/dev/null")});
    const bool finished = process.waitForFinished(120000);
    *ms = timer.nsecsElapsed() / 1e6;
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        err() << "bench_nmea: gpsbabel failed: " << process.readAllStandardError() << "\n";
        return false;
    }
    return true;
}

// The median of `rounds` runs of gpsbabel, or -1 if one fails.
double gpsbabelMedian(const QString &program, const QString &file, const QString &timeZone, int rounds)
{
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        double ms = 0;
        if (!runGpsbabel(program, file, timeZone, &ms))
            return -1;
        times.push_back(ms);
    }
    return median(times);
}

QString column(double ms, int width)
{
    return ms < 0 ? QStringLiteral("-").rightJustified(width) : QStringLiteral("%1").arg(ms, width, 'f', 1);
}

QString ratioColumn(double ours, double theirs, int width)
{
    return theirs <= 0 ? QStringLiteral("-").rightJustified(width)
                       : QStringLiteral("%1").arg(ours / theirs, width, 'f', 2);
}

// The parser and a reference copy of it side by side, each result written out
// in full: every point's properties in their order, numbers exactly (-0 too),
// or the error thrown.
class Comparison
{
public:
    bool load(const QString &referenceFile)
    {
        m_component = std::make_unique<QQmlComponent>(&m_engine);
        m_component->setData("import QtQml 2.15\n"
                             "import \"../js/nmea-parsing.js\" as Nmea\n"
                             "import \"" + QUrl::fromLocalFile(referenceFile).toEncoded() + "\" as Reference\n"
                             "QtObject {\n"
                             "    function value(v) {\n"
                             "        return typeof v !== 'number' ? typeof v + ' ' + JSON.stringify(v)\n"
                             "             : v === 0 && 1 / v < 0 ? '-0' : String(v);\n"
                             "    }\n"
                             "    function dump(load, withoutDateTime, text) {\n"
                             "        try {\n"
                             "            var points = load(text);\n"
                             "            var lines = [Array.isArray(points) + ' ' + points.length + ' '\n"
                             "                         + value(withoutDateTime(points))];\n"
                             "            for (var i = 0; i < points.length; ++i) {\n"
                             "                var keys = Object.keys(points[i]);\n"
                             "                lines.push(keys.map(k => k + '=' + value(points[i][k])).join(' '));\n"
                             "            }\n"
                             "            return lines.join('\\n');\n"
                             "        } catch (error) {\n"
                             "            return 'error ' + (error instanceof SyntaxError) + ' ' + value(error.message)\n"
                             "                   + ' line ' + value(error.incorrectLine);\n"
                             "        }\n"
                             "    }\n"
                             "    function compare(text) {\n"
                             "        var ours = dump(Nmea.loadNmeaLog, Nmea.trackHasPointsWithoutDateTime, text);\n"
                             "        var theirs = dump(Reference.loadNmeaLog, Reference.trackHasPointsWithoutDateTime, text);\n"
                             "        return ours === theirs ? '' : 'ours:\\n' + ours + '\\nreference:\\n' + theirs;\n"
                             "    }\n"
                             "}\n",
                             QUrl::fromLocalFile(QStringLiteral(MIMICRY_SOURCE_DIR "/qml/BenchNmeaCompare.qml")));
        m_object.reset(m_component->create());
        if (!m_object)
            err() << "bench_nmea: " << m_component->errorString() << "\n";
        return bool(m_object);
    }

    // Empty when both give the same, otherwise both results.
    QString compare(const QString &text)
    {
        QVariant difference;
        QMetaObject::invokeMethod(m_object.get(), "compare", Q_RETURN_ARG(QVariant, difference),
                                  Q_ARG(QVariant, QVariant::fromValue(QJSValue(text))));
        return difference.toString();
    }

private:
    QQmlEngine m_engine;
    std::unique_ptr<QQmlComponent> m_component;
    std::unique_ptr<QObject> m_object;
};

// Logs made to reach the corners of the parser: well-formed ones with values
// of every shape, and mutated copies of those and of the test logs (cut
// fields and lines, stray characters, garbage, other line breaks, lines of
// other logs mixed in).
class Corpus
{
public:
    Corpus(const QStringList &sources, unsigned seed) : m_sources(sources), m_random(seed) {}

    QString next()
    {
        // Clean logs are what the parser mostly meets; the others go wrong
        // somewhere, or are mutated.
        const int kind = pick(4);
        if (kind < 2)
            return wellFormed(kind == 0);
        QString text = kind == 2 || m_sources.isEmpty() ? wellFormed(true) : m_sources[pick(m_sources.size())];
        for (int i = 1 + pick(3); i > 0; --i)
            mutate(&text);
        return text;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    bool chance(int percent) { return pick(100) < percent; }

    QString digits(int count)
    {
        QString text;
        for (int i = 0; i < count; ++i)
            text += QChar('0' + pick(10));
        return text;
    }

    QString twoDigits(int value) { return QString::number(value).rightJustified(2, QLatin1Char('0')); }

    // Degrees, then minutes with up to two extra leading zeros and 1 to 20
    // decimals; in a clean log, never beyond the poles or the antimeridian.
    QString coordinate(int degreeDigits, bool clean)
    {
        const int limit = degreeDigits == 2 ? 90 : 180;
        if (chance(3))
            return QString::number(limit) + QLatin1String(chance(50) ? "00.0" : "0.000");
        QString text = QString::number(!clean && chance(5) ? limit + pick(20) : pick(limit))
                .rightJustified(degreeDigits, QLatin1Char('0'));
        const QString wholeMinutes = !clean && chance(10) ? digits(1 + pick(2)) : QString::number(pick(60));
        text += QString(pick(3), QLatin1Char('0')) + wholeMinutes + QLatin1Char('.')
                + digits(chance(10) ? 10 + pick(11) : 1 + pick(6));
        return text;
    }

    QString sentenceLine(int seconds, bool clean)
    {
        const int type = clean ? pick(19) : pick(20);
        const QString time = twoDigits(seconds / 3600 % (chance(3) ? 100 : 24)) + twoDigits(seconds / 60 % 60)
                + twoDigits(seconds % 60) + (chance(40) ? QString() : QLatin1Char('.') + digits(2 + pick(2)));
        const QString position = coordinate(2, clean) + (chance(50) ? ",N," : ",S,") + coordinate(3, clean)
                + (chance(50) ? ",E" : ",W");
        // Around midnight, changes of summer time and the turn of the century.
        static const char *const dates[] = {"150324", "310324", "100324", "271024", "031124", "311299",
                                            "010100", "290224", "000000", "321399"};
        QString body;
        if (type < 10) {
            body = "GPRMC," + time + (chance(80) ? ",A," : ",V,") + position + ",5.5,54.7,"
                    + (chance(50) ? QString::fromLatin1(dates[pick(10)]) : twoDigits(1 + pick(31))
                                   + twoDigits(1 + pick(12)) + digits(2))
                    + ",,,A";
        } else if (type < 16) {
            body = "GPGGA," + time + ',' + position + ",1,08,0.9," + QString(pick(3), '0')
                    + QLatin1String(!clean && chance(3) ? "-" : "") + digits(1 + pick(4)) + '.' + digits(1 + pick(4)) + ",M,46.9,M,,";
        } else if (type == 16) {
            body = "GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00";
        } else if (type == 17) {
            body = "GPVTG,054.7,T,034.4,M,005.5,N,010.2,K";
        } else if (type == 18) {
            body = "GPGLL," + position + ',' + time + ",A";
        } else {
            body = "GPWPL," + position + ",WPT";
        }
        for (int i = pick(20) == 0 ? 1 + pick(3) : 0; i > 0; --i)
            body += QStringLiteral(",x");
        return QString::fromLatin1(sentence(body.toLatin1())).chopped(2);
    }

    QString wellFormed(bool clean)
    {
        static const char *const breaks[] = {"\r\n", "\n", "\r", "\r\n\r\n"};
        const int mixed = pick(4);
        QString text;
        int seconds = pick(86400);
        for (int line = pick(30); line >= 0; --line) {
            text += sentenceLine(seconds, clean) + QLatin1String(breaks[mixed < 3 ? mixed : pick(4)]);
            seconds += chance(5) ? -pick(100) : pick(chance(10) ? 40000 : 3);
        }
        return text;
    }

    void mutate(QString *text)
    {
        static const char *const inserts[] = {",", "\r\n", "\n", "\r", "\u2028", "\u2029", "$GPRMC,", "$GPGGA,",
                                              "0", ".", "-", "N", "W", "*", "garbage", "  ", "\r\n\r\n", "00"};
        const int at = text->isEmpty() ? 0 : pick(text->size());
        switch (pick(7)) {
        case 0: // a character replaced
            if (!text->isEmpty())
                (*text)[at] = QString::fromUtf8(inserts[pick(18)]).at(0);
            break;
        case 1:
            text->insert(at, QString::fromUtf8(inserts[pick(18)]));
            break;
        case 2:
            text->remove(at, 1 + pick(8));
            break;
        case 3: // cut short
            text->truncate(at);
            break;
        case 4: { // a line doubled or dropped
            QStringList lines = text->split(QLatin1Char('\n'));
            const int line = pick(lines.size());
            if (chance(50))
                lines.insert(line, lines[line]);
            else
                lines.removeAt(line);
            *text = lines.join(QLatin1Char('\n'));
            break;
        }
        case 5: // lines of another log
            text->insert(at, (m_sources.isEmpty() || chance(50) ? wellFormed(chance(50)) : m_sources[pick(m_sources.size())])
                                 .left(pick(400)));
            break;
        default: // other line breaks
            text->replace(QLatin1String("\r\n"), QLatin1String(chance(50) ? "\n" : "\r"));
            break;
        }
    }

    QStringList m_sources;
    std::mt19937 m_random;
};

// The reference parser: a file, or js/nmea-parsing.js at a revision of the
// repository written to `dir`. Empty on failure.
QString referenceFile(const QString &reference, const QTemporaryDir &dir)
{
    if (QFileInfo(reference).isFile())
        return QFileInfo(reference).absoluteFilePath();
    QProcess git;
    git.start(QStringLiteral("git"), {QStringLiteral("-C"), QStringLiteral(MIMICRY_SOURCE_DIR), QStringLiteral("show"),
                                      reference + QStringLiteral(":js/nmea-parsing.js")});
    const QString file = dir.filePath(QStringLiteral("reference-nmea-parsing.js"));
    QFile output(file);
    if (!git.waitForFinished(30000) || git.exitStatus() != QProcess::NormalExit || git.exitCode() != 0
        || !output.open(QIODevice::WriteOnly) || output.write(git.readAllStandardOutput()) <= 0) {
        err() << "bench_nmea: " << reference << " is neither a file nor a revision: " << git.readAllStandardError()
              << "\n";
        return QString();
    }
    return file;
}

// Compares the parser with the reference on the test logs, the benchmark's
// logs and the corpus; prints the first differences. True if all agree.
bool compareWithReference(const QString &reference, int corpusSize, unsigned seed, int sentences)
{
    QTemporaryDir dir;
    const QString file = dir.isValid() ? referenceFile(reference, dir) : QString();
    Comparison comparison;
    if (file.isEmpty() || !comparison.load(file))
        return false;

    int differences = 0;
    auto check = [&](const QString &name, const QString &text) {
        const QString difference = comparison.compare(text);
        if (difference.isEmpty())
            return;
        if (++differences <= 5) {
            err() << "bench_nmea: " << name << " differs\n--- input:\n" << text.left(2000) << "\n--- "
                  << difference.left(4000) << "\n";
        }
    };

    const QDir data(QStringLiteral(MIMICRY_SOURCE_DIR "/tests/data/nmea"));
    const QStringList files = data.entryList({QStringLiteral("*.nmea")}, QDir::Files, QDir::Name);
    QStringList sources;
    for (const QString &name : files) {
        QFile input(data.filePath(name));
        if (!input.open(QIODevice::ReadOnly)) {
            err() << "bench_nmea: cannot read " << input.fileName() << "\n";
            return false;
        }
        sources << QString::fromUtf8(input.readAll());
        check(name, sources.last());
    }
    for (const QByteArray &type : {QByteArrayLiteral("GPRMC"), QByteArrayLiteral("GPGGA")})
        check(QStringLiteral("benchmark log ") + QString::fromLatin1(type),
              QString::fromLatin1(generateLog(type, sentences)));
    Corpus corpus(sources, seed);
    for (int i = 0; i < corpusSize; ++i)
        check(QStringLiteral("corpus entry %1").arg(i), corpus.next());

    out() << "compared with " << reference << " (TZ " << (qEnvironmentVariableIsEmpty("TZ") ? "unset" : qgetenv("TZ"))
          << "): " << files.size() << " test logs, 2 benchmark logs of " << sentences << " sentences, "
          << corpusSize << " corpus entries (seed " << seed << "): "
          << (differences == 0 ? QStringLiteral("all identical") : QStringLiteral("%1 differ").arg(differences))
          << "\n";
    return differences == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench_nmea"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Time of loadNmeaLog on generated GPRMC and GPGGA logs, next to gpsbabel on the same files."));
    parser.addHelpOption();
    const QCommandLineOption sentencesOption(QStringLiteral("sentences"),
                                             QStringLiteral("Sentences per log (default 100000, 5000 with --quick)."),
                                             QStringLiteral("N"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          QStringLiteral("Rounds; the median is shown (default 3, 1 with --quick)."),
                                          QStringLiteral("R"));
    const QCommandLineOption quickOption(QStringLiteral("quick"), QStringLiteral("Smoke run."));
    const QCommandLineOption compareOption(
        QStringLiteral("compare"),
        QStringLiteral("Instead of timing, compare the results with a reference parser, a file or the "
                       "js/nmea-parsing.js of a git revision."),
        QStringLiteral("reference"));
    const QCommandLineOption corpusOption(QStringLiteral("corpus"),
                                          QStringLiteral("Generated logs compared (default 5000)."),
                                          QStringLiteral("N"));
    const QCommandLineOption seedOption(QStringLiteral("seed"), QStringLiteral("Seed of the generated logs (default 1)."),
                                        QStringLiteral("S"));
    parser.addOptions({sentencesOption, roundsOption, quickOption, compareOption, corpusOption, seedOption});
    parser.process(app);

    const bool quick = parser.isSet(quickOption);
    int sentences = 0;
    int rounds = 0;
    if (!readCountOption(parser, sentencesOption, quick ? 5000 : 100000, 2, &sentences)
        || !readCountOption(parser, roundsOption, quick ? 1 : 3, 1, &rounds)) {
        err() << "bench_nmea: --sentences takes a number above 1, --rounds a positive number\n";
        return 2;
    }
    if (parser.isSet(compareOption)) {
        int corpusSize = 0;
        int seed = 0;
        if (!readCountOption(parser, corpusOption, 5000, 0, &corpusSize)
            || !readCountOption(parser, seedOption, 1, 0, &seed)) {
            err() << "bench_nmea: --corpus and --seed take a number\n";
            return 2;
        }
        return compareWithReference(parser.value(compareOption), corpusSize, unsigned(seed), sentences) ? 0 : 1;
    }

    QTemporaryDir dir;
    Parser nmea;
    if (!dir.isValid() || !nmea.load())
        return 1;
    const QString gpsbabel = QStandardPaths::findExecutable(QStringLiteral("gpsbabel"));
    if (gpsbabel.isEmpty())
        out() << "gpsbabel not found (scripts/install-deps.sh installs it); timing the parser alone\n";
    // Without TZ, glibc looks at /etc/localtime again for every time
    // conversion, ten times a sentence in gpsbabel; a second run with TZ set
    // shows its parsing alone.
    const bool withUtcRun = !gpsbabel.isEmpty() && qEnvironmentVariableIsEmpty("TZ");

    // Warms the engine up, so that the first round does not pay for compiling.
    nmea.setLog(QString::fromLatin1(generateLog("GPRMC", 2000)));
    double ignored = 0;
    nmea.parse(&ignored);

    out() << "NMEA logs of " << sentences << " sentences, median of " << rounds << " round(s)\n";
    out() << QStringLiteral("%1 %2 %3 %4 %5").arg(QStringLiteral("type"), -6).arg(QStringLiteral("size MB"), 8)
                 .arg(QStringLiteral("loadNmeaLog ms"), 15).arg(QStringLiteral("gpsbabel ms"), 12)
                 .arg(QStringLiteral("ours/gpsbabel"), 14);
    if (withUtcRun)
        out() << QStringLiteral(" %1 %2").arg(QStringLiteral("gpsbabel TZ=UTC ms"), 19)
                     .arg(QStringLiteral("ours/that"), 10);
    out() << "\n";

    for (const QByteArray &type : {QByteArrayLiteral("GPRMC"), QByteArrayLiteral("GPGGA")}) {
        const QByteArray log = generateLog(type, sentences);
        const QString file = dir.filePath(QString::fromLatin1(type) + QStringLiteral(".nmea"));
        QFile output(file);
        if (!output.open(QIODevice::WriteOnly) || output.write(log) != log.size()) {
            err() << "bench_nmea: cannot write " << file << "\n";
            return 1;
        }
        output.close();
        nmea.setLog(QString::fromLatin1(log));

        // Both logs span sentences - 1 seconds, give or take the hour of a
        // change of the local offset.
        const double span = (sentences - 1) * 1000.0;
        std::vector<double> times;
        for (int round = 0; round < rounds; ++round) {
            double ms = 0;
            const QStringList result = nmea.parse(&ms).split(QLatin1Char(' '));
            if (result.size() != 2 || result[0].toInt() != sentences || qAbs(result[1].toDouble() - span) > 3600000) {
                err() << "bench_nmea: " << type << " parsed as \"" << result.join(QLatin1Char(' ')) << "\", expected "
                      << sentences << " points over " << span << " ms\n";
                return 1;
            }
            times.push_back(ms);
        }
        const double ours = median(times);
        const double theirs = gpsbabel.isEmpty() ? -1 : gpsbabelMedian(gpsbabel, file, QString(), rounds);
        const double theirsUtc = withUtcRun ? gpsbabelMedian(gpsbabel, file, QStringLiteral("UTC"), rounds) : -1;
        if (!gpsbabel.isEmpty() && (theirs < 0 || (withUtcRun && theirsUtc < 0)))
            return 1;

        out() << QStringLiteral("%1 %2 %3 %4 %5").arg(QString::fromLatin1(type), -6).arg(log.size() / 1e6, 8, 'f', 1)
                     .arg(column(ours, 15), column(theirs, 12), ratioColumn(ours, theirs, 14));
        if (withUtcRun)
            out() << QStringLiteral(" %1 %2").arg(column(theirsUtc, 19), ratioColumn(ours, theirsUtc, 10));
        out() << "\n";
        out().flush();
    }
    return 0;
}
