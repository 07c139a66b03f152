.pragma library

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
    var found = findAll(item, predicate)
    return found.length > 0 ? found[0] : null
}

function pageButton(view, text) {
    return find(view, function(item) { return item.text === text && item.active !== undefined })
}

function button(root, text) {
    return find(root, function(item) { return item.text === text && item.clicked !== undefined })
}

// SliderWithTextField instances, in the order they are laid out.
function sliders(root) {
    return findAll(root, function(item) { return item.textFieldFocus !== undefined })
}

function textField(slider) {
    return find(slider, function(item) { return item.acceptableInput !== undefined })
}

function comboBox(root) {
    return find(root, function(item) { return item.currentIndex !== undefined && item.activated !== undefined })
}

var sensorNames = ["accelerometer", "compass", "orientation", "magnetometer", "gyroscope", "als",
                   "proximity", "tap"]
