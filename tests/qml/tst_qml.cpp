#include "fakeguest.h"
#include "modalanswerer.h"

#include <camera/cameraemulationmanager.h>
#include <gps/gpsemulationmanager.h>
#include <link/remotedbusinvokerservice.h>
#include <model3d/smartphone3dmodelconfig.h>
#include <plugin/qmltypes.h>
#include <sensors/sensorsemulationmanager.h>

#include <coreplugin/icore.h>
#include <idehost.h>
#include <testcamera.h>
#include <testvideos.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTranslator>
#include <QtQuickTest>

#include <gst/gst.h>

#include <algorithm>
#include <memory>

#include <time.h>

using namespace Mimicry::Internal;

namespace {

const int timeoutMs = 5000;
const QString markerCall = QStringLiteral("testMarker");

// A line without its bus, service, path and interface: the method and its
// arguments.
QString callOf(const QString &line)
{
    return line.section(QLatin1Char(' '), 4);
}

} // namespace

// The guest's command service as the tests see it: the calls that the pages
// sent, without the bus and service fields, and answers like those of a
// guest that runs every sensor. One call can be made to fail.
class GuestProbe : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList calls MEMBER m_calls NOTIFY callsChanged)

public:
    explicit GuestProbe(FakeGuest *guest)
        : m_guest(guest)
    {
        m_guest->setReplier([this](const QString &line) { return reply(line); });
    }

    void setChannel(RemoteDBusInvokerService *channel) { m_channel = channel; }

    Q_INVOKABLE void clear()
    {
        m_calls.clear();
        emit callsChanged();
    }

    // The next call that equals `call` gets this D-Bus error as its answer.
    Q_INVOKABLE void failCall(const QString &call, const QString &errorName, const QString &errorText)
    {
        m_failingCall = call;
        m_error = errorName + QLatin1Char(':') + errorText;
    }

    Q_INVOKABLE void send(const QString &message) { m_guest->sendToClients(message); }

    // A marker call's round trip through the channel: once its answer is
    // back, every call sent and every message answered before it has arrived.
    Q_INVOKABLE bool sync()
    {
        if (!m_channel)
            return false;
        bool answered = false;
        const QMetaObject::Connection connection = connect(
            m_channel.data(), &RemoteDBusInvokerService::replyReceived, this,
            [&answered](const QString &reply) { answered = answered || reply.startsWith(markerCall + ':'); });
        m_channel->sendCommand(QStringLiteral("s"), QStringLiteral("m"), QStringLiteral("/m"), QStringLiteral("i"),
                               markerCall, QString());
        const bool synced = QTest::qWaitFor([&answered] { return answered; }, timeoutMs);
        disconnect(connection);
        return synced;
    }

    // Lines still on their way must not count for what follows.
    Q_INVOKABLE bool settle()
    {
        const bool synced = sync();
        clear();
        return synced;
    }

signals:
    void callsChanged();

private:
    // Records the call and answers with method:argument values joined by
    // "|":result:error name:error text, as the guest's command service does.
    QString reply(const QString &line)
    {
        const QString call = callOf(line);
        if (call.trimmed() == markerCall)
            return markerCall + QLatin1String("::::");
        m_calls.append(call);
        emit callsChanged();
        const QString method = call.section(QLatin1Char(' '), 0, 0);
        QStringList values;
        const QStringList arguments = call.section(QLatin1Char(' '), 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString &argument : arguments)
            // A field never holds the separator: the guest turns its colons
            // into semicolons, as in "array:double:1,2".
            values.append(argument.section(QLatin1Char(':'), 1).replace(QLatin1Char(':'), QLatin1Char(';')));
        const QString prefix = method + QLatin1Char(':') + values.join(QLatin1Char('|')) + QLatin1Char(':');
        if (!m_failingCall.isEmpty() && call == m_failingCall) {
            m_failingCall.clear();
            return prefix + QLatin1Char(':') + m_error;
        }
        return prefix + (method == QLatin1String("enabled") ? QStringLiteral("true::") : QStringLiteral("::"));
    }

    FakeGuest *m_guest;
    // Each test file's engine has its own.
    QPointer<RemoteDBusInvokerService> m_channel;
    QStringList m_calls;
    QString m_failingCall;
    QString m_error;
};

