import QtQuick 2.5
import QtTest 1.2
import "qrc:/mimicry/qml"
import "helpers.js" as Helpers

// Wide enough for the panels side by side: the tests click every panel.
Item {
    width: 1600
    height: 1000

    MimicryView {
        id: view

        anchors.fill: parent
    }

    TestCase {
        id: testCase

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

        function init() {
            page.clearFocus()
            Helpers.resetSensors(sensorsEmulationManager, testDevice)
            sensorsEmulationManager.setDefaultValues()
            verify(guest.settle())
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
            var affected = () => panelSensors.filter(name => !(data.missing ? panel(name).visible
                                                                              : panel(name).controlsEnabled))
            var switchSensors = on => data.sensors.forEach(name => data.missing
                                                           ? testDevice.setSensorAvailable(name, on)
                                                           : sensorsEmulationManager.setSensorEnabled(name, on))
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

        // What the user may type in a slider's field (the accelerometer's
        // takes three decimals between -3 and 3), what Return and then
        // leaving the field send, and what the field then shows.
        // Rows: panel, slider row, keys, text typed, call sent, text shown.
        function test_typedValues_data() {
            return [
                ["accelerometer", 0, "1.2345", "1.234", "setAccelerometerX int32:1234", "1.234"],
                ["accelerometer", 0, "4", "0.000", "setAccelerometerX int32:0", "0.000"],
                ["accelerometer", 0, "-", "-", null, "0.000"],
                ["accelerometer", 0, "1.005", "1.005", "setAccelerometerX int32:1005", "1.005"],
                ["accelerometer", 0, "-0.029", "-0.029", "setAccelerometerX int32:-29", "-0.029"],
                ["magnetometer", 0, "-12.5", "-12.5", "setMagnetometerX double:-1.25e-05", "-12.500"],
                ["magnetometer", 3, "2", "2", "setMagnetometerCalibrationLevel int32:2", "2"],
                ["gyroscope", 1, "-7.25", "-7.25", "setGyroscopeY double:-7.25", "-7.250"],
                ["als", 0, "-1", "-1", "setAlsValue int32:-1", "-1"],
                ["proximity", 0, "7", "7", "setProximitySensorValue int32:7", "7"],
                ["compass", 1, "1", "1", "setMagnetometerCalibrationLevel int32:1", "1"],
                // The magnetic field lives on the host only.
                ["magneticField", 1, "33.3", "33.3", null, "33.300"]
            ].map(row => ({ tag: row[0] + " " + row[1] + " " + row[2], panel: row[0], row: row[1], keys: row[2],
                            typed: row[3], call: row[4], shown: row[5] }))
        }

        function test_typedValues(data) {
            var textField = field(data.panel, data.row)
            Helpers.typeInto(testCase, textField, data.keys)
            compare(textField.text, data.typed)
            var onReturn = data.call ? [data.call] : []

            keyClick(Qt.Key_Return)
            verify(guest.sync())
            compare(guest.calls, onReturn)

            // Leaving the field submits acceptable text again, unchanged or not.
            panel(data.panel).clearFocus()
            verify(!textField.activeFocus)
            verify(guest.sync())
            compare(guest.calls, onReturn.concat(onReturn))
            compare(textField.text, data.shown)
            if (data.panel === "magneticField")
                compare(sensorsEmulationManager.magneticField.y, 33.3)
        }

        // Every control shows its model's value, whatever set it. The light
        // level is the last one not above the lux value; below all it stays.
        // Rows: panel, slider row (null for the combo box), setter, value, text.
        function test_controlsFollowTheModels_data() {
            var levels = [[-5, "Light"], [-1, "Undefined"], [0, "Dark"], [9, "Dark"], [10, "Twilight"],
                          [79, "Twilight"], [80, "Light"], [399, "Light"], [400, "Bright"], [2499, "Bright"],
                          [2500, "Sunny"]]
            var taps = [[-1, "Undefined"], [0, "X_Both"], [5, "Z_Neg"], [8, "Y_Neg"]]
            return [
                ["accelerometer", 2, "setAccelerometerZ", -1234, "-1.234"],
                ["magnetometer", 1, "setMagnetometerY", -2.5e-5, "-25.000"],
                ["magnetometer", 3, "setMagnetometerCalibrationLevel", 2, "2"],
                ["magneticField", 0, "setMagneticFieldX", -12.5, "-12.500"],
                ["compass", 1, "setCompassCalibrationLevel", 3, "3"],
                ["als", 0, "setAlsLuxValue", 2500, "2500"],
                ["proximity", 0, "setProximitySensorNearValue", false, "10"]
            ].concat(taps.map(row => ["tap", null, "setTapSensorValue", row[0], row[1]]),
                     levels.map(row => ["als", null, "setAlsLuxValue", row[0], row[1]]))
                .map(row => ({ tag: row[2] + " " + row[3] + (row[1] === null ? ", combo box" : ""),
                               panel: row[0], row: row[1], set: row[2], to: row[3], shown: row[4] }))
        }

        function test_controlsFollowTheModels(data) {
            sensorsEmulationManager[data.set](data.to)
            var control = data.row === null ? Helpers.comboBox(panel(data.panel)) : field(data.panel, data.row)
            compare(data.row === null ? control.currentText : control.text, data.shown)
        }

        function test_derivedValues_data() {
            return [
                { tag: "accelerometer in m/s²", panel: "accelerometer", pattern: /m\/s²$/,
                  shown: ["0.000 m/s²", "0.000 m/s²", "9.807 m/s²"],
                  change: () => sensorsEmulationManager.setAccelerometerValues(-3000, 1500, 0),
                  changed: ["-29.420 m/s²", "14.710 m/s²", "0.000 m/s²"] },
                { tag: "share of the reflectance", panel: "proximity", pattern: /^\d\.\d{5}/, shown: ["0.48876"],
                  change: () => sensorsEmulationManager.setProximitySensorNearValue(false), changed: ["0.97752"] }
            ]
        }

        function test_derivedValues(data) {
            var derived = () => Helpers.findAll(panel(data.panel), item => item.visible
                                                && typeof item.text === "string" && data.pattern.test(item.text))
                .map(item => item.text.trim())
            compare(derived(), data.shown)
            data.change()
            compare(derived(), data.changed)
        }

        function test_resetValuesSubmitsTheFocusedFieldFirst() {
            sensorsEmulationManager.setDefaultValues()
            tryVerify(() => guest.calls.length === 7)
            var defaults = guest.calls.slice()
            guest.clear()

            Helpers.typeInto(testCase, field("accelerometer", 1), "0.5")
            mouseClick(Helpers.button(page, "Reset values"))
            tryCompare(guest, "calls", ["setAccelerometerY int32:500"].concat(defaults))
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
                  then: () => sensorsEmulationManager.setAccelerometerValues(0, -100, 0), followed: "TopDown" }
            ]
        }

        function test_choosingFromAComboBox(data) {
            var comboBox = Helpers.comboBox(panel(data.panel))
            compare(comboBox.currentText, data.shown)
            comboBox.forceActiveFocus()
            data.keys.forEach(key => keyClick(key))
            compare(comboBox.currentText, data.chosen)
            tryCompare(guest, "calls", data.calls)
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
            tryCompare(guest, "calls", ["setProximitySensorValue int32:10", "setProximitySensorValue int32:0"])
            compare(field("proximity", 0).text, "0")
        }

        // Each step of a drag is sent once; keys move the handle only.
        function test_draggingSendsEveryStep() {
            var row = Helpers.sliders(panel("proximity"))[0]
            var slider = Helpers.find(row, item => item.minimumValue !== undefined)
            compare(slider.value, 5)
            mousePress(slider, slider.width / 2, slider.height / 2)
            for (var x = slider.width / 2; x <= slider.width; x += 4)
                mouseMove(slider, x, slider.height / 2)
            mouseRelease(slider, slider.width, slider.height / 2)
            compare(slider.value, 10)

            tryVerify(() => guest.calls[guest.calls.length - 1] === "setProximitySensorValue int32:10")
            var values = guest.calls.map(call => Number(/^setProximitySensorValue int32:(\d+)$/.exec(call)[1]))
            verify(values.length >= 2, "a drag over several steps sends several values")
            compare(values.filter((value, i) => i > 0 && value === values[i - 1]), [], "one call per change")
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
