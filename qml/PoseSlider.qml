import QtQuick 2.5
import QtQuick.Controls 1.4

// One labelled axis of the phone's pose. Nothing else holds the pose, so the
// slider keeps what the user chose.
Item {
    id: root

    property alias text: label.text
    property alias value: slider.value
    property alias minValue: slider.minValue
    property alias maxValue: slider.maxValue
    property alias stepSize: slider.stepSize
    property alias numberRoundingSize: slider.numberRoundingSize
    property alias integer: slider.integer

    // After the user moved the slider or entered a value.
    signal submitted()

    width: parent.width
    height: slider.height
    implicitWidth: slider.implicitWidth

    Label {
        id: label

        anchors.verticalCenter: parent.verticalCenter
    }

    SliderWithTextField {
        id: slider

        anchors.leftMargin: Math.max(50, label.implicitWidth + 10)

        onSliderSubmited: {
            slider.value = value
            root.submitted()
        }
    }
}
