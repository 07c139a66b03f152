#include "guestprobe.h"

#include "fakeguest.h"

namespace {

// bus service path interface, then the method and its arguments.
const int callField = 4;

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
    for (const QString &line : lines)
        result.append(callOf(line));
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

// method:argument values joined by "|":result:error name:error text, as the
// guest's command service writes them.
QString GuestProbe::reply(const QString &line)
{
    const QString call = callOf(line);
    const QString method = call.section(QLatin1Char(' '), 0, 0);
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
