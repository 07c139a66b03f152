#include "qmltypes.h"

#include "mimicryconstants.h"
#include "settingsmanager.h"
#include "warningdialog.h"

#include <gps/textfilereader.h>
#include <sensors/alsmodel.h>
#include <sensors/sensorsemulationmanager.h>
#include <sensors/tapmodel.h>
#include <sensors/textfielddoublevalidator.h>

#include <QQmlEngine>

namespace Mimicry {
namespace Internal {

void registerQmlTypes()
{
    const char *uri = Constants::QML_MODULE_URI;
    qmlRegisterType<WarningDialog>(uri, 1, 0, "WarningDialog");
    qmlRegisterType<SettingsManager>(uri, 1, 0, "SettingsManager");
    qmlRegisterType<SensorsEmulationManager>(uri, 1, 0, "SensorsEmulationManager");
    qmlRegisterType<TextFieldDoubleValidator>(uri, 1, 0, "TextFieldDoubleValidator");
    qRegisterMetaType<AlsModel::LightLevel>("AlsModel::LightLevel");
    qRegisterMetaType<TapModel::TapDirection>("TapModel::TapDirection");
    qmlRegisterUncreatableType<AlsModel>(uri, 1, 0, "AlsModel",
                                         QStringLiteral("Could not create the AlsModel instance"));
    qmlRegisterUncreatableType<TapModel>(uri, 1, 0, "TapModel",
                                         QStringLiteral("Could not create the TapModel instance"));
    // The GPS page reads its track files through it, off the GUI thread.
    qmlRegisterType<TextFileReader>(uri, 1, 0, "TextFileReader");
}

} // namespace Internal
} // namespace Mimicry
