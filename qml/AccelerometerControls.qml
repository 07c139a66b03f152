import QtQuick 2.5

SensorControls {
    id: root

    sensorName: "accelerometer"
    title: qsTr("Accelerometer")
    controls: Component {
        XYZSliders {
            labelWidth: root.labelWidth
            model: sensorsEmulationManager.accelerometer
            minValue: -3.0
            maxValue: 3.0
            stepSize: 0.001
            numberRoundingSize: 3
            valueUnits: qsTr("g")
            // The model counts thousandths of g.
            resultValueMultiplier: 1000
            additionalControlsWidth: 110
            showCalculatedValue: true
            calculatedValueUnits: qsTr("m/s") + "²"
            calculatedValueWidth: 85
            calculate: function(value) { return value * 9.80665 / 1000 }

            onAxisValueSubmited: sensorsEmulationManager["setAccelerometer" + axis](value)
        }
    }
}
