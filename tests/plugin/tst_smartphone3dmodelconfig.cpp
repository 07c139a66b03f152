#include <model3d/smartphone3dmodelconfig.h>

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QUrl>
#include <QtTest>

using Mimicry::Internal::Smartphone3DModelConfig;

namespace {

// Where the class looks, relative to this executable as to the IDE's.
QString modelsDir()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath()
                           + QLatin1String("/../share/qtcreator/smartphone-3d-models"));
}

void writeConfig(const QString &file, const QVariantMap &values)
{
    QSettings config(modelsDir() + QLatin1String("/configs/") + file, QSettings::IniFormat);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        config.setValue(it.key(), it.value());
}

QString uri(const char *subdirectory, const char *file)
{
    return QUrl::fromLocalFile(modelsDir() + QLatin1Char('/') + QLatin1String(subdirectory) + QLatin1Char('/')
                               + QLatin1String(file))
        .toString();
}

} // namespace

class tst_Smartphone3DModelConfig : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void selection_data();
    void selection();
};

void tst_Smartphone3DModelConfig::initTestCase()
{
    QDir(modelsDir()).removeRecursively();
    QVERIFY(QDir().mkpath(modelsDir() + QLatin1String("/configs")));
    writeConfig("default.ini", {{"device-name", "default"}, {"mesh", "default.obj"}, {"texture", "default.png"}});
    writeConfig("a.ini", {{"device-name", "Phone A"}, {"mesh", "a.obj"}, {"texture", "a.png"}});
    writeConfig("t.ini", {{"device-name", "Phone T"}, {"mesh", "t.obj"}});
    writeConfig("ignored.txt", {{"device-name", "Phone Z"}, {"mesh", "z.obj"}, {"texture", "z.png"}});
}

void tst_Smartphone3DModelConfig::cleanupTestCase()
{
    QDir(modelsDir()).removeRecursively();
}

void tst_Smartphone3DModelConfig::selection_data()
{
    QTest::addColumn<QString>("deviceModel");
    QTest::addColumn<QString>("mesh");
    QTest::addColumn<QString>("texture");
    QTest::addColumn<bool>("configured");

    QTest::newRow("configured model") << "Phone A" << uri("meshes", "a.obj") << uri("textures", "a.png") << true;
    QTest::newRow("unknown model falls back to default")
        << "Phone Z" << uri("meshes", "default.obj") << uri("textures", "default.png") << true;
    // A model that cannot be loaded is not reported as configured.
    QTest::newRow("no texture") << "Phone T" << uri("meshes", "t.obj") << QString() << false;
}

void tst_Smartphone3DModelConfig::selection()
{
    QFETCH(QString, deviceModel);
    QFETCH(QString, mesh);
    QFETCH(QString, texture);
    QFETCH(bool, configured);

    Smartphone3DModelConfig config;
    QCOMPARE(config.smartphone3DModelMeshUri(), uri("meshes", "default.obj"));

    QSignalSpy changed(&config, &Smartphone3DModelConfig::smartphone3DModelConfigChanged);
    config.selectDeviceModel(deviceModel);
    QCOMPARE(config.smartphone3DModelMeshUri(), mesh);
    QCOMPARE(config.smartphone3DModelTextureUri(), texture);
    QCOMPARE(config.smartphone3DModelConfigured(), configured);
    QCOMPARE(changed.size(), 1);
}

QTEST_GUILESS_MAIN(tst_Smartphone3DModelConfig)

#include "tst_smartphone3dmodelconfig.moc"
