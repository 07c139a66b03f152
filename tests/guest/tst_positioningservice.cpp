#include <guest/dbusdaemon.h>
#include <guest/positioningservice.h>

#include <QtDBus>
#include <QtTest>

#include <memory>

using Guest::PositioningService;
using Track = QList<QList<double>>;

namespace {
const QString ServiceConnection = QStringLiteral("tst-positioning-service");
const QString ClientConnection = QStringLiteral("tst-positioning-client");
// Intervals in tests are short; the fixed one is shortened to match.
const int FixedInterval = 200;

QVariantList position(double latitude, double longitude, double altitude)
{
    return {latitude, longitude, altitude};
}

QVariant track(const Track &rows)
{
    return QVariant::fromValue(rows);
}

QDBusMessage call(const QString &method, const QVariantList &arguments = {},
                  const QString &interface = PositioningService::interfaceName())
{
    QDBusMessage message = QDBusMessage::createMethodCall(PositioningService::serviceName(),
                                                          PositioningService::objectPath(), interface, method);
    message.setArguments(arguments);
    return QDBusConnection(ClientConnection).call(message, QDBus::BlockWithGui, 5000);
}

bool succeeds(const QString &method, const QVariantList &arguments = {})
{
    const QString error = call(method, arguments).errorMessage();
    if (!error.isEmpty())
        qWarning() << method << error;
    return error.isEmpty();
}

QVariantMap inspectedState()
{
    const QDBusMessage reply = call(QStringLiteral("state"), {}, QStringLiteral("org.mimicry.Inspect"));
    return qdbus_cast<QVariantMap>(reply.arguments().value(0));
}
} // namespace

class tst_PositioningService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup() { m_service.reset(); }
    void settingsAreKept_data();
    void settingsAreKept();
    void refusedCallsChangeNothing_data();
    void refusedCallsChangeNothing();
    void trackPlaysAtItsPace_data();
    void trackPlaysAtItsPace();
    void pauseResumeLoopAndStop();
    void seekMovesThePosition();

private:
    QList<QVariantList> positions() const { return *m_moved; }

    QTemporaryDir m_runtimeDir;
    Guest::DBusDaemon m_bus;
    std::unique_ptr<PositioningService> m_service;
    std::unique_ptr<QSignalSpy> m_moved;
    std::unique_ptr<QSignalSpy> m_playing;
};

void tst_PositioningService::initTestCase()
{
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
    m_moved = std::make_unique<QSignalSpy>(m_service.get(), &PositioningService::positionChanged);
    m_playing = std::make_unique<QSignalSpy>(m_service.get(), &PositioningService::playingChanged);
}

void tst_PositioningService::settingsAreKept_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<QVariantMap>("changes");
    QTest::newRow("whole position") << "setPosition" << QVariantList{-33.8688, 151.2093, 5.0}
                                    << QVariantMap{{"latitude", -33.8688}, {"longitude", 151.2093}, {"altitude", 5.0}};
    QTest::newRow("north pole") << "setLatitude" << QVariantList{90.0} << QVariantMap{{"latitude", 90.0}};
    QTest::newRow("date line") << "setLongitude" << QVariantList{-180.0} << QVariantMap{{"longitude", -180.0}};
    QTest::newRow("ocean floor") << "setAltitude" << QVariantList{-12000.0} << QVariantMap{{"altitude", -12000.0}};
    QTest::newRow("speed") << "setTrackSpeed" << QVariantList{5} << QVariantMap{{"speed", 5}};
    QTest::newRow("looped") << "setTrackLooped" << QVariantList{true} << QVariantMap{{"looped", true}};
    QTest::newRow("fixed interval") << "setTrackIntervalMode" << QVariantList{true}
                                    << QVariantMap{{"fixedInterval", true}};
}

