#include "textfielddoublevalidator.h"

TextFieldDoubleValidator::TextFieldDoubleValidator(QObject *parent)
    : QDoubleValidator(parent)
{}
