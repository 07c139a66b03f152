#include <idehost.h>

#include <extensionsystem/pluginspec.h>
#include <extensionsystem/pluginmanager.h>

#include <QMainWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class tst_IdeHost : public QObject
{
    Q_OBJECT

private slots:
    void loadsGoodPluginsAndReportsBadOnes_data();
    void loadsGoodPluginsAndReportsBadOnes();
    void goodPluginLifecycle();
};

void tst_IdeHost::loadsGoodPluginsAndReportsBadOnes_data()
{
    QTest::addColumn<QString>("plugin");
    QTest::addColumn<QString>("reason");
    QTest::newRow("initialize fails") << "FailingPlugin" << "initialization failed: the emulator is on strike";
    QTest::newRow("built for another Core") << "WrongCorePlugin" << "depends on Core 4.14.1";
    QTest::newRow("not an IDE plug-in") << "WrongIidPlugin" << "interface id is \"org.example.SomethingElse\"";
}

void tst_IdeHost::loadsGoodPluginsAndReportsBadOnes()
{
    QFETCH(QString, plugin);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
    IdeHost host(&settings);
    host.loadPlugins({QStringLiteral(TEST_PLUGIN_DIR)});

    QString error;
    for (const QString &candidate : host.errors()) {
        if (candidate.contains(QStringLiteral("\"%1\"").arg(plugin)))
            error = candidate;
    }
    QVERIFY2(error.contains(reason), qPrintable(host.errors().join(QLatin1Char('\n'))));
    QCOMPARE(host.errors().size(), 3);

    // The host goes on with the plug-ins that did load.
    QStringList loaded;
    for (ExtensionSystem::PluginSpec *spec : ExtensionSystem::PluginManager::plugins()) {
        if (spec->plugin())
            loaded.append(spec->name());
    }
    QCOMPARE(loaded, QStringList{"GoodPlugin"});
    QVERIFY(host.mainWindow());
}

void tst_IdeHost::goodPluginLifecycle()
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
    {
        IdeHost host(&settings);
        host.loadPlugins({QStringLiteral(TEST_PLUGIN_DIR)});
        QCOMPARE(settings.value("calls/GoodPlugin").toStringList(),
                 (QStringList{"initialize", "extensionsInitialized"}));
    }
    QCOMPARE(settings.value("calls/GoodPlugin").toStringList(),
             (QStringList{"initialize", "extensionsInitialized", "aboutToShutdown", "destroyed"}));
    // A plug-in whose initialize() failed is deleted at once and never hears
    // of the later stages; one that was refused is never instantiated.
    QCOMPARE(settings.value("calls/FailingPlugin").toStringList(), (QStringList{"initialize", "destroyed"}));
    QVERIFY(!settings.contains("calls/WrongCorePlugin"));
    QVERIFY(!settings.contains("calls/WrongIidPlugin"));
}

QTEST_MAIN(tst_IdeHost)

#include "tst_idehost.moc"
