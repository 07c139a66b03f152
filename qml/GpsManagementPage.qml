import QtQuick 2.5

Item {
    id: root

    property bool active: false

    function exitPage(callback) {
        callback()
    }

    visible: active
}
