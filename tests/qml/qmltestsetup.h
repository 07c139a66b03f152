#pragma once

#include <QObject>
#include <QTemporaryDir>

#include <memory>

QT_BEGIN_NAMESPACE
class QApplication;
class QQmlEngine;
class QSettings;
QT_END_NAMESPACE

class DialogProbe;
class FakeGuest;
class GuestProbe;
class IdeHost;

// Gives each test file's engine what the plug-in gives its window: the QML
// types of "org.plover", real managers on a real channel (connected to a
// fake guest on the channel's port) and the theme colours; plus the probes
// for the guest and the dialogs, and the per-device sensor configuration.
class QmlTestSetup : public QObject
{
    Q_OBJECT

public:
    QmlTestSetup();
    ~QmlTestSetup() override;

public slots:
    void applicationAvailable();
    void qmlEngineAvailable(QQmlEngine *engine);

private:
    // The warning dialogs are widgets, so the test needs a QApplication,
    // made before the test runner would make a QGuiApplication.
    std::unique_ptr<QApplication> m_application;
    QTemporaryDir m_settingsDir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<IdeHost> m_host;
    std::unique_ptr<FakeGuest> m_guest;
    std::unique_ptr<GuestProbe> m_guestProbe;
    std::unique_ptr<DialogProbe> m_dialogProbe;
};
