import QtQuick 2.5
import QtQuick.Controls 1.4
import QtQuick.Controls.Styles 1.4

Button {
    id: root

    property bool active: false

    anchors.left: parent.left
    anchors.right: parent.right

    style: ButtonStyle {
        label: Label {
            text: control.text
            opacity: control.enabled ? 1.0 : 0.3
            horizontalAlignment: Text.AlignLeft
            verticalAlignment: Text.AlignVCenter
            elide: Text.ElideRight
            color: control.active ? "white" : labelColor.color
        }
        background: Rectangle {
            color: control.active ? themeHighlightColor : themeBackgroundColorNormal
        }
        padding.left: 15
        padding.right: 15
    }

    // Only there to give the style the default label colour.
    Label {
        id: labelColor

        visible: false
    }
}
