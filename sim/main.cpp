// tavolux-vprinter: the virtual printer as its own program, on a Unix-domain socket. Control
// lines ("key pause", "unplug", "status", ...) come from standard input or from
// "tavolux-vprinter --socket PATH --control LINE".
#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "sim/SocketTransport.h"
#include "sim/VirtualPrinter.h"
#include "sim/VirtualPrinterServer.h"
#include "sim/setup/HeadsFromConfig.h"
#include "config/IniFile.h"
#include "config/PrinterConfig.h"
#include "platform/ProgramDir.h"

namespace {

constexpr const char* kUsage =
    "usage: tavolux-vprinter --socket PATH [--instant] [--media-out DIR [--program-dir DIR]]\n"
    "       tavolux-vprinter --socket PATH --control LINE\n"
    "--media-out: print onto a sheet with the heads of the printer type chosen in\n"
    "  tavolux.ini (beside the program, or in --program-dir) and write it to DIR at the end\n"
    "  of each job: channel_C.pbm, sheet.png, summary.json\n"
    "control lines: key pause|resume|cancel|up|down|left|right|stop, reset, unplug, replug,\n"
    "  mute, unmute, stall, garble, oversize, short N, reply HEX..., status,\n"
    "  sheet new|write [DIR]|status\n";

// Loads the heads of the configured printer type onto the printer; false with a message.
bool LoadMediaFromConfig(tavolux::sim::CVirtualPrinter& printer,
                         const std::filesystem::path& mediaOut)
{
    using namespace tavolux;
    const auto ini = GetProgramDir() / kConfigFileName;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(ini, ec)) {
        std::cerr << "tavolux-vprinter: no configuration file at " << ini.string()
                  << " (--media-out needs the printer's heads)\n";
        return false;
    }
    CPrinterConfig config(GetProgramDir());
    if (!config.LoadConfig()) {
        std::cerr << "tavolux-vprinter: cannot read " << ini.string() << "\n";
        return false;
    }
    const sim::PrinterHeads heads = sim::HeadsFromConfig(config);
    if (const std::string problem = heads.Problem(); !problem.empty()) {
        std::cerr << "tavolux-vprinter: " << ini.string() << ": " << problem << "\n";
        return false;
    }
    printer.LoadMedia(heads);
    printer.SetMediaOut(mediaOut);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace tavolux::sim;
    std::string path;
    std::string control;
    bool instant = false;
    bool haveControl = false;
    std::filesystem::path mediaOut;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--socket" && i + 1 < argc) {
            path = argv[++i];
        } else if (arg == "--control" && i + 1 < argc) {
            control = argv[++i];
            haveControl = true;
        } else if (arg == "--instant") {
            instant = true;
        } else if (arg == "--media-out" && i + 1 < argc) {
            mediaOut = argv[++i];
        } else if (arg == "--program-dir" && i + 1 < argc) {
            tavolux::SetProgramDir(argv[++i]);
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
    if (!mediaOut.empty() && !LoadMediaFromConfig(*printer, mediaOut)) {
        return 1;
    }
    CVirtualPrinterServer server(printer, path);
    std::string error;
    if (!server.Start(&error)) {
        std::cerr << "tavolux-vprinter: " << error << '\n';
        return 1;
    }
    std::cout << "tavolux-vprinter: listening on " << path << (instant ? " (instant)" : "");
    if (!mediaOut.empty()) {
        std::cout << ", sheets go to " << mediaOut.string();
    }
    std::cout << std::endl;
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
