import QtQuick 2.5
import "../js/smartphone-model-logic.js" as Model

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
            calculate: function(value) { return value * Model.gravityAccelEarth / 1000 }

            // 1.005 g times 1000 is 1004.999... in binary; an int parameter
            // would cut it to 1004, so the whole thousandth is rounded.
            onAxisValueSubmited: sensorsEmulationManager["setAccelerometer" + axis](Math.round(value))
        }
    }
}
