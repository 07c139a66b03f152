#include <guest/dbusdaemon.h>
#include <guest/positioningservice.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <memory>

using Guest::PositioningService;
using Track = QList<QList<double>>;

namespace {
const QString ServiceConnection = QStringLiteral("tst-positioning-service");
const QString ClientConnection = QStringLiteral("tst-positioning-client");
const QString InvalidArgument = QStringLiteral("org.tern.GeoclueMimicry.Error.InvalidArgument");
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Infinity = std::numeric_limits<double>::infinity();
// Intervals in tests are short; the fixed one is shortened to match.
const int FixedInterval = 40;
} // namespace

class tst_PositioningService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void positionIsKept_data();
    void positionIsKept();
    void badPositionsAreRefused_data();
    void badPositionsAreRefused();
    void badTracksAreRefused_data();
    void badTracksAreRefused();
    void playbackSettingsAreKept();
    void emptyTrackCannotStart();
    void trackPlaysByItself();
    void speedAndFixedModeSetThePace_data();
    void speedAndFixedModeSetThePace();
    void loopedTrackStartsOver();
    void pauseKeepsTheIndexAndStopRewinds();
    void seekMovesIndexAndPosition_data();
    void seekMovesIndexAndPosition();
    void seekWhilePlayingGoesOnFromThere();

private:
    QDBusMessage call(const QString &method, const QVariantList &arguments = {},
                      const QString &interface = PositioningService::interfaceName());
    bool succeeds(const QString &method, const QVariantList &arguments = {});
    QVariantMap inspectedState();
    QVariantList positions(const QSignalSpy &spy);

    QTemporaryDir m_runtimeDir;
    Guest::DBusDaemon m_bus;
    std::unique_ptr<PositioningService> m_service;
};

void tst_PositioningService::initTestCase()
{
    qDBusRegisterMetaType<QList<double>>();
    qDBusRegisterMetaType<Track>();
    QVERIFY(m_runtimeDir.isValid());
    QString error;
    QVERIFY2(m_bus.start(m_runtimeDir.path(), QStringLiteral("session"), &error), qPrintable(error));
    QVERIFY(QDBusConnection::connectToBus(m_bus.address(), ServiceConnection).isConnected());
    QVERIFY(QDBusConnection::connectToBus(m_bus.address(), ClientConnection).isConnected());
}

void tst_PositioningService::init()
{
    m_service = std::make_unique<PositioningService>(QDBusConnection(ServiceConnection));
    m_service->setFixedInterval(FixedInterval);
    QVERIFY(m_service->registerService());
}

void tst_PositioningService::cleanup()
{
    m_service.reset();
}

void tst_PositioningService::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(ClientConnection);
    QDBusConnection::disconnectFromBus(ServiceConnection);
}

QDBusMessage tst_PositioningService::call(const QString &method, const QVariantList &arguments,
                                          const QString &interface)
{
    QDBusMessage message = QDBusMessage::createMethodCall(PositioningService::serviceName(),
                                                          PositioningService::objectPath(), interface, method);
    message.setArguments(arguments);
    return QDBusConnection(ClientConnection).call(message, QDBus::BlockWithGui, 5000);
}

bool tst_PositioningService::succeeds(const QString &method, const QVariantList &arguments)
{
    const QDBusMessage reply = call(method, arguments);
    if (reply.type() != QDBusMessage::ReplyMessage)
        qWarning() << method << reply.errorName() << reply.errorMessage();
    return reply.type() == QDBusMessage::ReplyMessage;
}

QVariantMap tst_PositioningService::inspectedState()
{
    const QDBusMessage reply = call(QStringLiteral("state"), {}, QStringLiteral("org.mimicry.Inspect"));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return {};
    return qdbus_cast<QVariantMap>(reply.arguments().first());
}

// The positions a spy on positionChanged saw, as [latitude, longitude, altitude] lists.
QVariantList tst_PositioningService::positions(const QSignalSpy &spy)
{
    QVariantList result;
    for (const QVariantList &signal : spy)
        result.append(QVariant(signal));
    return result;
}

static QVariant position(double latitude, double longitude, double altitude)
{
    return QVariantList{latitude, longitude, altitude};
}

static QVariant track(const Track &rows)
{
    return QVariant::fromValue(rows);
}

