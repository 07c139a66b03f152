import QtQuick 2.5
import QtQuick.Controls 1.4

SensorControls {
    id: root

    sensorName: "compass"
    title: qsTr("Compass")
    controls: Component {
        Column {
            function clearFocus() {
                azimuthSlider.textFieldFocus = false
                calibrationSlider.textFieldFocus = false
            }

            spacing: 5

            Item {
                width: parent.width
                height: azimuthSlider.height

                Label {
                    id: azimuthLabel

                    anchors.verticalCenter: parent.verticalCenter
                    width: root.labelWidth
                    text: qsTr("Azimuth")
                    elide: Text.ElideRight

                    Component.onCompleted: root.addLabel(azimuthLabel)
                }

                SliderWithTextField {
                    id: azimuthSlider

                    anchors.leftMargin: root.labelWidth
                    integer: true
                    minValue: 0
                    maxValue: 359
                    stepSize: 1
                    value: sensorsEmulationManager.compass.azimuth

                    onSliderSubmited: sensorsEmulationManager.setCompassAzimuth(value)
                }
            }

            Item {
                width: parent.width
                height: calibrationSlider.height

                Label {
                    id: calibrationLabel

                    anchors.verticalCenter: parent.verticalCenter
                    width: root.labelWidth
                    text: qsTr("Calib. level")
                    elide: Text.ElideRight

                    Component.onCompleted: root.addLabel(calibrationLabel)
                }

                SliderWithTextField {
                    id: calibrationSlider

                    anchors.leftMargin: root.labelWidth
                    integer: true
                    minValue: 0
                    maxValue: 3
                    stepSize: 1
                    value: sensorsEmulationManager.compass.calibrationLevel

                    onSliderSubmited: sensorsEmulationManager.setCompassCalibrationLevel(value)
                }
            }
        }
    }
}
