// The task list window: a grid over a snapshot of the task list's rows, each with its
// thumbnail, that follows the list's notifications and hands the operator's row actions (print,
// delete, save, copies) to the list and to the main frame's command routing.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <wx/bitmap.h>
#include <wx/panel.h>

#include "platform/DibImage.h"
#include "tasks/TaskList.h"
#include "tasks/TaskListObserver.h"

class wxGrid;
class wxGridEvent;
class wxMenu;

namespace tavolux::ui {

class CTaskTable;

class CTaskView final : public wxPanel, public ITaskListObserver {
public:
    // What the window needs from the main frame.
    struct Host {
        std::function<void(int row)> selectionChanged;  // the list's selection moved (-1: none)
        std::function<void(int command)> execute;       // a command through the frame's routing
        // A message box, or a question answered true for yes.
        std::function<bool(const wxString& text, bool question)> message;
        std::function<bool()> printing;  // a print job runs
    };

    // The row actions of the row's menu, by the window id of their item.
    enum Action : int {
        kActionPrint = 1,
        kActionDelete,
        kActionDeleteAll,
        kActionSaveAll,
        kActionCopies,
    };

    // Fills itself from the list and becomes its observer.
    CTaskView(wxWindow* parent, CTaskList& list, Host host);
    ~CTaskView() override;
    CTaskView(const CTaskView&) = delete;
    CTaskView& operator=(const CTaskView&) = delete;

    // Stops following the list; the owner of the list calls it before the list goes.
    void Detach();

    void OnRowInserted(int row) override;
    void OnRowRemoved(int row) override;
    void OnRowChanged(int row) override;
    void OnSelectionChanged(int row) override;

    // What the window shows.
    int RowCount() const;
    wxString CellText(int row, int column) const;
    // The thumbnail drawn in the row's first cell (not ok when the task has none).
    const wxBitmap& Thumbnail(int row) const;
    // The row the grid shows selected, -1 when none.
    int SelectedRow() const;
    // True when every column is as wide as its title and its widest cell.
    bool ColumnsFit() const;
    wxGrid* Grid() const { return m_grid; }

    // The operator's click on a row: the list's task is selected.
    void ClickRow(int row);
    // The row's menu as it would open now (the caller owns it).
    std::unique_ptr<wxMenu> BuildRowMenu() const;
    // Runs an action of the row's menu on the selected row.
    void RunAction(int action);
    // The operator typed text into the copies cell of row. True when the copies were set.
    bool ApplyCopies(int row, const std::string& text);

private:
    // Reads every row of the list again; the thumbnails of tasks already shown are kept.
    void Sync();
    void ShowSelection(int row);
    void FitColumns();
    void OnSelectCell(wxGridEvent& event);
    void OnRightClick(wxGridEvent& event);
    void OnCellChanging(wxGridEvent& event);
    void OnEditorShown(wxGridEvent& event);
    void OnKey(wxKeyEvent& event);
    void ShowRowMenu(const wxPoint& where);
    // The selected row, when a row may be deleted or changed now; -1 after saying why not (no
    // row selected, or a job follows the rows by index).
    int RowToChange() const;
    void Delete();
    void DeleteAll();
    void EditCopies();
    bool Printing() const;
    bool Say(int stringId, bool question, const std::vector<std::string>& args = {}) const;

    CTaskList* m_list;  // null after Detach
    Host m_host;
    wxGrid* m_grid = nullptr;
    CTaskTable* m_table = nullptr;  // owned by the grid
    // Per shown row: the thumbnail image it was drawn from, and the drawing.
    std::vector<std::shared_ptr<const DibImage>> m_thumbSources;
    std::vector<wxBitmap> m_thumbs;
    wxSize m_thumbBox;
    bool m_syncing = false;  // the window moves its own selection: not the operator's click
};

}  // namespace tavolux::ui