void tst_PositioningService::settingsAreKept()
{
    QFETCH(QString, method);
    QFETCH(QVariantList, arguments);
    QFETCH(QVariantMap, changes);
    QVariantMap expected = inspectedState();
    QCOMPARE((QVariantList{expected.value("speed"), expected.value("looped"), expected.value("fixedInterval")}),
             (QVariantList{1, false, false}));
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        expected.insert(it.key(), it.value());

    QVERIFY(succeeds(method, arguments));
    QCOMPARE(inspectedState(), expected);
    // Every position that is set is signalled; the track settings are no positions.
    const QVariantList where{expected.value("latitude"), expected.value("longitude"), expected.value("altitude")};
    QCOMPARE(positions(), method.startsWith("setTrack") ? QList<QVariantList>() : QList<QVariantList>{where});
}

void tst_PositioningService::refusedCallsChangeNothing_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("arguments");
    QTest::newRow("latitude above") << "setLatitude" << QVariantList{90.0001};
    QTest::newRow("latitude NaN") << "setLatitude" << QVariantList{qQNaN()};
    QTest::newRow("longitude above") << "setLongitude" << QVariantList{180.5};
    QTest::newRow("altitude in space") << "setAltitude" << QVariantList{100001.0};
    QTest::newRow("longitude of three") << "setPosition" << QVariantList{1.0, 200.0, 3.0};
    QTest::newRow("track row of three") << "loadTrack" << QVariantList{track({{1, 2, 3, 0}, {1, 2, 3}})};
    QTest::newRow("track row of five") << "loadTrack" << QVariantList{track({{1, 2, 3, 0, 5}})};
    QTest::newRow("track latitude") << "loadTrack" << QVariantList{track({{1, 2, 3, 0}, {91, 2, 3, 100}})};
    QTest::newRow("negative interval") << "loadTrack" << QVariantList{track({{1, 2, 3, -1}})};
    QTest::newRow("infinite interval") << "loadTrack" << QVariantList{track({{1, 2, 3, qInf()}})};
    QTest::newRow("speed 0") << "setTrackSpeed" << QVariantList{0};
    QTest::newRow("seek before the start") << "goToPositionOnTrack" << QVariantList{-1};
    QTest::newRow("seek past the end") << "goToPositionOnTrack" << QVariantList{2};
}

void tst_PositioningService::refusedCallsChangeNothing()
{
    QFETCH(QString, method);
    QFETCH(QVariantList, arguments);
    QVERIFY(succeeds(QStringLiteral("loadTrack"), {track({{1, 2, 3, 0}, {4, 5, 6, 1000}})}));
    QVERIFY(succeeds(QStringLiteral("goToPositionOnTrack"), {1}));
    const QVariantMap before = inspectedState();
    m_moved->clear();

    const QDBusMessage reply = call(method, arguments);
    QCOMPARE(reply.errorName(), QStringLiteral("org.tern.GeoclueMimicry.Error.InvalidArgument"));
    QVERIFY2(!reply.errorMessage().contains(QLatin1Char(':')), qPrintable(reply.errorMessage()));
    QCOMPARE(inspectedState(), before);
    QCOMPARE(m_moved->count(), 0);
}

void tst_PositioningService::trackPlaysAtItsPace_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("fixedMode");
    QTest::addColumn<int>("minimumMs");
    QTest::addColumn<int>("maximumMs");
    // Two steps of 500 ms each in the track.
    QTest::newRow("as recorded") << 1 << false << 995 << 60000;
    QTest::newRow("five times faster") << 5 << false << 195 << 995;
    QTest::newRow("fixed interval") << 1 << true << 2 * FixedInterval - 5 << 995;
    QTest::newRow("fixed interval, twice as fast") << 2 << true << FixedInterval - 5 << 2 * FixedInterval - 5;
}

void tst_PositioningService::trackPlaysAtItsPace()
{
    QFETCH(int, speed);
    QFETCH(bool, fixedMode);
    QFETCH(int, minimumMs);
    QFETCH(int, maximumMs);
    QVERIFY(succeeds(QStringLiteral("loadTrack"), {track({{60, 30, 0, 0}, {61, 31, 1, 500}, {62, 32, 2, 500}})}));
    QVERIFY(succeeds(QStringLiteral("setTrackSpeed"), {speed}));
    QVERIFY(succeeds(QStringLiteral("setTrackIntervalMode"), {fixedMode}));

    // A track that ran out plays again from its start.
    for (int run = 1; run <= 2; ++run) {
        m_moved->clear();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(succeeds(QStringLiteral("startTrack")));
        QTRY_COMPARE_WITH_TIMEOUT(m_playing->count(), 2 * run, 5000);
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed >= minimumMs && elapsed < maximumMs, qPrintable(QString::number(elapsed)));
        QCOMPARE(positions(), (QList<QVariantList>{position(60, 30, 0), position(61, 31, 1), position(62, 32, 2)}));
        QCOMPARE(inspectedState().value("index"), QVariant(2));
    }
}

