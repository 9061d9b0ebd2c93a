#include "ui/WxDialog.h"

#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/ctrlsub.h>
#include <wx/msgdlg.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>

namespace tavolux::ui {

CWxDialog::CWxDialog(wxWindow* parent, const wxString& title)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE),
      m_tick(this)
{
    Bind(wxEVT_BUTTON, &CWxDialog::OnControl, this);
    Bind(wxEVT_RADIOBUTTON, &CWxDialog::OnControl, this);
    Bind(wxEVT_CHECKBOX, &CWxDialog::OnControl, this);
    Bind(wxEVT_CHOICE, &CWxDialog::OnControl, this);
    Bind(wxEVT_COMBOBOX, &CWxDialog::OnControl, this);
    Bind(wxEVT_LISTBOX, &CWxDialog::OnControl, this);
    Bind(wxEVT_TOGGLEBUTTON, &CWxDialog::OnControl, this);
    Bind(wxEVT_CLOSE_WINDOW, &CWxDialog::OnClose, this);
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        if (m_model) {
            m_model->Tick();
        }
    });
}

CWxDialog::~CWxDialog()
{
    m_tick.Stop();
    // The model may still touch controls while it ends its wait: it goes before the windows.
    m_model.reset();
}

void CWxDialog::AddControl(int id, wxWindow* control)
{
    m_byId[id] = control;
}

wxWindow* CWxDialog::FindControl(int id) const
{
    const auto it = m_byId.find(id);
    return it == m_byId.end() ? nullptr : it->second;
}

int CWxDialog::IdOf(const wxWindow* control) const
{
    for (const auto& [id, window] : m_byId) {
        if (window == control) {
            return id;
        }
    }
    return 0;
}

int CWxDialog::Run()
{
    if (m_model) {
        m_model->OnInit();
    }
    if (m_ended) {
        return m_endCode;
    }
    if (GetSizer() != nullptr) {
        GetSizer()->SetSizeHints(this);
    }
    CentreOnParent();
    m_tick.Start(kTickMs);
    const int shown = ShowModal();
    m_tick.Stop();
    return m_ended ? m_endCode : shown;
}

void CWxDialog::ControlUsed(int id)
{
    if (m_model && !m_ended) {
        m_model->OnCommand(id);
    }
}

void CWxDialog::OnControl(wxCommandEvent& event)
{
    const int id = IdOf(dynamic_cast<wxWindow*>(event.GetEventObject()));
    if (id == 0) {
        event.Skip();
        return;
    }
    ControlUsed(id);
}

void CWxDialog::OnClose(wxCloseEvent& event)
{
    if (m_ended) {
        return;
    }
    if (!m_model || m_model->OnClose()) {
        // A model that agreed without ending the dialog leaves it as cancelled.
        if (!m_ended) {
            m_controls.EndDialog(dialog::kCancel);
        }
        return;
    }
    if (event.CanVeto()) {
        event.Veto();
    }
}

void CWxDialog::FitContent()
{
    if (GetSizer() == nullptr) {
        return;
    }
    Layout();
    const wxSize need = GetSizer()->GetMinSize();
    const wxSize have = GetClientSize();
    if (need.x > have.x || need.y > have.y) {
        SetClientSize(wxSize(std::max(need.x, have.x), std::max(need.y, have.y)));
        Layout();
    }
}

// The controls. A control that was never registered reads as empty and ignores writes, as a
// missing control of a resource dialog would.

std::string CWxDialog::CControls::GetText(int id) const
{
    const wxWindow* w = m_dialog.FindControl(id);
    if (const auto* text = dynamic_cast<const wxTextCtrl*>(w)) {
        return text->GetValue().utf8_string();
    }
    if (const auto* combo = dynamic_cast<const wxComboBox*>(w)) {
        return combo->GetValue().utf8_string();
    }
    return {};
}

void CWxDialog::CControls::SetText(int id, const std::string& text)
{
    wxWindow* w = m_dialog.FindControl(id);
    if (auto* edit = dynamic_cast<wxTextCtrl*>(w)) {
        // Not an edit of the operator's: the model hears of no change.
        edit->ChangeValue(wxString::FromUTF8(text));
    } else if (auto* combo = dynamic_cast<wxComboBox*>(w)) {
        combo->ChangeValue(wxString::FromUTF8(text));
    }
}

