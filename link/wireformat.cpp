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
    return QStringLiteral("int32:%1").arg(value);
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
