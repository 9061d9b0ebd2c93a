#include "ui/TaskView.h"

#include <algorithm>

#include <wx/dcclient.h>
#include <wx/grid.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/sizer.h>

#include "res/StringIds.h"
#include "res/StringTable.h"
#include "uimodel/Commands.h"
#include "uimodel/TaskRowActions.h"

namespace tavolux::ui {

namespace {

wxString Text(int id)
{
    return wxString::FromUTF8(LoadResString(id));
}

// The column titles, from the one tab-separated text the command-line list prints too.
std::vector<wxString> ColumnTitles()
{
    std::vector<wxString> titles;
    const std::string all = LoadResString(ids::kCliTaskHeader);
    size_t start = 0;
    while (titles.size() < kTaskColumns) {
        const size_t tab = all.find('\t', start);
        titles.push_back(wxString::FromUTF8(all.substr(start, tab - start)));
        if (tab == std::string::npos) {
            break;
        }
        start = tab + 1;
    }
    titles.resize(kTaskColumns);
    return titles;
}

// The thumbnail scaled to fit box, its proportions kept.
wxBitmap ThumbnailBitmap(const DibImage& dib, wxSize box)
{
    const int bytes = dib.bitsPerPixel / 8;
    if (dib.Empty() || (bytes != 3 && bytes != 4) ||
        dib.pixels.size() < dib.RowBytes() * static_cast<size_t>(dib.height)) {
        return {};
    }
    wxImage image(dib.width, dib.height, false);
    unsigned char* out = image.GetData();
    for (int y = 0; y < dib.height; ++y) {
        const uint8_t* in = dib.Row(y);
        for (int x = 0; x < dib.width; ++x, in += bytes, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    const double scale =
        std::min(static_cast<double>(box.x) / dib.width, static_cast<double>(box.y) / dib.height);
    const int w = std::max(1, static_cast<int>(dib.width * scale));
    const int h = std::max(1, static_cast<int>(dib.height * scale));
    image.Rescale(w, h, wxIMAGE_QUALITY_HIGH);
    return wxBitmap(image);
}

}  // namespace

// The rows as the window last read them; the grid draws from here, never from the list, so a
// job thread's change reaches the screen only through a notification.
class CTaskTable final : public wxGridTableBase {
public:
    CTaskTable() : m_titles(ColumnTitles()) {}

    int GetNumberRows() override { return static_cast<int>(rows.size()); }
    int GetNumberCols() override { return kTaskColumns; }
    wxString GetValue(int row, int col) override
    {
        if (row < 0 || row >= GetNumberRows() || col < 0 || col >= kTaskColumns) {
            return {};
        }
        return wxString::FromUTF8(rows[static_cast<size_t>(row)][static_cast<size_t>(col)]);
    }
    // The copies cell's editor is answered in the view, which sets the list; the list's
    // notification brings the text back here.
    void SetValue(int /*row*/, int /*col*/, const wxString& /*value*/) override {}
    wxString GetColLabelValue(int col) override
    {
        return col >= 0 && col < kTaskColumns ? m_titles[static_cast<size_t>(col)] : wxString();
    }

    std::vector<TaskRowTexts> rows;

private:
    std::vector<wxString> m_titles;
};

// The toolkit greys the selected row out while the grid has no focus, with white text on it:
// the row stays readable here with the highlight lightened and the cell's own text colour.
wxGridCellAttr* ReadableSelection(const wxGrid& grid, const wxGridCellAttr& attr, bool& isSelected)
{
    if (!isSelected || grid.HasFocus()) {
        return nullptr;
    }
    wxGridCellAttr* shown = attr.Clone();
    shown->SetBackgroundColour(
        wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT).ChangeLightness(170));
    isSelected = false;
    return shown;
}

// Every cell but the first.
class CTextRenderer final : public wxGridCellStringRenderer {
public:
    void Draw(wxGrid& grid, wxGridCellAttr& attr, wxDC& dc, const wxRect& rect, int row, int col,
              bool isSelected) override
    {
        wxGridCellAttr* shown = ReadableSelection(grid, attr, isSelected);
        wxGridCellStringRenderer::Draw(grid, shown != nullptr ? *shown : attr, dc, rect, row, col,
                                       isSelected);
        if (shown != nullptr) {
            shown->DecRef();
        }
    }
    wxGridCellRenderer* Clone() const override { return new CTextRenderer; }
};

// The first cell: the task's thumbnail, then its row number.
class CThumbnailRenderer final : public wxGridCellRenderer {
public:
    explicit CThumbnailRenderer(const CTaskView& view, wxSize box) : m_view(view), m_box(box) {}

