import QtQuick 2.5
import QtQuick.Controls 1.4
import org.plover 1.0
import "../js/nmea-parsing.js" as NmeaParsing

ScrollView {
    id: root

    property var locale: Qt.locale("en_US")
    property bool active: false
    property double latitudeMinValue: -90
    property double latitudeMaxValue: 90
    property double longitudeMinValue: -180
    property double longitudeMaxValue: 180
    property double altitudeMinValue: -1000
    property double altitudeMaxValue: 10000
    property int altRoundingSize: NmeaParsing.altRoundingSize
    property int latLongRoundingSize: NmeaParsing.latLongRoundingSize
    property int defaultInterval: 2000
    // The loaded track; rows are formatted only when the table shows them.
    readonly property TrackPointModel trackPoints: TrackPointModel {}
    property bool onlyDefaultInterval: false
    property bool trackStopped: true
    property string nmeaFileUrl: ""
    // The track timer is armed; it is single-shot, so its own running flag
    // drops for a moment at every point.
    property bool trackTimerArmed: false

    readonly property int lastPointIndex: trackPoints.count - 1
    readonly property int maximumTimerInterval: 2147483647

    function exitPage(callback) {
        callback()
    }

    function formatNumber(value, decimals) {
        return Number(value).toLocaleString(locale, 'f', decimals)
    }

    // NaN for a field that holds no number yet, such as "" or "-".
    function readNumber(text) {
        try {
            return Number.fromLocaleString(locale, text.trim())
        } catch (error) {
            return NaN
        }
    }

    // Parses at once, on the GUI thread.
    function loadNmeaLog(text) {
        var result = trackParser.parseNow(String(text))
        if (result.error) {
            rejectTrack(result.error)
            return
        }
        applyTrack(result.withoutDateTime)
    }

    function rejectTrack(error) {
        discardTrack()
        showError(error.message !== undefined ? error.message : String(error), error.incorrectLine)
    }

    // The parser has put the points into trackPoints.
    function applyTrack(withoutDateTime) {
        if (withoutDateTime) {
            onlyDefaultInterval = true
            gpsEmulationManager.setTrackIntervalMode(true)
        } else if (onlyDefaultInterval) {
            // The track has times again, so its own speed is back.
            onlyDefaultInterval = false
            gpsEmulationManager.setTrackIntervalMode(false)
        }
        gpsEmulationManager.currentPositionIndex = 0
        selectTrackPoint(0)
        setCurrentTrackPointAsCurrentCoordinate()
    }

    // The old track was replaced by nothing: it must not play on.
    function discardTrack() {
        if (trackPoints.count > 0 || trackTimerArmed) {
            stopTrack()
            trackStopped = true
        }
        trackPoints.clear()
    }

    function showError(message, line) {
        errorDialog.showText(line > 0 ? qsTr("%1, line: %2").arg(message).arg(line) : message)
    }

    function openNmeaFile(url) {
        nmeaFileUrl = url.toString()
        // A file still being parsed is no longer wanted.
        trackParser.cancel()
        fileReader.read(url)
    }

    // The text is parsed, and the table's rows and the guest's track are
    // made, on a worker thread; only the newest text's result counts.
    function parseNmeaText(text) {
        trackParser.parse(String(text))
    }

    function handleParsedTrack(result) {
        if (result.error) {
            rejectTrack(result.error)
            return
        }
        applyTrack(result.withoutDateTime)
        if (trackPoints.count === 0)
            return
        stopTrack()
        trackStopped = true
        gpsEmulationManager.loadTrackPoints(trackPoints)
    }

    function unloadTrack() {
        stopTrack()
        trackStopped = true
        nmeaFileUrl = ""
        trackPoints.clear()
    }

    function setCurrentTrackPointAsCurrentCoordinate() {
        var index = gpsEmulationManager.currentPositionIndex
        if (index < 0 || index >= trackPoints.count)
            return
        var point = trackPoints.get(index)
        gpsEmulationManager.setLocalPosition(point.latitude, point.longitude, point.altitude)
    }

    function selectTrackPoint(row) {
        trackPointsTable.selection.clear()
        if (row < 0 || row >= trackPoints.count)
            return
        trackPointsTable.selection.select(row)
        trackPointsTable.currentRow = row
        if (trackTimerArmed)
            trackPointsTable.positionViewAtRow(row, ListView.Contain)
    }

    function startTrack() {
        // Seeking to the last point while playing marked the track stopped,
        // but playback goes on from point 0.
        trackStopped = false
        if (gpsEmulationManager.currentPositionIndex === lastPointIndex)
            gpsEmulationManager.stopTrack()
        gpsEmulationManager.startTrack()
        runTrackTimer()
    }

    function pauseTrack() {
        gpsEmulationManager.pauseTrack()
        gpsEmulationManager.goToPositionOnTrack(gpsEmulationManager.currentPositionIndex)
        stopTrackTimer()
    }

    function stopTrack() {
        gpsEmulationManager.stopTrack()
        stopTrackTimer()
    }

    function trackTimerInterval() {
        var index = gpsEmulationManager.currentPositionIndex
        if (index >= lastPointIndex)
            return defaultInterval
        var interval = gpsEmulationManager.useDefaultInterval ? defaultInterval
                                                              : trackPoints.get(index + 1).interval
        interval = Math.trunc(interval / gpsEmulationManager.trackSpeed)
        // Points out of order or closer than the speed allows come at once;
        // a gap of weeks must not overflow the timer.
        if (!(interval >= 1))
            return 1
        return Math.min(interval, maximumTimerInterval)
    }

    function runTrackTimer() {
        if (gpsEmulationManager.currentPositionIndex >= lastPointIndex && !gpsEmulationManager.trackLooped) {
            stopTrackTimer()
            return
        }
        trackTimer.interval = trackTimerInterval()
        trackTimer.restart()
        trackTimerArmed = true
        // The guest is kept on the page's point even when points come
        // faster than the sync period.
        if (!trackSyncTimer.running)
            trackSyncTimer.start()
    }

    function stopTrackTimer() {
        trackTimer.stop()
        trackSyncTimer.stop()
        trackTimerArmed = false
    }

    function moveToNextTrackPoint() {
        var index = gpsEmulationManager.currentPositionIndex
        gpsEmulationManager.currentPositionIndex = index >= lastPointIndex ? 0 : index + 1
        if (gpsEmulationManager.currentPositionIndex < lastPointIndex || gpsEmulationManager.trackLooped) {
            runTrackTimer()
        } else {
            gpsEmulationManager.goToPositionOnTrack(gpsEmulationManager.currentPositionIndex)
            stopTrackTimer()
        }
    }

    function setPositionFromFields() {
        var latitude = readNumber(latitudeField.text)
        var longitude = readNumber(longitudeField.text)
        var altitude = readNumber(altitudeField.text)
        if (isNaN(latitude) || isNaN(longitude) || isNaN(altitude))
            return
        if (trackTimerArmed)
            pauseTrack()
        gpsEmulationManager.setPosition(latitude, longitude, altitude)
    }

    visible: active

    onOnlyDefaultIntervalChanged: {
        if (!onlyDefaultInterval)
            return
        messageDialog.text = qsTr("The loaded NMEA file has no temporal information. "
                                  + "Thus you cannot play it at its own speed.")
        messageDialog.open()
    }

    Item {
        id: content

        width: Math.max(root.viewport.width, controlsColumn.width + 30)
        height: Math.max(root.viewport.height, trackPointsTable.y + trackPointsTable.height + 15)

        // A scroll view takes a single item: the page's helpers live in it.
        Connections {
            target: gpsEmulationManager

            function onCurrentPositionIndexChanged() {
                var index = gpsEmulationManager.currentPositionIndex
                if (root.trackPoints.count > 0) {
                    root.selectTrackPoint(index)
                    root.setCurrentTrackPointAsCurrentCoordinate()
                }
                if (index >= root.lastPointIndex && !gpsEmulationManager.trackLooped)
                    root.trackStopped = true
            }

            // Any failed call, or a connection lost with a track loaded, unloads
            // the track. Once it is gone there is nothing to stop, so a guest
            // that refuses the stop too cannot keep this going.
            function onReplyFromEmulatorReceived(reply) {
                if (reply === "OK")
                    return
                if (root.trackPoints.count > 0 || root.nmeaFileUrl !== "" || root.trackTimerArmed)
                    root.unloadTrack()
            }
        }

        TextFileReader {
            id: fileReader

            onFinished: root.parseNmeaText(text)
            onFailed: {
                root.discardTrack()
                root.showError(errorString, 0)
            }
        }

        TrackFileParser {
            id: trackParser

            model: root.trackPoints
            onFinished: root.handleParsedTrack(result)
        }

        OpenFileDialog {
            id: fileDialog

            title: qsTr("Open NMEA File")
            nameFilters: [qsTr("Track files (*.nmea *.gpx *.kml)"), qsTr("NMEA files (*.nmea)"),
                          qsTr("GPX files (*.gpx)"), qsTr("KML files (*.kml)")]

            onAccepted: root.openNmeaFile(fileUrl)
        }

        Timer {
            id: trackTimer

            objectName: "trackTimer"
            repeat: false

            onTriggered: root.moveToNextTrackPoint()
        }

        Timer {
            id: trackSyncTimer

            objectName: "trackSyncTimer"
            interval: 100
            repeat: true

            onTriggered: gpsEmulationManager.goToPositionOnTrack(gpsEmulationManager.currentPositionIndex)
        }

        Column {
            id: controlsColumn

            x: 15
            y: 15
            // Narrower where the page is: the rows below wrap instead.
            width: Math.min(620, root.viewport.width - 30)
            spacing: 15

            Column {
                spacing: 10

                Label {
                    text: qsTr("Current Position")
                    font.bold: true
                }

                // Each name stays with its value when the row wraps.
                Flow {
                    width: controlsColumn.width
                    spacing: 20

                    Row {
                        spacing: 20

                        Label {
                            text: qsTr("Latitude")
                        }
                        Label {
                            objectName: "currentLatitude"
                            text: root.formatNumber(gpsEmulationManager.currentPosition.latitude,
                                                    root.latLongRoundingSize)
                        }
                    }
                    Row {
                        spacing: 20

                        Label {
                            text: qsTr("Longitude")
                        }
                        Label {
                            objectName: "currentLongitude"
                            text: root.formatNumber(gpsEmulationManager.currentPosition.longitude,
                                                    root.latLongRoundingSize)
                        }
                    }
                    Row {
                        spacing: 20

                        Label {
                            text: qsTr("Altitude")
                        }
                        Label {
                            objectName: "currentAltitude"
                            text: root.formatNumber(gpsEmulationManager.currentPosition.altitude,
                                                    root.altRoundingSize)
                        }
                    }
                }
            }

            Column {
                spacing: 10

                Label {
                    text: qsTr("Coordinate")
                    font.bold: true
                }

                Flow {
                    width: controlsColumn.width
                    spacing: 10

                    Row {
                        spacing: 10

                        Label {
                            anchors.verticalCenter: parent.verticalCenter
                            text: qsTr("Latitude")
                        }
                        CoordinateField {
                            id: latitudeField

                            objectName: "latitudeField"
                            minValue: root.latitudeMinValue
                            maxValue: root.latitudeMaxValue
                            decimals: root.latLongRoundingSize
                            onAccepted: gpsEmulationManager.setLatitude(root.readNumber(text))
                        }
                    }
                    Row {
                        spacing: 10

                        Label {
                            anchors.verticalCenter: parent.verticalCenter
                            text: qsTr("Longitude")
                        }
                        CoordinateField {
                            id: longitudeField

                            objectName: "longitudeField"
                            minValue: root.longitudeMinValue
                            maxValue: root.longitudeMaxValue
                            decimals: root.latLongRoundingSize
                            onAccepted: gpsEmulationManager.setLongitude(root.readNumber(text))
                        }
                    }
                    Row {
                        spacing: 10

                        Label {
                            anchors.verticalCenter: parent.verticalCenter
                            text: qsTr("Altitude")
                        }
                        CoordinateField {
                            id: altitudeField

                            objectName: "altitudeField"
                            minValue: root.altitudeMinValue
                            maxValue: root.altitudeMaxValue
                            decimals: root.altRoundingSize
                            onAccepted: gpsEmulationManager.setAltitude(root.readNumber(text))
                        }
                    }
                    Button {
                        text: qsTr("Set")
                        onClicked: root.setPositionFromFields()
                    }
                }
            }

            Column {
                spacing: 10

                Label {
                    text: qsTr("Track")
                    font.bold: true
                }

                Column {
                    width: 450
                    spacing: 5

                    Row {
                        width: parent.width
                        spacing: 10

                        Label {
                            anchors.verticalCenter: parent.verticalCenter
                            text: qsTr("Track file")
                        }
                        TextField {
                            id: trackFileField

                            objectName: "trackFileField"
                            width: parent.width - x - openFileButton.width - parent.spacing
                            readOnly: true
                            text: root.nmeaFileUrl
                        }
                        Button {
                            id: openFileButton

                            implicitWidth: 40
                            text: "\u2026"
                            onClicked: fileDialog.open()
                        }
                    }

                    Row {
                        width: parent.width
                        spacing: 10
                        enabled: root.trackPoints.count > 0

                        Label {
                            anchors.verticalCenter: parent.verticalCenter
                            text: qsTr("Track progress")
                        }
                        Slider {
                            id: trackSlider

                            property bool timerWasRunning: false

                            objectName: "trackSlider"
                            anchors.verticalCenter: parent.verticalCenter
                            width: parent.width - x - percentageLabel.width - parent.spacing
                            enabled: root.trackPoints.count > 1
                            minimumValue: 0
                            maximumValue: Math.max(1, root.lastPointIndex)
                            stepSize: 1
                            value: root.trackPoints.count === 1 ? 1 : gpsEmulationManager.currentPositionIndex

                            onPressedChanged: {
                                if (pressed) {
                                    timerWasRunning = root.trackTimerArmed
                                    root.stopTrackTimer()
                                } else if (timerWasRunning) {
                                    root.startTrack()
                                }
                            }
                            onValueChanged: {
                                if (!pressed)
                                    return
                                root.selectTrackPoint(value)
                                gpsEmulationManager.goToPositionOnTrack(value)
                            }
                        }
                        Label {
                            id: percentageLabel

                            objectName: "trackPercentage"
                            anchors.verticalCenter: parent.verticalCenter
                            width: 5 * font.pixelSize
                            horizontalAlignment: Text.AlignRight
                            text: root.formatNumber(trackSlider.value / trackSlider.maximumValue * 100, 2) + "%"
                        }
                    }

                    // Track time as the track plays at 1x: its own intervals or the fixed one.
                    Label {
                        objectName: "trackTime"
                        width: parent.width
                        horizontalAlignment: Text.AlignRight
                        enabled: root.trackPoints.count > 0
                        text: {
                            var last = Math.max(root.lastPointIndex, 0)
                            var index = Math.max(Math.min(gpsEmulationManager.currentPositionIndex, last), 0)
                            var fixed = gpsEmulationManager.useDefaultInterval
                            var elapsed = fixed ? index * root.defaultInterval : root.trackPoints.elapsedTime(index)
                            var total = fixed ? last * root.defaultInterval : root.trackPoints.totalTime
                            return qsTr("No. %1 / %2").arg(index).arg(last) + "    "
                                    + root.trackPoints.durationText(elapsed) + " / "
                                    + root.trackPoints.durationText(total)
                        }
                    }

                    Flow {
                        width: controlsColumn.width
                        spacing: 10
                        enabled: root.trackPoints.count > 0

                        Row {
                            id: playRow

                            spacing: 10

                            Button {
                                objectName: "playButton"
                                implicitWidth: 40
                                iconSource: "/mimicry/play.png"
                                enabled: !root.trackTimerArmed
                                onClicked: root.startTrack()
                            }
                            Button {
                                objectName: "pauseButton"
                                implicitWidth: 40
                                iconSource: "/mimicry/pause.png"
                                enabled: root.trackTimerArmed
                                onClicked: root.pauseTrack()
                            }
                            Button {
                                objectName: "stopButton"
                                implicitWidth: 40
                                iconSource: "/mimicry/stop.png"
                                enabled: !root.trackStopped
                                onClicked: {
                                    root.trackStopped = true
                                    root.stopTrack()
                                }
                            }
                            ComboBox {
                                objectName: "speedBox"
                                anchors.verticalCenter: parent.verticalCenter
                                implicitWidth: 80
                                textRole: "text"
                                model: ListModel {
                                    ListElement { text: "1x"; value: 1 }
                                    ListElement { text: "2x"; value: 2 }
                                    ListElement { text: "3x"; value: 3 }
                                    ListElement { text: "4x"; value: 4 }
                                    ListElement { text: "5x"; value: 5 }
                                }
                                currentIndex: gpsEmulationManager.trackSpeed - 1
                                onActivated: gpsEmulationManager.setTrackSpeed(model.get(index).value)
                            }
                        }
                        Row {
                            height: playRow.height
                            spacing: 10

                            CheckBox {
                                id: ownSpeedCheckBox

                                anchors.verticalCenter: parent.verticalCenter
                                text: qsTr("Use own track speed")
                                checked: !gpsEmulationManager.useDefaultInterval
                                enabled: !root.onlyDefaultInterval
                                onClicked: {
                                    gpsEmulationManager.setTrackIntervalMode(!checked)
                                    // A click assigns the state and so drops the binding.
                                    checked = Qt.binding(function() { return !gpsEmulationManager.useDefaultInterval })
                                }
                            }
                            CheckBox {
                                id: loopCheckBox

                                anchors.verticalCenter: parent.verticalCenter
                                text: qsTr("Loop track")
                                checked: gpsEmulationManager.trackLooped
                                onClicked: {
                                    gpsEmulationManager.setTrackLooped(checked)
                                    checked = Qt.binding(function() { return gpsEmulationManager.trackLooped })
                                }
                            }
                        }
                    }
                }
            }
        }

        // The track drawn beside the controls, or above the table where the
        // page is too narrow for that; a click seeks as a row does.
        TrackRouteView {
            id: routeView

            readonly property bool beside: parent.width - controlsColumn.width - 45 >= 180

            objectName: "trackRouteView"
            x: beside ? controlsColumn.x + controlsColumn.width + 15 : 15
            y: beside ? controlsColumn.y : controlsColumn.y + controlsColumn.height + 15
            width: beside ? parent.width - x - 15 : parent.width - 30
            height: beside ? controlsColumn.height : 160
            model: root.trackPoints
            currentIndex: gpsEmulationManager.currentPositionIndex
            onPointClicked: trackPointsTable.activated(index)
        }

        TableView {
            id: trackPointsTable

            objectName: "trackPointsTable"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: routeView.beside ? controlsColumn.bottom : routeView.bottom
            anchors.margins: 15
            // The rest of the page, but at least its natural height: a short
            // page scrolls instead.
            height: Math.max(implicitHeight, root.height - controlsColumn.height - 60
                                             - (routeView.beside ? 0 : routeView.height + 15))
            model: root.trackPoints

            itemDelegate: Item {
                Text {
                    anchors.fill: parent
                    anchors.rightMargin: 6
                    text: styleData.value !== undefined ? String(styleData.value) : ""
                    color: styleData.textColor
                    elide: styleData.elideMode
                    horizontalAlignment: Text.AlignRight
                    verticalAlignment: Text.AlignVCenter
                }
            }

            onActivated: {
                var wasRunning = root.trackTimerArmed
                gpsEmulationManager.goToPositionOnTrack(row)
                root.stopTrackTimer()
                if (wasRunning)
                    root.startTrack()
            }

            TableViewColumn {
                role: "index"
                horizontalAlignment: Text.AlignHCenter
                title: qsTr("No.")
                width: 70
            }
            TableViewColumn {
                role: "timeString"
                horizontalAlignment: Text.AlignHCenter
                title: qsTr("Time")
                width: (trackPointsTable.viewport.width - 70) / 4
            }
            TableViewColumn {
                role: "latitudeString"
                horizontalAlignment: Text.AlignHCenter
                title: qsTr("Latitude")
                width: (trackPointsTable.viewport.width - 70) / 4
            }
            TableViewColumn {
                role: "longitudeString"
                horizontalAlignment: Text.AlignHCenter
                title: qsTr("Longitude")
                width: (trackPointsTable.viewport.width - 70) / 4
            }
            TableViewColumn {
                role: "altitudeString"
                horizontalAlignment: Text.AlignHCenter
                title: qsTr("Altitude")
                width: (trackPointsTable.viewport.width - 70) / 4
            }
        }
    }
}
