#pragma once

#include <QObject>
#include <QStringList>

namespace ExtensionSystem {

// Base of every plug-in the host loads; the host calls initialize(), then
// extensionsInitialized() on all plug-ins, and aboutToShutdown() at exit.
class IPlugin : public QObject
{
    Q_OBJECT

public:
    enum ShutdownFlag {
        SynchronousShutdown,
        AsynchronousShutdown
    };

    IPlugin();
    ~IPlugin() override;

    virtual bool initialize(const QStringList &arguments, QString *errorString) = 0;
    virtual void extensionsInitialized() {}
    virtual bool delayedInitialize() { return false; }
    virtual ShutdownFlag aboutToShutdown() { return SynchronousShutdown; }
    virtual QObject *remoteCommand(const QStringList & /* options */,
                                   const QString & /* workingDirectory */,
                                   const QStringList & /* arguments */)
    {
        return nullptr;
    }

signals:
    void asynchronousShutdownFinished();
};

} // namespace ExtensionSystem