void tst_PositioningService::positionIsKept_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("whole position") << "setPosition" << QVariantList{-33.8688, 151.2093, 5.0}
                                    << position(-33.8688, 151.2093, 5);
    QTest::newRow("north pole") << "setLatitude" << QVariantList{90.0} << position(90, 0, 0);
    QTest::newRow("date line") << "setLongitude" << QVariantList{-180.0} << position(0, -180, 0);
    QTest::newRow("ocean floor") << "setAltitude" << QVariantList{-12000.0} << position(0, 0, -12000);
}

void tst_PositioningService::positionIsKept()
{
    QFETCH(QString, method);
    QFETCH(QVariantList, arguments);
    QFETCH(QVariant, expected);
    QSignalSpy moved(m_service.get(), &PositioningService::positionChanged);
    QVERIFY(moved.isValid());

    QVERIFY(succeeds(method, arguments));
    QCOMPARE(positions(moved), QVariantList{expected});
    const QVariantMap state = inspectedState();
    QCOMPARE((QVariantList{state.value("latitude"), state.value("longitude"), state.value("altitude")}),
             expected.toList());
    QCOMPARE(position(m_service->latitude(), m_service->longitude(), m_service->altitude()), expected);
}

void tst_PositioningService::badPositionsAreRefused_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("arguments");

    QTest::newRow("latitude above") << "setLatitude" << QVariantList{90.0001};
    QTest::newRow("latitude NaN") << "setLatitude" << QVariantList{NaN};
    QTest::newRow("longitude above") << "setLongitude" << QVariantList{180.5};
    QTest::newRow("longitude infinite") << "setLongitude" << QVariantList{-Infinity};
    QTest::newRow("altitude in space") << "setAltitude" << QVariantList{100001.0};
    QTest::newRow("altitude NaN") << "setAltitude" << QVariantList{NaN};
    QTest::newRow("longitude of three") << "setPosition" << QVariantList{1.0, 200.0, 3.0};
    QTest::newRow("latitude of three") << "setPosition" << QVariantList{-91.0, 2.0, 3.0};
}

void tst_PositioningService::badPositionsAreRefused()
{
    QFETCH(QString, method);
    QFETCH(QVariantList, arguments);
    QVERIFY(succeeds(QStringLiteral("setPosition"), {10.0, 20.0, 30.0}));
    const QVariantMap before = inspectedState();
    QSignalSpy moved(m_service.get(), &PositioningService::positionChanged);
    QVERIFY(moved.isValid());

    const QDBusMessage reply = call(method, arguments);
    QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
    QCOMPARE(reply.errorName(), InvalidArgument);
    QVERIFY2(!reply.errorMessage().contains(QLatin1Char(':')), qPrintable(reply.errorMessage()));
    QCOMPARE(inspectedState(), before);
    QCOMPARE(moved.count(), 0);
}

void tst_PositioningService::badTracksAreRefused_data()
{
    QTest::addColumn<Track>("rows");

    QTest::newRow("three values") << Track{{1, 2, 3, 0}, {1, 2, 3}};
    QTest::newRow("five values") << Track{{1, 2, 3, 0, 5}};
    QTest::newRow("empty row") << Track{{}};
    QTest::newRow("latitude out of range") << Track{{1, 2, 3, 0}, {91, 2, 3, 100}};
    QTest::newRow("longitude NaN") << Track{{1, NaN, 3, 0}};
    QTest::newRow("negative interval") << Track{{1, 2, 3, -1}};
    QTest::newRow("infinite interval") << Track{{1, 2, 3, Infinity}};
}

void tst_PositioningService::badTracksAreRefused()
{
    QFETCH(Track, rows);
    QVERIFY(succeeds(QStringLiteral("loadTrack"), {track({{1, 2, 3, 0}, {4, 5, 6, 1000}})}));
    QVERIFY(succeeds(QStringLiteral("goToPositionOnTrack"), {1}));
    const QVariantMap before = inspectedState();

    const QDBusMessage reply = call(QStringLiteral("loadTrack"), {track(rows)});
    QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
    QCOMPARE(reply.errorName(), InvalidArgument);
    QVERIFY2(!reply.errorMessage().contains(QLatin1Char(':')), qPrintable(reply.errorMessage()));
    QCOMPARE(inspectedState(), before);
    QCOMPARE(m_service->pointCount(), 2);
}

