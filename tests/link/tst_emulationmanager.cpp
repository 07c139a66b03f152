#include <gps/gpsemulationmanager.h>
#include <link/emulationmanager.h>
#include <link/remotedbusinvokerservice.h>
#include <sensors/sensorsemulationmanager.h>

#include "fakeguest.h"

#include <idehost.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Mimicry::Internal;

namespace {

// Records which reply hook saw which fields.
class RecordingManager : public EmulationManager
{
public:
    using EmulationManager::callMethod;

    QString busType() const override { return QStringLiteral("system"); }
    QString serviceName() const override { return QStringLiteral("org.example.Service"); }
    QString objectPath() const override { return QStringLiteral("/org/example/Service"); }
    QString interfaceName() const override { return QStringLiteral("org.example.Interface"); }
    void handleSuccessfulReply(const QStringList &fields) override { hooks.append("success " + fields.join(',')); }
    void handleFailedReply(const QStringList &fields) override { hooks.append("failure " + fields.join(',')); }

    QStringList hooks;
};

QStringList texts(const QSignalSpy &spy)
{
    QStringList result;
    for (const QList<QVariant> &arguments : spy)
        result.append(arguments.at(0).toString());
    return result;
}

} // namespace

class tst_EmulationManager : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void callMethodWritesTheSubclassFields();
    void replyOutcome_data();
    void replyOutcome();
    void repliesReachTheCallingManager_data();
    void repliesReachTheCallingManager();
    void twoManagersHearEachConnectionOnce();

private:
    void connectChannel(EmulationManager &manager);

    std::unique_ptr<FakeGuest> m_guest;
    std::unique_ptr<RemoteDBusInvokerService> m_channel;
};

void tst_EmulationManager::init()
{
    m_guest = std::make_unique<FakeGuest>();
    QVERIFY(m_guest->listen());
    m_channel = std::make_unique<RemoteDBusInvokerService>();
    m_channel->setUrl(m_guest->url());
    m_channel->setRetryDelays(20, 100);
}

void tst_EmulationManager::cleanup()
{
    m_channel.reset();
    m_guest.reset();
}

void tst_EmulationManager::connectChannel(EmulationManager &manager)
{
    QSignalSpy connected(&manager, &EmulationManager::emulatorConnected);
    m_channel->openConnection();
    QVERIFY(connected.wait(5000));
    QTRY_COMPARE(m_guest->clientCount(), 1);
}

void tst_EmulationManager::callMethodWritesTheSubclassFields()
{
    RecordingManager manager;
    QSignalSpy changed(&manager, &EmulationManager::rdbusinvokerChanged);
    manager.setRdbusinvoker(m_channel.get());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(manager.property("rdbusinvoker").value<RemoteDBusInvokerService *>(), m_channel.get());

    connectChannel(manager);
    manager.callMethod(QStringLiteral("setAlsValue"), QStringLiteral("int32:100"));
    manager.callMethod(QStringLiteral("stopTrack"), QString());
    QTRY_COMPARE(m_guest->lines(),
                 (QStringList{"system org.example.Service /org/example/Service org.example.Interface "
                              "setAlsValue int32:100",
                              "system org.example.Service /org/example/Service org.example.Interface "
                              "stopTrack "}));
}

void tst_EmulationManager::replyOutcome_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("emitted");
    QTest::addColumn<QStringList>("hooks");

    QTest::newRow("success") << "enabled:accelerometer:true::" << "OK"
                             << QStringList{"success enabled,accelerometer,true,,"};
    QTest::newRow("error name and text joined by a space")
        << "setTrackSpeed:::E:boom" << "E boom" << QStringList{"failure setTrackSpeed,,,E,boom"};
    QTest::newRow("error without text") << "m:a:r:org.freedesktop.DBus.Error.Failed:"
                                        << "org.freedesktop.DBus.Error.Failed "
                                        << QStringList{"failure m,a,r,org.freedesktop.DBus.Error.Failed,"};
    QTest::newRow("four fields pass unchanged") << "a:b:c:d" << "a:b:c:d" << QStringList();
    QTest::newRow("six fields pass unchanged") << "a:b:c:d:e:f" << "a:b:c:d:e:f" << QStringList();
}

