#include "textfielddoublevalidator.h"

#include <QtGlobal>

TextFieldDoubleValidator::TextFieldDoubleValidator(QObject *parent)
    : QDoubleValidator(parent)
{}

QValidator::State TextFieldDoubleValidator::validate(QString &input, int &pos) const
{
    Q_UNUSED(pos)

    // The user must be able to clear the field and to start a negative number.
    if (input.isEmpty() || input == QLatin1String("-"))
        return Intermediate;

    const int point = input.indexOf(QLatin1Char('.'));
    if (point >= 0 && (decimals() == 0 || input.size() - point - 1 > decimals()))
        return Invalid;

    bool ok = false;
    const double value = input.toDouble(&ok);
    // "nan" converts too, and compares false with both bounds.
    if (!ok || !qIsFinite(value) || value < bottom() || value > top())
        return Invalid;
    return Acceptable;
}
