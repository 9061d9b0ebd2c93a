// Writing a file so that a crash leaves either the old or the new content, never a torn file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tavolux {

// Test hook: the step after which a simulated crash stops the write.
enum class AtomicWriteStep {
    None,         // run to the end
    TempWritten,  // temporary file written and synced, not yet renamed
};

// Writes data to a temporary file in the same folder, flushes and syncs it, renames it over
// path and syncs the folder. Returns true on success; on failure the old file is untouched,
// the temporary file is removed and error (when given) says why.
bool AtomicWriteFile(const std::filesystem::path& path, std::string_view data,
                     std::string* error = nullptr,
                     AtomicWriteStep stopAfter = AtomicWriteStep::None);

// Reads a whole file. Returns false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& out);

}  // namespace tavolux
