import QtQuick 2.5

SensorControls {
    id: root

    sensorName: "gyroscope"
    title: qsTr("Gyroscope")
    controls: Component {
        XYZSliders {
            labelWidth: root.labelWidth
            model: sensorsEmulationManager.gyroscope
            minValue: -25.0
            maxValue: 25.0
            stepSize: 0.001
            numberRoundingSize: 3
            valueUnits: qsTr("deg/s")
            additionalControlsWidth: 40

            onAxisValueSubmited: sensorsEmulationManager["setGyroscope" + axis](value)
        }
    }
}
