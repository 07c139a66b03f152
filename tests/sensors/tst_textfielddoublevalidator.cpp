#include <sensors/textfielddoublevalidator.h>

#include <QtTest>

class tst_TextFieldDoubleValidator : public QObject
{
    Q_OBJECT

private slots:
    void validate_data()
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
        QTest::newRow("point alone") << -3.0 << 3.0 << 3 << "." << invalid;

        // Decimals are counted after the point.
        QTest::newRow("point in a whole-number field") << 0.0 << 10.0 << 0 << "5." << invalid;
        QTest::newRow("whole number") << 0.0 << 10.0 << 0 << "5" << acceptable;

        // Out of range is refused as typed, not left as intermediate.
        QTest::newRow("below bottom") << -3.0 << 3.0 << 3 << "-3.001" << invalid;
        QTest::newRow("top itself") << -3.0 << 3.0 << 3 << "3" << acceptable;
        QTest::newRow("bottom itself") << -3.0 << 3.0 << 3 << "-3.000" << acceptable;
        QTest::newRow("not a number") << -3.0 << 3.0 << 3 << "nan" << invalid;
        // The C locale, whatever the user's: no group separators.
        QTest::newRow("group separator") << -1.0 << 3000.0 << 0 << "2,500" << invalid;
    }

    void validate()
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
};

QTEST_GUILESS_MAIN(tst_TextFieldDoubleValidator)
#include "tst_textfielddoublevalidator.moc"
