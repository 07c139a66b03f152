import QtQuick 2.5
import QtTest 1.2
import "qrc:/mimicry/qml"
import "helpers.js" as Helpers

Item {
    width: 1100
    height: 600

    MimicryView {
        id: view
    }

    TestCase {
        readonly property var errorDialog: findChild(view, "errorDialog")
        readonly property var page: view.pagesIds[4]
        readonly property string twoSizes: "video/x-raw,format=I420,width=640,height=480,framerate=30/1;"
                                           + "video/x-raw,format=I420,width=320,height=240,framerate=15/1"

        function child(name) {
            return findChild(page, name)
        }

        function currentValues() {
            return ["currentCameraName", "currentResolution", "currentFramerate"].map(name => child(name).text)
        }

        // A camera plugged in, chosen in the camera box and set as the source.
        function plugIn(name) {
            testDevice.plugIn(name, twoSizes)
            tryVerify(() => cameraEmulationManager.cameras.indexOf(name) >= 0)
            child("cameraBox").activated(cameraEmulationManager.cameras.indexOf(name))
            compare(cameraEmulationManager.cameraName, name)
            child("hostCameraButton").checked = true
        }

        function openVideoFile(url) {
            child("videoFileButton").checked = true
            page.openVideoFile(url)
        }

        function init() {
            view.switchVisiblePage(page)
        }

        function cleanup() {
            cameraEmulationManager.stopVideoStream()
            cameraEmulationManager.stopCameraStream()
            testDevice.unplugAll()
            tryCompare(cameraEmulationManager.cameras, "length", 0)
            errorDialog.close()
        }

        // Runs first: the page was made while the host had no camera.
        function test_a_noCameraAtCreation() {
            compare(child("hostCameraButton").enabled, false)
            compare(child("videoFileButton").checked, true)
            compare(child("startButton").enabled, false)

            var clip = testDevice.clip("vp8")
            page.openVideoFile("file://" + clip)
            compare(child("videoFileField").text, "file://" + clip)
            tryCompare(cameraEmulationManager, "streamRunning", true)
            compare(child("startButton").enabled, false)
            mouseClick(child("stopButton"))
            compare(cameraEmulationManager.streamRunning, false)
            compare(child("startButton").enabled, true)
        }

        function test_currentValuesChangeOnlyOnApply() {
            plugIn("Test Camera A")
            cameraEmulationManager.setCameraStreamSettings()
            compare(currentValues(), ["Test Camera A", "640x480", "30/1"])
            cameraEmulationManager.resolutionIndex = 1
            compare(currentValues(), ["Test Camera A", "640x480", "30/1"])
            mouseClick(Helpers.button(page, "Set settings"))
            compare(currentValues(), ["Test Camera A", "320x240", "15/1"])
        }

        function test_switchingSourcesWhileStreaming() {
            plugIn("Test Camera A")
            mouseClick(Helpers.button(page, "Set settings"))
            mouseClick(child("startButton"))
            tryCompare(cameraEmulationManager, "streamRunning", true)
            tryVerify(() => testDevice.cameraPlaying())

            // Without a file, the video source only stops the camera.
            page.videoFilePath = ""
            child("videoFileButton").checked = true
            compare(cameraEmulationManager.streamRunning, false)

            // With one, the running video gives way to the camera and back.
            page.openVideoFile("file://" + testDevice.clip("vp8"))
            tryCompare(cameraEmulationManager, "streamRunning", true)
            verify(!testDevice.cameraPlaying())
            child("hostCameraButton").checked = true
            tryVerify(() => testDevice.cameraPlaying())
            compare(cameraEmulationManager.streamRunning, true)
            child("videoFileButton").checked = true
            tryVerify(() => !testDevice.cameraPlaying())
            compare(cameraEmulationManager.streamRunning, true)
        }

        // Each as the file dialog hands it over, without holding the GUI
        // thread; only VP8 and VP9 stream. A refused file is dropped: Start
        // then uses the camera, or waits for another file without one.
        function test_videoFileKinds_data() {
            var unknown = "Could not determine the video codec of the video file. Supported codecs: VP8 and VP9."
            var theora = "Camera emulation does not support Theora. Supported codecs: VP8 and VP9."
            return [
                { tag: "FIFO, refused at once", kind: "fifo", name: "", error: unknown },
                { tag: "Theora", kind: "theora", name: "", error: theora },
                { tag: "Theora, with a camera", kind: "theora", name: "", error: theora, camera: true },
                { tag: "VP8 named with %, #, ? and a space", kind: "vp8", name: "100% #1? clip.webm" }
            ]
        }

        function test_videoFileKinds(data) {
            if (data.camera)
                plugIn("Test Camera A")
            var path = testDevice.clip(data.kind, data.name)
            verify(path !== "")
            var started = Date.now()
            openVideoFile(testDevice.fileUrl(path))
            verify(Date.now() - started < 3000, "the GUI thread was held")
            if (!data.error) {
                compare(page.videoFilePath, path)
                tryCompare(cameraEmulationManager, "streamRunning", true)
                verify(!errorDialog.visible)
                return
            }
            tryCompare(errorDialog, "visible", true, 10000)
            compare(errorDialog.text, data.error)
            compare(cameraEmulationManager.streamRunning, false)
            compare(child("videoFileField").text, "")
            compare(child("hostCameraButton").checked, !!data.camera)
            // Without a camera, a file path left behind would enable Start.
            compare(child("startButton").enabled, !!data.camera)
        }

        function test_leavingThePageStopsTheStream() {
            plugIn("Test Camera A")
            mouseClick(child("startButton"))
            tryCompare(cameraEmulationManager, "streamRunning", true)
            view.switchVisiblePage(view.pagesIds[0])
            compare(cameraEmulationManager.streamRunning, false)
            verify(!testDevice.cameraPlaying())
        }

        // The camera at its smaller size, or a clip of 320x240 at 30 frames a second.
        function startSource(source) {
            if (source === "file")
                return openVideoFile(testDevice.fileUrl(testDevice.clip("vp8", "moving ball.webm")))
            plugIn("Test Camera A")
            cameraEmulationManager.resolutionIndex = 1
            mouseClick(Helpers.button(page, "Set settings"))
            mouseClick(child("startButton"))
        }

        SignalSpy {
            id: infoSpy

            target: cameraEmulationManager
            signalName: "streamInfoChanged"
        }

        function test_streamStatus_data() {
            return [{ tag: "camera", source: "Test Camera A", rate: 15,
                      reason: "The camera \"Test Camera A\" was unplugged." },
                    { tag: "file", source: "moving ball.webm", rate: 30, reason: "The stream stopped: " }]
        }

        // Refreshed once a second with the frames counted so far; once the
        // stream stops by itself (unplugged, or the file gone before the clip
        // starts again), why.
        function test_streamStatus(data) {
            startSource(data.tag)
            tryVerify(() => cameraEmulationManager.framesSent > 0, 5000)
            infoSpy.clear()
            var frames = cameraEmulationManager.framesSent
            var started = Date.now()
            wait(2500)
            var seconds = (Date.now() - started) / 1000
            verify(infoSpy.count >= 2 && infoSpy.count <= 3, "updates: " + infoSpy.count)
            var counted = cameraEmulationManager.framesSent - frames
            verify(counted > 0 && counted <= 1.5 * data.rate * seconds, counted + " frames in " + seconds + " s")
            compare(child("streamStatus").text, "Sending: %1, 320x240, %2 fps; frames sent: %3"
                    .arg(data.source).arg(data.rate).arg(cameraEmulationManager.framesSent))

            if (data.tag === "camera")
                testDevice.unplugAll()
            else
                verify(testDevice.removeFile(page.videoFilePath))
            tryCompare(cameraEmulationManager, "streamRunning", false, 5000)
            verify(child("streamStatus").text.startsWith(data.reason), child("streamStatus").text)
            // The next stream has no reason to give when it is stopped.
            startSource("file")
            tryCompare(cameraEmulationManager, "streamRunning", true)
            mouseClick(child("stopButton"))
            compare(child("streamStatus").text, "")
        }

        name: "CameraManagementPage"
        when: windowShown
    }
}
