// An exclusive lock on a file shared by several programs: a lock file beside it ("NAME.lock")
// held open and locked for as long as the writer runs.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "platform/FileError.h"

namespace tavolux {

// How long a writer waits for another program to finish its write before it gives up.
inline constexpr int kFileLockWaitMs = 5000;

// The wait of locks created without one: kFileLockWaitMs unless set (tests shorten it).
int FileLockWaitMs();
void SetFileLockWaitMs(int ms);

// The lock file of a file: its path followed by ".lock".
std::filesystem::path LockFilePath(const std::filesystem::path& file);

class CFileLock {
public:
    // Waits up to waitMs (negative: FileLockWaitMs()) for the lock of file. The lock is the
    // operating system's lock on the open lock file, so a writer that was killed never leaves it
    // held; the lock file itself stays, empty, for the next writer.
    explicit CFileLock(const std::filesystem::path& file, int waitMs = -1);
    ~CFileLock();  // releases the lock
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    // True when the lock is held; otherwise Error() says why not.
    bool Locked() const { return m_locked; }
    // Empty, or the reason the lock could not be taken (a time-out or a system error), in
    // English; Failure() gives it as data.
    const std::string& Error() const { return m_error; }
    const FileError& Failure() const { return m_failure; }
    bool TimedOut() const { return m_timedOut; }
    const std::filesystem::path& LockPath() const { return m_lockPath; }

private:
    std::filesystem::path m_lockPath;
#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
    bool m_locked = false;
    bool m_timedOut = false;
    std::string m_error;
    FileError m_failure;

    void Failed(FileErrorKind kind, int systemError);
    // One attempt of the system's lock; a refusal leaves its system error in the argument.
    enum class LockTry { Taken, Held, Refused };
    using LockAttempt = std::function<LockTry(int& systemError)>;
    // Retries attempt until it takes the lock, fails, or waitMs runs out.
    void Acquire(int waitMs, const LockAttempt& attempt);
};

}  // namespace tavolux
