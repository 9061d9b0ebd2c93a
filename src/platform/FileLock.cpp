// Lock files: flock(2) on Linux, LockFileEx on Windows; both are dropped by the system when the
// holder dies, so a killed writer never blocks the next one.
#include "platform/FileLock.h"

#include <atomic>
#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace tavolux {

namespace {

// Short enough that a waiting writer follows the holder closely, long enough not to spin.
constexpr auto kRetrySlice = std::chrono::milliseconds(5);

std::atomic<int> g_lockWaitMs{kFileLockWaitMs};

std::chrono::steady_clock::time_point Deadline(int waitMs)
{
    return std::chrono::steady_clock::now() +
           std::chrono::milliseconds(waitMs < 0 ? FileLockWaitMs() : waitMs);
}

}  // namespace

int FileLockWaitMs()
{
    return g_lockWaitMs.load();
}

void SetFileLockWaitMs(int ms)
{
    g_lockWaitMs.store(ms < 0 ? kFileLockWaitMs : ms);
}

std::filesystem::path LockFilePath(const std::filesystem::path& file)
{
    std::filesystem::path lock = file;
    lock += ".lock";
    return lock;
}

void CFileLock::Failed(FileErrorKind kind, int systemError)
{
    m_failure = FileError{kind, m_lockPath, systemError};
    m_error = EnglishFileErrorText(m_failure);
}

void CFileLock::Acquire(int waitMs, const LockAttempt& attempt)
{
    const auto deadline = Deadline(waitMs);
    for (;;) {
        int systemError = 0;
        const LockTry result = attempt(systemError);
        if (result == LockTry::Taken) {
            m_locked = true;
            return;
        }
        if (result == LockTry::Refused) {
            Failed(FileErrorKind::Lock, systemError);
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            m_timedOut = true;
            Failed(FileErrorKind::LockHeld, 0);
            return;
        }
        std::this_thread::sleep_for(kRetrySlice);
    }
}

#ifdef _WIN32

CFileLock::CFileLock(const std::filesystem::path& file, int waitMs) : m_lockPath(LockFilePath(file))
{
    HANDLE h = CreateFileW(m_lockPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        Failed(FileErrorKind::OpenLock, 0);
        return;
    }
    m_handle = h;
    // The system's error numbers here are not errno's, so a refusal passes none on.
    Acquire(waitMs, [h](int& /*systemError*/) {
        OVERLAPPED ov{};
        if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &ov)) {
            return LockTry::Taken;
        }
        return GetLastError() == ERROR_LOCK_VIOLATION ? LockTry::Held : LockTry::Refused;
    });
}

CFileLock::~CFileLock()
{
    if (m_handle != nullptr) {
        if (m_locked) {
            OVERLAPPED ov{};
            UnlockFileEx(m_handle, 0, 1, 0, &ov);
        }
        CloseHandle(m_handle);
    }
}

#else

CFileLock::CFileLock(const std::filesystem::path& file, int waitMs) : m_lockPath(LockFilePath(file))
{
    do {
        m_fd = open(m_lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    } while (m_fd < 0 && errno == EINTR);
    if (m_fd < 0) {
        Failed(FileErrorKind::OpenLock, errno);
        return;
    }
    const int fd = m_fd;
    Acquire(waitMs, [fd](int& systemError) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return LockTry::Taken;
        }
        systemError = errno;
        return errno == EWOULDBLOCK || errno == EINTR ? LockTry::Held : LockTry::Refused;
    });
}

CFileLock::~CFileLock()
{
    if (m_fd >= 0) {
        close(m_fd);  // closing the only descriptor releases the lock
    }
}

#endif

}  // namespace tavolux
