import QtQuick 2.5
import QtQuick.Controls 1.4

Item {
    id: root

    property string sensorName
    property alias title: titleLabel.text
    property alias controlsEnabled: frame.enabled
    property Component controls
    // The same in every panel, so that the sliders line up.
    readonly property int labelWidth: 110

    function clearFocus() {
        if (loader.item && loader.item.clearFocus)
            loader.item.clearFocus()
    }

    width: parent.width / 2
    height: frame.height

    Column {
        id: frame

        width: parent.width
        spacing: 5

        Label {
            id: titleLabel

            font.bold: true
        }

        Loader {
            id: loader

            width: parent.width
            sourceComponent: root.controls
        }
    }
}
