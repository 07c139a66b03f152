#include "sensors/accelerometermodel.h"
#include "sensors/alsmodel.h"
#include "sensors/compassmodel.h"
#include "sensors/gyroscopemodel.h"
#include "sensors/magneticfieldmodel.h"
#include "sensors/magnetometermodel.h"
#include "sensors/orientationmodel.h"
#include "sensors/proximitymodel.h"
#include "sensors/tapmodel.h"

#include <QMetaProperty>
#include <QSignalSpy>
#include <QtTest>

#include <array>
#include <cmath>
#include <functional>
#include <memory>

using namespace Mimicry::Internal;

using ModelFactory = std::function<SensorModel *()>;

struct OrientationStep
{
    double x, y, z;
    QOrientationReading::Orientation expected;
};
using OrientationSteps = QVector<OrientationStep>;

Q_DECLARE_METATYPE(ModelFactory)
Q_DECLARE_METATYPE(OrientationSteps)

namespace {

const double DegreesPerRadian = 57.29577951308232;

QVariant readComparable(const QMetaProperty &property, const QObject *object)
{
    const QVariant value = property.read(object);
    return property.isEnumType() ? QVariant(value.toInt()) : value;
}

QVariant differentValue(const QMetaProperty &property, const QObject *object)
{
    const QVariant current = property.read(object);
    if (property.isEnumType())
        return current.toInt() == 1 ? 2 : 1;
    if (property.userType() == QMetaType::Double)
        return current.toDouble() + 1.5;
    return current.toInt() + 7;
}

using Vector = std::array<double, 3>;

// World x east, y north, z up, as seen from a device turned anticlockwise
// by `heading`, then pitched about its x axis and rolled about its y axis.
Vector inDevice(Vector v, double heading, double pitch, double roll)
{
    const std::pair<int, double> turns[] = {{2, heading}, {0, pitch}, {1, roll}};
    for (const auto &[axis, degrees] : turns) {
        const double c = std::cos(degrees / DegreesPerRadian), s = std::sin(degrees / DegreesPerRadian);
        const int i = (axis + 1) % 3, j = (axis + 2) % 3;
        const double vi = v[i];
        v[i] = c * vi + s * v[j];
        v[j] = -s * vi + c * v[j];
    }
    return v;
}

} // namespace

class tst_SensorModels : public QObject
{
    Q_OBJECT

private slots:
    void models_data()
    {
        QTest::addColumn<ModelFactory>("factory");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("properties");
        QTest::addColumn<QVariantList>("values");
        const auto row = [](const char *name, const ModelFactory &factory, const QStringList &properties,
                            const QVariantList &values) {
            QTest::newRow(name) << factory << QString::fromLatin1(name) << properties << values;
        };
        const QStringList xyz{"x", "y", "z"};
        row("accelerometer", [] { return new AccelerometerModel; }, xyz, {0, 0, 1000});
        row("magnetometer", [] { return new MagnetometerModel; }, xyz + QStringList{"calibrationLevel"},
            {4.3e-5, 0.0, 0.0, 0});
        row("magneticField", [] { return new MagneticFieldModel; }, xyz, {0.0, 5.95, -48.76});
        row("gyroscope", [] { return new GyroscopeModel; }, xyz, {0.0, 0.0, 1.1459155902616465});
        row("compass", [] { return new CompassModel; }, {"azimuth", "calibrationLevel"}, {90, 0});
        row("orientation", [] { return new OrientationModel; }, {"orientation"}, {int(QOrientationReading::FaceUp)});
        row("als", [] { return new AlsModel; }, {"lux"}, {100});
        row("proximity", [] { return new ProximityModel; }, {"reflectance"}, {5});
        row("tap", [] { return new TapModel; }, {"tapDirection"}, {int(TapModel::Undefined)});
    }

    void models()
    {
        QFETCH(ModelFactory, factory);
        QFETCH(QString, name);
        QFETCH(QStringList, properties);
        QFETCH(QVariantList, values);
        const std::unique_ptr<SensorModel> model(factory());
        QCOMPARE(model->sensorName(), name);
        const QMetaObject *meta = model->metaObject();
        QCOMPARE(meta->propertyCount() - QObject::staticMetaObject.propertyCount(), properties.size());

        for (int i = 0; i < properties.size(); ++i) {
            const QMetaProperty property = meta->property(meta->indexOfProperty(qPrintable(properties.at(i))));
            QVERIFY2(property.isValid(), qPrintable(properties.at(i)));
            QCOMPARE(readComparable(property, model.get()), values.at(i));
            QSignalSpy notified(model.get(), ('2' + property.notifySignal().methodSignature()).constData());
            // Writing the current value still notifies.
            QVERIFY(property.write(model.get(), property.read(model.get())));
            const QVariant next = differentValue(property, model.get());
            QVERIFY(property.write(model.get(), next));
            QCOMPARE(readComparable(property, model.get()), next);
            model->resetValues();
            QCOMPARE(notified.count(), 3);
            QCOMPARE(readComparable(property, model.get()), values.at(i));
        }
    }

