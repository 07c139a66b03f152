#pragma once

#include <QByteArray>
#include <QString>

// Generated NMEA logs for the benchmarks that parse them.
namespace MimicryBench {

inline QByteArray sentence(const QByteArray &body)
{
    char checksum = 0;
    for (const char c : body)
        checksum ^= c;
    return '$' + body + '*' + QByteArray::number(uchar(checksum), 16).rightJustified(2, '0').toUpper() + "\r\n";
}

// One sentence a second from 15 March 2024 08:00, so that a long log crosses
// midnight; the position creeps north-east.
inline QByteArray generateLog(const QByteArray &type, int sentences)
{
    QByteArray log;
    log.reserve(sentences * 80);
    for (int i = 0; i < sentences; ++i) {
        const int seconds = 8 * 3600 + i;
        const QByteArray time = QString::asprintf("%02d%02d%02d.00,", seconds / 3600 % 24, seconds / 60 % 60,
                                                  seconds % 60).toLatin1();
        const double minutes = 10.0 + (i % 40000) * 0.001;
        const QByteArray position = QString::asprintf("59%07.4f,N,030%07.4f,E,", minutes, minutes).toLatin1();
        if (type == "GPRMC") {
            const QByteArray date = QString::asprintf("%02d0324", 15 + seconds / 86400).toLatin1();
            log += sentence("GPRMC," + time + "A," + position + "5.5,54.7," + date + ",,,A");
        } else {
            const QByteArray altitude = QString::asprintf("%.1f", 100 + (i % 500) * 0.1).toLatin1();
            log += sentence("GPGGA," + time + position + "1,08,0.9," + altitude + ",M,46.9,M,,");
        }
    }
    return log;
}

} // namespace MimicryBench
