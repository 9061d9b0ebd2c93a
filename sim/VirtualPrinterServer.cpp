// The virtual printer's socket server: an accept thread and one thread per connection, reaped
// when the connection ends.
#include "sim/VirtualPrinterServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "device/Protocol.h"
#include "sim/SocketProtocol.h"
#include "sim/VirtualTransport.h"

namespace tavolux::sim {

namespace {
constexpr int kRefusalMs = 100;  // the accept loop never waits longer on a refused connection

// What may be done with the path before binding: None when it is free (or now freed).
ServerStartError ClearPath(const std::string& path, int* systemError)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) {
            return ServerStartError::None;
        }
        if (systemError) {
            *systemError = errno;
        }
        return errno == ENOTDIR ? ServerStartError::NoDirectory : ServerStartError::System;
    }
    if (!S_ISSOCK(st.st_mode)) {
        return ServerStartError::NotASocket;
    }
    const int probe = ConnectUnixSocket(path);
    if (probe >= 0) {
        ::close(probe);
        return ServerStartError::InUse;
    }
    if (errno != ECONNREFUSED) {
        // A full queue (EAGAIN) is a live server too; anything else is not ours to remove.
        return errno == EAGAIN ? ServerStartError::InUse : ServerStartError::NotASocket;
    }
    // Nobody listens: the socket of a server that did not end cleanly.
    ::unlink(path.c_str());
    return ServerStartError::None;
}

}  // namespace

CVirtualPrinterServer::CVirtualPrinterServer(std::shared_ptr<CVirtualPrinter> printer,
                                             std::string path)
    : m_printer(std::move(printer)), m_path(std::move(path))
{
}

CVirtualPrinterServer::~CVirtualPrinterServer()
{
    Stop();
}

ServerStartError CVirtualPrinterServer::Start(int* systemError)
{
    auto fail = [&](ServerStartError why) {
        if (why == ServerStartError::System && systemError) {
            *systemError = errno;
        }
        for (int* fd : {&m_listenFd, &m_wakePipe[0], &m_wakePipe[1]}) {
            if (*fd >= 0) {
                ::close(*fd);
                *fd = -1;
            }
        }
        return why;
    };
    sockaddr_un addr{};
    if (m_path.empty() || m_path.size() >= sizeof addr.sun_path) {
        return ServerStartError::PathTooLong;
    }
    if (const ServerStartError e = ClearPath(m_path, systemError); e != ServerStartError::None) {
        return e;
    }
    if (::pipe2(m_wakePipe, O_CLOEXEC) != 0) {
        return fail(ServerStartError::System);
    }
    m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0) {
        return fail(ServerStartError::System);
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, m_path.c_str(), m_path.size() + 1);
    // Created owner-only from the start: nobody else may drive the printer.
    const mode_t old = ::umask(0177);
    const int bound = ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::umask(old);
    if (bound != 0) {
        // Another server may have taken the path since it was cleared: leave it to that one.
        return fail(errno == EADDRINUSE ? ServerStartError::InUse
                    : errno == ENOENT   ? ServerStartError::NoDirectory
                    : errno == EACCES   ? ServerStartError::Access
                                        : ServerStartError::System);
    }
    ::chmod(m_path.c_str(), 0600);
    if (::listen(m_listenFd, kMaxClients) != 0) {
        const ServerStartError e = fail(ServerStartError::System);
        ::unlink(m_path.c_str());
        return e;
    }
    m_stopping = false;
    m_acceptThread = std::thread([this] { AcceptLoop(); });
    return ServerStartError::None;
}

void CVirtualPrinterServer::Stop()
{
    if (!m_acceptThread.joinable()) {
        return;
    }
    m_stopping = true;
    const char b = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wakePipe[1], &b, 1);
    m_acceptThread.join();
    {
        std::lock_guard lock(m_mutex);
        for (Client& c : m_clients) {
            if (c.fd >= 0) {
                ::shutdown(c.fd, SHUT_RDWR);
            }
        }
    }
    // The accept thread is gone: nobody adds to the list any more.
    for (Client& c : m_clients) {
        c.thread.join();
    }
    m_clients.clear();
    ::close(m_listenFd);
    ::close(m_wakePipe[0]);
    ::close(m_wakePipe[1]);
    m_listenFd = m_wakePipe[0] = m_wakePipe[1] = -1;
    ::unlink(m_path.c_str());
}

