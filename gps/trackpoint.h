#pragma once

namespace Mimicry {
namespace Internal {

// A point of a track as the NMEA parser gives it: decimal degrees, metres,
// and milliseconds from the track's start (time) and from the point before
// (interval). Its index is its place in the track.
struct TrackPoint
{
    double latitude = 0;
    double longitude = 0;
    double altitude = 0;
    double time = 0;
    double interval = 0;
};

} // namespace Internal
} // namespace Mimicry
