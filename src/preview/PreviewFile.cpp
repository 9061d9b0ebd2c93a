// Positioned reads of a RIP file for the preview.
#include "preview/PreviewFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tavolux {

namespace {

int LittleInt(const uint8_t* at)
{
    return static_cast<int>(static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
                            static_cast<uint32_t>(at[2]) << 16 |
                            static_cast<uint32_t>(at[3]) << 24);
}

// Reads up to size bytes at offset; returns the bytes read (fewer at the end of the file).
size_t ReadAt(int fd, uint8_t* buffer, size_t size, uint64_t offset)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fd, buffer + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

}  // namespace

CPreviewFile::~CPreviewFile()
{
    Close();
}

void CPreviewFile::Close()
{
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}

int CPreviewFile::OpenForPreview(const std::filesystem::path& path)
{
    Close();
    m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        return 2;
    }
    struct stat st {};
    if (fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        Close();
        return 2;
    }
    uint8_t header[kRipHeaderBytes] = {};
    if (ReadAt(m_fd, header, sizeof header, 0) < sizeof header) {
        Close();
        return 3;
    }
    m_xResolution = LittleInt(header + 4);
    m_yResolution = LittleInt(header + 8);
    m_bytesPerPlaneLine = LittleInt(header + 12);
    m_height = LittleInt(header + 16);
    m_width = LittleInt(header + 20);
    m_planeCount = LittleInt(header + 28);
    m_fileLength = static_cast<uint64_t>(st.st_size);
    return 0;
}

uint64_t CPreviewFile::LineBytes() const
{
    if (m_planeCount <= 0 || m_bytesPerPlaneLine <= 0) {
        return 0;
    }
    return static_cast<uint64_t>(m_planeCount) * static_cast<uint64_t>(m_bytesPerPlaneLine);
}

void CPreviewFile::ReadLine(int64_t line, uint8_t* buffer) const
{
    const uint64_t bytes = LineBytes();
    size_t got = 0;
    if (m_fd >= 0 && line >= 0) {
        got = ReadAt(m_fd, buffer, bytes, kRipHeaderBytes + static_cast<uint64_t>(line) * bytes);
    }
    std::memset(buffer + got, 0, bytes - got);
}

void CPreviewFile::Prefetch(int64_t first, int64_t count, int64_t stride) const
{
#ifdef POSIX_FADV_WILLNEED
    const uint64_t bytes = LineBytes();
    for (int64_t i = 0; i < count && m_fd >= 0; ++i) {
        const uint64_t offset = kRipHeaderBytes + static_cast<uint64_t>(first + i * stride) * bytes;
        posix_fadvise(m_fd, static_cast<off_t>(offset), static_cast<off_t>(bytes),
                      POSIX_FADV_WILLNEED);
    }
#else
    (void)first;
    (void)count;
    (void)stride;
#endif
}

}  // namespace tavolux
