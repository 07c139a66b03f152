#include <QFile>
#include <QJSEngine>
#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

namespace {

const double g = 9.80665;

QString readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return QString::fromUtf8(file.readAll());
}

struct Vector
{
    double x, y, z;
};

// The columns of Rx(x)·Ry(y)·Rz(z), written out.
struct Axes
{
    Axes(double xDeg, double yDeg, double zDeg)
    {
        const double r = M_PI / 180;
        const double sx = std::sin(xDeg * r), cx = std::cos(xDeg * r);
        const double sy = std::sin(yDeg * r), cy = std::cos(yDeg * r);
        const double sz = std::sin(zDeg * r), cz = std::cos(zDeg * r);
        x = {cy * cz, cx * sz + sx * sy * cz, sx * sz - cx * sy * cz};
        y = {-cy * sz, cx * cz - sx * sy * sz, sx * cz + cx * sy * sz};
        z = {sy, -sx * cy, cx * cy};
    }
    Vector x, y, z;
};

} // namespace

class tst_SmartphoneModelLogic : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rotatedAxesAndGravity_data();
    void rotatedAxesAndGravity();
    void limitEmulatedValue_data();
    void limitEmulatedValue();
    void convertAccValue_data();
    void convertAccValue();
    void magnetometerValue_data();
    void magnetometerValue();

private:
    QJSValue call(const QString &function, const QJSValueList &arguments);
    void compareVector(const QJSValue &actual, const Vector &expected, const char *what);

    QJSEngine m_engine;
};

// three.js as npm installs it, then the script as the page imports it; QML's
// ".pragma" and ".import" lines mean nothing to a bare engine.
void tst_SmartphoneModelLogic::initTestCase()
{
    const QJSValue three = m_engine.evaluate(readFile(QStringLiteral(MIMICRY_THREE_JS)),
                                             QStringLiteral(MIMICRY_THREE_JS));
    QVERIFY2(!three.isError(), qPrintable(three.toString()));
    QCOMPARE(m_engine.evaluate(QStringLiteral("THREE.REVISION")).toString(), QStringLiteral("74"));

    const QString path = QStringLiteral(MIMICRY_SOURCE_DIR "/js/smartphone-model-logic.js");
    const QJSValue logic = m_engine.evaluate(readFile(path).replace(QStringLiteral(".pragma library"), QString()), path);
    QVERIFY2(!logic.isError(), qPrintable(logic.toString()));
}

QJSValue tst_SmartphoneModelLogic::call(const QString &function, const QJSValueList &arguments)
{
    const QJSValue result = m_engine.globalObject().property(function).call(arguments);
    if (result.isError())
        qWarning().noquote() << function << result.toString();
    return result;
}

void tst_SmartphoneModelLogic::compareVector(const QJSValue &actual, const Vector &expected, const char *what)
{
    const double components[] = {expected.x, expected.y, expected.z};
    const char *names[] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
        const double value = actual.property(QLatin1String(names[i])).toNumber();
        QVERIFY2(std::abs(value - components[i]) < 1e-12,
                 qPrintable(QStringLiteral("%1.%2: %3, expected %4")
                                .arg(QLatin1String(what), QLatin1String(names[i]))
                                .arg(value, 0, 'g', 17)
                                .arg(components[i], 0, 'g', 17)));
    }
}

void tst_SmartphoneModelLogic::rotatedAxesAndGravity_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("z");

    QTest::newRow("identity") << 0.0 << 0.0 << 0.0;
    QTest::newRow("face up") << -90.0 << 0.0 << 0.0;
    QTest::newRow("Y-Rot 90, gimbal lock") << 30.0 << 90.0 << -45.0;
    QTest::newRow("Y-Rot -90, gimbal lock") << -120.0 << -90.0 << 10.0;
    QTest::newRow("half turns") << 180.0 << -180.0 << 180.0;
    // Beyond ±180, as keys leave the sliders until the next press.
    QTest::newRow("beyond the range") << 181.0 << -181.0 << 270.0;
    QRandomGenerator random(7401);
    for (int i = 0; i < 20; ++i) {
        QTest::addRow("random %d", i) << random.bounded(360.0) - 180 << random.bounded(360.0) - 180
                                      << random.bounded(360.0) - 180;
    }
}

