import QtQuick 2.5

// Shown, hidden, enabled and disabled together with the magnetometer.
SensorControls {
    id: root

    sensorName: "magnetometer"
    title: qsTr("Magnetic Field")
    controls: Component {
        XYZSliders {
            labelWidth: root.labelWidth
            model: sensorsEmulationManager.magneticField
            minValue: -100.0
            maxValue: 100.0
            stepSize: 0.001
            numberRoundingSize: 3
            valueUnits: qsTr("μT")
            additionalControlsWidth: 20

            onAxisValueSubmited: sensorsEmulationManager["setMagneticField" + axis](value)
        }
    }
}
