// The tool bar's icons, drawn as vector images so that they scale with the screen and need no
// icon theme on the machine.
#pragma once

#include <string_view>

#include <wx/bmpbndl.h>

namespace tavolux::ui {

// The SVG text of an icon of the command table, empty for a name it does not know.
std::string_view IconSvg(std::string_view name);

// The icon as a bundle at the tool bar's default size; an invalid bundle for an unknown name.
wxBitmapBundle IconBundle(std::string_view name);

}  // namespace tavolux::ui
