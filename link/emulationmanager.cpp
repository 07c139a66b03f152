#include "emulationmanager.h"

#include "remotedbusinvokerservice.h"
#include "wireformat.h"

namespace Mimicry {
namespace Internal {

using namespace WireFormat;

EmulationManager::EmulationManager(QObject *parent)
    : QObject(parent)
{}

void EmulationManager::setRdbusinvoker(RemoteDBusInvokerService *rdbusinvoker)
{
    m_rdbusinvoker = rdbusinvoker;
    connect(rdbusinvoker, &RemoteDBusInvokerService::webSocketConnected,
            this, &EmulationManager::emulatorConnected);
    connect(rdbusinvoker, &RemoteDBusInvokerService::replyReceived,
            this, &EmulationManager::handleReply);
    emit rdbusinvokerChanged();
}

void EmulationManager::handleFailedReply(const QStringList &)
{}

void EmulationManager::callMethod(const QString &method, const QString &arguments)
{
    Q_ASSERT(m_rdbusinvoker);
    // Calls come in runs of one method (a slider, a track): the set is only
    // touched when the method changes.
    if (m_calledMethods.isEmpty() || method != m_lastCalledMethod) {
        m_calledMethods.insert(method);
        m_lastCalledMethod = method;
    }
    m_rdbusinvoker->sendCommand(busType(), serviceName(), objectPath(), interfaceName(),
                                method, arguments);
}

void EmulationManager::handleReply(const QString &reply)
{
    // Every manager on the channel sees every reply, so telling whether it is
    // ours must not allocate: field 0 names the method, also in a reply of
    // the wrong length, and is looked up in place.
    if (m_calledMethods.isEmpty() && !m_handlesUnclaimedReplies)
        return;
    const QChar *const text = reply.constData();
    const int length = reply.size();
    int methodLength = 0;
    while (methodLength < length && text[methodLength] != QLatin1Char(':'))
        ++methodLength;
    // The name as this manager keeps it, shared instead of copied again;
    // null for a reply to nobody's call.
    QString calledMethod;
    if (!m_calledMethods.isEmpty() && QStringView(text, methodLength) == m_lastCalledMethod) {
        calledMethod = m_lastCalledMethod;
    } else {
        const QString method = QString::fromRawData(text, methodLength);
        const auto called = m_calledMethods.constFind(method);
        if (called != m_calledMethods.cend())
            calledMethod = *called;
        else if (!m_handlesUnclaimedReplies || m_rdbusinvoker->hasSentMethod(method))
            return;
    }

    // The rest of the line only for a reply that is ours.
    int separators[ReplyFieldCount];
    int separatorCount = 0;
    for (int at = methodLength; at < length && separatorCount < ReplyFieldCount; ++at) {
        if (text[at] == QLatin1Char(':'))
            separators[separatorCount++] = at;
    }
    if (separatorCount != ReplyFieldCount - 1) {
        emit replyFromEmulatorReceived(reply);
        return;
    }
    // The previous reply's list is filled again unless a hook kept it. It is
    // taken out of the member, so a reply handled from within a hook gets a
    // list of its own.
    QStringList fields = std::move(m_replyFields);
    if (fields.size() != ReplyFieldCount) {
        fields = QStringList();
        fields.reserve(ReplyFieldCount);
        for (int field = 0; field < ReplyFieldCount; ++field)
            fields.append(QString());
    }
    fields[MethodField] = calledMethod.isNull() ? reply.left(methodLength) : calledMethod;
    // Most fields of a reply are empty; they share one empty string.
    static const QString empty = QStringLiteral("");
    for (int field = 1; field < ReplyFieldCount; ++field) {
        const int start = separators[field - 1] + 1;
        const int end = field < ReplyFieldCount - 1 ? separators[field] : length;
        fields[field] = start == end ? empty : reply.mid(start, end - start);
    }

    if (!fields.at(ErrorNameField).isEmpty()) {
        handleFailedReply(fields);
        emit replyFromEmulatorReceived(fields.at(ErrorNameField) + QLatin1Char(' ')
                                       + fields.at(ErrorTextField));
    } else {
        handleSuccessfulReply(fields);
        emit replyFromEmulatorReceived(QStringLiteral("OK"));
    }
    m_replyFields = std::move(fields);
}

} // namespace Internal
} // namespace Mimicry
