.pragma library

// Turns the text of an NMEA 0183 log into the track points of the GPS page.
//
// A line of a supported type must match its sentence's pattern, a regular
// expression over the whole line, such as $GPGLL's
//
//   ^\$GPGLL,D,(N|S),D,(E|W),(T,)?.*$
//
// with T = \d{6}(\.\d{2,3})? and D = \d+\.\d+, while the values are always
// read from fixed fields. A ".*" between commas stands for one or more whole
// fields, and "." matches anything but a line break (\u2028 and \u2029 too).
// Logs come from anywhere, and such runs of ".*" backtrack polynomially on a
// long line of commas, so the patterns are never run as regular expressions:
// each is a list of field tests (sentenceTypes below), matched in place in
// linear time. The one expression the parser runs (the fast path's) reads
// each field in one way only.

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

    function incorrectFileMessage() {
        return typeof qsTranslate === "function"
                ? qsTranslate("nmea-parsing", "Incorrect NMEA file") : "Incorrect NMEA file";
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

    // Tests of a field, text.substring(from, to), made in place.

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

    // What fields 1, 2, ... of a sentence must hold. ANY is one or more
    // fields of any content; a pattern ends in ANY.
    var ANY = 0, TIME = 1, DATE = 2, DECIMAL = 3, NORTH_SOUTH = 4, EAST_WEST = 5;

    // The supported sentences, one row each: the name (field 0), the pattern
    // of the fields after it, and the fields the values are read from (-1 for
    // none), whatever the ANYs stand for. A time (or date) that cannot be read
    // makes the line malformed, unless it is optional: the point then has no
    // time.
    var sentenceTypes = [
        { name: "$GPRMC", pattern: [TIME, ANY, DECIMAL, NORTH_SOUTH, DECIMAL, EAST_WEST, ANY, ANY, DATE, ANY, ANY],
          time: 1, optionalTime: false, date: 9, latitude: 3, latitudeHemisphere: 4,
          longitude: 5, longitudeHemisphere: 6, altitude: -1 },
        { name: "$GPGGA", pattern: [TIME, DECIMAL, NORTH_SOUTH, DECIMAL, EAST_WEST, ANY, ANY, ANY, DECIMAL,
                                    ANY, ANY, ANY, ANY, ANY],
          time: 1, optionalTime: false, date: -1, latitude: 2, latitudeHemisphere: 3,
          longitude: 4, longitudeHemisphere: 5, altitude: 9 },
        // The time after the position is not part of the pattern: the ANY
        // takes it in.
        { name: "$GPGLL", pattern: [DECIMAL, NORTH_SOUTH, DECIMAL, EAST_WEST, ANY],
          time: 5, optionalTime: true, date: -1, latitude: 1, latitudeHemisphere: 2,
          longitude: 3, longitudeHemisphere: 4, altitude: -1 },
        { name: "$GPWPL", pattern: [DECIMAL, NORTH_SOUTH, DECIMAL, EAST_WEST, ANY],
          time: -1, optionalTime: false, date: -1, latitude: 1, latitudeHemisphere: 2,
          longitude: 3, longitudeHemisphere: 4, altitude: -1 }
    ];

    // A pattern as runs of consecutive tests: each run follows `gap` fields of
    // ANY, and needs `rest` fields for itself and all that comes after it.
    sentenceTypes.forEach(function (type) {
        var runs = [];
        var gap = 0;
        type.pattern.forEach(function (test) {
            if (test === ANY) {
                ++gap;
            } else {
                if (gap > 0 || runs.length === 0)
                    runs.push({ gap: gap, tests: [], rest: 0 });
                runs[runs.length - 1].tests.push(test);
                gap = 0;
            }
        });
        var rest = gap;
        for (var i = runs.length - 1; i >= 0; --i) {
            rest += runs[i].tests.length;
            runs[i].rest = rest;
            rest += runs[i].gap;
        }
        type.runs = runs;
        type.fieldCount = type.pattern.length + 1;
    });

    // Positions of the commas of the line being read, and their number.
    var commas = [];
    var commaCount = 0;

    // Whether the line matches the type's pattern. Each run is tried at the
    // earliest field it can take, which leaves the most room for the runs
    // after it: linear in the line, where a regular expression backtracks.
    // With every ANY one field, the first try of each run succeeds. The tests
    // are written out here: a call costs more than a test.
    function matchesPattern(type, text, stop) {
        if (commaCount + 1 < type.fieldCount)
            return false;
        var runs = type.runs;
        var field = 1;
        for (var r = 0; r < runs.length; ++r) {
            var run = runs[r], tests = run.tests;
            var at = field + run.gap;
            // A run without ANY before it sits right after the name.
            var latest = run.gap === 0 ? at : commaCount + 1 - run.rest;
            for (var i = 0; i < tests.length;) {
                var test = tests[i], f = at + i;
                var from = commas[f - 1] + 1, to = f < commaCount ? commas[f] : stop;
                var c = test === NORTH_SOUTH || test === EAST_WEST ? text.charCodeAt(from) : 0;
                if (test === DECIMAL ? isDecimalAt(text, from, to)
                        : test === NORTH_SOUTH ? to === from + 1 && (c === LETTER_N || c === LETTER_S)
                        : test === EAST_WEST ? to === from + 1 && (c === LETTER_E || c === LETTER_W)
                        : test === TIME ? isSentenceTimeAt(text, from, to)
                        : to - from === 6 && isDigits(text, from, to)) { // DATE
                    ++i;
                } else if (++at > latest) {
                    return false;
                } else {
                    i = 0;
                }
            }
            field = at + tests.length;
        }
        return true;
    }

    // The next comma at or after the last place looked at: lines are read
    // forwards, so the text is searched once however its commas are spread.
    var nextComma = -1;

    function findCommas(text, start, stop) {
        commaCount = 0;
        for (var from = start; ; from = nextComma + 1) {
            if (nextComma !== -1 && nextComma < from)
                nextComma = text.indexOf(",", from);
            if (nextComma === -1 || nextComma >= stop)
                break;
            commas[commaCount++] = nextComma;
        }
    }

    function fieldText(text, field, stop) {
        return text.substring(commas[field - 1] + 1, field < commaCount ? commas[field] : stop);
    }

    // Whether the field is the one letter.
    function fieldIs(text, field, stop, letter) {
        var from = commas[field - 1] + 1;
        return (field < commaCount ? commas[field] : stop) === from + 1 && text.charCodeAt(from) === letter;
    }

    // The type whose name the line at start holds as its field 0, or null.
    function sentenceType(text, start, stop) {
        for (var i = 0; i < sentenceTypes.length; ++i) {
            var name = sentenceTypes[i].name;
            var end = start + name.length;
            if (end > stop || (end !== stop && text.charCodeAt(end) !== COMMA))
                continue;
            var at = 0;
            while (at < name.length && text.charCodeAt(start + at) === name.charCodeAt(at))
                ++at;
            if (at === name.length)
                return sentenceTypes[i];
        }
        return null;
    }

    // The fast path. Most logs hold nothing but well-formed $GPRMC or $GPGGA
    // sentences, among sentences of other types. The engine runs one regular
    // expression over a block of lines and turns each supported line into
    // four or five numbers of JSON, which JSON.parse reads: both run natively,
    // where reading the text a character at a time in script costs several
    // times more. A line the expression does not take leaves its "$" behind, which
    // JSON refuses: the log then goes to the general path below, which also
    // reports the errors. So the fast path gives the very same points or none.
    //
    // A supported line is taken when its fields hold what the pattern asks
    // for at the positions the values are read from, with one field for
    // each ANY but the last: the pattern then matches, at its first try.
    // Every field but the last is bounded by commas, and each field can be
    // read in one way only, so the expression runs in linear time.
    //
    // The numbers of a line, from the groups of its type's alternative (the
    // groups of the others are empty):
    // - its stamp: 1, the time's third and first two decimals, the date
    //   ($GPRMC only) and the time, which makes 13, 15 or 16 digits for
    //   $GPRMC, 7, 9 or 10 for $GPGGA, all exact in a double, and ".0", so
    //   that JSON.parse does not first try it as an int;
    // - its degrees: 1, the latitude's degrees once (north) or twice
    //   (south), the longitude's once (east) or twice (west), which
    //   makes 6 digits (north-east), 8 (south-east), 9 (north-west) or 11;
    // - the latitude's minutes, then the longitude's, each with a 0 after
    //   them, which changes no value after a point;
    // - for $GPGGA, the altitude.
    // The commas between them are taken from the line, so that a line of
    // another type gives a single number: 1.01000. A $GPGLL line, which is
    // only checked in a track of the other two, has a stamp of 1.
    //
    // A log without one of the types is read without its alternative, whose
    // references would cost time on every line.
    function fastExpression(withRmc, withGga, withGll) {
        var groupCount = 0;
        // A capturing group; its reference in the replacement is kept under the key.
        function capture(refs, key, pattern) {
            ++groupCount;
            refs[key] = (groupCount < 10 ? "$0" : "$") + groupCount;
            return "(" + pattern + ")";
        }
        var field = ",[^,\\r\\n\\u2028\\u2029]*";
        var lastFields = ",[^\\r\\n\\u2028\\u2029]*(?=[\\r\\n]|$)";
        // Leading zeros are left out: JSON refuses them, and they change no
        // value. The digits before the point can be read in one way only.
        function decimal(refs, key) {
            return "0*" + capture(refs, key, "(?:[1-9]\\d*|0)\\.\\d+");
        }
        function time(refs) {
            return "," + capture(refs, "time", "\\d{6}")
                    + "(?:\\." + capture(refs, "hundredths", "\\d\\d") + capture(refs, "thousandths", "\\d") + "?)?";
        }
        // Degrees and minutes, in groups of their own for each hemisphere.
        function coordinate(refs, degreeDigits, positive, negative) {
            var degrees = "\\d{" + degreeDigits + "}";
            return ",(?:" + capture(refs, positive, degrees) + decimal(refs, positive + "'") + "," + positive
                    + "|" + capture(refs, negative, degrees) + decimal(refs, negative + "'") + "," + negative + ")";
        }
        // The comma after the name, for all types.
        var names = [];
        if (withRmc)
            names.push("RMC");
        if (withGga)
            names.push("GGA");
        if (withGll)
            names.push("GLL");
        var commaRefs = {};
        var supported = "(?=\\$GP(?:" + names.join("|") + ")" + capture(commaRefs, "comma", ",") + ")(?:";
        var rmc = {}, gga = {}, gll = {};
        if (withRmc) {
            supported += "\\$GPRMC" + time(rmc) + field + coordinate(rmc, 2, "N", "S") + coordinate(rmc, 3, "E", "W")
                    + field + field + "," + capture(rmc, "date", "\\d{6}") + field + lastFields;
        }
        if (withGga) {
            supported += (withRmc ? "|" : "") + "\\$GPGGA" + time(gga) + coordinate(gga, 2, "N", "S")
                    + coordinate(gga, 3, "E", "W") + field + field + field + capture(gga, "altitudeComma", ",")
                    + decimal(gga, "altitude") + field + field + field + field + lastFields;
        }
        if (withGll) {
            supported += (withRmc || withGga ? "|" : "") + "\\$GPGLL" + coordinate(gll, 2, "N", "S")
                    + coordinate(gll, 3, "E", "W") + lastFields;
        }
        var other = "(?!\\$GP(?:RMC|GGA|GLL|WPL)(?:[,\\r\\n]|$))[^\\r\\n]+";

        var comma = commaRefs.comma;
        function both(key) {
            return (rmc[key] || "") + (gga[key] || "") + (gll[key] || "");
        }
        return {
            line: new RegExp("(?:" + supported + ")|" + other + ")[\\r\\n]*", "g"),
            replacement: "1" + both("thousandths") + both("hundredths") + both("date") + both("time") + ".0" + comma
                    + "1" + both("S") + both("S") + both("N") + both("W") + both("W") + both("E") + comma
                    + both("N'") + both("S'") + "0" + comma + both("E'") + both("W'") + "0"
                    + both("altitudeComma") + both("altitude") + "0,"
        };
    }
    // By the types a log holds, made when first needed.
    var fastExpressions = {};

    // Blocks of that many characters and up to the next line break: long
    // enough for the engine to run natively most of the time, short enough
    // for JSON.parse, which holds all the numbers of an array on the engine's
    // stack (a few hundred thousand overflow it). A block has at most one
    // number for every two characters, and one long line.
    var fastBlockSize = 32768;
    var RMC_TRACK = 1, GGA_TRACK = 2, GLL_LINE = 3;

    var latLongFactor = pow(10, latLongRoundingSize);
    var altFactor = pow(10, altRoundingSize);

    // The track being read on the fast path.
    var fastPoints = [];
    var fastFormat = 0;
    var fastStart = 0;
    var fastPrevious = 0;
    var fastPreviousTime = 0;
    var fastDate = -1;
    var fastDateStart = 0;

    // Adds the points of a block's numbers; false for a value the general
    // path refuses.
    function readFastValues(values) {
        var points = fastPoints;
        for (var i = 0, end = values.length - 1; i < end;) {
            var stamp = values[i];
            var gll = stamp === 1;
            if (stamp < 10 && !gll) {
                ++i;
                continue;
            }
            var rmc = stamp >= 1e12;
            var degrees = values[i + 1];
            var west = degrees >= 1e8;
            var latitude = round((floor(degrees / (west ? 1e6 : 1e3)) % 100 + values[i + 2] / 60) * latLongFactor)
                    / latLongFactor;
            if (degrees >= 1e10 || (degrees >= 1e7 && !west))
                latitude = -latitude;
            var longitude = round((degrees % 1000 + values[i + 3] / 60) * latLongFactor) / latLongFactor;
            if (west)
                longitude = -longitude;
            var altitude = 0;
            if (rmc || gll) {
                i += 4;
            } else {
                altitude = round(values[i + 4] * altFactor) / altFactor;
                i += 5;
            }
            if (!(latitude >= -90 && latitude <= 90) || !(longitude >= -180 && longitude <= 180) || !finite(altitude))
                return false;
            // The general path makes a track of $GPGLL lines.
            if (gll && fastFormat === 0)
                return false;

            var format = rmc ? RMC_TRACK : gll ? GLL_LINE : GGA_TRACK;
            if (fastFormat !== 0 && format !== fastFormat)
                continue;

            // The time's fraction, in milliseconds, then the rest.
            var unit = rmc ? 1e12 : 1e6;
            var rest, millis = 0;
            if (stamp < 2 * unit) {
                rest = stamp - unit;
            } else if (stamp < 200 * unit) {
                rest = stamp - 100 * unit;
                millis = (rest - rest % unit) / unit * 10;
                rest %= unit;
            } else {
                rest = stamp - 1000 * unit;
                var fraction = (rest - rest % unit) / unit;
                millis = fraction % 100 * 10 + (fraction - fraction % 100) / 100;
                rest %= unit;
            }
            var clock = rest % 1000000;
            var minutes = (clock - clock % 100) / 100;
            var timeOfDay = (minutes - minutes % 100) / 100 * millisPerHour + minutes % 100 * millisPerMinute
                    + clock % 100 * 1000 + millis;

            var instant;
            if (rmc) {
                var date = (rest - clock) / 1000000;
                if (date !== fastDate) {
                    var months = (date - date % 100) / 100;
                    var year = 2000 + date % 100;
                    if (year > yearNow)
                        year -= 100;
                    fastDate = date;
                    fastDateStart = utc(year, months % 100 - 1, (months - months % 100) / 100);
                }
                var localTime = fastDateStart + timeOfDay;
                instant = localTime - (localTime >= localToUtc.from && localTime <= localToUtc.to
                                       ? localToUtc.offset : localToUtc.at(localTime));
            } else if (fastFormat === 0) {
                var now = new NativeDate();
                instant = instantOfLocal(utc(now.getFullYear(), now.getMonth(), now.getDate()) + timeOfDay);
            } else {
                // startOfLocalDay() and instantOfLocal(), with the caches'
                // tests written out: calls cost more than all the rest.
                var previous = fastPrevious;
                var local = previous + (previous >= utcToLocal.from && previous <= utcToLocal.to
                                        ? utcToLocal.offset : utcToLocal.at(previous));
                var onSameDay = local - (local % millisPerDay + millisPerDay) % millisPerDay + timeOfDay;
                instant = onSameDay - (onSameDay >= localToUtc.from && onSameDay <= localToUtc.to
                                       ? localToUtc.offset : localToUtc.at(onSameDay));
                if (instant < previous)
                    instant = instantOfLocal(onSameDay + millisPerDay);
            }

            var count = points.length;
            var time = 0, interval = 0;
            if (count === 0) {
                fastFormat = format;
                fastStart = instant;
            } else {
                time = instant - fastStart;
                interval = max(time - fastPreviousTime, 0);
            }
            fastPrevious = instant;
            fastPreviousTime = time;
            points.push({
                format: rmc ? "$GPRMC" : "$GPGGA",
                latitude: latitude,
                longitude: longitude,
                altitude: altitude,
                index: count,
                time: time,
                interval: interval,
                timeString: millisToPointTime(time)
            });
        }
        return true;
    }

    // The points of a log the fast path can read, or null.
    function readWellFormedLog(text) {
        var withRmc = text.indexOf("$GPRMC") !== -1, withGga = text.indexOf("$GPGGA") !== -1;
        if (!withRmc && !withGga)
            return null;
        var withGll = text.indexOf("$GPGLL") !== -1;
        var key = (withRmc ? "r" : "") + (withGga ? "g" : "") + (withGll ? "l" : "");
        var fast = fastExpressions[key] || (fastExpressions[key] = fastExpression(withRmc, withGga, withGll));
        var line = fast.line, replacement = fast.replacement;
        fastPoints = [];
        fastFormat = 0;
        fastDate = -1;
        var length = text.length;
        var nextCr = 0, nextLf = 0;
        for (var from = 0; from < length;) {
            // Blocks end after the first line break past their size, so that
            // each starts a line.
            var to = from + fastBlockSize;
            if (to < length) {
                if (nextCr !== -1 && nextCr < to)
                    nextCr = text.indexOf("\r", to);
                if (nextLf !== -1 && nextLf < to)
                    nextLf = text.indexOf("\n", to);
                to = (nextCr === -1 ? (nextLf === -1 ? length - 1 : nextLf)
                                    : (nextLf === -1 || nextCr < nextLf ? nextCr : nextLf)) + 1;
            } else {
                to = length;
            }
            var values;
            try {
                values = JSON.parse("[" + text.substring(from, to).replace(line, replacement) + "0]");
            } catch (error) {
                return null;
            }
            if (!readFastValues(values))
                return null;
            from = to;
        }
        var points = fastPoints;
        fastPoints = [];
        return points.length > 0 ? points : null;
    }

    function resetTimeCaches() {
        lastDateString = null;
        // The time zone may have changed since the last log.
        localToUtc.to = utcToLocal.to = 0;
        localToUtc.from = utcToLocal.from = 1;
    }

    function loadNmeaLog(text) {
        text = text === undefined || text === null ? "" : String(text);
        if (text.length === 0)
            throw parseError(emptyFileMessage(), 0);

        yearNow = new NativeDate().getFullYear();
        resetTimeCaches();
        var wellFormed = readWellFormedLog(text);
        if (wellFormed)
            return wellFormed;
        resetTimeCaches();

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
        nextComma = text.indexOf(",");
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

            var type = sentenceType(text, start, stop);
            if (!type)
                continue;

            if (nextLs !== -1 && nextLs < start)
                nextLs = text.indexOf("\u2028", start);
            if (nextPs !== -1 && nextPs < start)
                nextPs = text.indexOf("\u2029", start);
            if ((nextLs !== -1 && nextLs < stop) || (nextPs !== -1 && nextPs < stop))
                throw parseError(incorrectFileMessage(), lineNumber);

            findCommas(text, start, stop);
            if (!matchesPattern(type, text, stop))
                throw parseError(incorrectFileMessage(), lineNumber);

            // Taken before the point is made: the engine's heap then keeps the
            // points together, and a long log needs far fewer collections.
            var timeString = type.time === -1 ? undefined : fieldText(text, type.time, stop);
            var dateString = type.date === -1 ? undefined : fieldText(text, type.date, stop);

            // A value that cannot stand spoils a line of any supported type,
            // also one of a type that the track skips.
            var point = createTrackPoint(type.name, fieldText(text, type.latitude, stop),
                                         fieldIs(text, type.latitudeHemisphere, stop, LETTER_S) ? "S" : "N",
                                         fieldText(text, type.longitude, stop),
                                         fieldIs(text, type.longitudeHemisphere, stop, LETTER_W) ? "W" : "E",
                                         type.altitude === -1 ? undefined : fieldText(text, type.altitude, stop));
            if (!point)
                throw parseError(incorrectFileMessage(), lineNumber);

            // The first accepted type makes the track; the others were checked only.
            if (trackFormat !== "" && type.name !== trackFormat)
                continue;

            var pointTime = null;
            if (type.time !== -1) {
                pointTime = parseDateFromNmea(dateString, timeString, prevTime);
                if (!pointTime && !type.optionalTime)
                    throw parseError(incorrectFileMessage(), lineNumber);
            }

            trackFormat = type.name;
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
