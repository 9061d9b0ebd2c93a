// Fuzzes the Tasks.dat decoder: every record it keeps fits its fields, no more records than
// the bytes can hold, and what it keeps encodes and decodes back to the same records.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tasks/TaskFile.h"

namespace {

void Require(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const tavolux::DecodedTasks decoded = tavolux::DecodeTasksFile(bytes);
    Require(decoded.records.size() <= size / tavolux::kTaskRecordSize);
    for (const tavolux::TaskRecord& r : decoded.records) {
        Require(tavolux::FitsTaskField(r.m_name, tavolux::kTaskNameField));
        Require(tavolux::FitsTaskField(r.m_thumbnailPath, tavolux::kTaskPathField));
        Require(tavolux::FitsTaskField(r.m_filePath, tavolux::kTaskPathField));
        Require(r.m_saved == 1);
    }

    std::string written;
    Require(tavolux::EncodeTasksFile(decoded.records, written));
    const tavolux::DecodedTasks again = tavolux::DecodeTasksFile(written);
    Require(!again.damaged);
    Require(again.records == decoded.records);
    std::string rewritten;
    Require(tavolux::EncodeTasksFile(again.records, rewritten));
    Require(rewritten == written);

    // A single record's decoder on the first record's bytes, whatever the count says.
    if (size >= 4 + tavolux::kTaskRecordSize) {
        tavolux::TaskRecord one;
        if (tavolux::DecodeTaskRecord(bytes.substr(4, tavolux::kTaskRecordSize), one)) {
            std::string encoded;
            Require(tavolux::EncodeTaskRecord(one, encoded));
            Require(encoded.size() == tavolux::kTaskRecordSize);
            tavolux::TaskRecord back;
            Require(tavolux::DecodeTaskRecord(encoded, back));
            Require(back == one);
        }
    }
    return 0;
}
