#pragma once

#include <QString>

// Short clips made at test time with gst-launch-1.0, so none is committed.
namespace TestVideos {

enum class Kind { Vp8, Vp9, Theora, Truncated };

// Writes the clip into dir and returns its path, or an empty string (with
// the reason in *error) when gst-launch-1.0 or an encoder is missing.
QString make(const QString &dir, Kind kind, int width, int height, int frames, QString *error);

} // namespace TestVideos
