// What the window's QML costs the plug-in's initialize(): loading
// MimicryView from the resource into a QQuickView with the plug-in's context
// properties, as initialize() does, and then the first activation of the
// orientation page, which brings in three.js. three.js alone is timed too.
// Each round uses a fresh engine; run once with QML_DISABLE_DISK_CACHE=1 for
// the first start after an installation, without it for later starts.

#include "benchutils.h"

#include <model3d/smartphone3dmodelconfig.h>
#include <plugin/qmltypes.h>
#include <sensors/sensorsemulationmanager.h>
#include <gps/gpsemulationmanager.h>
#include <camera/cameraemulationmanager.h>
#include <link/remotedbusinvokerservice.h>

#include <idehost.h>

#include <QApplication>
#include <QColor>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickView>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

using namespace Mimicry::Internal;
using MimicryBench::median;
using MimicryBench::out;

namespace {

double elapsedMs(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

struct Round
{
    double window = 0;
    double activation = 0;
    double three = 0;
};

Round measure(CameraEmulationManager *camera)
{
    Round round;
    // Never opened, as in initialize(): what the pages send goes nowhere.
    RemoteDBusInvokerService channel;
    SensorsEmulationManager sensors;
    GPSEmulationManager gps;
    sensors.setRdbusinvoker(&channel);
    gps.setRdbusinvoker(&channel);
    Smartphone3DModelConfig model;
    {
        auto view = std::make_unique<QQuickView>();
        QQmlContext *context = view->rootContext();
        context->setContextProperty(QStringLiteral("sensorsEmulationManager"), &sensors);
        context->setContextProperty(QStringLiteral("gpsEmulationManager"), &gps);
        context->setContextProperty(QStringLiteral("smartphone3DModelConfig"), &model);
        context->setContextProperty(QStringLiteral("cameraEmulationManager"), camera);
        for (const char *name : {"themeBackgroundColorNormal", "themeHighlightColor", "themeSeparatorColor"})
            context->setContextProperty(QLatin1String(name), QColor(Qt::gray));

        QElapsedTimer timer;
        timer.start();
        view->setSource(QUrl(QStringLiteral("qrc:/mimicry/qml/MimicryView.qml")));
        round.window = elapsedMs(timer);
        if (view->status() != QQuickView::Ready)
            qFatal("%s", qPrintable(view->errors().value(0).toString()));

        QQmlExpression activate(qmlContext(view->rootObject()), view->rootObject(),
                                QStringLiteral("changeActivePage(sensorsValuesPage, smartphoneModelPage)"));
        timer.restart();
        activate.evaluate();
        round.activation = elapsedMs(timer);
    }
    {
        QQmlEngine engine;
        QElapsedTimer timer;
        timer.start();
        QQmlComponent component(&engine, QUrl(QStringLiteral("qrc:/mimicry/qml/ThreeLibrary.qml")));
        std::unique_ptr<QObject> library(component.create());
        round.three = elapsedMs(timer);
        if (!library)
            qFatal("%s", qPrintable(component.errorString()));
    }
    return round;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Time the window's QML load and three.js."));
    parser.addHelpOption();
    const QCommandLineOption quick(QStringLiteral("quick"), QStringLiteral("One round, as a smoke check."));
    const QCommandLineOption rounds(QStringLiteral("rounds"), QStringLiteral("Rounds (default 5)."),
                                    QStringLiteral("n"), QStringLiteral("5"));
    parser.addOptions({quick, rounds});
    parser.process(app);

    // The managers store their values in the host's settings.
    QTemporaryDir settingsDir;
    QSettings settings(settingsDir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
    IdeHost host(&settings);
    registerQmlTypes();
    CameraEmulationManager camera;
    const int count = parser.isSet(quick) ? 1 : qMax(1, parser.value(rounds).toInt());
    std::vector<double> window, activation, three;
    for (int i = 0; i < count; ++i) {
        const Round round = measure(&camera);
        window.push_back(round.window);
        activation.push_back(round.activation);
        three.push_back(round.three);
        out() << QStringLiteral("round %1: window %2 ms, first orientation page %3 ms, three.js alone %4 ms\n")
                     .arg(i + 1)
                     .arg(round.window, 0, 'f', 1)
                     .arg(round.activation, 0, 'f', 1)
                     .arg(round.three, 0, 'f', 1);
    }
    out() << QStringLiteral("median: window %1 ms, first orientation page %2 ms, three.js alone %3 ms (disk cache %4)\n")
                 .arg(median(window), 0, 'f', 1)
                 .arg(median(activation), 0, 'f', 1)
                 .arg(median(three), 0, 'f', 1)
                 .arg(qEnvironmentVariableIsSet("QML_DISABLE_DISK_CACHE") ? QStringLiteral("off")
                                                                          : QStringLiteral("on"));
    // What loading three.js with the window would add to every start.
    out() << QStringLiteral("three.js alone / window: %1\n").arg(median(three) / median(window), 0, 'f', 2);
    out().flush();
    return 0;
}
