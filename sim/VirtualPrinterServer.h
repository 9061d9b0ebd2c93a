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

// Why the server did not start.
enum class ServerStartError {
    None,         // listening
    PathTooLong,  // the path does not fit a socket address
    InUse,        // another server listens on the path
    NotASocket,   // something else is at the path; it is left alone
    NoDirectory,  // the path's folder does not exist
    Access,       // the folder may not be written
    System,       // any other failure of the system (errno in the detail)
};

class CVirtualPrinterServer {
public:
    // Programs served at once; one more is answered "busy" and disconnected.
    static constexpr int kMaxClients = 16;

    CVirtualPrinterServer(std::shared_ptr<CVirtualPrinter> printer, std::string path);
    ~CVirtualPrinterServer();  // Stop
    CVirtualPrinterServer(const CVirtualPrinterServer&) = delete;
    CVirtualPrinterServer& operator=(const CVirtualPrinterServer&) = delete;

    // Binds the socket and starts accepting. A socket nobody listens on (left by a server that
    // died) is replaced; a live one, or anything that is not a socket, is refused untouched.
    // systemError receives errno for ServerStartError::System.
    ServerStartError Start(int* systemError = nullptr);
    // Closes the socket and every connection and joins their threads; removes the socket file.
    void Stop();

    // Connection threads not yet joined (those serving, and ended ones not yet reaped).
    int ClientThreads();

    // Control lines of the server itself, taken before the printer's: "hang" makes the next
    // raster write the last thing a connection reads (a printer that stops answering in the
    // middle of a job: nothing is read or answered on it until the server stops); "hung" answers
    // how many connections hang.
    static constexpr const char* kHangLine = "hang";
    static constexpr const char* kHungLine = "hung";

private:
    struct Client {
        int fd = -1;        // -1 once the connection is closed; guarded by m_mutex
        bool done = false;  // the thread has ended its work; guarded by m_mutex
        std::thread thread;
    };
    void AcceptLoop();
    void Serve(Client& client);
    void Hang();        // reads and answers nothing more, until the server stops
    void ReapLocked();  // joins ended connection threads; caller holds m_mutex

    std::shared_ptr<CVirtualPrinter> m_printer;
    const std::string m_path;
    int m_listenFd = -1;
    int m_wakePipe[2] = {-1, -1};  // a byte here ends the accept loop
    std::thread m_acceptThread;
    std::mutex m_mutex;  // guards m_clients and the fields of each
    std::list<Client> m_clients;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_hangArmed{false};
    std::atomic<int> m_hung{0};
};

}  // namespace tavolux::sim
