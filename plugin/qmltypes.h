#pragma once

#include <QtGlobal>

QT_BEGIN_NAMESPACE
class QQmlContext;
QT_END_NAMESPACE

class CameraEmulationManager;

namespace Mimicry {
namespace Internal {

class GPSEmulationManager;
class RemoteDBusInvokerService;
class SensorsEmulationManager;
class Smartphone3DModelConfig;

// The window's QML module "org.plover" 1.0 and the enumerations that travel
// through invokable methods.
void registerQmlTypes();

// Puts the managers on the channel and hands them and the theme colours to
// the window's QML under the names it uses.
void exposeToQml(QQmlContext *context, RemoteDBusInvokerService *channel, GPSEmulationManager *gps,
                 SensorsEmulationManager *sensors, Smartphone3DModelConfig *model3d,
                 CameraEmulationManager *camera);

} // namespace Internal
} // namespace Mimicry
