#include "readfile.h"

#include <QJSEngine>
#include <QtTest>

#include <cmath>

namespace {

const double g = 9.80665;

} // namespace

class tst_SmartphoneModelLogic : public QObject
{
    Q_OBJECT

private slots:
    // three.js as npm installs it, then the script as the page imports it; QML's
    // ".pragma" and ".import" lines mean nothing to a bare engine.
    void initTestCase()
    {
        const QJSValue three = m_engine.evaluate(readFile(QStringLiteral(MIMICRY_THREE_JS)),
                                                 QStringLiteral(MIMICRY_THREE_JS));
        QVERIFY2(!three.isError(), qPrintable(three.toString()));

        const QString path = QStringLiteral(MIMICRY_SOURCE_DIR "/js/smartphone-model-logic.js");
        const QJSValue logic
            = m_engine.evaluate(readFile(path).replace(QStringLiteral(".pragma library"), QString()), path);
        QVERIFY2(!logic.isError(), qPrintable(logic.toString()));
        // Gravity is g times the second components of the rotated axes; how far
        // the two ways of working it out are apart.
        m_engine.evaluate(QStringLiteral(
            "function vector(x, y, z) { return new THREE.Vector3(x, y, z); }"
            "function gravityOffAxes(x, y, z) {"
            "    var a = rotatedAxes(THREE, x, y, z), g = gravityAcceleration(x, y, z);"
            "    return vector(g.x, g.y, g.z).distanceTo(vector(a.x.y, a.y.y, a.z.y).multiplyScalar(9.80665)); }"
            // The 3D view's matrix against the rotated axes the sensors use,
            // column by column, and its shift.
            "function poseOffAxes(x, y, z) {"
            "    var a = rotatedAxes(THREE, x, y, z), m = poseMatrix(x, y, z, 0.1, -0.2, 0.3), off = 0;"
            "    [a.x, a.y, a.z].forEach(function(axis, c) {"
            "        off = Math.max(off, vector(m[c], m[4 + c], m[8 + c]).distanceTo(axis)); });"
            "    return off + vector(m[3], m[7], m[11]).distanceTo(vector(0.1, -0.2, 0.3)); }"));
    }

    void values_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<double>("expected");

        // The guest's accelerometer and gyroscope take no more than ±3000.
        QTest::newRow("inside the limit") << "limitEmulatedValue(-2999.5)" << -2999.5;
        QTest::newRow("above the limit") << "limitEmulatedValue(3000.25)" << 3000.0;
        // Shown accelerations are the whole thousandths of g the guest gets, in m/s².
        QTest::newRow("negative, toward zero") << "convertAccValue(-9.8)" << -999 * g / 1000;
        QTest::newRow("rounding would give one more") << "convertAccValue(48)" << 4894 * g / 1000;
        // The field's projection on an axis.
        QTest::newRow("zero field") << "calculateMagnetometerValue(vector(1, 0, 0), vector(0, 0, 0))" << 0.0;
        QTest::newRow("projection") << "calculateMagnetometerValue(vector(0.6, 0.8, 0), vector(10, 20, 30))" << 22.0;
        // Euler order XYZ, also in gimbal lock and beyond ±180, as keys leave
        // the sliders until the next press.
        QTest::newRow("face up") << "gravityOffAxes(-90, 0, 0)" << 0.0;
        QTest::newRow("face up, gravity") << "gravityAcceleration(-90, 0, 0).z" << g;
        QTest::newRow("any attitude") << "gravityOffAxes(37.5, -62, 121)" << 0.0;
        QTest::newRow("another attitude") << "gravityOffAxes(-143, 18.5, -77)" << 0.0;
        QTest::newRow("Y-Rot 90, gimbal lock") << "gravityOffAxes(30, 90, -45)" << 0.0;
        QTest::newRow("beyond the range") << "gravityOffAxes(181, -181, 270)" << 0.0;
        QTest::newRow("3D view, any attitude") << "poseOffAxes(37.5, -62, 121)" << 0.0;
        QTest::newRow("3D view, gimbal lock") << "poseOffAxes(30, 90, -45)" << 0.0;
    }

    void values()
    {
        QFETCH(QString, expression);
        QFETCH(double, expected);
        const QJSValue result = m_engine.evaluate(expression);
        QVERIFY2(result.isNumber(), qPrintable(result.toString()));
        QVERIFY2(std::abs(result.toNumber() - expected) < 1e-9, qPrintable(result.toString()));
    }

    // A horizontal drag turns with the slider whose axis stands closest to
    // upright, the sign keeping the front moving with the mouse.
    void horizontalDragAxis_data()
    {
        QTest::addColumn<double>("xRot");
        QTest::addColumn<double>("yRot");
        QTest::addColumn<QString>("expected");
        QTest::newRow("upright") << 0.0 << 0.0 << "y 1";
        QTest::newRow("upside down, X-Rot 180") << 180.0 << 0.0 << "y -1";
        QTest::newRow("face up") << -90.0 << 0.0 << "z 1";
        QTest::newRow("face down") << 90.0 << 0.0 << "z -1";
        QTest::newRow("tilted back past 45") << -50.0 << 20.0 << "z 1";
    }

    void horizontalDragAxis()
    {
        QFETCH(double, xRot);
        QFETCH(double, yRot);
        QFETCH(QString, expected);
        const QJSValue turn = m_engine.evaluate(QStringLiteral("horizontalDragAxis(%1, %2)").arg(xRot).arg(yRot));
        QCOMPARE(turn.property("axis").toString() + ' ' + turn.property("sign").toString(), expected);
    }

private:
    QJSEngine m_engine;
};

QTEST_GUILESS_MAIN(tst_SmartphoneModelLogic)

#include "tst_smartphonemodellogic.moc"
