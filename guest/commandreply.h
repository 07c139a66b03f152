#pragma once

#include <QDBusMessage>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace Guest {

class CommandLine;

// Writes reply lines: five fields joined by ":" - the method, the call's
// argument values joined by "|", the result, the D-Bus error name and the
// error message, the last two empty on success. A ":" inside a field
// becomes ";" so that every reply splits into exactly five fields.
class CommandReply
{
public:
    static QString invalidCommandError();

    static QString compose(const QString &method, const QStringList &arguments, const QString &result,
                           const QString &errorName = QString(), const QString &errorMessage = QString());
    // The answer to a line that could not be turned into a call.
    static QString forInvalidCommand(const CommandLine &command);
    // The answer to a call, from the method return or error that came back.
    static QString forReply(const CommandLine &command, const QDBusMessage &reply);

    // D-Bus values as text: booleans true/false, numbers in the C locale,
    // doubles as short as they can be without losing precision, arrays as
    // [a,b], dictionaries as {key=value,...}, structures as (a,b).
    static QString valueText(const QVariant &value);
};

} // namespace Guest
