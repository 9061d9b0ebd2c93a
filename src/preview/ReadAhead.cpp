// Read-ahead hints through posix_fadvise where the system has it.
#include "preview/ReadAhead.h"

#include <fcntl.h>
#include <unistd.h>

namespace tavolux {

CReadAhead::~CReadAhead()
{
    Close();
}

void CReadAhead::Open(const std::filesystem::path& path)
{
    Close();
    m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

void CReadAhead::Close()
{
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}

void CReadAhead::WillNeed(uint64_t offset, uint64_t bytes) const
{
#ifdef POSIX_FADV_WILLNEED
    if (m_fd >= 0) {
        posix_fadvise(m_fd, static_cast<off_t>(offset), static_cast<off_t>(bytes),
                      POSIX_FADV_WILLNEED);
    }
#else
    (void)offset;
    (void)bytes;
#endif
}

}  // namespace tavolux
