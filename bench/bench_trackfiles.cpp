// GPX and KML tracks read as the GPS page reads them (the file's text
// decoded, parsed, and the guest's argument made), next to gpsbabel reading
// the same files. The files are gpsbabel's own, written from a generated
// NMEA log.

#include "benchutils.h"
#include "nmealog.h"

#include <gps/trackfileparser.h>
#include <gps/trackpointmodel.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <vector>

namespace {

using namespace MimicryBench;
using Mimicry::Internal::TrackFileParser;

// CPU time of the waited-for children, in milliseconds.
double childrenCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// The machine is shared, so both sides are timed in CPU time: the program's
// user and system time, ours that of this thread.
bool run(const QString &program, const QStringList &arguments, double *ms)
{
    QProcess process;
    const double before = childrenCpuMs();
    process.start(program, arguments);
    const bool finished = process.waitForFinished(300000);
    *ms = childrenCpuMs() - before;
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        err() << "bench_trackfiles: " << program << ' ' << arguments.join(QLatin1Char(' ')) << " failed: "
              << process.readAllStandardError() << "\n";
        return false;
    }
    return true;
}

// Reads and parses the file; the number of points, or -1.
int parseFile(const QString &path, double *ms)
{
    const double before = cpuMs(CLOCK_THREAD_CPUTIME_ID);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const TrackFileParser::Result result = TrackFileParser::parseText(QString::fromUtf8(file.readAll()));
    *ms = cpuMs(CLOCK_THREAD_CPUTIME_ID) - before;
    if (!result.ok) {
        err() << "bench_trackfiles: " << path << ": " << result.errorMessage << ", line " << result.errorLine << "\n";
        return -1;
    }
    return result.points.size();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench_trackfiles"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Time of reading GPX and KML tracks written by gpsbabel, next to gpsbabel reading them."));
    parser.addHelpOption();
    const QCommandLineOption pointsOption(QStringLiteral("points"),
                                          QStringLiteral("Points per track (default 100000, 5000 with --quick)."),
                                          QStringLiteral("N"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          QStringLiteral("Rounds; the median is shown (default 3, 1 with --quick)."),
                                          QStringLiteral("R"));
    const QCommandLineOption quickOption(QStringLiteral("quick"), QStringLiteral("Smoke run."));
    parser.addOptions({pointsOption, roundsOption, quickOption});
    parser.process(app);

    const bool quick = parser.isSet(quickOption);
    int points = 0;
    int rounds = 0;
    if (!readCountOption(parser, pointsOption, quick ? 5000 : 100000, 2, &points)
        || !readCountOption(parser, roundsOption, quick ? 1 : 3, 1, &rounds)) {
        err() << "bench_trackfiles: --points takes a number above 1, --rounds a positive number\n";
        return 2;
    }
    const QString gpsbabel = QStandardPaths::findExecutable(QStringLiteral("gpsbabel"));
    if (gpsbabel.isEmpty()) {
        out() << "gpsbabel not found (scripts/install-deps.sh installs it); it writes the files, nothing to time\n";
        return 0;
    }
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("track.nmea"));
    QFile logFile(log);
    const QByteArray text = generateLog("GPGGA", points);
    if (!dir.isValid() || !logFile.open(QIODevice::WriteOnly) || logFile.write(text) != text.size()) {
        err() << "bench_trackfiles: cannot write " << log << "\n";
        return 1;
    }
    logFile.close();

    struct Kind
    {
        const char *name;
        const char *output; // gpsbabel's writer and its options
        const char *input;
    };
    // KML with 9 decimals, as GPX has them.
    const Kind kinds[] = {{"GPX 1.0", "gpx", "gpx"},
                          {"GPX 1.1", "gpx,gpxver=1.1", "gpx"},
                          {"KML gx:Track", "kml,prec=9,track=1,points=0", "kml"},
                          {"KML LineString", "kml,prec=9,points=0", "kml"}};

    out() << "Tracks of " << points << " points written by gpsbabel, median of " << rounds << " round(s)\n";
    out() << QStringLiteral("%1 %2 %3 %4 %5\n")
                 .arg(QStringLiteral("file"), -15)
                 .arg(QStringLiteral("size MB"), 8)
                 .arg(QStringLiteral("ours CPU ms"), 12)
                 .arg(QStringLiteral("gpsbabel CPU ms"), 16)
                 .arg(QStringLiteral("gpsbabel/ours"), 14);
    for (const Kind &kind : kinds) {
        const QString file = dir.filePath(QString::fromLatin1(kind.output).section(QLatin1Char(','), 0, 0)
                                          + QString::number(&kind - kinds));
        double ignored = 0;
        if (!run(gpsbabel, {"-i", "nmea,date=20240315", "-f", log, "-o", QString::fromLatin1(kind.output), "-F", file}, &ignored))
            return 1;
        std::vector<double> ours, theirs;
        for (int round = 0; round < rounds; ++round) {
            double ms = 0;
            const int count = parseFile(file, &ms);
            if (count != points) {
                err() << "bench_trackfiles: " << kind.name << " gave " << count << " points, expected " << points
                      << "\n";
                return 1;
            }
            ours.push_back(ms);
            if (!run(gpsbabel, {"-i", QString::fromLatin1(kind.input), "-f", file, "-o", "unicsv", "-F", "/dev/null"}, &ms))
                return 1;
            theirs.push_back(ms);
        }
        const double oursMs = median(ours), theirsMs = median(theirs);
        out() << QStringLiteral("%1 %2 %3 %4 %5\n")
                     .arg(QString::fromLatin1(kind.name), -15)
                     .arg(QFileInfo(file).size() / 1e6, 8, 'f', 1)
                     .arg(oursMs, 12, 'f', 1)
                     .arg(theirsMs, 16, 'f', 1)
                     .arg(theirsMs / oursMs, 14, 'f', 2);
        out().flush();
    }
    return 0;
}
