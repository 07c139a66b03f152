#include <idehost.h>

#include "mimicrywindow.h"

#include <coreplugin/actionmanager/actionmanager.h>
#include <coreplugin/actionmanager/command.h>
#include <hangar/emulator.h>
#include <hangar/sdk.h>
#include <hangar/virtualmachine.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

// Runs on a real X server with a window manager (see CMakeLists.txt): what
// is checked is where the manager put the windows, not what Qt asked for.

namespace {

const int settleTimeoutMs = 5000;

// One window property of the root window or of a window, as xprop prints
// it: the window ids after "window id #".
QList<WId> windowIds(const QStringList &xpropArguments)
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), xpropArguments);
    if (!xprop.waitForFinished(settleTimeoutMs) || xprop.exitCode() != 0)
        return {};
    const QString output = QString::fromLatin1(xprop.readAllStandardOutput());
    QList<WId> ids;
    const QStringList fields = output.section(QLatin1Char('#'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &field : fields) {
        bool ok = false;
        const WId id = field.trimmed().toULongLong(&ok, 16);
        if (ok)
            ids.append(id);
    }
    return ids;
}

// The managed windows from bottom to top.
QList<WId> stacking()
{
    return windowIds({QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
}

WId activeWindow()
{
    const QList<WId> ids = windowIds({QStringLiteral("-root"), QStringLiteral("_NET_ACTIVE_WINDOW")});
    return ids.isEmpty() ? 0 : ids.constFirst();
}

WId transientFor(WId window)
{
    const QList<WId> ids = windowIds({QStringLiteral("-id"), QString::number(window), QStringLiteral("WM_TRANSIENT_FOR")});
    return ids.isEmpty() ? 0 : ids.constFirst();
}

// Where a window's contents are on the screen.
QRect contentsOf(WId window)
{
    QProcess xwininfo;
    xwininfo.start(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)});
    if (!xwininfo.waitForFinished(settleTimeoutMs) || xwininfo.exitCode() != 0)
        return {};
    QMap<QString, int> values;
    const QStringList lines = QString::fromLatin1(xwininfo.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString &line : lines)
        values.insert(line.section(QLatin1Char(':'), 0, 0).trimmed(), line.section(QLatin1Char(':'), 1).trimmed().toInt());
    return {values.value(QStringLiteral("Absolute upper-left X")), values.value(QStringLiteral("Absolute upper-left Y")),
            values.value(QStringLiteral("Width")), values.value(QStringLiteral("Height"))};
}

