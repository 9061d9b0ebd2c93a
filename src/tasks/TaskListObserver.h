// How a view (the grid of the GUI, the CLI) learns that rows of the task list changed.
#pragma once

namespace tavolux {

// Called on the user-interface thread (through the UI facade), after the change, with the
// list unlocked: the observer reads the new texts through CTaskList.
class ITaskListObserver {
public:
    virtual ~ITaskListObserver() = default;
    // A row was inserted at row; the rows after it moved down and were renumbered.
    virtual void OnRowInserted(int row) = 0;
    // The row was removed; the rows after it moved up and were renumbered.
    virtual void OnRowRemoved(int row) = 0;
    // Texts of the row changed (state, remaining time).
    virtual void OnRowChanged(int row) = 0;
    // The selection moved to row (-1: none).
    virtual void OnSelectionChanged(int row) = 0;
};

}  // namespace tavolux
