import QtQuick 2.5
import QtQuick.Controls 1.4

Item {
    id: root

    property string sensorName
    property alias title: titleLabel.text
    property alias controlsEnabled: frame.enabled
    property Component controls
    // The same in every panel, so that the sliders line up; the page makes
    // it as wide as the longest label needs.
    readonly property real labelWidth: parent.labelWidth !== undefined ? parent.labelWidth : 110
    // What this panel's labels need in the current language.
    readonly property real labelsWidth: labels.reduce(function(widest, label) {
        return Math.max(widest, label.implicitWidth + 10)
    }, 110)
    // The panels with sliders tell what they need to keep them at their
    // natural width.
    readonly property real minimumWidth: loader.item && loader.item.minimumWidth !== undefined
                                         ? loader.item.minimumWidth : 0
    property var labels: []

    function clearFocus() {
        if (loader.item && loader.item.clearFocus)
            loader.item.clearFocus()
    }

    function addLabel(label) {
        labels = labels.concat([label])
    }

    width: (parent.width - parent.spacing * (parent.columns - 1)) / parent.columns
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
