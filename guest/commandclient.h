#pragma once

#include "commandline.h"

#include <QObject>

#include <deque>

class QDBusMessage;
class QWebSocket;

namespace Guest {

class BusCaller;

// One WebSocket peer of the command service. Each text message is a command
// line; it is called asynchronously on the named bus and answered with one
// reply line. Calls overlap, but the replies leave in the order the lines
// came.
class CommandClient : public QObject
{
    Q_OBJECT

public:
    // Takes over the socket.
    CommandClient(QWebSocket *socket, BusCaller *systemBus, BusCaller *sessionBus, QObject *parent = nullptr);
    ~CommandClient() override;

    int unansweredCount() const { return int(m_queue.size()); }

signals:
    void exchanged(const QString &line, const QString &reply);
    void disconnected();

private:
    struct Entry
    {
        quint64 id = 0;
        QString line;
        CommandLine command;
        QString reply;
        bool answered = false;
    };

    void handleLine(const QString &line);
    void handleBinary(const QByteArray &message);
    void handleReply(quint64 id, const QDBusMessage &reply);
    void answerImmediately(const QString &line, const QString &reply);
    void sendAnswered();

    QWebSocket *m_socket;
    BusCaller *m_systemBus;
    BusCaller *m_sessionBus;
    std::deque<Entry> m_queue;
    quint64 m_nextId = 0;
};

} // namespace Guest