int CVirtualPrinterServer::ClientThreads()
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_clients.size());
}

void CVirtualPrinterServer::ReapLocked()
{
    for (auto it = m_clients.begin(); it != m_clients.end();) {
        if (it->done) {
            // Its last act was under the mutex, which this thread now holds: it is leaving.
            it->thread.join();
            it = m_clients.erase(it);
        } else {
            ++it;
        }
    }
}

void CVirtualPrinterServer::AcceptLoop()
{
    while (!m_stopping) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        const int r = ::poll(fds, 2, -1);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0 || (fds[1].revents & POLLIN)) {
            return;
        }
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        std::lock_guard lock(m_mutex);
        ReapLocked();
        if (static_cast<int>(m_clients.size()) >= kMaxClients) {
            // Said, not just dropped: the program that asked learns the printer is busy.
            // The request is taken in first, briefly: a socket closed with unread bytes may
            // lose its answer on the way.
            uint8_t head[10];
            ReceiveAll(fd, head, sizeof head, IoLimit{kRefusalMs, nullptr});
            ResponseHeader busy;
            busy.error = static_cast<uint8_t>(TransportError::Busy);
            SendResponse(fd, busy, nullptr, IoLimit{kRefusalMs, nullptr});
            ::shutdown(fd, SHUT_WR);
            ::close(fd);
            continue;
        }
        Client& client = m_clients.emplace_back();
        client.fd = fd;
        client.thread = std::thread([this, &client] { Serve(client); });
    }
}

void CVirtualPrinterServer::Hang()
{
    ++m_hung;
    while (!m_stopping) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kInterruptSliceMs));
    }
    --m_hung;
}

void CVirtualPrinterServer::Serve(Client& client)
{
    int fd = -1;
    {
        std::lock_guard lock(m_mutex);
        fd = client.fd;
    }
    CVirtualTransport transport(m_printer);
    RequestHeader request;
    std::vector<uint8_t> payload;
    std::vector<uint8_t> out;
    bool printed = false;  // the connection drove the printer (a control line does not)
    while (!m_stopping && ReceiveRequest(fd, request, payload)) {
        ResponseHeader response;
        out.clear();
        int moved = 0;
        TransportError e = TransportError::None;
        switch (static_cast<SocketRequest>(request.type)) {
            case SocketRequest::Open:
                e = transport.Open();
                printed = true;
                break;
            case SocketRequest::Endpoints:
                for (const EndpointInfo& ep : transport.Endpoints()) {
                    out.push_back(ep.address);
                    out.push_back(ep.attributes);
                }
                break;
            case SocketRequest::Write:
                if (request.endpoint == wire::kDataOut && m_hangArmed.exchange(false)) {
                    Hang();
                    continue;
                }
                e = transport.BulkWrite(request.endpoint, payload.data(),
                                        static_cast<int>(payload.size()), 0, moved);
                response.value = static_cast<uint32_t>(moved);
                break;
            case SocketRequest::Read:
                out.resize(std::min<uint32_t>(request.length, kMaxSocketAnswer));
                e = transport.BulkRead(request.endpoint, out.data(), static_cast<int>(out.size()),
                                       0, moved);
                out.resize(static_cast<size_t>(moved));
                break;
            case SocketRequest::Control: {
                const std::string line(payload.begin(), payload.end());
                std::string answer;
                if (line == kHangLine) {
                    m_hangArmed = true;
                    answer = "ok";
                } else if (line == kHungLine) {
                    answer = std::to_string(m_hung.load());
                } else {
                    answer = m_printer->Control(line);
                }
                out.assign(answer.begin(), answer.end());
                break;
            }
            case SocketRequest::ResetPort:
                transport.ResetPort();
                break;
            case SocketRequest::Close:
                transport.Close();
                break;
            default:
                e = TransportError::Io;
                break;
        }
        response.error = static_cast<uint8_t>(e);
        response.length = static_cast<uint32_t>(out.size());
        if (!SendResponse(fd, response, out.data())) {
            break;
        }
    }
    if (printed) {
        // The program that printed has let go: what it printed is on the sheet.
        m_printer->FlushMedia();
    }
    std::lock_guard lock(m_mutex);
    client.fd = -1;
    ::close(fd);
    client.done = true;
}

}  // namespace tavolux::sim
