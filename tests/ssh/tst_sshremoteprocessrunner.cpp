#include "sshdfixture.h"

#include <ssh/sshremoteprocessrunner.h>

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using QSsh::SshConnectionParameters;
using QSsh::SshRemoteProcessRunner;

Q_DECLARE_METATYPE(QSsh::SshConnectionParameters)

// The package checker's test and the end-to-end test take the runner through
// plain runs and a refused port; these are its other ways to end.
class tst_SshRemoteProcessRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void run_data();
    void run();

private:
    SshdFixture m_sshd;
    QTcpServer m_silentServer; // accepts, then never says a word
};

void tst_SshRemoteProcessRunner::initTestCase()
{
    SSHD_FIXTURE_START(m_sshd);
    QVERIFY(m_silentServer.listen(QHostAddress::LocalHost));
}

void tst_SshRemoteProcessRunner::run_data()
{
    QTest::addColumn<SshConnectionParameters>("params");
    QTest::addColumn<bool>("withoutSsh");
    QTest::addColumn<QString>("earlier");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("errorOutput");
    QTest::addColumn<QString>("error");

    const SshConnectionParameters good = m_sshd.connectionParameters();
    // A failed run's partial output would only mislead.
    QTest::newRow("exit code and standard error")
        << good << false << QString() << "echo oops >&2; echo partial; exit 3" << 3 << QByteArray()
        << QByteArray("oops\n") << "3";
    QTest::newRow("second run cancels the first")
        << good << false << "sleep 20; echo first" << "echo second" << 0 << QByteArray("second\n") << QByteArray()
        << QString();
    QTest::newRow("ssh not installed") << good << true << QString() << "echo hi" << -1 << QByteArray()
                                       << QByteArray() << "ssh";
    // The connect timeout covers the handshake too.
    SshConnectionParameters silent = good;
    silent.setPort(m_silentServer.serverPort());
    silent.timeout = 1;
    QTest::newRow("silent server") << silent << false << QString() << "echo hi" << 255 << QByteArray()
                                   << QByteArray() << "timed out";
}

void tst_SshRemoteProcessRunner::run()
{
    QFETCH(SshConnectionParameters, params);
    QFETCH(bool, withoutSsh);
    QFETCH(QString, earlier);
    QFETCH(QString, command);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, errorOutput);
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
    QVERIFY(!runner.isProcessRunning());
    QCOMPARE(runner.command(), command);
    const QString closeError = closed.first().first().toString();
    QCOMPARE(runner.processErrorString(), closeError);
    QVERIFY2(error.isEmpty() ? closeError.isEmpty() : closeError.contains(error), qPrintable(closeError));
    QCOMPARE(runner.processExitCode(), exitCode);
    QCOMPARE(runner.readAllStandardOutput(), output);
    QVERIFY(runner.readAllStandardError().contains(errorOutput));
}

QTEST_GUILESS_MAIN(tst_SshRemoteProcessRunner)

#include "tst_sshremoteprocessrunner.moc"
