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
#include <vector>

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

// The properties a model adds to QObject's objectName, in declaration order.
QVector<QMetaProperty> ownProperties(const QObject *object)
{
    QVector<QMetaProperty> properties;
    const QMetaObject *meta = object->metaObject();
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i)
        properties.append(meta->property(i));
    return properties;
}

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

// One spy per property, on its notify signal.
std::vector<std::unique_ptr<QSignalSpy>> spyOnAll(QObject *object)
{
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const QMetaProperty &property : ownProperties(object)) {
        const QByteArray signal = '2' + property.notifySignal().methodSignature();
        spies.push_back(std::make_unique<QSignalSpy>(object, signal.constData()));
    }
    return spies;
}

using Vector = std::array<double, 3>;

// Coordinates of v in a frame turned by `degrees` about axis 0, 1 or 2.
Vector inTurnedFrame(const Vector &v, int axis, double degrees)
{
    const double c = std::cos(degrees / DegreesPerRadian);
    const double s = std::sin(degrees / DegreesPerRadian);
    const int i = (axis + 1) % 3;
    const int j = (axis + 2) % 3;
    Vector result = v;
    result[i] = c * v[i] + s * v[j];
    result[j] = -s * v[i] + c * v[j];
    return result;
}

// World x east, y north, z up. The device is turned anticlockwise by `heading`,
// then pitched about its x axis and rolled about its y axis.
Vector inDevice(const Vector &world, double heading, double pitch, double roll)
{
    return inTurnedFrame(inTurnedFrame(inTurnedFrame(world, 2, heading), 0, pitch), 1, roll);
}

void addModelRows()
{
    QTest::addColumn<ModelFactory>("factory");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("properties");
    QTest::addColumn<QVariantList>("values");

    const QStringList xyz{"x", "y", "z"};
    QTest::newRow("accelerometer") << ModelFactory([] { return new AccelerometerModel; })
                                   << "accelerometer" << xyz << QVariantList{0, 0, 1000};
    QTest::newRow("magnetometer")
        << ModelFactory([] { return new MagnetometerModel; }) << "magnetometer"
        << QStringList{"x", "y", "z", "calibrationLevel"} << QVariantList{4.3e-5, 0.0, 0.0, 0};
    QTest::newRow("magneticField") << ModelFactory([] { return new MagneticFieldModel; })
                                   << "magneticField" << xyz << QVariantList{0.0, 5.95, -48.76};
    QTest::newRow("gyroscope") << ModelFactory([] { return new GyroscopeModel; }) << "gyroscope"
                               << xyz << QVariantList{0.0, 0.0, 1.1459155902616465};
    QTest::newRow("compass") << ModelFactory([] { return new CompassModel; }) << "compass"
                             << QStringList{"azimuth", "calibrationLevel"} << QVariantList{90, 0};
    QTest::newRow("orientation")
        << ModelFactory([] { return new OrientationModel; }) << "orientation"
        << QStringList{"orientation"} << QVariantList{int(QOrientationReading::FaceUp)};
    QTest::newRow("als") << ModelFactory([] { return new AlsModel; }) << "als"
                         << QStringList{"lux"} << QVariantList{100};
    QTest::newRow("proximity") << ModelFactory([] { return new ProximityModel; }) << "proximity"
                               << QStringList{"reflectance"} << QVariantList{5};
    QTest::newRow("tap") << ModelFactory([] { return new TapModel; }) << "tap"
                         << QStringList{"tapDirection"} << QVariantList{int(TapModel::Undefined)};
}

} // namespace

class tst_SensorModels : public QObject
{
    Q_OBJECT

private slots:
    void construction_data() { addModelRows(); }
    void construction();
    void resetValues_data() { addModelRows(); }
    void resetValues();
    void settersAlwaysNotify_data() { addModelRows(); }
    void settersAlwaysNotify();

    void azimuthRoundTrip();
    void azimuth_data();
    void azimuth();

    void orientation_data();
    void orientation();
    void orientationRoundsHalvesUp_data();
    void orientationRoundsHalvesUp();
    void orientationResetForgetsFace();
};