// three.js's Euler rotation (order XYZ) against the closed form, and gravity
// as the second components of the rotated axes.
void tst_SmartphoneModelLogic::rotatedAxesAndGravity()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(double, z);
    const Axes expected(x, y, z);

    const QJSValue axes = call(QStringLiteral("rotatedAxes"), {m_engine.globalObject().property("THREE"), x, y, z});
    compareVector(axes.property("x"), expected.x, "X axis");
    compareVector(axes.property("y"), expected.y, "Y axis");
    compareVector(axes.property("z"), expected.z, "Z axis");

    const Vector gravity{g * expected.x.y, g * expected.y.y, g * expected.z.y};
    compareVector(call(QStringLiteral("gravityAcceleration"), {x, y, z}), gravity, "gravity");
}

void tst_SmartphoneModelLogic::limitEmulatedValue_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("limited");

    QTest::newRow("zero") << 0.0 << 0.0;
    QTest::newRow("inside") << -2999.5 << -2999.5;
    QTest::newRow("at the limit") << 3000.0 << 3000.0;
    QTest::newRow("above") << 3000.25 << 3000.0;
    QTest::newRow("below") << -4894.6 << -3000.0;
    QTest::newRow("far above") << 1e12 << 3000.0;
}

void tst_SmartphoneModelLogic::limitEmulatedValue()
{
    QFETCH(double, value);
    QFETCH(double, limited);
    QCOMPARE(call(QStringLiteral("limitEmulatedValue"), {value}).toNumber(), limited);
}

void tst_SmartphoneModelLogic::convertAccValue_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("thousandths");

    QTest::newRow("one g") << g << 1000;
    QTest::newRow("cut, not rounded") << 9.8 << 999;
    QTest::newRow("negative, toward zero") << -9.8 << -999;
    QTest::newRow("above the guest's limit") << 48.0 << 4894;
    QTest::newRow("below a thousandth") << 0.0098 << 0;
}

// Shown values are the whole thousandths of g the guest gets, in m/s².
void tst_SmartphoneModelLogic::convertAccValue()
{
    QFETCH(double, value);
    QFETCH(int, thousandths);
    QCOMPARE(call(QStringLiteral("convertAccValue"), {value}).toNumber(), thousandths * g / 1000);
}

void tst_SmartphoneModelLogic::magnetometerValue_data()
{
    QTest::addColumn<QVector<double>>("axis");
    QTest::addColumn<QVector<double>>("field");
    QTest::addColumn<double>("value");

    QTest::newRow("zero field") << QVector<double>{1, 0, 0} << QVector<double>{0, 0, 0} << 0.0;
    QTest::newRow("along the axis") << QVector<double>{0, 1, 0} << QVector<double>{0, 20, 0} << 20.0;
    QTest::newRow("against the axis") << QVector<double>{0, 0, 1} << QVector<double>{0, 0, -30} << -30.0;
    QTest::newRow("across the axis") << QVector<double>{1, 0, 0} << QVector<double>{0, 5, -7} << 0.0;
    QTest::newRow("projection") << QVector<double>{0.6, 0.8, 0} << QVector<double>{10, 20, 30} << 22.0;
}

void tst_SmartphoneModelLogic::magnetometerValue()
{
    QFETCH(QVector<double>, axis);
    QFETCH(QVector<double>, field);
    QFETCH(double, value);
    QJSValue vector3 = m_engine.evaluate(QStringLiteral("THREE.Vector3"));
    const QJSValue axisVector = vector3.callAsConstructor({axis[0], axis[1], axis[2]});
    const QJSValue fieldVector = vector3.callAsConstructor({field[0], field[1], field[2]});
    const QJSValue result = call(QStringLiteral("calculateMagnetometerValue"), {axisVector, fieldVector});
    QVERIFY(result.isNumber());
    QVERIFY2(std::abs(result.toNumber() - value) < 1e-9, qPrintable(result.toString()));
}

QTEST_GUILESS_MAIN(tst_SmartphoneModelLogic)

#include "tst_smartphonemodellogic.moc"
