// The controls of a dialog as its model sees them: read and written by control id, with no
// toolkit behind the interface. The wx dialogs implement it; tests use CFakeDialogControls.
#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavolux {

// Ends of a dialog, as its buttons name them.
namespace dialog {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
}  // namespace dialog

class IDialogControls {
public:
    virtual ~IDialogControls() = default;

    // Edit fields. A control that has no text reads as empty.
    virtual std::string GetText(int id) const = 0;
    virtual void SetText(int id, const std::string& text) = 0;
    // The caption of a button, check box or static text.
    virtual std::string GetLabel(int id) const = 0;
    virtual void SetLabel(int id, const std::string& label) = 0;
    // Lists and combo boxes: the items, and the selected index (-1: none).
    virtual void SetChoices(int id, const std::vector<std::string>& items) = 0;
    virtual int GetSelection(int id) const = 0;
    virtual void SetSelection(int id, int index) = 0;
    // Check boxes and radio buttons.
    virtual bool GetCheck(int id) const = 0;
    virtual void SetCheck(int id, bool checked) = 0;
    virtual bool IsEnabled(int id) const = 0;
    virtual void Enable(int id, bool enabled) = 0;
    virtual bool IsShown(int id) const = 0;
    virtual void Show(int id, bool shown) = 0;
    virtual void SetFocus(int id) = 0;

    // The dialog itself: its title, a message box over it, and its end with a code (kOk...).
    virtual void SetTitle(const std::string& title) = 0;
    virtual void ShowMessage(const std::string& text) = 0;
    virtual void EndDialog(int code) = 0;
};

// A dialog with no window: controls live in a map, declared by the test with Add. Using an id
// that was never added is remembered (UnknownIds) instead of failing, so a test can assert that
// a model touches only the controls its dialog has.
class CFakeDialogControls final : public IDialogControls {
public:
    struct Control {
        std::string text;
        std::string label;
        std::vector<std::string> choices;
        int selection = -1;
        bool checked = false;
        bool enabled = true;
        bool shown = true;
    };

    // Declares controls (enabled, shown, empty).
    void Add(std::initializer_list<int> ids);
    bool Has(int id) const;
    const Control& Get(int id) const;  // an empty control for an unknown id

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

    const std::string& Title() const { return m_title; }
    const std::vector<std::string>& Messages() const { return m_messages; }
    std::optional<int> EndCode() const { return m_end; }
    int Focus() const { return m_focus; }
    const std::vector<int>& UnknownIds() const { return m_unknown; }

private:
    Control* Find(int id);
    const Control* Find(int id) const;

    std::map<int, Control> m_controls;
    std::string m_title;
    std::vector<std::string> m_messages;
    std::optional<int> m_end;
    int m_focus = 0;
    mutable std::vector<int> m_unknown;
};

}  // namespace tavolux
