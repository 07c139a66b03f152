#include "commandclient.h"

#include "buscaller.h"
#include "commandreply.h"

#include <QWebSocket>

namespace Guest {

CommandClient::CommandClient(QWebSocket *socket, BusCaller *systemBus, BusCaller *sessionBus, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_systemBus(systemBus)
    , m_sessionBus(sessionBus)
{
    m_socket->setParent(this);
    connect(m_socket, &QWebSocket::textMessageReceived, this, &CommandClient::handleLine);
    connect(m_socket, &QWebSocket::binaryMessageReceived, this, &CommandClient::handleBinary);
    connect(m_socket, &QWebSocket::disconnected, this, &CommandClient::disconnected);
}

CommandClient::~CommandClient()
{
    // The socket goes with this object; it must not report to it meanwhile.
    m_socket->disconnect(this);
}

void CommandClient::handleLine(const QString &line)
{
    const CommandLine command = CommandLine::parse(line);
    if (!command.isValid()) {
        answerImmediately(line, CommandReply::forInvalidCommand(command));
        return;
    }
    const quint64 id = m_nextId++;
    m_queue.push_back({id, line, command, QString(), false});
    BusCaller *bus = command.bus() == QLatin1String("system") ? m_systemBus : m_sessionBus;
    bus->call(command.toMethodCall(), this, [this, id](const QDBusMessage &reply) { handleReply(id, reply); });
}

void CommandClient::handleBinary(const QByteArray &message)
{
    answerImmediately(QString::fromUtf8(message),
                      CommandReply::compose(QString(), QStringList(), QString(), CommandReply::invalidCommandError(),
                                            QStringLiteral("command lines are text messages, not binary ones")));
}

void CommandClient::handleReply(quint64 id, const QDBusMessage &reply)
{
    for (Entry &entry : m_queue) {
        if (entry.id == id) {
            entry.reply = CommandReply::forReply(entry.command, reply);
            entry.answered = true;
            break;
        }
    }
    sendAnswered();
}

// Still behind any call under way, to keep the order.
void CommandClient::answerImmediately(const QString &line, const QString &reply)
{
    m_queue.push_back({m_nextId++, line, CommandLine(), reply, true});
    sendAnswered();
}

void CommandClient::sendAnswered()
{
    while (!m_queue.empty() && m_queue.front().answered) {
        const Entry entry = m_queue.front();
        m_queue.pop_front();
        m_socket->sendTextMessage(entry.reply);
        emit exchanged(entry.line, entry.reply);
    }
}

} // namespace Guest
