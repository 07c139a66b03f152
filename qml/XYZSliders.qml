import QtQuick 2.5
import QtQuick.Controls 1.4

// The X, Y and Z rows that the three-axis panels share. The sliders follow
// the model; what a submitted value is sent to is up to the panel.
Column {
    id: root

    property QtObject model
    property double minValue: 0
    property double maxValue: 0
    property double stepSize: 0.001
    property int numberRoundingSize: 3
    property string valueUnits: ''
    property double resultValueMultiplier: 1.0
    property real additionalControlsWidth: 0
    property bool showCalculatedValue: false
    property string calculatedValueUnits: ''
    property real calculatedValueWidth: 0
    // Turns a value in model units into the derived value shown after "=".
    property var calculate: function(value) { return 0 }
    property real labelWidth: 110
    // What a row needs with its slider at its natural width.
    readonly property real minimumWidth: axes.count > 0 ? axes.itemAt(0).minimumWidth : 0

    signal axisValueSubmited(string axis, double value)

    function clearFocus() {
        for (var i = 0; i < axes.count; ++i)
            axes.itemAt(i).clearFocus()
    }

    spacing: 5

    Repeater {
        id: axes

        model: ["X", "Y", "Z"]

        Item {
            id: row

            readonly property string axisKey: modelData.toLowerCase()
            readonly property real minimumWidth: slider.implicitWidth

            function clearFocus() {
                slider.textFieldFocus = false
            }

            width: root.width
            height: slider.height

            Label {
                anchors.verticalCenter: parent.verticalCenter
                text: modelData
            }

            SliderWithTextField {
                id: slider

                anchors.leftMargin: root.labelWidth
                minValue: root.minValue
                maxValue: root.maxValue
                stepSize: root.stepSize
                numberRoundingSize: root.numberRoundingSize
                valueUnits: root.valueUnits
                resultValueMultiplier: root.resultValueMultiplier
                additionalControlsWidth: root.additionalControlsWidth
                showCalculatedValue: root.showCalculatedValue
                calculatedValueUnits: root.calculatedValueUnits
                calculatedValueWidth: root.calculatedValueWidth
                equalityLabelShow: root.showCalculatedValue
                calculatedValue: root.calculate(value)
                value: root.model[row.axisKey]

                onSliderSubmited: root.axisValueSubmited(modelData, value)
            }
        }
    }
}
