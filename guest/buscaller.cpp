#include "buscaller.h"

#include <QDBusPendingCallWatcher>

#include <algorithm>

namespace Guest {

BusCaller::BusCaller(const QDBusConnection &connection, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
{
}

void BusCaller::setMaximumPending(int calls)
{
    m_maximumPending = std::max(1, calls);
    startWaiting();
}

void BusCaller::call(const QDBusMessage &message, QObject *context, const Callback &done)
{
    m_waiting.push_back({message, context, done});
    startWaiting();
}

void BusCaller::startWaiting()
{
    while (m_pending < m_maximumPending && !m_waiting.empty()) {
        const Call call = m_waiting.front();
        m_waiting.pop_front();
        if (!call.context)
            continue;
        auto watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(call.message, m_callTimeout), this);
        ++m_pending;
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, call](QDBusPendingCallWatcher *watcher) {
            --m_pending;
            watcher->deleteLater();
            if (call.context)
                call.done(watcher->reply());
            startWaiting();
        });
    }
}

} // namespace Guest
