import QtQuick 2.5

Rectangle {
    id: root

    width: 1100
    height: 600
    color: themeBackgroundColorNormal
}
