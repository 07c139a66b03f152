#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>

namespace Guest {

// Makes asynchronous calls on one bus connection, with only so many of them
// under way at a time. A bus daemon refuses calls beyond its limit of
// pending replies per connection (128 on a stock system bus), and a burst
// of command lines would otherwise hit it. The rest wait here in order.
class BusCaller : public QObject
{
    Q_OBJECT

public:
    using Callback = std::function<void(const QDBusMessage &reply)>;

    explicit BusCaller(const QDBusConnection &connection, QObject *parent = nullptr);

    static int defaultMaximumPending() { return 32; }
    void setMaximumPending(int calls);
    // Milliseconds; -1 leaves it to QtDBus.
    void setCallTimeout(int milliseconds) { m_callTimeout = milliseconds; }

    // done gets the method return or error. Nothing is called once context
    // is gone; calls of a context that is gone before they start are dropped.
    void call(const QDBusMessage &message, QObject *context, const Callback &done);

    int pendingCount() const { return m_pending; }
    int waitingCount() const { return int(m_waiting.size()); }

private:
    struct Call
    {
        QDBusMessage message;
        QPointer<QObject> context;
        Callback done;
    };

    void startWaiting();

    QDBusConnection m_connection;
    std::deque<Call> m_waiting;
    int m_pending = 0;
    int m_maximumPending = defaultMaximumPending();
    int m_callTimeout = -1;
};

} // namespace Guest
