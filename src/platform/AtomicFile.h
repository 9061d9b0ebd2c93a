// Writing a file so that a crash leaves either the old or the new content, never a torn file.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/FileError.h"

namespace tavolux {

// Test hook: the step after which a simulated crash stops the write.
enum class AtomicWriteStep {
    None,         // run to the end
    TempWritten,  // temporary file written and synced, not yet renamed
};

// A temporary file older than this, of our own naming, belongs to a writer that was killed.
inline constexpr std::chrono::minutes kStaleTemporaryAge{10};

// Writes data to a temporary file in the same folder, flushes and syncs it, renames it over
// path and syncs the folder. Returns true on success; on failure the old file is untouched,
// the temporary file is removed and error (when given) says why.
// A path that is a symbolic link is written through: the link stays and its target gets the
// new content with the target's permissions. Anything at path (or the link's target) that is
// not a regular file is refused. Temporaries of path left by killed writers are removed.
bool AtomicWriteFile(const std::filesystem::path& path, std::string_view data,
                     std::string* error = nullptr,
                     AtomicWriteStep stopAfter = AtomicWriteStep::None);
// The same with the reason as data, for callers that tell the operator in the current language
// (the text form above is English).
bool AtomicWriteFile(const std::filesystem::path& path, std::string_view data, FileError& error,
                     AtomicWriteStep stopAfter = AtomicWriteStep::None);

// Reads a whole file. Returns false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& out);

enum class FileReadResult {
    Ok,          // out holds the whole file
    Missing,     // nothing at the path (or a link to nothing)
    NotRegular,  // a folder, FIFO, device or socket: never opened for reading in a way that blocks
    TooLarge,    // larger than the limit; nothing was read
    Failed,      // cannot be opened or read
};

// Reads a regular file of at most maxBytes without ever blocking on a FIFO or a device. With
// cutAtLimit a larger file gives its first maxBytes instead of TooLarge.
FileReadResult ReadRegularFile(const std::filesystem::path& path, std::string& out,
                               uint64_t maxBytes, bool cutAtLimit = false);

// Where a write of path lands: path itself, or the final target of the links it names.
std::filesystem::path ResolveWriteTarget(const std::filesystem::path& path);

// Removes the temporary files that AtomicWriteFile creates for path and that are older than
// minAge. A writer that holds the file's lock passes zero: no other writer can be mid-write.
void RemoveStaleTemporaries(const std::filesystem::path& path, std::chrono::seconds minAge);

}  // namespace tavolux
