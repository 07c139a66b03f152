import QtQuick 2.5
import QtQuick.Window 2.2
import QtQuick.Layouts 1.3
import QtQuick.Controls 1.4
import QtQuick.Dialogs 1.2
import org.plover 1.0
import "../js/sensor-controls-view-logic.js" as Logic

Rectangle {
    id: root

    property var pagesIds: [sensorsManagementPage, sensorsValuesPage, smartphoneModelPage,
        gpsManagementPage, cameraManagementPage]

    // The active page decides when the switch may go on; see exitPage().
    function switchVisiblePage(page) {
        var currentActivePage = null
        for (var i = 0; i < pagesIds.length; ++i) {
            if (pagesIds[i].active)
                currentActivePage = pagesIds[i]
        }
        if (!currentActivePage) {
            page.active = true
            return
        }
        currentActivePage.exitPage(function() {
            for (var j = 0; j < pagesIds.length; ++j) {
                if (pagesIds[j] !== currentActivePage)
                    pagesIds[j].active = false
            }
            // The orientation page recomputes the values from the 3D model.
            if (currentActivePage === sensorsValuesPage && page === smartphoneModelPage
                    && sensorsValuesPage.modelSensorChanged
                    && !settingsManager.readDoNotShowAgainResetSensorsDialog()) {
                warningDialog.callback = function() { changeActivePage(currentActivePage, page) }
                warningDialog.show()
            } else {
                changeActivePage(currentActivePage, page)
            }
        })
    }

    function changeActivePage(currentActivePage, pageToActivate) {
        currentActivePage.active = false
        pageToActivate.active = true
    }

    width: 1100
    height: 600
    color: themeBackgroundColorNormal

    // Each manager hears only the replies to its own calls; both kinds of
    // failure are the user's to see.
    Connections {
        target: sensorsEmulationManager

        function onReplyFromEmulatorReceived(reply) {
            Logic.replyFromEmulatorReceivedHandler(reply, errorDialog)
        }
    }

    Connections {
        target: gpsEmulationManager

        function onReplyFromEmulatorReceived(reply) {
            Logic.replyFromEmulatorReceivedHandler(reply, errorDialog)
        }
    }

    ErrorMessageDialog {
        id: errorDialog

        // Tests find it by this name.
        objectName: "errorDialog"
    }

    MessageDialog {
        id: messageDialog

        icon: StandardIcon.Information
        standardButtons: StandardButton.Ok
    }

    SettingsManager {
        id: settingsManager
    }

    WarningDialog {
        id: warningDialog

        property var callback: null

        text: qsTr("The sensors values will be reset using the smartphone 3D-model position. "
                   + "Do you want to continue?")
        withDoNotShowAgainCheckBox: true

        onAccepted: {
            if (callback)
                callback()
            settingsManager.saveDoNotShowAgainResetSensorsDialog(doNotShowAgain)
        }
    }

    Column {
        id: buttonsColumn

        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        // As wide as the longest page name needs in the current language.
        width: {
            var widest = 180
            for (var i = 0; i < children.length; ++i)
                widest = Math.max(widest, children[i].implicitWidth)
            return widest
        }

        PageButton {
            text: qsTr("Sensors Management")
            active: sensorsManagementPage.visible
            onClicked: switchVisiblePage(sensorsManagementPage)
        }

        PageButton {
            text: qsTr("Sensors Values")
            active: sensorsValuesPage.visible
            onClicked: switchVisiblePage(sensorsValuesPage)
        }

        PageButton {
            text: qsTr("Orientation Management")
            active: smartphoneModelPage.visible
            onClicked: switchVisiblePage(smartphoneModelPage)
        }

        PageButton {
            text: qsTr("GPS Management")
            active: gpsManagementPage.visible
            onClicked: switchVisiblePage(gpsManagementPage)
        }

        PageButton {
            text: qsTr("Camera Management")
            active: cameraManagementPage.visible
            onClicked: switchVisiblePage(cameraManagementPage)
        }
    }

    Rectangle {
        id: buttonsColumnSeparator

        anchors.left: buttonsColumn.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: 1
        color: themeSeparatorColor
    }

    SettingsNotice {
        objectName: "settingsNotice"
        anchors.left: buttonsColumn.left
        anchors.right: buttonsColumn.right
        anchors.bottom: parent.bottom
        settings: settingsManager
    }

    SensorsManagementPage {
        id: sensorsManagementPage

        anchors.left: buttonsColumnSeparator.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: parent.right
    }

    SensorsValuesPage {
        id: sensorsValuesPage

        anchors.left: buttonsColumnSeparator.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: parent.right
        active: true
    }

    SmartphoneModelPage {
        id: smartphoneModelPage

        anchors.left: buttonsColumnSeparator.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: parent.right
    }

    GpsManagementPage {
        id: gpsManagementPage

        anchors.left: buttonsColumnSeparator.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: parent.right
    }

    CameraManagementPage {
        id: cameraManagementPage

        anchors.left: buttonsColumnSeparator.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: parent.right
    }
}
