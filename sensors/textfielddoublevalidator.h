#pragma once

#include <QDoubleValidator>

// Validator for the numeric text fields of the pages. Unlike QDoubleValidator
// it refuses a number outside the range as soon as it is typed, and it reads
// "." as the decimal point whatever the user's locale. QML sees it through
// QDoubleValidator's meta-object (bottom, top, decimals, notation).
class TextFieldDoubleValidator : public QDoubleValidator
{
public:
    explicit TextFieldDoubleValidator(QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;
};
