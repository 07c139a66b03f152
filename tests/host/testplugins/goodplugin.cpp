#include "recordingplugin.h"

class GoodPlugin : public RecordingPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QtCreatorPlugin" FILE "goodplugin.json")

public:
    GoodPlugin() : RecordingPlugin("GoodPlugin", true) {}
};

#include "goodplugin.moc"
