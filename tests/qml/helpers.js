.pragma library

var sensorNames = ["accelerometer", "compass", "orientation", "magnetometer", "gyroscope", "als",
                   "proximity", "tap"]

// Items below `item`, depth first in child order, for which `predicate` holds.
function findAll(item, predicate) {
    var found = []
    var children = item.children || []
    for (var i = 0; i < children.length; ++i) {
        if (predicate(children[i]))
            found.push(children[i])
        found = found.concat(findAll(children[i], predicate))
    }
    return found
}

function find(item, predicate) {
    return findAll(item, predicate)[0] || null
}

function pageButton(view, text) {
    return find(view, item => item.text === text && item.active !== undefined)
}

function button(root, text) {
    return find(root, item => item.text === text && item.clicked !== undefined)
}

// SliderWithTextField instances, in the order they are laid out.
function sliders(root) {
    return findAll(root, item => item.textFieldFocus !== undefined)
}

function textField(slider) {
    return find(slider, item => item.acceptableInput !== undefined)
}

// Types `keys` over the field's text, as `testCase` sends them.
function typeInto(testCase, textField, keys) {
    textField.forceActiveFocus()
    textField.selectAll()
    for (var i = 0; i < keys.length; ++i)
        testCase.keyClick(keys[i])
}

function comboBox(root) {
    return find(root, item => item.currentIndex !== undefined && item.activated !== undefined)
}

function without(names, removed) {
    return names.filter(name => removed.indexOf(name) < 0)
}

// Every sensor available and switched on, as after a fresh connection.
function resetSensors(manager, device) {
    for (var i = 0; i < sensorNames.length; ++i) {
        if (!manager.sensorsAvailability[sensorNames[i]])
            device.setSensorAvailable(sensorNames[i], true)
        manager.setSensorEnabled(sensorNames[i], true)
    }
}

// Only `page` of the view's pages active.
function activate(view, page) {
    view.pagesIds.forEach(item => { item.active = false })
    page.active = true
}
