#include "sshdfixture.h"

#include <plugin/mimicrypackageschecker.h>

#include <QSignalSpy>
#include <QTest>

namespace {

const QString Heading = QStringLiteral("Packages is not installed: \n");
const QString FailureMessage = QStringLiteral("Necessary packages not found on emulator!");
const QStringList AllPackages{QStringLiteral("sensorfw-qt5-emulator-plugins"), QStringLiteral("remote-dbus-invoker"),
                              QStringLiteral("geoclue-emulator"), QStringLiteral("gstreamer-emulator")};

} // namespace

class tst_MimicryPackagesChecker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SSHD_FIXTURE_START(m_sshd); }
    void check_data();
    void check();
    void closeOfAnotherRunIsIgnored();

private:
    SshdFixture m_sshd;
    // One checker for all rows: every check has to start over.
    MimicryPackagesChecker m_checker;
};

void tst_MimicryPackagesChecker::check_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<QStringList>("missing");

    const QStringList versioned{
        QStringLiteral("sensorfw-qt5-emulator-plugins-0.12.4-1.armv7hl"),
        QStringLiteral("remote-dbus-invoker-1.0.2-1.armv7hl"),
        QStringLiteral("geoclue-emulator-0.3.1-1.armv7hl"),
        QStringLiteral("gstreamer-emulator-1.16.0-2.armv7hl")};
    const QString other = QStringLiteral("bash-5.1-1.armv7hl");

    QTest::newRow("other packages only") << QStringList{other} << true << AllPackages;
    QTest::newRow("all inside longer names")
        << QStringList{other, QStringLiteral("x-sensorfw-qt5-emulator-plugins-devel"),
                       QStringLiteral("libremote-dbus-invoker2"), versioned.at(2), versioned.at(3)}
        << true << QStringList();
    QTest::newRow("two missing") << QStringList{versioned.at(1), other, versioned.at(3)} << true
                                 << QStringList{AllPackages.at(0), AllPackages.at(2)};
    QTest::newRow("case differs") << QStringList{versioned.at(0), versioned.at(1),
                                                 QStringLiteral("Geoclue-Emulator-0.3"), versioned.at(3)}
                                  << true << QStringList{AllPackages.at(2)};
    // A failed run has no output: everything counts as missing.
    QTest::newRow("unreachable emulator") << versioned << false << AllPackages;
}

void tst_MimicryPackagesChecker::check()
{
    QFETCH(QStringList, installed);
    QFETCH(bool, reachable);
    QFETCH(QStringList, missing);
    QVERIFY(m_sshd.setRpmPackages(installed));
    QSsh::SshConnectionParameters params = m_sshd.connectionParameters();
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
        QCOMPARE(message, QString());
        QCOMPARE(detailedText, QString());
        return;
    }
    QCOMPARE(message, FailureMessage);
    // One name a line after the heading, in whatever order.
    QVERIFY2(detailedText.startsWith(Heading), qPrintable(detailedText));
    QStringList listed = detailedText.mid(Heading.size()).split(QLatin1Char('\n'));
    QCOMPARE(listed.takeLast(), QString());
    listed.sort();
    missing.sort();
    QCOMPARE(listed, missing);
}

// The runner is private; its close is delivered to the slot by hand.
void tst_MimicryPackagesChecker::closeOfAnotherRunIsIgnored()
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

QTEST_GUILESS_MAIN(tst_MimicryPackagesChecker)

#include "tst_mimicrypackageschecker.moc"
