#pragma once

#include <QStringList>

namespace Mimicry {
namespace Internal {

// How call arguments and replies are written on the command channel. A call
// carries space-separated "type:value" tokens; a reply is the line
// method:arguments:result:error name:error text.
namespace WireFormat {

enum ReplyField { MethodField, ArgumentsField, ResultField, ErrorNameField, ErrorTextField, ReplyFieldCount };

// Latitude and longitude go with 7 decimals (about a centimetre), altitudes
// with 2.
const int coordinateDecimals = 7;
const int altitudeDecimals = 2;

QString generalNumber(double value);
QString fixedNumber(double value, int decimals);
// The same texts appended to `text`; a track's hundred thousand points are
// written without a temporary string each.
void appendGeneralNumber(QString &text, double value);
void appendFixedNumber(QString &text, double value, int decimals);

QString token(int value);
QString token(double value);
QString fixedDouble(double value, int decimals);
QString string(const QString &value);
QString boolean(bool value);
// Rows of numbers already written with generalNumber() or fixedNumber().
QString doubleTable(const QList<QStringList> &rows);

// Written straight into one string: every call of a manager goes through here.
inline QString tokens()
{
    return QString();
}

template<typename Value, typename... Values>
QString tokens(Value first, Values... rest)
{
    QString line = token(first);
    ((line += QLatin1Char(' '), line += token(rest)), ...);
    return line;
}

// The reply repeats the call's arguments, "|"-separated, in its second field.
QString firstReplyArgument(const QStringList &fields);

} // namespace WireFormat

} // namespace Internal
} // namespace Mimicry
