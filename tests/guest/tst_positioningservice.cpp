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

bool succeeds(const QString &method, const QVariantList &arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(PositioningService::serviceName(),
                                                          PositioningService::objectPath(),
                                                          PositioningService::interfaceName(), method);
    message.setArguments(arguments);
    const QString error = QDBusConnection(ClientConnection).call(message, QDBus::BlockWithGui, 5000).errorMessage();
    if (!error.isEmpty())
        qWarning() << method << error;
    return error.isEmpty();
}
} // namespace

class tst_PositioningService : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void trackPlaysAtItsPace_data();
    void trackPlaysAtItsPace();

private:
    QTemporaryDir m_runtimeDir;
    Guest::DBusDaemon m_bus;
};

void tst_PositioningService::initTestCase()
{
    QVERIFY(m_runtimeDir.isValid());
    QString error;
    QVERIFY2(m_bus.start(m_runtimeDir.path(), QStringLiteral("session"), &error), qPrintable(error));
    QVERIFY(QDBusConnection::connectToBus(m_bus.address(), ServiceConnection).isConnected());
    QVERIFY(QDBusConnection::connectToBus(m_bus.address(), ClientConnection).isConnected());
}

void tst_PositioningService::trackPlaysAtItsPace_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("fixedMode");
    QTest::addColumn<bool>("looped");
    QTest::addColumn<QVariantList>("latitudes");
    QTest::addColumn<int>("minimumMs");
    QTest::addColumn<int>("maximumMs");
    // Two steps of 500 ms each in the track; a looped one starts over after the fixed interval.
    const QVariantList once{60.0, 61.0, 62.0};
    QTest::newRow("as recorded") << 1 << false << false << once << 995 << 60000;
    QTest::newRow("five times faster") << 5 << false << false << once << 195 << 995;
    QTest::newRow("fixed interval") << 1 << true << false << once << 2 * FixedInterval - 5 << 995;
    QTest::newRow("fixed interval, twice as fast") << 2 << true << false << once << FixedInterval - 5
                                                   << 2 * FixedInterval - 5;
    QTest::newRow("looped") << 2 << false << true << (once + QVariantList{60.0, 61.0})
                            << 3 * 250 + FixedInterval - 5 << 60000;
}

void tst_PositioningService::trackPlaysAtItsPace()
{
    QFETCH(int, speed);
    QFETCH(bool, fixedMode);
    QFETCH(bool, looped);
    QFETCH(QVariantList, latitudes);
    QFETCH(int, minimumMs);
    QFETCH(int, maximumMs);
    PositioningService service{QDBusConnection(ServiceConnection)};
    service.setFixedInterval(FixedInterval);
    QVERIFY(service.registerService());
    QSignalSpy moved(&service, &PositioningService::positionChanged);
    const Track track{{60, 30, 0, 0}, {61, 31, 1, 500}, {62, 32, 2, 500}};
    QVERIFY(succeeds(QStringLiteral("loadTrack"), {QVariant::fromValue(track)}));
    QVERIFY(succeeds(QStringLiteral("setTrackSpeed"), {speed}));
    QVERIFY(succeeds(QStringLiteral("setTrackIntervalMode"), {fixedMode}));
    QVERIFY(succeeds(QStringLiteral("setTrackLooped"), {looped}));

    // A track that ran out plays again from its start.
    for (int run = 1; run <= (looped ? 1 : 2); ++run) {
        moved.clear();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(succeeds(QStringLiteral("startTrack")));
        QTRY_COMPARE_WITH_TIMEOUT(moved.count(), latitudes.size(), 5000);
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed >= minimumMs && elapsed < maximumMs, qPrintable(QString::number(elapsed)));
        QList<QVariantList> expected;
        for (const QVariant &latitude : qAsConst(latitudes)) {
            const double index = latitude.toDouble() - 60;
            expected.append({60 + index, 30 + index, index});
        }
        QCOMPARE(static_cast<QList<QVariantList>>(moved), expected);
        QCOMPARE(service.isPlaying(), looped);
    }
}

QTEST_GUILESS_MAIN(tst_PositioningService)

#include "tst_positioningservice.moc"
