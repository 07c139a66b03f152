.import "smartphone-model-logic.js" as Model

// The orientation page's state machine. Not a library: the functions find the
// page's properties, its controls and sensorsEmulationManager by name in the
// scope of SmartphoneModelPage, which is the only document importing this.

// X-Rot and Z-Rot of the six preset poses; Y-Rot is always 0.
var orientationPresets = {
    1: [0, 0],      // upright portrait
    2: [0, -90],    // landscape, top to the right
    3: [0, 180],    // portrait upside down
    4: [0, 90],     // landscape, top to the left
    5: [-90, 0],    // lying face up
    6: [90, 0]      // lying face down
};

// Poses closer than this in every entry of their rotation count as one.
var presetTolerance = 1e-6;

// The rotation (order XYZ) by these angles, row by row: angles that differ
// but turn the phone alike give the same entries.
function rotationMatrix(x, y, z) {
    var a = Model.cosDeg(x), b = Model.sinDeg(x), c = Model.cosDeg(y), d = Model.sinDeg(y);
    var e = Model.cosDeg(z), f = Model.sinDeg(z);
    return [c * e, -c * f, d,
            a * f + b * e * d, a * e - b * f * d, -b * c,
            b * f - a * e * d, b * e + a * f * d, a * c];
}

// The preset (1 to 6) the phone is posed in, 0 for none.
function matchingPreset(x, y, z) {
    var pose = rotationMatrix(x, y, z);
    for (var preset = 1; preset <= 6; ++preset) {
        var presetPose = rotationMatrix(orientationPresets[preset][0], 0, orientationPresets[preset][1]);
        if (pose.every(function (value, i) { return Math.abs(value - presetPose[i]) < presetTolerance; }))
            return preset;
    }
    return 0;
}

function rotationMode() {
    return rotationRadioButton.checked;
}

var limitEmulatedValue = Model.limitEmulatedValue;
var convertAccValue = Model.convertAccValue;

// Fixed decimals in the page's locale; a value that rounds to zero loses its
// minus sign.
function formatNumber(value) {
    var text = Number(value).toLocaleString(locale, 'f', numberRoundingSize);
    return /^-[0.]+$/.test(text) ? text.substring(1) : text;
}

function formatValues(x, y, z) {
    return "%1 %2 %3".arg(formatNumber(x)).arg(formatNumber(y)).arg(formatNumber(z));
}

// On the clock's ticks (`onlyChanges`), a reading equal to the last one is
// neither sent nor shown again: a page left alone costs nothing.
function updateAccelerometerValues(onlyChanges) {
    if (!accelerometerLabel.visible || !accelerometerLabel.enabled)
        return;
    var x = xRotSlider.value, y = yRotSlider.value, z = zRotSlider.value;
    var acc = Model.gravityAcceleration(x, y, z);
    if (!rotationMode()) {
        var own = Model.ownAcceleration(
            Model.moveAcceleration(xMoveSlider.value * phoneSizeCoefficient, xMovePrevValue, xMoveInitSpeed,
                                   timerInterval),
            Model.moveAcceleration(yMoveSlider.value * phoneSizeCoefficient, yMovePrevValue, yMoveInitSpeed,
                                   timerInterval),
            Model.moveAcceleration(zMoveSlider.value * phoneSizeCoefficient, zMovePrevValue, zMoveInitSpeed,
                                   timerInterval),
            x, y, z);
        acc.x += own.x;
        acc.y += own.y;
        acc.z += own.z;
    }
    if (onlyChanges && acc.x === accXValue && acc.y === accYValue && acc.z === accZValue)
        return;
    accXValue = acc.x;
    accYValue = acc.y;
    accZValue = acc.z;
    sensorsEmulationManager.setAccelerometerValues(limitEmulatedValue(acc.x * Model.accGravityCoef),
                                                   limitEmulatedValue(acc.y * Model.accGravityCoef),
                                                   limitEmulatedValue(acc.z * Model.accGravityCoef));
}

