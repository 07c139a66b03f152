import QtQuick 2.5
import QtQuick.Layouts 1.3
import QtQuick.Controls 1.4
import QtQuick.Dialogs 1.2
import org.plover 1.0
import "../js/sensor-controls-view-logic.js" as Logic

Item {
    id: root

    property bool active: false
    property var sensorsControlsIds: [accelerometerCheckBox, compassCheckBox, orientationCheckBox,
        magnetometerCheckBox, gyroscopeCheckBox, alsCheckBox, proximityCheckBox, tapCheckBox]
    // The compass needs the accelerometer and the magnetometer, the
    // orientation the accelerometer: ticking a sensor ticks what it needs,
    // clearing one clears what needs it.
    property var sensorControlsRelations: ({
        "accelerometer": {
            "true": [accelerometerCheckBox],
            "false": [accelerometerCheckBox, compassCheckBox, orientationCheckBox]
        },
        "als": { "true": [alsCheckBox], "false": [alsCheckBox] },
        "compass": {
            "true": [compassCheckBox, accelerometerCheckBox, magnetometerCheckBox],
            "false": [compassCheckBox]
        },
        "gyroscope": { "true": [gyroscopeCheckBox], "false": [gyroscopeCheckBox] },
        "magnetometer": {
            "true": [magnetometerCheckBox],
            "false": [magnetometerCheckBox, compassCheckBox]
        },
        "proximity": { "true": [proximityCheckBox], "false": [proximityCheckBox] },
        "tap": { "true": [tapCheckBox], "false": [tapCheckBox] },
        "orientation": {
            "true": [orientationCheckBox, accelerometerCheckBox],
            "false": [orientationCheckBox]
        }
    })

    function exitPage(callback) {
        if (Logic.sensorsStatesHasChanged()) {
            exitDialog.callback = callback
            exitDialog.show()
        } else {
            callback()
        }
    }

    // Every box goes to the guest, changed or not, so that host and guest
    // agree afterwards. The answers come back as one batch, whose outcome
    // the page shows.
    function submit() {
        sensorsEmulationManager.beginSwitchBatch()
        for (var i = 0; i < sensorsControlsIds.length; ++i)
            Logic.sensorEnabledCheckboxClickHandler(sensorsControlsIds[i].checked,
                                                    sensorsControlsIds[i].sensorName)
        sensorsEmulationManager.endSwitchBatch()
        reset()
    }

    function showApplyResult(refusedSensors) {
        var names = refusedSensors.map(name => sensorsControlsIds.find(box => box.sensorName === name).text)
        applyResult.refused = names.length > 0
        applyResult.text = applyResult.refused ? qsTr("Not applied: %1").arg(names.join(", "))
                                               : qsTr("Changes applied")
        applyResultTimer.restart()
    }

    function reset() {
        Logic.updateSensorsControlsCheckedState()
    }

    visible: active

    onVisibleChanged: {
        if (visible)
            reset()
    }

    Connections {
        target: sensorsEmulationManager

        function onSensorsAvailabilityChanged() {
            Logic.updateSensorsControlsCheckedState()
            Logic.updateSensorsControlsVisibility()
        }

        function onSensorEnabledStateReverted(sensorName) {
            Logic.updateSensorsControlsCheckedState(sensorName)
        }

        function onSwitchBatchAnswered(refusedSensors) {
            root.showApplyResult(refusedSensors)
        }
    }

    WarningDialog {
        id: exitDialog

        property var callback: null

        text: qsTr("The sensor configuration has been changed. Apply or discard changes?")
        standardButtons: StandardButton.Discard | StandardButton.Apply

        onAccepted: {
            submit()
            callback()
        }
        onRejected: {
            reset()
            callback()
        }
    }

    ScrollView {
        id: scrollView

        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: footer.top
        clip: true

        Item {
            id: checkBoxes

            implicitWidth: checkBoxesColumn.implicitWidth + 30
            implicitHeight: checkBoxesColumn.implicitHeight + 30

            Column {
                id: checkBoxesColumn

                anchors.fill: parent
                anchors.margins: 15
                spacing: 5

                CheckBox {
                    id: accelerometerCheckBox

                    property string sensorName: "accelerometer"

                    text: qsTr("Accelerometer")
                    onClicked: Logic.dependentSensorsEnabledHandler(checked, sensorName)
                }

                CheckBox {
                    id: compassCheckBox

                    property string sensorName: "compass"

                    text: qsTr("Compass")
                    onClicked: Logic.dependentSensorsEnabledHandler(checked, sensorName)
                }

                CheckBox {
                    id: orientationCheckBox

                    property string sensorName: "orientation"

                    text: qsTr("Orientation Sensor")
                    onClicked: Logic.dependentSensorsEnabledHandler(checked, sensorName)
                }

                CheckBox {
                    id: magnetometerCheckBox

                    property string sensorName: "magnetometer"

                    text: qsTr("Magnetometer")
                    onClicked: Logic.dependentSensorsEnabledHandler(checked, sensorName)
                }

                CheckBox {
                    id: gyroscopeCheckBox

                    property string sensorName: "gyroscope"

                    text: qsTr("Gyroscope")
                    onClicked: Logic.dependentSensorsEnabledHandler(checked, sensorName)
                }

                CheckBox {
                    id: alsCheckBox

                    property string sensorName: "als"

                    text: qsTr("Light Sensor")
                    onClicked: Logic.dependentSensorsEnabledHandler(checked, sensorName)
                }

                CheckBox {
                    id: proximityCheckBox

                    property string sensorName: "proximity"

                    text: qsTr("Proximity Sensor")
                    onClicked: Logic.dependentSensorsEnabledHandler(checked, sensorName)
                }

                CheckBox {
                    id: tapCheckBox

                    property string sensorName: "tap"

                    text: qsTr("Tap Sensor")
                    onClicked: Logic.dependentSensorsEnabledHandler(checked, sensorName)
                }
            }
        }
    }

    RowLayout {
        id: footer

        anchors.left: parent.left
        anchors.margins: 15
        // Below the check boxes, or at the bottom where they need scrolling;
        // the note wraps rather than run across a wide window.
        y: Math.min(parent.height - Math.max(note.implicitHeight, applyResult.implicitHeight,
                                             applyButton.implicitHeight) - 15, checkBoxes.implicitHeight)
        width: Math.min(parent.width - 30, 620)
        spacing: 10

        Label {
            id: note

            Layout.fillWidth: true
            text: qsTr("After applying changes, all applications retrieving data from sensors "
                       + "must be restarted.")
            wrapMode: Text.WordWrap
        }

        // Shown for a few seconds after the guest has answered an Apply.
        Label {
            id: applyResult

            property bool refused: false

            objectName: "applyResult"
            Layout.maximumWidth: footer.width / 3
            visible: text !== ""
            wrapMode: Text.WordWrap
            color: refused ? "#c62828" : "#2e7d32"

            Timer {
                id: applyResultTimer

                interval: 5000
                onTriggered: applyResult.text = ""
            }
        }

        Button {
            text: qsTr("Reset")
            onClicked: reset()
        }

        Button {
            id: applyButton

            text: qsTr("Apply")
            onClicked: submit()
        }
    }
}
