#include <idehost.h>

#include "fakeguest.h"
#include "mimicrywindow.h"
#include "modalanswerer.h"
#include "sshdfixture.h"

#include <coreplugin/actionmanager/actionmanager.h>
#include <coreplugin/actionmanager/command.h>
#include <hangar/emulator.h>
#include <hangar/sdk.h>
#include <hangar/virtualmachine.h>

#include <QAction>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using Rule = Hangar::VirtualMachine::PortForwardingRule;

namespace {

const QStringList allPackages{"sensorfw-qt5-emulator-plugins-0.14.2-1.armv7hl",
                              "remote-dbus-invoker-1.0.3-1.armv7hl", "geoclue-emulator-0.3.1-1.armv7hl",
                              "gstreamer-emulator-1.2-1.armv7hl", "bash-5.1-1.armv7hl"};

const QList<Rule> bothRules{{"mimicrytcp", "tcp", 5454, 1234}, {"mimicryudp", "udp", 34343, 34343}};

QStringList rulesOf(const Hangar::VirtualMachine *machine)
{
    QStringList texts;
    for (const Rule &rule : machine->portForwardingRules())
        texts << QStringLiteral("%1 %2 %3:%4").arg(rule.name, rule.protocol).arg(rule.hostPort).arg(rule.guestPort);
    return texts;
}

} // namespace

