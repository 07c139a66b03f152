import QtQuick 2.5
import QtTest 1.2
import "qrc:/mimicry/qml"
import "helpers.js" as Helpers
import "qrc:/mimicry/js/nmea-parsing.js" as Nmea

Item {
    width: 1100
    height: 600

    MimicryView {
        id: view
    }

    SignalSpy {
        id: trackSwapSpy

        signalName: "modelReset"
    }

    TestCase {
        readonly property var errorDialog: findChild(view, "errorDialog")
        readonly property var page: view.pagesIds[3]

        name: "GpsManagementPage"
        when: windowShown

        // A GPRMC sentence at 12:00:00 plus `seconds` on 15 March 2024.
        function rmc(seconds, latitude) {
            return "$GPRMC," + (120000 + seconds) + ",A," + (latitude || "5956.3210")
                    + ",N,03018.8460,E,0.0,0.0,150324,,,A*00"
        }

        function track(secondsList) {
            return secondsList.map(seconds => rmc(seconds)).join("\n")
        }

        function child(name) {
            return findChild(page, name)
        }

        // The calls that reached the guest so far, without the blank that
        // follows a method without arguments.
        function sent() {
            return guest.calls.map(call => call.trim())
        }

        function callsNamed(method) {
            return sent().filter(call => call.split(" ")[0] === method)
        }

        function buttonsEnabled() {
            return ["playButton", "pauseButton", "stopButton"].map(name => child(name).enabled)
        }

        // As if the text came from a file: parsed on the parser's thread.
        function load(text) {
            page.trackPoints.clear()
            page.parseNmeaText(text)
            tryVerify(() => page.trackPoints.count > 0)
        }

        function init() {
            page.stopTrackTimer()
            page.trackPoints.clear()
            page.nmeaFileUrl = ""
            page.trackStopped = true
            page.onlyDefaultInterval = false
            gpsEmulationManager.setTrackLooped(false)
            gpsEmulationManager.setTrackSpeed(1)
            gpsEmulationManager.setTrackIntervalMode(false)
            gpsEmulationManager.currentPositionIndex = 0
            // An error still waiting to be shown would open the dialog later.
            tryVerify(() => !errorDialog.pendingText)
            errorDialog.close()
            view.switchVisiblePage(page)
            verify(guest.settle())
        }

        function test_onePointTrack() {
            load("$GPGGA,120000,5956.3210,N,03018.8460,E,1,08,0.9,1234.5,M,46.9,M,,")
            compare(child("currentAltitude").text, "1,234.50")
            compare(child("trackSlider").enabled, false)
            compare(child("trackSlider").value, child("trackSlider").maximumValue)
            compare(child("trackPercentage").text, "100.00%")
            compare(buttonsEnabled(), [true, false, false])
        }

        // A seek to the last point while playing starts again from point 0;
        // stop goes back to point 0.
        function test_buttonStates_data() {
            return [
                { tag: "play, pause, stop", seekTo: "" },
                { tag: "seek to the last point with the slider", seekTo: "slider" },
                { tag: "seek to the last point in the table", seekTo: "table" }
            ]
        }

        function test_buttonStates(data) {
            load(track([0, 10, 20]).replace(rmc(0), rmc(0, "5900.0000")))
            mouseClick(child("playButton"))
            var slider = child("trackSlider")
            if (data.seekTo === "slider") {
                mousePress(slider, 1, slider.height / 2)
                mouseMove(slider, slider.width - 1, slider.height / 2)
                mouseRelease(slider, slider.width - 1, slider.height / 2)
            } else if (data.seekTo === "table") {
                child("trackPointsTable").activated(2)
            }
            if (data.seekTo !== "") {
                tryVerify(() => sent().indexOf("goToPositionOnTrack int32:2") >= 0)
                compare(gpsEmulationManager.currentPositionIndex, 0)
                verify(guest.sync())
                compare(callsNamed("startTrack").length, 2)
            }
            compare(buttonsEnabled(), [false, true, true])
            mouseClick(child("pauseButton"))
            compare(buttonsEnabled(), [true, false, true])

            // Stop goes back to the first point without a position call.
            gpsEmulationManager.currentPositionIndex = 1
            verify(guest.settle())
            mouseClick(child("stopButton"))
            compare(buttonsEnabled(), [true, false, false])
            compare(gpsEmulationManager.currentPositionIndex, 0)
            compare(child("trackPointsTable").currentRow, 0)
            compare(child("currentLatitude").text, "59.0000000")
            verify(guest.sync())
            compare(sent(), ["stopTrack"])
        }

        // Looped on one point, the guest is sent back to it every tenth of a
        // second.
        function test_loopedSinglePoint() {
            load(track([0]))
            gpsEmulationManager.setTrackLooped(true)
            mouseClick(child("playButton"))
            compare(child("trackTimer").interval, 2000)
            verify(guest.settle())
            var start = Date.now()
            tryVerify(() => callsNamed("goToPositionOnTrack").length >= 3)
            // A timer that ran late fires again early to keep its rhythm, so on
            // a loaded machine the third call may come 100 ms after the first.
            var elapsed = Date.now() - start
            verify(elapsed >= 100 && elapsed < 1000, "three go-to calls in " + elapsed + " ms")
            compare(callsNamed("goToPositionOnTrack")[0], "goToPositionOnTrack int32:0")
            compare(gpsEmulationManager.currentPositionIndex, 0)
        }

        function test_timerInterval_data() {
            return [
                { tag: "speed 3", seconds: [0, 1], speed: 3, defaultInterval: false, interval: 333 },
                { tag: "same time", seconds: [0, 0], speed: 1, defaultInterval: false, interval: 1 },
                { tag: "backwards", seconds: [5, 0], speed: 2, defaultInterval: false, interval: 1 },
                { tag: "fixed interval", seconds: [0, 1], speed: 4, defaultInterval: true, interval: 500 },
                // 25 days between two points would overflow the timer.
                { tag: "weeks apart", speed: 1, defaultInterval: false, interval: 2147483647,
                  text: rmc(0).replace("150324", "010324") + "\n" + rmc(0).replace("150324", "260324") }
            ]
        }

        function test_timerInterval(data) {
            load(data.text || track(data.seconds))
            gpsEmulationManager.setTrackSpeed(data.speed)
            gpsEmulationManager.setTrackIntervalMode(data.defaultInterval)
            mouseClick(child("playButton"))
            compare(child("trackTimer").interval, data.interval)
        }

        function test_playbackEndsAtLastPoint() {
            // Points all at one time come at the default interval of 2 s; a
            // hundred times faster here.
            load(track([0, 0, 0]))
            gpsEmulationManager.setTrackSpeed(100)
            mouseClick(child("playButton"))
            tryCompare(page, "trackTimerArmed", false)
            compare(gpsEmulationManager.currentPositionIndex, 2)
            compare(page.trackStopped, true)
            verify(guest.sync())
            compare(sent()[sent().length - 1], "goToPositionOnTrack int32:2")
        }

        function test_failureUnloadsTrack_data() {
            return [
                { tag: "error reply", reply: "goToPositionOnTrack:5::org.freedesktop.DBus.Error.Failed:no" },
                { tag: "lost connection", reply: "" }
            ]
        }

        function test_failureUnloadsTrack(data) {
            load(track([0, 1, 2]))
            page.nmeaFileUrl = "file:///tmp/track.nmea"
            mouseClick(child("playButton"))
            gpsEmulationManager.replyFromEmulatorReceived(data.reply)
            compare(page.trackPoints.count, 0)
            compare(child("trackFileField").text, "")
            compare(page.trackTimerArmed, false)
            compare(child("trackSyncTimer").running, false)
            // Nothing left to unload: a second failure sends nothing.
            verify(guest.settle())
            gpsEmulationManager.replyFromEmulatorReceived(data.reply)
            verify(guest.sync())
            compare(sent(), [])
        }

        function test_parseErrorStopsPlayback_data() {
            return [
                { tag: "page function", parse: text => page.loadNmeaLog(text) },
                { tag: "parser thread", parse: text => page.parseNmeaText(text) }
            ]
        }

        function test_parseErrorStopsPlayback(data) {
            load(track([0, 1, 2]))
            mouseClick(child("playButton"))
            verify(guest.settle())
            data.parse(track([0, 1]) + "\n$GPRMC,bad\n")
            tryCompare(errorDialog, "visible", true)
            compare(errorDialog.text, "Incorrect NMEA file, line: 3")
            compare(page.trackPoints.count, 0)
            compare(page.trackTimerArmed, false)
            verify(guest.sync())
            // A sync call made just before the parse may arrive after the clear.
            var calls = sent()
            compare(calls.slice(calls.indexOf("stopTrack")), ["stopTrack"])
        }

        // Each row holds what the parser made of its point, with the page's
        // display texts; a new track leaves no row of the old one behind.
        function test_trackPointRows_data() {
            return [
                { tag: "south-west, altitude over 1000",
                  text: "$GPGGA,120000,3352.1280,S,15112.5580,W,1,08,0.9,1234.5,M,46.9,M,,\n"
                        + "$GPGGA,120001.25,3352.1280,S,15112.5580,W,1,08,0.9,0.5,M,46.9,M,," },
                { tag: "no times", text: "$GPWPL,5956.3210,N,03018.8460,E,A\n$GPWPL,5957.3210,N,03018.8460,E,B" }
            ]
        }

        function test_trackPointRows(data) {
            load(track([0, 1, 2, 3]))
            load(data.text)
            var points = Nmea.loadNmeaLog(data.text)
            compare(child("trackPointsTable").rowCount, points.length)
            for (var i = 0; i < points.length; ++i) {
                var p = points[i]
                var row = page.trackPoints.get(i)
                compare([row.index, row.timeString, row.latitudeString, row.longitudeString, row.altitudeString,
                         row.latitude, row.longitude, row.altitude, row.time, row.interval],
                        [p.index, p.timeString, page.formatNumber(p.latitude, 7), page.formatNumber(p.longitude, 7),
                         page.formatNumber(p.altitude, 2), p.latitude, p.longitude, p.altitude, p.time, p.interval])
            }
        }

        // Rows: the track, the fixed interval or not, the current point and
        // what the page shows for it. Point 2 is timed before point 1 and
        // adds no time.
        function test_trackTime_data() {
            var text = track([0, 105, 50, 1255])
            var nextDay = rmc(0) + "\n" + rmc(10000.25).replace("150324", "160324")
            return [
                [text, false, 2, "No. 2 / 3    00:01:05.0 / 00:13:10.0"],
                [text, false, 3, "No. 3 / 3    00:13:10.0 / 00:13:10.0"],
                [text, true, 2, "No. 2 / 3    00:00:04.0 / 00:00:06.0"],
                [nextDay, false, 1, "No. 1 / 1    25:00:00.2 / 25:00:00.2"]
            ].map(row => ({ tag: row[3], text: row[0], fixed: row[1], index: row[2], shown: row[3] }))
        }

        function test_trackTime(data) {
            load(data.text)
            gpsEmulationManager.setTrackIntervalMode(data.fixed)
            gpsEmulationManager.currentPositionIndex = data.index
            compare(child("trackTime").text, data.shown)
            page.trackPoints.clear()
            compare(child("trackTime").text, "No. 0 / 0    00:00:00.0 / 00:00:00.0")
        }

        function test_untimedTrackThenTimedTrack() {
            load("$GPWPL,5956.3210,N,03018.8460,E,A\n$GPWPL,5957.3210,N,03018.8460,E,B")
            compare(page.onlyDefaultInterval, true)
            compare(gpsEmulationManager.useDefaultInterval, true)
            tryVerify(() => dialogs.shownMessageBoxTexts().indexOf(
                          "The loaded NMEA file has no temporal information. "
                          + "Thus you cannot play it at its own speed.") >= 0)
            var ownSpeed = Helpers.find(page, item => item.text === "Use own track speed")
            compare([ownSpeed.enabled, ownSpeed.checked], [false, false])
            load(track([0, 1]))
            compare(page.onlyDefaultInterval, false)
            compare([ownSpeed.enabled, ownSpeed.checked], [true, true])
            tryVerify(() => sent().indexOf("setTrackIntervalMode boolean:0") >= 0)
        }

        function test_setWithoutNumberDoesNothing() {
            var latitude = child("latitudeField")
            latitude.text = "-"
            mouseClick(Helpers.button(page, "Set"))
            verify(guest.sync())
            compare(sent(), [])
            compare(latitude.text, "-")
            latitude.text = "-33.8688"
            child("longitudeField").text = "151.2093"
            child("altitudeField").text = "5"
            mouseClick(Helpers.button(page, "Set"))
            tryCompare(guest, "calls", ["setPosition double:-33.8688000 double:151.2093000 double:5.00"])
        }

        // A GPGGA sentence every 100 lines, in a text just over 2^24
        // characters, which no worker message can carry; the last point lies
        // beyond that mark.
        function longText() {
            var block = "$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74\r\n".repeat(99)
                    + "$GPGGA,120000,5956.3210,N,03018.8460,E,1,08,0.9,545.4,M,46.9,M,,*44\r\n"
            return block.repeat(Math.ceil(16777216 / block.length))
        }

        function test_openFile_data() {
            var point = "59.9386833,30.3141000,0.00,"
            var missing = "Could not open the file no-such-file.nmea: No such file or directory"
            return [
                { tag: "track", file: "rmc-same-time.nmea", points: 3,
                  track: point + "0;" + point + "0;" + point + "1000" },
                { tag: "missing", file: "no-such-file.nmea", points: 0, error: missing },
                { tag: "text just over 2^24 characters", text: longText(), points: 2398 }
            ]
        }

        function test_openFile(data) {
            if (data.text) {
                page.parseNmeaText(data.text)
            } else {
                var url = Qt.resolvedUrl("../data/nmea/" + data.file)
                page.openNmeaFile(url)
                compare(child("trackFileField").text, url.toString())
            }
            tryCompare(child("trackPointsTable"), "rowCount", data.points, 30000)
            if (data.error) {
                tryCompare(errorDialog, "visible", true)
                compare(errorDialog.text, data.error)
                return
            }
            tryVerify(() => callsNamed("loadTrack").length === 1)
            compare(child("trackPointsTable").currentRow, 0)
            if (data.track)
                compare(callsNamed("loadTrack")[0], "loadTrack array:array:double:" + data.track)
        }

        // The "…" button asks for the file over the window; what is chosen loads.
        function test_trackFromTheDialog_data() {
            return [{ tag: "chosen", file: "tracks/kml-points.kml" }, { tag: "cancelled", file: "" }]
        }

        function test_trackFromTheDialog(data) {
            mouseClick(Helpers.button(page, "\u2026"))
            var shown = {}
            // Answered once: tryVerify asks again after the last try.
            tryVerify(() => Object.keys(shown).length > 0
                      || Object.keys(shown = dialogs.answerFileDialog(data.file)).length > 0)
            compare(shown, { title: "Open NMEA File", overWindow: true,
                             filters: ["Track files (*.nmea *.gpx *.kml)", "NMEA files (*.nmea)", "GPX files (*.gpx)",
                                       "KML files (*.kml)"] })
            if (data.file) {
                tryVerify(() => page.trackPoints.count > 0)
                verify(page.nmeaFileUrl.endsWith("/tests/data/" + data.file), page.nmeaFileUrl)
            } else {
                wait(50)
                compare([page.nmeaFileUrl, page.trackPoints.count], ["", 0])
            }
        }

        // Beside the controls, the track north up and east to the right, in
        // proportion; a click near a point seeks as activating its row does.
        function test_route() {
            load(["5900.0000,N,03000.0000", "5910.0000,N,03000.0000", "5910.0000,N,03020.0000"]
                 .map((place, i) => "$GPRMC,12000" + i + ",A," + place + ",E,0.0,0.0,150324,,,A").join("\n"))
            var route = child("trackRouteView")
            var p = [0, 1, 2].map(i => route.pointPosition(i))
            p.forEach(point => verify(point.x >= 0 && point.x <= route.width && point.y >= 0 && point.y <= route.height))
            fuzzyCompare(p[1].x, p[0].x, 0.01)
            verify(p[1].y < p[0].y)
            fuzzyCompare(p[2].y, p[1].y, 0.01)
            // 20 minutes of longitude at 59.08 degrees north against 10 of latitude.
            fuzzyCompare((p[2].x - p[1].x) / (p[0].y - p[1].y), 2 * Math.cos(59.0833 * Math.PI / 180), 0.01)
            gpsEmulationManager.currentPositionIndex = 1
            compare(route.currentIndex, 1)

            // Far from every point: nothing happens.
            verify(guest.settle())
            mouseClick(route, 2, 2)
            verify(guest.sync())
            compare(sent(), [])
            mouseClick(route, p[2].x + 3, p[2].y - 3)
            tryVerify(() => sent().indexOf("goToPositionOnTrack int32:2") >= 0)
        }

        // The parser's thread takes one text at a time: a text behind a
        // running one is not lost, and the older result, cut short, never
        // reaches the table.
        function test_newerTextReplacesRunningParse() {
            trackSwapSpy.target = page.trackPoints
            trackSwapSpy.clear()
            page.parseNmeaText(longText())
            // Long enough for the parser's thread to be in the middle of it.
            wait(100)
            page.parseNmeaText(track([0, 1]))
            tryVerify(() => callsNamed("loadTrack").length === 1, 30000)
            compare(page.trackPoints.count, 2)
            compare(trackSwapSpy.count, 1)
            page.parseNmeaText(track([0, 1, 2]))
            tryVerify(() => callsNamed("loadTrack").length === 2, 30000)
            compare(page.trackPoints.count, 3)
        }
    }
}
