#pragma once

#include "trackpoint.h"

#include <QObject>
#include <QPointer>
#include <QThread>
#include <QVariantMap>
#include <QVector>

#include <atomic>

namespace Mimicry {
namespace Internal {

class TrackPointModel;

// Reads a track file's text on a worker thread: a GPX or KML document with
// XmlTrackReader, anything else as an NMEA log with js/nmea-parsing.js in an
// engine of its own that stays warm for the next file. The points become the
// rows of a TrackPointModel and the guest's loadTrack argument there too; the
// GUI thread only swaps the result into the model. Only the newest parse
// reports: starting another one, or cancel(), drops the older result and
// stops it if it is still running.
class TrackFileParser : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Mimicry::Internal::TrackPointModel *model READ model WRITE setModel NOTIFY modelChanged)

public:
    struct Result
    {
        QVector<TrackPoint> points;
        QString trackArgument;
        bool withoutDateTime = false;
        bool ok = false;
        QString errorMessage;
        int errorLine = 0;
    };

    explicit TrackFileParser(QObject *parent = nullptr);
    ~TrackFileParser() override;

    TrackPointModel *model() const { return m_model; }
    void setModel(TrackPointModel *model);

    // Parses on the calling thread, in an engine made for it if the text
    // is an NMEA log.
    static Result parseText(const QString &text);

    // The result comes with finished().
    Q_INVOKABLE void parse(const QString &text);
    // Parses at once and returns what finished() would carry.
    Q_INVOKABLE QVariantMap parseNow(const QString &text);
    Q_INVOKABLE void cancel();

signals:
    void modelChanged();
    // On success the model already holds the track, and the map holds
    // withoutDateTime; on failure the model is untouched and the map holds
    // error, with its message and incorrectLine.
    void finished(const QVariantMap &result);

private:
    QVariantMap apply(Result result);

    QPointer<TrackPointModel> m_model;
    QThread m_thread;
    QObject *m_worker = nullptr;
    // Raised to drop what an older parse reports; the worker reads it to
    // leave a file nobody waits for.
    std::atomic<quint64> m_generation{0};
};

} // namespace Internal
} // namespace Mimicry
