#pragma once

#include <QCommandLineParser>
#include <QTextStream>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

// What every benchmark prints with and how it sums up its samples.
namespace MimicryBench {

inline QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

// CPU time of the calling thread (CLOCK_THREAD_CPUTIME_ID) or of the whole
// process (CLOCK_PROCESS_CPUTIME_ID), in milliseconds.
inline double cpuMs(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

inline QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

// A whole-number option of at least `minimum`, or `fallback` when it is not
// given. False for anything else.
inline bool readCountOption(const QCommandLineParser &parser, const QCommandLineOption &option, int fallback,
                            int minimum, int *value)
{
    if (!parser.isSet(option)) {
        *value = fallback;
        return true;
    }
    bool ok = false;
    *value = parser.value(option).toInt(&ok);
    return ok && *value >= minimum;
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    if (n == 0)
        return 0;
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Nearest rank, so the figure is one that was actually observed.
inline double percentile(std::vector<qint64> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t rank = size_t(std::ceil(p / 100.0 * values.size()));
    return double(values[std::max<size_t>(rank, 1) - 1]);
}

inline double medianOf(const std::vector<qint64> &values)
{
    return median(std::vector<double>(values.begin(), values.end()));
}

// Before the application: without a display the benchmark runs offscreen,
// where Qt Quick has no OpenGL and must draw in software. Under X it keeps
// OpenGL, as the IDE has it.
inline void setUpPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
}

} // namespace MimicryBench
