import QtQuick 2.5
import QtTest 1.2
import "helpers.js" as Helpers

Item {
    id: top

    width: 1600
    height: 1000

    TestCase {
        readonly property var pageNames: ["Sensors Management", "Sensors Values", "Orientation Management",
            "GPS Management", "Camera Management"]

        function isText(item) {
            return item.truncated !== undefined && item.contentWidth !== undefined
        }

        function rect(item, x, y, width, height) {
            var origin = item.mapToItem(null, x, y)
            return { left: origin.x, top: origin.y, right: origin.x + width, bottom: origin.y + height }
        }

        function intersection(a, b) {
            return { left: Math.max(a.left, b.left), top: Math.max(a.top, b.top),
                     right: Math.min(a.right, b.right), bottom: Math.min(a.bottom, b.bottom) }
        }

        // The visible texts, where they are drawn, and the visible controls
        // (whose insides are their own business) under `item`; each with the
        // area it must stay in: the window, or across a scroll view.
        function leaves(item, area, found) {
            if (!item.visible || item.opacity === 0)
                return found
            if (item.flickableItem !== undefined && item.rowCount === undefined) {
                var viewport = rect(item.viewport, 0, 0, item.viewport.width, item.viewport.height)
                return leaves(item.contentItem, { left: viewport.left, right: viewport.right, top: -Infinity,
                                                  bottom: Infinity, shown: viewport }, found)
            }
            var text = isText(item)
            var alignment = { [Text.AlignHCenter]: 0.5, [Text.AlignRight]: 1 }[item.effectiveHorizontalAlignment] || 0
            var where = !text ? rect(item, 0, 0, item.width, item.height)
                              : rect(item, (item.width - item.contentWidth) * alignment,
                                     item.verticalAlignment === Text.AlignVCenter ? (item.height - item.contentHeight) / 2 : 0,
                                     item.contentWidth, item.contentHeight)
            if (item.__panel !== undefined || item.rowCount !== undefined || (text && item.text !== ""))
                found.push({ item: item, text: text, rect: where, area: area,
                             shown: intersection(where, area.shown || where) })
            else if (!text)
                Array.from(item.children).forEach(child => leaves(child, area, found))
            return found
        }

        function describe(leaf) {
            return "'" + (leaf.item.text || leaf.item.objectName || leaf.item) + "' at " + JSON.stringify(leaf.rect)
        }

        // A camera with a long name, its settings applied.
        function plugInCamera(page) {
            var name = "Integrated Camera: Integrated Camera"
            testDevice.plugIn(name, "video/x-raw,format=I420,width=640,height=480,framerate=30/1")
            tryVerify(() => cameraEmulationManager.cameras.indexOf(name) >= 0)
            findChild(page, "cameraBox").activated(cameraEmulationManager.cameras.indexOf(name))
            findChild(page, "hostCameraButton").checked = true
            cameraEmulationManager.setCameraStreamSettings()
        }

        function cleanup() {
            verify(testDevice.setLanguage(""))
            testDevice.unplugAll()
            tryCompare(cameraEmulationManager.cameras, "length", 0)
        }

        // Without a camera, the camera page shows the video file.
        function test_pageFits_data() {
            var rows = []
            pageNames.concat("Camera Management with a camera").forEach((name, page) => [[800, 500], [1600, 1000]]
                .forEach(size => ["en", "ru"].forEach(lang => rows.push({
                    tag: [name, size.join("x"), lang].join(" "), page: Math.min(page, 4), camera: page === 5,
                    width: size[0], height: size[1], language: lang }))))
            return rows
        }

        // Every text readable in full, every control at least its natural
        // size, none of them over another or beyond the window's width.
        function test_pageFits(data) {
            verify(testDevice.setLanguage(data.language))
            // Made in its language.
            var view = createTemporaryQmlObject('import "qrc:/mimicry/qml"; MimicryView { width: %1; height: %2 }'
                                                .arg(data.width).arg(data.height), top)
            compare(Helpers.pageButton(view, pageNames[0]) === null, data.language === "ru")
            Helpers.activate(view, view.pagesIds[data.page])
            if (data.camera)
                plugInCamera(view.pagesIds[data.page])
            wait(100)

            var found = leaves(view, { left: 0, top: 0, right: data.width, bottom: data.height }, [])
            verify(found.length > 10, found.length + " items")
            var faults = []
            found.forEach((leaf, i) => {
                var item = leaf.item
                var inside = intersection(leaf.rect, leaf.area)
                if (inside.left > leaf.rect.left + 1 || inside.right < leaf.rect.right - 1
                        || inside.top > leaf.rect.top + 1 || inside.bottom < leaf.rect.bottom - 1)
                    faults.push(describe(leaf) + " beyond the window or its scroll view")
                if (leaf.text ? item.truncated : Helpers.find(item, text => isText(text) && text.visible && text.truncated))
                    faults.push(describe(leaf) + " cut")
                if (!leaf.text && (item.width < item.implicitWidth - 0.5 || item.height < item.implicitHeight - 0.5))
                    faults.push(describe(leaf) + " smaller than " + item.implicitWidth + "x" + item.implicitHeight)
                found.slice(0, i).forEach(other => {
                    var both = intersection(leaf.shown, other.shown)
                    if (both.right - both.left > 1 && both.bottom - both.top > 1)
                        faults.push(describe(leaf) + " overlaps " + describe(other))
                })
            })
            verify(faults.length === 0, "\n" + faults.join("\n"))
        }

        name: "Layout"
        when: windowShown
    }
}
