#include "remotedbusinvokerservice.h"

#include <QUrl>

namespace Mimicry {
namespace Internal {

const quint16 webSocketPort = 5454;

RemoteDBusInvokerService::RemoteDBusInvokerService(QObject *parent)
    : QObject(parent)
    , m_webSocket(QString(), QWebSocketProtocol::VersionLatest)
{
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &RemoteDBusInvokerService::openConnection);

    connect(&m_webSocket, &QWebSocket::connected, this, &RemoteDBusInvokerService::handleConnected);
    connect(&m_webSocket, &QWebSocket::disconnected, this, &RemoteDBusInvokerService::handleDisconnected);
    connect(&m_webSocket, &QWebSocket::textMessageReceived, this, &RemoteDBusInvokerService::replyReceived);
}

RemoteDBusInvokerService::~RemoteDBusInvokerService()
{
    // Nothing of ours may run while the socket tears itself down.
    m_webSocket.disconnect(this);
    m_retryTimer.stop();
}

quint16 RemoteDBusInvokerService::port()
{
    return webSocketPort;
}

void RemoteDBusInvokerService::setRetryDelays(int firstMs, int maximumMs)
{
    m_firstRetryDelay = firstMs;
    m_maximumRetryDelay = qMax(firstMs, maximumMs);
    m_nextRetryDelay = firstMs;
}

void RemoteDBusInvokerService::openConnection()
{
    m_retryTimer.stop();
    m_webSocket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(port())));
}

void RemoteDBusInvokerService::sendCommand(const QString &bus, const QString &service,
                                           const QString &objectPath, const QString &interface,
                                           const QString &method, const QString &arguments)
{
    m_sentMethods.insert(method);
    // One pass over the template, so a field containing "%2" goes out as is.
    m_webSocket.sendTextMessage(QStringLiteral("%1 %2 %3 %4 %5 %6")
                                    .arg(bus, service, objectPath, interface, method, arguments));
}

void RemoteDBusInvokerService::handleConnected()
{
    m_connected = true;
    m_nextRetryDelay = m_firstRetryDelay;
    emit webSocketConnected();
}

void RemoteDBusInvokerService::handleDisconnected()
{
    if (m_connected) {
        // A drop: listeners learn of it first, then the channel tries again
        // straight away.
        m_connected = false;
        emit webSocketDisconnected();
        openConnection();
        return;
    }
    // The socket reports every refused attempt as a disconnection; retrying
    // at once would spin on a guest that is not there.
    m_retryTimer.start(m_nextRetryDelay);
    m_nextRetryDelay = qMin(m_nextRetryDelay * 2, m_maximumRetryDelay);
}

} // namespace Internal
} // namespace Mimicry
