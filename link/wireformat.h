#pragma once

#include <QStringList>

#include <initializer_list>

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

// A table of numbers, "array:array:double:" and rows separated by ";", the
// numbers of a row by ",". doubleTable() starts an empty one with room for
// `rows`; appendTableRow() adds a row, each number with its decimals, or as
// generalNumber() for generalDecimals.
const int generalDecimals = -1;
struct TableNumber
{
    double value;
    int decimals;
};
QString doubleTable(int rows = 0);
void appendTableRow(QString &table, std::initializer_list<TableNumber> numbers);

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