    void azimuth_data()
    {
        // Accelerometer x, y, z in thousandths of g, then magnetometer x, y, z.
        QTest::addColumn<QVector<double>>("reading");
        QTest::addColumn<int>("expected");
        QTest::newRow("no gravity") << QVector<double>{0, 0, 0, 1e-5, -3e-5, 2e-5} << 0;
        QTest::newRow("nan field") << QVector<double>{0, 0, 1000, qQNaN(), 1e-5, 0} << 0;
        QTest::newRow("infinite field") << QVector<double>{0, 0, 1000, qInf(), qInf(), 0} << 0;

        // Tilted devices in a field dipping into the ground, the world's vectors turned into the
        // device's frame. The formula takes the magnetometer's z axis pointing into the screen.
        const double attitudes[][3] = {{30, 20, -15}, {200, -35, 40}, {300, 10, 60}, {123, 0, 170},
                                       {0, -70, -120}, {250, 90, 0}, {15, -90, 0}, {181, 0, 90}};
        for (const auto &attitude : attitudes) {
            const Vector up = inDevice({0, 0, 1000}, attitude[0], attitude[1], attitude[2]);
            const Vector field = inDevice({0, 2.0e-5, -4.5e-5}, attitude[0], attitude[1], attitude[2]);
            QTest::addRow("tilted %g/%g/%g", attitude[0], attitude[1], attitude[2])
                << QVector<double>{double(qRound(up[0])), double(qRound(up[1])), double(qRound(up[2])), field[0],
                                   field[1], -field[2]}
                << int(attitude[0]);
        }
    }

    void azimuth()
    {
        QFETCH(QVector<double>, reading);
        QFETCH(int, expected);
        QCOMPARE(CompassModel::calculateAzimuth(int(reading[0]), int(reading[1]), int(reading[2]), reading[3],
                                                reading[4], reading[5]),
                 expected);
    }

    void orientation_data()
    {
        QTest::addColumn<OrientationSteps>("steps");
        using O = QOrientationReading;
        QTest::newRow("flat, edges, zero") << OrientationSteps{{0, 0, 1000, O::FaceUp}, {0, 100, 0, O::TopUp},
            {0, -100, 0, O::TopDown}, {-100, 0, 0, O::LeftUp}, {100, 0, 0, O::RightUp}, {0, 0, 0, O::FaceUp}};
        QTest::newRow("face thresholds") << OrientationSteps{{0, 0, -299, O::FaceUp}, {0, 0, -300, O::FaceDown},
            {0, 0, -299, O::FaceDown}, {0, 0, 299, O::FaceDown}, {0, 0, 0, O::FaceDown}, {0, 0, 300, O::FaceUp}};
        QTest::newRow("side edge forgets face down")
            << OrientationSteps{{0, 0, -1000, O::FaceDown}, {500, 0, -800, O::RightUp}, {0, 0, 0, O::FaceUp}};
        QTest::newRow("edge with weak z keeps face down")
            << OrientationSteps{{0, 0, -1000, O::FaceDown}, {0, 1000, 200, O::TopUp}, {0, 0, 0, O::FaceDown}};
        QTest::newRow("side limit") << OrientationSteps{{466, 0, 1000, O::FaceUp}, {477, 0, 1000, O::RightUp},
            {-466, 0, 1000, O::FaceUp}, {-477, 0, 1000, O::LeftUp}};
        QTest::newRow("top limit") << OrientationSteps{{0, 373, 1000, O::FaceUp}, {0, 374, 1000, O::TopUp},
            {0, -373, 1000, O::FaceUp}, {0, -374, 1000, O::TopDown}};
        QTest::newRow("side wins over top") << OrientationSteps{{300, 400, 0, O::RightUp}, {-300, -400, 0, O::LeftUp}};
        // 24.8° sideways and 20.3° forwards: both just inside their limits, the
        // forward one only when measured against x and z together.
        QTest::newRow("both near limits") << OrientationSteps{{400, 330, 800, O::FaceUp}};
    }

    void orientation()
    {
        QFETCH(OrientationSteps, steps);
        OrientationModel model;
        QSignalSpy spy(&model, &OrientationModel::orientationChanged);
        for (int i = 0; i < steps.size(); ++i) {
            const OrientationStep &step = steps.at(i);
            model.updateFromAccelerometer(step.x, step.y, step.z);
            QVERIFY2(model.orientation() == step.expected,
                     qPrintable(QStringLiteral("step %1 gave %2").arg(i).arg(model.orientation())));
            QCOMPARE(spy.count(), i + 1);
        }
        // Upright, the face comes from memory, which a reset clears.
        model.resetValues();
        model.updateFromAccelerometer(0, 0, 0);
        QCOMPARE(model.orientation(), QOrientationReading::FaceUp);
    }
};

QTEST_GUILESS_MAIN(tst_SensorModels)

#include "tst_sensormodels.moc"
