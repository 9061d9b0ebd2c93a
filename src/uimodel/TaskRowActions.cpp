// The task list's row actions and the copies typed into a row.
#include "uimodel/TaskRowActions.h"

#include <cctype>

#include "res/StringIds.h"
#include "tasks/TaskList.h"

namespace tavolux {

TaskRowActions OpenTaskRowActions(int selected, int count, bool printing)
{
    const bool row = selected >= 0 && selected < count;
    return {.print = row && !printing,
            .remove = row && !printing,
            .removeAll = count > 0 && !printing,
            .saveAll = count > 0,
            .copies = row && !printing};
}

std::optional<int> ParseCopies(const std::string& text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])) != 0) {
        ++first;
    }
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])) != 0) {
        --last;
    }
    if (first == last || last - first > 4) {
        return std::nullopt;  // more than four digits is out of range anyway
    }
    int value = 0;
    for (size_t i = first; i < last; ++i) {
        if (std::isdigit(static_cast<unsigned char>(text[i])) == 0) {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
    }
    if (value < kMinCopies || value > kMaxCopies) {
        return std::nullopt;
    }
    return value;
}

int ChangeTaskCopies(CTaskList& list, int index, const std::string& text, bool printing)
{
    if (printing) {
        return ids::kTaskBusyPrinting;
    }
    const std::optional<int> copies = ParseCopies(text);
    if (!copies) {
        return ids::kTaskCopiesRange;
    }
    if (index < 0 || index >= list.TaskCount()) {
        return ids::kSelectJobFirst;
    }
    return list.SetCopies(index, *copies) ? 0 : -1;
}

}  // namespace tavolux
