#include "guestprobe.h"

#include "fakeguest.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace {

// bus service path interface, then the method and its arguments.
const int callField = 4;
const QString markerCall = QStringLiteral("testMarker");

QString callOf(const QString &line)
{
    return line.section(QLatin1Char(' '), callField);
}


} // namespace

GuestProbe::GuestProbe(FakeGuest *guest, QObject *parent)
    : QObject(parent)
    , m_guest(guest)
{
    m_guest->setReplier([this](const QString &line) { return reply(line); });
    connect(m_guest, &FakeGuest::lineReceived, this, &GuestProbe::callsChanged);
}

QStringList GuestProbe::calls() const
{
    QStringList result;
    const QStringList lines = m_guest->lines();
    for (const QString &line : lines) {
        if (callOf(line).trimmed() != markerCall)
            result.append(callOf(line));
    }
    return result;
}

void GuestProbe::clear()
{
    m_guest->clearLines();
    emit callsChanged();
}

void GuestProbe::failCall(const QString &call, const QString &errorName, const QString &errorText)
{
    m_failingCall = call;
    m_errorName = errorName;
    m_errorText = errorText;
}

void GuestProbe::send(const QString &message)
{
    m_guest->sendToClients(message);
}

bool GuestProbe::sync()
{
    if (!m_channel)
        return false;
    bool answered = false;
    const QMetaObject::Connection connection = connect(
        m_channel.data(), &Mimicry::Internal::RemoteDBusInvokerService::replyReceived, this,
        [&answered](const QString &reply) { answered = answered || reply.startsWith(markerCall + ':'); });
    m_channel->sendCommand(QStringLiteral("s"), QStringLiteral("m"), QStringLiteral("/m"), QStringLiteral("i"),
                           markerCall, QString());
    const QDeadlineTimer deadline(5000);
    while (!answered && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    disconnect(connection);
    return answered;
}

// method:argument values joined by "|":result:error name:error text, as the
// guest's command service writes them.
QString GuestProbe::reply(const QString &line)
{
    const QString call = callOf(line);
    const QString method = call.section(QLatin1Char(' '), 0, 0);
    if (call.trimmed() == markerCall)
        return markerCall + QLatin1String("::::");
    QStringList values;
    const QStringList arguments = call.section(QLatin1Char(' '), 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &argument : arguments)
        // A field never holds the separator: the guest turns its colons into
        // semicolons, as in "array:double:1,2".
        values.append(argument.section(QLatin1Char(':'), 1).replace(QLatin1Char(':'), QLatin1Char(';')));

    if (!m_failingCall.isEmpty() && call == m_failingCall) {
        m_failingCall.clear();
        return QStringList{method, values.join(QLatin1Char('|')), QString(), m_errorName, m_errorText}
            .join(QLatin1Char(':'));
    }
    const QString result = method == QLatin1String("enabled") ? QStringLiteral("true") : QString();
    return QStringList{method, values.join(QLatin1Char('|')), result, QString(), QString()}.join(QLatin1Char(':'));
}
