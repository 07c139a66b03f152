#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>

namespace Mimicry {
namespace Internal {

// The one command channel to the guest: a WebSocket client that sends one
// text line per D-Bus call and hands every text message back unchanged.
// Once opened it keeps reconnecting for as long as it exists.
class RemoteDBusInvokerService : public QObject
{
    Q_OBJECT

public:
    explicit RemoteDBusInvokerService(QObject *parent = nullptr);
    ~RemoteDBusInvokerService() override;

    void openConnection();
    void sendCommand(const QString &bus, const QString &service, const QString &objectPath,
                     const QString &interface, const QString &method, const QString &arguments);
    // Whether any caller ever sent a command with this method name.
    bool hasSentMethod(const QString &method) const { return m_sentMethods.contains(method); }

    // Failed attempts are retried after the first delay, doubling up to the
    // second; a connection that stays up starts over. Tests shorten them.
    void setRetryDelays(int firstMs, int maximumMs);
    // An attempt not connected within the first time is given up; a
    // connection counts as a success once it has lasted the second.
    void setConnectionTimes(int connectTimeoutMs, int stableMs);

    // Where the guest's command service is reached; tests run their own
    // guest elsewhere. Takes effect with the next attempt.
    QUrl url() const { return m_url; }
    Q_INVOKABLE void setUrl(const QUrl &url) { m_url = url; }

    static quint16 port();

signals:
    void webSocketConnected();
    void webSocketDisconnected();
    void replyReceived(const QString &reply);

private:
    void handleConnected();
    void handleAboutToClose();
    void handleDisconnected();
    void handleConnectTimeout();
    void retryLater();

    QWebSocket m_webSocket;
    QTimer m_retryTimer;
    QTimer m_connectTimer;
    QElapsedTimer m_connectedSince;
    QWebSocketProtocol::CloseCode m_closeCode = QWebSocketProtocol::CloseCodeNormal;
    QSet<QString> m_sentMethods;
    QUrl m_url;
    bool m_connected = false;
    // Calls sent on this connection that have no reply yet.
    int m_unanswered = 0;
    int m_firstRetryDelay = 100;
    int m_maximumRetryDelay = 1000;
    int m_nextRetryDelay = 100;
    int m_stableTime = 2000;
};

} // namespace Internal
} // namespace Mimicry
