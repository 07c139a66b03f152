import QtQuick 2.5
import QtTest 1.2
import "qrc:/mimicry/qml"
import "helpers.js" as Helpers

Item {
    width: 1100
    height: 600

    MimicryView {
        id: view
    }

    TestCase {
        readonly property var page: view.pagesIds[1]
        readonly property var panelSensors: ["accelerometer", "compass", "orientation", "magneticField",
            "magnetometer", "gyroscope", "als", "proximity", "tap"]

        function panel(name) {
            return page.sensorsControlsIds[panelSensors.indexOf(name)]
        }

        // The text field of the n-th slider row of a panel.
        function field(panelName, row) {
            return Helpers.textField(Helpers.sliders(panel(panelName))[row])
        }

        function typeInto(textField, keys) {
            textField.forceActiveFocus()
            verify(textField.activeFocus)
            textField.selectAll()
            for (var i = 0; i < keys.length; ++i)
                keyClick(keys[i])
        }

        function disabledPanels() {
            var names = []
            for (var i = 0; i < panelSensors.length; ++i) {
                if (!page.sensorsControlsIds[i].controlsEnabled)
                    names.push(panelSensors[i])
            }
            return names
        }

        function hiddenPanels() {
            var names = []
            for (var i = 0; i < panelSensors.length; ++i) {
                if (!page.sensorsControlsIds[i].visible)
                    names.push(panelSensors[i])
            }
            return names
        }

        function init() {
            page.clearFocus()
            for (var n = 0; n < Helpers.sensorNames.length; ++n) {
                if (!sensorsEmulationManager.sensorsAvailability[Helpers.sensorNames[n]])
                    deviceConfig.setSensorAvailable(Helpers.sensorNames[n], true)
                sensorsEmulationManager.setSensorEnabled(Helpers.sensorNames[n], true)
            }
            sensorsEmulationManager.setDefaultValues()
            // Lines of an earlier test may still be on their way.
            wait(100)
            guest.clear()
        }

        function test_disabledSensorGreysItsPanels_data() {
            return [
                { tag: "accelerometer", sensor: "accelerometer", panels: ["accelerometer"] },
                { tag: "magnetometer", sensor: "magnetometer", panels: ["magneticField", "magnetometer"] },
                { tag: "als", sensor: "als", panels: ["als"] },
                { tag: "tap", sensor: "tap", panels: ["tap"] }
            ]
        }

        function test_disabledSensorGreysItsPanels(data) {
            compare(disabledPanels(), [])
            sensorsEmulationManager.setSensorEnabled(data.sensor, false)
            compare(disabledPanels(), data.panels)
            // Greyed out means the controls take no input.
            for (var i = 0; i < data.panels.length; ++i) {
                var sliders = Helpers.sliders(panel(data.panels[i]))
                var control = sliders.length > 0 ? Helpers.textField(sliders[0])
                                                 : Helpers.comboBox(panel(data.panels[i]))
                compare(control.enabled, false, data.panels[i])
            }
            sensorsEmulationManager.setSensorEnabled(data.sensor, true)
            compare(disabledPanels(), [])
        }

        function test_unavailableSensorHidesItsPanels() {
            deviceConfig.setSensorAvailable("magnetometer", false)
            deviceConfig.setSensorAvailable("proximity", false)
            compare(hiddenPanels(), ["magneticField", "magnetometer", "proximity"])
            deviceConfig.setSensorAvailable("magnetometer", true)
            deviceConfig.setSensorAvailable("proximity", true)
            compare(hiddenPanels(), [])
        }

        // What the user may type in a field of three decimals between -3 and
        // 3, and what Return and then leaving the field send.
        function test_accelerometerField_data() {
            return [
                { tag: "fourth decimal refused", keys: "1.2345", typed: "1.234",
                  onReturn: ["setAccelerometerX int32:1234"], shown: "1.234" },
                { tag: "out of range refused", keys: "4", typed: "0.000",
                  onReturn: ["setAccelerometerX int32:0"], shown: "0.000" },
                { tag: "minus alone", keys: "-", typed: "-", onReturn: [], shown: "0.000" },
                { tag: "negative", keys: "-2.5", typed: "-2.5",
                  onReturn: ["setAccelerometerX int32:-2500"], shown: "-2.500" },
                { tag: "typed thousandths arrive whole", keys: "1.005", typed: "1.005",
                  onReturn: ["setAccelerometerX int32:1005"], shown: "1.005" },
                { tag: "small negative", keys: "-0.029", typed: "-0.029",
                  onReturn: ["setAccelerometerX int32:-29"], shown: "-0.029" }
            ]
        }

        function test_accelerometerField(data) {
            var textField = field("accelerometer", 0)
            compare(textField.text, "0.000")
            typeInto(textField, data.keys)
            compare(textField.text, data.typed)

            keyClick(Qt.Key_Return)
            tryVerify(function() { return guest.calls.length === data.onReturn.length })
            wait(50)
            compare(guest.calls, data.onReturn)

            // Leaving the field submits acceptable text again, unchanged or not.
            panel("accelerometer").clearFocus()
            verify(!textField.activeFocus)
            var afterFocusOut = data.onReturn.concat(data.onReturn)
            tryVerify(function() { return guest.calls.length === afterFocusOut.length })
            wait(50)
            compare(guest.calls, afterFocusOut)
            compare(textField.text, data.shown)
        }

        function test_leavingAnUnacceptableFieldRestoresIt() {
            var textField = field("gyroscope", 2)
            compare(textField.text, "1.146")
            typeInto(textField, "-")
            page.clearFocus()
            compare(textField.text, "1.146")
            wait(100)
            compare(guest.calls, [])

            // The field follows the slider again afterwards.
            sensorsEmulationManager.setGyroscopeZ(2.25)
            compare(textField.text, "2.250")
        }

        function test_fieldsFollowTheModels_data() {
            return [
                { tag: "accelerometer", panel: "accelerometer", row: 2,
                  change: function() { sensorsEmulationManager.setAccelerometerZ(-1234) }, shown: "-1.234" },
                { tag: "magnetometer in microtesla", panel: "magnetometer", row: 1,
                  change: function() { sensorsEmulationManager.setMagnetometerY(-2.5e-5) }, shown: "-25.000" },
                { tag: "magnetometer level", panel: "magnetometer", row: 3,
                  change: function() { sensorsEmulationManager.setMagnetometerCalibrationLevel(2) }, shown: "2" },
                { tag: "magnetic field", panel: "magneticField", row: 0,
                  change: function() { sensorsEmulationManager.setMagneticFieldX(-12.5) }, shown: "-12.500" },
                { tag: "compass level", panel: "compass", row: 1,
                  change: function() { sensorsEmulationManager.setCompassCalibrationLevel(3) }, shown: "3" },
                { tag: "lux", panel: "als", row: 0,
                  change: function() { sensorsEmulationManager.setAlsLuxValue(2500) }, shown: "2500" },
                { tag: "reflectance", panel: "proximity", row: 0,
                  change: function() { sensorsEmulationManager.setProximitySensorNearValue(false) }, shown: "10" }
            ]
        }

        function test_fieldsFollowTheModels(data) {
            data.change()
            compare(field(data.panel, data.row).text, data.shown)
        }

        function test_submittedValuesReachTheManager_data() {
            return [
                { tag: "magnetometer x", panel: "magnetometer", row: 0, keys: "-12.5",
                  call: "setMagnetometerX double:-1.25e-05" },
                { tag: "magnetometer level", panel: "magnetometer", row: 3, keys: "2",
                  call: "setMagnetometerCalibrationLevel int32:2" },
                { tag: "gyroscope y", panel: "gyroscope", row: 1, keys: "-7.25", call: "setGyroscopeY double:-7.25" },
                { tag: "lux", panel: "als", row: 0, keys: "400", call: "setAlsValue int32:400" },
                { tag: "reflectance", panel: "proximity", row: 0, keys: "7", call: "setProximitySensorValue int32:7" },
                { tag: "compass level", panel: "compass", row: 1, keys: "1",
                  call: "setMagnetometerCalibrationLevel int32:1" }
            ]
        }

        function test_submittedValuesReachTheManager(data) {
            typeInto(field(data.panel, data.row), data.keys)
            keyClick(Qt.Key_Return)
            tryVerify(function() { return guest.calls.length === 1 })
            compare(guest.calls, [data.call])
        }

        // The magnetic field lives on the host only.
        function test_magneticFieldStaysOnTheHost() {
            typeInto(field("magneticField", 1), "33.3")
            keyClick(Qt.Key_Return)
            compare(sensorsEmulationManager.magneticField.y, 33.3)
            wait(100)
            compare(guest.calls, [])
        }

        function test_accelerometerShowsMetresPerSecondSquared() {
            var derived = function() {
                return Helpers.findAll(panel("accelerometer"), function(item) {
                    return item.visible && typeof item.text === "string" && item.text.indexOf("m/s²") >= 0
                }).map(function(item) { return item.text })
            }
            compare(derived(), ["0.000 m/s²", "0.000 m/s²", "9.807 m/s²"])
            sensorsEmulationManager.setAccelerometerValues(-3000, 1500, 0)
            compare(derived(), ["-29.420 m/s²", "14.710 m/s²", "0.000 m/s²"])
        }

        function test_resetValuesSubmitsTheFocusedFieldFirst() {
            sensorsEmulationManager.setDefaultValues()
            tryVerify(function() { return guest.calls.length === 7 })
            var defaults = guest.calls.slice()
            guest.clear()

            typeInto(field("accelerometer", 1), "0.5")
            mouseClick(Helpers.button(page, "Reset values"))
            tryVerify(function() { return guest.calls.length === 8 })
            compare(guest.calls, ["setAccelerometerY int32:500"].concat(defaults))
            compare(field("accelerometer", 1).text, "0.000")
        }

        function test_lightLevelFollowsLux_data() {
            return [
                { tag: "-1", lux: "-1", level: "Undefined" },
                { tag: "0", lux: "0", level: "Dark" },
                { tag: "9", lux: "9", level: "Dark" },
                { tag: "10", lux: "10", level: "Twilight" },
                { tag: "79", lux: "79", level: "Twilight" },
                { tag: "80", lux: "80", level: "Light" },
                { tag: "2499", lux: "2499", level: "Bright" },
                { tag: "2500", lux: "2500", level: "Sunny" }
            ]
        }

        function test_lightLevelFollowsLux(data) {
            typeInto(field("als", 0), data.lux)
            keyClick(Qt.Key_Return)
            tryVerify(function() { return guest.calls.length === 1 })
            compare(guest.calls, ["setAlsValue int32:" + data.lux])
            compare(Helpers.comboBox(panel("als")).currentText, data.level)
        }

        function test_luxBelowEveryLevelKeepsTheSelection() {
            var comboBox = Helpers.comboBox(panel("als"))
            compare(comboBox.currentText, "Light")
            sensorsEmulationManager.setAlsLuxValue(-5)
            compare(comboBox.currentText, "Light")
        }

        function test_choosingALightLevel() {
            var comboBox = Helpers.comboBox(panel("als"))
            compare(comboBox.currentText, "Light")
            comboBox.forceActiveFocus()
            keyClick(Qt.Key_Up)
            compare(comboBox.currentText, "Twilight")
            tryVerify(function() { return guest.calls.length === 1 })
            compare(guest.calls, ["setAlsValue int32:10"])
            compare(Helpers.sliders(panel("als"))[0].value, 10)
            compare(field("als", 0).text, "10")
        }

        function test_tapDirectionShown_data() {
            return [
                { tag: "Undefined", direction: -1, index: 0, text: "Undefined" },
                { tag: "X_Both", direction: 0, index: 1, text: "X_Both" },
                { tag: "Z_Neg", direction: 5, index: 6, text: "Z_Neg" },
                { tag: "Y_Neg", direction: 8, index: 9, text: "Y_Neg" }
            ]
        }

        function test_tapDirectionShown(data) {
            sensorsEmulationManager.setTapSensorValue(data.direction)
            var comboBox = Helpers.comboBox(panel("tap"))
            compare(comboBox.currentIndex, data.index)
            compare(comboBox.currentText, data.text)
        }

        function test_choosingATapDirection() {
            var comboBox = Helpers.comboBox(panel("tap"))
            compare(comboBox.currentText, "Undefined")
            comboBox.forceActiveFocus()
            keyClick(Qt.Key_Down)
            keyClick(Qt.Key_Down)
            tryVerify(function() { return guest.calls.length === 2 })
            compare(guest.calls, ["setTapSensorValue int32:0", "setTapSensorValue int32:1"])
            compare(sensorsEmulationManager.tap.tapDirection, 1)
        }

        function test_choosingAnOrientation() {
            var comboBox = Helpers.comboBox(panel("orientation"))
            compare(comboBox.currentText, "FaceUp")
            comboBox.forceActiveFocus()
            keyClick(Qt.Key_Up)
            compare(comboBox.currentText, "RightUp")
            tryVerify(function() { return guest.calls.length === 1 })
            compare(guest.calls, ["setAccelerometerValues int32:100 int32:0 int32:0"])

            // The entry follows the orientation that the accelerometer gives.
            sensorsEmulationManager.setAccelerometerValues(0, -100, 0)
            compare(comboBox.currentText, "TopDown")
        }

        function test_nearAndFar() {
            mouseClick(Helpers.button(panel("proximity"), "Far"))
            mouseClick(Helpers.button(panel("proximity"), "Near"))
            tryVerify(function() { return guest.calls.length === 2 })
            compare(guest.calls, ["setProximitySensorValue int32:10", "setProximitySensorValue int32:0"])
            compare(field("proximity", 0).text, "0")
        }

        function test_reflectanceShowsItsShare() {
            var share = Helpers.find(panel("proximity"), function(item) {
                return item.visible && typeof item.text === "string" && /^\d\.\d{5}/.test(item.text)
            })
            verify(share)
            compare(share.text.trim(), "0.48876")
            sensorsEmulationManager.setProximitySensorNearValue(false)
            compare(share.text.trim(), "0.97752")
        }

        // Each step of a drag is sent; keys move the handle only.
        function test_draggingSendsEveryStep() {
            var row = Helpers.sliders(panel("proximity"))[0]
            var slider = Helpers.find(row, function(item) { return item.minimumValue !== undefined })
            compare(slider.value, 5)
            mousePress(slider, slider.width / 2, slider.height / 2)
            for (var x = slider.width / 2; x <= slider.width; x += 4)
                mouseMove(slider, x, slider.height / 2)
            mouseRelease(slider, slider.width, slider.height / 2)
            compare(slider.value, 10)

            tryVerify(function() { return guest.calls.length > 0
                                   && guest.calls[guest.calls.length - 1] === "setProximitySensorValue int32:10" })
            var calls = guest.calls.slice()
            verify(calls.length >= 2, "a drag over several steps sends several values")
            for (var i = 0; i < calls.length; ++i) {
                verify(/^setProximitySensorValue int32:\d+$/.test(calls[i]), calls[i])
                if (i > 0)
                    verify(calls[i] !== calls[i - 1], "one call per change: " + calls)
            }
            compare(sensorsEmulationManager.proximity.reflectance, 10)

            guest.clear()
            slider.forceActiveFocus()
            keyClick(Qt.Key_Left)
            compare(slider.value, 9)
            wait(100)
            compare(guest.calls, [])
        }

        name: "SensorsValuesPage"
        when: windowShown
    }
}