function calculateRotationFrequency() {
    xGyroRotFrequency = Model.rotationFrequency(
        Model.rotationDifference(xRotSlider.value, xGyroPrevValue, xRotSliderReset), timerInterval);
    yGyroRotFrequency = Model.rotationFrequency(
        Model.rotationDifference(yRotSlider.value, yGyroPrevValue, yRotSliderReset), timerInterval);
    zGyroRotFrequency = Model.rotationFrequency(
        Model.rotationDifference(zRotSlider.value, zGyroPrevValue, zRotSliderReset), timerInterval);
    xRotSliderReset = false;
    yRotSliderReset = false;
    zRotSliderReset = false;
}

function updateGyroscopeValues(onlyChanges) {
    if (!gyroscopeLabel.enabled)
        return;
    var gyro = Model.gyroscopeValues(xGyroRotFrequency, yGyroRotFrequency, zGyroRotFrequency,
                                     xRotSlider.value, yRotSlider.value, zRotSlider.value);
    if (onlyChanges && gyro.x === gyroXValue && gyro.y === gyroYValue && gyro.z === gyroZValue)
        return;
    gyroXValue = gyro.x;
    gyroYValue = gyro.y;
    gyroZValue = gyro.z;
    sensorsEmulationManager.setGyroscopeValues(limitEmulatedValue(gyro.x), limitEmulatedValue(gyro.y),
                                               limitEmulatedValue(gyro.z));
}

function updateMagnetometerValues() {
    if (!magnetometerLabel.enabled || !rotationMode())
        return;
    var THREE = threeLibrary();
    var axes = Model.rotatedAxes(THREE, xRotSlider.value, yRotSlider.value, zRotSlider.value);
    var magneticField = sensorsEmulationManager.magneticField;
    var field = new THREE.Vector3(magneticField.x, magneticField.y, magneticField.z);
    magnetXValue = Model.calculateMagnetometerValue(axes.x, field);
    magnetYValue = Model.calculateMagnetometerValue(axes.y, field);
    magnetZValue = Model.calculateMagnetometerValue(axes.z, field);
    sensorsEmulationManager.setMagnetometerValues(magnetXValue * microToWholeCoef, magnetYValue * microToWholeCoef,
                                                  magnetZValue * microToWholeCoef);
}

function updatePoseSensors() {
    updateAccelerometerValues();
    updateMagnetometerValues();
}

function activated() {
    updateAccelerometerValues();
    sensorsEmulationManager.setGyroscopeValues(0, 0, 0);
    updateMagnetometerValues();
}

function timerTriggered() {
    if (rotationMode()) {
        calculateRotationFrequency();
        updateGyroscopeValues(true);
        xGyroPrevValue = xRotSlider.value;
        yGyroPrevValue = yRotSlider.value;
        zGyroPrevValue = zRotSlider.value;
        return;
    }
    xMoveInitSpeed = (xMovePrevValue - xMovePrevPrevValue) / timerInterval;
    yMoveInitSpeed = (yMovePrevValue - yMovePrevPrevValue) / timerInterval;
    zMoveInitSpeed = (zMovePrevValue - zMovePrevPrevValue) / timerInterval;
    updateAccelerometerValues(true);
    xMovePrevPrevValue = xMovePrevValue;
    yMovePrevPrevValue = yMovePrevValue;
    zMovePrevPrevValue = zMovePrevValue;
    xMovePrevValue = xMoveSlider.value * phoneSizeCoefficient;
    yMovePrevValue = yMoveSlider.value * phoneSizeCoefficient;
    zMovePrevValue = zMoveSlider.value * phoneSizeCoefficient;
}

// Not marked as a wrap: the next tick reports the jump as one reading.
function switchOrientation(preset) {
    var pose = orientationPresets[preset];
    if (!pose)
        return;
    xRotSlider.value = pose[0];
    yRotSlider.value = 0;
    zRotSlider.value = pose[1];
    updatePoseSensors();
}

// Tells whether the slider was beyond ±180 and had to be wrapped.
function wrapRotation(slider) {
    if (Math.abs(slider.value) <= rotMaxValue)
        return false;
    slider.value = Model.wrappedRotation(slider.value);
    return true;
}

