import QtQuick 2.5
import QtQuick.Controls 1.4

SensorControls {
    id: root

    sensorName: "proximity"
    title: qsTr("Proximity Sensor")
    controls: Component {
        Column {
            function clearFocus() {
                reflectanceSlider.textFieldFocus = false
            }

            spacing: 5

            Item {
                width: parent.width
                height: reflectanceSlider.height

                Label {
                    id: reflectanceLabel

                    anchors.verticalCenter: parent.verticalCenter
                    width: root.labelWidth
                    text: qsTr("Reflectance")
                    elide: Text.ElideRight

                    Component.onCompleted: root.addLabel(reflectanceLabel)
                }

                SliderWithTextField {
                    id: reflectanceSlider

                    anchors.leftMargin: root.labelWidth
                    integer: true
                    minValue: 0
                    maxValue: 10
                    stepSize: 1
                    numberRoundingSize: 5
                    showCalculatedValue: true
                    calculatedValue: value * 100 / 1023
                    additionalControlsWidth: 65
                    calculatedValueWidth: 65
                    value: sensorsEmulationManager.proximity.reflectance

                    onSliderSubmited: sensorsEmulationManager.setProximitySensorReflectanceValue(value)
                }
            }

            Row {
                x: root.labelWidth
                spacing: 10

                Button {
                    text: qsTr("Near")
                    onClicked: sensorsEmulationManager.setProximitySensorNearValue(true)
                }

                Button {
                    text: qsTr("Far")
                    onClicked: sensorsEmulationManager.setProximitySensorNearValue(false)
                }
            }
        }
    }
}
