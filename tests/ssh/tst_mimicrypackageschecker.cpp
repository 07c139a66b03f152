#include "sshdfixture.h"

#include <plugin/mimicrypackageschecker.h>

#include <QSet>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString Heading = QStringLiteral("Packages is not installed: \n");
const QString FailureMessage = QStringLiteral("Necessary packages not found on emulator!");
const QStringList AllPackages{QStringLiteral("sensorfw-qt5-emulator-plugins"), QStringLiteral("remote-dbus-invoker"),
                              QStringLiteral("geoclue-emulator"), QStringLiteral("gstreamer-emulator")};

// The names after the heading, in whatever order they came.
QSet<QString> listedPackages(const QString &detailedText)
{
    const QStringList lines = detailedText.mid(Heading.size()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return QSet<QString>(lines.cbegin(), lines.cend());
}

} // namespace

class tst_MimicryPackagesChecker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void check_data();
    void check();
    void unreachableEmulator();
    void repeatedChecksStartOver();
    void ignoresOtherCommands();

private:
    // Runs one check and returns the single checkFinished's arguments.
    QList<QVariant> runCheck(MimicryPackagesChecker &checker, const QSsh::SshConnectionParameters &params);

    SshdFixture m_sshd;
};

void tst_MimicryPackagesChecker::initTestCase()
{
    SSHD_FIXTURE_START(m_sshd);
}

QList<QVariant> tst_MimicryPackagesChecker::runCheck(MimicryPackagesChecker &checker,
                                                      const QSsh::SshConnectionParameters &params)
{
    QSignalSpy finished(&checker, &MimicryPackagesChecker::checkFinished);
    if (!finished.isValid())
        return {};
    checker.check(params);
    if (!finished.isEmpty() || !finished.wait(15000) || finished.wait(200))
        return {};
    return finished.takeFirst();
}

void tst_MimicryPackagesChecker::check_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QStringList>("missing");

    const QStringList versioned{
        QStringLiteral("sensorfw-qt5-emulator-plugins-0.12.4-1.armv7hl"),
        QStringLiteral("remote-dbus-invoker-1.0.2-1.armv7hl"),
        QStringLiteral("geoclue-emulator-0.3.1-1.armv7hl"),
        QStringLiteral("gstreamer-emulator-1.16.0-2.armv7hl")};
    const QString other = QStringLiteral("bash-5.1-1.armv7hl");

    QTest::newRow("all present") << (QStringList{other} + versioned) << QStringList();
    QTest::newRow("one missing") << QStringList(versioned.mid(0, 3)) << QStringList{AllPackages.at(3)};
    QTest::newRow("two missing") << QStringList{versioned.at(1), other, versioned.at(3)}
                                 << QStringList{AllPackages.at(0), AllPackages.at(2)};
    QTest::newRow("inside longer names") << QStringList{QStringLiteral("x-sensorfw-qt5-emulator-plugins-devel"),
                                                        QStringLiteral("libremote-dbus-invoker2"),
                                                        QStringLiteral("geoclue-emulator-debuginfo"),
                                                        QStringLiteral("gstreamer-emulator-tools")}
                                         << QStringList();
    QTest::newRow("case differs") << (QStringList(versioned.mid(0, 2)) + QStringList{QStringLiteral("Geoclue-Emulator-0.3"),
                                                                         versioned.at(3)})
                                  << QStringList{AllPackages.at(2)};
    QTest::newRow("other packages only") << QStringList{other} << AllPackages;
    QTest::newRow("empty output") << QStringList() << AllPackages;
}

void tst_MimicryPackagesChecker::check()
{
    QFETCH(QStringList, installed);
    QFETCH(QStringList, missing);
    QVERIFY(m_sshd.setRpmPackages(installed));

    MimicryPackagesChecker checker;
    const QList<QVariant> result = runCheck(checker, m_sshd.connectionParameters());
    QCOMPARE(result.size(), 2);
    const QString message = result.at(0).toString();
    const QString detailedText = result.at(1).toString();
    if (missing.isEmpty()) {
        QCOMPARE(message, QString());
        QCOMPARE(detailedText, QString());
        return;
    }
    QCOMPARE(message, FailureMessage);
    if (missing.size() == 1)
        QCOMPARE(detailedText, Heading + missing.constFirst() + QLatin1Char('\n'));
    QVERIFY(detailedText.startsWith(Heading));
    QVERIFY(detailedText.endsWith(QLatin1Char('\n')));
    QCOMPARE(detailedText.count(QLatin1Char('\n')), missing.size() + 1);
    QCOMPARE(listedPackages(detailedText), QSet<QString>(missing.cbegin(), missing.cend()));
}

void tst_MimicryPackagesChecker::unreachableEmulator()
{
    QSsh::SshConnectionParameters params = m_sshd.connectionParameters();
    params.setPort(SshdFixture::unusedPort());
    MimicryPackagesChecker checker;
    const QList<QVariant> result = runCheck(checker, params);
    QCOMPARE(result.size(), 2);
    QCOMPARE(result.at(0).toString(), FailureMessage);
    QCOMPARE(listedPackages(result.at(1).toString()), QSet<QString>(AllPackages.cbegin(), AllPackages.cend()));
}

void tst_MimicryPackagesChecker::repeatedChecksStartOver()
{
    MimicryPackagesChecker checker;
    QVERIFY(m_sshd.setRpmPackages({}));
    QCOMPARE(runCheck(checker, m_sshd.connectionParameters()).value(0).toString(), FailureMessage);

    QVERIFY(m_sshd.setRpmPackages(AllPackages));
    const QList<QVariant> result = runCheck(checker, m_sshd.connectionParameters());
    QCOMPARE(result, (QList<QVariant>{QString(), QString()}));

    QVERIFY(m_sshd.setRpmPackages(AllPackages.mid(1)));
    QCOMPARE(runCheck(checker, m_sshd.connectionParameters()).value(1).toString(),
             Heading + AllPackages.at(0) + QLatin1Char('\n'));
}

// The runner is private; its close is delivered to the slot by hand.
void tst_MimicryPackagesChecker::ignoresOtherCommands()
{
    MimicryPackagesChecker checker;
    QSignalSpy finished(&checker, &MimicryPackagesChecker::checkFinished);
    QVERIFY(finished.isValid());

    // Nothing was run, so the close is not the answer to "rpm -qa".
    QVERIFY(QMetaObject::invokeMethod(&checker, "handleSshProcessFinished", Qt::DirectConnection,
                                      Q_ARG(QString, QString())));
    QCOMPARE(finished.count(), 0);

    // After a check the same close is taken as the answer.
    QVERIFY(m_sshd.setRpmPackages(AllPackages));
    QCOMPARE(runCheck(checker, m_sshd.connectionParameters()).size(), 2);
    finished.clear();
    QVERIFY(QMetaObject::invokeMethod(&checker, "handleSshProcessFinished", Qt::DirectConnection,
                                      Q_ARG(QString, QStringLiteral("some error"))));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().at(0).toString(), FailureMessage); // output was consumed already
}

QTEST_GUILESS_MAIN(tst_MimicryPackagesChecker)

#include "tst_mimicrypackageschecker.moc"
