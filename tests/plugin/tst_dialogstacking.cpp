#include <idehost.h>

#include "mimicrywindow.h"

#include <coreplugin/actionmanager/actionmanager.h>
#include <coreplugin/actionmanager/command.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// Runs on an X server of its own with a window manager (see CMakeLists.txt):
// what counts is where the manager put the windows, as xprop and xwininfo
// tell, not what Qt asked for.

namespace {

const int settleTimeoutMs = 5000;

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(settleTimeoutMs);
    return QString::fromLatin1(process.readAllStandardOutput());
}

// The window ids that xprop prints for a property, of the root window by default.
QList<WId> windowIds(const char *property, WId window = 0)
{
    const QStringList where = window ? QStringList{"-id", QString::number(window)} : QStringList{"-root"};
    QList<WId> ids;
    const QString output = run("xprop", where + QStringList{QString::fromLatin1(property)});
    const QStringList fields = output.section('#', 1).split(',');
    for (const QString &field : fields)
        ids.append(field.trimmed().toULongLong(nullptr, 16));
    return ids;
}

QList<WId> stacking() { return windowIds("_NET_CLIENT_LIST_STACKING"); }
WId activeWindow() { return windowIds("_NET_ACTIVE_WINDOW").value(0); }

// Where a window's contents are on the screen.
QRect contentsOf(WId window)
{
    const QString info = run("xwininfo", {"-id", QString::number(window)});
    const auto value = [&info](const QString &name) {
        return info.section(name + ':', 1).section('\n', 0, 0).toInt();
    };
    return {value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height")};
}

} // namespace

class tst_DialogStacking : public QObject
{
    Q_OBJECT

private slots:
    void dialogGoesOverTheWindowItIsAbout_data()
    {
        QTest::addColumn<QString>("qml");
        QTest::addColumn<bool>("windowShown");
        // Without QML, the menu entry: without an emulator the plug-in can only say so.
        QTest::newRow("plug-in message, window shown") << QString() << true;
        QTest::newRow("plug-in message, window hidden") << QString() << false;
        QTest::newRow("question")
            << "sensorsValuesPage.modelSensorChanged = true; switchVisiblePage(smartphoneModelPage)" << true;
        QTest::newRow("guest error") << "errorDialog.showText('org.freedesktop.DBus.Error.Failed')" << true;
        QTest::newRow("file dialog") << "(function open(object) {"
                                        "    if (object.nameFilters !== undefined) return object.open() || true;"
                                        "    return Array.from(object.data || []).some(open)"
                                        "})(gpsManagementPage)"
                                     << true;
    }

    // While the Mimicry window is shown, its dialogs keep the IDE below it;
    // before it opens, the IDE's main window is theirs.
    void dialogGoesOverTheWindowItIsAbout()
    {
        QFETCH(QString, qml);
        QFETCH(bool, windowShown);
        QTemporaryDir settingsDir;
        QSettings settings(settingsDir.filePath("host.ini"), QSettings::IniFormat);
        IdeHost host(&settings);
        host.loadPlugins({QStringLiteral(MIMICRY_PLUGIN_DIR)});
        QVERIFY(host.errors().isEmpty());
        const WId ide = host.mainWindow()->winId();
        host.mainWindow()->resize(1200, 800);
        host.mainWindow()->show();
        QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), ide, settleTimeoutMs);
        QQuickView *view = mimicryView();
        QVERIFY(view);
        if (windowShown) {
            view->show();
            QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), view->winId(), settleTimeoutMs);
            // Qt hears where the manager put the window a moment later.
            QTRY_COMPARE_WITH_TIMEOUT(view->geometry(), contentsOf(view->winId()), settleTimeoutMs);
        }
        const WId owner = windowShown ? view->winId() : ide;

        // A modal box runs its own event loop: it is looked at from there,
        // once the manager has focused it.
        WId box = 0;
        QList<WId> during;
        WId transientFor = 0;
        QPoint offCentre;
        QTimer poll;
        poll.callOnTimeout(this, [&] {
            auto shown = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!shown || !QTest::qWaitFor([&] { return activeWindow() == shown->winId(); }, settleTimeoutMs))
                return;
            poll.stop();
            box = shown->winId();
            during = stacking();
            transientFor = windowIds("WM_TRANSIENT_FOR", box).value(0);
            offCentre = contentsOf(box).center() - contentsOf(owner).center();
            shown->reject();
        });
        poll.start(20);
        if (qml.isEmpty())
            Core::ActionManager::command("Mimicry.ShowMimicryView.Action")->action()->trigger();
        else
            mimicryEvaluate(qml);
        QTRY_VERIFY_WITH_TIMEOUT(box, settleTimeoutMs * 2);

        QVERIFY2(during.indexOf(ide) >= 0 && during.indexOf(ide) <= during.indexOf(owner),
                 "the IDE stays below the Mimicry window");
        QVERIFY(during.indexOf(owner) < during.indexOf(box));
        QCOMPARE(transientFor, owner);
        if (!windowShown)
            return;
        QVERIFY2(offCentre.manhattanLength() <= 2,
                 qPrintable(QString("off centre by %1, %2").arg(offCentre.x()).arg(offCentre.y())));
        // Closing the box gives the window back its focus, with the IDE still below.
        QTRY_COMPARE_WITH_TIMEOUT(activeWindow(), view->winId(), settleTimeoutMs);
        QVERIFY(stacking().indexOf(ide) < stacking().indexOf(view->winId()));
    }
};

QTEST_MAIN(tst_DialogStacking)

#include "tst_dialogstacking.moc"
