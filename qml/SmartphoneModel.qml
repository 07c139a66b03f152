import QtQuick 2.5

// Where the 3D view of the phone goes: nothing is drawn yet, so it has no
// size and leaves the mouse to what lies below.
Item {
    width: 0
    height: 0
    enabled: false
}
