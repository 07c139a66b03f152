import QtQuick 2.5
import QtQuick.Controls 1.4
import "../js/smartphone-model-page-logic.js" as Logic

// Poses a virtual phone and derives the accelerometer, gyroscope and
// magnetometer readings of the guest from the pose and its changes.
ScrollView {
    id: root

    property bool active: false

    readonly property var locale: Qt.locale("en_US")
    readonly property double stepSize: 0.01
    readonly property int numberRoundingSize: 3
    readonly property bool integer: false
    readonly property double rotMinValue: -180
    readonly property double rotMaxValue: 180
    readonly property double moveMinValue: -2
    readonly property double moveMaxValue: 2
    readonly property double timerInterval: 0.1
    readonly property double phoneSizeCoefficient: 0.06
    readonly property double microToWholeCoef: 0.000001
    readonly property double dragDegreesPerPixel: 0.5
    readonly property double dragMovePerPixel: 0.01

    property bool controlModifierPressed: false

    property double xMovePrevPrevValue: 0
    property double xMovePrevValue: 0
    property double xMoveInitSpeed: 0
    property double yMovePrevPrevValue: 0
    property double yMovePrevValue: 0
    property double yMoveInitSpeed: 0
    property double zMovePrevPrevValue: 0
    property double zMovePrevValue: 0
    property double zMoveInitSpeed: 0

    property double xGyroPrevValue: 0
    property double xGyroRotFrequency: 0
    property bool xRotSliderReset: false
    property double yGyroPrevValue: 0
    property double yGyroRotFrequency: 0
    property bool yRotSliderReset: false
    property double zGyroPrevValue: 0
    property double zGyroRotFrequency: 0
    property bool zRotSliderReset: false

    property double accXValue: 0
    property double accYValue: 0
    property double accZValue: 0
    property double gyroXValue: 0
    property double gyroYValue: 0
    property double gyroZValue: 0
    property double magnetXValue: 0
    property double magnetYValue: 0
    property double magnetZValue: 0

    readonly property var iconsModel: ["qrc:/mimicry/icons/phone_1.png", "qrc:/mimicry/icons/phone_2.png",
        "qrc:/mimicry/icons/phone_3.png", "qrc:/mimicry/icons/phone_4.png", "qrc:/mimicry/icons/phone_5.png",
        "qrc:/mimicry/icons/phone_6.png"]
    readonly property var sensorLabels: [accelerometerLabel, gyroscopeLabel, magnetometerLabel]
    // The pose of each icon, in the same order.
    readonly property var presetNames: [qsTr("Upright"), qsTr("Landscape, top to the right"), qsTr("Upside down"),
        qsTr("Landscape, top to the left"), qsTr("Lying face up"), qsTr("Lying face down")]
    readonly property int currentPreset: Logic.matchingPreset(xRotSlider.value, yRotSlider.value, zRotSlider.value)

    function exitPage(callback) {
        callback()
    }

    // three.js is loaded on first use, not with the window at the IDE's
    // start. So the page derives nothing when it is created: hidden, it could
    // send only the magnetometer, on a channel that is not open yet and that
    // re-sends the stored values once it connects.
    function threeLibrary() {
        threeLoader.active = true
        return threeLoader.item.three
    }

    visible: active
    focus: visible

    // The page becomes shown when it becomes active; the accelerometer only
    // goes out while the page is shown.
    onVisibleChanged: {
        if (!visible)
            return
        forceActiveFocus()
        Logic.activated()
    }
    onControlModifierPressedChanged: Logic.switchMode()

    Keys.onPressed: Logic.keyPressed(event)
    Keys.onReleased: Logic.keyReleased(event)

    // A scroll view takes one item: everything else lives in it.
    Item {
        id: content

        width: Math.max(root.viewport.width, 450)
        height: Math.max(root.viewport.height, 300)
        implicitWidth: width
        implicitHeight: height

        // From the top of the mode row to the bottom margin: the left side or
        // the right column, whichever is taller.
        readonly property real controlsHeight: Math.max(modeRow.height + 10 + slidersArea.height,
                                                        5 + rightColumn.height)

        Connections {
            target: sensorsEmulationManager

            function onSensorsAvailabilityChanged() {
                Logic.updateSensorLabels()
            }
            function onSensorsEnabledStatesChanged() {
                Logic.updateSensorLabels()
            }
        }

        Timer {
            id: timer

            interval: root.timerInterval * 1000
            repeat: true
            running: root.active

            onTriggered: Logic.timerTriggered()
        }

        Loader {
            id: threeLoader

            active: false
            source: "ThreeLibrary.qml"
        }

        SmartphoneModel {
            id: smartphoneModel

            objectName: "smartphoneModel"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.bottom: separator.top
            pose: Logic.phonePose()

            onDragged: Logic.phoneDragged(dx, dy)
        }

        Rectangle {
            id: separator

            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: modeRow.top
            anchors.bottomMargin: 5
            height: 1
            color: themeSeparatorColor
        }

        ExclusiveGroup {
            id: modeGroup
        }

        Row {
            id: modeRow

            anchors.left: parent.left
            anchors.leftMargin: 5
            anchors.bottom: parent.bottom
            anchors.bottomMargin: content.controlsHeight + 10 - height
            spacing: 10

            RadioButton {
                id: rotationRadioButton

                text: qsTr("Rotation")
                checked: true
                exclusiveGroup: modeGroup
            }

            RadioButton {
                id: moveRadioButton

                text: qsTr("Move")
                exclusiveGroup: modeGroup
            }
        }

        Item {
            id: slidersArea

            anchors.left: parent.left
            anchors.leftMargin: 10
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 10
            // Half the page, or what the sliders need at their natural width.
            width: Math.max(parent.width / 2 - 10, xRotSlider.implicitWidth, yRotSlider.implicitWidth,
                            zRotSlider.implicitWidth, xMoveSlider.implicitWidth, yMoveSlider.implicitWidth,
                            zMoveSlider.implicitWidth)
            height: rotationSliders.visible ? rotationSliders.height : moveSliders.height

            Column {
                id: rotationSliders

                width: parent.width
                spacing: 20
                visible: rotationRadioButton.checked

                PoseSlider {
                    id: xRotSlider

                    text: qsTr("X-Rot")
                    minValue: root.rotMinValue
                    maxValue: root.rotMaxValue
                    stepSize: root.stepSize
                    numberRoundingSize: root.numberRoundingSize
                    integer: root.integer

                    onSubmitted: Logic.updatePoseSensors()
                }

                PoseSlider {
                    id: yRotSlider

                    text: qsTr("Y-Rot")
                    minValue: root.rotMinValue
                    maxValue: root.rotMaxValue
                    stepSize: root.stepSize
                    numberRoundingSize: root.numberRoundingSize
                    integer: root.integer

                    onSubmitted: Logic.updatePoseSensors()
                }

                PoseSlider {
                    id: zRotSlider

                    text: qsTr("Z-Rot")
                    minValue: root.rotMinValue
                    maxValue: root.rotMaxValue
                    stepSize: root.stepSize
                    numberRoundingSize: root.numberRoundingSize
                    integer: root.integer

                    onSubmitted: Logic.updatePoseSensors()
                }
            }

            // The clock reads these; moving them sends nothing by itself.
            Column {
                id: moveSliders

                width: parent.width
                spacing: 20
                visible: moveRadioButton.checked

                PoseSlider {
                    id: xMoveSlider

                    text: qsTr("X")
                    minValue: root.moveMinValue
                    maxValue: root.moveMaxValue
                    stepSize: root.stepSize
                    numberRoundingSize: root.numberRoundingSize
                    integer: root.integer
                }

                PoseSlider {
                    id: yMoveSlider

                    text: qsTr("Y")
                    minValue: root.moveMinValue
                    maxValue: root.moveMaxValue
                    stepSize: root.stepSize
                    numberRoundingSize: root.numberRoundingSize
                    integer: root.integer
                }

                PoseSlider {
                    id: zMoveSlider

                    text: qsTr("Z")
                    minValue: root.moveMinValue
                    maxValue: root.moveMaxValue
                    stepSize: root.stepSize
                    numberRoundingSize: root.numberRoundingSize
                    integer: root.integer
                }
            }
        }

        Item {
            anchors.left: slidersArea.right
            anchors.leftMargin: 10
            anchors.right: parent.right
            anchors.rightMargin: 10
            anchors.top: modeRow.top
            anchors.topMargin: 5
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 10

            Column {
                id: rightColumn

                width: parent.width
                spacing: 5

                Label {
                    width: parent.width
                    wrapMode: Text.Wrap
                    text: qsTr("Device rotation")
                }

                Flow {
                    width: parent.width
                    spacing: 5

                    Repeater {
                        model: root.iconsModel

                        // The style would shrink an iconSource to 16 pixels.
                        Button {
                            implicitWidth: 40
                            implicitHeight: 40
                            tooltip: root.presetNames[index]
                            checkable: true
                            checked: root.currentPreset === index + 1

                            onClicked: {
                                Logic.switchOrientation(index + 1)
                                // A click toggles the state and so drops the binding.
                                checked = Qt.binding(function() { return root.currentPreset === index + 1 })
                            }

                            Image {
                                anchors.centerIn: parent
                                source: modelData
                            }
                        }
                    }
                }

                Column {
                    id: resultsColumn

                    width: parent.width
                    spacing: 5

                    Label {
                        width: parent.width
                        wrapMode: Text.Wrap
                        text: qsTr("Resulting values")
                    }

                    Label {
                        id: accelerometerLabel

                        readonly property string sensorName: "accelerometer"

                        width: parent.width
                        wrapMode: Text.Wrap
                        text: qsTr("Accelerometer (m/s²)") + ": "
                              + Logic.formatValues(Logic.convertAccValue(root.accXValue),
                                                   Logic.convertAccValue(root.accYValue),
                                                   Logic.convertAccValue(root.accZValue))
                    }

                    Label {
                        id: gyroscopeLabel

                        readonly property string sensorName: "gyroscope"

                        width: parent.width
                        wrapMode: Text.Wrap
                        text: qsTr("Gyroscope (°/s)") + ": "
                              + Logic.formatValues(root.gyroXValue, root.gyroYValue, root.gyroZValue)
                    }

                    Label {
                        id: magnetometerLabel

                        readonly property string sensorName: "magnetometer"

                        width: parent.width
                        wrapMode: Text.Wrap
                        text: qsTr("Magnetometer (μT)") + ": "
                              + Logic.formatValues(root.magnetXValue, root.magnetYValue, root.magnetZValue)
                    }
                }
            }
        }
    }
}
