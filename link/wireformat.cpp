#include "wireformat.h"

namespace Mimicry {
namespace Internal {
namespace WireFormat {

QString generalNumber(double value)
{
    return QString::number(value, 'g');
}

QString fixedNumber(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString token(int value)
{
    // Written backwards into one buffer: the calls of every setter come here.
    QChar buffer[sizeof("int32:-2147483648") - 1];
    QChar *const end = buffer + sizeof(buffer) / sizeof(buffer[0]);
    QChar *digit = end;
    // Unsigned, so that the lowest int has a magnitude too.
    unsigned magnitude = value < 0 ? 0u - unsigned(value) : unsigned(value);
    do {
        *--digit = QLatin1Char(char('0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        *--digit = QLatin1Char('-');
    const QLatin1String type("int32:");
    digit -= type.size();
    for (int i = 0; i < type.size(); ++i)
        digit[i] = QLatin1Char(type[i]);
    return QString(digit, int(end - digit));
}

QString token(double value)
{
    return QLatin1String("double:") + generalNumber(value);
}

QString fixedDouble(double value, int decimals)
{
    return QLatin1String("double:") + fixedNumber(value, decimals);
}

QString string(const QString &value)
{
    return QLatin1String("string:") + value;
}

QString boolean(bool value)
{
    return value ? QStringLiteral("boolean:1") : QStringLiteral("boolean:0");
}

QString doubleTable(const QList<QStringList> &rows)
{
    QStringList lines;
    lines.reserve(rows.size());
    for (const QStringList &row : rows)
        lines.append(row.join(QLatin1Char(',')));
    return QLatin1String("array:array:double:") + lines.join(QLatin1Char(';'));
}

QString firstReplyArgument(const QStringList &fields)
{
    return fields.at(ArgumentsField).section(QLatin1Char('|'), 0, 0, QString::SectionSkipEmpty);
}

} // namespace WireFormat
} // namespace Internal
} // namespace Mimicry
