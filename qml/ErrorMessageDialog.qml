import QtQuick 2.5
import QtQuick.Dialogs 1.2
import org.plover 1.0

MessageBox {
    id: root

    // The newest text that waits for the next update, or null.
    property var pendingText: null
    // Each update lays the box out anew; a flood of errors shows only the
    // newest one, a few times a second.
    property Timer updateTimer: Timer {
        interval: 250
        onTriggered: root.applyPendingText()
    }

    function showText(text) {
        pendingText = text
        if (!updateTimer.running)
            applyPendingText()
    }

    function applyPendingText() {
        if (pendingText === null)
            return
        // An open box keeps the text it was opened with.
        close()
        text = pendingText
        pendingText = null
        open()
        updateTimer.start()
    }

    title: qsTr("Error")
    icon: StandardIcon.Critical
    standardButtons: StandardButton.Ok
}
