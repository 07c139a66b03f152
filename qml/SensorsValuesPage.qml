import QtQml 2.2
import QtQuick 2.5
import QtQuick.Controls 1.4
import "../js/sensor-controls-view-logic.js" as Logic

Rectangle {
    id: root

    property bool active: false
    // The orientation page recomputes these sensors from the 3D model; the
    // main view asks before it throws changed values away.
    property bool modelSensorChanged: false
    property var sensorsControlsIds: [accelerometerControls, compassControls, orientationControls,
        magneticFieldControls, magnetometerControls, gyroscopeControls, lightSensorControls,
        proximityControls, tapControls]

    function exitPage(callback) {
        callback()
    }

    // A focused text field submits its value when it loses the focus.
    function clearFocus() {
        for (var i = 0; i < sensorsControlsIds.length; ++i)
            sensorsControlsIds[i].clearFocus()
    }

    function markModelSensorChanged() {
        modelSensorChanged = true
    }

    color: "transparent"
    visible: active

    onActiveChanged: {
        if (active)
            modelSensorChanged = false
    }

    Connections {
        target: sensorsEmulationManager

        function onSensorsEnabledStatesChanged() {
            Logic.updateSensorsControlsEnabledState()
        }
        function onSensorsAvailabilityChanged() {
            Logic.updateSensorsControlsVisibility()
        }
        function onSensorsInitialized() {
            root.modelSensorChanged = false
        }
    }

    // The sensors that the orientation page recomputes.
    Instantiator {
        model: [sensorsEmulationManager.accelerometer, sensorsEmulationManager.magnetometer,
            sensorsEmulationManager.magneticField, sensorsEmulationManager.gyroscope]

        delegate: Connections {
            target: modelData

            function onXChanged() { root.markModelSensorChanged() }
            function onYChanged() { root.markModelSensorChanged() }
            function onZChanged() { root.markModelSensorChanged() }
        }
    }

    ScrollView {
        id: scrollView

        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: resetValuesButton.top
        anchors.bottomMargin: 15
        clip: true

        Item {
            id: panels

            implicitWidth: grid.width + 30
            implicitHeight: grid.height + 30

            Grid {
                id: grid

                // The panels' labels and sliders line up across the page.
                readonly property real labelWidth: Math.max.apply(null, root.sensorsControlsIds.map(
                    function(panel) { return panel.labelsWidth }))
                readonly property real minimumPanelWidth: Math.max.apply(null, root.sensorsControlsIds.map(
                    function(panel) { return panel.minimumWidth }))

                x: 15
                y: 15
                // Room for the margins.
                width: Math.max(scrollView.viewport.width - 30, minimumPanelWidth)
                // Side by side only where each panel keeps its natural width.
                columns: width >= 2 * minimumPanelWidth + spacing ? 2 : 1
                spacing: 15

                AccelerometerControls {
                    id: accelerometerControls
                }

                MagnetometerControls {
                    id: magnetometerControls
                }

                CompassControls {
                    id: compassControls
                }

                MagneticFieldControls {
                    id: magneticFieldControls
                }

                OrientationSensorControls {
                    id: orientationControls
                }

                GyroscopeControls {
                    id: gyroscopeControls
                }

                LightSensorControls {
                    id: lightSensorControls
                }

                ProximitySensorControls {
                    id: proximityControls
                }

                Item {
                    width: grid.width / 2
                    height: 1
                }

                TapSensorControls {
                    id: tapControls
                }
            }
        }
    }

    Button {
        id: resetValuesButton

        anchors.right: parent.right
        anchors.margins: 15
        // Below the panels, or at the bottom where they need scrolling.
        y: Math.min(parent.height - height - 15, panels.implicitHeight + scrollView.anchors.bottomMargin)
        text: qsTr("Reset values")

        onClicked: {
            root.clearFocus()
            sensorsEmulationManager.setDefaultValues()
        }
    }
}
