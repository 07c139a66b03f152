#include "loopbackechoserver.h"

#include <QHostAddress>
#include <QStringBuilder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QWebSocketServer>

namespace MimicryBench {

LoopbackEchoServer::LoopbackEchoServer()
{
    m_thread.setObjectName(QStringLiteral("bench-echo-server"));
}

LoopbackEchoServer::~LoopbackEchoServer()
{
    stop();
}

bool LoopbackEchoServer::start(quint16 port)
{
    stop();
    m_worker = new EchoWorker;
    m_worker->moveToThread(&m_thread);
    // Deferred deletes still run once the thread's loop has ended.
    QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();

    bool listening = false;
    quint16 actualPort = 0;
    QString error;
    QMetaObject::invokeMethod(
        m_worker, [&] { listening = m_worker->listen(port, &actualPort, &error); },
        Qt::BlockingQueuedConnection);
    if (!listening) {
        m_errorString = error;
        stop();
        return false;
    }
    m_port = actualPort;
    m_errorString.clear();
    return true;
}

void LoopbackEchoServer::stop()
{
    if (!m_worker)
        return;
    EchoWorker *worker = m_worker;
    QMetaObject::invokeMethod(worker, [worker] { worker->close(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    m_worker = nullptr;
    m_port = 0;
}

QString LoopbackEchoServer::replyTo(const QString &line)
{
    // Skip bus, service, object path and interface.
    int start = 0;
    for (int field = 0; field < 4; ++field) {
        const int space = line.indexOf(QLatin1Char(' '), start);
        if (space < 0)
            return QStringLiteral(":::org.freedesktop.DBus.Error.InvalidArgs:malformed line");
        start = space + 1;
    }
    const int methodEnd = line.indexOf(QLatin1Char(' '), start);
    if (methodEnd < 0)
        return QStringLiteral(":::org.freedesktop.DBus.Error.InvalidArgs:malformed line");

    const QStringRef method = line.midRef(start, methodEnd - start);
    const QStringRef arguments = line.midRef(methodEnd + 1);
    const int typeEnd = arguments.indexOf(QLatin1Char(':'));
    QString value = (typeEnd < 0 ? arguments : arguments.mid(typeEnd + 1)).toString();
    // Like the guest, keep the separator out of the field ("array:double:..").
    value.replace(QLatin1Char(':'), QLatin1Char(';'));
    return method % QLatin1Char(':') % value % QLatin1String(":::");
}

bool EchoWorker::listen(quint16 port, quint16 *actualPort, QString *errorString)
{
    m_server = new QWebSocketServer(QStringLiteral("bench-echo"), QWebSocketServer::NonSecureMode,
                                    this);
    connect(m_server, &QWebSocketServer::newConnection, this, &EchoWorker::handleNewConnection);
    m_tcpServer = new QTcpServer(this);
    connect(m_tcpServer, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_tcpServer->nextPendingConnection()) {
            // With Nagle on the answering side, pipelined runs stall on
            // delayed ACKs (40 ms each) and time the TCP stack, not the client.
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            m_server->handleConnection(socket);
        }
    });
    if (!m_tcpServer->listen(QHostAddress::LocalHost, port)) {
        *errorString = m_tcpServer->errorString();
        close();
        return false;
    }
    *actualPort = m_tcpServer->serverPort();
    return true;
}

void EchoWorker::close()
{
    delete m_tcpServer;
    m_tcpServer = nullptr;
    delete m_server;
    m_server = nullptr;
}

void EchoWorker::handleNewConnection()
{
    while (QWebSocket *client = m_server->nextPendingConnection()) {
        // So that deleting the server takes every connection with it.
        client->setParent(m_server);
        connect(client, &QWebSocket::textMessageReceived, client, [client](const QString &line) {
            client->sendTextMessage(LoopbackEchoServer::replyTo(line));
        });
        connect(client, &QWebSocket::disconnected, client, &QObject::deleteLater);
    }
}

} // namespace MimicryBench