    void Draw(wxGrid& grid, wxGridCellAttr& attr, wxDC& dc, const wxRect& rect, int row, int col,
              bool isSelected) override
    {
        wxGridCellAttr* shown = ReadableSelection(grid, attr, isSelected);
        // The background.
        wxGridCellRenderer::Draw(grid, shown != nullptr ? *shown : attr, dc, rect, row, col,
                                 isSelected);
        if (shown != nullptr) {
            shown->DecRef();
        }
        const int margin = grid.FromDIP(3);
        const wxBitmap& thumb = m_view.Thumbnail(row);
        if (thumb.IsOk()) {
            dc.DrawBitmap(thumb, rect.x + margin + (m_box.x - thumb.GetWidth()) / 2,
                          rect.y + (rect.height - thumb.GetHeight()) / 2);
        }
        wxRect text = rect;
        text.x += m_box.x + 2 * margin;
        text.width = std::max(0, text.width - m_box.x - 3 * margin);
        dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
        dc.SetTextForeground(isSelected ? grid.GetSelectionForeground() : attr.GetTextColour());
        dc.SetFont(attr.GetFont());
        grid.DrawTextRectangle(dc, grid.GetCellValue(row, col), text, wxALIGN_RIGHT,
                               wxALIGN_CENTRE);
    }

    wxSize GetBestSize(wxGrid& grid, wxGridCellAttr& attr, wxDC& dc, int row, int col) override
    {
        dc.SetFont(attr.GetFont());
        const wxSize text = dc.GetTextExtent(grid.GetCellValue(row, col));
        const int margin = grid.FromDIP(3);
        return {m_box.x + text.x + 4 * margin, std::max(m_box.y, text.y) + 2 * margin};
    }

    wxGridCellRenderer* Clone() const override { return new CThumbnailRenderer(m_view, m_box); }

private:
    const CTaskView& m_view;
    wxSize m_box;
};

CTaskView::CTaskView(wxWindow* parent, CTaskList& list, Host host)
    : wxPanel(parent), m_list(&list), m_host(std::move(host))
{
    m_thumbBox = FromDIP(wxSize(48, 32));
    m_grid = new wxGrid(this, wxID_ANY);
    m_table = new CTaskTable;
    m_grid->SetTable(m_table, true, wxGrid::wxGridSelectRows);
    m_grid->SetRowLabelSize(0);
    m_grid->SetColLabelSize(wxGRID_AUTOSIZE);
    m_grid->SetDefaultRowSize(m_thumbBox.y + FromDIP(6), true);
    m_grid->DisableDragRowSize();
    m_grid->SetCellHighlightPenWidth(0);
    m_grid->SetCellHighlightROPenWidth(0);
    for (int col = 0; col < kTaskColumns; ++col) {
        auto* attr = new wxGridCellAttr;
        attr->SetReadOnly(col != kColCopies);
        attr->SetAlignment(col == kColName ? wxALIGN_LEFT : wxALIGN_CENTRE, wxALIGN_CENTRE);
        if (col == kColNumber) {
            attr->SetRenderer(new CThumbnailRenderer(*this, m_thumbBox));
        } else {
            attr->SetRenderer(new CTextRenderer);
        }
        if (col == kColCopies) {
            attr->SetEditor(new wxGridCellTextEditor);
        }
        m_grid->SetColAttr(col, attr);
    }

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_grid, wxSizerFlags(1).Expand());
    SetSizer(sizer);

