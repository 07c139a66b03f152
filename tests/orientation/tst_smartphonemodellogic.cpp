#include <QFile>
#include <QJSEngine>
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

} // namespace

class tst_SmartphoneModelLogic : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rotatedAxesAndGravity_data();
    void rotatedAxesAndGravity();
    void values_data();
    void values();

private:
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
    m_engine.evaluate(QStringLiteral("function vector(x, y, z) { return new THREE.Vector3(x, y, z); }"));
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
    // Beyond ±180, as keys leave the sliders until the next press.
    QTest::newRow("beyond the range") << 181.0 << -181.0 << 270.0;
    QTest::newRow("any attitude") << 37.5 << -62.0 << 121.0;
    QTest::newRow("another attitude") << -143.0 << 18.5 << -77.0;
}

// three.js's Euler rotation (order XYZ) against the columns of Rx(x)·Ry(y)·Rz(z)
// written out, and gravity as the second components of the rotated axes.
void tst_SmartphoneModelLogic::rotatedAxesAndGravity()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(double, z);
    const double r = M_PI / 180;
    const double sx = std::sin(x * r), cx = std::cos(x * r);
    const double sy = std::sin(y * r), cy = std::cos(y * r);
    const double sz = std::sin(z * r), cz = std::cos(z * r);
    // The X, Y and Z axes, then gravity.
    const double expected[] = {cy * cz, cx * sz + sx * sy * cz, sx * sz - cx * sy * cz,
                               -cy * sz, cx * cz - sx * sy * sz, sx * cz + cx * sy * sz,
                               sy, -sx * cy, cx * cy,
                               g * (cx * sz + sx * sy * cz), g * (cx * cz - sx * sy * sz), -g * sx * cy};

    const QJSValue actual = m_engine.evaluate(QStringLiteral(
        "(function (x, y, z) { var a = rotatedAxes(THREE, x, y, z), g = gravityAcceleration(x, y, z);"
        "  return [a.x.x, a.x.y, a.x.z, a.y.x, a.y.y, a.y.z, a.z.x, a.z.y, a.z.z, g.x, g.y, g.z]; })")).call({x, y, z});
    for (quint32 i = 0; i < 12; ++i) {
        const double value = actual.property(i).toNumber();
        QVERIFY2(std::abs(value - expected[i]) < 1e-12,
                 qPrintable(QStringLiteral("[%1]: %2, expected %3").arg(i).arg(value, 0, 'g', 17)
                                .arg(expected[i], 0, 'g', 17)));
    }
}

void tst_SmartphoneModelLogic::values_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<double>("expected");

    // The guest's accelerometer and gyroscope take no more than ±3000.
    QTest::newRow("inside the limit") << "limitEmulatedValue(-2999.5)" << -2999.5;
    QTest::newRow("above the limit") << "limitEmulatedValue(3000.25)" << 3000.0;
    QTest::newRow("below the limit") << "limitEmulatedValue(-4894.6)" << -3000.0;
    // Shown accelerations are the whole thousandths of g the guest gets, in m/s².
    QTest::newRow("negative, toward zero") << "convertAccValue(-9.8)" << -999 * g / 1000;
    QTest::newRow("rounding would give one more") << "convertAccValue(48)" << 4894 * g / 1000;
    // The field's projection on an axis.
    QTest::newRow("zero field") << "calculateMagnetometerValue(vector(1, 0, 0), vector(0, 0, 0))" << 0.0;
    QTest::newRow("against the axis") << "calculateMagnetometerValue(vector(0, 0, 1), vector(0, 0, -30))" << -30.0;
    QTest::newRow("projection") << "calculateMagnetometerValue(vector(0.6, 0.8, 0), vector(10, 20, 30))" << 22.0;
}

void tst_SmartphoneModelLogic::values()
{
    QFETCH(QString, expression);
    QFETCH(double, expected);
    const QJSValue result = m_engine.evaluate(expression);
    QVERIFY2(result.isNumber(), qPrintable(result.toString()));
    QVERIFY2(std::abs(result.toNumber() - expected) < 1e-9, qPrintable(result.toString()));
}

QTEST_GUILESS_MAIN(tst_SmartphoneModelLogic)

#include "tst_smartphonemodellogic.moc"
