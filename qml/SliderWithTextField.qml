import QtQuick 2.5
import QtQuick.Controls 1.4
import org.plover 1.0

Item {
    id: root

    property bool integer: false
    property double minValue: 0
    property double maxValue: 0
    property double stepSize: 1
    property int numberRoundingSize: 0
    property string valueUnits: ''
    property double resultValueMultiplier: 1.0
    property bool showCalculatedValue: false
    property string calculatedValueUnits: ''
    property double calculatedValue: 0
    property double value: 0
    // At least these widths, so that the field does not move as the value
    // changes; more where the units need it.
    property real additionalControlsWidth: 0
    property real calculatedValueWidth: 0
    property alias equalityLabelShow: equalityLabel.visible
    property alias textFieldFocus: textField.focus
    property var locale: Qt.locale("en_US")

    // The user's choice, in model units. `value` is left to its owner, which
    // may bind it: it comes back through the binding once the model took it.
    signal sliderSubmited(double value)

    function toSliderValue(v) {
        return v / resultValueMultiplier
    }

    function toResultValue(v) {
        return v * resultValueMultiplier
    }

    function submit() {
        var submitted = toResultValue(Number.fromLocaleString(locale, textField.text.trim()))
        slider.value = toSliderValue(submitted)
        sliderSubmited(submitted)
    }

    function formatNumber(number, decimals) {
        // Group separators would make the text unacceptable to the validator.
        return Number(number).toLocaleString(locale, 'f', decimals).split(locale.groupSeparator).join('')
    }

    // Typed text is dropped: the field shows the slider again and follows it.
    function showSliderValue() {
        textField.text = Qt.binding(function() {
            return formatNumber(slider.value, integer ? 0 : numberRoundingSize)
        })
    }

    function submitText() {
        submit()
        showSliderValue()
    }

    anchors.left: parent.left
    anchors.right: parent.right
    implicitHeight: Math.max(slider.implicitHeight, textField.implicitHeight)
    // With the slider at its natural width.
    implicitWidth: anchors.leftMargin + slider.implicitWidth + 10 + textField.width + 10 + additionalControls.width + 10

    onValueChanged: {
        if (!slider.pressed)
            slider.value = toSliderValue(value)
    }
    Component.onCompleted: {
        slider.value = toSliderValue(value)
        showSliderValue()
    }

    Slider {
        id: slider

        anchors.left: parent.left
        anchors.right: textField.left
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        // Still easy to drag, the field takes exact values; short enough
        // for two columns of sensors in the window's default size.
        implicitWidth: 60
        minimumValue: root.minValue
        maximumValue: root.maxValue
        stepSize: root.stepSize

        // Only a drag submits; keys and the wheel just move the handle.
        onValueChanged: {
            if (pressed)
                root.sliderSubmited(root.toResultValue(value))
        }
    }

    TextField {
        id: textField

        anchors.right: additionalControls.left
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: 90
        horizontalAlignment: TextInput.AlignRight
        validator: TextFieldDoubleValidator {
            bottom: root.minValue
            top: root.maxValue
            decimals: root.integer ? 0 : root.numberRoundingSize
            notation: DoubleValidator.StandardNotation
        }

        onAccepted: root.submitText()
        onActiveFocusChanged: {
            if (activeFocus)
                return
            if (acceptableInput)
                root.submitText()
            else
                root.showSliderValue()
        }
    }

    Row {
        id: additionalControls

        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        width: Math.max(root.additionalControlsWidth, implicitWidth)
        spacing: 5

        Label {
            anchors.verticalCenter: parent.verticalCenter
            text: root.valueUnits
        }

        Label {
            id: equalityLabel

            anchors.verticalCenter: parent.verticalCenter
            text: "="
            visible: false
        }

        Label {
            id: calculatedValueLabel

            anchors.verticalCenter: parent.verticalCenter
            width: Math.max(root.calculatedValueWidth, implicitWidth)
            visible: root.showCalculatedValue
            text: root.formatNumber(root.calculatedValue, root.numberRoundingSize) + " "
                  + root.calculatedValueUnits
        }
    }
}
