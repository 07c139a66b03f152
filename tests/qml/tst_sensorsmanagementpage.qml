import QtQuick 2.5
import QtQuick.Dialogs 1.2
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
        readonly property var page: view.pagesIds[0]
        readonly property var valuesPage: view.pagesIds[1]
        readonly property string exitQuestion: "The sensor configuration has been changed. "
            + "Apply or discard changes?"

        function box(sensorName) {
            for (var i = 0; i < page.sensorsControlsIds.length; ++i) {
                if (page.sensorsControlsIds[i].sensorName === sensorName)
                    return page.sensorsControlsIds[i]
            }
            return null
        }

        function checkedNames() {
            var names = []
            for (var i = 0; i < page.sensorsControlsIds.length; ++i) {
                if (page.sensorsControlsIds[i].checked)
                    names.push(page.sensorsControlsIds[i].sensorName)
            }
            return names
        }

        function setAllHostStates(enabled) {
            for (var i = 0; i < Helpers.sensorNames.length; ++i)
                sensorsEmulationManager.setSensorEnabled(Helpers.sensorNames[i], enabled)
        }

        function enabledNames() {
            var names = []
            var states = sensorsEmulationManager.sensorsEnabledStates
            for (var i = 0; i < Helpers.sensorNames.length; ++i) {
                if (states[Helpers.sensorNames[i]])
                    names.push(Helpers.sensorNames[i])
            }
            return names
        }

        function without(names, removed) {
            return names.filter(function(name) { return removed.indexOf(name) < 0 })
        }

        function activePage() {
            for (var i = 0; i < view.pagesIds.length; ++i) {
                if (view.pagesIds[i].active)
                    return view.pagesIds[i]
            }
            return null
        }

        function init() {
            dialogs.stopAnswering()
            for (var n = 0; n < Helpers.sensorNames.length; ++n) {
                if (!sensorsEmulationManager.sensorsAvailability[Helpers.sensorNames[n]])
                    deviceConfig.setSensorAvailable(Helpers.sensorNames[n], true)
            }
            setAllHostStates(true)
            for (var i = 0; i < view.pagesIds.length; ++i)
                view.pagesIds[i].active = false
            page.active = true
            // Lines of an earlier test may still be on their way.
            verify(guest.sync())
            guest.clear()
        }

        function cleanup() {
            dialogs.stopAnswering()
        }

        function test_boxesShowTheHostStatesWhenShown() {
            page.active = false
            sensorsEmulationManager.setSensorEnabled("gyroscope", false)
            sensorsEmulationManager.setSensorEnabled("tap", false)
            compare(box("gyroscope").checked, true, "a hidden page keeps its boxes")
            page.active = true
            compare(checkedNames(), without(Helpers.sensorNames, ["gyroscope", "tap"]))
        }

        // Ticking a sensor ticks what it needs, clearing one clears what
        // needs it; the host and the guest learn nothing before Apply.
        function test_dependencies_data() {
            var all = Helpers.sensorNames
            return [
                { tag: "clear accelerometer", from: all, click: "accelerometer",
                  expected: without(all, ["accelerometer", "compass", "orientation"]) },
                { tag: "clear magnetometer", from: all, click: "magnetometer",
                  expected: without(all, ["magnetometer", "compass"]) },
                { tag: "clear compass", from: all, click: "compass", expected: without(all, ["compass"]) },
                { tag: "clear orientation", from: all, click: "orientation",
                  expected: without(all, ["orientation"]) },
                { tag: "clear gyroscope", from: all, click: "gyroscope", expected: without(all, ["gyroscope"]) },
                { tag: "clear als", from: all, click: "als", expected: without(all, ["als"]) },
                { tag: "clear proximity", from: all, click: "proximity", expected: without(all, ["proximity"]) },
                { tag: "clear tap", from: all, click: "tap", expected: without(all, ["tap"]) },
                { tag: "tick compass", from: [], click: "compass",
                  expected: ["accelerometer", "compass", "magnetometer"] },
                { tag: "tick orientation", from: [], click: "orientation",
                  expected: ["accelerometer", "orientation"] },
                { tag: "tick accelerometer", from: [], click: "accelerometer", expected: ["accelerometer"] },
                { tag: "tick magnetometer", from: [], click: "magnetometer", expected: ["magnetometer"] },
                { tag: "tick als", from: [], click: "als", expected: ["als"] },
                { tag: "tick tap", from: [], click: "tap", expected: ["tap"] },
                { tag: "tick compass, magnetometer already ticked", from: ["magnetometer", "gyroscope"],
                  click: "compass", expected: ["accelerometer", "compass", "magnetometer", "gyroscope"] }
            ]
        }

        function test_dependencies(data) {
            setAllHostStates(false)
            for (var i = 0; i < data.from.length; ++i)
                sensorsEmulationManager.setSensorEnabled(data.from[i], true)
            page.reset()
            compare(checkedNames(), data.from)
            var hostStates = enabledNames()

            mouseClick(box(data.click))
            compare(checkedNames(), data.expected)
            verify(guest.sync())
            compare(guest.calls, [])
            compare(enabledNames(), hostStates)
        }

        function test_resetDropsLocalChanges() {
            mouseClick(box("accelerometer"))
            mouseClick(box("gyroscope"))
            mouseClick(Helpers.button(page, "Reset"))
            compare(checkedNames(), Helpers.sensorNames)
            compare(guest.calls, [])
        }

        // Hidden boxes are still sent, so the guest switches those sensors off.
        function test_applySendsEveryBoxInOrder() {
            deviceConfig.setSensorAvailable("tap", false)
            tryVerify(function() { return guest.calls.length === 1 })
            guest.clear()
            mouseClick(box("magnetometer"))
            mouseClick(box("als"))
            mouseClick(Helpers.button(page, "Apply"))
            tryVerify(function() { return guest.calls.length === 8 })
            compare(guest.calls, [
                "enableSensor string:accelerometer",
                "disableSensor string:compass",
                "enableSensor string:orientation",
                "disableSensor string:magnetometer",
                "enableSensor string:gyroscope",
                "disableSensor string:als",
                "enableSensor string:proximity",
                "disableSensor string:tap"
            ])
            compare(enabledNames(), without(Helpers.sensorNames, ["compass", "magnetometer", "als", "tap"]))
            compare(checkedNames(), enabledNames())
        }

        function test_leaving_data() {
            return [
                { tag: "unchanged", unchanged: true, answer: StandardButton.Discard, switched: true,
                  enabled: Helpers.sensorNames, calls: 0 },
                { tag: "Apply", answer: StandardButton.Apply, switched: true,
                  enabled: without(Helpers.sensorNames, ["gyroscope"]), calls: 8 },
                { tag: "Discard", answer: StandardButton.Discard, switched: true,
                  enabled: Helpers.sensorNames, calls: 0 },
                { tag: "closed without an answer", answer: StandardButton.Close, switched: false,
                  enabled: Helpers.sensorNames, calls: 0 }
            ]
        }

        function test_leaving(data) {
            if (!data.unchanged)
                mouseClick(box("gyroscope"))
            dialogs.answerWith(data.answer)
            mouseClick(Helpers.pageButton(view, "Sensors Values"))

            var boxes = dialogs.answeredBoxes()
            compare(boxes.length, data.unchanged ? 0 : 1)
            if (!data.unchanged) {
                compare(boxes[0].text, exitQuestion)
                compare(boxes[0].buttons, StandardButton.Discard | StandardButton.Apply)
                compare(boxes[0].checkBoxVisible, false)
            }
            compare(activePage(), data.switched ? valuesPage : page)
            compare(enabledNames(), data.enabled)
            tryVerify(function() { return guest.calls.length === data.calls })
            verify(guest.sync())
            compare(guest.calls.length, data.calls)
            if (data.switched)
                compare(checkedNames(), data.enabled)
            else
                compare(box("gyroscope").checked, false, "an unanswered question keeps the changes")
        }

        function test_unavailableSensorsAreHidden() {
            deviceConfig.setSensorAvailable("gyroscope", false)
            deviceConfig.setSensorAvailable("proximity", false)
            compare(box("gyroscope").visible, false)
            compare(box("proximity").visible, false)
            compare(box("tap").visible, true)
            compare(checkedNames(), without(Helpers.sensorNames, ["gyroscope", "proximity"]))

            deviceConfig.setSensorAvailable("gyroscope", true)
            deviceConfig.setSensorAvailable("proximity", true)
            compare(box("gyroscope").visible, true)
            compare(box("proximity").visible, true)
            compare(checkedNames(), Helpers.sensorNames)
        }

        name: "SensorsManagementPage"
        when: windowShown
    }
}
