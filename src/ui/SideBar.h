// The side bar: three folders shown as headers, the open folder's items as buttons with an icon
// above their text. It knows nothing of what an item does: a click reports the folder and the
// item's index in the menu model's list, and the frame routes it through its model.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <wx/panel.h>

#include "uimodel/MenuModel.h"

class wxButton;
class wxBoxSizer;

namespace tavolux::ui {

class CSideBar : public wxPanel {
public:
    using FolderOpened = std::function<void(int folder)>;
    using ItemClicked = std::function<void(int folder, int index)>;

    CSideBar(wxWindow* parent, std::vector<SideFolderModel> folders, FolderOpened opened,
             ItemClicked clicked);

    // Opens folder (its number, as SideFolder numbers it), as a click on its header does.
    void OpenFolder(int folder);
    int OpenFolderNumber() const { return m_open; }

    const std::vector<SideFolderModel>& Folders() const { return m_folders; }
    // The headers in folder order, and the open folder's item buttons in item order.
    const std::vector<wxButton*>& Headers() const { return m_headers; }
    const std::vector<wxButton*>& Items() const { return m_items; }

    // The width of the widest label in either language, with the room an item needs around
    // it; the bar is never narrower, so switching the language never clips a label.
    int LabelWidth() const { return m_labelWidth; }

private:
    void Rebuild();
    int MeasureLabels() const;

    std::vector<SideFolderModel> m_folders;
    FolderOpened m_opened;
    ItemClicked m_clicked;
    int m_open = 0;
    int m_labelWidth = 0;
    wxBoxSizer* m_sizer = nullptr;
    wxPanel* m_itemPanel = nullptr;
    std::vector<wxButton*> m_headers;
    std::vector<wxButton*> m_items;
};

// The SVG text of the side-bar icon of command, empty when it has none.
std::string_view SideBarIconSvg(int command);

}  // namespace tavolux::ui
