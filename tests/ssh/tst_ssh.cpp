#include "sshdfixture.h"

#include <plugin/mimicrypackageschecker.h>
#include <ssh/sshremoteprocessrunner.h>

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using QSsh::SshConnectionParameters;
using QSsh::SshRemoteProcessRunner;

Q_DECLARE_METATYPE(QSsh::SshConnectionParameters)

namespace {

const QString Heading = QStringLiteral("Packages is not installed: \n");
const QStringList AllPackages{"sensorfw-qt5-emulator-plugins", "remote-dbus-invoker", "geoclue-emulator",
                              "gstreamer-emulator"};

} // namespace

// The runner and the package check that uses it, against a real sshd.
class tst_Ssh : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        SSHD_FIXTURE_START(m_sshd);
        QVERIFY(m_silentServer.listen(QHostAddress::LocalHost));
    }

    // The package check and the end-to-end test take the runner through
    // plain runs and a refused port; these are its other ways to end, as far
    // as the check sees them: the close's error and the output.
    void runnerEnds_data()
    {
        QTest::addColumn<SshConnectionParameters>("params");
        QTest::addColumn<bool>("withoutSsh");
        QTest::addColumn<QString>("earlier");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("error");

        const SshConnectionParameters good = m_sshd.connectionParameters();
        // A failed run's partial output would only mislead.
        QTest::newRow("failed run") << good << false << QString() << "echo partial; exit 3" << QByteArray() << "3";
        QTest::newRow("second run cancels the first")
            << good << false << "sleep 20; echo first" << "echo second" << QByteArray("second\n") << QString();
        QTest::newRow("ssh not installed") << good << true << QString() << "echo hi" << QByteArray() << "ssh";
        // The connect timeout covers the handshake too.
        SshConnectionParameters silent = good;
        silent.setPort(m_silentServer.serverPort());
        silent.timeout = 1;
        QTest::newRow("silent server") << silent << false << QString() << "echo hi" << QByteArray() << "timed out";
    }

    void runnerEnds()
    {
        QFETCH(SshConnectionParameters, params);
        QFETCH(bool, withoutSsh);
        QFETCH(QString, earlier);
        QFETCH(QString, command);
        QFETCH(QByteArray, output);
        QFETCH(QString, error);

        const QByteArray oldPath = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&oldPath] { qputenv("PATH", oldPath); });
        if (withoutSsh)
            qputenv("PATH", "/nonexistent");

        SshRemoteProcessRunner runner;
        QSignalSpy started(&runner, &SshRemoteProcessRunner::processStarted);
        QSignalSpy closed(&runner, &SshRemoteProcessRunner::processClosed);
        if (!earlier.isEmpty()) {
            runner.run(earlier, params);
            QVERIFY(started.wait(5000));
        }
        // Even a run that cannot start reports only once control is back; well
        // within the default connect timeout of 10 s.
        runner.run(command, params);
        QCOMPARE(closed.count(), 0);
        QVERIFY(closed.wait(8000));
        QCoreApplication::processEvents(); // a close queued for the earlier run would come now
        QCOMPARE(closed.count(), 1);
        QCOMPARE(runner.command(), command);
        const QString closeError = closed.first().first().toString();
        QVERIFY2(error.isEmpty() ? closeError.isEmpty() : closeError.contains(error), qPrintable(closeError));
        QCOMPARE(runner.readAllStandardOutput(), output);
    }

    void packageCheck_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<QStringList>("missing");

        const QStringList versioned{"sensorfw-qt5-emulator-plugins-0.12.4-1.armv7hl",
                                    "remote-dbus-invoker-1.0.2-1.armv7hl", "geoclue-emulator-0.3.1-1.armv7hl",
                                    "gstreamer-emulator-1.16.0-2.armv7hl"};
        const QString other = QStringLiteral("bash-5.1-1.armv7hl");

        QTest::newRow("other packages only") << QStringList{other} << true << AllPackages;
        QTest::newRow("all inside longer names") << QStringList{other, "x-sensorfw-qt5-emulator-plugins-devel",
                                                                "libremote-dbus-invoker2", versioned[2], versioned[3]}
                                                 << true << QStringList();
        QTest::newRow("two missing") << QStringList{versioned[1], other, versioned[3]} << true
                                     << QStringList{AllPackages[0], AllPackages[2]};
        QTest::newRow("case differs") << QStringList{versioned[0], versioned[1], "Geoclue-Emulator-0.3", versioned[3]}
                                      << true << QStringList{AllPackages[2]};
        // A failed run has no output: everything counts as missing.
        QTest::newRow("unreachable emulator") << versioned << false << AllPackages;
    }

    void packageCheck()
    {
        QFETCH(QStringList, installed);
        QFETCH(bool, reachable);
        QFETCH(QStringList, missing);
        QVERIFY(m_sshd.setRpmPackages(installed));
        SshConnectionParameters params = m_sshd.connectionParameters();
        if (!reachable)
            params.setPort(Guest::SshServer::unusedPort());

        QSignalSpy finished(&m_checker, &MimicryPackagesChecker::checkFinished);
        m_checker.check(params);
        QCOMPARE(finished.count(), 0);
        QVERIFY(finished.wait(15000));
        QCOMPARE(finished.count(), 1);
        const QString message = finished.first().at(0).toString();
        const QString detailedText = finished.first().at(1).toString();
        if (missing.isEmpty()) {
            QVERIFY(message.isEmpty() && detailedText.isEmpty());
            return;
        }
        QCOMPARE(message, QStringLiteral("Necessary packages not found on emulator!"));
        // One name a line after the heading, in whatever order.
        QVERIFY2(detailedText.startsWith(Heading), qPrintable(detailedText));
        QStringList listed = detailedText.mid(Heading.size()).split(QLatin1Char('\n'));
        QCOMPARE(listed.takeLast(), QString());
        listed.sort();
        missing.sort();
        QCOMPARE(listed, missing);
    }

    // The checker's runner is private; its close is delivered to the slot by hand.
    void closeOfAnotherRunIsIgnored()
    {
        MimicryPackagesChecker checker;
        QSignalSpy finished(&checker, &MimicryPackagesChecker::checkFinished);
        const auto deliverClose = [&checker] {
            return QMetaObject::invokeMethod(&checker, "handleSshProcessFinished", Qt::DirectConnection,
                                             Q_ARG(QString, QString()));
        };
        // Nothing was run yet, so the close cannot be the query's.
        QVERIFY(deliverClose());
        QCOMPARE(finished.count(), 0);

        // Once the query ran, the same close counts as its answer.
        QVERIFY(m_sshd.setRpmPackages(AllPackages));
        checker.check(m_sshd.connectionParameters());
        QVERIFY(finished.wait(15000));
        QVERIFY(deliverClose());
        QCOMPARE(finished.count(), 2);
    }

private:
    SshdFixture m_sshd;
    QTcpServer m_silentServer; // accepts, then never says a word
    // One checker for all rows: every check has to start over.
    MimicryPackagesChecker m_checker;
};

QTEST_GUILESS_MAIN(tst_Ssh)

#include "tst_ssh.moc"