// Answers the modal message boxes (the WarningDialogs) and reads what the
// non-modal ones (the QML message dialogs) show.
class DialogProbe : public QObject
{
    Q_OBJECT

public:
    // From now on every modal box is answered with `button` (a
    // QMessageBox::StandardButton), after ticking its check box if asked.
    Q_INVOKABLE void answerWith(int button, bool tickCheckBox = false)
    {
        m_answerer = std::make_unique<ModalAnswerer>();
        m_answerer->setAnswer(QMessageBox::StandardButton(button));
        m_answerer->setTickCheckBox(tickCheckBox);
    }

    // Modal boxes stay open again; what was answered is forgotten.
    Q_INVOKABLE void stopAnswering() { m_answerer.reset(); }

    // What the answered boxes said, and whether they were modal over the
    // IDE or over the (shown) window of the QML that opened them.
    Q_INVOKABLE QVariantList answeredBoxes() const
    {
        QVariantList result;
        const QList<ModalAnswerer::Box> boxes = m_answerer ? m_answerer->boxes() : QList<ModalAnswerer::Box>();
        for (const ModalAnswerer::Box &box : boxes) {
            result.append(QVariantMap{{QStringLiteral("title"), box.title},
                                      {QStringLiteral("icon"), int(box.icon)},
                                      {QStringLiteral("text"), box.text},
                                      {QStringLiteral("buttons"), int(box.buttons)},
                                      {QStringLiteral("checkBoxVisible"), box.checkBoxVisible},
                                      {QStringLiteral("overIde"), box.parent == Core::ICore::mainWindow()},
                                      {QStringLiteral("overWindow"), bool(qobject_cast<QQuickWindow *>(box.transientParent))}});
        }
        return result;
    }

    // What the open file dialog shows (empty when none is open); then
    // chooses that file under tests/data, or cancels for none.
    Q_INVOKABLE QVariantMap answerFileDialog(const QString &dataFile) const
    {
        auto dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return {};
        const QVariantMap shown{
            {QStringLiteral("title"), dialog->windowTitle()},
            {QStringLiteral("filters"), dialog->nameFilters()},
            {QStringLiteral("overWindow"),
             bool(qobject_cast<QQuickWindow *>(dialog->windowHandle()->transientParent()))}};
        if (dataFile.isEmpty()) {
            dialog->reject();
        } else {
            dialog->selectFile(QStringLiteral(MIMICRY_SOURCE_DIR "/tests/data/") + dataFile);
            // Through QDialog, as the dialog's Open button does.
            static_cast<QDialog *>(dialog)->accept();
        }
        return shown;
    }

    // The text of each visible message box as the user reads it, that is
    // after any rich text was rendered, as QLabel does.
    Q_INVOKABLE QStringList shownMessageBoxTexts() const
    {
        QStringList result;
        const QWidgetList widgets = QApplication::topLevelWidgets();
        for (QWidget *widget : widgets) {
            auto box = qobject_cast<QMessageBox *>(widget);
            if (!box || !box->isVisible())
                continue;
            const Qt::TextFormat format = box->textFormat();
            if (format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(box->text()))) {
                QTextDocument document;
                document.setHtml(box->text());
                result.append(document.toPlainText());
            } else {
                result.append(box->text());
            }
        }
        return result;
    }

private:
    std::unique_ptr<ModalAnswerer> m_answerer;
};

// The device under the plug-in: the test cameras, plugged in and out by
// name, and clips made on demand; the per-device sensor configuration,
// which the plug-in applies from C++ only; and the IDE's language.
class TestDevice : public QObject
{
    Q_OBJECT

public:
    TestDevice(SensorsEmulationManager *sensors, QObject *parent)
        : QObject(parent)
        , m_sensors(sensors)
    {}

    Q_INVOKABLE void plugIn(const QString &displayName, const QString &caps)
    {
        TestCamera::add({displayName, caps});
    }

    Q_INVOKABLE void unplugAll() { TestCamera::clear(); }

    // A clip of that kind ("vp8", "theora" or "fifo"), its
    // path; empty on failure. A name replaces the kind's own.
    Q_INVOKABLE QString clip(const QString &kind, const QString &name = QString())
    {
        const QMap<QString, TestVideos::Kind> kinds{{QStringLiteral("theora"), TestVideos::Kind::Theora},
                                                    {QStringLiteral("fifo"), TestVideos::Kind::Fifo}};
        return TestVideos::make(m_clips.path(), kinds.value(kind, TestVideos::Kind::Vp8), {320, 240}, 30, name);
    }