    m_grid->Bind(wxEVT_GRID_SELECT_CELL, &CTaskView::OnSelectCell, this);
    m_grid->Bind(wxEVT_GRID_CELL_RIGHT_CLICK, &CTaskView::OnRightClick, this);
    m_grid->Bind(wxEVT_GRID_CELL_CHANGING, &CTaskView::OnCellChanging, this);
    m_grid->Bind(wxEVT_GRID_EDITOR_SHOWN, &CTaskView::OnEditorShown, this);
    m_grid->Bind(wxEVT_KEY_DOWN, &CTaskView::OnKey, this);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent& event) { RunAction(event.GetId()); }, kActionPrint,
        kActionCopies);

    Sync();
    FitColumns();
    m_list->SetObserver(this);
}

CTaskView::~CTaskView()
{
    Detach();
}

void CTaskView::Detach()
{
    if (m_list != nullptr) {
        m_list->SetObserver(nullptr);
        m_list = nullptr;
    }
}

void CTaskView::Sync()
{
    if (m_list == nullptr) {
        return;
    }
    const int count = m_list->TaskCount();
    const int old = m_table->GetNumberRows();
    std::vector<TaskRowTexts> rows;
    std::vector<std::shared_ptr<const DibImage>> sources;
    std::vector<wxBitmap> thumbs;
    rows.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        rows.push_back(m_list->RowTexts(i));
        std::shared_ptr<const DibImage> source = m_list->Thumbnail(i);
        // A removal moves the rows after it up: look for the drawing by its image.
        const auto known = std::find(m_thumbSources.begin(), m_thumbSources.end(), source);
        if (source != nullptr && known != m_thumbSources.end()) {
            thumbs.push_back(m_thumbs[static_cast<size_t>(known - m_thumbSources.begin())]);
        } else {
            thumbs.push_back(source != nullptr ? ThumbnailBitmap(*source, m_thumbBox) : wxBitmap());
        }
        sources.push_back(std::move(source));
    }
    m_thumbSources = std::move(sources);
    m_thumbs = std::move(thumbs);
    m_table->rows = std::move(rows);

    m_grid->BeginBatch();
    if (count > old) {
        wxGridTableMessage message(m_table, wxGRIDTABLE_NOTIFY_ROWS_APPENDED, count - old);
        m_grid->ProcessTableMessage(message);
    } else if (count < old) {
        wxGridTableMessage message(m_table, wxGRIDTABLE_NOTIFY_ROWS_DELETED, count, old - count);
        m_grid->ProcessTableMessage(message);
    }
    m_grid->EndBatch();
    if (count != old) {
        FitColumns();  // only when rows come or go: a printing row's texts must not jiggle
    }
    m_grid->ForceRefresh();
    ShowSelection(m_list->GetSelectedTask());
}

void CTaskView::FitColumns()
{
    m_grid->BeginBatch();
    m_grid->AutoSizeColumns(false);
    // The texts a print writes into its row later need their room now.
    wxClientDC dc(m_grid);
    dc.SetFont(m_grid->GetDefaultCellFont());
    const int pad = FromDIP(12);
    const struct {
        int col;
        const char* sample;
    } later[] = {{kColRemaining, "00:00:00"}, {kColCopies, "9999(9999)"}};
    for (const auto& l : later) {
        const int need = dc.GetTextExtent(l.sample).x + pad;
        if (m_grid->GetColSize(l.col) < need) {
            m_grid->SetColSize(l.col, need);
        }
    }
    for (int col = 0; col < kTaskColumns; ++col) {
        m_grid->SetColMinimalWidth(col, m_grid->GetColSize(col));
    }
    m_grid->EndBatch();
}

bool CTaskView::ColumnsFit() const
{
    wxClientDC dc(m_grid);
    for (int col = 0; col < kTaskColumns; ++col) {
        const int width = m_grid->GetColSize(col);
        dc.SetFont(m_grid->GetLabelFont());
        if (dc.GetMultiLineTextExtent(m_table->GetColLabelValue(col)).x > width) {
            return false;
        }
        for (int row = 0; row < RowCount(); ++row) {
            wxGridCellAttr* attr = m_grid->GetOrCreateCellAttr(row, col);
            wxGridCellRenderer* renderer = attr->GetRenderer(m_grid, row, col);
            const wxSize best = renderer->GetBestSize(*m_grid, *attr, dc, row, col);
            renderer->DecRef();
            attr->DecRef();
            if (best.x > width) {
                return false;
            }
        }
    }
    return true;
}

