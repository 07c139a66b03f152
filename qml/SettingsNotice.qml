import QtQuick 2.5
import QtQuick.Window 2.2
import QtQuick.Controls 1.4

// A quiet note that the values will not outlive the session. The first
// problem found stays; once hidden, the note is gone until the next session.
Rectangle {
    id: root

    property var settings: null
    property string text: ''
    property bool dismissed: false

    function check() {
        if (text === '' && settings)
            text = settings.saveProblem()
    }

    function dismiss() {
        dismissed = true
    }

    visible: text !== '' && !dismissed
    height: content.height + 20
    color: themeBackgroundColorNormal
    border.color: themeSeparatorColor

    // Showing the window again looks once more, e.g. after a failed write.
    Window.onVisibilityChanged: check()
    Component.onCompleted: check()

    Column {
        id: content

        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 10
        spacing: 5

        Label {
            width: parent.width
            text: root.text
            textFormat: Text.PlainText
            wrapMode: Text.WrapAtWordBoundaryOrAnywhere
        }

        Button {
            text: qsTr("Hide")
            onClicked: root.dismiss()
        }
    }
}
