#include "settingswritebuffer.h"

#include <QSettings>

namespace Mimicry {
namespace Internal {

namespace {

SettingsWriteBuffer *currentBuffer = nullptr;

} // namespace

SettingsWriteBuffer::SettingsWriteBuffer(QSettings *settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(flushDelay);
    connect(&m_timer, &QTimer::timeout, this, &SettingsWriteBuffer::flush);
    currentBuffer = this;
}

SettingsWriteBuffer::~SettingsWriteBuffer()
{
    flush();
    if (currentBuffer == this)
        currentBuffer = nullptr;
}

SettingsWriteBuffer *SettingsWriteBuffer::current()
{
    return currentBuffer;
}

void SettingsWriteBuffer::write(const QString &key, const QVariant &value)
{
    m_pending.insert(key, value);
    // Not restarted by later writes: a steady stream of values still reaches
    // the file once per delay.
    if (!m_timer.isActive())
        m_timer.start();
}

QVariant SettingsWriteBuffer::pending(const QString &key) const
{
    return m_pending.value(key);
}

void SettingsWriteBuffer::flush()
{
    m_timer.stop();
    if (m_pending.isEmpty() || !m_settings)
        return;
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it)
        m_settings->setValue(it.key(), it.value());
    m_pending.clear();
    m_settings->sync();
}

} // namespace Internal
} // namespace Mimicry
