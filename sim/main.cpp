// tavolux-vprinter: the virtual printer as its own program, on a Unix-domain socket. Control
// lines ("key pause", "unplug", "status", ...) come from standard input or from
// "tavolux-vprinter --socket PATH --control LINE".
#include <csignal>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "sim/SocketTransport.h"
#include "sim/VirtualPrinter.h"
#include "sim/VirtualPrinterServer.h"

namespace {

constexpr const char* kUsage =
    "usage: tavolux-vprinter --socket PATH [--instant]\n"
    "       tavolux-vprinter --socket PATH --control LINE\n"
    "control lines: key pause|resume|cancel|up|down|left|right|stop, reset, unplug, replug,\n"
    "  mute, unmute, stall, garble, oversize, short N, reply HEX..., status\n";

}  // namespace

int main(int argc, char** argv)
{
    using namespace tavolux::sim;
    std::string path;
    std::string control;
    bool instant = false;
    bool haveControl = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--socket" && i + 1 < argc) {
            path = argv[++i];
        } else if (arg == "--control" && i + 1 < argc) {
            control = argv[++i];
            haveControl = true;
        } else if (arg == "--instant") {
            instant = true;
        } else {
            std::cerr << kUsage;
            return 2;
        }
    }
    if (path.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    if (haveControl) {
        CSocketTransport link(path);
        const std::string answer = link.Control(control);
        std::cout << answer << '\n';
        return answer.starts_with("error") ? 1 : 0;
    }

    // The signals end the program through sigwait below, not through handlers.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    auto printer = std::make_shared<CVirtualPrinter>(instant);
    CVirtualPrinterServer server(printer, path);
    std::string error;
    if (!server.Start(&error)) {
        std::cerr << "tavolux-vprinter: " << error << '\n';
        return 1;
    }
    std::cout << "tavolux-vprinter: listening on " << path << (instant ? " (instant)" : "")
              << std::endl;
    // Standard input gives control lines until it ends; the printer keeps running after that.
    std::thread([printer] {
        for (std::string line; std::getline(std::cin, line);) {
            if (!line.empty()) {
                std::cout << printer->Control(line) << std::endl;
            }
        }
    }).detach();
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
    return 0;
}
