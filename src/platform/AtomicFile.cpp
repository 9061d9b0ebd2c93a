// Atomic file replacement: temporary file, fsync, rename, fsync of the folder.
#include "platform/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

#ifdef _WIN32
#include <cstdio>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavolux {

namespace {

void SetError(FileError& error, FileErrorKind kind, const std::filesystem::path& path,
              int systemError = 0)
{
    error = FileError{kind, path, systemError};
}

// Links are followed at most this deep; a loop of links is then written as a file.
constexpr int kMaxLinkDepth = 40;

// The name part of our temporary files: "." + the file's name + "." + six characters.
bool IsTemporaryOf(const std::string& name, const std::string& fileName)
{
#ifdef _WIN32
    return name == fileName + ".tmp";
#else
    const std::string prefix = "." + fileName + ".";
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
            return false;
        }
    }
    return true;
#endif
}

// False (with a reason) when something other than a regular file sits where we would write.
bool CheckWritableTarget(const std::filesystem::path& target, FileError& error)
{
    std::error_code ec;
    const auto status = std::filesystem::status(target, ec);
    if (ec || status.type() == std::filesystem::file_type::not_found ||
        status.type() == std::filesystem::file_type::regular) {
        return true;  // a missing file is created; other errors show in the write itself
    }
    SetError(error, FileErrorKind::NotRegular, target);
    return false;
}

}  // namespace

std::filesystem::path ResolveWriteTarget(const std::filesystem::path& path)
{
    std::filesystem::path p = path;
    for (int i = 0; i < kMaxLinkDepth; ++i) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(p, ec)) {
            return p;
        }
        const std::filesystem::path link = std::filesystem::read_symlink(p, ec);
        if (ec) {
            return p;
        }
        p = link.is_absolute() ? link : p.parent_path() / link;
    }
    return p;
}

void RemoveStaleTemporaries(const std::filesystem::path& path, std::chrono::seconds minAge)
{
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    const std::string fileName = path.filename().string();
    const auto now = std::filesystem::file_time_type::clock::now();
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code entryEc;
        if (!IsTemporaryOf(it->path().filename().string(), fileName) ||
            !it->is_regular_file(entryEc)) {
            continue;
        }
        const auto written = it->last_write_time(entryEc);
        if (!entryEc && now - written >= minAge) {
            std::filesystem::remove(it->path(), entryEc);
        }
    }
}

#ifdef _WIN32

bool AtomicWriteFile(const std::filesystem::path& named, std::string_view data, FileError& error,
                     AtomicWriteStep stopAfter)
{
    const std::filesystem::path path = ResolveWriteTarget(named);
    if (!CheckWritableTarget(path, error)) {
        return false;
    }
    std::filesystem::path temp = path;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.flush();
        if (!out) {
            SetError(error, FileErrorKind::Write, temp);
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    if (stopAfter == AtomicWriteStep::TempWritten) {
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);  // MoveFileEx with replace
    if (ec) {
        SetError(error, FileErrorKind::Replace, path, ec.value());
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

#else

bool AtomicWriteFile(const std::filesystem::path& named, std::string_view data, FileError& error,
                     AtomicWriteStep stopAfter)
{
    // Through a link, the link stays and its target is replaced, beside the target.
    const std::filesystem::path path = ResolveWriteTarget(named);
    if (!CheckWritableTarget(path, error)) {
        return false;
    }
    RemoveStaleTemporaries(path, kStaleTemporaryAge);
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    std::string templ = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    int fd = mkstemp(templ.data());
    if (fd < 0) {
        SetError(error, FileErrorKind::CreateTemporary, folder, errno);
        return false;
    }
    auto fail = [&](FileErrorKind kind) {
        int err = errno;
        close(fd);
        unlink(templ.c_str());
        SetError(error, kind, templ, err);
        return false;
    };
    // Keep the mode of the file we replace, so a hand-edited file keeps its permissions.
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        fchmod(fd, st.st_mode & 07777);
    } else {
        fchmod(fd, 0644);
    }
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail(FileErrorKind::Write);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (fsync(fd) != 0) {
        return fail(FileErrorKind::Sync);
    }
    if (close(fd) != 0) {
        int err = errno;
        unlink(templ.c_str());
        SetError(error, FileErrorKind::Close, templ, err);
        return false;
    }
    if (stopAfter == AtomicWriteStep::TempWritten) {
        return false;  // simulated crash: the temporary file stays behind, as it would
    }
    if (rename(templ.c_str(), path.c_str()) != 0) {
        int err = errno;
        unlink(templ.c_str());
        SetError(error, FileErrorKind::Replace, path, err);
        return false;
    }
    int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        fsync(dfd);  // the rename itself must survive a power loss
        close(dfd);
    }
    return true;
}

#endif

bool AtomicWriteFile(const std::filesystem::path& path, std::string_view data, std::string* error,
                     AtomicWriteStep stopAfter)
{
    FileError failure;
    const bool written = AtomicWriteFile(path, data, failure, stopAfter);
    if (!written && error != nullptr && failure.kind != FileErrorKind::None) {
        *error = EnglishFileErrorText(failure);
    }
    return written;
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        return false;
    }
    out = std::move(buffer).str();
    return true;
}

#ifdef _WIN32

FileReadResult ReadRegularFile(const std::filesystem::path& path, std::string& out,
                               uint64_t maxBytes, bool cutAtLimit)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        return FileReadResult::Missing;
    }
    if (ec) {
        return FileReadResult::Failed;
    }
    if (status.type() != std::filesystem::file_type::regular) {
        return FileReadResult::NotRegular;
    }
    if (std::filesystem::file_size(path, ec) > maxBytes) {
        if (!cutAtLimit) {
            return FileReadResult::TooLarge;
        }
        std::ifstream in(path, std::ios::binary);
        std::string bytes(static_cast<size_t>(maxBytes), '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<size_t>(in.gcount()));
        out = std::move(bytes);
        return in.bad() ? FileReadResult::Failed : FileReadResult::Ok;
    }
    return ReadWholeFile(path, out) ? FileReadResult::Ok : FileReadResult::Failed;
}

#else

FileReadResult ReadRegularFile(const std::filesystem::path& path, std::string& out,
                               uint64_t maxBytes, bool cutAtLimit)
{
    // Non-blocking, so that opening a FIFO returns at once; fstat then tells what it is.
    int fd = -1;
    do {
        fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return errno == ENOENT ? FileReadResult::Missing : FileReadResult::Failed;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        close(fd);
        return FileReadResult::Failed;
    }
    if (!S_ISREG(st.st_mode)) {
        close(fd);
        return FileReadResult::NotRegular;
    }
    if (static_cast<uint64_t>(st.st_size) > maxBytes && !cutAtLimit) {
        close(fd);
        return FileReadResult::TooLarge;
    }
    std::string bytes(
        static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(st.st_size), maxBytes)), '\0');
    size_t got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (bytes.size() >= maxBytes) {
                break;
            }
            // The file may have grown since fstat; read on up to the limit.
            bytes.resize(static_cast<size_t>(
                std::min<uint64_t>(maxBytes, static_cast<uint64_t>(bytes.size()) * 2 + 4096)));
        }
        const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            close(fd);
            return FileReadResult::Failed;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    close(fd);
    bytes.resize(got);
    out = std::move(bytes);
    return FileReadResult::Ok;
}

#endif

}  // namespace tavolux
