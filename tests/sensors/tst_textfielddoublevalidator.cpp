#include <sensors/textfielddoublevalidator.h>

#include <QtTest>

class tst_TextFieldDoubleValidator : public QObject
{
    Q_OBJECT

private slots:
    void validate_data();
    void validate();
};

void tst_TextFieldDoubleValidator::validate_data()
{
    QTest::addColumn<double>("bottom");
    QTest::addColumn<double>("top");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QValidator::State>("expected");

    const auto acceptable = QValidator::Acceptable;
    const auto intermediate = QValidator::Intermediate;
    const auto invalid = QValidator::Invalid;

    // What the user may have on the way to a number.
    QTest::newRow("empty") << -3.0 << 3.0 << 3 << "" << intermediate;
    QTest::newRow("minus alone") << -3.0 << 3.0 << 3 << "-" << intermediate;
    QTest::newRow("minus alone, range above zero") << 0.0 << 10.0 << 0 << "-" << intermediate;
    QTest::newRow("plus alone") << -3.0 << 3.0 << 3 << "+" << invalid;
    QTest::newRow("point alone") << -3.0 << 3.0 << 3 << "." << invalid;
    QTest::newRow("minus point") << -3.0 << 3.0 << 3 << "-." << invalid;

    // Decimals are counted after the first point, whatever follows.
    QTest::newRow("three of three decimals") << -3.0 << 3.0 << 3 << "1.234" << acceptable;
    QTest::newRow("four of three decimals") << -3.0 << 3.0 << 3 << "1.2345" << invalid;
    QTest::newRow("trailing zero over the limit") << -3.0 << 3.0 << 3 << "1.0000" << invalid;
    QTest::newRow("point at the end") << -3.0 << 3.0 << 3 << "1." << acceptable;
    QTest::newRow("leading point") << -3.0 << 3.0 << 3 << ".5" << acceptable;
    QTest::newRow("point in a whole-number field") << 0.0 << 10.0 << 0 << "5." << invalid;
    QTest::newRow("zero decimals in a whole-number field") << 0.0 << 10.0 << 0 << "5.0" << invalid;
    QTest::newRow("whole number") << 0.0 << 10.0 << 0 << "5" << acceptable;
    QTest::newRow("second point") << -100.0 << 100.0 << 3 << "1.2.3" << invalid;

    // Out of range is refused as typed, not left as intermediate.
    QTest::newRow("above top") << -3.0 << 3.0 << 3 << "4" << invalid;
    QTest::newRow("below bottom") << -3.0 << 3.0 << 3 << "-3.001" << invalid;
    QTest::newRow("top itself") << -3.0 << 3.0 << 3 << "3" << acceptable;
    QTest::newRow("bottom itself") << -3.0 << 3.0 << 3 << "-3.000" << acceptable;
    QTest::newRow("partial entry out of range") << 10.0 << 100.0 << 0 << "5" << invalid;
    QTest::newRow("lux below the lowest level") << -1.0 << 3000.0 << 0 << "-2" << invalid;

    // The C locale, whatever the user's.
    QTest::newRow("comma as decimal point") << -3.0 << 3.0 << 3 << "1,5" << invalid;
    QTest::newRow("group separator") << -1.0 << 3000.0 << 0 << "2,500" << invalid;
    QTest::newRow("exponent") << -1.0 << 3000.0 << 0 << "2e3" << acceptable;
    QTest::newRow("exponent out of range") << -1.0 << 3000.0 << 0 << "4e3" << invalid;
    QTest::newRow("surrounding blanks") << -3.0 << 3.0 << 3 << " 1.5 " << acceptable;
    QTest::newRow("explicit plus") << -3.0 << 3.0 << 3 << "+2" << acceptable;
    QTest::newRow("letters") << -3.0 << 3.0 << 3 << "abc" << invalid;
    QTest::newRow("double minus") << -3.0 << 3.0 << 3 << "--1" << invalid;
    QTest::newRow("not a number") << -3.0 << 3.0 << 3 << "nan" << invalid;
    QTest::newRow("infinity") << -1e300 << 1e300 << 3 << "inf" << invalid;
}

void tst_TextFieldDoubleValidator::validate()
{
    QFETCH(double, bottom);
    QFETCH(double, top);
    QFETCH(int, decimals);
    QFETCH(QString, input);
    QFETCH(QValidator::State, expected);

    TextFieldDoubleValidator validator;
    validator.setBottom(bottom);
    validator.setTop(top);
    validator.setDecimals(decimals);
    int position = input.size();
    QCOMPARE(validator.validate(input, position), expected);
}

QTEST_GUILESS_MAIN(tst_TextFieldDoubleValidator)
#include "tst_textfielddoublevalidator.moc"
