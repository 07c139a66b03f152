#pragma once

namespace Mimicry {
namespace Internal {

// The values the sensors start with, that "defaults" brings back and that
// the settings store reads when it holds nothing valid.
namespace SensorDefaults {

// Thousandths of g; at rest the device lies face up, so gravity shows on z.
constexpr int accelerometerX = 0;
constexpr int accelerometerY = 0;
constexpr int accelerometerZ = 1000;

constexpr int alsLux = 100;

// 0.02 rad/s about z, in degrees per second.
constexpr double gyroscopeX = 0.0;
constexpr double gyroscopeY = 0.0;
constexpr double gyroscopeZ = 1.1459155902616465;

// A typical Earth field, in microtesla.
constexpr double magneticFieldX = 0.0;
constexpr double magneticFieldY = 5.95;
constexpr double magneticFieldZ = -48.76;

// Tesla; with the accelerometer at rest this makes a heading of 90 degrees.
constexpr double magnetometerX = 4.3e-5;
constexpr double magnetometerY = 0.0;
constexpr double magnetometerZ = 0.0;

constexpr int calibrationLevel = 0;
constexpr int proximityReflectance = 5;

} // namespace SensorDefaults

} // namespace Internal
} // namespace Mimicry
