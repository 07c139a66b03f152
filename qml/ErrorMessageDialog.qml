import QtQuick 2.5
import QtQuick.Dialogs 1.2

MessageDialog {
    title: qsTr("Error")
    icon: StandardIcon.Critical
    standardButtons: StandardButton.Ok
}
