import QtQuick 2.5
import QtQuick.Controls 1.4
import QtQuick.Dialogs 1.2
import QtTest 1.2
import org.plover 1.0
import "qrc:/mimicry/qml"
import "helpers.js" as Helpers

Item {
    id: top

    width: 1100
    height: 600

    MimicryView {
        id: view
    }

    SettingsManager {
        id: settings
    }

    Label {
        id: defaultLabel
    }

    SignalSpy {
        id: activeSpy

        signalName: "activeChanged"
    }

    SignalSpy {
        id: errorTextSpy

        signalName: "textChanged"
    }

    // How long the event loop went without running a short timer.
    Timer {
        id: heartbeat

        property double last: 0
        property double longestGap: 0

        interval: 10
        repeat: true
        onTriggered: {
            var now = Date.now()
            longestGap = Math.max(longestGap, now - last)
            last = now
        }
    }

    TestCase {
        readonly property var pageNames: ["Sensors Management", "Sensors Values", "Orientation Management",
            "GPS Management", "Camera Management"]
        readonly property var managementPage: view.pagesIds[0]
        readonly property var valuesPage: view.pagesIds[1]
        readonly property var gpsPage: view.pagesIds[3]
        readonly property string resetQuestion: "The sensors values will be reset using the smartphone "
            + "3D-model position. Do you want to continue?"

        function activePages() {
            var names = []
            for (var i = 0; i < view.pagesIds.length; ++i) {
                if (view.pagesIds[i].active)
                    names.push(pageNames[i])
            }
            return names
        }

        function clickPage(name) {
            mouseClick(Helpers.pageButton(view, name))
        }

        function errorDialog() {
            return findChild(view, "errorDialog")
        }

        function changeAccelerometer() {
            sensorsEmulationManager.setAccelerometerX(sensorsEmulationManager.accelerometer.x + 1)
        }

        function init() {
            dialogs.stopAnswering()
            // An error still waiting to be shown would open the dialog later.
            tryVerify(function() { return !errorDialog().pendingText })
            errorDialog().close()
            settings.saveDoNotShowAgainResetSensorsDialog(false)
            for (var i = 0; i < view.pagesIds.length; ++i)
                view.pagesIds[i].active = false
            valuesPage.active = true
            for (var j = 0; j < Helpers.sensorNames.length; ++j)
                sensorsEmulationManager.setSensorEnabled(Helpers.sensorNames[j], true)
            // Lines of an earlier test may still be on their way.
            verify(guest.sync())
            guest.clear()
        }

        function cleanup() {
            dialogs.stopAnswering()
        }

        function test_startsOnTheSensorsValuesPage() {
            var fresh = Qt.createQmlObject('import "qrc:/mimicry/qml"; MimicryView {}', top)
            var names = []
            for (var i = 0; i < fresh.pagesIds.length; ++i) {
                compare(fresh.pagesIds[i].visible, fresh.pagesIds[i].active)
                if (fresh.pagesIds[i].active)
                    names.push(pageNames[i])
            }
            compare(names, ["Sensors Values"])
            fresh.destroy()
        }

        function test_buttonActivatesItsPage_data() {
            return [
                { tag: "Sensors Management", index: 0 },
                { tag: "Orientation Management", index: 2 },
                { tag: "GPS Management", index: 3 },
                { tag: "Camera Management", index: 4 },
                { tag: "back to Sensors Values", index: 1, from: "GPS Management" }
            ]
        }

        function test_buttonActivatesItsPage(data) {
            if (data.from)
                clickPage(data.from)
            clickPage(pageNames[data.index])
            compare(activePages(), [pageNames[data.index]])
            for (var i = 0; i < pageNames.length; ++i) {
                compare(view.pagesIds[i].visible, i === data.index, pageNames[i])
                compare(Helpers.pageButton(view, pageNames[i]).active, i === data.index, pageNames[i])
            }
        }

        function test_activeButtonIsHighlighted() {
            clickPage("GPS Management")
            for (var i = 0; i < pageNames.length; ++i) {
                var button = Helpers.pageButton(view, pageNames[i])
                var label = Helpers.find(button, function(item) {
                    return item.text === button.text && item.elide !== undefined
                })
                var background = Helpers.find(button, function(item) {
                    return item.border !== undefined && item.radius !== undefined
                })
                verify(label, "label of " + pageNames[i])
                verify(background, "background of " + pageNames[i])
                var active = pageNames[i] === "GPS Management"
                compare(Qt.colorEqual(label.color, active ? "white" : defaultLabel.color), true, pageNames[i])
                compare(Qt.colorEqual(background.color,
                                      active ? themeHighlightColor : themeBackgroundColorNormal), true,
                        pageNames[i])
            }
            verify(!Qt.colorEqual(themeHighlightColor, themeBackgroundColorNormal))
        }

        function test_clickingTheActivePageReactivatesIt() {
            clickPage("GPS Management")
            activeSpy.target = gpsPage
            activeSpy.clear()
            clickPage("GPS Management")
            compare(activeSpy.count, 2)
            compare(activePages(), ["GPS Management"])
        }

        function test_orientationWithoutChangesAsksNothing_data() {
            return [
                { tag: "from Sensors Values, unchanged", from: "Sensors Values", change: false },
                { tag: "from GPS Management, changed", from: "GPS Management", change: true }
            ]
        }

        function test_orientationWithoutChangesAsksNothing(data) {
            clickPage(data.from)
            if (data.change)
                changeAccelerometer()
            dialogs.answerWith(StandardButton.Cancel)
            clickPage("Orientation Management")
            compare(dialogs.answeredBoxes().length, 0)
            compare(activePages(), ["Orientation Management"])
        }

        function test_resetWarningOnTheWayToOrientation_data() {
            return [
                { tag: "Cancel", answer: StandardButton.Cancel, tick: true,
                  page: "Sensors Values", stored: false },
                { tag: "OK", answer: StandardButton.Ok, tick: false,
                  page: "Orientation Management", stored: false },
                { tag: "OK, do not show again", answer: StandardButton.Ok, tick: true,
                  page: "Orientation Management", stored: true }
            ]
        }

        function test_resetWarningOnTheWayToOrientation(data) {
            changeAccelerometer()
            verify(valuesPage.modelSensorChanged)
            dialogs.answerWith(data.answer, data.tick)
            clickPage("Orientation Management")
            var boxes = dialogs.answeredBoxes()
            compare(boxes.length, 1)
            compare(boxes[0].text, resetQuestion)
            compare(boxes[0].buttons, StandardButton.Ok | StandardButton.Cancel)
            compare(boxes[0].checkBoxVisible, true)
            compare(activePages(), [data.page])
            compare(settings.readDoNotShowAgainResetSensorsDialog(), data.stored)

            // Once ticked and accepted, the question is not asked again.
            clickPage("Sensors Values")
            verify(!valuesPage.modelSensorChanged)
            changeAccelerometer()
            dialogs.stopAnswering()
            dialogs.answerWith(StandardButton.Cancel)
            clickPage("Orientation Management")
            compare(dialogs.answeredBoxes().length, data.stored ? 0 : 1)
            compare(activePages(), [data.stored ? "Orientation Management" : "Sensors Values"])
        }

        function test_modelSensorsMarkTheValuesPage_data() {
            return [
                { tag: "accelerometer y", change: function() { sensorsEmulationManager.setAccelerometerY(7) } },
                { tag: "magnetometer z", change: function() { sensorsEmulationManager.setMagnetometerZ(1e-6) } },
                { tag: "magnetic field x", change: function() { sensorsEmulationManager.setMagneticFieldX(3.5) } },
                { tag: "gyroscope y", change: function() { sensorsEmulationManager.setGyroscopeY(2.5) } }
            ]
        }

        function test_modelSensorsMarkTheValuesPage(data) {
            verify(!valuesPage.modelSensorChanged)
            data.change()
            verify(valuesPage.modelSensorChanged)
            sensorsEmulationManager.setDefaultValues()
            sensorsEmulationManager.setMagneticFieldValues(0, 5.95, -48.76)
        }

        function test_quietReplies_data() {
            return [
                { tag: "OK", reply: "OK" },
                { tag: "empty", reply: "" },
                { tag: "success line", reply: "setAlsValue:100:::" }
            ]
        }

        function test_quietReplies(data) {
            guest.send(data.reply)
            verify(guest.sync())
            compare(dialogs.shownMessageBoxTexts(), [])
            compare(errorDialog().visible, false)
            compare(sensorsEmulationManager.sensorsEnabledStates.tap, true)
        }

        // Replies come from outside; markup in them is shown, not rendered,
        // and a long one only in part.
        function test_errorReplyShownAsPlainText_data() {
            // Longer replies than this never get past the channel.
            var longText = "x".repeat(60000)
            return [
                { tag: "bold markup", reply: "<b>boom</b>" },
                { tag: "ampersand", reply: "a & b" },
                { tag: "entity", reply: "x &lt; y" },
                { tag: "link", reply: "<a href=\"http://example.com\">click</a> here" },
                { tag: "two lines", reply: "first line\nsecond  line" },
                { tag: "a long one, cut", reply: "setAlsValue:5::E:" + longText,
                  shown: "E " + longText.substring(0, 298) + "\u2026" }
            ]
        }

        function test_errorReplyShownAsPlainText(data) {
            guest.send(data.reply)
            tryVerify(function() { return dialogs.shownMessageBoxTexts().length === 1 })
            compare(dialogs.shownMessageBoxTexts()[0], data.shown || data.reply)
            compare(errorDialog().title, "Error")
            compare(errorDialog().icon, StandardIcon.Critical)
            compare(errorDialog().standardButtons, StandardButton.Ok)
        }

        // Apply switches the gyroscope on and the tap sensor off; only a
        // refusal of a box's own call puts that box back.
        function test_onlyARefusedSwitchRevertsItsBox_data() {
            var refused = "::org.freedesktop.DBus.Error.Failed:refused"
            return [
                { tag: "refused enableSensor", refuse: "enableSensor string:gyroscope",
                  gyroscope: false, tap: false },
                { tag: "refused disableSensor", refuse: "disableSensor string:tap", gyroscope: true, tap: true },
                { tag: "failed GPS call", later: "setTrackSpeed:1" + refused, gyroscope: true, tap: false },
                { tag: "unrelated sensor error", later: "setAlsValue:100" + refused, gyroscope: true, tap: false },
                { tag: "late error to a switch answered OK", later: "disableSensor:tap" + refused,
                  gyroscope: true, tap: false }
            ]
        }

        function test_onlyARefusedSwitchRevertsItsBox(data) {
            sensorsEmulationManager.setSensorEnabled("gyroscope", false)
            clickPage("Sensors Management")
            var gyroscopeBox = managementPage.sensorsControlsIds[4]
            var tapBox = managementPage.sensorsControlsIds[7]
            mouseClick(gyroscopeBox)
            mouseClick(tapBox)
            if (data.refuse)
                guest.failCall(data.refuse, "org.freedesktop.DBus.Error.Failed", "refused")
            mouseClick(Helpers.button(managementPage, "Apply"))
            tryVerify(function() { return guest.calls.length === 8 })
            if (data.later) {
                verify(guest.sync())
                guest.send(data.later)
            }

            tryVerify(function() { return dialogs.shownMessageBoxTexts().length === 1 })
            compare(dialogs.shownMessageBoxTexts()[0], "org.freedesktop.DBus.Error.Failed refused")
            var states = sensorsEmulationManager.sensorsEnabledStates
            compare([states.gyroscope, states.tap], [data.gyroscope, data.tap])
            compare([gyroscopeBox.checked, tapBox.checked], [data.gyroscope, data.tap])
            // Only the host's record goes back; the guest is not asked again.
            verify(guest.sync())
            compare(guest.calls.length, 8)
        }

        function test_errorFloodKeepsTheWindowResponsive() {
            errorTextSpy.target = errorDialog()
            errorTextSpy.clear()
            var start = Date.now()
            heartbeat.last = start
            heartbeat.longestGap = 0
            heartbeat.start()
            // 2,000 errors in one second.
            for (var burst = 0; burst < 20; ++burst) {
                for (var i = 0; i < 100; ++i)
                    guest.send("setAlsValue:5::E:flood " + (burst * 100 + i))
                wait(50)
            }
            tryVerify(function() { return dialogs.shownMessageBoxTexts()[0] === "E flood 1999" }, 60000)
            heartbeat.stop()
            compare(dialogs.shownMessageBoxTexts().length, 1)
            // A few updates a second, not one per error.
            var seconds = (Date.now() - start) / 1000
            verify(errorTextSpy.count <= 2 + 5 * seconds, errorTextSpy.count + " texts in " + seconds + " s")
            verify(heartbeat.longestGap < 1000, heartbeat.longestGap + " ms")
        }

        name: "MimicryView"
        when: windowShown
    }
}