void tst_SensorModels::construction()
{
    QFETCH(ModelFactory, factory);
    QFETCH(QString, name);
    QFETCH(QStringList, properties);
    QFETCH(QVariantList, values);

    const std::unique_ptr<SensorModel> model(factory());
    QCOMPARE(model->sensorName(), name);

    const QVector<QMetaProperty> actual = ownProperties(model.get());
    QCOMPARE(actual.size(), properties.size());
    for (int i = 0; i < actual.size(); ++i) {
        const QMetaProperty &property = actual.at(i);
        QCOMPARE(QString::fromLatin1(property.name()), properties.at(i));
        QVERIFY(property.isWritable());
        QCOMPARE(property.notifySignal().name(), QByteArray(property.name()) + "Changed");
        QCOMPARE(readComparable(property, model.get()), values.at(i));
    }
}

void tst_SensorModels::resetValues()
{
    QFETCH(ModelFactory, factory);
    QFETCH(QVariantList, values);

    const std::unique_ptr<SensorModel> model(factory());
    const QVector<QMetaProperty> properties = ownProperties(model.get());
    for (int i = 0; i < properties.size(); ++i) {
        QVERIFY(properties.at(i).write(model.get(), differentValue(properties.at(i), model.get())));
        QVERIFY(readComparable(properties.at(i), model.get()) != values.at(i));
    }

    const auto spies = spyOnAll(model.get());
    model->resetValues();
    for (int i = 0; i < properties.size(); ++i) {
        QVERIFY(spies.at(i)->isValid());
        QCOMPARE(spies.at(i)->count(), 1);
        QCOMPARE(readComparable(properties.at(i), model.get()), values.at(i));
    }
}

void tst_SensorModels::settersAlwaysNotify()
{
    QFETCH(ModelFactory, factory);

    const std::unique_ptr<SensorModel> model(factory());
    const QVector<QMetaProperty> properties = ownProperties(model.get());
    for (int changed = 0; changed < properties.size(); ++changed) {
        const QMetaProperty &property = properties.at(changed);
        const auto spies = spyOnAll(model.get());

        // Writing the current value still notifies, and only for that property.
        QVERIFY(property.write(model.get(), property.read(model.get())));
        const QVariant next = differentValue(property, model.get());
        QVERIFY(property.write(model.get(), next));
        QCOMPARE(readComparable(property, model.get()), next);
        for (int i = 0; i < properties.size(); ++i) {
            QVERIFY(spies.at(i)->isValid());
            QCOMPARE(spies.at(i)->count(), i == changed ? 2 : 0);
        }
    }
}

void tst_SensorModels::azimuthRoundTrip()
{
    // A level device pointing at each whole degree, at two field strengths.
    for (double strength : {std::sqrt(19.0) / 100000, 48.76}) {
        for (int degrees = 0; degrees <= 360; ++degrees) {
            const double a = degrees / DegreesPerRadian;
            const int azimuth = CompassModel::calculateAzimuth(0, 0, 1000, std::sin(a) * strength,
                                                               std::cos(a) * strength, 0.0);
            QVERIFY2(azimuth == degrees % 360,
                     qPrintable(QStringLiteral("%1 degrees gave %2").arg(degrees).arg(azimuth)));
        }
    }
}

