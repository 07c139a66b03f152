// js/nmea-parsing.js on long generated logs, in QML's engine as the GPS page
// runs it, next to gpsbabel converting the same files.

#include "benchutils.h"
#include "nmealog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
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
    parser.addOptions({sentencesOption, roundsOption, quickOption});
    parser.process(app);

    const bool quick = parser.isSet(quickOption);
    int sentences = 0;
    int rounds = 0;
    if (!readCountOption(parser, sentencesOption, quick ? 5000 : 100000, 2, &sentences)
        || !readCountOption(parser, roundsOption, quick ? 1 : 3, 1, &rounds)) {
        err() << "bench_nmea: --sentences takes a number above 1, --rounds a positive number\n";
        return 2;
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
