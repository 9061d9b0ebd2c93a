// Read-ahead hints for the lines the preview samples: the reads of the next chunks are queued at
// the disk together instead of waiting one after another.
#pragma once

#include <cstdint>
#include <filesystem>

namespace tavolux {

class CReadAhead {
public:
    CReadAhead() = default;
    ~CReadAhead();
    CReadAhead(const CReadAhead&) = delete;
    CReadAhead& operator=(const CReadAhead&) = delete;

    // Opens path for hints only. A failure is silent: hints only make reading faster.
    void Open(const std::filesystem::path& path);
    void Close();

    // Announces that bytes [offset, offset + bytes) are read soon.
    void WillNeed(uint64_t offset, uint64_t bytes) const;

private:
    int m_fd = -1;
};

}  // namespace tavolux
