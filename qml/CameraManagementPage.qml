import QtQuick 2.5

Item {
    id: root

    property bool active: false

    // The switch goes on first; a stream must not keep running behind
    // another page.
    function exitPage(callback) {
        callback()
        if (cameraEmulationManager.streamRunning) {
            cameraEmulationManager.stopCameraStream()
            cameraEmulationManager.stopVideoStream()
        }
    }

    visible: active
}
