import QtQuick 2.5
import QtQuick.Controls 1.4

SensorControls {
    id: root

    sensorName: "orientation"
    title: qsTr("Orientation Sensor")
    controls: Component {
        Item {
            id: content

            // Entry i is the orientation i + 1, TopUp to FaceDown.
            function update() {
                orientationComboBox.currentIndex = sensorsEmulationManager.orientation.orientation - 1
            }

            height: orientationComboBox.height

            Component.onCompleted: update()

            Connections {
                target: sensorsEmulationManager.orientation

                function onOrientationChanged() {
                    content.update()
                }
            }

            Label {
                id: orientationLabel

                anchors.verticalCenter: parent.verticalCenter
                width: root.labelWidth
                text: qsTr("Orientation")
                elide: Text.ElideRight

                Component.onCompleted: root.addLabel(orientationLabel)
            }

            ComboBox {
                id: orientationComboBox

                anchors.left: orientationLabel.right
                width: 150
                model: ["TopUp", "TopDown", "LeftUp", "RightUp", "FaceUp", "FaceDown"]

                onActivated: sensorsEmulationManager.setOrientation(index + 1)
            }
        }
    }
}
