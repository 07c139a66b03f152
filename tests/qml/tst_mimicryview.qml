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
        id: errorTextSpy

        signalName: "textChanged"
    }

    TestCase {
        readonly property var errorDialog: findChild(view, "errorDialog")
        readonly property var pageNames: ["Sensors Management", "Sensors Values", "Orientation Management",
            "GPS Management", "Camera Management"]
        readonly property var valuesPage: view.pagesIds[1]
        readonly property var resetQuestion: ({
            title: "Warning",
            icon: StandardIcon.Question,
            text: "The sensors values will be reset using the smartphone 3D-model position. "
                  + "Do you want to continue?",
            buttons: StandardButton.Ok | StandardButton.Cancel,
            checkBoxVisible: true,
            overIde: false,
            overWindow: true
        })

        function activePages() {
            return pageNames.filter((name, i) => view.pagesIds[i].active)
        }

        function clickPage(name) {
            mouseClick(Helpers.pageButton(view, name))
        }

        function changeAccelerometer() {
            sensorsEmulationManager.setAccelerometerX(sensorsEmulationManager.accelerometer.x + 1)
        }

        function init() {
            dialogs.stopAnswering()
            // An error still waiting to be shown would open the dialog later.
            tryVerify(() => !errorDialog.pendingText)
            errorDialog.close()
            settings.saveDoNotShowAgainResetSensorsDialog(false)
            Helpers.activate(view, valuesPage)
            Helpers.resetSensors(sensorsEmulationManager, testDevice)
            verify(guest.settle())
        }

        function cleanup() {
            dialogs.stopAnswering()
        }

        function test_startsOnTheSensorsValuesPage() {
            var fresh = Qt.createQmlObject('import "qrc:/mimicry/qml"; MimicryView {}', top)
            compare(fresh.pagesIds.map(page => page.active), [false, true, false, false, false])
            fresh.destroy()
        }

        // The reset question is asked on the way from the values page only,
        // and only after a change there.
        function test_buttonActivatesItsPage_data() {
            return [
                { tag: "Sensors Management", index: 0 },
                { tag: "Orientation Management, unchanged", index: 2 },
                { tag: "GPS Management", index: 3 },
                { tag: "Camera Management", index: 4 },
                { tag: "back to Sensors Values", index: 1, from: "GPS Management" },
                { tag: "Orientation from GPS Management, changed", index: 2, from: "GPS Management", change: true }
            ]
        }

        function test_buttonActivatesItsPage(data) {
            dialogs.answerWith(StandardButton.Cancel)
            if (data.from)
                clickPage(data.from)
            if (data.change)
                changeAccelerometer()
            clickPage(pageNames[data.index])
            compare(dialogs.answeredBoxes(), [])
            var expected = pageNames.map((name, i) => i === data.index)
            compare(view.pagesIds.map(page => page.active), expected)
            compare(view.pagesIds.map(page => page.visible), expected)
            compare(pageNames.map(name => Helpers.pageButton(view, name).active), expected)
        }

        // White text on the theme's highlight for the active page only.
        function test_activeButtonIsHighlighted() {
            verify(!Qt.colorEqual(themeHighlightColor, themeBackgroundColorNormal))
            clickPage("GPS Management")
            for (var i = 0; i < pageNames.length; ++i) {
                var button = Helpers.pageButton(view, pageNames[i])
                var label = Helpers.find(button, item => item.text === button.text && item.elide !== undefined)
                var background = Helpers.find(button, item => item.border !== undefined && item.radius !== undefined)
                var active = i === 3
                verify(Qt.colorEqual(label.color, active ? "white" : defaultLabel.color), pageNames[i])
                verify(Qt.colorEqual(background.color, active ? themeHighlightColor : themeBackgroundColorNormal),
                       pageNames[i])
            }
        }

        function test_resetWarningOnTheWayToOrientation_data() {
            return [
                { tag: "Cancel", answer: StandardButton.Cancel, tick: true, page: "Sensors Values", stored: false },
                { tag: "OK", answer: StandardButton.Ok, tick: false, page: "Orientation Management", stored: false },
                { tag: "OK, do not show again", answer: StandardButton.Ok, tick: true,
                  page: "Orientation Management", stored: true }
            ]
        }

        function test_resetWarningOnTheWayToOrientation(data) {
            changeAccelerometer()
            verify(valuesPage.modelSensorChanged)
            dialogs.answerWith(data.answer, data.tick)
            clickPage("Orientation Management")
            compare(dialogs.answeredBoxes(), [resetQuestion])
            compare(activePages(), [data.page])
            compare(settings.readDoNotShowAgainResetSensorsDialog(), data.stored)

            // Once ticked and accepted, the question is not asked again.
            clickPage("Sensors Values")
            verify(!valuesPage.modelSensorChanged)
            changeAccelerometer()
            dialogs.answerWith(StandardButton.Cancel)
            clickPage("Orientation Management")
            compare(dialogs.answeredBoxes(), data.stored ? [] : [resetQuestion])
            compare(activePages(), [data.stored ? "Orientation Management" : "Sensors Values"])
        }

        function test_modelSensorsMarkTheValuesPage_data() {
            return [
                { tag: "accelerometer y", change: () => sensorsEmulationManager.setAccelerometerY(7) },
                { tag: "magnetometer z", change: () => sensorsEmulationManager.setMagnetometerZ(1e-6) },
                { tag: "magnetic field x", change: () => sensorsEmulationManager.setMagneticFieldX(3.5) },
                { tag: "gyroscope y", change: () => sensorsEmulationManager.setGyroscopeY(2.5) }
            ]
        }

        function test_modelSensorsMarkTheValuesPage(data) {
            verify(!valuesPage.modelSensorChanged)
            data.change()
            verify(valuesPage.modelSensorChanged)
            sensorsEmulationManager.setDefaultValues()
            sensorsEmulationManager.setMagneticFieldValues(0, 5.95, -48.76)
        }

        // Replies come from outside; markup in them is shown, not rendered,
        // and a long one only in part. Answers without an error show nothing.
        function test_replies_data() {
            // Longer replies than this never get past the channel.
            var longText = "x".repeat(60000)
            return [
                { tag: "OK", reply: "OK", quiet: true },
                { tag: "empty", reply: "", quiet: true },
                { tag: "success line", reply: "setAlsValue:100:::", quiet: true },
                { tag: "bold markup", reply: "<b>boom</b>" },
                { tag: "entity", reply: "x &lt; y" },
                { tag: "two lines", reply: "first line\nsecond  line" },
                { tag: "a long one, cut", reply: "setAlsValue:5::E:" + longText,
                  shown: "E " + longText.substring(0, 298) + "\u2026" }
            ]
        }

        function test_replies(data) {
            guest.send(data.reply)
            verify(guest.sync())
            var expected = data.quiet ? [] : [data.shown || data.reply]
            tryVerify(() => dialogs.shownMessageBoxTexts().length === expected.length)
            compare(dialogs.shownMessageBoxTexts(), expected)
            var box = errorDialog
            compare([box.visible, box.title, box.icon, box.standardButtons],
                    [!data.quiet, "Error", StandardIcon.Critical, StandardButton.Ok])
        }

        // Apply switches the gyroscope on and the tap sensor off; only a
        // refusal of a box's own call puts that box back.
        function test_onlyARefusedSwitchRevertsItsBox_data() {
            var refused = "::org.freedesktop.DBus.Error.Failed:refused"
            return [
                { tag: "refused enableSensor", refuse: "enableSensor string:gyroscope", gyroscope: false, tap: false },
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
            var boxes = view.pagesIds[0].sensorsControlsIds
            mouseClick(boxes[4])
            mouseClick(boxes[7])
            if (data.refuse)
                guest.failCall(data.refuse, "org.freedesktop.DBus.Error.Failed", "refused")
            mouseClick(Helpers.button(view.pagesIds[0], "Apply"))
            tryVerify(() => guest.calls.length === 8)
            if (data.later) {
                verify(guest.sync())
                guest.send(data.later)
            }

            tryVerify(() => dialogs.shownMessageBoxTexts().length === 1)
            compare(dialogs.shownMessageBoxTexts(), ["org.freedesktop.DBus.Error.Failed refused"])
            var states = sensorsEmulationManager.sensorsEnabledStates
            compare([states.gyroscope, states.tap], [data.gyroscope, data.tap])
            compare([boxes[4].checked, boxes[7].checked], [data.gyroscope, data.tap])
            // Only the host's record goes back; the guest is not asked again.
            verify(guest.sync())
            compare(guest.calls.length, 8)
        }

        // A flood of errors updates the box a few times a second, not once
        // per error, and ends on the newest. Each burst waits for the update
        // that the one before brought about.
        function test_errorFloodShowsOnlyTheNewest() {
            errorTextSpy.target = errorDialog
            errorTextSpy.clear()
            var start = Date.now()
            for (var burst = 0; burst < 5; ++burst) {
                var updates = errorTextSpy.count
                for (var i = 0; i < 50; ++i)
                    guest.send("setAlsValue:5::E:flood " + (burst * 50 + i))
                tryVerify(() => errorTextSpy.count > updates)
            }
            var elapsed = Date.now() - start
            tryVerify(() => dialogs.shownMessageBoxTexts()[0] === "E flood 249")
            compare(dialogs.shownMessageBoxTexts().length, 1)
            verify(errorTextSpy.count <= 6, errorTextSpy.count + " texts")
            verify(elapsed >= 700, "five updates in " + elapsed + " ms")
        }

        name: "MimicryView"
        when: windowShown
    }
}
