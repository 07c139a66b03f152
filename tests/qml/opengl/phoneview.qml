import QtQuick 2.5
import QtTest 1.2
import org.plover 1.0
import "qrc:/mimicry/qml"
import "../helpers.js" as Helpers

// The orientation page's 3D view with real OpenGL (Xvfb and Mesa): what it
// draws, and the mouse on it.
Item {
    id: testRoot

    width: 900
    height: 600

    SmartphoneModelPage {
        id: page

        anchors.fill: parent
    }

    Connections {
        target: testRoot.Window.window

        function onFrameSwapped() {
            ++testCase.framesSwapped
        }
    }

    TestCase {
        id: testCase

        property var view: Helpers.find(page, item => item.dragged !== undefined && item.pose !== undefined)
        property var scene: findChild(view, "phoneScene")
        property int framesSwapped: 0
        property var sliders: Helpers.sliders(page)

        function presetButton(preset) {
            return Helpers.find(page, item => item.source !== undefined
                                && String(item.source) === page.iconsModel[preset - 1]).parent
        }

        function gyroscopeCalls() {
            return guest.calls.filter(call => call.indexOf("setGyroscopeValues ") === 0)
        }

        function settle() {
            tryVerify(() => view.drawn && !scene.drawing, 5000, "the picture to settle")
        }

        // The view's picture once it has settled: pixels on a grid of 8.
        function picture() {
            settle()
            var image = grabImage(view)
            var pixels = []
            for (var y = 4; y < image.height; y += 8) {
                for (var x = 4; x < image.width; x += 8)
                    pixels.push(String(image.pixel(x, y)))
            }
            return pixels
        }

        // The share of grid pixels in which two pictures differ.
        function difference(first, second) {
            return first.filter((pixel, i) => pixel !== second[i]).length / first.length
        }

        function pose(preset) {
            mouseClick(presetButton(preset))
            return picture()
        }

        function initTestCase() {
            Helpers.resetSensors(sensorsEmulationManager, testDevice)
            // The shipped phone, as a configuration would name it.
            view.meshSource = Qt.resolvedUrl("../../../model3d/models/meshes/phone.obj")
            view.textureSource = Qt.resolvedUrl("../../../model3d/models/textures/phone.png")
            page.active = true
            tryVerify(() => view.meshLoaded, 10000, "the phone's mesh to load")
            compare(findChild(view, "noOpenGLNote").visible, false)
        }

        // Face up and upright look nothing alike, and the same pose looks
        // the same again.
        function test_posesLookDifferent() {
            var upright = pose(1)
            verify(difference(upright, pose(5)) > 0.03)
            compare(difference(upright, pose(1)), 0)
        }

        // Without a mesh to load, the built-in phone stands in: something is
        // drawn where the upright phone stands, against the empty sky beside
        // it, and it is not the mesh.
        function test_builtInPhone() {
            var mesh = view.meshSource
            var withMesh = pose(1)
            view.meshSource = ""
            tryVerify(() => view.drawn && !view.meshLoaded)
            var builtIn = picture()
            var image = grabImage(view)
            view.meshSource = mesh
            tryVerify(() => view.meshLoaded, 10000)
            var y = Math.round(image.height * 0.4)
            verify(String(image.pixel(image.width / 2, y)) !== String(image.pixel(image.width / 10, y)))
            verify(difference(builtIn, withMesh) > 0.01)
        }

        // The process's CPU time over two seconds, as a share of one core.
        function idleShare() {
            var before = testDevice.processCpuMs()
            wait(2000)
            return (testDevice.processCpuMs() - before) / 2000
        }

        // A still phone costs no frames, neither of the scene nor of the
        // window, and under 1 % of a core more than the page without it; a
        // change draws for a moment, then it is still again.
        function test_stillPhoneDrawsNothing() {
            pose(1)
            // Away from the button, whose tooltip would draw.
            mouseMove(testRoot, 1, 1)
            wait(100)
            var drawnBefore = scene.framesDrawn
            framesSwapped = 0
            var shown = idleShare()
            compare(scene.framesDrawn, drawnBefore)
            compare(framesSwapped, 0)
            view.visible = false
            tryVerify(() => scene.status === OnDemandScene.Null)
            var without = idleShare()
            view.visible = true
            tryVerify(() => view.drawn, 10000)
            settle()
            var cost = ((shown - without) * 100).toFixed(2)
            console.log("idle, the phone shown: " + cost + " % of a core more than without it")
            verify(shown - without < 0.01, cost + " % of a core")
            drawnBefore = scene.framesDrawn
            mouseClick(presetButton(5))
            tryVerify(() => scene.drawing)
            settle()
            verify(scene.framesDrawn > drawnBefore)
        }

        // A new size draws a new picture.
        function test_resizeRedraws() {
            settle()
            var drawnBefore = scene.framesDrawn
            testRoot.width = 700
            tryVerify(() => scene.framesDrawn > drawnBefore)
            settle()
            testRoot.width = 900
            settle()
        }

        // Leaving the page tears the scene down; coming back draws the same
        // picture again.
        function test_pageShownAgain() {
            var before = pose(5)
            page.active = false
            tryVerify(() => scene.status === OnDemandScene.Null && !scene.item)
            page.active = true
            tryVerify(() => view.meshLoaded, 10000)
            compare(difference(picture(), before), 0)
        }

        // Dragging the phone lying face up across turns Z-Rot, and the clock
        // sends the gyroscope line that the slider change sends.
        function test_dragTurnsThePhone() {
            guest.clear()
            mouseClick(presetButton(5))
            // The tick after the jump to face up, then the one that says it stopped.
            var still = "setGyroscopeValues double:0 double:0 double:0"
            tryVerify(() => gyroscopeCalls().length >= 2 && gyroscopeCalls().slice(-1)[0] === still, 5000)
            guest.clear()
            var x = view.width / 2, y = view.height / 2
            mousePress(view, x, y)
            mouseMove(view, x + 20, y, -1, Qt.LeftButton)
            mouseRelease(view, x + 20, y)
            compare(sliders.slice(0, 3).map(slider => slider.value), [-90, 0, 10])
            tryVerify(() => gyroscopeCalls().length > 0, 3000)
            compare(gyroscopeCalls()[0], "setGyroscopeValues double:0 double:0 double:100")
        }

        name: "PhoneView"
        when: windowShown
    }
}
