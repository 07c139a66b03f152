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

// The one channel the managers share, and the guest at its other end.
struct Link
{
    FakeGuest guest;
    RemoteDBusInvokerService channel;
};

void connectChannel(Link &link, EmulationManager &manager)
{
    QVERIFY(link.guest.listen());
    link.channel.setUrl(link.guest.url());
    QSignalSpy connected(&manager, &EmulationManager::emulatorConnected);
    link.channel.openConnection();
    QVERIFY(connected.wait(5000));
    QTRY_COMPARE(link.guest.clientCount(), 1);
}

} // namespace

class tst_EmulationManager : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("line");

        QTest::newRow("call without arguments keeps the last space") << "stopTrack" << "" << "stopTrack ";
        QTest::newRow("placeholders go out as given") << "m%3" << "string:%5%1" << "m%3 string:%5%1";
        QTest::newRow("non-ASCII text") << "setName" << "string:Zürich" << "setName string:Zürich";
    }

    // The subclass names bus, service, path and interface, in this order.
    void commandLine()
    {
        QFETCH(QString, method);
        QFETCH(QString, arguments);
        QFETCH(QString, line);

        Link link;
        RecordingManager manager;
        QSignalSpy changed(&manager, &EmulationManager::rdbusinvokerChanged);
        manager.setRdbusinvoker(&link.channel);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(manager.property("rdbusinvoker").value<RemoteDBusInvokerService *>(), &link.channel);
        connectChannel(link, manager);

        manager.callMethod(method, arguments);
        QTRY_COMPARE(link.guest.lines(),
                     QStringList{"system org.example.Service /org/example/Service org.example.Interface " + line});
    }

    void replies_data()
    {
        QTest::addColumn<QStringList>("methods"); // called by the recorder
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("heard");
        QTest::addColumn<QStringList>("hooks");

        const QStringList m{"m"};
        QTest::newRow("success") << m << "m:a|b:r::" << QStringList{"recorder: OK"} << QStringList{"success m,a|b,r,,"};
        QTest::newRow("error name and text joined by a space")
            << m << "m:a:r:E:boom" << QStringList{"recorder: E boom"} << QStringList{"failure m,a,r,E,boom"};
        QTest::newRow("error without text") << m << "m:a:r:org.freedesktop.DBus.Error.Failed:"
                                            << QStringList{"recorder: org.freedesktop.DBus.Error.Failed "}
                                            << QStringList{"failure m,a,r,org.freedesktop.DBus.Error.Failed,"};
        QTest::newRow("four fields pass unchanged") << m << "m:b:c:d" << QStringList{"recorder: m:b:c:d"}
                                                    << QStringList();
        QTest::newRow("six fields pass unchanged") << m << "m:b:c:d:e:f" << QStringList{"recorder: m:b:c:d:e:f"}
                                                   << QStringList();
        QTest::newRow("GPS error") << m << "setTrackSpeed:2::E:refused" << QStringList{"gps: E refused"}
                                   << QStringList();
        // Nobody's call: shown through the sensors manager only.
        QTest::newRow("garbage") << m << "garbage" << QStringList{"sensors: garbage"} << QStringList();
        // A manager claims the reply to any method it ever called, not only the last.
        QTest::newRow("earlier method") << QStringList{"a", "b", "b"} << "a:1:r::" << QStringList{"recorder: OK"}
                                        << QStringList{"success a,1,r,,"};
        QTest::newRow("never called") << QStringList{"a", "b"} << "c:1:r::" << QStringList{"sensors: OK"}
                                      << QStringList();
        QTest::newRow("empty name, nothing called") << QStringList() << ":1:r::" << QStringList{"sensors: OK"}
                                                    << QStringList();
        QTest::newRow("empty name called") << QStringList{QString(), "a"} << ":1:r::"
                                           << QStringList{"recorder: OK"} << QStringList{"success ,1,r,,"};
    }

    // Each reply reaches the manager that called its method, bound in the
    // plug-in's order to one channel, and becomes "OK", an error or itself.
    void replies()
    {
        QFETCH(QStringList, methods);
        QFETCH(QString, reply);
        QFETCH(QStringList, heard);
        QFETCH(QStringList, hooks);

        Link link;
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
        IdeHost host(&settings);
        GPSEmulationManager gps;
        SensorsEmulationManager sensors;
        RecordingManager recorder;
        QStringList seen;
        const QList<QPair<EmulationManager *, QString>> managers{
            {&gps, "gps"}, {&sensors, "sensors"}, {&recorder, "recorder"}};
        for (const auto &manager : managers) {
            manager.first->setRdbusinvoker(&link.channel);
            connect(manager.first, &EmulationManager::replyFromEmulatorReceived, this,
                    [&seen, name = manager.second](const QString &text) { seen.append(name + ": " + text); });
        }
        QSignalSpy recorderConnected(&recorder, &EmulationManager::emulatorConnected);
        connectChannel(link, sensors);
        QCOMPARE(recorderConnected.size(), 1);
        for (const QString &method : methods)
            recorder.callMethod(method, QString());

        // Connected after the managers, so it hears the reply last.
        QSignalSpy channelReplies(&link.channel, &RemoteDBusInvokerService::replyReceived);
        link.guest.sendToClients(reply);
        QVERIFY(channelReplies.wait(5000));
        QCOMPARE(seen, heard);
        QCOMPARE(recorder.hooks, hooks);
    }
};

QTEST_MAIN(tst_EmulationManager)

#include "tst_emulationmanager.moc"
