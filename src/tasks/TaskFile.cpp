// Encoding and decoding of Tasks.dat records.
#include "tasks/TaskFile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>

namespace tavolux {

namespace {

constexpr size_t kNameOffset = 64;
constexpr size_t kThumbnailOffset = 104;
constexpr size_t kFilePathOffset = 364;

void PutInt(char* at, int value)
{
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<char>((v >> (8 * i)) & 0xFFU);
    }
}

int GetInt(const char* at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        v |= static_cast<uint32_t>(static_cast<unsigned char>(at[i])) << (8 * i);
    }
    return static_cast<int>(v);
}

// The record's integer fields in file order.
template <typename Record>
auto IntFields(Record& r)
{
    return std::array{
        &r.m_stateId,         &r.m_planeCount, &r.m_height,        &r.m_bytesPerPlaneLine,
        &r.m_printTypeId,     &r.m_speed,      &r.m_passes,        &r.m_direction,
        &r.m_copies,          &r.m_previewRef, &r.m_resumeLine,    &r.m_fileXResolution,
        &r.m_fileYResolution, &r.m_maskMode,   &r.m_printTypeCode, &r.m_printTypeParam};
}

bool GetString(const char* at, size_t field, std::string& out)
{
    const void* zero = std::memchr(at, 0, field);
    if (zero == nullptr) {
        return false;
    }
    out.assign(at, static_cast<const char*>(zero));
    return true;
}

}  // namespace

bool FitsTaskField(std::string_view text, size_t fieldSize)
{
    return text.size() < fieldSize && text.find('\0') == std::string_view::npos;
}

bool EncodeTaskRecord(const TaskRecord& record, std::string& out)
{
    if (!FitsTaskField(record.m_name, kTaskNameField) ||
        !FitsTaskField(record.m_thumbnailPath, kTaskPathField) ||
        !FitsTaskField(record.m_filePath, kTaskPathField)) {
        return false;
    }
    const size_t start = out.size();
    out.resize(start + kTaskRecordSize, '\0');
    char* at = out.data() + start;
    size_t offset = 0;
    for (const int* field : IntFields(record)) {
        PutInt(at + offset, *field);
        offset += 4;
    }
    // The record was zero-filled, so each string keeps its terminating zero.
    std::copy(record.m_name.begin(), record.m_name.end(), at + kNameOffset);
    std::copy(record.m_thumbnailPath.begin(), record.m_thumbnailPath.end(), at + kThumbnailOffset);
    std::copy(record.m_filePath.begin(), record.m_filePath.end(), at + kFilePathOffset);
    return true;
}

bool DecodeTaskRecord(std::string_view bytes, TaskRecord& record)
{
    if (bytes.size() < kTaskRecordSize) {
        return false;
    }
    TaskRecord r;
    size_t offset = 0;
    for (int* field : IntFields(r)) {
        *field = GetInt(bytes.data() + offset);
        offset += 4;
    }
    if (!GetString(bytes.data() + kNameOffset, kTaskNameField, r.m_name) ||
        !GetString(bytes.data() + kThumbnailOffset, kTaskPathField, r.m_thumbnailPath) ||
        !GetString(bytes.data() + kFilePathOffset, kTaskPathField, r.m_filePath)) {
        return false;
    }
    r.m_saved = 1;
    record = std::move(r);
    return true;
}

bool EncodeTasksFile(const std::vector<TaskRecord>& records, std::string& out)
{
    std::string bytes(4, '\0');
    PutInt(bytes.data(), static_cast<int>(records.size()));
    bytes.reserve(4 + records.size() * kTaskRecordSize);
    for (const TaskRecord& record : records) {
        if (!EncodeTaskRecord(record, bytes)) {
            return false;
        }
    }
    out = std::move(bytes);
    return true;
}

DecodedTasks DecodeTasksFile(std::string_view bytes)
{
    DecodedTasks result;
    if (bytes.size() < 4) {
        result.damaged = true;
        return result;
    }
    const int count = GetInt(bytes.data());
    const size_t whole = (bytes.size() - 4) / kTaskRecordSize;
    if (count < 0 || static_cast<size_t>(count) > whole) {
        result.damaged = true;
    }
    const size_t n = count < 0 ? 0 : std::min(static_cast<size_t>(count), whole);
    result.records.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        TaskRecord record;
        if (DecodeTaskRecord(bytes.substr(4 + i * kTaskRecordSize, kTaskRecordSize), record)) {
            result.records.push_back(std::move(record));
        } else {
            result.damaged = true;
        }
    }
    return result;
}

std::vector<std::string> TaskKeys(const std::vector<TaskRecord>& records)
{
    std::vector<std::string> keys;
    keys.reserve(records.size());
    std::map<std::string, int> seen;
    for (const TaskRecord& r : records) {
        std::string identity =
            r.m_thumbnailPath.empty() ? "file:" + r.m_filePath : "thumbnail:" + r.m_thumbnailPath;
        const int n = seen[identity]++;
        keys.push_back(std::move(identity) + "#" + std::to_string(n));
    }
    return keys;
}

std::vector<TaskRecord> MergeTasks(const std::vector<TaskRecord>& disk,
                                   const std::set<std::string>& known,
                                   const std::set<std::string>& removed,
                                   const std::vector<TaskRecord>& ours)
{
    const std::vector<std::string> diskKeys = TaskKeys(disk);
    const std::vector<std::string> ourKeys = TaskKeys(ours);
    std::map<std::string, size_t> ourIndex;
    for (size_t i = 0; i < ours.size(); ++i) {
        ourIndex.emplace(ourKeys[i], i);
    }
    std::vector<TaskRecord> merged;
    merged.reserve(disk.size() + ours.size());
    std::set<std::string> onDisk(diskKeys.begin(), diskKeys.end());
    for (size_t i = 0; i < disk.size(); ++i) {
        if (removed.count(diskKeys[i]) != 0) {
            continue;
        }
        auto it = ourIndex.find(diskKeys[i]);
        merged.push_back(it != ourIndex.end() ? ours[it->second] : disk[i]);
    }
    for (size_t i = 0; i < ours.size(); ++i) {
        if (onDisk.count(ourKeys[i]) == 0 && known.count(ourKeys[i]) == 0) {
            merged.push_back(ours[i]);
        }
    }
    return merged;
}

}  // namespace tavolux
