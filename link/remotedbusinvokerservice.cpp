#include "remotedbusinvokerservice.h"

#include <QStringBuilder>

#include <utility>

namespace Mimicry {
namespace Internal {

const quint16 webSocketPort = 5454;
// Replies are short lines; anything far larger is a guest gone wrong, and
// Qt would otherwise buffer it whole on the GUI thread. The limit grows with
// the longest call sent.
const quint64 maximumIncomingSize = 64 * 1024;

RemoteDBusInvokerService::RemoteDBusInvokerService(QObject *parent)
    : QObject(parent)
    , m_webSocket(QString(), QWebSocketProtocol::VersionLatest)
    , m_url(QStringLiteral("ws://127.0.0.1:%1").arg(webSocketPort))
{
    m_webSocket.setMaxAllowedIncomingFrameSize(maximumIncomingSize);
    m_webSocket.setMaxAllowedIncomingMessageSize(maximumIncomingSize);

    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &RemoteDBusInvokerService::openConnection);
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(5000);
    connect(&m_connectTimer, &QTimer::timeout, this, &RemoteDBusInvokerService::handleConnectTimeout);

    connect(&m_webSocket, &QWebSocket::connected, this, &RemoteDBusInvokerService::handleConnected);
    connect(&m_webSocket, &QWebSocket::aboutToClose, this, &RemoteDBusInvokerService::handleAboutToClose);
    connect(&m_webSocket, &QWebSocket::disconnected, this, &RemoteDBusInvokerService::handleDisconnected);
    // First, so that a call made from a reply's listener counts it answered.
    connect(&m_webSocket, &QWebSocket::textMessageReceived, this, [this] {
        if (m_unanswered > 0)
            --m_unanswered;
    });
    connect(&m_webSocket, &QWebSocket::textMessageReceived, this, &RemoteDBusInvokerService::replyReceived);
}

RemoteDBusInvokerService::~RemoteDBusInvokerService()
{
    // Nothing of ours may run while the socket tears itself down.
    m_webSocket.disconnect(this);
    m_retryTimer.stop();
    m_connectTimer.stop();
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

void RemoteDBusInvokerService::setConnectionTimes(int connectTimeoutMs, int stableMs)
{
    m_connectTimer.setInterval(connectTimeoutMs);
    m_stableTime = stableMs;
}

void RemoteDBusInvokerService::openConnection()
{
    m_retryTimer.stop();
    m_connectTimer.start();
    m_webSocket.open(m_url);
}

void RemoteDBusInvokerService::sendCommand(const QString &bus, const QString &service,
                                           const QString &objectPath, const QString &interface,
                                           const QString &method, const QString &arguments)
{
    m_sentMethods.insert(method);
    const QLatin1Char space(' ');
    const QString line = bus % space % service % space % objectPath % space % interface % space % method
                         % space % arguments;
    // The reply repeats the call's arguments, so a long track comes back
    // about as long as it went out and must still fit.
    const quint64 replyRoom = maximumIncomingSize + 2 * quint64(line.size());
    if (replyRoom > m_webSocket.maxAllowedIncomingMessageSize()) {
        m_webSocket.setMaxAllowedIncomingFrameSize(replyRoom);
        m_webSocket.setMaxAllowedIncomingMessageSize(replyRoom);
    }
    m_webSocket.sendTextMessage(line);
    // A call to an idle guest goes on the wire now rather than on the next
    // turn of the event loop, so the guest works on it while the caller
    // updates its models and the QML bound to them. Calls behind it wait for
    // that turn and leave in one write.
    if (m_unanswered++ == 0)
        m_webSocket.flush();
}

void RemoteDBusInvokerService::handleConnected()
{
    m_connectTimer.stop();
    m_connected = true;
    m_unanswered = 0;
    m_connectedSince.start();
    emit webSocketConnected();
}

void RemoteDBusInvokerService::handleAboutToClose()
{
    // The socket keeps its close code across connections and announces a
    // close more than once, so the code is taken here and read once.
    m_closeCode = m_webSocket.closeCode();
}

void RemoteDBusInvokerService::handleDisconnected()
{
    m_connectTimer.stop();
    if (std::exchange(m_closeCode, QWebSocketProtocol::CloseCodeNormal)
        == QWebSocketProtocol::CloseCodeTooMuchData) {
        qWarning("Mimicry: the emulator sent a message larger than %llu bytes; it was dropped "
                 "together with the connection.",
                 static_cast<unsigned long long>(m_webSocket.maxAllowedIncomingMessageSize()));
    }

    if (!m_connected) {
        // The socket reports every refused attempt as a disconnection, and
        // may report one given up by the timeout twice; retrying at once
        // would spin on a guest that is not there.
        if (!m_retryTimer.isActive())
            retryLater();
        return;
    }

    // A drop: listeners learn of it first. A connection that lasted was a
    // success and is tried again straight away; one that ended at once
    // counts as a failed attempt, or a guest that accepts and hangs up
    // would be reconnected to without pause.
    m_connected = false;
    const bool lasted = m_connectedSince.elapsed() >= m_stableTime;
    emit webSocketDisconnected();
    if (lasted) {
        m_nextRetryDelay = m_firstRetryDelay;
        openConnection();
    } else {
        retryLater();
    }
}

void RemoteDBusInvokerService::handleConnectTimeout()
{
    // A guest that takes the connection but never answers the handshake
    // would hold the channel for good.
    m_webSocket.abort();
    // The abort is normally reported as a disconnection, which schedules
    // the next attempt; without one, nothing else would.
    if (!m_retryTimer.isActive())
        retryLater();
}

void RemoteDBusInvokerService::retryLater()
{
    m_retryTimer.start(m_nextRetryDelay);
    m_nextRetryDelay = qMin(m_nextRetryDelay * 2, m_maximumRetryDelay);
}

} // namespace Internal
} // namespace Mimicry