void tst_PositioningService::playbackSettingsAreKept()
{
    const QVariantMap defaults = inspectedState();
    QCOMPARE(defaults.value("speed"), QVariant(1));
    QCOMPARE(defaults.value("looped"), QVariant(false));
    QCOMPARE(defaults.value("fixedInterval"), QVariant(false));

    QVERIFY(succeeds(QStringLiteral("setTrackSpeed"), {5}));
    QVERIFY(succeeds(QStringLiteral("setTrackLooped"), {true}));
    QVERIFY(succeeds(QStringLiteral("setTrackIntervalMode"), {true}));
    for (int speed : {0, -3}) {
        const QDBusMessage reply = call(QStringLiteral("setTrackSpeed"), {speed});
        QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(reply.errorName(), InvalidArgument);
    }
    QVariantMap expected = defaults;
    expected.insert("speed", 5);
    expected.insert("looped", true);
    expected.insert("fixedInterval", true);
    QCOMPARE(inspectedState(), expected);
    QCOMPARE(m_service->state(), expected);
}

void tst_PositioningService::emptyTrackCannotStart()
{
    QVERIFY(succeeds(QStringLiteral("loadTrack"), {track({})}));
    QCOMPARE(inspectedState().value("pointCount"), QVariant(0));
    const QDBusMessage reply = call(QStringLiteral("startTrack"));
    QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
    QCOMPARE(reply.errorName(), QStringLiteral("org.tern.GeoclueMimicry.Error.NoTrack"));
    QVERIFY(!m_service->isPlaying());
    // The plug-in stops and pauses whatever the guest holds.
    QVERIFY(succeeds(QStringLiteral("stopTrack")));
    QVERIFY(succeeds(QStringLiteral("pauseTrack")));
}

void tst_PositioningService::trackPlaysByItself()
{
    QVERIFY(succeeds(QStringLiteral("loadTrack"), {track({{60, 30, 0, 0}, {60.0001, 30.0002, 1, 30}, {60.0002, 30.0004, 2, 30}})}));
    QCOMPARE(m_service->latitude(), 0.0);
    QSignalSpy moved(m_service.get(), &PositioningService::positionChanged);
    QSignalSpy playing(m_service.get(), &PositioningService::playingChanged);
    QVERIFY(moved.isValid() && playing.isValid());
    const QVariantList expected{position(60, 30, 0), position(60.0001, 30.0002, 1), position(60.0002, 30.0004, 2)};

    QElapsedTimer clock;
    clock.start();
    QVERIFY(succeeds(QStringLiteral("startTrack")));
    QCOMPARE(inspectedState().value("playing"), QVariant(true));
    QTRY_COMPARE(playing.count(), 2);
    QVERIFY2(clock.elapsed() >= 55, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(playing.last().first(), QVariant(false));
    QCOMPARE(positions(moved), expected);
    QCOMPARE(inspectedState().value("index"), QVariant(2));

    // A track that ran out plays again from its start.
    moved.clear();
    QVERIFY(succeeds(QStringLiteral("startTrack")));
    QTRY_COMPARE(playing.count(), 4);
    QCOMPARE(positions(moved), expected);
}

void tst_PositioningService::speedAndFixedModeSetThePace_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("fixedMode");
    QTest::addColumn<int>("minimumMs");
    QTest::addColumn<int>("maximumMs");

    // Two steps of 1000 ms each in the rows.
    QTest::newRow("five times faster") << 5 << false << 390 << 1600;
    QTest::newRow("fixed interval") << 1 << true << 2 * FixedInterval - 5 << 1600;
    QTest::newRow("fixed interval, twice as fast") << 2 << true << FixedInterval - 5 << 1600;
}

void tst_PositioningService::speedAndFixedModeSetThePace()
{
    QFETCH(int, speed);
    QFETCH(bool, fixedMode);
    QFETCH(int, minimumMs);
    QFETCH(int, maximumMs);
    QVERIFY(succeeds(QStringLiteral("loadTrack"), {track({{1, 1, 0, 0}, {2, 2, 0, 1000}, {3, 3, 0, 1000}})}));
    QVERIFY(succeeds(QStringLiteral("setTrackSpeed"), {speed}));
    QVERIFY(succeeds(QStringLiteral("setTrackIntervalMode"), {fixedMode}));
    QSignalSpy playing(m_service.get(), &PositioningService::playingChanged);
    QVERIFY(playing.isValid());

    QElapsedTimer clock;
    clock.start();
    QVERIFY(succeeds(QStringLiteral("startTrack")));
    QTRY_COMPARE_WITH_TIMEOUT(playing.count(), 2, 5000);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= minimumMs && elapsed < maximumMs, qPrintable(QString::number(elapsed)));
    QCOMPARE(m_service->latitude(), 3.0);
}