void tst_SensorModels::azimuth_data()
{
    QTest::addColumn<int>("ax");
    QTest::addColumn<int>("ay");
    QTest::addColumn<int>("az");
    QTest::addColumn<double>("mx");
    QTest::addColumn<double>("my");
    QTest::addColumn<double>("mz");
    QTest::addColumn<int>("expected");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double below = 0.4999 / DegreesPerRadian;
    const double above = 0.5001 / DegreesPerRadian;

    QTest::newRow("initial readings") << 0 << 0 << 1000 << 4.3e-5 << 0.0 << 0.0 << 90;
    QTest::newRow("no gravity, east") << 0 << 0 << 0 << 4.3e-5 << 0.0 << 0.0 << 0;
    QTest::newRow("no gravity, mixed") << 0 << 0 << 0 << 1e-5 << -3e-5 << 2e-5 << 0;
    QTest::newRow("no gravity, no field") << 0 << 0 << 0 << 0.0 << 0.0 << 0.0 << 0;
    QTest::newRow("nan field") << 0 << 0 << 1000 << nan << 1e-5 << 0.0 << 0;
    QTest::newRow("infinite field") << 0 << 0 << 1000 << inf << inf << 0.0 << 0;
    QTest::newRow("just below half")
        << 0 << 0 << 1000 << std::sin(below) << std::cos(below) << 0.0 << 0;
    QTest::newRow("just above half")
        << 0 << 0 << 1000 << std::sin(above) << std::cos(above) << 0.0 << 1;

    // Tilted devices in a field dipping into the ground, worked out by turning
    // the world's vectors into the device's frame. The formula takes the
    // magnetometer's z axis pointing into the screen.
    const double attitudes[][3] = {{30, 20, -15}, {200, -35, 40}, {300, 10, 60},   {75, 50, 0},
                                   {123, 0, 170}, {0, -70, -120}, {250, 90, 0},    {15, -90, 0},
                                   {181, 0, 90},  {359, 0, -90},  {90, 30, -150}};
    for (const auto &attitude : attitudes) {
        const Vector up = inDevice({0, 0, 1000}, attitude[0], attitude[1], attitude[2]);
        const Vector field = inDevice({0, 2.0e-5, -4.5e-5}, attitude[0], attitude[1], attitude[2]);
        QTest::addRow("tilted %g/%g/%g", attitude[0], attitude[1], attitude[2])
            << qRound(up[0]) << qRound(up[1]) << qRound(up[2]) << field[0] << field[1]
            << -field[2] << int(attitude[0]);
    }
}

void tst_SensorModels::azimuth()
{
    QFETCH(int, ax);
    QFETCH(int, ay);
    QFETCH(int, az);
    QFETCH(double, mx);
    QFETCH(double, my);
    QFETCH(double, mz);
    QFETCH(int, expected);

    QCOMPARE(CompassModel::calculateAzimuth(ax, ay, az, mx, my, mz), expected);
}

void tst_SensorModels::orientation_data()
{
    QTest::addColumn<OrientationSteps>("steps");

    using O = QOrientationReading;
    QTest::newRow("flat") << OrientationSteps{{0, 0, 1000, O::FaceUp}};
    QTest::newRow("top up") << OrientationSteps{{0, 100, 0, O::TopUp}};
    QTest::newRow("top down") << OrientationSteps{{0, -100, 0, O::TopDown}};
    QTest::newRow("left up") << OrientationSteps{{-100, 0, 0, O::LeftUp}};
    QTest::newRow("right up") << OrientationSteps{{100, 0, 0, O::RightUp}};
    QTest::newRow("zero vector") << OrientationSteps{{0, 0, 0, O::FaceUp}};
    QTest::newRow("face up threshold") << OrientationSteps{
        {0, 0, -299, O::FaceUp}, {0, 0, -1000, O::FaceDown}, {0, 0, 300, O::FaceUp}};
    QTest::newRow("face down threshold")
        << OrientationSteps{{0, 0, -300, O::FaceDown}, {0, 0, -299, O::FaceDown},
                            {0, 0, 299, O::FaceDown}, {0, 0, 0, O::FaceDown}};
    QTest::newRow("side edge forgets face down")
        << OrientationSteps{{0, 0, -1000, O::FaceDown}, {500, 0, -800, O::RightUp},
                            {0, 0, 0, O::FaceUp}};
    QTest::newRow("top edge forgets face down")
        << OrientationSteps{{0, 0, -1000, O::FaceDown}, {0, -400, -1000, O::TopDown},
                            {0, 0, -100, O::FaceUp}};
    QTest::newRow("edge with weak z keeps face down")
        << OrientationSteps{{0, 0, -1000, O::FaceDown}, {0, 1000, 200, O::TopUp},
                            {0, 0, 0, O::FaceDown}};
    QTest::newRow("small tilts stay face down")
        << OrientationSteps{{0, 0, -1000, O::FaceDown}, {0, 100, -1000, O::FaceDown},
                            {400, 0, -1000, O::FaceDown}, {0, -360, -1000, O::FaceDown}};
    QTest::newRow("side limit")
        << OrientationSteps{{466, 0, 1000, O::FaceUp}, {477, 0, 1000, O::RightUp},
                            {-466, 0, 1000, O::FaceUp}, {-477, 0, 1000, O::LeftUp}};
    QTest::newRow("top limit")
        << OrientationSteps{{0, 373, 1000, O::FaceUp}, {0, 374, 1000, O::TopUp},
                            {0, -373, 1000, O::FaceUp}, {0, -374, 1000, O::TopDown}};
    QTest::newRow("limits face down")
        << OrientationSteps{{0, 0, -1000, O::FaceDown}, {466, 0, -1000, O::FaceDown},
                            {0, -373, -1000, O::FaceDown}, {-477, 0, -1000, O::LeftUp},
                            {0, 0, -1000, O::FaceDown}, {0, 374, -1000, O::TopUp},
                            {0, 0, 0, O::FaceUp}};
    QTest::newRow("side wins over top")
        << OrientationSteps{{300, 400, 0, O::RightUp}, {-300, -400, 0, O::LeftUp}};
    // 24.8° sideways and 20.3° forwards: both just inside their limits, the
    // forward one only when measured against x and z together.
    QTest::newRow("both near limits") << OrientationSteps{{400, 330, 800, O::FaceUp}};
}

