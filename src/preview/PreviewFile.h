// Reading a RIP file for the preview: its 48-byte header and single lines at any position,
// so that only the lines the preview samples are read.
#pragma once

#include <cstdint>
#include <filesystem>

namespace tavolux {

inline constexpr int kRipHeaderBytes = 48;

class CPreviewFile {
public:
    CPreviewFile() = default;
    ~CPreviewFile();
    CPreviewFile(const CPreviewFile&) = delete;
    CPreviewFile& operator=(const CPreviewFile&) = delete;

    // Opens the file and reads its header. Returns 0, 2 when the file cannot be opened, 3 when
    // it is shorter than the header.
    int OpenForPreview(const std::filesystem::path& path);
    void Close();

    int PlaneCount() const { return m_planeCount; }
    int Height() const { return m_height; }
    int BytesPerPlaneLine() const { return m_bytesPerPlaneLine; }
    int Width() const { return m_width; }
    int XResolution() const { return m_xResolution; }
    int YResolution() const { return m_yResolution; }
    uint64_t FileLength() const { return m_fileLength; }
    // Bytes of one image line: all planes.
    uint64_t LineBytes() const;

    // Reads image line `line` into buffer (LineBytes() bytes). The part of a line beyond the
    // end of the file reads as zero (blank), as a short file is not an error.
    void ReadLine(int64_t line, uint8_t* buffer) const;

    // Tells the system that these lines (first, first + stride, ...) are read soon, so their
    // reads are queued together instead of one after another.
    void Prefetch(int64_t first, int64_t count, int64_t stride) const;

private:
    int m_fd = -1;
    int m_planeCount = 0;
    int m_height = 0;
    int m_bytesPerPlaneLine = 0;
    int m_width = 0;
    int m_xResolution = 0;
    int m_yResolution = 0;
    uint64_t m_fileLength = 0;
};

}  // namespace tavolux
