import QtQuick 2.5
import QtQuick.Controls 1.4
import org.plover 1.0

ScrollView {
    id: root

    property bool active: false
    property url videoFileUrl: ""
    property string videoFilePath: ""
    property string currentCameraName: ""
    property string currentResolution: ""
    property string currentFramerate: ""

    // The switch goes on first; a stream must not keep running behind
    // another page.
    function exitPage(callback) {
        callback()
        if (!cameraEmulationManager.streamRunning)
            return
        if (hostCameraButton.checked)
            cameraEmulationManager.stopCameraStream()
        else
            cameraEmulationManager.stopVideoStream()
    }

    // The URL is percent-encoded: "%", "#", "?" and spaces of a file name
    // come back only when decoded. A Windows drive stays /C:/…, which the
    // manager turns into a native path.
    function filePathOf(url) {
        return decodeURIComponent(url.toString().replace(/^(file:\/{2})/, ""))
    }

    // Choosing a file starts streaming it.
    function openVideoFile(url) {
        videoFileUrl = url
        videoFilePath = filePathOf(url)
        cameraEmulationManager.startVideoStream(videoFilePath)
    }

    function startStream() {
        if (videoFileButton.checked)
            cameraEmulationManager.startVideoStream(videoFilePath)
        else
            cameraEmulationManager.startCameraStream()
    }

    // What the running stream sends, as far as it is known yet.
    function streamInfoText() {
        var parts = [cameraEmulationManager.streamSource]
        if (cameraEmulationManager.streamWidth > 0)
            parts.push("%1x%2".arg(cameraEmulationManager.streamWidth).arg(cameraEmulationManager.streamHeight))
        var rate = cameraEmulationManager.streamFramerate
        if (rate > 0)
            parts.push(qsTr("%1 fps").arg(Number(rate).toLocaleString(Qt.locale(), 'f', rate % 1 ? 2 : 0)))
        return qsTr("Sending: %1").arg(parts.join(", ")) + "; "
                + qsTr("frames sent: %1").arg(cameraEmulationManager.framesSent)
    }

    // What a combo box needs to show the longest of `texts` in full, as far
    // as the page allows beside the settings' names.
    function comboBoxWidth(texts) {
        var widest = 0
        for (var i = 0; i < texts.length; ++i)
            widest = Math.max(widest, comboBoxMetrics.advanceWidth(texts[i]))
        return Math.min(widest + 40, column.width - settingsGrid.columnSpacing
                        - Math.max(cameraSettingLabel.width, resolutionSettingLabel.width, framerateSettingLabel.width))
    }

    function stopStream() {
        if (videoFileButton.checked)
            cameraEmulationManager.stopVideoStream()
        else
            cameraEmulationManager.stopCameraStream()
    }

    visible: active
    clip: true

    Component.onCompleted: {
        if (!hostCameraButton.enabled)
            videoFileButton.checked = true
    }

    Item {
        width: Math.max(root.viewport.width, column.width + 30)
        height: column.height + 15

        // A scroll view takes a single item: the page's helpers live in it.
        Connections {
            target: cameraEmulationManager

            function onCameraStreamSettingsApplied() {
                root.currentCameraName = cameraEmulationManager.cameraName
                root.currentResolution = "%1x%2".arg(cameraEmulationManager.width).arg(cameraEmulationManager.height)
                root.currentFramerate = cameraEmulationManager.framerate
            }

            function onVideoFileCodecChecked(success, codecName) {
                if (success)
                    return
                if (cameraEmulationManager.streamRunning)
                    cameraEmulationManager.stopVideoStream()
                // A refused file is no source: starting again uses the
                // camera, or waits for another file when there is none.
                root.videoFileUrl = ""
                root.videoFilePath = ""
                if (hostCameraButton.enabled)
                    hostCameraButton.checked = true
                errorDialog.showText(codecName === ""
                        ? qsTr("Could not determine the video codec of the video file. "
                               + "Supported codecs: VP8 and VP9.")
                        : qsTr("Camera emulation does not support %1. Supported codecs: VP8 and VP9.").arg(codecName))
            }
        }

        OpenFileDialog {
            id: fileDialog

            title: qsTr("Open Video File")
            nameFilters: [qsTr("Video files (*.webm *.mkv)")]

            onAccepted: root.openVideoFile(fileUrl)
        }

        ExclusiveGroup {
            id: sourceGroup
        }

        FontMetrics {
            id: comboBoxMetrics
        }

        Column {
            id: column

            x: 15
            y: 15
            width: Math.min(620, root.viewport.width - 30)
            spacing: 15

            Column {
                spacing: 5

                Label {
                    text: qsTr("Source")
                    font.bold: true
                }

                RadioButton {
                    id: hostCameraButton

                    objectName: "hostCameraButton"
                    text: qsTr("Host camera")
                    exclusiveGroup: sourceGroup
                    enabled: cameraEmulationManager.cameras.length > 0
                    checked: enabled

                    onCheckedChanged: {
                        if (checked && cameraEmulationManager.streamRunning)
                            cameraEmulationManager.startCameraStream()
                    }
                    // With the last camera gone, the file is the only source left.
                    onEnabledChanged: {
                        if (!enabled && !videoFileButton.checked)
                            videoFileButton.checked = true
                    }
                }

                RadioButton {
                    id: videoFileButton

                    objectName: "videoFileButton"
                    text: qsTr("Video file")
                    exclusiveGroup: sourceGroup

                    onCheckedChanged: {
                        if (!checked)
                            return
                        if (root.videoFilePath === "")
                            cameraEmulationManager.stopCameraStream()
                        else if (cameraEmulationManager.streamRunning)
                            cameraEmulationManager.startVideoStream(root.videoFilePath)
                    }
                }
            }

            Item {
                width: parent.width
                height: cameraSettingsRow.height + 10
                visible: hostCameraButton.checked

                // The settings go below the current values where they do not
                // fit beside them.
                Flow {
                    id: cameraSettingsRow

                    readonly property real columnWidth: (width - spacing) / 2 >= settingsGrid.width
                                                        ? (width - spacing) / 2 : width

                    y: 10
                    width: parent.width
                    spacing: 7

                    Column {
                        width: parent.columnWidth
                        spacing: 5

                        Label {
                            text: qsTr("Current values")
                            font.bold: true
                        }

                        Grid {
                            width: parent.width
                            columns: 2
                            columnSpacing: 5
                            rowSpacing: 5
                            verticalItemAlignment: Grid.AlignVCenter

                            Label {
                                id: currentCameraLabel

                                text: qsTr("Camera") + ":"
                            }
                            Label {
                                objectName: "currentCameraName"
                                width: parent.width - parent.columnSpacing
                                       - Math.max(currentCameraLabel.width, currentResolutionLabel.width,
                                                  currentFramerateLabel.width)
                                wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                                text: root.currentCameraName
                            }
                            Label {
                                id: currentResolutionLabel

                                text: qsTr("Resolution") + ":"
                            }
                            Label {
                                objectName: "currentResolution"
                                text: root.currentResolution
                            }
                            Label {
                                id: currentFramerateLabel

                                text: qsTr("Framerate") + ":"
                            }
                            Label {
                                objectName: "currentFramerate"
                                text: root.currentFramerate
                            }
                        }
                    }

                    Column {
                        width: parent.columnWidth
                        spacing: 5

                        Label {
                            text: qsTr("Settings")
                            font.bold: true
                        }

                        Grid {
                            id: settingsGrid

                            columns: 2
                            columnSpacing: 5
                            rowSpacing: 5
                            verticalItemAlignment: Grid.AlignVCenter

                            Label {
                                id: cameraSettingLabel

                                text: qsTr("Camera")
                            }
                            ComboBox {
                                id: cameraBox

                                objectName: "cameraBox"
                                implicitWidth: root.comboBoxWidth(cameraEmulationManager.cameras)
                                model: cameraEmulationManager.cameras
                                onActivated: cameraEmulationManager.cameraName = cameraEmulationManager.cameras[index]
                            }
                            Label {
                                id: resolutionSettingLabel

                                text: qsTr("Resolution")
                            }
                            ComboBox {
                                objectName: "resolutionBox"
                                implicitWidth: root.comboBoxWidth(cameraEmulationManager.resolutions.map(
                                    function(resolution) { return resolution.string }))
                                model: cameraEmulationManager.resolutions
                                textRole: "string"
                                onActivated: cameraEmulationManager.resolutionIndex = index
                            }
                            Label {
                                id: framerateSettingLabel

                                text: qsTr("Framerate")
                            }
                            ComboBox {
                                objectName: "framerateBox"
                                implicitWidth: root.comboBoxWidth(cameraEmulationManager.framerates)
                                model: cameraEmulationManager.framerates
                                onActivated: cameraEmulationManager.framerate = cameraEmulationManager.framerates[index]
                            }
                        }

                        Button {
                            text: qsTr("Set settings")
                            onClicked: cameraEmulationManager.setCameraStreamSettings()
                        }
                    }
                }
            }

            Item {
                width: parent.width
                height: Math.max(videoFileLabel.height, videoFileField.height, openFileButton.height)
                visible: videoFileButton.checked

                Label {
                    id: videoFileLabel

                    anchors.verticalCenter: parent.verticalCenter
                    text: qsTr("Video file")
                }
                TextField {
                    id: videoFileField

                    objectName: "videoFileField"
                    anchors.left: videoFileLabel.right
                    anchors.leftMargin: 10
                    anchors.right: openFileButton.left
                    anchors.rightMargin: 5
                    width: 200
                    readOnly: true
                    text: root.videoFileUrl
                }
                Button {
                    id: openFileButton

                    anchors.right: parent.right
                    text: "\u2026"
                    onClicked: fileDialog.open()
                }
            }

            Row {
                spacing: 10

                Button {
                    objectName: "startButton"
                    text: qsTr("Start stream")
                    enabled: !cameraEmulationManager.streamRunning
                             && (!videoFileButton.checked || root.videoFilePath !== "")
                    onClicked: root.startStream()
                }
                Button {
                    objectName: "stopButton"
                    text: qsTr("Stop")
                    enabled: cameraEmulationManager.streamRunning
                    onClicked: root.stopStream()
                }
            }

            Label {
                objectName: "streamStatus"
                width: parent.width
                wrapMode: Text.Wrap
                visible: text !== ""
                text: cameraEmulationManager.streamRunning ? root.streamInfoText()
                                                           : cameraEmulationManager.streamStopReason
            }

            Button {
                anchors.right: parent.right
                text: qsTr("Update cameras list")
                onClicked: cameraEmulationManager.updateCamerasList()
            }
        }
    }
}
