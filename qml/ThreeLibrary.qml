import QtQuick 2.5
import "../js/three.js" as Three

// three.js, a megabyte of script, behind a component of its own so that the
// orientation page can load it through a Loader when it first needs it.
Item {
    readonly property var three: Three.THREE

    visible: false
}
