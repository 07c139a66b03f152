import QtQuick 2.8
import QtQuick.Controls 1.4
import org.plover 1.0

// The phone in 3D, posed as the page's sliders say; dragging it reports how
// far the mouse went, and the page turns that into slider changes. The
// scene needs OpenGL; it is drawn off screen, only while it changes, and
// exists only while the view is shown. Without OpenGL a note stands in its
// place.
Item {
    id: root

    // From the page: rotation and shift, in metres.
    property matrix4x4 pose

    readonly property bool openGL: GraphicsInfo.api === GraphicsInfo.OpenGL
    // The phone is on screen, with its mesh loaded or as the built-in box.
    readonly property bool drawn: scene.status === OnDemandScene.Ready && scene.item.ready
                                  && scene.framesDrawn > 0
    readonly property bool meshLoaded: drawn && scene.item.meshShown

    property url meshSource
    property url textureSource

    // Pixels the mouse moved while dragging, right and down positive.
    signal dragged(real dx, real dy)

    function readModelConfig() {
        var configured = smartphone3DModelConfig.smartphone3DModelConfigured()
        meshSource = configured ? smartphone3DModelConfig.smartphone3DModelMeshUri : ""
        textureSource = configured ? smartphone3DModelConfig.smartphone3DModelTextureUri : ""
    }

    Component.onCompleted: readModelConfig()

    Connections {
        target: smartphone3DModelConfig

        function onSmartphone3DModelConfigChanged() {
            root.readModelConfig()
        }
    }

    OnDemandScene {
        id: scene

        objectName: "phoneScene"
        anchors.fill: parent
        // Made in the background: the page is there at once, the phone
        // follows.
        source: root.openGL && root.visible ? "PhoneScene.qml" : ""

        onItemChanged: {
            if (!item)
                return
            item.pose = Qt.binding(() => root.pose)
            item.meshSource = Qt.binding(() => root.meshSource)
            item.textureSource = Qt.binding(() => root.textureSource)
            item.backgroundColor = Qt.binding(() => themeBackgroundColorNormal)
        }
    }

    Label {
        objectName: "noOpenGLNote"

        anchors.centerIn: parent
        width: Math.min(implicitWidth, parent.width - 20)
        elide: Text.ElideRight
        visible: !root.openGL || scene.status === OnDemandScene.Error
        text: qsTr("The 3D view of the phone needs OpenGL.")
    }

    MouseArea {
        property point last

        anchors.fill: parent
        enabled: scene.status === OnDemandScene.Ready
        cursorShape: pressed ? Qt.ClosedHandCursor : Qt.OpenHandCursor

        onPressed: last = Qt.point(mouse.x, mouse.y)
        onPositionChanged: {
            root.dragged(mouse.x - last.x, mouse.y - last.y)
            last = Qt.point(mouse.x, mouse.y)
        }
    }
}
