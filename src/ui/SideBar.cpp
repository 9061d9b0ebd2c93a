#include "ui/SideBar.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>

#include <wx/bmpbndl.h>
#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/settings.h>
#include <wx/sizer.h>

#include "platform/ProgramDir.h"
#include "res/StringTable.h"
#include "uimodel/Commands.h"

namespace tavolux::ui {

namespace {

#define SVG_OPEN \
    R"(<svg xmlns="http://www.w3.org/2000/svg" width="24" height="24" viewBox="0 0 24 24">)"
#define SVG_CLOSE "</svg>"

// Drawn on the same 24-unit square as the tool bar's icons; shapes only.
constexpr std::pair<int, std::string_view> kSideIcons[] = {
    {cmd::kPrint, SVG_OPEN
     R"(<rect x="6" y="2" width="12" height="7" fill="#ffffff" stroke="#34495e"/>)"
     R"(<rect x="2" y="9" width="20" height="9" rx="1.5" fill="#5d6d7e" stroke="#2c3e50"/>)"
     R"(<rect x="6" y="15" width="12" height="7" fill="#ffffff" stroke="#34495e"/>)"
     R"(<path d="M8 18h8M8 20h6" stroke="#00a0e0"/>)" SVG_CLOSE},
    {cmd::kCancel, SVG_OPEN
     R"(<circle cx="12" cy="12" r="10" fill="#c0392b" stroke="#7b241c" stroke-width="1.2"/>)"
     R"(<path d="M8 8l8 8M16 8l-8 8" stroke="#ffffff" stroke-width="2.6" stroke-linecap="round"/>)" SVG_CLOSE},
    {cmd::kReset,
     SVG_OPEN R"(<path d="M19 12a7 7 0 1 1-2.1-5" fill="none" stroke="#2471a3" stroke-width="2.6" )"
              R"(stroke-linecap="round"/><path d="M20 3v6h-6z" fill="#2471a3"/>)" SVG_CLOSE},
    {cmd::kPause, SVG_OPEN
     R"(<circle cx="12" cy="12" r="10" fill="#f39c12" stroke="#9c640c" stroke-width="1.2"/>)"
     R"(<rect x="8" y="7" width="3" height="10" fill="#ffffff"/>)"
     R"(<rect x="13" y="7" width="3" height="10" fill="#ffffff"/>)" SVG_CLOSE},
    {cmd::kResume, SVG_OPEN
     R"(<circle cx="12" cy="12" r="10" fill="#27ae60" stroke="#145a32" stroke-width="1.2"/>)"
     R"(<path d="M9 7l8 5-8 5z" fill="#ffffff"/>)" SVG_CLOSE},
    {cmd::kHoriTest, SVG_OPEN
     R"(<rect x="2" y="4" width="20" height="16" fill="#ffffff" stroke="#555555"/>)"
     R"(<path d="M5 7v10M9 7v10M13 7v10M17 7v10" stroke="#00a0e0" stroke-width="1.5"/>)"
     R"(<path d="M7 9v10M11 9v10M15 9v10M19 9v10" stroke="#e0007a" stroke-width="1.5"/>)" SVG_CLOSE},
    {cmd::kStepTest,
     SVG_OPEN R"(<rect x="2" y="2" width="20" height="20" fill="#ffffff" stroke="#555555"/>)"
              R"(<path d="M4 6h16M4 10h16M4 14h16M4 18h16" stroke="#222222" stroke-width="1.5"/>)"
              R"(<path d="M20 4v16" stroke="#c0392b" stroke-width="2"/>)" SVG_CLOSE},
    {cmd::kBidiTest, SVG_OPEN
     R"(<path d="M2 8h16M14 4l5 4-5 4" fill="none" stroke="#2471a3" stroke-width="2.2"/>)"
     R"(<path d="M22 16H6M10 12l-5 4 5 4" fill="none" stroke="#27ae60" stroke-width="2.2"/>)" SVG_CLOSE},
    {cmd::kNozzleCheck,
     SVG_OPEN R"(<rect x="3" y="2" width="18" height="6" fill="#5d6d7e"/>)"
              R"(<path d="M5 10v12M8 10v12M11 10v12M14 10v12M17 10v6M20 10v12" stroke="#00a0e0" )"
              R"(stroke-width="1.6"/>)" SVG_CLOSE},
    {cmd::kVerticalCheck,
     SVG_OPEN R"(<rect x="2" y="2" width="20" height="20" fill="#ffffff" stroke="#555555"/>)"
              R"(<path d="M7 4v16" stroke="#00a0e0" stroke-width="2"/>)"
              R"(<path d="M12 4v16" stroke="#e0007a" stroke-width="2"/>)"
              R"(<path d="M17 4v16" stroke="#f0d000" stroke-width="2"/>)" SVG_CLOSE},
    {cmd::kHeadOffsetCheck,
     SVG_OPEN R"(<path d="M3 5l7-1 2 16-7 1z" fill="#5d6d7e"/>)"
              R"(<rect x="13" y="4" width="8" height="16" fill="#85929e"/>)" SVG_CLOSE},
    {cmd::kPlatformCheck, SVG_OPEN
     R"(<path d="M2 16l10-5 10 5-10 5z" fill="#aab7b8" stroke="#566573"/>)"
     R"(<path d="M12 2v8M9 7l3 3 3-3" fill="none" stroke="#27ae60" stroke-width="2"/>)" SVG_CLOSE},
    {cmd::kAngleCalibration, SVG_OPEN
     R"(<path d="M3 21h18M3 21L17 5" fill="none" stroke="#34495e" stroke-width="2"/>)"
     R"(<path d="M10 21a7 7 0 0 0-2.2-5" fill="none" stroke="#c0392b" stroke-width="2"/>)" SVG_CLOSE},
    {cmd::kBeamRaise,
     SVG_OPEN R"(<rect x="2" y="15" width="20" height="5" fill="#7f8c8d" stroke="#3d4648"/>)"
              R"(<path d="M12 2l6 7h-4v4h-4V9H6z" fill="#27ae60" stroke="#145a32"/>)" SVG_CLOSE},
    {cmd::kBeamLower,
     SVG_OPEN R"(<rect x="2" y="4" width="20" height="5" fill="#7f8c8d" stroke="#3d4648"/>)"
              R"(<path d="M12 22l6-7h-4v-4h-4v4H6z" fill="#e67e22" stroke="#935116"/>)" SVG_CLOSE},
    {cmd::kFrontBeam, SVG_OPEN
     R"(<rect x="2" y="4" width="20" height="5" fill="#7f8c8d" stroke="#3d4648"/>)"
     R"(<circle cx="14" cy="16" r="5" fill="#ecf0f1" stroke="#3d4648" stroke-width="1.5"/>)"
     R"(<circle cx="14" cy="16" r="1.8" fill="#3d4648"/>)"
     R"(<path d="M14 9.5v2M14 20.5v2M7.5 16h2M18.5 16h2" stroke="#3d4648" stroke-width="2"/>)" SVG_CLOSE},
};

#undef SVG_OPEN
#undef SVG_CLOSE

wxBitmapBundle SideIcon(int command)
{
    const std::string_view svg = SideBarIconSvg(command);
    if (svg.empty()) {
        return {};
    }
    std::string text(svg);  // the reader parses in place
    return wxBitmapBundle::FromSVG(text.data(), wxSize(32, 32));
}

// Every text id the bar shows.
std::vector<int> LabelIds(const std::vector<SideFolderModel>& folders)
{
    std::vector<int> ids;
    for (const SideFolderModel& f : folders) {
        ids.push_back(f.titleId);
        for (const SideItem& item : f.items) {
            ids.push_back(item.textId);
        }
    }
    return ids;
}

// The labels in Chinese and, when its table is at hand, in English, whichever is shown now.
std::vector<std::string> LabelsInBothLanguages(const std::vector<int>& ids)
{
    std::vector<std::string> labels;
    for (const int id : ids) {
        for (const auto& [key, text] : ChineseStrings()) {
            if (key == id) {
                labels.emplace_back(text);
            }
        }
        labels.push_back(LoadResString(id));
    }
    std::ifstream in(FindDataFile(kEnglishFileName), std::ios::binary);
    const std::string english{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (const auto& [key, text] : ParseStringTable(english)) {
        if (std::find(ids.begin(), ids.end(), key) != ids.end()) {
            labels.push_back(text);
        }
    }
    return labels;
}

}  // namespace

std::string_view SideBarIconSvg(int command)
{
    for (const auto& [id, svg] : kSideIcons) {
        if (id == command) {
            return svg;
        }
    }
    return {};
}

CSideBar::CSideBar(wxWindow* parent, std::vector<SideFolderModel> folders, FolderOpened opened,
                   ItemClicked clicked)
    : wxPanel(parent),
      m_folders(std::move(folders)),
      m_opened(std::move(opened)),
      m_clicked(std::move(clicked))
{
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
    m_sizer = new wxBoxSizer(wxVERTICAL);
    SetSizer(m_sizer);
    m_labelWidth = MeasureLabels();
    SetMinSize(wxSize(m_labelWidth, -1));
    if (!m_folders.empty()) {
        m_open = static_cast<int>(m_folders.front().folder);
    }
    Rebuild();
}

int CSideBar::MeasureLabels() const
{
    wxClientDC dc(const_cast<CSideBar*>(this));
    dc.SetFont(GetFont());
    int widest = 0;
    for (const std::string& label : LabelsInBothLanguages(LabelIds(m_folders))) {
        widest = std::max(widest, dc.GetTextExtent(wxString::FromUTF8(label)).x);
    }
    // The icon is narrower than most labels; a button pads its label on both sides, and the
    // bar keeps a margin to the window's edge.
    widest = std::max(widest, FromDIP(32));
    return widest + FromDIP(48);
}

void CSideBar::OpenFolder(int folder)
{
    if (folder == m_open) {
        return;
    }
    m_open = folder;
    Rebuild();
    if (m_opened) {
        m_opened(folder);
    }
}

void CSideBar::Rebuild()
{
    Freeze();
    // The headers stay (one of them may be reporting its click now); only the items go.
    m_sizer->Clear(false);
    if (m_itemPanel != nullptr) {
        m_itemPanel->Destroy();
        m_itemPanel = nullptr;
    }
    m_items.clear();
    if (m_headers.empty()) {
        for (const SideFolderModel& f : m_folders) {
            const int number = static_cast<int>(f.folder);
            auto* header =
                new wxButton(this, wxID_ANY, wxString::FromUTF8(LoadResString(f.titleId)));
            header->Bind(wxEVT_BUTTON, [this, number](wxCommandEvent&) { OpenFolder(number); });
            m_headers.push_back(header);
        }
    }
    const wxSizerFlags wide = wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT, FromDIP(2));
    for (size_t h = 0; h < m_folders.size(); ++h) {
        const SideFolderModel& f = m_folders[h];
        const int number = static_cast<int>(f.folder);
        m_sizer->Add(m_headers[h], wide);
        if (number != m_open) {
            continue;
        }
        // The open folder's items fill the room between its header and the next one.
        m_itemPanel = new wxPanel(this);
        m_itemPanel->SetBackgroundColour(GetBackgroundColour());
        auto* column = new wxBoxSizer(wxVERTICAL);
        for (size_t i = 0; i < f.items.size(); ++i) {
            const SideItem& item = f.items[i];
            auto* button =
                new wxButton(m_itemPanel, wxID_ANY, wxString::FromUTF8(LoadResString(item.textId)),
                             wxDefaultPosition, wxDefaultSize, wxBORDER_NONE);
            const wxBitmapBundle icon = SideIcon(item.id);
            if (icon.IsOk()) {
                button->SetBitmap(icon);
                button->SetBitmapPosition(wxTOP);
            }
            button->SetBackgroundColour(GetBackgroundColour());
            const int index = static_cast<int>(i);
            button->Bind(wxEVT_BUTTON, [this, number, index](wxCommandEvent&) {
                if (m_clicked) {
                    m_clicked(number, index);
                }
            });
            m_items.push_back(button);
            column->Add(button, wxSizerFlags().Expand().Border(wxTOP, FromDIP(6)));
        }
        m_itemPanel->SetSizer(column);
        m_sizer->Add(m_itemPanel, wxSizerFlags(1).Expand());
    }
    if (m_itemPanel == nullptr) {
        m_sizer->AddStretchSpacer();
    }
    Layout();
    Thaw();
}

}  // namespace tavolux::ui
