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
        readonly property var all: Helpers.sensorNames

        function box(sensorName) {
            return page.sensorsControlsIds.find(item => item.sensorName === sensorName)
        }

        function checkedNames() {
            return page.sensorsControlsIds.filter(item => item.checked).map(item => item.sensorName)
        }

        function enabledNames() {
            return all.filter(name => sensorsEmulationManager.sensorsEnabledStates[name])
        }

        function setAllHostStates(enabled) {
            all.forEach(name => sensorsEmulationManager.setSensorEnabled(name, enabled))
        }

        function init() {
            dialogs.stopAnswering()
            Helpers.resetSensors(sensorsEmulationManager, testDevice)
            Helpers.activate(view, page)
            verify(guest.settle())
        }

        function cleanup() {
            dialogs.stopAnswering()
        }

        // Ticking a sensor ticks what it needs, clearing one clears what
        // needs it; the host and the guest learn nothing before Apply.
        function test_dependencies_data() {
            var clear = (name, expected) => ({ tag: "clear " + name, from: all, click: name, expected: expected })
            var tick = (name, expected) => ({ tag: "tick " + name, from: [], click: name, expected: expected })
            return [
                clear("accelerometer", Helpers.without(all, ["accelerometer", "compass", "orientation"])),
                clear("magnetometer", Helpers.without(all, ["magnetometer", "compass"])),
                clear("compass", Helpers.without(all, ["compass"])),
                clear("orientation", Helpers.without(all, ["orientation"])),
                clear("gyroscope", Helpers.without(all, ["gyroscope"])),
                clear("als", Helpers.without(all, ["als"])),
                clear("proximity", Helpers.without(all, ["proximity"])),
                clear("tap", Helpers.without(all, ["tap"])),
                tick("compass", ["accelerometer", "compass", "magnetometer"]),
                tick("orientation", ["accelerometer", "orientation"]),
                tick("accelerometer", ["accelerometer"]),
                tick("magnetometer", ["magnetometer"]),
                tick("als", ["als"]),
                tick("tap", ["tap"]),
                { tag: "tick compass, magnetometer already ticked", from: ["magnetometer", "gyroscope"],
                  click: "compass", expected: ["accelerometer", "compass", "magnetometer", "gyroscope"] }
            ]
        }

        function test_dependencies(data) {
            setAllHostStates(false)
            data.from.forEach(name => sensorsEmulationManager.setSensorEnabled(name, true))
            // Shown again, the boxes show the host's states.
            page.active = false
            page.active = true
            compare(checkedNames(), data.from)

            mouseClick(box(data.click))
            compare(checkedNames(), data.expected)
            // Reset drops the change.
            mouseClick(Helpers.button(page, "Reset"))
            compare(checkedNames(), data.from)
            verify(guest.sync())
            compare(guest.calls, [])
            compare(enabledNames(), data.from)
        }

        // Hidden boxes are still sent, so the guest switches those sensors
        // off. Once the guest has answered all eight calls, the page says
        // so for a while.
        function test_apply_data() {
            return [
                { tag: "all switched", result: "Changes applied" },
                { tag: "the last switch refused", refuse: "disableSensor string:tap",
                  result: "Not applied: Tap Sensor" }
            ]
        }

        function test_apply(data) {
            var result = findChild(page, "applyResult")
            testDevice.setSensorAvailable("tap", false)
            tryCompare(guest, "calls", ["disableSensor string:tap"])
            guest.clear()
            if (data.refuse)
                guest.failCall(data.refuse, "org.freedesktop.DBus.Error.Failed", "No such sensor")
            mouseClick(box("magnetometer"))
            mouseClick(box("als"))
            batches.clear()
            mouseClick(Helpers.button(page, "Apply"))
            tryCompare(guest, "calls", ["enableSensor string:accelerometer", "disableSensor string:compass",
                                        "enableSensor string:orientation", "disableSensor string:magnetometer",
                                        "enableSensor string:gyroscope", "disableSensor string:als",
                                        "enableSensor string:proximity", "disableSensor string:tap"])
            tryCompare(result, "text", data.result)
            verify(guest.sync())
            compare(batches.count, 1)
            compare(enabledNames(), Helpers.without(all, ["compass", "magnetometer", "als", "tap"]))
            compare(checkedNames(), enabledNames())
            tryCompare(result, "visible", false, 8000)
            findChild(view, "errorDialog").close()
        }

        function test_leaving_data() {
            return [
                { tag: "unchanged", unchanged: true, answer: StandardButton.Discard, switched: true, enabled: all },
                { tag: "Apply", answer: StandardButton.Apply, switched: true,
                  enabled: Helpers.without(all, ["gyroscope"]), calls: 8 },
                { tag: "Discard", answer: StandardButton.Discard, switched: true, enabled: all },
                { tag: "closed without an answer", answer: StandardButton.Close, switched: false, enabled: all }
            ]
        }

        function test_leaving(data) {
            if (!data.unchanged)
                mouseClick(box("gyroscope"))
            dialogs.answerWith(data.answer)
            mouseClick(Helpers.pageButton(view, "Sensors Values"))

            compare(dialogs.answeredBoxes(), data.unchanged ? [] : [{
                title: "Warning",
                icon: StandardIcon.Question,
                text: "The sensor configuration has been changed. Apply or discard changes?",
                buttons: StandardButton.Discard | StandardButton.Apply,
                checkBoxVisible: false,
                overIde: false,
                overWindow: true
            }])
            compare(page.active, !data.switched)
            compare(view.pagesIds[1].active, data.switched)
            compare(enabledNames(), data.enabled)
            tryVerify(() => guest.calls.length === (data.calls || 0))
            verify(guest.sync())
            compare(guest.calls.length, data.calls || 0)
            // An unanswered question keeps the changes.
            compare(checkedNames(), data.switched ? data.enabled : Helpers.without(all, ["gyroscope"]))
        }

        function test_unavailableSensorsAreHidden() {
            testDevice.setSensorAvailable("gyroscope", false)
            testDevice.setSensorAvailable("proximity", false)
            compare(page.sensorsControlsIds.filter(item => !item.visible).map(item => item.sensorName),
                    ["gyroscope", "proximity"])
            compare(checkedNames(), Helpers.without(all, ["gyroscope", "proximity"]))

            testDevice.setSensorAvailable("gyroscope", true)
            testDevice.setSensorAvailable("proximity", true)
            compare(page.sensorsControlsIds.filter(item => !item.visible), [])
            compare(checkedNames(), all)
        }

        SignalSpy {
            id: batches

            target: sensorsEmulationManager
            signalName: "switchBatchAnswered"
        }

        name: "SensorsManagementPage"
        when: windowShown
    }
}