    Q_INVOKABLE bool removeFile(const QString &path) { return QFile::remove(path); }

    // The URL of a path, as the file dialog hands it over.
    Q_INVOKABLE QUrl fileUrl(const QString &path) const { return QUrl::fromLocalFile(path); }

    // The CPU time of the whole process so far, every thread, in ms.
    Q_INVOKABLE double processCpuMs() const
    {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
    }

    // Whether the newest camera source element is playing.
    Q_INVOKABLE bool cameraPlaying() const { return TestCamera::cameraState() == GST_STATE_PLAYING; }

    Q_INVOKABLE void setSensorAvailable(const QString &sensorName, bool available)
    {
        m_sensors->setSensorAvailable(sensorName, available);
    }

    // The plug-in's translation, as if the IDE had started in that language
    // ("ru"; anything else is none). Items made from then on show it; a test
    // runs from a binding's change, so re-evaluating every binding would find
    // that one in a loop.
    Q_INVOKABLE bool setLanguage(const QString &language)
    {
        QCoreApplication::removeTranslator(&m_translator);
        if (language != QLatin1String("ru"))
            return true;
        return m_translator.load(QStringLiteral(":/mimicry/translations/Mimicry-ru.qm"))
            && QCoreApplication::installTranslator(&m_translator);
    }

private:
    SensorsEmulationManager *m_sensors;
    QTemporaryDir m_clips;
    QTranslator m_translator;
};

// Gives each test file's engine what the plug-in gives its window, through
// the plug-in's own wiring, with real managers on a real channel connected
// to the fake guest; plus the probes.
class QmlTestSetup : public QObject
{
    Q_OBJECT

public:
    QmlTestSetup()
    {
        if (!m_guest.listen())
            qFatal("The fake guest cannot listen");
        gst_init(nullptr, nullptr);
        if (!TestCamera::registerPlugin())
            qFatal("The test cameras need videotestsrc (gstreamer1.0-plugins-base)");
        registerQmlTypes();
    }

public slots:
    // Each test file gets its own engine and, with it, fresh managers and a
    // new connection to the guest.
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        auto channel = new RemoteDBusInvokerService(engine);
        channel->setRetryDelays(20, 100);
        channel->setUrl(m_guest.url());
        m_guestProbe.setChannel(channel);
        auto sensors = new SensorsEmulationManager(engine);
        // Filled as the plug-in does before it shows the window.
        auto camera = new CameraEmulationManager(engine);
        camera->initCameras();
        QQmlContext *context = engine->rootContext();
        exposeToQml(context, channel, new GPSEmulationManager(engine), sensors,
                    new Smartphone3DModelConfig(engine), camera);
        context->setContextProperty(QStringLiteral("testDevice"), new TestDevice(sensors, engine));
        context->setContextProperty(QStringLiteral("guest"), &m_guestProbe);
        context->setContextProperty(QStringLiteral("dialogs"), &m_dialogProbe);

        // The first connection asks the guest for every sensor's state; the
        // tests start once all answers are in.
        QSignalSpy connected(channel, &RemoteDBusInvokerService::webSocketConnected);
        channel->openConnection();
        const bool ready = QTest::qWaitFor(
            [&] {
                const QVariantMap states = sensors->sensorsEnabledStates();
                return !connected.isEmpty()
                    && std::all_of(states.cbegin(), states.cend(), [](const QVariant &on) { return on.toBool(); });
            },
            timeoutMs);
        if (!ready)
            qFatal("The channel did not reach the fake guest");
        m_guestProbe.clear();
    }

private:
    static inline int argc = 1;
    static inline char applicationName[] = "tst_qml";
    static inline char *argv[] = {applicationName, nullptr};

    // The warning dialogs are widgets, so the test needs a QApplication,
    // made before the test runner would make a QGuiApplication.
    QApplication m_application{argc, argv};
    QTemporaryDir m_settingsDir;
    QSettings m_settings{m_settingsDir.filePath(QStringLiteral("host.ini")), QSettings::IniFormat};
    IdeHost m_host{&m_settings};
    FakeGuest m_guest;
    GuestProbe m_guestProbe{&m_guest};
    DialogProbe m_dialogProbe;
};

QUICK_TEST_MAIN_WITH_SETUP(mimicry_qml, QmlTestSetup)

#include "tst_qml.moc"
