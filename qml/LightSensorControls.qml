import QtQuick 2.5
import QtQuick.Controls 1.4
import org.plover 1.0

SensorControls {
    id: root

    sensorName: "als"
    title: qsTr("Light Sensor")
    controls: Component {
        Column {
            id: content

            // In the order of the combo box entries.
            readonly property var levels: [AlsModel.Undefined, AlsModel.Dark, AlsModel.Twilight,
                AlsModel.Light, AlsModel.Bright, AlsModel.Sunny]

            function clearFocus() {
                luxSlider.textFieldFocus = false
            }

            // The last level not above the lux value; below the lowest level
            // the selection stays.
            function selectLevel(lux) {
                for (var i = levels.length - 1; i >= 0; --i) {
                    if (levels[i] <= lux) {
                        levelComboBox.currentIndex = i
                        return
                    }
                }
            }

            spacing: 5

            Component.onCompleted: selectLevel(sensorsEmulationManager.als.lux)

            Connections {
                target: sensorsEmulationManager.als

                function onLuxChanged() {
                    content.selectLevel(sensorsEmulationManager.als.lux)
                }
            }

            Item {
                width: parent.width
                height: luxSlider.height

                SliderWithTextField {
                    id: luxSlider

                    anchors.leftMargin: root.labelWidth
                    integer: true
                    minValue: -1
                    maxValue: 3000
                    stepSize: 1
                    valueUnits: qsTr("lx")
                    additionalControlsWidth: 15
                    value: sensorsEmulationManager.als.lux

                    onSliderSubmited: sensorsEmulationManager.setAlsLuxValue(value)
                }
            }

            Item {
                width: parent.width
                height: levelComboBox.height

                Label {
                    id: levelLabel

                    anchors.verticalCenter: parent.verticalCenter
                    width: root.labelWidth
                    text: qsTr("Light level")
                    elide: Text.ElideRight

                    Component.onCompleted: root.addLabel(levelLabel)
                }

                ComboBox {
                    id: levelComboBox

                    anchors.left: parent.left
                    anchors.leftMargin: root.labelWidth
                    width: 150
                    model: ["Undefined", "Dark", "Twilight", "Light", "Bright", "Sunny"]

                    onActivated: sensorsEmulationManager.setAlsLightLevel(content.levels[index])
                }
            }
        }
    }
}
