#include "recordingplugin.h"

class FailingPlugin : public RecordingPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QtCreatorPlugin" FILE "failingplugin.json")

public:
    FailingPlugin() : RecordingPlugin("FailingPlugin", false) {}
};

#include "failingplugin.moc"
