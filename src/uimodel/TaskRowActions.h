// What the task list window lets the operator do with its rows, decided without a toolkit: which
// row actions are open now, and the copies typed into a row.
#pragma once

#include <optional>
#include <string>

namespace tavolux {

class CTaskList;

inline constexpr int kMinCopies = 1;
inline constexpr int kMaxCopies = 9999;

// The row actions open to the operator.
struct TaskRowActions {
    bool print = false;      // the selected task
    bool remove = false;     // the selected task
    bool removeAll = false;  // every task
    bool saveAll = false;    // every task
    bool copies = false;     // the selected task's copies

    bool operator==(const TaskRowActions&) const = default;
};

// selected: the selected row (-1: none); count: the rows; printing: a job runs. While a job runs
// its row feedback follows a row by its index, so nothing may remove rows or change copies then.
TaskRowActions OpenTaskRowActions(int selected, int count, bool printing);

// The copies the operator typed: a whole number kMinCopies..kMaxCopies, blanks around it
// allowed; nothing otherwise.
std::optional<int> ParseCopies(const std::string& text);

// Sets the copies of the list's task at index from what the operator typed and saves them.
// Returns 0 when they were set, or the string id of the refusal (a text out of range, a job
// running); a failed save has shown its own message and returns -1. Nothing changes on refusal.
int ChangeTaskCopies(CTaskList& list, int index, const std::string& text, bool printing);

}  // namespace tavolux
