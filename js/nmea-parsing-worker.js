.pragma library
.import "nmea-parsing.js" as Nmea

// What TrackFileParser's engine runs on its worker thread: the parse, and its
// points packed for C++. A property read per value from C++ costs more than
// the parse itself, so the numbers go as one buffer of doubles, five per point
// in the order below. A point's index is its row, and its time text follows
// from its time, so neither travels. Errors travel back as plain data.

function parseTrack(text) {
    var points;
    try {
        points = Nmea.loadNmeaLog(text);
    } catch (error) {
        return {
            error: {
                // An interrupted parse catches undefined.
                message: error instanceof Error ? error.message : String(error),
                incorrectLine: error instanceof Error ? error.incorrectLine : 0
            }
        };
    }
    var count = points.length;
    var values = new Float64Array(count * 5);
    for (var i = 0, k = 0; i < count; ++i) {
        var point = points[i];
        values[k++] = point.latitude;
        values[k++] = point.longitude;
        values[k++] = point.altitude;
        values[k++] = point.time;
        values[k++] = point.interval;
    }
    return { values: values.buffer, withoutDateTime: Nmea.trackHasPointsWithoutDateTime(points) };
}
