#include "ui/PurgeDialog.h"

#include <string>

#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "device/KtUSB.h"
#include "device/ReplyEvents.h"
#include "uimodel/PrinterSession.h"
#include "uimodel/PurgeDialogModel.h"

namespace tavolux::ui {

namespace {

using Purge = CPurgeDialogModel;

// The colour each cleaning button shows, in the order of the model's buttons, then the spare.
constexpr const char* kInks[] = {"#00a0e0", "#e0007a", "#f0d000", "#222222",
                                 "#7fd0f0", "#f080c0", "#bdc3c7"};

wxBitmapBundle InkDrop(const char* colour)
{
    std::string svg =
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="24" height="24" viewBox="0 0 24 24">)"
        R"(<path d="M12 2C9 7 5 11 5 15a7 7 0 0 0 14 0c0-4-4-8-7-13z" fill=")" +
        std::string(colour) + R"(" stroke="#333333" stroke-width="1"/></svg>)";
    return wxBitmapBundle::FromSVG(svg.data(), wxSize(32, 32));
}

}  // namespace

CPurgeDialog::CPurgeDialog(wxWindow* parent, CPrinterSession& session, ReplyEvents& events,
                           CUiDispatcher& dispatcher, IClock& clock, int colorNo)
    : CWxDialog(parent, wxString())
{
    auto* top = new wxBoxSizer(wxVERTICAL);
    auto* colours = new wxBoxSizer(wxHORIZONTAL);
    int ink = 0;
    for (const int id : Purge::kColourButtons) {
        auto* button = new wxBitmapButton(this, wxID_ANY, InkDrop(kInks[ink++]));
        AddControl(id, button);
        colours->Add(button, wxSizerFlags().Border(wxALL, FromDIP(3)));
    }
    auto* spare = new wxBitmapButton(this, wxID_ANY, InkDrop(kInks[ink]));
    AddControl(Purge::kSpareButton, spare);
    colours->Add(spare, wxSizerFlags().Border(wxALL, FromDIP(3)));
    top->Add(colours, wxSizerFlags().Border(wxALL).Center());

    auto* kinds = new wxBoxSizer(wxHORIZONTAL);
    auto* longer =
        new wxRadioButton(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
    auto* shorter = new wxRadioButton(this, wxID_ANY, wxString());
    AddControl(Purge::kLongCleaning, longer);
    AddControl(Purge::kShortCleaning, shorter);
    kinds->Add(longer, wxSizerFlags().Border(wxRIGHT, FromDIP(16)));
    kinds->Add(shorter);
    top->Add(kinds, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxBOTTOM).Center());

    auto* status = new wxStaticText(this, wxID_ANY, wxString());
    AddControl(Purge::kStatusText, status);
    top->Add(status, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxBOTTOM).Expand());

    auto* back = new wxButton(this, wxID_ANY, wxString());
    AddControl(Purge::kReturn, back);
    top->Add(back, wxSizerFlags().Border(wxALL).Right());
    SetSizer(top);

    SetModel(std::make_unique<Purge>(Controls(), dispatcher, clock, session.Machine(),
                                     session.Device(), events.CleanAck, colorNo));
}

}  // namespace tavolux::ui
