#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariant>

QT_BEGIN_NAMESPACE
class QSettings;
QT_END_NAMESPACE

namespace Mimicry {
namespace Internal {

// Holds what SettingsManager writes for up to flushDelay and hands it to the
// settings in one go. QSettings rewrites its whole file after each change,
// and the sensors store every value they send: without this, every call to
// the guest would wait for a file write on the GUI thread.
//
// While one exists, every SettingsManager writes through it and reads what it
// holds first. Its owner flushes it whenever the values must be on disk.
class SettingsWriteBuffer : public QObject
{
    Q_OBJECT

public:
    static constexpr int flushDelay = 1000; // ms: at most this much is lost in a crash

    explicit SettingsWriteBuffer(QSettings *settings, QObject *parent = nullptr);
    ~SettingsWriteBuffer() override;

    static SettingsWriteBuffer *current();

    void write(const QString &key, const QVariant &value);
    // Invalid when nothing is held for the key.
    QVariant pending(const QString &key) const;
    // Writes what is held to the settings and their file.
    void flush();

private:
    QPointer<QSettings> m_settings;
    QHash<QString, QVariant> m_pending;
    QTimer m_timer;
};

} // namespace Internal
} // namespace Mimicry
