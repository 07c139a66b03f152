#pragma once

namespace Core {
namespace Constants {

const char C_GLOBAL[] = "Global Context";
const char MENU_BAR[] = "QtCreator.MenuBar";
const char M_TOOLS[] = "QtCreator.Menu.Tools";

} // namespace Constants
} // namespace Core
