// Shared by the main view and the two sensor pages. Not a library on purpose:
// every importing document gets its own copy, and the functions find
// sensorsEmulationManager, sensorsControlsIds and sensorControlsRelations by
// name in its scope.

// Guest text beyond this is cut: a message box lays out all it is given.
var maximumShownReplyLength = 300

function sensorEnabledCheckboxClickHandler(checked, sensorName) {
    if (checked)
        sensorsEmulationManager.enableSensor(sensorName)
    else
        sensorsEmulationManager.disableSensor(sensorName)
    sensorsEmulationManager.setSensorEnabled(sensorName, checked)
}

function dependentSensorsEnabledHandler(checked, sensorName) {
    var boxes = sensorControlsRelations[sensorName][checked]
    for (var i = 0; i < boxes.length; ++i)
        boxes[i].checked = checked
}

function updateSensorsControlsVisibility() {
    var availability = sensorsEmulationManager.sensorsAvailability
    for (var i = 0; i < sensorsControlsIds.length; ++i)
        sensorsControlsIds[i].visible = availability[sensorsControlsIds[i].sensorName] === true
}

function updateSensorsControlsEnabledState() {
    var states = sensorsEmulationManager.sensorsEnabledStates
    for (var i = 0; i < sensorsControlsIds.length; ++i)
        sensorsControlsIds[i].controlsEnabled = states[sensorsControlsIds[i].sensorName] === true
}

// All boxes, or only those of `sensorName` when it is given.
function updateSensorsControlsCheckedState(sensorName) {
    var states = sensorsEmulationManager.sensorsEnabledStates
    for (var i = 0; i < sensorsControlsIds.length; ++i) {
        var name = sensorsControlsIds[i].sensorName
        if (sensorName === undefined || name === sensorName)
            sensorsControlsIds[i].checked = states[name] === true
    }
}

function sensorsStatesHasChanged() {
    var states = sensorsEmulationManager.sensorsEnabledStates
    for (var i = 0; i < sensorsControlsIds.length; ++i) {
        if (sensorsControlsIds[i].checked !== states[sensorsControlsIds[i].sensorName])
            return true
    }
    return false
}

// The message dialogs take text that looks like HTML as rich text; a reply
// comes from outside and must show as it came.
function plainTextAsHtml(text) {
    var escaped = text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;')
    return '<html><body style="white-space:pre-wrap">' + escaped + '</body></html>'
}

function shortened(text) {
    if (text.length <= maximumShownReplyLength)
        return text
    return text.substring(0, maximumShownReplyLength) + '\u2026'
}

function replyFromEmulatorReceivedHandler(reply, errorDialog) {
    if (!reply || reply === 'OK')
        return
    errorDialog.showText(plainTextAsHtml(shortened(reply)))
}
