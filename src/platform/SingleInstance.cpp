// Single running instance: a flock-based lock file and a datagram socket for "come to the front".
#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/FileLock.h"

namespace tavolux {

namespace {

constexpr char kRaise[] = "raise";
// Between two attempts to reach a first instance that has its lock but not yet its socket.
constexpr auto kAskRetry = std::chrono::milliseconds(20);

bool FillAddress(const std::filesystem::path& path, sockaddr_un& addr)
{
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    const std::string& s = path.native();
    if (s.size() >= sizeof addr.sun_path) {
        return false;
    }
    std::memcpy(addr.sun_path, s.c_str(), s.size() + 1);
    return true;
}

std::string SystemText(const char* what, int error)
{
    return std::string(what) + ": " + std::generic_category().message(error);
}

void CloseFd(int& fd)
{
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

}  // namespace

CSingleInstance::CSingleInstance(std::filesystem::path dir, std::string name)
    : m_dir(std::move(dir)), m_name(std::move(name)), m_socketPath(m_dir / (m_name + ".sock"))
{
}

CSingleInstance::~CSingleInstance()
{
    Release();
}

CSingleInstance::Result CSingleInstance::Acquire()
{
    if (m_lock) {
        return Result::First;
    }
    m_error.clear();
    sockaddr_un addr{};
    if (!FillAddress(m_socketPath, addr)) {
        m_error = "the socket path is too long: " + m_socketPath.string();
        return Result::Failed;
    }
    auto lock = std::make_unique<CFileLock>(m_dir / m_name, 0);
    if (!lock->Locked()) {
        if (lock->TimedOut()) {
            return AskOther();
        }
        m_error = lock->Error();
        return Result::Failed;
    }
    // Holding the lock, any socket file left here belongs to an instance that is gone.
    unlink(m_socketPath.c_str());
    m_socket = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_socket < 0) {
        m_error = SystemText("socket", errno);
        return Result::Failed;
    }
    if (bind(m_socket, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        m_error = SystemText("bind", errno);
        CloseFd(m_socket);
        return Result::Failed;
    }
    m_lock = std::move(lock);
    return Result::First;
}

CSingleInstance::Result CSingleInstance::AskOther()
{
    sockaddr_un addr{};
    FillAddress(m_socketPath, addr);  // its length was checked by Acquire
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        m_error = SystemText("socket", errno);
        return Result::Failed;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAskWaitMs);
    for (;;) {
        const ssize_t sent = sendto(fd, kRaise, sizeof kRaise - 1, MSG_DONTWAIT,
                                    reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
        if (sent == static_cast<ssize_t>(sizeof kRaise - 1)) {
            close(fd);
            return Result::RaisedOther;
        }
        // A first instance between its lock and its socket refuses or lacks the socket; a full
        // queue means it is not reading. Either way, try again until the wait is over.
        const int error = errno;
        if (std::chrono::steady_clock::now() >= deadline) {
            m_error = SystemText("no answer from the running instance", error);
            close(fd);
            return Result::OtherNotAnswering;
        }
        std::this_thread::sleep_for(kAskRetry);
    }
}

bool CSingleInstance::Listen(std::function<void()> onRaise)
{
    if (!m_lock || m_listener.joinable() || !onRaise) {
        return false;
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_error = SystemText("pipe", errno);
        return false;
    }
    m_wakeRead = pipeFds[0];
    m_wakeWrite = pipeFds[1];
    m_onRaise = std::move(onRaise);
    m_listener = std::thread([this] { ListenLoop(); });
    return true;
}

void CSingleInstance::ListenLoop()
{
    for (;;) {
        pollfd fds[2] = {{m_socket, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
        // Waits without limit: Release() wakes it through the pipe.
        const int n = poll(fds, 2, -1);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if ((fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            char buffer[32];
            ssize_t got = 0;
            while ((got = recv(m_socket, buffer, sizeof buffer, 0)) >= 0) {
                // Anything else on the socket is not from this program and is dropped.
                if (got == static_cast<ssize_t>(sizeof kRaise - 1) &&
                    std::memcmp(buffer, kRaise, sizeof kRaise - 1) == 0) {
                    m_onRaise();
                }
            }
        }
    }
}

void CSingleInstance::Release()
{
    if (m_listener.joinable()) {
        const char stop = 1;
        [[maybe_unused]] const ssize_t written = write(m_wakeWrite, &stop, 1);
        m_listener.join();
    }
    CloseFd(m_wakeRead);
    CloseFd(m_wakeWrite);
    m_onRaise = nullptr;
    if (m_socket >= 0) {
        // Only the lock's holder removes the socket: a later start may already own a new one.
        unlink(m_socketPath.c_str());
        CloseFd(m_socket);
    }
    m_lock.reset();
}

std::string CSingleInstance::InstanceName(const std::string& base)
{
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (display == nullptr || display[0] == '\0') {
        display = std::getenv("DISPLAY");
    }
    if (display == nullptr || display[0] == '\0') {
        return base;
    }
    std::string name = base + "@" + display;
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
}

std::filesystem::path CSingleInstance::DefaultDir(std::string* error)
{
    std::filesystem::path base;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        base = std::filesystem::path(runtime) / "tavolux";
    } else {
        std::error_code ec;
        const auto tmp = std::filesystem::temp_directory_path(ec);
        base = (ec ? std::filesystem::path("/tmp") : tmp) /
               ("tavolux-" + std::to_string(static_cast<unsigned long>(getuid())));
    }
    if (mkdir(base.c_str(), 0700) != 0 && errno != EEXIST) {
        if (error != nullptr) {
            *error = SystemText(base.c_str(), errno);
        }
        return {};
    }
    struct stat st {};
    // A folder someone else made in a shared temporary folder must not be trusted.
    if (lstat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) {
        if (error != nullptr) {
            *error = base.string() + " is not a folder of this user";
        }
        return {};
    }
    return base;
}

}  // namespace tavolux
