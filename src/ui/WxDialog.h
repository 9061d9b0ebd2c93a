// A dialog window for a dialog model: its controls are registered under the model's control ids,
// the model reads and writes them through the toolkit-free control interface, and what the
// operator does (a button, a radio button, a check box, a choice, the close box) goes to the
// model. Every dialog of the program is built on it; a dialog only lays out its controls.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include <wx/dialog.h>
#include <wx/timer.h>

#include "uimodel/DialogControls.h"
#include "uimodel/DialogModel.h"

namespace tavolux::ui {

class CWxDialog : public wxDialog {
public:
    // Where the model's messages go; empty: a message box over the dialog.
    using MessageSink = std::function<void(const std::string& text)>;
    // How often the model's timers are looked at.
    static constexpr int kTickMs = 50;

    CWxDialog(wxWindow* parent, const wxString& title);
    ~CWxDialog() override;

    // Registers control under the model's id. The control's own window id is not used.
    void AddControl(int id, wxWindow* control);
    wxWindow* FindControl(int id) const;
    // The model's id of a registered control, 0 for another window.
    int IdOf(const wxWindow* control) const;

    // The interface the model is made with.
    IDialogControls& Controls() { return m_controls; }
    // Takes the model, made on Controls().
    void SetModel(std::unique_ptr<CDialogModel> model) { m_model = std::move(model); }
    CDialogModel* Model() { return m_model.get(); }
    void SetMessageSink(MessageSink sink) { m_sink = std::move(sink); }

    // Lets the model fill the controls and start its work, then shows the dialog modally.
    // Returns the code the model ended it with (dialog::kOk...); a model that ends the dialog
    // while starting returns without showing it.
    int Run();
    bool Ended() const { return m_ended; }
    int EndCode() const { return m_endCode; }

    // Reports a control's event to the model as the operator's action would (tests use it).
    void ControlUsed(int id);

private:
    class CControls final : public IDialogControls {
    public:
        explicit CControls(CWxDialog& dialog) : m_dialog(dialog) {}
        std::string GetText(int id) const override;
        void SetText(int id, const std::string& text) override;
        std::string GetLabel(int id) const override;
        void SetLabel(int id, const std::string& label) override;
        void SetChoices(int id, const std::vector<std::string>& items) override;
        int GetSelection(int id) const override;
        void SetSelection(int id, int index) override;
        bool GetCheck(int id) const override;
        void SetCheck(int id, bool checked) override;
        bool IsEnabled(int id) const override;
        void Enable(int id, bool enabled) override;
        bool IsShown(int id) const override;
        void Show(int id, bool shown) override;
        void SetFocus(int id) override;
        void SetTitle(const std::string& title) override;
        void ShowMessage(const std::string& text) override;
        void EndDialog(int code) override;

    private:
        CWxDialog& m_dialog;
    };

    void OnControl(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    // Grows the window when its controls need more room than it has.
    void FitContent();

    CControls m_controls{*this};
    std::map<int, wxWindow*> m_byId;
    std::unique_ptr<CDialogModel> m_model;
    MessageSink m_sink;
    wxTimer m_tick;
    bool m_ended = false;
    int m_endCode = dialog::kCancel;
};

}  // namespace tavolux::ui
