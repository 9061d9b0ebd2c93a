// The about box: the program's icon, its name and version, and what it is, in the operator's
// language.
#pragma once

#include <wx/string.h>

class wxWindow;

namespace tavolux::ui {

// Shows the about box modally over parent; versionText is the name and version line.
void ShowAboutBox(wxWindow* parent, const wxString& versionText);

}  // namespace tavolux::ui
