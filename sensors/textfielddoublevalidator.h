#pragma once

#include <QDoubleValidator>

// Validator for the numeric text fields of the pages.
class TextFieldDoubleValidator : public QDoubleValidator
{
    Q_OBJECT

public:
    explicit TextFieldDoubleValidator(QObject *parent = nullptr);
};
