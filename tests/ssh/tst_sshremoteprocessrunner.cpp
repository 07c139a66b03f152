#include "sshdfixture.h"

#include <ssh/sshremoteprocessrunner.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using QSsh::SshConnectionParameters;
using QSsh::SshRemoteProcessRunner;

Q_DECLARE_METATYPE(QSsh::SshConnectionParameters)

namespace {

// ssh clients that this test process started and has not reaped yet.
int sshChildren()
{
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    int count = 0;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ..."; comm may contain spaces.
        const QByteArray line = stat.readAll();
        const int open = line.indexOf('(');
        const int close = line.lastIndexOf(')');
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (line.mid(open + 1, close - open - 1) == "ssh" && fields.value(1) == self)
            ++count;
    }
    return count;
}

} // namespace

class tst_SshRemoteProcessRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void runCommand_data();
    void runCommand();
    void connectionFails_data();
    void connectionFails();
    void signalIsAsynchronous_data();
    void signalIsAsynchronous();
    void secondRunCancelsFirst();
    void secondRunDropsPendingClose();
    void cancelAndDestroyDoNotEmit();

private:
    SshdFixture m_sshd;
    QTcpServer m_silentServer; // accepts, then never says a word
};

void tst_SshRemoteProcessRunner::initTestCase()
{
    SSHD_FIXTURE_START(m_sshd);
    QVERIFY(m_sshd.installCommand(QStringLiteral("greet"), "#!/bin/sh\necho \"hello $1\"\n"));
    QVERIFY(m_silentServer.listen(QHostAddress::LocalHost));
}

void tst_SshRemoteProcessRunner::runCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("errorOutput");

    QTest::newRow("echo") << "echo hi" << 0 << QByteArray("hi\n") << QByteArray();
    QTest::newRow("command on fixture PATH") << "greet world" << 0 << QByteArray("hello world\n") << QByteArray();
    QTest::newRow("stderr only") << "echo oops >&2" << 0 << QByteArray() << QByteArray("oops\n");
    QTest::newRow("exit code") << "echo partial; exit 3" << 3 << QByteArray() << QByteArray();
    QTest::newRow("unknown command") << "no-such-command-here" << 127 << QByteArray() << QByteArray("not found");
}

void tst_SshRemoteProcessRunner::runCommand()
{
    QFETCH(QString, command);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, errorOutput);

    SshRemoteProcessRunner runner;
    QString commandInHandler;
    connect(&runner, &SshRemoteProcessRunner::processClosed, this, [&] { commandInHandler = runner.command(); });
    QSignalSpy started(&runner, &SshRemoteProcessRunner::processStarted);
    QSignalSpy closed(&runner, &SshRemoteProcessRunner::processClosed);
    QVERIFY(started.isValid() && closed.isValid());

    runner.run(command, m_sshd.connectionParameters());
    QVERIFY(runner.isProcessRunning());
    QVERIFY(closed.wait(15000));
    QCOMPARE(closed.count(), 1);
    QCOMPARE(started.count(), 1);
    QVERIFY(!runner.isProcessRunning());
    QCOMPARE(runner.processExitCode(), exitCode);
    QCOMPARE(commandInHandler, command);

    const QString error = closed.first().first().toString();
    QCOMPARE(runner.processErrorString(), error);
    if (exitCode == 0)
        QVERIFY2(error.isEmpty(), qPrintable(error));
    else
        QVERIFY2(error.contains(QString::number(exitCode)), qPrintable(error));
    QCOMPARE(runner.readAllStandardOutput(), output);
    QVERIFY(runner.readAllStandardOutput().isEmpty()); // reading consumes
    QVERIFY(runner.readAllStandardError().contains(errorOutput));
    QVERIFY(!closed.wait(200));
}

void tst_SshRemoteProcessRunner::connectionFails_data()
{
    QTest::addColumn<SshConnectionParameters>("params");
    QTest::addColumn<QString>("reason");

    SshConnectionParameters refused = m_sshd.connectionParameters();
    refused.setPort(SshdFixture::unusedPort());
    QTest::newRow("refused port") << refused << "refused";

    SshConnectionParameters wrongKey = m_sshd.connectionParameters();
    wrongKey.privateKeyFile = m_sshd.unauthorizedKeyFile();
    QTest::newRow("wrong key") << wrongKey << "Permission denied";

    SshConnectionParameters wrongUser = m_sshd.connectionParameters();
    wrongUser.setUserName(QStringLiteral("nosuchuser"));
    QTest::newRow("unknown user") << wrongUser << "Permission denied";

    // ConnectTimeout covers the handshake too.
    SshConnectionParameters silent = m_sshd.connectionParameters();
    silent.setPort(m_silentServer.serverPort());
    silent.timeout = 1;
    QTest::newRow("silent server") << silent << "timed out";
}

void tst_SshRemoteProcessRunner::connectionFails()
{
    QFETCH(SshConnectionParameters, params);
    QFETCH(QString, reason);

    SshRemoteProcessRunner runner;
    QSignalSpy closed(&runner, &SshRemoteProcessRunner::processClosed);
    QVERIFY(closed.isValid());
    QElapsedTimer timer;
    timer.start();
    runner.run(QStringLiteral("echo should-not-show"), params);
    QVERIFY(closed.wait(10000));
    QVERIFY(timer.elapsed() < 8000);
    QCOMPARE(closed.count(), 1);
    const QString error = closed.first().first().toString();
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(runner.processExitCode(), 255);
    QVERIFY(runner.readAllStandardOutput().isEmpty());
}