void tst_EmulationManager::replyOutcome()
{
    QFETCH(QString, reply);
    QFETCH(QString, emitted);
    QFETCH(QStringList, hooks);

    RecordingManager manager;
    manager.setRdbusinvoker(m_channel.get());
    QSignalSpy replies(&manager, &EmulationManager::replyFromEmulatorReceived);
    connectChannel(manager);
    // A manager hears the replies to the methods it called.
    manager.callMethod(reply.section(QLatin1Char(':'), 0, 0), QString());

    m_guest->sendToClients(reply);
    QVERIFY(replies.wait(5000));
    QCOMPARE(texts(replies), QStringList{emitted});
    QCOMPARE(manager.hooks, hooks);
}

void tst_EmulationManager::repliesReachTheCallingManager_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QStringList>("gpsEmits");
    QTest::addColumn<QStringList>("sensorsEmits");

    QTest::newRow("GPS error") << "setTrackSpeed:2::E:refused" << QStringList{"E refused"} << QStringList();
    QTest::newRow("GPS method, malformed") << "stopTrack:x" << QStringList{"stopTrack:x"} << QStringList();
    QTest::newRow("sensor error") << "setAlsValue:5::E:refused" << QStringList() << QStringList{"E refused"};
    QTest::newRow("enabled for no such sensor") << "enabled:bogus7:true::" << QStringList() << QStringList{"OK"};
    // Nobody's call: shown through the sensors manager only.
    QTest::newRow("garbage") << "garbage" << QStringList() << QStringList{"garbage"};
}

// Bound in the plug-in's order, to one channel.
void tst_EmulationManager::repliesReachTheCallingManager()
{
    QFETCH(QString, reply);
    QFETCH(QStringList, gpsEmits);
    QFETCH(QStringList, sensorsEmits);

    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
    IdeHost host(&settings);
    GPSEmulationManager gps;
    SensorsEmulationManager sensors;
    gps.setRdbusinvoker(m_channel.get());
    sensors.setRdbusinvoker(m_channel.get());
    QSignalSpy gpsReplies(&gps, &EmulationManager::replyFromEmulatorReceived);
    QSignalSpy sensorsReplies(&sensors, &EmulationManager::replyFromEmulatorReceived);
    connectChannel(sensors);
    const QStringList sensorNames = sensors.sensorsEnabledStates().keys();

    // Connected after the managers, so it hears the reply last.
    QSignalSpy channelReplies(m_channel.get(), &RemoteDBusInvokerService::replyReceived);
    m_guest->sendToClients(reply);
    QVERIFY(channelReplies.wait(5000));
    QCOMPARE(texts(gpsReplies), gpsEmits);
    QCOMPARE(texts(sensorsReplies), sensorsEmits);
    QCOMPARE(sensors.sensorsEnabledStates().keys(), sensorNames);
}

void tst_EmulationManager::twoManagersHearEachConnectionOnce()
{
    RecordingManager first;
    RecordingManager second;
    first.setRdbusinvoker(m_channel.get());
    second.setRdbusinvoker(m_channel.get());
    QSignalSpy secondConnected(&second, &EmulationManager::emulatorConnected);
    connectChannel(first);
    QCOMPARE(secondConnected.size(), 1);

    QSignalSpy firstConnected(&first, &EmulationManager::emulatorConnected);
    m_guest->dropClients();
    QTRY_COMPARE(firstConnected.size(), 1);
    QCOMPARE(secondConnected.size(), 2);
}

QTEST_MAIN(tst_EmulationManager)

#include "tst_emulationmanager.moc"
