import QtQuick 2.5
import QtTest 1.2
import "qrc:/mimicry/qml"
import "helpers.js" as Helpers

Item {
    id: top

    width: 1600
    height: 1000

    // Made for each case, in its language.
    Component {
        id: viewComponent

        MimicryView {}
    }

    TestCase {
        property var view: null
        readonly property var pageNames: ["Sensors Management", "Sensors Values", "Orientation Management",
            "GPS Management", "Camera Management"]

        // A Controls 1 control draws itself; what it holds is its own business.
        function isControl(item) {
            return item.__panel !== undefined || item.rowCount !== undefined
        }

        function isText(item) {
            return item.truncated !== undefined && item.contentWidth !== undefined && item.text !== undefined
        }

        function sceneRect(item, x, y, width, height) {
            var origin = item.mapToItem(null, x, y)
            return { left: origin.x, top: origin.y, right: origin.x + width, bottom: origin.y + height }
        }

        // Where the text is drawn, which may reach beyond the item.
        function textRect(text) {
            var factor = { [Text.AlignLeft]: 0, [Text.AlignHCenter]: 0.5, [Text.AlignRight]: 1 }
            var dx = (text.width - text.contentWidth) * (factor[text.effectiveHorizontalAlignment] || 0)
            var dy = (text.height - text.contentHeight)
                     * (text.verticalAlignment === Text.AlignVCenter ? 0.5
                                                                     : text.verticalAlignment === Text.AlignBottom ? 1 : 0)
            return sceneRect(text, dx, dy, text.contentWidth, text.contentHeight)
        }

        // The visible texts and controls under `item`, each with the area it
        // must stay in: the window, or across a scroll view's viewport. What
        // the viewport shows of it is `shown`.
        function leaves(item, area, found) {
            if (!item.visible || item.opacity === 0)
                return found
            if (item.flickableItem !== undefined && item.rowCount === undefined) {
                item.flickableItem.contentX = 0
                var viewport = sceneRect(item.viewport, 0, 0, item.viewport.width, item.viewport.height)
                return leaves(item.contentItem, { left: viewport.left, right: viewport.right,
                                                  top: -Infinity, bottom: Infinity, shown: viewport }, found)
            }
            if (isControl(item)) {
                found.push({ item: item, rect: sceneRect(item, 0, 0, item.width, item.height), area: area })
                return found
            }
            if (isText(item)) {
                if (item.text !== "")
                    found.push({ item: item, rect: textRect(item), area: area, text: true })
                return found
            }
            for (var i = 0; i < item.children.length; ++i)
                leaves(item.children[i], area, found)
            return found
        }

        function describe(leaf) {
            var item = leaf.item
            var name = item.text || item.objectName || String(item).split("(")[0]
            return "'" + name + "' at " + [leaf.rect.left, leaf.rect.top, leaf.rect.right, leaf.rect.bottom]
                    .map(Math.round).join(",")
        }

        function intersection(a, b) {
            return { left: Math.max(a.left, b.left), right: Math.min(a.right, b.right),
                     top: Math.max(a.top, b.top), bottom: Math.min(a.bottom, b.bottom) }
        }

        function overlap(a, b) {
            var both = intersection(intersection(a.rect, a.area.shown || a.rect),
                                    intersection(b.rect, b.area.shown || b.rect))
            return both.right - both.left > 1 && both.bottom - both.top > 1
        }

        // A camera with a long name, its settings applied, or a video file.
        function chooseSource(page, source) {
            if (source === "camera") {
                var name = "Integrated Camera: Integrated Camera"
                testDevice.plugIn(name, "video/x-raw,format=I420,width=640,height=480,framerate=30/1")
                tryVerify(() => cameraEmulationManager.cameras.indexOf(name) >= 0)
                findChild(page, "cameraBox").activated(cameraEmulationManager.cameras.indexOf(name))
                findChild(page, "hostCameraButton").checked = true
                cameraEmulationManager.setCameraStreamSettings()
            } else if (source === "file") {
                findChild(page, "videoFileButton").checked = true
            }
        }

        function init() {
            Helpers.resetSensors(sensorsEmulationManager, testDevice)
        }

        function cleanup() {
            view.destroy()
            view = null
            verify(language.setLanguage(""))
            testDevice.unplugAll()
            tryCompare(cameraEmulationManager.cameras, "length", 0)
        }

        function test_pageFits_data() {
            var pages = pageNames.map((name, index) => ({ name: name, page: index }))
            pages.splice(4, 1, { name: "Camera Management, camera", page: 4, source: "camera" },
                         { name: "Camera Management, video file", page: 4, source: "file" })
            var rows = []
            pages.forEach(page => [[800, 500], [1600, 1000]].forEach(size => ["en", "ru"].forEach(lang => rows.push({
                tag: page.name + " " + size.join("x") + " " + lang,
                page: page.page, source: page.source, width: size[0], height: size[1], language: lang
            }))))
            return rows
        }

        // Every text readable in full and clear of the others, every control
        // at least its natural size, and nothing beyond the window's width.
        function test_pageFits(data) {
            verify(language.setLanguage(data.language))
            view = viewComponent.createObject(top, { width: data.width, height: data.height })
            compare(Helpers.pageButton(view, pageNames[0]) === null, data.language === "ru")
            Helpers.activate(view, view.pagesIds[data.page])
            chooseSource(view.pagesIds[data.page], data.source)
            wait(100)

            var found = leaves(view, { left: 0, top: 0, right: data.width, bottom: data.height }, [])
            verify(found.length > 10, found.length + " items")
            var faults = []
            found.forEach(leaf => {
                var item = leaf.item
                var rect = leaf.rect
                if (rect.left < leaf.area.left - 1 || rect.right > leaf.area.right + 1
                        || rect.top < leaf.area.top - 1 || rect.bottom > leaf.area.bottom + 1)
                    faults.push(describe(leaf) + " outside " + [leaf.area.left, leaf.area.right].join("-"))
                if (leaf.text ? item.truncated : Helpers.find(item, text => isText(text) && text.visible && text.truncated))
                    faults.push(describe(leaf) + " cut")
                if (!leaf.text && (item.width < item.implicitWidth - 0.5 || item.height < item.implicitHeight - 0.5))
                    faults.push(describe(leaf) + " smaller than " + item.implicitWidth + "x" + item.implicitHeight)
            })
            for (var i = 0; i < found.length; ++i) {
                for (var j = 0; j < found.length; ++j) {
                    if (found[i].text && i !== j && (j < i || !found[j].text) && overlap(found[i], found[j]))
                        faults.push(describe(found[i]) + " overlaps " + describe(found[j]))
                }
            }
            verify(faults.length === 0, "\n" + faults.join("\n"))
        }

        name: "Layout"
        when: windowShown
    }
}
