#include "qmltypes.h"

#include "messagebox.h"
#include "mimicryconstants.h"
#include "openfiledialog.h"
#include "settingsmanager.h"
#include "warningdialog.h"

#include <camera/cameraemulationmanager.h>
#include <gps/gpsemulationmanager.h>
#include <gps/textfilereader.h>
#include <gps/trackfileparser.h>
#include <gps/trackpointmodel.h>
#include <gps/trackrouteview.h>
#include <link/remotedbusinvokerservice.h>
#include <model3d/ondemandscene.h>
#include <model3d/smartphone3dmodelconfig.h>
#include <sensors/alsmodel.h>
#include <sensors/sensorsemulationmanager.h>
#include <sensors/tapmodel.h>
#include <sensors/textfielddoublevalidator.h>

#include <utils/theme/theme.h>

#include <QQmlContext>
#include <QQmlEngine>

namespace Mimicry {
namespace Internal {

void registerQmlTypes()
{
    const char *uri = Constants::QML_MODULE_URI;
    qmlRegisterType<WarningDialog>(uri, 1, 0, "WarningDialog");
    qmlRegisterType<MessageBox>(uri, 1, 0, "MessageBox");
    qmlRegisterType<OpenFileDialog>(uri, 1, 0, "OpenFileDialog");
    qmlRegisterType<SettingsManager>(uri, 1, 0, "SettingsManager");
    qmlRegisterType<SensorsEmulationManager>(uri, 1, 0, "SensorsEmulationManager");
    qmlRegisterType<TextFieldDoubleValidator>(uri, 1, 0, "TextFieldDoubleValidator");
    qRegisterMetaType<AlsModel::LightLevel>("AlsModel::LightLevel");
    qRegisterMetaType<TapModel::TapDirection>("TapModel::TapDirection");
    qmlRegisterUncreatableType<AlsModel>(uri, 1, 0, "AlsModel",
                                         QStringLiteral("Could not create the AlsModel instance"));
    qmlRegisterUncreatableType<TapModel>(uri, 1, 0, "TapModel",
                                         QStringLiteral("Could not create the TapModel instance"));
    // The GPS page reads and parses its track files through these, off the
    // GUI thread, and shows the points from the model.
    qmlRegisterType<TextFileReader>(uri, 1, 0, "TextFileReader");
    qmlRegisterType<TrackFileParser>(uri, 1, 0, "TrackFileParser");
    qmlRegisterType<TrackPointModel>(uri, 1, 0, "TrackPointModel");
    qmlRegisterType<TrackRouteView>(uri, 1, 0, "TrackRouteView");
    qmlRegisterType<OnDemandScene>(uri, 1, 0, "OnDemandScene");
}

void exposeToQml(QQmlContext *context, RemoteDBusInvokerService *channel, GPSEmulationManager *gps,
                 SensorsEmulationManager *sensors, Smartphone3DModelConfig *model3d,
                 CameraEmulationManager *camera)
{
    gps->setRdbusinvoker(channel);
    sensors->setRdbusinvoker(channel);

    const Utils::Theme *theme = Utils::creatorTheme();
    const auto themeColor = [theme](int role) {
        return QVariant::fromValue(theme->color(Utils::Theme::Color(role)));
    };
    context->setContextProperty(QStringLiteral("remoteDBusInvokerService"), channel);
    context->setContextProperty(QStringLiteral("gpsEmulationManager"), gps);
    context->setContextProperty(QStringLiteral("sensorsEmulationManager"), sensors);
    context->setContextProperty(QStringLiteral("smartphone3DModelConfig"), model3d);
    context->setContextProperty(QStringLiteral("themeBackgroundColorNormal"),
                                themeColor(Constants::THEME_BACKGROUND_COLOR_NORMAL));
    context->setContextProperty(QStringLiteral("themeHighlightColor"),
                                themeColor(Constants::THEME_HIGHLIGHT_COLOR));
    context->setContextProperty(QStringLiteral("themeSeparatorColor"),
                                themeColor(Constants::THEME_SEPARATOR_COLOR));
    context->setContextProperty(QStringLiteral("cameraEmulationManager"), camera);
}

} // namespace Internal
} // namespace Mimicry
