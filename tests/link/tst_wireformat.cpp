#include <link/wireformat.h>

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

using namespace Mimicry::Internal;

class tst_WireFormat : public QObject
{
    Q_OBJECT

private slots:
    void format_data()
    {
        using namespace WireFormat;
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("expected");

        QTest::newRow("negative ints") << tokens(-1000, 0, 2147483647) << "int32:-1000 int32:0 int32:2147483647";
        QTest::newRow("six significant digits") << tokens(1.1459155902616465, -48.76) << "double:1.14592 double:-48.76";
        QTest::newRow("tiny and huge") << tokens(4.3e-05, 1234567.0, 0.0)
                                       << "double:4.3e-05 double:1.23457e+06 double:0";
        QTest::newRow("coordinate") << fixedDouble(-33.8688, coordinateDecimals) << "double:-33.8688000";
        QTest::newRow("altitude") << fixedDouble(58.456, altitudeDecimals) << "double:58.46";
        QTest::newRow("booleans") << boolean(true) + boolean(false) << "boolean:1boolean:0";
        QTest::newRow("string") << string(QStringLiteral("als")) << "string:als";
        QString table = doubleTable();
        appendTableRow(table, {{60.1, coordinateDecimals}, {1.5, generalDecimals}});
        appendTableRow(table, {{-0.5, altitudeDecimals}, {1e-7, generalDecimals}});
        QTest::newRow("track") << table << "array:array:double:60.1000000,1.5;-0.50,1e-07";
        QTest::newRow("reply argument") << firstReplyArgument({"enabled", "|gyroscope|x", "true", "", ""})
                                        << "gyroscope";
    }

    void format()
    {
        QFETCH(QString, written);
        QFETCH(QString, expected);
        QCOMPARE(written, expected);
    }

    // The track's writers must give Qt's own texts byte for byte: at ties,
    // around zero, for huge values and for NaN, and on a sweep of the
    // rounded values a parser hands them.
    void appendedAsQtWrites_data()
    {
        QTest::addColumn<double>("value");
        for (double value : {0.125, 2.5, -0.005, 0.0, -0.0, -1e-9, 4e-8, -4e-8, 59.9386833, -33.8688, -180.0,
                             123456.0, 999999.0, 1e6, 1.5, -7.0, 1e15, 1e300, qQNaN(), qInf(), -qInf()})
            QTest::addRow("%.17g", value) << value;
    }

    void appendedAsQtWrites()
    {
        QFETCH(double, value);
        QRandomGenerator random(7);
        for (int i = 0; i < 2000; ++i) {
            for (int decimals : {2, 7}) {
                QString text = QStringLiteral("x");
                WireFormat::appendFixedNumber(text, value, decimals);
                QCOMPARE(text, QLatin1Char('x') + WireFormat::fixedNumber(value, decimals));
            }
            QString general;
            WireFormat::appendGeneralNumber(general, value);
            QCOMPARE(general, WireFormat::generalNumber(value));
            // Next: a random coordinate, altitude or interval as the parser rounds them.
            const double scale = std::pow(10.0, random.bounded(8));
            value = std::round((random.generateDouble() - 0.5) * 400 * scale) / scale;
        }
    }
};

QTEST_APPLESS_MAIN(tst_WireFormat)

#include "tst_wireformat.moc"
