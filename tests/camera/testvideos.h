#pragma once

#include <QSize>
#include <QString>

// Short clips made at test time with gst-launch-1.0, so none is committed.
namespace TestVideos {

// A FIFO is no clip but what a file dialog may still hand over under a
// clip's name.
enum class Kind { Vp8, Vp9, Theora, Fifo };

// Whether gst-launch-1.0 and every element the clips need are installed;
// the reason in *missing (empty before) when not.
bool available(QString *missing);

// Writes the clip into dir and returns its path, or warns why not and
// returns an empty string. A non-empty fileName replaces the kind's own.
// Readers left waiting on a FIFO are let go (end of file) after four
// seconds, so that a check that blocks on it fails instead of hanging.
QString make(const QString &dir, Kind kind, QSize size, int frames, const QString &fileName = QString());

} // namespace TestVideos