void tst_SensorModels::orientation()
{
    QFETCH(OrientationSteps, steps);

    OrientationModel model;
    QSignalSpy spy(&model, &OrientationModel::orientationChanged);
    QVERIFY(spy.isValid());
    for (int i = 0; i < steps.size(); ++i) {
        const OrientationStep &step = steps.at(i);
        model.updateFromAccelerometer(step.x, step.y, step.z);
        QVERIFY2(model.orientation() == step.expected,
                 qPrintable(QStringLiteral("step %1 gave %2").arg(i).arg(model.orientation())));
        QCOMPARE(spy.count(), i + 1);
    }
}

void tst_SensorModels::orientationRoundsHalvesUp_data()
{
    QTest::addColumn<bool>("sideways");
    QTest::addColumn<double>("degrees");
    QTest::addColumn<int>("expected");

    QTest::newRow("right 25.5") << true << 25.5 << int(QOrientationReading::RightUp);
    QTest::newRow("left 25.5") << true << -25.5 << int(QOrientationReading::FaceUp);
    QTest::newRow("top 20.5") << false << 20.5 << int(QOrientationReading::TopUp);
    QTest::newRow("bottom 20.5") << false << -20.5 << int(QOrientationReading::FaceUp);
}

void tst_SensorModels::orientationRoundsHalvesUp()
{
    QFETCH(bool, sideways);
    QFETCH(double, degrees);
    QFETCH(int, expected);

    // Step outwards from the estimate to a tilt whose angle against z = 1000 is
    // exactly the half degree.
    const double estimate = std::tan(degrees / DegreesPerRadian) * 1000.0;
    double tilt = qQNaN();
    for (double up = estimate, down = estimate; qIsNaN(tilt) && up < estimate + 1e-9;
         up = std::nextafter(up, 1e9), down = std::nextafter(down, -1e9)) {
        for (double candidate : {up, down}) {
            if (std::atan(candidate / 1000.0) * DegreesPerRadian == degrees)
                tilt = candidate;
        }
    }
    QVERIFY2(!qIsNaN(tilt), "no reading lands exactly on the half degree");

    OrientationModel model;
    model.updateFromAccelerometer(sideways ? tilt : 0.0, sideways ? 0.0 : tilt, 1000.0);
    QCOMPARE(int(model.orientation()), expected);
}

void tst_SensorModels::orientationResetForgetsFace()
{
    OrientationModel model;
    model.updateFromAccelerometer(0, 0, -1000);
    QCOMPARE(model.orientation(), QOrientationReading::FaceDown);

    model.resetValues();
    QCOMPARE(model.orientation(), QOrientationReading::FaceUp);
    // Upright, the face comes from memory, which the reset has to clear.
    model.updateFromAccelerometer(0, 0, 0);
    QCOMPARE(model.orientation(), QOrientationReading::FaceUp);
}

QTEST_GUILESS_MAIN(tst_SensorModels)

#include "tst_sensormodels.moc"
