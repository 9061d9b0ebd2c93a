// The byte layout of Tasks.dat: a count, then one 624-byte little-endian record per task.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tasks/TaskRecord.h"

namespace tavolux {

inline constexpr const char* kTasksFileName = "Tasks.dat";
inline constexpr const char* kWorksFolderName = "Works";
inline constexpr size_t kTaskRecordSize = 624;
inline constexpr size_t kTaskNameField = 40;   // m_name, zero-terminated
inline constexpr size_t kTaskPathField = 260;  // m_thumbnailPath and m_filePath, zero-terminated

// True when text fits a zero-terminated field of fieldSize bytes: at most fieldSize - 1 bytes
// and no zero byte inside (either would store another string than the one given).
bool FitsTaskField(std::string_view text, size_t fieldSize);

// Appends the 624 bytes of record to out. Returns false, appending nothing, when a string does
// not fit its field.
bool EncodeTaskRecord(const TaskRecord& record, std::string& out);

// Decodes one 624-byte record. Returns false when a string field has no terminating zero.
// The fields the file does not hold keep their defaults; m_saved is set.
bool DecodeTaskRecord(std::string_view bytes, TaskRecord& record);

// The whole file for records. Returns false when a record does not fit; out is then unchanged.
bool EncodeTasksFile(const std::vector<TaskRecord>& records, std::string& out);

struct DecodedTasks {
    std::vector<TaskRecord> records;  // every whole, well-formed record, in file order
    bool damaged = false;  // short file, count beyond the data, negative count or a bad record
};

DecodedTasks DecodeTasksFile(std::string_view bytes);

// The identity of each task across programs sharing Tasks.dat: its thumbnail path (a name no
// other task is given), or its file path when it has none; the n-th task of one identity is
// told apart by n.
std::vector<std::string> TaskKeys(const std::vector<TaskRecord>& records);

// What a list writes when another program may have written Tasks.dat since it last read it:
// the tasks on disk now, in their order, less those this list removed (removed), with this
// list's version of the tasks it also holds (ours), then this list's tasks the file never
// held, in its order. A task of ours that was on disk (known) but is gone now was removed by
// another program and stays removed.
std::vector<TaskRecord> MergeTasks(const std::vector<TaskRecord>& disk,
                                   const std::set<std::string>& known,
                                   const std::set<std::string>& removed,
                                   const std::vector<TaskRecord>& ours);

}  // namespace tavolux
