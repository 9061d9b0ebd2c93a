// The window-less control set.
#include "uimodel/DialogControls.h"

#include <algorithm>

namespace tavolux {

void CFakeDialogControls::Add(std::initializer_list<int> ids)
{
    for (const int id : ids) {
        m_controls.try_emplace(id);
    }
}

bool CFakeDialogControls::Has(int id) const
{
    return m_controls.count(id) != 0;
}

const CFakeDialogControls::Control* CFakeDialogControls::Find(int id) const
{
    const auto it = m_controls.find(id);
    if (it == m_controls.end()) {
        if (std::find(m_unknown.begin(), m_unknown.end(), id) == m_unknown.end()) {
            m_unknown.push_back(id);
        }
        return nullptr;
    }
    return &it->second;
}

CFakeDialogControls::Control* CFakeDialogControls::Find(int id)
{
    return const_cast<Control*>(static_cast<const CFakeDialogControls*>(this)->Find(id));
}

const CFakeDialogControls::Control& CFakeDialogControls::Get(int id) const
{
    static const Control kNone;
    const Control* c = Find(id);
    return c ? *c : kNone;
}

std::string CFakeDialogControls::GetText(int id) const
{
    return Get(id).text;
}

void CFakeDialogControls::SetText(int id, const std::string& text)
{
    if (Control* c = Find(id)) {
        c->text = text;
    }
}

std::string CFakeDialogControls::GetLabel(int id) const
{
    return Get(id).label;
}

void CFakeDialogControls::SetLabel(int id, const std::string& label)
{
    if (Control* c = Find(id)) {
        c->label = label;
    }
}

void CFakeDialogControls::SetChoices(int id, const std::vector<std::string>& items)
{
    if (Control* c = Find(id)) {
        c->choices = items;
        c->selection = -1;
    }
}

int CFakeDialogControls::GetSelection(int id) const
{
    return Get(id).selection;
}

void CFakeDialogControls::SetSelection(int id, int index)
{
    if (Control* c = Find(id)) {
        // As a real list does: an index outside the items selects nothing.
        const bool inRange = index >= 0 && static_cast<size_t>(index) < c->choices.size();
        c->selection = inRange ? index : -1;
    }
}

bool CFakeDialogControls::GetCheck(int id) const
{
    return Get(id).checked;
}

void CFakeDialogControls::SetCheck(int id, bool checked)
{
    if (Control* c = Find(id)) {
        c->checked = checked;
    }
}

bool CFakeDialogControls::IsEnabled(int id) const
{
    return Get(id).enabled;
}

void CFakeDialogControls::Enable(int id, bool enabled)
{
    if (Control* c = Find(id)) {
        c->enabled = enabled;
    }
}

bool CFakeDialogControls::IsShown(int id) const
{
    return Get(id).shown;
}

void CFakeDialogControls::Show(int id, bool shown)
{
    if (Control* c = Find(id)) {
        c->shown = shown;
    }
}

void CFakeDialogControls::SetFocus(int id)
{
    if (Find(id)) {
        m_focus = id;
    }
}

void CFakeDialogControls::SetTitle(const std::string& title)
{
    m_title = title;
}

void CFakeDialogControls::ShowMessage(const std::string& text)
{
    m_messages.push_back(text);
}

void CFakeDialogControls::EndDialog(int code)
{
    if (!m_end) {
        m_end = code;
    }
}

}  // namespace tavolux
