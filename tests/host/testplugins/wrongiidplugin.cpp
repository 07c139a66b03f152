#include "recordingplugin.h"

class WrongIidPlugin : public RecordingPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.example.SomethingElse" FILE "wrongiidplugin.json")

public:
    WrongIidPlugin() : RecordingPlugin("WrongIidPlugin", true) {}
};

#include "wrongiidplugin.moc"
