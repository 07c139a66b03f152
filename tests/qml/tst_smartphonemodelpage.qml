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

    TestCase {
        id: testCase

        property var page: null
        property var sliders: []

        function line(sensorName) {
            for (var i = 0; i < page.sensorLabels.length; ++i) {
                if (page.sensorLabels[i].sensorName === sensorName)
                    return page.sensorLabels[i]
            }
            return null
        }

        // The three numbers of a result line.
        function shown(sensorName) {
            return line(sensorName).text.split(": ")[1]
        }

        function callsOf(method) {
            return guest.calls.filter(function(call) { return call.indexOf(method + " ") === 0 })
        }

        function argumentsOf(call) {
            return call.split(" ").slice(1).map(function(argument) { return Number(argument.split(":")[1]) })
        }

        function waitForCalls(method, count) {
            tryVerify(function() { return callsOf(method).length >= count }, 3000,
                      "waiting for " + count + " x " + method + ": " + guest.calls)
            return callsOf(method)
        }

        // The first call whose values differ from `settled`, and the one
        // after it: a tick's line from before the change may still arrive.
        function firstChange(method, settled) {
            var changed = -1
            tryVerify(function() {
                var calls = callsOf(method)
                changed = -1
                for (var i = 0; i < calls.length && changed < 0; ++i) {
                    if (String(argumentsOf(calls[i])) !== String(settled))
                        changed = i
                }
                return changed >= 0 && calls.length > changed + 1
            }, 3000, "waiting for a change of " + method + ": " + guest.calls)
            return callsOf(method).slice(changed, changed + 2)
        }

        function compareValues(actual, expected, text) {
            compare(actual.length, expected.length, text)
            for (var i = 0; i < expected.length; ++i)
                fuzzyCompare(actual[i], expected[i], 1e-9, text + " [" + i + "]")
        }

        function presetButton(preset) {
            var icon = Helpers.find(page, function(item) {
                return item.source !== undefined && String(item.source) === page.iconsModel[preset - 1]
            })
            return icon.parent
        }

        function modeButton(text) {
            return Helpers.find(page, function(item) { return item.text === text && item.exclusiveGroup !== undefined })
        }

        function show() {
            page.active = true
            tryVerify(function() { return page.activeFocus })
        }

        function init() {
            for (var n = 0; n < Helpers.sensorNames.length; ++n) {
                if (!sensorsEmulationManager.sensorsAvailability[Helpers.sensorNames[n]])
                    deviceConfig.setSensorAvailable(Helpers.sensorNames[n], true)
                sensorsEmulationManager.setSensorEnabled(Helpers.sensorNames[n], true)
            }
            sensorsEmulationManager.setMagneticFieldValues(10, 20, 30)
            page = createTemporaryObject(pageComponent, testRoot)
            verify(page)
            // X-Rot, Y-Rot, Z-Rot, then X, Y, Z.
            sliders = Helpers.sliders(page)
            compare(sliders.length, 6)
            // Lines of an earlier test may still be on their way.
            verify(guest.sync())
            guest.clear()
        }

        function test_pose_data() {
            return [
                { tag: "1 upright", preset: 1, field: [10, 20, 30],
                  accelerometer: [0, 1000, 0], accShown: "0.000 9.807 0.000",
                  magnetometer: [1e-05, 2e-05, 3e-05], magnetShown: "10.000 20.000 30.000" },
                { tag: "2 landscape, top right", preset: 2, field: [10, 20, 30],
                  accelerometer: [-1000, 0, 0], accShown: "-9.807 0.000 0.000",
                  magnetometer: [-2e-05, 1e-05, 3e-05], magnetShown: "-20.000 10.000 30.000" },
                { tag: "3 upside down", preset: 3, field: [10, 20, 30],
                  accelerometer: [0, -1000, 0], accShown: "0.000 -9.807 0.000",
                  magnetometer: [-1e-05, -2e-05, 3e-05], magnetShown: "-10.000 -20.000 30.000" },
                { tag: "4 landscape, top left", preset: 4, field: [10, 20, 30],
                  accelerometer: [1000, 0, 0], accShown: "9.807 0.000 0.000",
                  magnetometer: [2e-05, -1e-05, 3e-05], magnetShown: "20.000 -10.000 30.000" },
                { tag: "5 face up", preset: 5, field: [10, 20, 30],
                  accelerometer: [0, 0, 1000], accShown: "0.000 0.000 9.807",
                  magnetometer: [1e-05, -3e-05, 2e-05], magnetShown: "10.000 -30.000 20.000" },
                { tag: "6 face down", preset: 6, field: [0, 0, 0],
                  accelerometer: [0, 0, -1000], accShown: "0.000 0.000 -9.807",
                  magnetometer: [0, 0, 0], magnetShown: "0.000 0.000 0.000" },
                { tag: "Z-Rot typed", zRotTyped: "-90", field: [10, 20, 30],
                  accelerometer: [-1000, 0, 0], accShown: "-9.807 0.000 0.000",
                  magnetometer: [-2e-05, 1e-05, 3e-05], magnetShown: "-20.000 10.000 30.000" }
            ]
        }

        function test_pose(data) {
            sensorsEmulationManager.setMagneticFieldValues(data.field[0], data.field[1], data.field[2])
            show()
            waitForCalls("setMagnetometerValues", 1)
            guest.clear()
            if (data.zRotTyped) {
                var textField = Helpers.textField(sliders[2])
                textField.forceActiveFocus()
                textField.selectAll()
                for (var i = 0; i < data.zRotTyped.length; ++i)
                    keyClick(data.zRotTyped[i])
                // Leaving the field submits it; Return would reach the page's keys too.
                sliders[2].textFieldFocus = false
            } else {
                // A preset levels Y-Rot too.
                sliders[1].value = 45
                mouseClick(presetButton(data.preset))
            }
            waitForCalls("setMagnetometerValues", 1)
            compare(argumentsOf(callsOf("setAccelerometerValues")[0]), data.accelerometer)
            compareValues(argumentsOf(callsOf("setMagnetometerValues")[0]), data.magnetometer, "sent")
            compare(shown("accelerometer"), data.accShown)
            compare(shown("magnetometer"), data.magnetShown)
        }

        // Showing the page sends the three sensors; the clock then sends the
        // gyroscope in rotation mode, the accelerometer in move mode, ten
        // times a second while the page is shown.
        function test_clock_data() {
            return [
                { tag: "rotation", mode: "Rotation", method: "setGyroscopeValues", other: "setAccelerometerValues" },
                { tag: "move", mode: "Move", method: "setAccelerometerValues", other: "setGyroscopeValues" }
            ]
        }

        function test_clock(data) {
            show()
            tryVerify(function() { return guest.calls.length >= 3 })
            compare(guest.calls.slice(0, 3), ["setAccelerometerValues int32:0 int32:1000 int32:0",
                                              "setGyroscopeValues double:0 double:0 double:0",
                                              "setMagnetometerValues double:1e-05 double:2e-05 double:3e-05"])
            mouseClick(modeButton(data.mode))
            compare(modeButton(data.mode).checked, true)
            verify(guest.sync())
            guest.clear()
            wait(1000)
            var ticks = callsOf(data.method).length
            verify(ticks >= 6 && ticks <= 12, ticks + " calls in a second")
            compare(callsOf(data.other), [])

            page.active = false
            wait(100)
            guest.clear()
            wait(500)
            compare(guest.calls, [])
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
            waitForCalls("setGyroscopeValues", 2)
            guest.clear()
            keyClick(data.key, data.modifiers)
            var calls = firstChange("setGyroscopeValues", [0, 0, 0])
            compareValues(argumentsOf(calls[0]), data.gyroscope, "the tick after the key")
            compareValues(argumentsOf(calls[1]), [0, 0, 0], "the tick after that")
        }

        // 181 wraps to -180 at the next key press; the tick counts the way
        // over ±180 as 360 - 180 - 181 = -1 degree.
        function test_wrapAroundAtTheNextKeyPress() {
            show()
            sliders[2].value = 181
            waitForCalls("setGyroscopeValues", 4)
            guest.clear()
            keyClick(Qt.Key_Up)
            compare(sliders[2].value, -180)
            compare(sliders[0].value, 1)
            var calls = firstChange("setGyroscopeValues", [0, 0, 0])
            // X turned by one degree, Z by -1 while upside down.
            compareValues(argumentsOf(calls[0]), [-10, 0, -10], "the tick after the wrap")
        }

        function test_movementAboveThreeG() {
            show()
            mouseClick(modeButton("Move"))
            sliders[3].value = -2
            waitForCalls("setAccelerometerValues", 4)
            var texts = []
            line("accelerometer").textChanged.connect(function() { texts.push(shown("accelerometer")) })
            guest.clear()
            // From -12 cm to 12 cm in one tick: 48 m/s², then braking to a stop.
            sliders[3].value = 2
            var calls = firstChange("setAccelerometerValues", [0, 1000, 0])
            compare(calls, ["setAccelerometerValues int32:3000 int32:1000 int32:0",
                                        "setAccelerometerValues int32:-3000 int32:1000 int32:0"])
            compare(texts.slice(0, 2), ["47.994 9.807 0.000", "-47.994 9.807 0.000"])
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

        function test_gates_data() {
            return [
                { tag: "accelerometer unavailable", sensors: ["accelerometer"], available: false,
                  method: "setAccelerometerValues", sent: 0 },
                { tag: "accelerometer off", sensors: ["accelerometer"], available: true,
                  method: "setAccelerometerValues", sent: 0 },
                // Only the zeros of the activation.
                { tag: "gyroscope unavailable", sensors: ["gyroscope"], available: false,
                  method: "setGyroscopeValues", sent: 1 },
                { tag: "gyroscope off", sensors: ["gyroscope"], available: true,
                  method: "setGyroscopeValues", sent: 1 },
                { tag: "magnetometer unavailable", sensors: ["magnetometer"], available: false,
                  method: "setMagnetometerValues", sent: 0 },
                { tag: "magnetometer off", sensors: ["magnetometer"], available: true,
                  method: "setMagnetometerValues", sent: 0 },
                { tag: "none of the three", sensors: ["accelerometer", "gyroscope", "magnetometer"],
                  available: false, method: "setMagnetometerValues", sent: 0 }
            ]
        }

        function test_gates(data) {
            for (var i = 0; i < data.sensors.length; ++i) {
                if (data.available)
                    sensorsEmulationManager.setSensorEnabled(data.sensors[i], false)
                else
                    deviceConfig.setSensorAvailable(data.sensors[i], false)
            }
            show()
            mouseClick(presetButton(5))
            keyClick(Qt.Key_Right)
            verify(guest.sync())
            compare(callsOf(data.method).length, data.sent)
            verify(callsOf(data.method === "setGyroscopeValues" ? "setAccelerometerValues"
                                                                : "setGyroscopeValues").length > 0)

            var resultsShown = Helpers.find(page, function(item) { return item.text === "Resulting values" }).visible
            compare(resultsShown, data.sensors.length < 3)
            for (var j = 0; j < data.sensors.length; ++j) {
                compare(line(data.sensors[j]).visible, data.available && data.sensors.length < 3, data.sensors[j])
                compare(line(data.sensors[j]).enabled, false, data.sensors[j])
            }
        }

        name: "SmartphoneModelPage"
        when: windowShown
    }
}
