// Parses track files for the GPS page off the GUI thread, so that a long log
// does not freeze the window. Errors travel back as plain data.
//
// A text comes in parts, one message each: a message cannot carry a string
// of 2^24 characters or more, and a smaller one stalls the window for less.
// Parts of an older text are dropped once a newer one starts.
Qt.include("nmea-parsing.js");

var pendingSerial = -1;
var pendingParts = [];

WorkerScript.onMessage = function (message) {
    if (message.serial !== pendingSerial) {
        pendingSerial = message.serial;
        pendingParts = [];
    }
    pendingParts.push(message.part);
    if (!message.last)
        return;
    var text = pendingParts.length === 1 ? pendingParts[0] : pendingParts.join("");
    pendingParts = [];

    var reply = { serial: message.serial };
    try {
        reply.points = loadNmeaLog(text);
        reply.withoutDateTime = trackHasPointsWithoutDateTime(reply.points);
    } catch (error) {
        reply.error = {
            message: error.message !== undefined ? error.message : String(error),
            incorrectLine: error.incorrectLine
        };
    }
    WorkerScript.sendMessage(reply);
};
