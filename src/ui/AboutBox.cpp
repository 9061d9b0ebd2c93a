#include "ui/AboutBox.h"

#include <string>

#include <wx/bmpbndl.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "res/StringIds.h"
#include "res/StringTable.h"
#include "ui/SideBar.h"
#include "uimodel/Commands.h"

namespace tavolux::ui {

namespace {

wxString Text(int id)
{
    return wxString::FromUTF8(LoadResString(id));
}

}  // namespace

void ShowAboutBox(wxWindow* parent, const wxString& versionText)
{
    wxDialog box(parent, wxID_ANY, Text(ids::kUiAboutTitle));
    auto* top = new wxBoxSizer(wxVERTICAL);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    // The printer, as the side bar draws it, stands for the program.
    std::string svg(SideBarIconSvg(cmd::kPrint));
    auto* icon =
        new wxStaticBitmap(&box, wxID_ANY, wxBitmapBundle::FromSVG(svg.data(), wxSize(48, 48)));
    row->Add(icon, wxSizerFlags().Border(wxALL, box.FromDIP(12)).Top());

    auto* lines = new wxBoxSizer(wxVERTICAL);
    auto* name = new wxStaticText(&box, wxID_ANY, wxString());
    name->SetLabelText(versionText);
    name->SetFont(name->GetFont().Scaled(1.4F).Bold());
    lines->Add(name, wxSizerFlags().Border(wxBOTTOM));
    auto* what = new wxStaticText(&box, wxID_ANY, wxString());
    what->SetLabelText(Text(ids::kUiAboutLine));
    lines->Add(what);
    row->Add(lines, wxSizerFlags(1).Border(wxTOP | wxRIGHT | wxBOTTOM, box.FromDIP(12)));
    top->Add(row, wxSizerFlags(1).Expand());

    auto* ok = new wxButton(&box, wxID_OK, Text(ids::kUiOk));
    ok->SetDefault();
    top->Add(ok, wxSizerFlags().Border(wxALL).Right());
    box.SetSizerAndFit(top);
    box.CentreOnParent();
    box.ShowModal();
}

}  // namespace tavolux::ui
