.pragma library

// Turns the text of an NMEA 0183 log into the track points of the GPS page.
//
// A line of a supported type must match its sentence's pattern:
//
//   $GPRMC  ^\$GPRMC,T,.*,D,(N|S),D,(E|W),.*,.*,\d{6},.*,.*$
//   $GPGGA  ^\$GPGGA,T,D,(N|S),D,(E|W),.*,.*,.*,D,.*,.*,.*,.*,.*$
//   $GPGLL  ^\$GPGLL,D,(N|S),D,(E|W),(T,)?.*$
//   $GPWPL  ^\$GPWPL,D,(N|S),D,(E|W),.*$
//
// with T = \d{6}(\.\d{2,3})? and D = \d+\.\d+, while the values are always
// read from fixed fields. A ".*" between commas stands for one or more whole
// fields, and "." matches anything but a line break (\u2028 and \u2029 too).
// Logs come from anywhere, and these runs of ".*" backtrack polynomially on a
// long line of commas, so the patterns are never run as regular expressions:
// a line is first checked in place for the usual layout (the values in the
// fields they are read from), and only otherwise split and searched field by
// field, in linear time.

// The GPS page's rounding sizes, in decimals.
var latLongRoundingSize = 7;
var altRoundingSize = 2;

// Everything lives in a closure: QML resolves a script's top-level names
// through its context at every use, a closure's names directly, and that is
// half of the time on a long log.
var nmeaParser = (function (latLongRoundingSize, altRoundingSize) {
    var floor = Math.floor, round = Math.round, min = Math.min, max = Math.max, pow = Math.pow;
    var utc = Date.UTC, NativeDate = Date, parseNumber = parseFloat, finite = isFinite;

    var millisPerMinute = 60000;
    var millisPerHour = 3600000;
    var millisPerDay = 86400000;

    // Neither has a nested quantifier; both run in time linear in the field.
    var decimalField = /^\d+\.\d+$/;
    var sentenceTimeField = /^\d{6}(?:\.\d{2,3})?$/;

    var COMMA = 44, POINT = 46, ZERO = 48, NINE = 57;
    var LETTER_N = 78, LETTER_S = 83, LETTER_E = 69, LETTER_W = 87;

    function emptyFileMessage() {
        return typeof qsTranslate === "function"
                ? qsTranslate("nmea-parsing", "NMEA file is empty") : "NMEA file is empty";
    }

    function incorrectPointsMessage() {
        return typeof qsTranslate === "function"
                ? qsTranslate("nmea-parsing", "NMEA file has incorrect points format.\nSupported formats: GPRMC, GPGGA, GPGLL, GPWPL.")
                : "NMEA file has incorrect points format.\nSupported formats: GPRMC, GPGGA, GPGLL, GPWPL.";
    }

    function parseError(message, incorrectLine) {
        var error = new SyntaxError(message);
        error.incorrectLine = incorrectLine;
        return error;
    }

    function roundValue(value, precision) {
        var factor = pow(10, precision);
        return round(value * factor) / factor;
    }

    // parseFloat(text.substring(from, to)) without making the string, for digits
    // with at most one point and at most 15 digits: both operands of the division
    // are then exact, so its rounding gives parseFloat's nearest double.
    function readDecimal(text, from, to) {
        var value = 0, scale = 1, digits = 0, point = false;
        for (var i = from; i < to; ++i) {
            var c = text.charCodeAt(i);
            if (c >= ZERO && c <= NINE) {
                value = value * 10 + (c - ZERO);
                if (point)
                    scale *= 10;
                ++digits;
            } else if (c === POINT && !point) {
                point = true;
            } else {
                return parseNumber(text.substring(from, to));
            }
        }
        return digits > 0 && digits <= 15 ? value / scale : parseNumber(text.substring(from, to));
    }

    function parseCoordinateFromNmea(coordinateString, coordinateHemisphere, degreesSize) {
        var split = min(degreesSize, coordinateString.length);
        var degrees = readDecimal(coordinateString, 0, split);
        var minutes = readDecimal(coordinateString, split, coordinateString.length);
        var value = roundValue(degrees + minutes / 60, latLongRoundingSize);
        return coordinateHemisphere === "S" || coordinateHemisphere === "W" ? -value : value;
    }

    function parseLatitudeFromNmea(latString, latHemisphere) {
        return parseCoordinateFromNmea(latString, latHemisphere, 2);
    }

    function parseLongitudeFromNmea(lonString, lonHemisphere) {
        return parseCoordinateFromNmea(lonString, lonHemisphere, 3);
    }

    // Converting between local time and UTC costs QML's engine a time zone
    // look-up of several microseconds, more than all the rest of a line, so the
    // offsets are kept for ten minutes at a time: an offset found the same at
    // both ends of such a span is taken for the whole of it, as no time zone
    // changes its offset twice within ten minutes. The values are the engine's
    // own, so the instants come out as those of new Date(y, m, d, h, min, s, ms).
    var offsetSpan = 10 * millisPerMinute;

    function OffsetCache(lookUp) {
        this.lookUp = lookUp;
        this.from = 1;
        this.to = 0;
        this.offset = 0;
    }

    OffsetCache.prototype.at = function (t) {
        if (t >= this.from && t <= this.to)
            return this.offset;
        var offset = this.lookUp(t);
        if (this.lookUp(t + offsetSpan) === offset) {
            this.from = t;
            this.to = t + offsetSpan;
            this.offset = offset;
        }
        return offset;
    };

    // Local time (as milliseconds on the UTC scale) minus the instant it stands for.
    var localToUtc = new OffsetCache(function (local) {
        return local - new NativeDate(1970, 0, 1, 0, 0, 0, local).getTime();
    });
    // Local time of an instant minus the instant.
    var utcToLocal = new OffsetCache(function (instant) {
        return -round(new NativeDate(instant).getTimezoneOffset() * millisPerMinute);
    });

    var yearNow = 0;
    // Consecutive sentences mostly share their date.
    var lastDateString = null;
    var lastDateStart = 0;

    function startOfLocalDay(instant) {
        var local = instant + utcToLocal.at(instant);
        return local - (local % millisPerDay + millisPerDay) % millisPerDay;
    }

    function instantOfLocal(local) {
        return local - localToUtc.at(local);
    }

    function isDigits(text, from, to) {
        for (var i = from; i < to; ++i) {
            var c = text.charCodeAt(i);
            if (c < ZERO || c > NINE)
                return false;
        }
        return true;
    }

    function twoDigitsAt(text, index) {
        return (text.charCodeAt(index) - ZERO) * 10 + text.charCodeAt(index + 1) - ZERO;
    }

    // Returns the instant of the point, or null when the time (or the date) is
    // not made of digits: only a GPGLL time or a GPRMC date read from a field
    // other than the one the pattern checked can be, and a null instant never
    // turns into NaN further on.
    function parseDateFromNmea(dateString, timeString, prevDate) {
        if (typeof timeString !== "string" || timeString.length < 6 || !isDigits(timeString, 0, 6))
            return null;
        var millis = 0;
        var length = timeString.length;
        if (length > 6) {
            if (length === 7 || timeString.charCodeAt(6) !== POINT || !isDigits(timeString, 7, length))
                return null;
            millis = round(readDecimal(timeString, 6, length) * 1000);
        }
        var timeOfDay = twoDigitsAt(timeString, 0) * millisPerHour + twoDigitsAt(timeString, 2) * millisPerMinute
                + twoDigitsAt(timeString, 4) * 1000 + millis;

        if (dateString !== undefined) {
            if (dateString !== lastDateString) {
                if (typeof dateString !== "string" || dateString.length !== 6 || !isDigits(dateString, 0, 6))
                    return null;
                var year = 2000 + twoDigitsAt(dateString, 4);
                if (year > (yearNow || new NativeDate().getFullYear()))
                    year -= 100;
                lastDateString = dateString;
                lastDateStart = utc(year, twoDigitsAt(dateString, 2) - 1, twoDigitsAt(dateString, 0));
            }
            return new NativeDate(instantOfLocal(lastDateStart + timeOfDay));
        }

        if (!prevDate) {
            var now = new NativeDate();
            return new NativeDate(instantOfLocal(utc(now.getFullYear(), now.getMonth(), now.getDate()) + timeOfDay));
        }
        var previous = prevDate.getTime();
        var onSameDay = startOfLocalDay(previous) + timeOfDay;
        var instant = instantOfLocal(onSameDay);
        if (instant < previous)
            instant = instantOfLocal(onSameDay + millisPerDay);
        return new NativeDate(instant);
    }

    function millisBetween(firstDate, secondDate) {
        return secondDate.getTime() - firstDate.getTime();
    }

    // "hh:mm:" and "ss.t", so that a time text is one concatenation.
    var hourMinuteTexts = [];
    var secondTenthTexts = [];
    (function () {
        function twoDigits(value) {
            return value < 10 ? "0" + value : "" + value;
        }
        for (var i = 0; i < 24 * 60; ++i)
            hourMinuteTexts.push(twoDigits(floor(i / 60)) + ":" + twoDigits(i % 60) + ":");
        for (var j = 0; j < 600; ++j)
            secondTenthTexts.push(twoDigits(floor(j / 10)) + "." + (j % 10));
    })();

    // A negative duration (a track going back in time) wraps like a time of day:
    // -2 s is shown as 23:59:58.0.
    function millisToPointTime(duration) {
        var rest = duration % millisPerDay;
        if (rest < 0)
            rest += millisPerDay;
        var minutes = floor(rest / millisPerMinute);
        return hourMinuteTexts[minutes] + secondTenthTexts[floor((rest - minutes * millisPerMinute) / 100)];
    }

    // trackPointTime is null for a point without time; startTime is the instant
    // that counts as 0.
    function setUpTrackPointTimeAndInterval(points, trackPoint, startTime, trackPointTime) {
        var count = points.length;
        var time = 0;
        if (count > 0 && trackPointTime && startTime)
            time = millisBetween(startTime, trackPointTime);
        trackPoint.index = count;
        trackPoint.time = time;
        // A point timed before the one it follows is played right after it:
        // the guest refuses a whole track for one negative interval.
        trackPoint.interval = count > 0 ? max(time - points[count - 1].time, 0) : 0;
        trackPoint.timeString = millisToPointTime(time);
        points.push(trackPoint);
    }

    // Returns null when a value does not come out as a finite number, or a
    // coordinate lies beyond the poles or the antimeridian (a longitude that
    // lost its leading zero reads as 301 degrees). Such a line is as malformed
    // as one that does not match; the guest would refuse the position anyway.
    function createTrackPoint(pointFormat, latString, latHemisphere, lonString, lonHemisphere, alt) {
        var latitude = parseLatitudeFromNmea(latString, latHemisphere);
        var longitude = parseLongitudeFromNmea(lonString, lonHemisphere);
        var altitude = alt === undefined ? 0 : roundValue(readDecimal(alt, 0, alt.length), altRoundingSize);
        if (!(latitude >= -90 && latitude <= 90) || !(longitude >= -180 && longitude <= 180) || !finite(altitude))
            return null;
        return {
            format: pointFormat,
            latitude: latitude,
            longitude: longitude,
            altitude: altitude,
            index: 0,
            time: 0,
            interval: 0,
            timeString: ""
        };
    }

    // The patterns on a line split into fields.

    function isNorthSouth(field) {
        return field === "N" || field === "S";
    }

    function isEastWest(field) {
        return field === "E" || field === "W";
    }

    // Fields from..from+3 hold D,(N|S),D,(E|W).
    function hasPositionAt(fields, from) {
        return isNorthSouth(fields[from + 1]) && isEastWest(fields[from + 3])
                && decimalField.test(fields[from]) && decimalField.test(fields[from + 2]);
    }

    function matchesRmc(fields) {
        var last = fields.length - 1;
        if (last < 11 || !sentenceTimeField.test(fields[1]))
            return false;
        // The earliest position leaves the most room for the date after it.
        for (var at = 3; at + 8 <= last; ++at) {
            if (hasPositionAt(fields, at)) {
                for (var date = at + 6; date <= last - 2; ++date) {
                    if (fields[date].length === 6 && isDigits(fields[date], 0, 6))
                        return true;
                }
                return false;
            }
        }
        return false;
    }

    function matchesGga(fields) {
        var last = fields.length - 1;
        if (last < 14 || !sentenceTimeField.test(fields[1]) || !hasPositionAt(fields, 2))
            return false;
        for (var alt = 9; alt <= last - 5; ++alt) {
            if (decimalField.test(fields[alt]))
                return true;
        }
        return false;
    }

    // GPGLL and GPWPL: the optional time of GPGLL is swallowed by the ".*".
    function matchesPositionFirst(fields) {
        return fields.length >= 6 && hasPositionAt(fields, 1);
    }

    // The usual layout, checked in place in the text.

    function isDecimalAt(text, from, to) {
        var point = -1;
        for (var i = from; i < to; ++i) {
            var c = text.charCodeAt(i);
            if (c === POINT && point === -1)
                point = i;
            else if (c < ZERO || c > NINE)
                return false;
        }
        return point > from && point < to - 1;
    }

    function isSentenceTimeAt(text, from, to) {
        var length = to - from;
        if (length === 6)
            return isDigits(text, from, to);
        return (length === 9 || length === 10) && text.charCodeAt(from + 6) === POINT
                && isDigits(text, from, from + 6) && isDigits(text, from + 7, to);
    }

    function isLetterAt(text, from, to, one, other) {
        var c = text.charCodeAt(from);
        return to === from + 1 && (c === one || c === other);
    }

    // The supported name that text holds at start, or "".
    function sentenceName(text, start) {
        if (text.charCodeAt(start) !== 36 || text.charCodeAt(start + 1) !== 71 || text.charCodeAt(start + 2) !== 80)
            return "";
        var first = text.charCodeAt(start + 3), second = text.charCodeAt(start + 4), third = text.charCodeAt(start + 5);
        if (first === 82 && second === 77 && third === 67)
            return "$GPRMC";
        if (first === 71 && second === 71 && third === 65)
            return "$GPGGA";
        if (first === 71 && second === 76 && third === 76)
            return "$GPGLL";
        if (first === 87 && second === 80 && third === 76)
            return "$GPWPL";
        return "";
    }

    // Positions of the commas of the line being read.
    var commas = [];

    function loadNmeaLog(text) {
        text = text === undefined || text === null ? "" : String(text);
        if (text.length === 0)
            throw parseError(emptyFileMessage(), 0);

        yearNow = new NativeDate().getFullYear();
        lastDateString = null;
        // The time zone may have changed since the last log.
        localToUtc.to = utcToLocal.to = 0;
        localToUtc.from = utcToLocal.from = 1;

        var points = [];
        var trackFormat = "";
        var startTime = null;
        var prevTime = null;
        var lineNumber = 0;

        // Lines are cut where they stand rather than split() off, so that a large
        // log does not first become an array of all its lines.
        var length = text.length;
        var pos = 0;
        var nextCr = text.indexOf("\r");
        var nextLf = text.indexOf("\n");
        var nextLs = text.indexOf("\u2028");
        var nextPs = text.indexOf("\u2029");
        // The next comma at or after the last place looked at: lines are read
        // forwards, so the text is searched once however its commas are spread.
        var nextComma = text.indexOf(",");
        while (pos < length) {
            if (nextCr !== -1 && nextCr < pos)
                nextCr = text.indexOf("\r", pos);
            if (nextLf !== -1 && nextLf < pos)
                nextLf = text.indexOf("\n", pos);
            var stop = nextCr === -1 ? (nextLf === -1 ? length : nextLf)
                                     : (nextLf === -1 || nextCr < nextLf ? nextCr : nextLf);
            if (stop === pos) {
                ++pos;
                continue;
            }
            var start = pos;
            pos = stop + 1;
            ++lineNumber;

            // Field 0 must be one of the four names exactly.
            if (stop > start + 6 && text.charCodeAt(start + 6) !== COMMA)
                continue;
            var format = stop < start + 6 ? "" : sentenceName(text, start);
            if (format === "")
                continue;
            var isRmc = format === "$GPRMC", isGga = format === "$GPGGA", isGll = format === "$GPGLL";

            if (nextLs !== -1 && nextLs < start)
                nextLs = text.indexOf("\u2028", start);
            if (nextPs !== -1 && nextPs < start)
                nextPs = text.indexOf("\u2029", start);
            if ((nextLs !== -1 && nextLs < stop) || (nextPs !== -1 && nextPs < stop))
                throw parseError("Incorrect NMEA file", lineNumber);

            // Whether the fields that the values come from hold them as the
            // pattern expects; otherwise the pattern is searched for.
            var wanted = isRmc ? 11 : isGga ? 14 : 6;
            var found = 0;
            for (var from = start; found < wanted; from = nextComma + 1) {
                if (nextComma !== -1 && nextComma < from)
                    nextComma = text.indexOf(",", from);
                if (nextComma === -1 || nextComma >= stop)
                    break;
                commas[found++] = nextComma;
            }
            var c = commas;
            var fields = null;
            if (isRmc) {
                if (!(found === 11 && isSentenceTimeAt(text, c[0] + 1, c[1])
                      && isDecimalAt(text, c[2] + 1, c[3]) && isLetterAt(text, c[3] + 1, c[4], LETTER_N, LETTER_S)
                      && isDecimalAt(text, c[4] + 1, c[5]) && isLetterAt(text, c[5] + 1, c[6], LETTER_E, LETTER_W)
                      && c[9] - c[8] === 7 && isDigits(text, c[8] + 1, c[9]))) {
                    fields = text.substring(start, stop).split(",");
                    if (!matchesRmc(fields))
                        throw parseError("Incorrect NMEA file", lineNumber);
                }
            } else if (isGga) {
                if (!(found === 14 && isSentenceTimeAt(text, c[0] + 1, c[1])
                      && isDecimalAt(text, c[1] + 1, c[2]) && isLetterAt(text, c[2] + 1, c[3], LETTER_N, LETTER_S)
                      && isDecimalAt(text, c[3] + 1, c[4]) && isLetterAt(text, c[4] + 1, c[5], LETTER_E, LETTER_W)
                      && isDecimalAt(text, c[8] + 1, c[9]))) {
                    fields = text.substring(start, stop).split(",");
                    if (!matchesGga(fields))
                        throw parseError("Incorrect NMEA file", lineNumber);
                }
            } else if (!(found >= 5 && isDecimalAt(text, c[0] + 1, c[1])
                         && isLetterAt(text, c[1] + 1, c[2], LETTER_N, LETTER_S)
                         && isDecimalAt(text, c[2] + 1, c[3]) && isLetterAt(text, c[3] + 1, c[4], LETTER_E, LETTER_W))) {
                fields = text.substring(start, stop).split(",");
                if (!matchesPositionFirst(fields))
                    throw parseError("Incorrect NMEA file", lineNumber);
            }

            var timeString, dateString, latString, latHemisphere, lonString, lonHemisphere, alt;
            if (fields) {
                var first = isRmc ? 3 : isGga ? 2 : 1;
                latString = fields[first];
                latHemisphere = fields[first + 1];
                lonString = fields[first + 2];
                lonHemisphere = fields[first + 3];
                timeString = isGll ? fields[5] : isGga || isRmc ? fields[1] : undefined;
                dateString = isRmc ? fields[9] : undefined;
                alt = isGga ? fields[9] : undefined;
            } else {
                var at = isRmc ? 2 : isGga ? 1 : 0;
                latString = text.substring(c[at] + 1, c[at + 1]);
                latHemisphere = text.charCodeAt(c[at + 1] + 1) === LETTER_S ? "S" : "N";
                lonString = text.substring(c[at + 2] + 1, c[at + 3]);
                lonHemisphere = text.charCodeAt(c[at + 3] + 1) === LETTER_W ? "W" : "E";
                timeString = isGll ? text.substring(c[4] + 1, found === 6 ? c[5] : stop)
                                   : isGga || isRmc ? text.substring(c[0] + 1, c[1]) : undefined;
                dateString = isRmc ? text.substring(c[8] + 1, c[9]) : undefined;
                alt = isGga ? text.substring(c[8] + 1, c[9]) : undefined;
            }

            // A value that cannot stand spoils a line of any supported type,
            // also one of a type that the track skips.
            var point = createTrackPoint(format, latString, latHemisphere, lonString, lonHemisphere, alt);
            if (!point)
                throw parseError("Incorrect NMEA file", lineNumber);

            // The first accepted type makes the track; the others were checked only.
            if (trackFormat !== "" && format !== trackFormat)
                continue;

            // A GPGLL without its optional time is a point without time, a GPWPL
            // has none; a GPRMC or GPGGA time (or GPRMC date) that cannot be read
            // makes the line malformed.
            var pointTime = isRmc ? parseDateFromNmea(dateString, timeString, prevTime)
                                  : isGga || isGll ? parseDateFromNmea(undefined, timeString, prevTime) : null;
            if (!pointTime && (isRmc || isGga))
                throw parseError("Incorrect NMEA file", lineNumber);

            trackFormat = format;
            // Points without time neither reset the previous instant nor, when
            // they open the track, stand as its start: the first point with a
            // time does.
            if (pointTime) {
                if (!startTime)
                    startTime = pointTime;
                prevTime = pointTime;
            }
            setUpTrackPointTimeAndInterval(points, point, startTime, pointTime);
        }

        if (lineNumber === 0)
            throw parseError(emptyFileMessage(), 0);
        if (points.length === 0)
            throw parseError(incorrectPointsMessage(), lineNumber);
        return points;
    }

    function trackHasPointsWithoutDateTime(points) {
        if (!points)
            return false;
        for (var i = 1; i < points.length; ++i) {
            if (points[i].time === 0)
                return true;
        }
        return false;
    }

    return {
        loadNmeaLog: loadNmeaLog,
        trackHasPointsWithoutDateTime: trackHasPointsWithoutDateTime
    };
})(latLongRoundingSize, altRoundingSize);

function loadNmeaLog(text) {
    return nmeaParser.loadNmeaLog(text);
}

function trackHasPointsWithoutDateTime(points) {
    return nmeaParser.trackHasPointsWithoutDateTime(points);
}
