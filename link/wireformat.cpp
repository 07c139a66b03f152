#include "wireformat.h"

#include <cmath>

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

namespace {

// Writes the digits of |units|, `decimals` of them after a point, with a
// minus sign if `negative`, and appends them.
void appendScaled(QString &text, qint64 units, int decimals, bool negative)
{
    char buffer[32];
    char *const end = buffer + sizeof buffer;
    char *begin = end;
    for (int i = 0; i < decimals; ++i, units /= 10)
        *--begin = char('0' + units % 10);
    if (decimals > 0)
        *--begin = '.';
    do {
        *--begin = char('0' + units % 10);
        units /= 10;
    } while (units != 0);
    if (negative)
        *--begin = '-';
    text += QLatin1String(begin, int(end - begin));
}

} // namespace

// A value whose scaled product lies clearly away from a rounding tie rounds
// to the nearest integer whatever the product's own rounding error, so its
// digits are those Qt writes. Zero (Qt writes -0.0 and tiny negatives
// differently), ties, huge values and NaN go through Qt.
void appendFixedNumber(QString &text, double value, int decimals)
{
    static const double scales[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
    if (decimals >= 0 && decimals <= 7) {
        const double scaled = value * scales[decimals];
        const double rounded = std::round(scaled);
        if (std::abs(scaled) < 1e15 && rounded != 0 && std::abs(scaled - rounded) < 1e-3) {
            appendScaled(text, qint64(std::abs(rounded)), decimals, rounded < 0);
            return;
        }
    }
    text += fixedNumber(value, decimals);
}

// Whole numbers below a million are written as such by the 'g' format.
void appendGeneralNumber(QString &text, double value)
{
    if (value != 0 && std::abs(value) < 1e6 && value == std::trunc(value))
        appendScaled(text, qint64(std::abs(value)), 0, value < 0);
    else
        text += generalNumber(value);
}

QString token(int value)
{
    // One allocation: the calls of every setter come here.
    QString text = QStringLiteral("int32:");
    text.reserve(int(sizeof("int32:-2147483648")));
    appendScaled(text, std::abs(qint64(value)), 0, value < 0);
    return text;
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

QString doubleTable(int rows)
{
    QString table = QStringLiteral("array:array:double:");
    // About 40 characters a row of a track.
    table.reserve(table.size() + rows * 40);
    return table;
}

void appendTableRow(QString &table, std::initializer_list<TableNumber> numbers)
{
    // A table that has rows ends in a number, an empty one in its type.
    if (!table.endsWith(QLatin1Char(':')))
        table += QLatin1Char(';');
    for (const TableNumber &number : numbers) {
        if (&number != numbers.begin())
            table += QLatin1Char(',');
        if (number.decimals == generalDecimals)
            appendGeneralNumber(table, number.value);
        else
            appendFixedNumber(table, number.value, number.decimals);
    }
}

QString firstReplyArgument(const QStringList &fields)
{
    return fields.at(ArgumentsField).section(QLatin1Char('|'), 0, 0, QString::SectionSkipEmpty);
}

} // namespace WireFormat
} // namespace Internal
} // namespace Mimicry