void CTaskView::OnRowInserted(int /*row*/)
{
    Sync();
}

void CTaskView::OnRowRemoved(int /*row*/)
{
    Sync();
}

void CTaskView::OnRowChanged(int row)
{
    // Reported after the fact, maybe for a row that has gone since.
    if (m_list == nullptr || row < 0 || row >= m_table->GetNumberRows() ||
        row >= m_list->TaskCount()) {
        return;
    }
    m_table->rows[static_cast<size_t>(row)] = m_list->RowTexts(row);
    m_grid->RefreshBlock(row, 0, row, kTaskColumns - 1);
}

void CTaskView::OnSelectionChanged(int row)
{
    ShowSelection(row);
    if (m_host.selectionChanged) {
        m_host.selectionChanged(row);
    }
}

void CTaskView::ShowSelection(int row)
{
    m_syncing = true;
    if (row >= 0 && row < m_table->GetNumberRows()) {
        if (m_grid->GetGridCursorRow() != row) {
            m_grid->SetGridCursor(row, kColName);
        }
        m_grid->SelectRow(row);
        m_grid->MakeCellVisible(row, kColName);
    } else {
        m_grid->ClearSelection();
    }
    m_syncing = false;
}

void CTaskView::OnSelectCell(wxGridEvent& event)
{
    event.Skip();
    if (!m_syncing && m_list != nullptr && m_list->GetSelectedTask() != event.GetRow()) {
        m_list->SelectTask(event.GetRow());
    }
}

void CTaskView::ClickRow(int row)
{
    m_grid->SetFocus();
    m_grid->SetGridCursor(row, kColName);
    m_grid->SelectRow(row);
}

int CTaskView::RowCount() const
{
    return m_table->GetNumberRows();
}

wxString CTaskView::CellText(int row, int column) const
{
    return m_table->GetValue(row, column);
}

const wxBitmap& CTaskView::Thumbnail(int row) const
{
    static const wxBitmap none;
    return row >= 0 && row < static_cast<int>(m_thumbs.size()) ? m_thumbs[static_cast<size_t>(row)]
                                                               : none;
}

int CTaskView::SelectedRow() const
{
    const wxArrayInt rows = m_grid->GetSelectedRows();
    return rows.empty() ? -1 : rows[0];
}

bool CTaskView::Printing() const
{
    return m_host.printing && m_host.printing();
}

bool CTaskView::Say(int stringId, bool question, const std::vector<std::string>& args) const
{
    std::string text = LoadResString(stringId);
    if (!args.empty()) {
        text = FormatResString(stringId, {args.front()});
    }
    return m_host.message && m_host.message(wxString::FromUTF8(text), question);
}

std::unique_ptr<wxMenu> CTaskView::BuildRowMenu() const
{
    const int count = m_list != nullptr ? m_list->TaskCount() : 0;
    const int selected = m_list != nullptr ? m_list->GetSelectedTask() : -1;
    const TaskRowActions open = OpenTaskRowActions(selected, count, Printing());
    auto menu = std::make_unique<wxMenu>();
    const struct {
        int action;
        int textId;
        bool enabled;
    } items[] = {
        {kActionPrint, ids::kTaskMenuPrint, open.print},
        {kActionCopies, ids::kTaskMenuCopies, open.copies},
        {kActionDelete, ids::kTaskMenuDelete, open.remove},
        {kActionDeleteAll, ids::kTaskMenuDeleteAll, open.removeAll},
        {kActionSaveAll, ids::kTaskMenuSaveAll, open.saveAll},
    };
    for (const auto& item : items) {
        if (item.action == kActionDelete || item.action == kActionSaveAll) {
            menu->AppendSeparator();
        }
        menu->Append(item.action, Text(item.textId));
        menu->Enable(item.action, item.enabled);
    }
    return menu;
}

void CTaskView::OnRightClick(wxGridEvent& event)
{
    if (event.GetRow() >= 0) {
        ClickRow(event.GetRow());
    }
    ShowRowMenu(event.GetPosition());
}

