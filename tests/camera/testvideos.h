#pragma once

#include <QString>

// Short clips made at test time with gst-launch-1.0, so none is committed.
namespace TestVideos {

enum class Kind { Vp8, Vp9, Theora, Truncated };

// Whether gst-launch-1.0 and every element the clips need are installed;
// the reason in *missing when not.
bool available(QString *missing);

// Writes the clip into dir and returns its path, or an empty string with
// the reason in *error. A non-empty fileName replaces the kind's own.
QString make(const QString &dir, Kind kind, int width, int height, int frames, QString *error,
             const QString &fileName = QString());

} // namespace TestVideos
