// What the plug-in costs the IDE's start-up, and what the user waits for when
// the window is first opened: the plug-in loaded into the host as the IDE
// loads it (library, initialize(), extensionsInitialized()), next to the
// same host without it; then the first show of the window, which loads its
// QML; then the first activation of the orientation page, which brings in
// three.js and, where there is OpenGL, the 3D view until the phone is on
// screen; and three.js alone in a fresh engine. Each round uses a fresh
// host and engine; run once with QML_DISABLE_DISK_CACHE=1 for the first start
// after an installation, without it for later starts.

#include "benchutils.h"

#include <idehost.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QQuickItem>
#include <QQuickView>
#include <QSGRendererInterface>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

using MimicryBench::median;
using MimicryBench::out;

namespace {

double elapsedMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

struct Round
{
    double bareHost = 0;
    double withPlugin = 0;
    double firstShow = 0;
    double activation = 0;
    // From the activation until a frame with the phone in it, and the
    // longest the GUI thread was held on the way (a 5 ms timer's lateness);
    // -1 without OpenGL, where the page shows a note instead.
    double phoneDrawn = -1;
    double phoneBlocked = -1;
    double three = 0;
};

bool hasOpenGL(QQuickWindow *window)
{
    return window->rendererInterface()->graphicsApi() == QSGRendererInterface::OpenGL;
}

// Until the 3D view says the phone is drawn and one more frame is out; the
// longest a 5 ms timer fired late meanwhile goes to `blockedMs`.
bool waitForPhone(QQuickView *view, double *blockedMs)
{
    auto model = view->rootObject()->findChild<QQuickItem *>(QStringLiteral("smartphoneModel"));
    if (!model)
        qFatal("The orientation page has no 3D view");
    QElapsedTimer sinceTick;
    sinceTick.start();
    *blockedMs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        *blockedMs = std::max(*blockedMs, sinceTick.nsecsElapsed() / 1e6 - 5);
        sinceTick.restart();
    });
    ticker.start(5);
    QEventLoop loop;
    QObject::connect(view, &QQuickWindow::frameSwapped, &loop, [&loop, model] {
        if (model->property("drawn").toBool())
            loop.quit();
    });
    QTimer::singleShot(30000, &loop, [&loop] { loop.exit(1); });
    return loop.exec() == 0;
}

QQuickView *pluginWindow()
{
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (auto view = qobject_cast<QQuickView *>(window))
            return view;
    }
    qFatal("The plug-in made no window");
}

Round measure()
{
    Round round;
    QTemporaryDir settingsDir;
    QSettings settings(settingsDir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat);
    round.bareHost = elapsedMs([&] { IdeHost host(&settings); });

    std::unique_ptr<IdeHost> host;
    round.withPlugin = elapsedMs([&] {
        host = std::make_unique<IdeHost>(&settings);
        host->loadPlugins({QStringLiteral(MIMICRY_PLUGIN_DIR)});
    });
    if (!host->errors().isEmpty())
        qFatal("%s", qPrintable(host->errors().join(QLatin1Char('\n'))));
    // Less the host's own work, which it does with or without the plug-in.
    round.withPlugin -= round.bareHost;

    QQuickView *view = pluginWindow();
    round.firstShow = elapsedMs([view] { view->show(); });
    if (view->status() != QQuickView::Ready)
        qFatal("%s", qPrintable(view->errors().value(0).toString()));
    QQmlExpression activate(qmlContext(view->rootObject()), view->rootObject(),
                            QStringLiteral("changeActivePage(sensorsValuesPage, smartphoneModelPage)"));
    QElapsedTimer sinceActivation;
    sinceActivation.start();
    round.activation = elapsedMs([&activate] { activate.evaluate(); });
    if (hasOpenGL(view)) {
        if (!waitForPhone(view, &round.phoneBlocked))
            qFatal("The phone was not drawn within 30 s");
        round.phoneDrawn = sinceActivation.nsecsElapsed() / 1e6;
    }
    host.reset();

    QQmlEngine engine;
    std::unique_ptr<QObject> library;
    QQmlComponent component(&engine);
    round.three = elapsedMs([&] {
        component.loadUrl(QUrl(QStringLiteral("qrc:/mimicry/qml/ThreeLibrary.qml")));
        library.reset(component.create());
    });
    if (!library)
        qFatal("%s", qPrintable(component.errorString()));
    return round;
}

QString phoneText(double ms)
{
    return ms < 0 ? QStringLiteral("n/a, no OpenGL") : QStringLiteral("%1 ms").arg(ms, 0, 'f', 1);
}

} // namespace

int main(int argc, char *argv[])
{
    MimicryBench::setUpPlatform();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Time the plug-in's start-up, the window's first show and "
                                                    "three.js."));
    parser.addHelpOption();
    const QCommandLineOption quick(QStringLiteral("quick"), QStringLiteral("One round, as a smoke check."));
    const QCommandLineOption rounds(QStringLiteral("rounds"), QStringLiteral("Rounds (default 5)."),
                                    QStringLiteral("n"), QStringLiteral("5"));
    parser.addOptions({quick, rounds});
    parser.process(app);

    const int count = parser.isSet(quick) ? 1 : qMax(1, parser.value(rounds).toInt());
    std::vector<double> startUp, firstShow, activation, phoneDrawn, phoneBlocked, three;
    for (int i = 0; i < count; ++i) {
        const Round round = measure();
        startUp.push_back(round.withPlugin);
        firstShow.push_back(round.firstShow);
        activation.push_back(round.activation);
        phoneDrawn.push_back(round.phoneDrawn);
        phoneBlocked.push_back(round.phoneBlocked);
        three.push_back(round.three);
        out() << QStringLiteral("round %1: start-up %2 ms (host alone %3 ms), first show %4 ms, first orientation "
                                "page %5 ms (phone drawn after %6, GUI thread held at most %7), three.js alone %8 ms\n")
                     .arg(i + 1)
                     .arg(round.withPlugin, 0, 'f', 1)
                     .arg(round.bareHost, 0, 'f', 1)
                     .arg(round.firstShow, 0, 'f', 1)
                     .arg(round.activation, 0, 'f', 1)
                     .arg(phoneText(round.phoneDrawn), phoneText(round.phoneBlocked))
                     .arg(round.three, 0, 'f', 1);
    }
    // The first round also pays for loading the library; later rounds show
    // what a warm start costs.
    out() << QStringLiteral("median: start-up %1 ms (first round %2 ms), first show %3 ms, first orientation page "
                            "%4 ms (phone drawn after %5, GUI thread held at most %6), three.js alone %7 ms "
                            "(disk cache %8)\n")
                 .arg(median(startUp), 0, 'f', 1)
                 .arg(startUp.front(), 0, 'f', 1)
                 .arg(median(firstShow), 0, 'f', 1)
                 .arg(median(activation), 0, 'f', 1)
                 .arg(phoneText(median(phoneDrawn)), phoneText(median(phoneBlocked)))
                 .arg(median(three), 0, 'f', 1)
                 .arg(qEnvironmentVariableIsSet("QML_DISABLE_DISK_CACHE") ? QStringLiteral("off")
                                                                          : QStringLiteral("on"));
    out() << QStringLiteral("start-up / first show: %1 (what the IDE's start pays of what opening the window "
                            "costs)\n")
                 .arg(median(startUp) / median(firstShow), 0, 'f', 2);
    out().flush();
    return 0;
}