class tst_EmulatorBinding : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SSHD_FIXTURE_START(m_sshd); }

    void init()
    {
        m_sshd.resetRpmRuns();
        QVERIFY(m_sshd.setRpmPackages(allPackages));
        m_guest = std::make_unique<FakeGuest>();
        QVERIFY(m_guest->listen());
        m_settingsDir = std::make_unique<QTemporaryDir>();
        m_settings = std::make_unique<QSettings>(m_settingsDir->filePath(QStringLiteral("host.ini")),
                                                 QSettings::IniFormat);
        m_host = std::make_unique<IdeHost>(m_settings.get());
        m_host->loadPlugins({QStringLiteral(MIMICRY_PLUGIN_DIR)});
        QVERIFY(m_host->errors().isEmpty());
        // The plug-in's channel goes to this test's guest, not the forwarded port.
        QVERIFY(QMetaObject::invokeMethod(mimicryContextObject("remoteDBusInvokerService"), "setUrl",
                                          Q_ARG(QUrl, m_guest->url())));
        m_answerer = std::make_unique<ModalAnswerer>();
    }

    void cleanup()
    {
        m_answerer.reset();
        m_host.reset();
        m_settings.reset();
        m_settingsDir.reset();
        m_guest.reset();
    }

    void offMachineGetsMissingRulesBeforeItStarts_data()
    {
        QTest::addColumn<bool>("withRules");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("without rules") << false << QStringList{"rule mimicrytcp", "rule mimicryudp", "on"};
        QTest::newRow("with both rules") << true << QStringList{"on"};
    }

    void offMachineGetsMissingRulesBeforeItStarts()
    {
        QFETCH(bool, withRules);
        QFETCH(QStringList, events);
        Hangar::Emulator *emulator = addEmulator(QStringLiteral("Keel Emulator 4.5"), false,
                                                 withRules ? bothRules : QList<Rule>());
        Hangar::VirtualMachine *machine = emulator->virtualMachine();
        QStringList seen;
        connect(machine, &Hangar::VirtualMachine::portForwardingChanged, this, [&] {
            seen << QStringLiteral("rule %1").arg(machine->portForwardingRules().constLast().name);
        });
        connect(machine, &Hangar::VirtualMachine::virtualMachineOffChanged, this,
                [&](bool off) { seen << (off ? QStringLiteral("off") : QStringLiteral("on")); });

        chooseMenuEntry();
        QTRY_VERIFY_WITH_TIMEOUT(mimicryViewVisible(), 15000);
        QCOMPARE(rulesOf(machine), (QStringList{"mimicrytcp tcp 5454:1234", "mimicryudp udp 34343:34343"}));
        QCOMPARE(seen, events);
        QCOMPARE(m_sshd.rpmRuns(), 1);
        QTRY_COMPARE(m_guest->connectionCount(), 1);
        QVERIFY(m_answerer->boxes().isEmpty());
    }

    void runningMachineWithoutARuleIsLeftAlone_data()
    {
        QTest::addColumn<int>("present");
        QTest::newRow("only tcp") << 0;
        QTest::newRow("only udp") << 1;
    }

    void runningMachineWithoutARuleIsLeftAlone()
    {
        QFETCH(int, present);
        Hangar::Emulator *emulator = addEmulator(QStringLiteral("Phone Emulator 7"), true, {bothRules.at(present)});
        emulator->virtualMachine()->setSshParameters({});
        QSignalSpy rulesChanged(emulator->virtualMachine(), &Hangar::VirtualMachine::portForwardingChanged);

        chooseMenuEntry();
        settle();
        const QString message = QString::fromUtf8(
            "The mimicry plugin cannot be used. Please, close Phone Emulator 7 and try to use 'Mimicry…' again.");
        QCOMPARE(m_answerer->texts(), QStringList{message});
        QCOMPARE(rulesChanged.size(), 0);
        QVERIFY(!mimicryViewVisible());
    }

    void failedCheckShowsTheMissingPackages()
    {
        QVERIFY(
            m_sshd.setRpmPackages({"sensorfw-qt5-emulator-plugins-1", "remote-dbus-invoker-1", "geoclue-emulator-1"}));
        addEmulator(QStringLiteral("Keel Emulator"), true, bothRules);

        chooseMenuEntry();
        QTRY_COMPARE_WITH_TIMEOUT(m_answerer->boxes().size(), 1, 15000);
        const ModalAnswerer::Box box = m_answerer->boxes().constFirst();
        QCOMPARE(box.title, QStringLiteral("Mimicry plugin"));
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(box.text, QStringLiteral("Necessary packages not found on emulator!"));
        QCOMPARE(box.informativeText, QStringLiteral("Packages is not installed: \ngstreamer-emulator\n"));
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Close));
        // The check's handler has returned once its box is answered.
        QVERIFY(!mimicryViewVisible());
    }

    void connectRequestSurvivesUntilConnected()
    {
        Hangar::Emulator *emulator = addEmulator(QStringLiteral("Keel Emulator"), false, bothRules);
        Hangar::VirtualMachine *machine = emulator->virtualMachine();
        machine->setConnectFails(true);
        // Until it is connected, a check of the machine would fail and say so.
        machine->setSshParameters({});
        chooseMenuEntry();

        // Started by other means, later, through the intermediate states.
        machine->setOff(false);
        machine->setState(Hangar::VirtualMachine::Starting);
        machine->setState(Hangar::VirtualMachine::Connecting);
        machine->setSshParameters(m_sshd.connectionParameters());
        machine->setState(Hangar::VirtualMachine::Connected);
        QTRY_VERIFY_WITH_TIMEOUT(mimicryViewVisible(), 15000);
        QCOMPARE(m_sshd.rpmRuns(), 1);

        // The request was used up: reconnecting the machine does not check again.
        machine->setSshParameters({});
        machine->setState(Hangar::VirtualMachine::Disconnected);
        machine->setState(Hangar::VirtualMachine::Connected);
        settle();
        QVERIFY(m_answerer->boxes().isEmpty());
    }

    void sessionOfARunningEmulator_data()
    {
        QTest::addColumn<bool>("trackLoaded");
        QTest::newRow("with a track") << true;
        QTest::newRow("without a track") << false;
    }

    // The channel drops while the window is open, the window is closed and
    // opened again, and the machine goes off.
    void sessionOfARunningEmulator()
    {
        QFETCH(bool, trackLoaded);
        Hangar::Emulator *emulator = addEmulator(QStringLiteral("Keel Emulator 2"), true, bothRules);
        QSignalSpy showed(mimicryContextObject("mimicryPlugin"), SIGNAL(mimicryViewShowed()));
        openWindow();
        QCOMPARE(showed.size(), 1);
        // The SDK's signals bind the emulator again and again.
        for (int i = 0; i < 3; ++i)
            m_host->sdk()->notifyDeviceModelsChanged();

        QObject *gps = mimicryContextObject("gpsEmulationManager");
        QSignalSpy gpsReplies(gps, SIGNAL(replyFromEmulatorReceived(QString)));
        if (trackLoaded)
            QVERIFY(QMetaObject::invokeMethod(gps, "loadTrack", Q_ARG(QVariantList, QVariantList())));

        m_guest->dropClients();
        if (trackLoaded) {
            QTRY_COMPARE(m_answerer->texts(),
                         QStringList{"Emulator connection is lost. Please, run Keel Emulator 2 if it "
                                     "is needed and load the GPS-track again."});
            QCOMPARE(gpsReplies.size(), 1);
            QCOMPARE(gpsReplies.at(0).at(0).toString(), QString());
        }
        // The channel comes back by itself, and nothing more is shown: every
        // listener has heard of the drop before the channel reconnects.
        QTRY_COMPARE(m_guest->connectionCount(), 2);
        QCOMPARE(m_answerer->boxes().size(), trackLoaded ? 1 : 0);

        // The window comes back at once until the machine goes off.
        mimicryView()->close();
        chooseMenuEntry();
        QVERIFY(mimicryViewVisible());
        QCOMPARE(showed.size(), 2);
        emulator->virtualMachine()->setOff(true);
        QVERIFY(!mimicryViewVisible());
        chooseMenuEntry();
        QTRY_VERIFY_WITH_TIMEOUT(mimicryViewVisible(), 15000);
        QCOMPARE(m_sshd.rpmRuns(), 2);
    }

    void firstListedEmulatorIsUsed()
    {
        addEmulator(QStringLiteral("Only"), true, bothRules);
        m_host->sdk()->removeEmulator(0);
        chooseMenuEntry();
        QCOMPARE(m_answerer->texts(),
                 QStringList{"The mimicry plugin cannot be used. Please, close the emulator if it is running and "
                             "add Keel OS Emulator to the list of available devices in Qt Creator settings."});
        QCOMPARE(m_answerer->boxes().constFirst().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

        // The one bound before is removed: the next takes over, not the last.
        addEmulator(QStringLiteral("Going"), true, {});
        Hangar::Emulator *first = addEmulator(QStringLiteral("First"), false, bothRules);
        Hangar::Emulator *second = addEmulator(QStringLiteral("Second"), false, bothRules);
        m_host->sdk()->removeEmulator(0);
        chooseMenuEntry();
        QTRY_VERIFY_WITH_TIMEOUT(mimicryViewVisible(), 15000);
        QVERIFY(!first->virtualMachine()->isOff());
        QVERIFY(second->virtualMachine()->isOff());
        // Only the bound machine's state matters.
        second->virtualMachine()->setOff(false);
        second->virtualMachine()->setOff(true);
        QVERIFY(mimicryViewVisible());
        QCOMPARE(m_answerer->boxes().size(), 1);
    }

private:
    Hangar::Emulator *addEmulator(const QString &name, bool running, const QList<Rule> &rules)
    {
        auto machine = new Hangar::VirtualMachine(name);
        machine->setSshParameters(m_sshd.connectionParameters());
        machine->setPortForwardingRules(rules);
        if (running) {
            machine->setOff(false);
            machine->setState(Hangar::VirtualMachine::Connected);
        }
        auto emulator = std::make_unique<Hangar::Emulator>(name, machine);
        emulator->setDeviceModel({QStringLiteral("Keel Phone")});
        Hangar::Emulator *result = emulator.get();
        m_host->sdk()->addEmulator(std::move(emulator));
        return result;
    }

    void chooseMenuEntry() { Core::ActionManager::command("Mimicry.ShowMimicryView.Action")->action()->trigger(); }

    void openWindow()
    {
        chooseMenuEntry();
        QTRY_VERIFY_WITH_TIMEOUT(mimicryViewVisible(), 15000);
        // The GPS manager's start-up calls end with the position: from then on
        // the plug-in has seen the connection too.
        QTRY_VERIFY(m_guest->lines().filter(QStringLiteral(" setPosition ")).size() == 1);
    }

    // A check of a machine without an SSH host fails on the next turn of the
    // event loop, so one started by mistake has shown its message once this
    // marker has come round.
    void settle()
    {
        bool markerRan = false;
        QMetaObject::invokeMethod(this, [&markerRan] { markerRan = true; }, Qt::QueuedConnection);
        QTRY_VERIFY(markerRan);
    }

    SshdFixture m_sshd;
    std::unique_ptr<QTemporaryDir> m_settingsDir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<IdeHost> m_host;
    std::unique_ptr<FakeGuest> m_guest;
    std::unique_ptr<ModalAnswerer> m_answerer;
};

QTEST_MAIN(tst_EmulatorBinding)

#include "tst_emulatorbinding.moc"
