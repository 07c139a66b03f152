import QtQuick 2.5
import QtQuick.Controls 1.4
import org.plover 1.0

// One coordinate of the GPS page: typed in standard notation, never beyond
// its range or its number of decimals.
TextField {
    property alias minValue: fieldValidator.bottom
    property alias maxValue: fieldValidator.top
    property alias decimals: fieldValidator.decimals

    implicitWidth: 90
    horizontalAlignment: TextInput.AlignRight
    text: "0"
    validator: TextFieldDoubleValidator {
        id: fieldValidator

        notation: DoubleValidator.StandardNotation
    }
}
