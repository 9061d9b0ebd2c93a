// The task list: every opened RIP file as a task with its row texts and thumbnail, kept in
// Works/Tasks.dat across restarts. The grid of the GUI and the CLI show it through an observer.
#pragma once

#include <array>
#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/DibImage.h"
#include "print/RipHeader.h"
#include "tasks/TaskFile.h"
#include "tasks/TaskListObserver.h"
#include "tasks/TaskRecord.h"

namespace tavolux {

class CPrinterConfig;

inline constexpr int kTaskColumns = 12;
using TaskRowTexts = std::array<std::string, kTaskColumns>;

// Columns of a task row.
enum TaskColumn : int {
    kColNumber = 0,      // row number, 1-based
    kColName = 1,        // file name
    kColState = 2,       // "就绪", "打印", "挂起"
    kColPlanes = 3,      // plane count
    kColSize = 4,        // "width * height" in millimetres
    kColFileRes = 5,     // "x * y" dots per inch of the file
    kColPrintType = 6,   // print type name
    kColSpeed = 7,       // speed name
    kColDirection = 8,   // direction name
    kColPasses = 9,      // pass count text
    kColRemaining = 10,  // remaining time while printing
    kColCopies = 11,     // copies
};

// What the print type chosen in the configuration means for a task.
struct PrintTypeChoice {
    int xResolution = 0;
    int yResolution = 0;
    int passes = 1;
    std::string passText;   // the pass list entry shown in the row
    int printTypeCode = 0;  // index of the pass count in ToTalPassList
    int maskMode = 0;
    int printTypeParam = 0;
};

// Derives the print type's resolution, passes and mask mode from its "r,a,b" entry.
PrintTypeChoice DerivePrintType(const CPrinterConfig& config, int printTypeId);

class CTaskList {
public:
    // worksDir: the folder of Tasks.dat and the thumbnails (created when missing).
    CTaskList(const CPrinterConfig& config, std::filesystem::path worksDir);
    CTaskList(const CTaskList&) = delete;
    CTaskList& operator=(const CTaskList&) = delete;

    // The observer is called on the UI thread; nullptr for none. The caller keeps ownership.
    void SetObserver(ITaskListObserver* observer);

    // Adds the file as a task with the current print settings, writes its thumbnail from the
    // preview and selects it. Returns the new index, or -1 when a path does not fit Tasks.dat
    // (a message says which) and nothing was added.
    int AddTask(const std::string& filePath, const RipHeader& header, const DibImage& preview,
                int previewRef = 0);

    int GetSelectedTask() const;
    // Selects index (-1 or out of range: none).
    void SelectTask(int index);

    // Marks the selected task saved, then writes every saved task to Tasks.dat atomically.
    // False (and "任务保存出错！" shown) when the file cannot be written.
    // Other programs may share Tasks.dat: a save takes the lock file beside it, reads it again
    // and writes what MergeTasks gives, so that a task another program added since this list
    // read the file is kept, one it removed stays removed, and this list's adds, removals and
    // changes are applied. A lock held elsewhere for more than a few seconds fails the save with
    // a message and leaves the file as it was. Tasks the others added are not shown here.
    bool SaveTasks();
    // Marks every task saved and writes them all.
    bool SaveAllTasks();
    // Appends the tasks of Tasks.dat. A missing file is an empty list. A damaged file loads its
    // whole records, shows "装载打印任务错误" and returns false. Anything at the path that is not
    // a regular file (a FIFO, a folder) is refused with a message, unread. A task saved while
    // suspended resumes at its resume line.
    bool LoadTasks();

    // Removes the task, then saves; its thumbnail goes once the file no longer names it.
    // False when index is out of range or the save fails.
    bool DeleteTask(int index);
    // Removes every task and thumbnail, then saves an empty list.
    bool DeleteAllTasks();

    // Set by the print job on its task: the state (188 printing, 189 suspended, 187 ready)
    // and the remaining time text. Out-of-range indices are ignored (the task may be gone).
    void SetTaskStatus(int index, int stateId);
    void SetRemainingTime(int index, const std::string& text);
    // The copies column while the job prints: "copies(copy)".
    void SetCopiesText(int index, const std::string& text);
    // Where the next print of the task starts: at line when resume is set, else at the top.
    void SetResumePoint(int index, bool resume, int line);
    // Marks the task saved and writes every saved task to Tasks.dat, so that its state and
    // resume line survive a restart. Safe from any thread. False when index is out of range
    // or the file cannot be written ("任务保存出错！" shown).
    bool SaveTask(int index);
    // The operator's copies for the task (the caller checks the range), saved at once. When the
    // save fails the task keeps its old copies and false is returned (the failure was shown).
    bool SetCopies(int index, int copies);

    int TaskCount() const;
    TaskRecord GetTask(int index) const;
    TaskRowTexts RowTexts(int index) const;
    // The thumbnail of the task, nullptr when it has none.
    std::shared_ptr<const DibImage> Thumbnail(int index) const;

    std::filesystem::path TasksFilePath() const { return m_worksDir / kTasksFileName; }
    const std::filesystem::path& WorksDir() const { return m_worksDir; }

    // Test hook: stops the next saves after this step of the atomic write, as a crash would.
    void SimulateCrashOnSave(AtomicWriteStep step) { m_crashStep = step; }

private:
    struct Entry {
        TaskRecord record;
        TaskRowTexts row;
        std::shared_ptr<const DibImage> thumbnail;
    };

    // Under m_mutex: the entry at index, or nullptr when there is none.
    Entry* Row(int index);
    const Entry* Row(int index) const;
    TaskRowTexts BuildRow(const TaskRecord& record, const PrintTypeChoice& type) const;
    std::string NewThumbnailPath(const std::string& filePath) const;
    bool WriteSaved();  // writes the saved records; takes m_mutex
    void Renumber();    // m_mutex held
    void Notify(void (ITaskListObserver::*what)(int), int row);
    bool IsOwnThumbnail(const std::string& path) const;
    // Under m_mutex: the keys of the entries, in list order.
    std::vector<std::string> EntryKeys() const;
    // Under m_mutex: remembers that the next save removes the entry with that key.
    void RememberRemoval(const Entry& entry, const std::string& key);

    const CPrinterConfig& m_config;
    std::filesystem::path m_worksDir;
    mutable std::mutex m_mutex;
    std::mutex m_saveMutex;        // one write of Tasks.dat at a time (the UI and the job threads)
    std::vector<Entry> m_entries;  // guarded by m_mutex
    int m_selected = -1;           // guarded by m_mutex
    // Keys (TaskKeys) of the tasks Tasks.dat held when this list last read or wrote it, and of
    // saved tasks removed here since; guarded by m_mutex.
    std::set<std::string> m_known;
    std::set<std::string> m_removed;
    std::vector<std::string> m_thumbnailsToRemove;  // after the next save; guarded by m_mutex
    std::atomic<ITaskListObserver*> m_observer{nullptr};
    AtomicWriteStep m_crashStep = AtomicWriteStep::None;
};

}  // namespace tavolux
