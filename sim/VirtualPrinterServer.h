// Serves a virtual printer on a Unix-domain socket (mode 0600): every connection gets its own
// handle on the printer, as a USB host would.
#pragma once

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sim/VirtualPrinter.h"

namespace tavolux::sim {

class CVirtualPrinterServer {
public:
    CVirtualPrinterServer(std::shared_ptr<CVirtualPrinter> printer, std::string path);
    ~CVirtualPrinterServer();  // Stop
    CVirtualPrinterServer(const CVirtualPrinterServer&) = delete;
    CVirtualPrinterServer& operator=(const CVirtualPrinterServer&) = delete;

    // Binds the socket (replacing a stale one) and starts accepting. False with a reason.
    bool Start(std::string* error = nullptr);
    // Closes the socket and every connection and joins their threads; removes the socket file.
    void Stop();

private:
    void AcceptLoop();
    void Serve(int fd);

    std::shared_ptr<CVirtualPrinter> m_printer;
    const std::string m_path;
    int m_listenFd = -1;
    int m_wakePipe[2] = {-1, -1};  // a byte here ends the accept loop
    std::thread m_acceptThread;
    std::mutex m_mutex;  // guards the two lists
    std::list<int> m_clients;
    std::list<std::thread> m_clientThreads;
    std::atomic<bool> m_stopping{false};
};

}  // namespace tavolux::sim
