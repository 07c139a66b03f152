#pragma once

#include <QObject>
#include <QString>
#include <QThread>

class QTcpServer;
class QWebSocketServer;

namespace MimicryBench {

class EchoWorker;

// Stands in for the guest's command service on loopback and answers every
// command line with a success reply. It runs on a thread of its own, so the
// client's event loop is not also busy serving.
class LoopbackEchoServer
{
public:
    LoopbackEchoServer();
    ~LoopbackEchoServer();

    LoopbackEchoServer(const LoopbackEchoServer &) = delete;
    LoopbackEchoServer &operator=(const LoopbackEchoServer &) = delete;

    // Port 0 picks a free one. On failure, errorString() says why.
    bool start(quint16 port);
    void stop();

    quint16 port() const { return m_port; }
    QString errorString() const { return m_errorString; }

    // "bus service path interface method type:value" -> "method:value:::"
    static QString replyTo(const QString &line);

private:
    QThread m_thread;
    EchoWorker *m_worker = nullptr;
    quint16 m_port = 0;
    QString m_errorString;
};

// Lives on the server thread; everything it creates does too.
class EchoWorker : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    bool listen(quint16 port, quint16 *actualPort, QString *errorString);
    void close();

private:
    void handleNewConnection();

    QTcpServer *m_tcpServer = nullptr;
    QWebSocketServer *m_server = nullptr;
};

} // namespace MimicryBench
