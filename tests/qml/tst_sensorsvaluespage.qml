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

        function panelsWhere(predicate) {
            return panelSensors.filter(function(name) { return predicate(panel(name)) })
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
            verify(guest.sync())
            guest.clear()
        }

        // A switched-off sensor greys its panels out, a missing one hides them.
        function test_panelsFollowTheSensors_data() {
            return [
                { tag: "accelerometer off", sensors: ["accelerometer"], panels: ["accelerometer"] },
                { tag: "magnetometer off", sensors: ["magnetometer"], panels: ["magneticField", "magnetometer"] },
                { tag: "als off", sensors: ["als"], panels: ["als"] },
                { tag: "tap off", sensors: ["tap"], panels: ["tap"] },
                { tag: "magnetometer and proximity missing", missing: true, sensors: ["magnetometer", "proximity"],
                  panels: ["magneticField", "magnetometer", "proximity"] }
            ]
        }

        function test_panelsFollowTheSensors(data) {
            var affected = function() {
                return panelsWhere(function(item) { return !(data.missing ? item.visible : item.controlsEnabled) })
            }
            var switchSensors = function(on) {
                for (var i = 0; i < data.sensors.length; ++i) {
                    if (data.missing)
                        deviceConfig.setSensorAvailable(data.sensors[i], on)
                    else
                        sensorsEmulationManager.setSensorEnabled(data.sensors[i], on)
                }
            }
            compare(affected(), [])
            switchSensors(false)
            compare(affected(), data.panels)
            // Greyed out means the controls take no input.
            for (var i = 0; i < data.panels.length && !data.missing; ++i) {
                var sliders = Helpers.sliders(panel(data.panels[i]))
                var control = sliders.length > 0 ? Helpers.textField(sliders[0])
                                                 : Helpers.comboBox(panel(data.panels[i]))
                compare(control.enabled, false, data.panels[i])
            }
            switchSensors(true)
            compare(affected(), [])
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
            verify(guest.sync())
            compare(guest.calls, data.onReturn)

            // Leaving the field submits acceptable text again, unchanged or not.
            panel("accelerometer").clearFocus()
            verify(!textField.activeFocus)
            var afterFocusOut = data.onReturn.concat(data.onReturn)
            tryVerify(function() { return guest.calls.length === afterFocusOut.length })
            verify(guest.sync())
            compare(guest.calls, afterFocusOut)
            compare(textField.text, data.shown)
        }

        // Every control shows its model's value, whatever set it. The light
        // level is the last one not above the lux value; below all it stays.
        function test_controlsFollowTheModels_data() {
            return [
                { tag: "accelerometer", panel: "accelerometer", row: 2, set: "setAccelerometerZ", to: -1234,
                  shown: "-1.234" },
                { tag: "magnetometer in microtesla", panel: "magnetometer", row: 1, set: "setMagnetometerY",
                  to: -2.5e-5, shown: "-25.000" },
                { tag: "magnetometer level", panel: "magnetometer", row: 3, set: "setMagnetometerCalibrationLevel",
                  to: 2, shown: "2" },
                { tag: "magnetic field", panel: "magneticField", row: 0, set: "setMagneticFieldX", to: -12.5,
                  shown: "-12.500" },
                { tag: "compass level", panel: "compass", row: 1, set: "setCompassCalibrationLevel", to: 3,
                  shown: "3" },
                { tag: "lux", panel: "als", row: 0, set: "setAlsLuxValue", to: 2500, shown: "2500" },
                { tag: "reflectance", panel: "proximity", row: 0, set: "setProximitySensorNearValue", to: false,
                  shown: "10" },
                { tag: "tap -1", panel: "tap", set: "setTapSensorValue", to: -1, shown: "Undefined" },
                { tag: "tap 0", panel: "tap", set: "setTapSensorValue", to: 0, shown: "X_Both" },
                { tag: "tap 5", panel: "tap", set: "setTapSensorValue", to: 5, shown: "Z_Neg" },
                { tag: "tap 8", panel: "tap", set: "setTapSensorValue", to: 8, shown: "Y_Neg" },
                { tag: "lux -5", panel: "als", set: "setAlsLuxValue", to: -5, shown: "Light" },
                { tag: "lux -1", panel: "als", set: "setAlsLuxValue", to: -1, shown: "Undefined" },
                { tag: "lux 0", panel: "als", set: "setAlsLuxValue", to: 0, shown: "Dark" },
                { tag: "lux 9", panel: "als", set: "setAlsLuxValue", to: 9, shown: "Dark" },
                { tag: "lux 10", panel: "als", set: "setAlsLuxValue", to: 10, shown: "Twilight" },
                { tag: "lux 79", panel: "als", set: "setAlsLuxValue", to: 79, shown: "Twilight" },
                { tag: "lux 80", panel: "als", set: "setAlsLuxValue", to: 80, shown: "Light" },
                { tag: "lux 2499", panel: "als", set: "setAlsLuxValue", to: 2499, shown: "Bright" },
                { tag: "lux 2500", panel: "als", set: "setAlsLuxValue", to: 2500, shown: "Sunny" }
            ]
        }

        function test_controlsFollowTheModels(data) {
            sensorsEmulationManager[data.set](data.to)
            if (data.row === undefined)
                compare(Helpers.comboBox(panel(data.panel)).currentText, data.shown)
            else
                compare(field(data.panel, data.row).text, data.shown)
        }

        function test_submittedValuesReachTheManager_data() {
            return [
                { tag: "magnetometer x", panel: "magnetometer", row: 0, keys: "-12.5",
                  call: "setMagnetometerX double:-1.25e-05" },
                { tag: "magnetometer level", panel: "magnetometer", row: 3, keys: "2",
                  call: "setMagnetometerCalibrationLevel int32:2" },
                { tag: "gyroscope y", panel: "gyroscope", row: 1, keys: "-7.25", call: "setGyroscopeY double:-7.25" },
                { tag: "lux at its bottom", panel: "als", row: 0, keys: "-1", call: "setAlsValue int32:-1" },
                { tag: "reflectance", panel: "proximity", row: 0, keys: "7", call: "setProximitySensorValue int32:7" },
                { tag: "compass level", panel: "compass", row: 1, keys: "1",
                  call: "setMagnetometerCalibrationLevel int32:1" },
                // The magnetic field lives on the host only.
                { tag: "magnetic field y", panel: "magneticField", row: 1, keys: "33.3", hostY: 33.3 }
            ]
        }

        function test_submittedValuesReachTheManager(data) {
            typeInto(field(data.panel, data.row), data.keys)
            keyClick(Qt.Key_Return)
            if (!data.call) {
                compare(sensorsEmulationManager.magneticField.y, data.hostY)
                verify(guest.sync())
            }
            tryVerify(function() { return guest.calls.length === (data.call ? 1 : 0) })
            compare(guest.calls, data.call ? [data.call] : [])
        }

        function test_derivedValues_data() {
            return [
                { tag: "accelerometer in m/s²", panel: "accelerometer", pattern: /m\/s²$/,
                  shown: ["0.000 m/s²", "0.000 m/s²", "9.807 m/s²"],
                  change: function() { sensorsEmulationManager.setAccelerometerValues(-3000, 1500, 0) },
                  changed: ["-29.420 m/s²", "14.710 m/s²", "0.000 m/s²"] },
                { tag: "share of the reflectance", panel: "proximity", pattern: /^\d\.\d{5}/, shown: ["0.48876"],
                  change: function() { sensorsEmulationManager.setProximitySensorNearValue(false) },
                  changed: ["0.97752"] }
            ]
        }

        function test_derivedValues(data) {
            var derived = function() {
                return Helpers.findAll(panel(data.panel), function(item) {
                    return item.visible && typeof item.text === "string" && data.pattern.test(item.text)
                }).map(function(item) { return item.text.trim() })
            }
            compare(derived(), data.shown)
            data.change()
            compare(derived(), data.changed)
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

        // Keys on a combo box choose an entry and send it; the entry then
        // follows the model again.
        function test_choosingFromAComboBox_data() {
            return [
                { tag: "light level", panel: "als", shown: "Light", keys: [Qt.Key_Up], chosen: "Twilight",
                  calls: ["setAlsValue int32:10"], field: "10" },
                { tag: "tap direction", panel: "tap", shown: "Undefined", keys: [Qt.Key_Down, Qt.Key_Down],
                  chosen: "Y_Both", calls: ["setTapSensorValue int32:0", "setTapSensorValue int32:1"] },
                // The orientation the accelerometer gives.
                { tag: "orientation", panel: "orientation", shown: "FaceUp", keys: [Qt.Key_Up], chosen: "RightUp",
                  calls: ["setAccelerometerValues int32:100 int32:0 int32:0"],
                  then: function() { sensorsEmulationManager.setAccelerometerValues(0, -100, 0) },
                  followed: "TopDown" }
            ]
        }

        function test_choosingFromAComboBox(data) {
            var comboBox = Helpers.comboBox(panel(data.panel))
            compare(comboBox.currentText, data.shown)
            comboBox.forceActiveFocus()
            for (var i = 0; i < data.keys.length; ++i)
                keyClick(data.keys[i])
            compare(comboBox.currentText, data.chosen)
            tryVerify(function() { return guest.calls.length === data.calls.length })
            compare(guest.calls, data.calls)
            if (data.field)
                compare(field(data.panel, 0).text, data.field)
            if (data.then) {
                data.then()
                compare(comboBox.currentText, data.followed)
            }
        }

        function test_nearAndFar() {
            mouseClick(Helpers.button(panel("proximity"), "Far"))
            mouseClick(Helpers.button(panel("proximity"), "Near"))
            tryVerify(function() { return guest.calls.length === 2 })
            compare(guest.calls, ["setProximitySensorValue int32:10", "setProximitySensorValue int32:0"])
            compare(field("proximity", 0).text, "0")
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
            verify(guest.sync())
            compare(guest.calls, [])
        }

        name: "SensorsValuesPage"
        when: windowShown
    }
}
