import QtQuick 2.5
import QtTest 1.2
import "qrc:/mimicry/qml"
import "helpers.js" as Helpers

Item {
    id: testRoot

    width: 900
    height: 500

    Component {
        id: pageComponent

        SmartphoneModelPage {
            width: testRoot.width
            height: testRoot.height
        }
    }

    SignalSpy {
        id: tickSpy

        signalName: "triggered"
    }

    TestCase {
        id: testCase

        property var page: null
        // X-Rot, Y-Rot, Z-Rot, then X, Y, Z.
        property var sliders: []

        function line(sensorName) {
            return page.sensorLabels.find(item => item.sensorName === sensorName)
        }

        function callsOf(method) {
            return guest.calls.filter(call => call.indexOf(method + " ") === 0)
        }

        function argumentsOf(call) {
            return call.split(" ").slice(1).map(argument => Number(argument.split(":")[1]))
        }

        function waitForTicks(count) {
            tickSpy.target = clock()
            tickSpy.clear()
            tryVerify(() => tickSpy.count >= count, 3000, "waiting for " + count + " ticks")
        }

        // The first call whose values differ from `settled`, and the one
        // after it: a tick's line from before the change may still arrive.
        function firstChange(method, settled) {
            var changed = () => callsOf(method).findIndex(call => String(argumentsOf(call)) !== String(settled))
            tryVerify(() => changed() >= 0 && callsOf(method).length > changed() + 1, 3000,
                      "waiting for a change of " + method + ": " + guest.calls)
            return callsOf(method).slice(changed(), changed() + 2)
        }

        function compareValues(call, expected, text) {
            var actual = argumentsOf(call)
            compare(actual.length, expected.length, text)
            for (var i = 0; i < expected.length; ++i)
                fuzzyCompare(actual[i], expected[i], 1e-9, text + " [" + i + "]")
        }

        function presetButton(preset) {
            return Helpers.find(page, item => item.source !== undefined
                                && String(item.source) === page.iconsModel[preset - 1]).parent
        }

        function modeButton(text) {
            return Helpers.find(page, item => item.text === text && item.exclusiveGroup !== undefined)
        }

        // The clock that derives the readings.
        function clock() {
            var content = Helpers.find(page, item => item.controlsHeight !== undefined)
            return Array.prototype.find.call(content.data,
                                             item => item.interval !== undefined && item.repeat !== undefined)
        }

        function show() {
            page.active = true
            tryVerify(() => page.activeFocus)
        }

        function init() {
            Helpers.resetSensors(sensorsEmulationManager, testDevice)
            sensorsEmulationManager.setMagneticFieldValues(10, 20, 30)
            page = createTemporaryObject(pageComponent, testRoot)
            sliders = Helpers.sliders(page)
            compare(sliders.length, 6)
            verify(guest.settle())
        }

        // Rows: preset (or Z-Rot typed), then the accelerometer and the
        // magnetometer sent in a magnetic field of (10, 20, 30) µT.
        function test_pose_data() {
            return [
                [1, [0, 1000, 0], [1e-05, 2e-05, 3e-05]],
                [2, [-1000, 0, 0], [-2e-05, 1e-05, 3e-05]],
                [3, [0, -1000, 0], [-1e-05, -2e-05, 3e-05]],
                [4, [1000, 0, 0], [2e-05, -1e-05, 3e-05]],
                [5, [0, 0, 1000], [1e-05, -3e-05, 2e-05]],
                [6, [0, 0, -1000], [1e-05, 3e-05, -2e-05]],
                ["-90", [-1000, 0, 0], [-2e-05, 1e-05, 3e-05]]
            ].map(row => ({ tag: typeof row[0] === "number" ? "preset " + row[0] : "Z-Rot typed " + row[0],
                            preset: row[0], accelerometer: row[1], magnetometer: row[2] }))
        }

        function test_pose(data) {
            show()
            verify(guest.settle())
            if (typeof data.preset === "string") {
                Helpers.typeInto(testCase, Helpers.textField(sliders[2]), data.preset)
                // Leaving the field submits it; Return would reach the page's keys too.
                sliders[2].textFieldFocus = false
            } else {
                // A preset levels Y-Rot too.
                sliders[1].value = 45
                mouseClick(presetButton(data.preset))
            }
            tryVerify(() => callsOf("setMagnetometerValues").length > 0)
            compare(argumentsOf(callsOf("setAccelerometerValues")[0]), data.accelerometer)
            compareValues(callsOf("setMagnetometerValues")[0], data.magnetometer, "sent")
        }

        // Showing the page sends and shows the three sensors; the clock, which
        // runs while the page is shown, sends nothing while nothing changes:
        // in rotation mode the gyroscope, in move mode the accelerometer.
        function test_clock_data() {
            return [
                { tag: "rotation", mode: "Rotation" },
                { tag: "move", mode: "Move" }
            ]
        }

        function test_clock(data) {
            show()
            tryVerify(() => guest.calls.length >= 3)
            compare(guest.calls.slice(0, 3), ["setAccelerometerValues int32:0 int32:1000 int32:0",
                                              "setGyroscopeValues double:0 double:0 double:0",
                                              "setMagnetometerValues double:1e-05 double:2e-05 double:3e-05"])
            compare(page.sensorLabels.map(item => item.text.split(": ")[1]),
                    ["0.000 9.807 0.000", "0.000 0.000 0.000", "10.000 20.000 30.000"])
            mouseClick(modeButton(data.mode))
            // A tick may have seen the switch.
            waitForTicks(1)
            verify(guest.settle())
            waitForTicks(5)
            verify(guest.sync())
            compare(guest.calls, [])

            compare(clock().running, true)
            page.active = false
            compare(clock().running, false)
        }

        function test_keyTurnsForOneTick_data() {
            return [
                { tag: "Right", key: Qt.Key_Right, modifiers: Qt.NoModifier, gyroscope: [0, 0, 10] },
                { tag: "Left", key: Qt.Key_Left, modifiers: Qt.NoModifier, gyroscope: [0, 0, -10] },
                { tag: "Shift+Left", key: Qt.Key_Left, modifiers: Qt.ShiftModifier, gyroscope: [0, -10, 0] },
                { tag: "Up", key: Qt.Key_Up, modifiers: Qt.NoModifier, gyroscope: [10, 0, 0] },
                { tag: "Down", key: Qt.Key_Down, modifiers: Qt.NoModifier, gyroscope: [-10, 0, 0] }
            ]
        }

        function test_keyTurnsForOneTick(data) {
            show()
            waitForTicks(2)
            guest.clear()
            keyClick(data.key, data.modifiers)
            var calls = firstChange("setGyroscopeValues", [0, 0, 0])
            compareValues(calls[0], data.gyroscope, "the tick after the key")
            compareValues(calls[1], [0, 0, 0], "the tick after that")
        }

        // Beyond ±180 a slider wraps at the next key press, 181 to -180 and
        // -181 to 180; the tick counts the short way over ±180, in the
        // direction the slider went: -1 and +1 degree.
        function test_wrapAroundAtTheNextKeyPress_data() {
            return [
                { tag: "181", start: 181, wrapped: -180, gyroscope: [-10, 0, -10] },
                { tag: "-181", start: -181, wrapped: 180, gyroscope: [-10, 0, 10] }
            ]
        }

        function test_wrapAroundAtTheNextKeyPress(data) {
            show()
            sliders[2].value = data.start
            waitForTicks(4)
            guest.clear()
            keyClick(Qt.Key_Up)
            compare(sliders[2].value, data.wrapped)
            compare(sliders[0].value, 1)
            // X turned by one degree while upside down, and Z as it went.
            compareValues(firstChange("setGyroscopeValues", [0, 0, 0])[0], data.gyroscope, "the tick after the wrap")
        }

        function test_movementAboveThreeG() {
            show()
            mouseClick(modeButton("Move"))
            sliders[3].value = -2
            waitForTicks(4)
            var label = line("accelerometer")
            var texts = []
            label.textChanged.connect(() => texts.push(label.text.split(": ")[1]))
            guest.clear()
            // From -12 cm to 12 cm in one tick: 48 m/s², then braking to a stop.
            sliders[3].value = 2
            compare(firstChange("setAccelerometerValues", [0, 1000, 0]),
                    ["setAccelerometerValues int32:3000 int32:1000 int32:0",
                     "setAccelerometerValues int32:-3000 int32:1000 int32:0"])
            compare(texts.slice(0, 2), ["47.994 9.807 0.000", "-47.994 9.807 0.000"])
        }

        // A drag on the 3D view moves the sliders as a hand would, and the
        // next tick sends what that slider change sends. Without OpenGL the
        // view is a note, so the drag is the view's own signal here.
        function test_dragTurnsLikeTheSliders_data() {
            return [
                { tag: "upright, across", preset: 1, dx: 20, dy: 0, pose: [0, 10, 0], gyroscope: [0, 100, 0] },
                { tag: "face down, across", preset: 6, dx: 20, dy: 0, pose: [90, 0, -10], gyroscope: [0, 0, -100] },
                { tag: "upright, down", preset: 1, dx: 0, dy: 20, pose: [10, 0, 0], gyroscope: [100, 0, 0] }
            ]
        }

        function test_dragTurnsLikeTheSliders(data) {
            var view = Helpers.find(page, item => item.dragged !== undefined && item.pose !== undefined)
            show()
            compare(findChild(view, "noOpenGLNote").visible, true)
            compare(view.drawn, false)
            mouseClick(presetButton(data.preset))
            waitForTicks(2)
            guest.clear()
            view.dragged(data.dx, data.dy)
            compare(sliders.slice(0, 3).map(slider => slider.value), data.pose)
            var calls = firstChange("setGyroscopeValues", [0, 0, 0])
            compareValues(calls[0], data.gyroscope, "the tick after the drag")
            compareValues(calls[1], [0, 0, 0], "the tick after that")
        }

        // In move mode a drag shifts the phone within the sliders' range.
        function test_dragMoves() {
            var view = Helpers.find(page, item => item.dragged !== undefined && item.pose !== undefined)
            show()
            mouseClick(modeButton("Move"))
            view.dragged(300, -50)
            compare(sliders.slice(3).map(slider => slider.value), [2, 0.5, 0])
            compare(sliders.slice(0, 3).map(slider => slider.value), [0, 0, 0])
        }

        function test_ctrlFlipsTheModeWhileHeld() {
            show()
            compare(modeButton("Rotation").checked, true)
            keyPress(Qt.Key_Left, Qt.ControlModifier)
            compare(modeButton("Move").checked, true)
            compare(sliders[3].value, -0.01)
            compare(sliders[2].value, 0)
            keyRelease(Qt.Key_Left, Qt.ControlModifier)
            compare(modeButton("Rotation").checked, true)
        }

        // Rows: sensors, whether they are only switched off (else missing),
        // the method checked and how often it is sent (the gyroscope's zeros
        // of the activation go out whatever its state).
        function test_gates_data() {
            return [
                [["accelerometer"], false, "setAccelerometerValues", 0],
                [["accelerometer"], true, "setAccelerometerValues", 0],
                [["gyroscope"], false, "setGyroscopeValues", 1],
                [["gyroscope"], true, "setGyroscopeValues", 1],
                [["magnetometer"], false, "setMagnetometerValues", 0],
                [["magnetometer"], true, "setMagnetometerValues", 0],
                [["accelerometer", "gyroscope", "magnetometer"], false, "setMagnetometerValues", 0]
            ].map(row => ({ tag: row[0].join(", ") + (row[1] ? " off" : " missing"), sensors: row[0],
                            available: row[1], method: row[2], sent: row[3] }))
        }

        function test_gates(data) {
            for (var i = 0; i < data.sensors.length; ++i) {
                if (data.available)
                    sensorsEmulationManager.setSensorEnabled(data.sensors[i], false)
                else
                    testDevice.setSensorAvailable(data.sensors[i], false)
            }
            show()
            mouseClick(presetButton(5))
            keyClick(Qt.Key_Right)
            verify(guest.sync())
            compare(callsOf(data.method).length, data.sent)
            verify(callsOf(data.method === "setGyroscopeValues" ? "setAccelerometerValues"
                                                                : "setGyroscopeValues").length > 0)

            var results = Helpers.find(page, item => item.text === "Resulting values")
            compare(results.visible, data.sensors.length < 3)
            for (var j = 0; j < data.sensors.length; ++j) {
                compare(line(data.sensors[j]).visible, data.available && data.sensors.length < 3, data.sensors[j])
                compare(line(data.sensors[j]).enabled, false, data.sensors[j])
            }
        }

        function presetsChecked() {
            return [1, 2, 3, 4, 5, 6].filter(preset => presetButton(preset).checked)
        }

        // Rows: X-Rot, Y-Rot, Z-Rot and the presets shown checked; other
        // angles for the same pose count as that pose.
        function test_presetOfPose_data() {
            return [[0, 0, 0, [1]], [0, 0, -90, [2]], [0, 0, 180, [3]], [0, 0, -180, [3]], [180, 180, 0, [3]],
                    [0, 0, 90, [4]], [-90, 0, 0, [5]], [90, 180, 180, [5]], [90, 0, 0, [6]], [0, 0.01, 0, []],
                    [-90, 0, 30, []]
            ].map(row => ({ tag: row.slice(0, 3).join(", "), pose: row.slice(0, 3), checked: row[3] }))
        }

        function test_presetOfPose(data) {
            show()
            for (var i = 0; i < 3; ++i)
                sliders[i].value = data.pose[i]
            compare(presetsChecked(), data.checked)
        }

        // Each preset names its pose and stays the one checked when clicked
        // again.
        function test_presetButtons() {
            show()
            compare([1, 2, 3, 4, 5, 6].map(preset => presetButton(preset).tooltip),
                    ["Upright", "Landscape, top to the right", "Upside down", "Landscape, top to the left",
                     "Lying face up", "Lying face down"])
            for (var preset = 6; preset >= 1; --preset) {
                mouseClick(presetButton(preset))
                mouseClick(presetButton(preset))
                compare(presetsChecked(), [preset])
            }
        }

        name: "SmartphoneModelPage"
        when: windowShown
    }
}
