import QtQuick 2.5
import QtQuick.Controls 1.4

SensorControls {
    id: root

    sensorName: "magnetometer"
    title: qsTr("Magnetometer")
    controls: Component {
        Column {
            function clearFocus() {
                axes.clearFocus()
                calibrationSlider.textFieldFocus = false
            }

            spacing: 5

            XYZSliders {
                id: axes

                width: parent.width
                labelWidth: root.labelWidth
                model: sensorsEmulationManager.magnetometer
                minValue: -65.0
                maxValue: 65.0
                stepSize: 0.001
                numberRoundingSize: 3
                valueUnits: qsTr("μT")
                // The model holds tesla.
                resultValueMultiplier: 0.000001
                additionalControlsWidth: 20

                onAxisValueSubmited: sensorsEmulationManager["setMagnetometer" + axis](value)
            }

            Item {
                width: parent.width
                height: calibrationSlider.height

                Label {
                    id: calibrationLabel

                    anchors.verticalCenter: parent.verticalCenter
                    width: axes.labelWidth
                    text: qsTr("Calib. level")
                    elide: Text.ElideRight

                    Component.onCompleted: root.addLabel(calibrationLabel)
                }

                SliderWithTextField {
                    id: calibrationSlider

                    anchors.leftMargin: axes.labelWidth
                    integer: true
                    minValue: 0
                    maxValue: 3
                    stepSize: 1
                    additionalControlsWidth: 20
                    value: sensorsEmulationManager.magnetometer.calibrationLevel

                    onSliderSubmited: sensorsEmulationManager.setMagnetometerCalibrationLevel(value)
                }
            }
        }
    }
}