void CTaskView::ShowRowMenu(const wxPoint& where)
{
    const std::unique_ptr<wxMenu> menu = BuildRowMenu();
    m_grid->PopupMenu(menu.get(), where);
}

void CTaskView::OnKey(wxKeyEvent& event)
{
    const int key = event.GetKeyCode();
    const int modifiers = event.GetModifiers();
    // The menu key or Shift+F10 opens the row's menu; F10 alone belongs to the menu bar.
    if ((key == WXK_WINDOWS_MENU && modifiers == wxMOD_NONE) ||
        (key == WXK_F10 && modifiers == wxMOD_SHIFT)) {
        const int row = std::max(m_grid->GetGridCursorRow(), 0);
        const wxRect cell = m_grid->CellToRect(row, kColName);
        ShowRowMenu(m_grid->GetGridWindow()->GetPosition() +
                    m_grid->CalcScrolledPosition(cell.GetBottomLeft()));
        return;
    }
    if (modifiers == wxMOD_NONE && (key == WXK_DELETE || key == WXK_NUMPAD_DELETE)) {
        RunAction(kActionDelete);
        return;
    }
    if (modifiers == wxMOD_NONE && key == WXK_F2) {
        RunAction(kActionCopies);
        return;
    }
    event.Skip();
}

void CTaskView::RunAction(int action)
{
    if (m_list == nullptr) {
        return;
    }
    switch (action) {
        case kActionPrint:
            // Through the frame, as the print command: its gate, its checks and messages.
            if (m_host.execute) {
                m_host.execute(cmd::kPrint);
            }
            return;
        case kActionSaveAll:
            if (m_host.execute) {
                m_host.execute(cmd::kSaveTasks);
            }
            return;
        case kActionDelete:
            Delete();
            return;
        case kActionDeleteAll:
            DeleteAll();
            return;
        case kActionCopies:
            EditCopies();
            return;
        default:
            return;
    }
}

int CTaskView::RowToChange() const
{
    const int row = m_list->GetSelectedTask();
    if (row < 0) {
        Say(ids::kSelectJobFirst, false);
        return -1;
    }
    if (Printing()) {
        Say(ids::kTaskBusyPrinting, false);
        return -1;
    }
    return row;
}

void CTaskView::Delete()
{
    const int row = RowToChange();
    if (row < 0) {
        return;
    }
    const std::string name = m_list->RowTexts(row)[kColName];
    if (Say(ids::kTaskAskDelete, true, {name})) {
        m_list->DeleteTask(row);
    }
}

void CTaskView::DeleteAll()
{
    const int count = m_list->TaskCount();
    if (count == 0) {
        return;
    }
    if (Printing()) {
        Say(ids::kTaskBusyPrinting, false);
        return;
    }
    if (Say(ids::kTaskAskDeleteAll, true, {std::to_string(count)})) {
        m_list->DeleteAllTasks();
    }
}

void CTaskView::EditCopies()
{
    const int row = RowToChange();
    if (row < 0) {
        return;
    }
    m_grid->SetFocus();
    m_syncing = true;
    m_grid->SetGridCursor(row, kColCopies);
    m_syncing = false;
    m_grid->EnableCellEditControl();
}

void CTaskView::OnEditorShown(wxGridEvent& event)
{
    if (Printing()) {
        event.Veto();
        Say(ids::kTaskBusyPrinting, false);
        return;
    }
    event.Skip();
}

void CTaskView::OnCellChanging(wxGridEvent& event)
{
    // The list holds the copies; its notification writes the cell.
    event.Veto();
    const int row = event.GetRow();
    const std::string text = event.GetString().utf8_string();
    // A message box must not open while the editor is still closing.
    CallAfter([this, row, text] { ApplyCopies(row, text); });
}

bool CTaskView::ApplyCopies(int row, const std::string& text)
{
    if (m_list == nullptr) {
        return false;
    }
    const int result = ChangeTaskCopies(*m_list, row, text, Printing());
    if (result > 0) {
        Say(result, false,
            result == ids::kTaskCopiesRange ? std::vector<std::string>{text}
                                            : std::vector<std::string>{});
    }
    return result == 0;
}

}  // namespace tavolux::ui
