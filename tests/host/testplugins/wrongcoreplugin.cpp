#include "recordingplugin.h"

class WrongCorePlugin : public RecordingPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QtCreatorPlugin" FILE "wrongcoreplugin.json")

public:
    WrongCorePlugin() : RecordingPlugin("WrongCorePlugin", true) {}
};

#include "wrongcoreplugin.moc"
