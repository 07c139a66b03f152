// Parses track files for the GPS page off the GUI thread, so that a long log
// does not freeze the window. Errors travel back as plain data.
Qt.include("nmea-parsing.js");

WorkerScript.onMessage = function (message) {
    var reply = { serial: message.serial };
    try {
        reply.points = loadNmeaLog(message.text);
        reply.withoutDateTime = trackHasPointsWithoutDateTime(reply.points);
    } catch (error) {
        reply.error = {
            message: error.message !== undefined ? error.message : String(error),
            incorrectLine: error.incorrectLine
        };
    }
    WorkerScript.sendMessage(reply);
};
