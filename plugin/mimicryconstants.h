#pragma once

#include <QtGlobal>

namespace Mimicry {
namespace Constants {

const char SHOW_MIMICRY_VIEW_ACTION_ID[] = "Mimicry.ShowMimicryView.Action";
const char SDK_TOOLS_MENU_ID[] = "Keel.Tools.Menu";
const char QML_MODULE_URI[] = "org.plover";
const char MIMICRY_VIEW_SOURCE[] = "qrc:/mimicry/qml/MimicryView.qml";
const char TRANSLATIONS_DIR[] = ":/mimicry/translations/";
// Relative to the IDE's executable.
const char SENSORS_CONFIGS_DIR[] = "../share/qtcreator/sensors-emulation-configs";

// Port forwarding rules on the emulator's virtual machine.
const char TCP_RULE_NAME[] = "mimicrytcp";
const quint16 TCP_HOST_PORT = 5454;
const quint16 TCP_GUEST_PORT = 1234;
const char UDP_RULE_NAME[] = "mimicryudp";
const quint16 UDP_HOST_PORT = 34343;
const quint16 UDP_GUEST_PORT = 34343;

// The machine state in which the SDK has a connection to the guest.
const int VM_CONNECTED_STATE = 4;

// Roles of the IDE's Utils::Theme::Color in 4.15, read by number so that the
// plug-in does not depend on their names.
const int THEME_BACKGROUND_COLOR_NORMAL = 3;
const int THEME_HIGHLIGHT_COLOR = 83;
const int THEME_SEPARATOR_COLOR = 26;

} // namespace Constants
} // namespace Mimicry