std::string CWxDialog::CControls::GetLabel(int id) const
{
    const wxWindow* w = m_dialog.FindControl(id);
    if (const auto* text = dynamic_cast<const wxStaticText*>(w)) {
        return text->GetLabelText().utf8_string();
    }
    return w != nullptr ? w->GetLabel().utf8_string() : std::string();
}

void CWxDialog::CControls::SetLabel(int id, const std::string& label)
{
    wxWindow* w = m_dialog.FindControl(id);
    if (w == nullptr) {
        return;
    }
    if (auto* text = dynamic_cast<wxStaticText*>(w)) {
        text->SetLabelText(wxString::FromUTF8(label));  // no mnemonics in a plain text
    } else {
        w->SetLabel(wxString::FromUTF8(label));
    }
    w->InvalidateBestSize();
    m_dialog.FitContent();
}

void CWxDialog::CControls::SetChoices(int id, const std::vector<std::string>& items)
{
    if (auto* list = dynamic_cast<wxItemContainer*>(m_dialog.FindControl(id))) {
        wxArrayString strings;
        for (const std::string& item : items) {
            strings.Add(wxString::FromUTF8(item));
        }
        list->Set(strings);
        m_dialog.FitContent();
    }
}

int CWxDialog::CControls::GetSelection(int id) const
{
    const auto* list = dynamic_cast<const wxItemContainerImmutable*>(m_dialog.FindControl(id));
    return list != nullptr ? list->GetSelection() : -1;
}

void CWxDialog::CControls::SetSelection(int id, int index)
{
    if (auto* list = dynamic_cast<wxItemContainerImmutable*>(m_dialog.FindControl(id))) {
        list->SetSelection(index < 0 ? wxNOT_FOUND : index);
    }
}

bool CWxDialog::CControls::GetCheck(int id) const
{
    const wxWindow* w = m_dialog.FindControl(id);
    if (const auto* check = dynamic_cast<const wxCheckBox*>(w)) {
        return check->GetValue();
    }
    if (const auto* radio = dynamic_cast<const wxRadioButton*>(w)) {
        return radio->GetValue();
    }
    if (const auto* toggle = dynamic_cast<const wxToggleButton*>(w)) {
        return toggle->GetValue();
    }
    return false;
}

void CWxDialog::CControls::SetCheck(int id, bool checked)
{
    wxWindow* w = m_dialog.FindControl(id);
    if (auto* check = dynamic_cast<wxCheckBox*>(w)) {
        check->SetValue(checked);
    } else if (auto* radio = dynamic_cast<wxRadioButton*>(w)) {
        // A radio button is cleared by checking another of its group.
        if (checked) {
            radio->SetValue(true);
        }
    } else if (auto* toggle = dynamic_cast<wxToggleButton*>(w)) {
        toggle->SetValue(checked);
    }
}

bool CWxDialog::CControls::IsEnabled(int id) const
{
    const wxWindow* w = m_dialog.FindControl(id);
    return w != nullptr && w->IsThisEnabled();
}

void CWxDialog::CControls::Enable(int id, bool enabled)
{
    if (wxWindow* w = m_dialog.FindControl(id)) {
        w->Enable(enabled);
    }
}

bool CWxDialog::CControls::IsShown(int id) const
{
    const wxWindow* w = m_dialog.FindControl(id);
    return w != nullptr && w->IsShown();
}

void CWxDialog::CControls::Show(int id, bool shown)
{
    if (wxWindow* w = m_dialog.FindControl(id); w != nullptr && w->IsShown() != shown) {
        w->Show(shown);
        m_dialog.Layout();
    }
}

void CWxDialog::CControls::SetFocus(int id)
{
    if (wxWindow* w = m_dialog.FindControl(id)) {
        w->SetFocus();
    }
}

void CWxDialog::CControls::SetTitle(const std::string& title)
{
    m_dialog.SetTitle(wxString::FromUTF8(title));
}

void CWxDialog::CControls::ShowMessage(const std::string& text)
{
    if (m_dialog.m_sink) {
        m_dialog.m_sink(text);
        return;
    }
    wxMessageBox(wxString::FromUTF8(text), m_dialog.GetTitle(), wxOK | wxICON_INFORMATION,
                 &m_dialog);
}

void CWxDialog::CControls::EndDialog(int code)
{
    if (m_dialog.m_ended) {
        return;
    }
    m_dialog.m_ended = true;
    m_dialog.m_endCode = code;
    m_dialog.m_tick.Stop();
    if (m_dialog.IsModal()) {
        m_dialog.EndModal(code);
    }
}

}  // namespace tavolux::ui