void tst_SshRemoteProcessRunner::signalIsAsynchronous_data()
{
    QTest::addColumn<SshConnectionParameters>("params");
    QTest::addColumn<bool>("withoutSsh");
    QTest::addColumn<bool>("success");

    QTest::newRow("success") << m_sshd.connectionParameters() << false << true;
    QTest::newRow("ssh not installed") << m_sshd.connectionParameters() << true << false;
    SshConnectionParameters noHost = m_sshd.connectionParameters();
    noHost.url = QUrl();
    QTest::newRow("no host") << noHost << false << false;
    SshConnectionParameters noKey = m_sshd.connectionParameters();
    noKey.privateKeyFile.clear();
    QTest::newRow("specific key without file") << noKey << false << false;
}

void tst_SshRemoteProcessRunner::signalIsAsynchronous()
{
    QFETCH(SshConnectionParameters, params);
    QFETCH(bool, withoutSsh);
    QFETCH(bool, success);

    QTemporaryDir emptyDir;
    QVERIFY(emptyDir.isValid());
    const QByteArray oldPath = qgetenv("PATH");
    const auto restorePath = qScopeGuard([&oldPath] { qputenv("PATH", oldPath); });
    if (withoutSsh)
        qputenv("PATH", emptyDir.path().toLocal8Bit());

    SshRemoteProcessRunner runner;
    bool insideRun = false;
    int emittedInsideRun = 0;
    connect(&runner, &SshRemoteProcessRunner::processClosed, this, [&] { emittedInsideRun += insideRun; });
    QSignalSpy closed(&runner, &SshRemoteProcessRunner::processClosed);
    QVERIFY(closed.isValid());

    insideRun = true;
    runner.run(QStringLiteral("echo hi"), params);
    insideRun = false;
    QCOMPARE(closed.count(), 0);
    QVERIFY(closed.wait(15000));
    QCOMPARE(emittedInsideRun, 0);
    QCOMPARE(closed.first().first().toString().isEmpty(), success);
    QCOMPARE(runner.readAllStandardOutput().isEmpty(), !success);
    QVERIFY(!runner.isProcessRunning());
    QVERIFY(!closed.wait(200));
    QCOMPARE(closed.count(), 1);
}

void tst_SshRemoteProcessRunner::secondRunCancelsFirst()
{
    SshRemoteProcessRunner runner;
    QSignalSpy started(&runner, &SshRemoteProcessRunner::processStarted);
    QSignalSpy closed(&runner, &SshRemoteProcessRunner::processClosed);
    QVERIFY(started.isValid() && closed.isValid());

    QElapsedTimer timer;
    timer.start();
    runner.run(QStringLiteral("sleep 20; echo first"), m_sshd.connectionParameters());
    QVERIFY(started.wait(5000));
    runner.run(QStringLiteral("echo second"), m_sshd.connectionParameters());
    QVERIFY(started.wait(5000));
    QCOMPARE(sshChildren(), 1); // the first one is gone
    QVERIFY(closed.wait(15000));
    QVERIFY(!closed.wait(300));
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.first().first().toString(), QString());
    QCOMPARE(runner.command(), QStringLiteral("echo second"));
    QCOMPARE(runner.readAllStandardOutput(), QByteArray("second\n"));
    QVERIFY(timer.elapsed() < 15000);
}

void tst_SshRemoteProcessRunner::secondRunDropsPendingClose()
{
    SshConnectionParameters noHost;
    SshRemoteProcessRunner runner;
    QSignalSpy closed(&runner, &SshRemoteProcessRunner::processClosed);
    QVERIFY(closed.isValid());

    runner.run(QStringLiteral("first"), noHost); // its close is already queued
    runner.run(QStringLiteral("echo second"), m_sshd.connectionParameters());
    QVERIFY(closed.wait(15000));
    QVERIFY(!closed.wait(200));
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.first().first().toString(), QString());
}

void tst_SshRemoteProcessRunner::cancelAndDestroyDoNotEmit()
{
    int closedCount = 0;
    auto runner = std::make_unique<SshRemoteProcessRunner>();
    connect(runner.get(), &SshRemoteProcessRunner::processClosed, this, [&closedCount] { ++closedCount; });
    QSignalSpy started(runner.get(), &SshRemoteProcessRunner::processStarted);
    QSignalSpy closed(runner.get(), &SshRemoteProcessRunner::processClosed);
    QVERIFY(started.isValid() && closed.isValid());

    runner->run(QStringLiteral("sleep 20"), m_sshd.connectionParameters());
    QVERIFY(started.wait(5000));
    QCOMPARE(sshChildren(), 1);
    runner->cancel();
    QVERIFY(!runner->isProcessRunning());
    QCOMPARE(sshChildren(), 0);
    QVERIFY(!closed.wait(300));
    QCOMPARE(closedCount, 0);

    QElapsedTimer timer;
    timer.start();
    runner->run(QStringLiteral("sleep 20"), m_sshd.connectionParameters());
    QVERIFY(started.wait(5000));
    QCOMPARE(sshChildren(), 1);
    runner.reset();
    QCOMPARE(sshChildren(), 0);
    QVERIFY(timer.elapsed() < 10000);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(closedCount, 0);
}

QTEST_GUILESS_MAIN(tst_SshRemoteProcessRunner)

#include "tst_sshremoteprocessrunner.moc"
