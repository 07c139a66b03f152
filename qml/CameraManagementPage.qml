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
                errorDialog.showText(codecName === ""
                        ? qsTr("Could not determine the video codec of the video file. "
                               + "Supported codecs: VP8 and VP9.")
                        : qsTr("Camera emulation does not support %1. Supported codecs: VP8 and VP9.").arg(codecName))
            }
        }

        OpenFileDialog {
            id: fileDialog

            title: qsTr("Open Video File")
            nameFilters: ["Video files (*.webm *.mkv)"]
            selectExisting: true
            selectMultiple: false
            selectFolder: false

            onAccepted: root.openVideoFile(fileUrl)
        }

        ExclusiveGroup {
            id: sourceGroup
        }

        Column {
            id: column

            x: 15
            y: 15
            width: 620
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

                Row {
                    id: cameraSettingsRow

                    y: 10
                    width: parent.width
                    spacing: 7

                    Column {
                        width: (parent.width - parent.spacing) / 2
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
                                width: parent.width - currentCameraLabel.width - parent.columnSpacing
                                wrapMode: Text.WordWrap
                                text: root.currentCameraName
                            }
                            Label {
                                text: qsTr("Resolution") + ":"
                            }
                            Label {
                                objectName: "currentResolution"
                                text: root.currentResolution
                            }
                            Label {
                                text: qsTr("Framerate") + ":"
                            }
                            Label {
                                objectName: "currentFramerate"
                                text: root.currentFramerate
                            }
                        }
                    }

                    Column {
                        width: (parent.width - parent.spacing) / 2
                        spacing: 5

                        Label {
                            text: qsTr("Settings")
                            font.bold: true
                        }

                        Grid {
                            columns: 2
                            columnSpacing: 5
                            rowSpacing: 5
                            verticalItemAlignment: Grid.AlignVCenter

                            Label {
                                text: qsTr("Camera")
                            }
                            ComboBox {
                                id: cameraBox

                                objectName: "cameraBox"
                                model: cameraEmulationManager.cameras
                                onModelChanged: {
                                    var widest = 0
                                    var names = cameraEmulationManager.cameras
                                    for (var i = 0; i < names.length; ++i)
                                        widest = Math.max(widest, names[i].length * Qt.application.font.pixelSize)
                                    implicitWidth = widest
                                }
                                onActivated: cameraEmulationManager.cameraName = cameraEmulationManager.cameras[index]
                            }
                            Label {
                                text: qsTr("Resolution")
                            }
                            ComboBox {
                                objectName: "resolutionBox"
                                model: cameraEmulationManager.resolutions
                                textRole: "string"
                                onActivated: cameraEmulationManager.resolutionIndex = index
                            }
                            Label {
                                text: qsTr("Framerate")
                            }
                            ComboBox {
                                objectName: "framerateBox"
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

            Button {
                anchors.right: parent.right
                text: qsTr("Update cameras list")
                onClicked: cameraEmulationManager.updateCamerasList()
            }
        }
    }
}