void tst_PositioningService::pauseResumeLoopAndStop()
{
    QVERIFY(succeeds(QStringLiteral("loadTrack"), {track({{1, 1, 0, 0}, {2, 2, 0, 20}, {3, 3, 0, 60000}})}));
    QVERIFY(succeeds(QStringLiteral("setTrackLooped"), {true}));
    QVERIFY(succeeds(QStringLiteral("startTrack")));
    QTRY_COMPARE(m_service->currentIndex(), 1);
    QVERIFY(succeeds(QStringLiteral("pauseTrack")));
    QCOMPARE(inspectedState().value("playing"), QVariant(false));
    QCOMPARE(inspectedState().value("index"), QVariant(1));

    // Resuming shows the current point again, a new speed applies to the wait
    // under way, and the looped track starts over after the last point.
    QVERIFY(succeeds(QStringLiteral("startTrack")));
    QVERIFY(succeeds(QStringLiteral("setTrackSpeed"), {1000000}));
    QTRY_VERIFY(m_moved->count() >= 7);
    QVariantList latitudes;
    for (int i = 0; i < 7; ++i)
        latitudes << m_moved->at(i).first();
    QCOMPARE(latitudes, (QVariantList{1.0, 2.0, 2.0, 3.0, 1.0, 2.0, 3.0}));

    // Paused or stopped, it stays put; stopping rewinds to the first point.
    QVERIFY(succeeds(QStringLiteral("pauseTrack")));
    const int index = m_service->currentIndex();
    m_moved->clear();
    QVERIFY(!m_moved->wait(2 * FixedInterval));
    QCOMPARE(m_service->currentIndex(), index);
    QVERIFY(succeeds(QStringLiteral("startTrack")));
    m_moved->clear();
    QVERIFY(succeeds(QStringLiteral("stopTrack")));
    QCOMPARE(inspectedState().value("index"), QVariant(0));
    QCOMPARE(inspectedState().value("playing"), QVariant(false));
    QVERIFY(!m_moved->wait(2 * FixedInterval));
}

void tst_PositioningService::seekMovesThePosition()
{
    // Without a track nothing plays, but stopping and pausing are fine.
    QCOMPARE(call(QStringLiteral("startTrack")).errorName(), QStringLiteral("org.tern.GeoclueMimicry.Error.NoTrack"));
    QVERIFY(succeeds(QStringLiteral("stopTrack")));
    QVERIFY(succeeds(QStringLiteral("pauseTrack")));

    QVERIFY(succeeds(QStringLiteral("loadTrack"),
                     {track({{1, 11, 1, 0}, {2, 12, 2, 60000}, {3, 13, 3, 20}, {4, 14, 4, 20}})}));
    for (int index : {3, 0}) {
        QVERIFY(succeeds(QStringLiteral("goToPositionOnTrack"), {index}));
        QCOMPARE(positions().last(), position(1 + index, 11 + index, 1 + index));
        QCOMPARE(inspectedState().value("index"), QVariant(index));
    }
    QCOMPARE(m_playing->count(), 0);

    // While playing, the track goes on from there.
    QVERIFY(succeeds(QStringLiteral("startTrack")));
    QVERIFY(succeeds(QStringLiteral("goToPositionOnTrack"), {2}));
    QCOMPARE(m_service->latitude(), 3.0);
    QTRY_COMPARE(m_playing->count(), 2);
    QCOMPARE(m_service->latitude(), 4.0);
    QCOMPARE(m_service->currentIndex(), 3);
}

QTEST_GUILESS_MAIN(tst_PositioningService)

#include "tst_positioningservice.moc"
