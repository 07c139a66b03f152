import QtQuick 2.5
import QtQuick.Controls 1.4

SensorControls {
    id: root

    sensorName: "tap"
    title: qsTr("Tap Sensor")
    controls: Component {
        Item {
            id: content

            // Entry i is the direction i - 1, Undefined to Y_Neg.
            function update() {
                directionComboBox.currentIndex = sensorsEmulationManager.tap.tapDirection + 1
            }

            height: directionComboBox.height

            Component.onCompleted: update()

            Connections {
                target: sensorsEmulationManager.tap

                function onTapDirectionChanged() {
                    content.update()
                }
            }

            Label {
                id: directionLabel

                anchors.verticalCenter: parent.verticalCenter
                width: root.labelWidth
                text: qsTr("Direction")
                elide: Text.ElideRight

                Component.onCompleted: root.addLabel(directionLabel)
            }

            ComboBox {
                id: directionComboBox

                anchors.left: directionLabel.right
                width: 150
                model: ["Undefined", "X_Both", "Y_Both", "Z_Both", "X_Pos", "X_Neg", "Z_Neg", "Z_Pos",
                    "Y_Pos", "Y_Neg"]

                onActivated: sensorsEmulationManager.setTapSensorValue(index - 1)
            }
        }
    }
}
