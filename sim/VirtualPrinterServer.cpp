// The virtual printer's socket server: an accept thread and one thread per connection.
#include "sim/VirtualPrinterServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "sim/SocketProtocol.h"
#include "sim/VirtualTransport.h"

namespace tavolux::sim {

CVirtualPrinterServer::CVirtualPrinterServer(std::shared_ptr<CVirtualPrinter> printer,
                                             std::string path)
    : m_printer(std::move(printer)), m_path(std::move(path))
{
}

CVirtualPrinterServer::~CVirtualPrinterServer()
{
    Stop();
}

bool CVirtualPrinterServer::Start(std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error) {
            *error = why + ": " + std::strerror(errno);
        }
        if (m_listenFd >= 0) {
            ::close(m_listenFd);
            m_listenFd = -1;
        }
        return false;
    };
    sockaddr_un addr{};
    if (m_path.size() >= sizeof addr.sun_path) {
        errno = ENAMETOOLONG;
        return fail("socket path too long");
    }
    if (::pipe(m_wakePipe) != 0) {
        return fail("pipe");
    }
    m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0) {
        return fail("socket");
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, m_path.c_str(), m_path.size() + 1);
    ::unlink(m_path.c_str());
    // Created owner-only from the start: nobody else may drive the printer.
    const mode_t old = ::umask(0177);
    const int bound = ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::umask(old);
    if (bound != 0) {
        return fail("bind " + m_path);
    }
    ::chmod(m_path.c_str(), 0600);
    if (::listen(m_listenFd, 8) != 0) {
        return fail("listen");
    }
    m_acceptThread = std::thread([this] { AcceptLoop(); });
    return true;
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
        for (int fd : m_clients) {
            ::shutdown(fd, SHUT_RDWR);
        }
    }
    for (std::thread& t : m_clientThreads) {
        t.join();
    }
    m_clientThreads.clear();
    ::close(m_listenFd);
    ::close(m_wakePipe[0]);
    ::close(m_wakePipe[1]);
    m_listenFd = m_wakePipe[0] = m_wakePipe[1] = -1;
    ::unlink(m_path.c_str());
}

void CVirtualPrinterServer::AcceptLoop()
{
    while (!m_stopping) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN)) {
            if (errno == EINTR && !m_stopping) {
                continue;
            }
            return;
        }
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        std::lock_guard lock(m_mutex);
        m_clients.push_back(fd);
        m_clientThreads.emplace_back([this, fd] { Serve(fd); });
    }
}

void CVirtualPrinterServer::Serve(int fd)
{
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
                e = transport.BulkWrite(request.endpoint, payload.data(),
                                        static_cast<int>(payload.size()), 0, moved);
                response.value = static_cast<uint32_t>(moved);
                break;
            case SocketRequest::Read:
                out.resize(std::min<uint32_t>(request.length, 65536));
                e = transport.BulkRead(request.endpoint, out.data(), static_cast<int>(out.size()),
                                       0, moved);
                out.resize(static_cast<size_t>(moved));
                break;
            case SocketRequest::Control: {
                const std::string answer =
                    m_printer->Control(std::string(payload.begin(), payload.end()));
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
    m_clients.remove(fd);
    ::close(fd);
}

}  // namespace tavolux::sim
