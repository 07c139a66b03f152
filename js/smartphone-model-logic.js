.pragma library

// The phone's pose and what its sensors read from it: pure functions of
// numbers. The rotated axes need three.js, which the caller hands in as its
// THREE object, so that the library is loaded only where it is used.
//
// Angles are in degrees. The phone's axes: X to the right of the screen, Y to
// its top, Z out of the screen.

var gravityAccelEarth = 9.80665;
var accGravityCoef = 1000 / gravityAccelEarth;
var emulatedValueLimit = 3000;

var degreesToRadians = Math.PI / 180;

function sinDeg(angle) {
    return Math.sin(angle * degreesToRadians);
}

function cosDeg(angle) {
    return Math.cos(angle * degreesToRadians);
}

// The guest's accelerometer and gyroscope take no more than this.
function limitEmulatedValue(value) {
    return Math.abs(value) <= emulatedValueLimit ? value : (value < 0 ? -emulatedValueLimit : emulatedValueLimit);
}

// m/s² as the guest will have it: whole thousandths of g.
function convertAccValue(value) {
    return Math.trunc(value * accGravityCoef) / accGravityCoef;
}

// Gravity, (0, g, 0) in the world, as the rotated phone feels it.
function gravityAcceleration(x, y, z) {
    var g = gravityAccelEarth;
    return {
        x: g * cosDeg(x) * sinDeg(z) + g * sinDeg(x) * sinDeg(y) * cosDeg(z),
        y: g * cosDeg(x) * cosDeg(z) - g * sinDeg(x) * sinDeg(y) * sinDeg(z),
        z: -g * cosDeg(y) * sinDeg(x)
    };
}

// The acceleration over the last tick of a point that was at `previous` with
// `speed` and is now at `position`, from s = v·t + a·t²/2.
function moveAcceleration(position, previous, speed, interval) {
    return 2 * (position - previous) / (interval * interval) - 2 * speed / interval;
}

// The phone's own acceleration (m along its moved axes) in its rotated frame.
// Unlike the Y and Z lines, the X line subtracts the Y and Z movements; the
// guest's readings have always been derived this way.
function ownAcceleration(mX, mY, mZ, x, y, z) {
    var sx = sinDeg(x), cx = cosDeg(x), sy = sinDeg(y), cy = cosDeg(y), sz = sinDeg(z), cz = cosDeg(z);
    return {
        x: mX * cy * cz - mY * cx * sz - mY * sx * sy * cz - mZ * sx * sz + mZ * cx * sy * cz,
        y: -mX * cy * sz + mY * cx * cz - mY * sx * sy * sz + mZ * sx * cz + mZ * cx * sy * sz,
        z: mX * sy - mY * sx * cy + mZ * cx * cy
    };
}

// Degrees turned since the previous tick; a slider that wrapped around went
// the short way over ±180, in whichever direction it was going.
function rotationDifference(value, previous, wrapped) {
    var difference = value - previous;
    return wrapped ? difference - 360 * Math.round(difference / 360) : difference;
}

// Revolutions per second.
function rotationFrequency(difference, interval) {
    return difference / (360 * interval);
}

// Degrees per second about the phone's axes for rotation rates (revolutions
// per second) of the three sliders.
function gyroscopeValues(fX, fY, fZ, x, y, z) {
    var radiansToDegrees = 180 / Math.PI;
    var turn = 2 * Math.PI;
    return {
        x: turn * (fX * cosDeg(z) * cosDeg(y) + fY * sinDeg(z)) * radiansToDegrees,
        y: turn * (-fX * sinDeg(z) * cosDeg(y) + fY * cosDeg(z)) * radiansToDegrees,
        z: turn * (fZ + fX * sinDeg(y)) * radiansToDegrees
    };
}

// A rotation beyond ±180 comes back in from the other side.
function wrappedRotation(value) {
    if (Math.abs(value) <= 180)
        return value;
    return value > 0 ? -180 : 180;
}

// The phone's X, Y and Z axes after the Euler rotation (order XYZ) by the
// slider angles, as three.js Vector3s.
function rotatedAxes(THREE, x, y, z) {
    var euler = new THREE.Euler(x * degreesToRadians, y * degreesToRadians, z * degreesToRadians, 'XYZ');
    return {
        x: new THREE.Vector3(1, 0, 0).applyEuler(euler),
        y: new THREE.Vector3(0, 1, 0).applyEuler(euler),
        z: new THREE.Vector3(0, 0, 1).applyEuler(euler)
    };
}

// The pose as the 3D view draws it, a 4x4 matrix row by row: the rotation
// of rotatedAxes() (its columns are the rotated axes) and the shift.
function poseMatrix(x, y, z, shiftX, shiftY, shiftZ) {
    var sx = sinDeg(x), cx = cosDeg(x), sy = sinDeg(y), cy = cosDeg(y), sz = sinDeg(z), cz = cosDeg(z);
    return [cy * cz, -cy * sz, sy, shiftX,
            cx * sz + sx * sy * cz, cx * cz - sx * sy * sz, -sx * cy, shiftY,
            sx * sz - cx * sy * cz, sx * cz + cx * sy * sz, cx * cy, shiftZ,
            0, 0, 0, 1];
}

// Turning about the world's vertical axis with one slider: Y-Rot turns about
// Rx·(0, 1, 0), Z-Rot about Rx·Ry·(0, 0, 1). The one standing closer to
// upright does it, with the sign that turns the front the way the mouse went.
function horizontalDragAxis(x, y) {
    var yUp = cosDeg(x);
    var zUp = -sinDeg(x) * cosDeg(y);
    if (Math.abs(yUp) >= Math.abs(zUp))
        return { axis: "y", sign: yUp < 0 ? -1 : 1 };
    return { axis: "z", sign: zUp < 0 ? -1 : 1 };
}

// The field's projection on an axis: |B|·cos of the angle between them. A
// zero field has no angle; a right angle makes the reading 0.
function calculateMagnetometerValue(axis, field) {
    var angle = axis.angleTo(field);
    if (isNaN(angle))
        angle = Math.PI / 2;
    return field.length() * Math.cos(angle);
}
