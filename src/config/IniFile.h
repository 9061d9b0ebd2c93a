// Private-profile (.ini) file access: case-insensitive sections and keys, -1 and empty
// defaults, 511-character values, and writes that keep everything else in the file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AtomicFile.h"

namespace tavolux {

inline constexpr const char* kConfigFileName = "tavolux.ini";
inline constexpr size_t kIniValueLimit = 511;
// A configuration is some kilobytes; a larger file is damage, and parsing it would cost
// far more memory than its size, so it is refused unread.
inline constexpr uint64_t kMaxIniFileBytes = 1024 * 1024;

class CIniFile {
public:
    // Opens tavolux.ini in programDir. When the file does not exist (or is no regular file) it
    // shows the configuration error message and asks the UI facade to end the program with
    // exit code 0; if the facade returns, the object stays closed and every operation fails.
    // A file larger than kMaxIniFileBytes is refused with a message and left as it is.
    explicit CIniFile(const std::filesystem::path& programDir);

    // Opens any .ini file. A missing file reads as empty and is created by the first write,
    // unless mustExist is true, in which case the object stays closed.
    static CIniFile OpenFile(const std::filesystem::path& path, bool mustExist);

    // Parses text as the content of path without touching the disk (tests, fuzzing).
    static CIniFile FromText(const std::filesystem::path& path, std::string_view text);

    // A moved-from file has nothing pending, so only one of the two ever writes.
    CIniFile(CIniFile&& other) noexcept;
    CIniFile& operator=(CIniFile&& other) noexcept;
    CIniFile(const CIniFile&) = delete;
    CIniFile& operator=(const CIniFile&) = delete;
    // Writes pending changes (see Flush); errors are lost here, call Flush to see them.
    ~CIniFile();

    // True when the file could be read (or did not exist and may be created).
    bool IsOpen() const { return m_open; }
    // How the file was read when the object was created.
    FileReadResult ReadResult() const { return m_readResult; }
    const std::filesystem::path& Path() const { return m_path; }

    // The value, at most 511 characters; empty when the section or key is missing.
    std::string GetString(std::string_view section, std::string_view key) const;
    // The integer value (leading digits); -1 when missing or empty.
    int GetInt(std::string_view section, std::string_view key) const;
    // True when the key exists in the section.
    bool HasKey(std::string_view section, std::string_view key) const;

    // Sets a value; it reaches the disk at Flush. Refuses (false) names or values that would
    // break the file's structure: line breaks, "=" in a key, "]" in a section name.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInt(std::string_view section, std::string_view key, int value);

    // Stores the values written since the last flush. Under the file's lock (other programs
    // write the same file) it reads the file again, puts those values onto what is on disk
    // now and replaces the file atomically, so that keys written by others since this object
    // read the file are kept. True when nothing was pending or the write worked; false as well
    // when a write was refused since the last flush, so that a save never reports success for
    // a value it did not store. A lock still held by another program after a few seconds
    // fails the flush with a message from the string tables; the file is then unchanged.
    bool Flush(std::string* error = nullptr);

    // The whole text as it would be written.
    std::string Text() const;

    // Names of the sections, in file order.
    std::vector<std::string> SectionNames() const;

private:
    struct Line {
        std::string text;  // the line as in the file, without its line break
        bool isSection = false;
        bool isKey = false;
        std::string name;       // section or key name as written (trimmed)
        size_t valueStart = 0;  // key lines: offset of the value in text
    };

    struct PendingWrite {
        std::string section;
        std::string key;
        std::string value;
    };

    CIniFile() = default;
    // Reads the file from disk; false (with the reason in m_readResult) when it cannot be.
    bool ReadFromDisk();
    // Sets a value in the lines; the arguments have passed WriteString's checks.
    void Apply(std::string_view section, std::string_view key, std::string_view value);
    bool WriteLocked(std::string* error);
    void Parse(std::string_view text);
    static Line ClassifyLine(std::string line);
    // Index of the first section header with that name, or npos.
    size_t FindSection(std::string_view section) const;
    // Index of the key line inside the section starting at sectionLine, or npos.
    size_t FindKey(size_t sectionLine, std::string_view key) const;

    std::filesystem::path m_path;
    std::vector<Line> m_lines;
    std::string m_eol = "\n";
    bool m_bom = false;
    bool m_open = false;
    bool m_dirty = false;
    bool m_memoryOnly = false;  // FromText: never written to disk by the destructor
    int m_refused = 0;          // writes refused since the last flush
    bool m_existed = false;     // the file was there when read: a vanished file is not re-created
    FileReadResult m_readResult = FileReadResult::Missing;
    std::vector<PendingWrite> m_pending;  // values written since the last flush, in order
};

}  // namespace tavolux
