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
        readonly property var page: view.pagesIds[3]

        name: "FileDialogs"
        when: windowShown

        function init() {
            view.switchVisiblePage(page)
            page.trackPoints.clear()
            page.nmeaFileUrl = ""
        }

        function test_trackFromTheDialog_data() {
            return [
                { tag: "chosen", file: "nmea/short-walk.nmea" },
                { tag: "cancelled", file: "" }
            ]
        }

        // The "…" button asks for the file over the window; what is chosen loads.
        function test_trackFromTheDialog(data) {
            mouseClick(Helpers.button(page, "\u2026"))
            var shown = {}
            // Answered once: tryVerify asks again after the last try.
            tryVerify(() => Object.keys(shown).length > 0
                      || Object.keys(shown = dialogs.answerFileDialog(data.file)).length > 0)
            compare(shown, { title: "Open NMEA File", overWindow: true, filters: ["Track files (*.nmea *.gpx *.kml)",
                            "NMEA files (*.nmea)", "GPX files (*.gpx)", "KML files (*.kml)"] })
            if (data.file) {
                tryVerify(() => page.trackPoints.count > 0)
                verify(page.nmeaFileUrl.endsWith("/tests/data/" + data.file), page.nmeaFileUrl)
            } else {
                wait(50)
                compare([page.nmeaFileUrl, page.trackPoints.count], ["", 0])
            }
        }
    }
}
