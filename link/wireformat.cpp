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