QMessageBox *shownMessageBox()
{
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets) {
        if (auto box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

// What the window manager did while a box was open.
struct Seen
{
    bool focused = false;
    QList<WId> stacking;
    WId transientFor = 0;
    QPoint centreOffset;
};

enum class Trigger { ResetQuestion, UnappliedSensors, MenuMessage, GuestError };

} // namespace

Q_DECLARE_METATYPE(Trigger)

class tst_DialogStacking : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_settingsDir = std::make_unique<QTemporaryDir>();
        m_settings = std::make_unique<QSettings>(m_settingsDir->filePath(QStringLiteral("host.ini")),
                                                 QSettings::IniFormat);
        m_host = std::make_unique<IdeHost>(m_settings.get());
        m_host->loadPlugins({QStringLiteral(MIMICRY_PLUGIN_DIR)});
        QVERIFY(m_host->errors().isEmpty());
        m_host->mainWindow()->resize(1200, 800);
        m_host->mainWindow()->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_host->mainWindow()));
        QTRY_VERIFY_WITH_TIMEOUT(activeWindow() == m_host->mainWindow()->winId(), settleTimeoutMs);
    }

    void cleanup()
    {
        m_host.reset();
        m_settings.reset();
        m_settingsDir.reset();
    }

    void dialogGoesOverTheWindowItIsAbout_data()
    {
        QTest::addColumn<Trigger>("trigger");
        QTest::addColumn<bool>("windowShown");
        QTest::newRow("reset question") << Trigger::ResetQuestion << true;
        QTest::newRow("unapplied sensors") << Trigger::UnappliedSensors << true;
        QTest::newRow("menu message, window shown") << Trigger::MenuMessage << true;
        QTest::newRow("menu message, window hidden") << Trigger::MenuMessage << false;
        QTest::newRow("guest error") << Trigger::GuestError << true;
    }

    // While the Mimicry window is shown, its dialogs keep the IDE below it;
    // before it opens, the IDE's main window is theirs.
    void dialogGoesOverTheWindowItIsAbout()
    {
        QFETCH(Trigger, trigger);
        QFETCH(bool, windowShown);
        const WId ide = m_host->mainWindow()->winId();
        QQuickView *view = mimicryView();
        QVERIFY(view);
        if (windowShown) {
            view->show();
            QTRY_VERIFY_WITH_TIMEOUT(activeWindow() == view->winId(), settleTimeoutMs);
            QVERIFY(stacking().indexOf(ide) < stacking().indexOf(view->winId()));
            // Qt hears where the manager put the window a moment later.
            QTRY_COMPARE_WITH_TIMEOUT(view->geometry(), contentsOf(view->winId()), settleTimeoutMs);
        }
        const WId owner = windowShown ? view->winId() : ide;

        // A modal box runs its own event loop: it is looked at from there.
        std::optional<Seen> seen;
        QTimer poll;
        poll.callOnTimeout(this, [&] {
            QMessageBox *box = shownMessageBox();
            if (!box)
                return;
            poll.stop();
            const WId boxId = box->winId();
            // The manager has dealt with the box once it has focused it.
            const bool focused = QTest::qWaitFor([boxId] { return activeWindow() == boxId; }, settleTimeoutMs);
            QTest::qWait(100);
            seen = Seen{focused, stacking(), transientFor(boxId),
                        contentsOf(boxId).center() - contentsOf(owner).center()};
            box->reject();
        });
        poll.start(20);

        switch (trigger) {
        case Trigger::ResetQuestion:
            mimicryEvaluate(QStringLiteral("sensorsValuesPage.modelSensorChanged = true;"
                                           "switchVisiblePage(smartphoneModelPage)"));
            break;
        case Trigger::UnappliedSensors:
            mimicryEvaluate(QStringLiteral("switchVisiblePage(sensorsManagementPage)"));
            mimicryEvaluate(QStringLiteral("var box = sensorsManagementPage.sensorsControlsIds[5];"
                                           "box.checked = !box.checked;"
                                           "switchVisiblePage(sensorsValuesPage)"));
            break;
        case Trigger::MenuMessage:
            // Without an emulator the plug-in can only say so.
            Core::ActionManager::command("Mimicry.ShowMimicryView.Action")->action()->trigger();
            break;
        case Trigger::GuestError:
            mimicryEvaluate(QStringLiteral("errorDialog.showText('org.freedesktop.DBus.Error.Failed')"));
            break;
        }
        QTRY_VERIFY_WITH_TIMEOUT(seen.has_value(), settleTimeoutMs * 2);

        QVERIFY(seen->focused);
        const QList<WId> during = seen->stacking;
        QVERIFY2(during.indexOf(ide) >= 0 && during.indexOf(owner) >= 0, "both windows are managed");
        QVERIFY2(during.indexOf(ide) <= during.indexOf(owner), "the IDE stays below the Mimicry window");
        QCOMPARE(seen->transientFor, owner);
        if (windowShown) {
            QVERIFY2(qAbs(seen->centreOffset.x()) <= 2 && qAbs(seen->centreOffset.y()) <= 2,
                     qPrintable(QStringLiteral("off centre by %1, %2")
                                    .arg(seen->centreOffset.x())
                                    .arg(seen->centreOffset.y())));
            // Closing the box gives the window back its focus, with the IDE still below.
            QTRY_VERIFY_WITH_TIMEOUT(activeWindow() == view->winId(), settleTimeoutMs);
            QVERIFY(stacking().indexOf(ide) < stacking().indexOf(view->winId()));
        }
    }

private:
    std::unique_ptr<QTemporaryDir> m_settingsDir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<IdeHost> m_host;
};

QTEST_MAIN(tst_DialogStacking)

#include "tst_dialogstacking.moc"