void tst_PositioningService::loopedTrackStartsOver()
{
    QVERIFY(succeeds(QStringLiteral("loadTrack"), {track({{1, 1, 0, 0}, {2, 2, 0, 20}})}));
    QVERIFY(succeeds(QStringLiteral("setTrackLooped"), {true}));
    QSignalSpy moved(m_service.get(), &PositioningService::positionChanged);
    QVERIFY(moved.isValid());

    QVERIFY(succeeds(QStringLiteral("startTrack")));
    QTRY_VERIFY(moved.count() >= 5);
    QVERIFY(m_service->isPlaying());
    for (int i = 0; i < 5; ++i)
        QCOMPARE(moved.at(i).first(), QVariant(double(1 + i % 2)));

    QVERIFY(succeeds(QStringLiteral("stopTrack")));
    QCOMPARE(inspectedState().value("index"), QVariant(0));
    QCOMPARE(inspectedState().value("playing"), QVariant(false));
    moved.clear();
    QVERIFY(!moved.wait(3 * FixedInterval));
}

void tst_PositioningService::pauseKeepsTheIndexAndStopRewinds()
{
    QVERIFY(succeeds(QStringLiteral("loadTrack"), {track({{1, 1, 0, 0}, {2, 2, 0, 20}, {3, 3, 0, 60000}})}));
    QSignalSpy moved(m_service.get(), &PositioningService::positionChanged);
    QVERIFY(moved.isValid());
    QVERIFY(succeeds(QStringLiteral("startTrack")));
    QTRY_COMPARE(m_service->currentIndex(), 1);

    QVERIFY(succeeds(QStringLiteral("pauseTrack")));
    QCOMPARE(inspectedState().value("playing"), QVariant(false));
    QCOMPARE(inspectedState().value("index"), QVariant(1));
    QCOMPARE(m_service->latitude(), 2.0);

    // Resuming shows the current point again and goes on from there.
    QVERIFY(succeeds(QStringLiteral("startTrack")));
    QCOMPARE(m_service->currentIndex(), 1);
    QVERIFY(succeeds(QStringLiteral("setTrackSpeed"), {1000000}));
    QTRY_COMPARE(m_service->currentIndex(), 2);
    QCOMPARE(moved.count(), 4);

    QVERIFY(succeeds(QStringLiteral("stopTrack")));
    QCOMPARE(inspectedState().value("index"), QVariant(0));
    QCOMPARE(m_service->latitude(), 3.0);
}

void tst_PositioningService::seekMovesIndexAndPosition_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("valid");

    QTest::newRow("first") << 0 << true;
    QTest::newRow("last") << 2 << true;
    QTest::newRow("negative") << -1 << false;
    QTest::newRow("past the end") << 3 << false;
}

void tst_PositioningService::seekMovesIndexAndPosition()
{
    QFETCH(int, index);
    QFETCH(bool, valid);
    QVERIFY(succeeds(QStringLiteral("loadTrack"), {track({{10, 11, 1, 0}, {20, 21, 2, 50}, {30, 31, 3, 50}})}));
    QVERIFY(succeeds(QStringLiteral("goToPositionOnTrack"), {1}));
    QCOMPARE(m_service->latitude(), 20.0);

    const QDBusMessage reply = call(QStringLiteral("goToPositionOnTrack"), {index});
    const int expectedIndex = valid ? index : 1;
    QCOMPARE(reply.type(), valid ? QDBusMessage::ReplyMessage : QDBusMessage::ErrorMessage);
    QCOMPARE(inspectedState().value("index"), QVariant(expectedIndex));
    QCOMPARE(m_service->longitude(), 11.0 + 10 * expectedIndex);
    QCOMPARE(m_service->altitude(), 1.0 + expectedIndex);
    QVERIFY(!m_service->isPlaying());
}

void tst_PositioningService::seekWhilePlayingGoesOnFromThere()
{
    QVERIFY(succeeds(QStringLiteral("loadTrack"),
                     {track({{1, 1, 0, 0}, {2, 2, 0, 60000}, {3, 3, 0, 20}, {4, 4, 0, 20}})}));
    QSignalSpy playing(m_service.get(), &PositioningService::playingChanged);
    QVERIFY(playing.isValid());
    QVERIFY(succeeds(QStringLiteral("startTrack")));

    QVERIFY(succeeds(QStringLiteral("goToPositionOnTrack"), {2}));
    QCOMPARE(m_service->latitude(), 3.0);
    QTRY_COMPARE(playing.count(), 2);
    QCOMPARE(m_service->latitude(), 4.0);
    QCOMPARE(m_service->currentIndex(), 3);
}

QTEST_GUILESS_MAIN(tst_PositioningService)

#include "tst_positioningservice.moc"