// A wrap stays marked until the next tick has seen it.
function resetSlidersValue() {
    xRotSliderReset = wrapRotation(xRotSlider) || xRotSliderReset;
    yRotSliderReset = wrapRotation(yRotSlider) || yRotSliderReset;
    zRotSliderReset = wrapRotation(zRotSlider) || zRotSliderReset;
}

function moveBy(slider, step) {
    if ((step < 0 && slider.value > moveMinValue) || (step > 0 && slider.value < moveMaxValue))
        slider.value += step;
}

// The 3D view's pose, from the same sliders the sensors are derived from.
function phonePose() {
    return Qt.matrix4x4(Model.poseMatrix(xRotSlider.value, yRotSlider.value, zRotSlider.value,
                                         xMoveSlider.value * phoneSizeCoefficient,
                                         yMoveSlider.value * phoneSizeCoefficient,
                                         zMoveSlider.value * phoneSizeCoefficient));
}

function clampedMove(slider, delta) {
    slider.value = Math.min(moveMaxValue, Math.max(moveMinValue, slider.value + delta));
}

// A drag on the 3D view moves the sliders as a hand on them would: vertical
// drags turn about the horizontal axis (X-Rot), horizontal ones about the
// vertical; in move mode it shifts the phone, and the clock does the rest.
function phoneDragged(dx, dy) {
    if (!rotationMode()) {
        clampedMove(xMoveSlider, dx * dragMovePerPixel);
        clampedMove(yMoveSlider, -dy * dragMovePerPixel);
        return;
    }
    var turn = Model.horizontalDragAxis(xRotSlider.value, yRotSlider.value);
    var slider = turn.axis === "y" ? yRotSlider : zRotSlider;
    slider.value += turn.sign * dx * dragDegreesPerPixel;
    xRotSlider.value += dy * dragDegreesPerPixel;
    resetSlidersValue();
    updatePoseSensors();
}

function keyPressed(event) {
    if (event.key === Qt.Key_Control || (event.modifiers & Qt.ControlModifier))
        controlModifierPressed = true;
    resetSlidersValue();
    var rotation = rotationMode();
    var shift = (event.modifiers & Qt.ShiftModifier) !== 0;
    switch (event.key) {
    case Qt.Key_Left:
        if (!rotation)
            moveBy(xMoveSlider, -stepSize);
        else if (shift)
            yRotSlider.value -= 1;
        else
            zRotSlider.value -= 1;
        break;
    case Qt.Key_Right:
        if (!rotation)
            moveBy(xMoveSlider, stepSize);
        else if (shift)
            yRotSlider.value += 1;
        else
            zRotSlider.value += 1;
        break;
    case Qt.Key_Up:
        if (rotation)
            xRotSlider.value += 1;
        else
            moveBy(yMoveSlider, stepSize);
        break;
    case Qt.Key_Down:
        if (rotation)
            xRotSlider.value -= 1;
        else
            moveBy(yMoveSlider, -stepSize);
        break;
    default:
        break;
    }
    // The arrows pose the phone; they do not scroll the page.
    if (event.key === Qt.Key_Left || event.key === Qt.Key_Right || event.key === Qt.Key_Up
            || event.key === Qt.Key_Down) {
        event.accepted = true;
    }
    if (rotation)
        updatePoseSensors();
}

function keyReleased(event) {
    if (event.key === Qt.Key_Control || !(event.modifiers & Qt.ControlModifier))
        controlModifierPressed = false;
}

function switchMode() {
    if (rotationMode())
        moveRadioButton.checked = true;
    else
        rotationRadioButton.checked = true;
}

// Before the first change signal of the sensors manager every line is shown
// and enabled.
function updateSensorLabels() {
    var availability = sensorsEmulationManager.sensorsAvailability;
    var states = sensorsEmulationManager.sensorsEnabledStates;
    var anyAvailable = false;
    for (var i = 0; i < sensorLabels.length; ++i) {
        var name = sensorLabels[i].sensorName;
        sensorLabels[i].visible = availability[name] === true;
        sensorLabels[i].enabled = states[name] === true;
        anyAvailable = anyAvailable || availability[name] === true;
    }
    resultsColumn.visible = anyAvailable;
}
