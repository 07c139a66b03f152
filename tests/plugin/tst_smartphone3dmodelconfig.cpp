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
    void init();
    void cleanupTestCase();
    void selection_data();
    void selection();
    void nothingConfigured_data();
    void nothingConfigured();
};

void tst_Smartphone3DModelConfig::init()
{
    QDir(modelsDir()).removeRecursively();
    QVERIFY(QDir().mkpath(modelsDir() + QLatin1String("/configs")));
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

    QTest::newRow("configured model") << "Phone A" << uri("meshes", "a.obj") << uri("textures", "a.png");
    QTest::newRow("unknown model falls back to default")
        << "Phone Z" << uri("meshes", "default.obj") << uri("textures", "default.png");
    QTest::newRow("names are case-sensitive")
        << "phone a" << uri("meshes", "default.obj") << uri("textures", "default.png");
    QTest::newRow("file without a device name serves the empty name")
        << "" << uri("meshes", "nameless.obj") << uri("textures", "nameless.png");
}

void tst_Smartphone3DModelConfig::selection()
{
    QFETCH(QString, deviceModel);
    QFETCH(QString, mesh);
    QFETCH(QString, texture);

    writeConfig("default.ini", {{"device-name", "default"}, {"mesh", "default.obj"}, {"texture", "default.png"}});
    writeConfig("a.ini", {{"device-name", "Phone A"}, {"mesh", "a.obj"}, {"texture", "a.png"}});
    writeConfig("nameless.ini", {{"mesh", "nameless.obj"}, {"texture", "nameless.png"}});
    writeConfig("ignored.txt", {{"device-name", "Phone Z"}, {"mesh", "z.obj"}, {"texture", "z.png"}});

    Smartphone3DModelConfig config;
    QCOMPARE(config.smartphone3DModelMeshUri(), uri("meshes", "default.obj"));

    QSignalSpy changed(&config, &Smartphone3DModelConfig::smartphone3DModelConfigChanged);
    QSignalSpy meshChanged(&config, &Smartphone3DModelConfig::smartphone3DModelMeshUriChanged);
    QSignalSpy textureChanged(&config, &Smartphone3DModelConfig::smartphone3DModelTextureUriChanged);
    config.selectDeviceModel(deviceModel);
    QCOMPARE(config.smartphone3DModelMeshUri(), mesh);
    QCOMPARE(config.smartphone3DModelTextureUri(), texture);
    QVERIFY(config.smartphone3DModelConfigured());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(meshChanged.size() + textureChanged.size(), 0);
}

void tst_Smartphone3DModelConfig::nothingConfigured_data()
{
    QTest::addColumn<bool>("withDefault");
    QTest::addColumn<QVariantMap>("defaultValues");
    QTest::newRow("no configuration at all") << false << QVariantMap();
    QTest::newRow("default without a texture")
        << true << QVariantMap{{"device-name", "default"}, {"mesh", "default.obj"}};
}

void tst_Smartphone3DModelConfig::nothingConfigured()
{
    QFETCH(bool, withDefault);
    QFETCH(QVariantMap, defaultValues);
    if (withDefault)
        writeConfig("default.ini", defaultValues);

    Smartphone3DModelConfig config;
    config.selectDeviceModel(QStringLiteral("Phone A"));
    // A model that cannot be loaded is not reported as configured.
    QVERIFY(!config.smartphone3DModelConfigured());
    QVERIFY(config.smartphone3DModelTextureUri().isEmpty());
}

QTEST_GUILESS_MAIN(tst_Smartphone3DModelConfig)

#include "tst_smartphone3dmodelconfig.moc"
