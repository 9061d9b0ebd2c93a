// Atomic file replacement: temporary file, fsync, rename, fsync of the folder.
#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <cstdio>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavolux {

namespace {

void SetError(std::string* error, const std::string& what)
{
    if (error) {
        *error = what;
    }
}

}  // namespace

#ifdef _WIN32

bool AtomicWriteFile(const std::filesystem::path& path, std::string_view data, std::string* error,
                     AtomicWriteStep stopAfter)
{
    std::filesystem::path temp = path;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.flush();
        if (!out) {
            SetError(error, "cannot write " + temp.string());
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
        SetError(error, "cannot replace " + path.string() + ": " + ec.message());
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

#else

bool AtomicWriteFile(const std::filesystem::path& path, std::string_view data, std::string* error,
                     AtomicWriteStep stopAfter)
{
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    std::string templ = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    int fd = mkstemp(templ.data());
    if (fd < 0) {
        SetError(error, "cannot create a temporary file in " + folder.string() + ": " +
                            std::strerror(errno));
        return false;
    }
    auto fail = [&](const std::string& what) {
        int err = errno;
        close(fd);
        unlink(templ.c_str());
        SetError(error, what + ": " + std::strerror(err));
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
            return fail("cannot write " + templ);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (fsync(fd) != 0) {
        return fail("cannot sync " + templ);
    }
    if (close(fd) != 0) {
        int err = errno;
        unlink(templ.c_str());
        SetError(error, "cannot close " + templ + ": " + std::strerror(err));
        return false;
    }
    if (stopAfter == AtomicWriteStep::TempWritten) {
        return false;  // simulated crash: the temporary file stays behind, as it would
    }
    if (rename(templ.c_str(), path.c_str()) != 0) {
        int err = errno;
        unlink(templ.c_str());
        SetError(error, "cannot replace " + path.string() + ": " + std::strerror(err));
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

}  // namespace tavolux
