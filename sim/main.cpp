// tavolux-vprinter: the virtual printer as its own program, on a Unix-domain socket. Control
// lines ("key pause", "unplug", "status", ...) come from standard input or from
// "tavolux-vprinter --socket PATH --control LINE".
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "config/IniFile.h"
#include "config/PrinterConfig.h"
#include "platform/ProgramDir.h"
#include "res/Language.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "sim/SocketTransport.h"
#include "sim/VirtualPrinter.h"
#include "sim/VirtualPrinterServer.h"
#include "sim/setup/HeadsFromConfig.h"

namespace {

using tavolux::FormatResString;
using tavolux::LoadResString;
namespace ids = tavolux::ids;

constexpr const char* kUsage =
    "usage: tavolux-vprinter --socket PATH [--instant] [--control-stdin]\n"
    "                        [--media-out DIR [--yres DPI]] [--program-dir DIR]\n"
    "       tavolux-vprinter --socket PATH --control LINE [--program-dir DIR]\n"
    "       tavolux-vprinter --help | --version\n"
    "--socket PATH: the Unix-domain socket to listen on (mode 0600); a socket left by a\n"
    "  printer that ended is replaced, anything else at PATH is refused\n"
    "--instant: answer at once instead of in mechanical time\n"
    "--media-out DIR: print onto a sheet with the heads of the printer type chosen in\n"
    "  tavolux.ini (beside the program, or in --program-dir) and write it to DIR at the end\n"
    "  of each job: channel_C.pbm, sheet.png, summary.json\n"
    "--yres DPI: the jobs' vertical resolution, which the wire does not carry (default: that\n"
    "  of the resolution chosen in tavolux.ini); it places an interlaced job's nozzle rows\n"
    "--control-stdin: read control lines from standard input even when it is a terminal\n"
    "  (they are read from a pipe or file without it; never from a terminal, so that the\n"
    "  program can run in the background of an interactive shell)\n"
    "--control LINE: send one control line to the printer listening on PATH\n"
    "control lines: key pause|resume|cancel|up|down|left|right|stop, reset, unplug, replug,\n"
    "  mute, unmute, stall, garble, oversize, short N, reply HEX..., status,\n"
    "  sheet new|write [DIR]|status, hang (stop reading at the next raster write), hung\n";

void Say(std::ostream& out, const std::string& text)
{
    out << "tavolux-vprinter: " << text << std::endl;
}

// Texts follow the configured language, as in the other programs: English only when
// tavolux.ini chooses it and the English table is there.
void ChooseLanguage()
{
    using namespace tavolux;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(GetProgramDir() / kConfigFileName, ec)) {
        SetUiLanguage(UiLanguage::Chinese);
        return;
    }
    CPrinterConfig config(GetProgramDir());
    config.LoadConfig();  // a damaged file still names its language
    ApplyLanguageRule(config.LanguageName(), SystemDefaultLanguageId(), GetProgramDir());
}

// Loads the heads of the configured printer type onto the printer; false with a message.
bool LoadMediaFromConfig(tavolux::sim::CVirtualPrinter& printer,
                         const std::filesystem::path& mediaOut, int yDpi)
{
    using namespace tavolux;
    const std::string ini = (GetProgramDir() / kConfigFileName).string();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(ini, ec)) {
        Say(std::cerr, FormatResString(ids::kVpNoConfig, {ini}));
        return false;
    }
    CPrinterConfig config(GetProgramDir());
    if (!config.LoadConfig()) {
        Say(std::cerr, FormatResString(ids::kVpConfigUnreadable, {ini}));
        return false;
    }
    const sim::PrinterHeads heads = sim::HeadsFromConfig(config);
    if (const std::string problem = heads.Problem(); !problem.empty()) {
        std::string text = FormatResString(ids::kVpHeadsUnusable, {ini});
        if (GetUiLanguage() == UiLanguage::English) {
            text += ": " + problem;  // the heads' own explanation is English
        }
        Say(std::cerr, text);
        return false;
    }
    // The horizontal resolution comes with each job's set-up; the vertical one never does.
    printer.LoadMedia(heads, 0, yDpi > 0 ? yDpi : config.params.ResolutionY);
    printer.SetMediaOut(mediaOut);
    return true;
}

std::string StartFailureText(tavolux::sim::ServerStartError e, const std::string& path,
                             int systemError)
{
    using tavolux::sim::ServerStartError;
    switch (e) {
        case ServerStartError::PathTooLong:
            return FormatResString(ids::kVpPathTooLong, {path});
        case ServerStartError::InUse:
            return FormatResString(ids::kVpPathInUse, {path});
        case ServerStartError::NotASocket:
            return FormatResString(ids::kVpNotASocket, {path});
        case ServerStartError::NoDirectory:
            return FormatResString(ids::kVpNoDirectory, {path});
        case ServerStartError::Access:
            return FormatResString(ids::kVpAccess, {path});
        default:
            return FormatResString(ids::kVpSystem, {path, std::to_string(systemError)});
    }
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace tavolux::sim;
    std::string path;
    std::string control;
    bool instant = false;
    bool haveControl = false;
    bool controlStdin = false;
    std::string badOption;
    std::filesystem::path mediaOut;
    int yDpi = 0;
    for (int i = 1; i < argc && badOption.empty(); ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h" || arg == "help") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "tavolux-vprinter " << TAVOLUX_VERSION << '\n';
            return 0;
        }
        if (arg == "--socket" && i + 1 < argc) {
            path = argv[++i];
        } else if (arg == "--control" && i + 1 < argc) {
            control = argv[++i];
            haveControl = true;
        } else if (arg == "--instant") {
            instant = true;
        } else if (arg == "--control-stdin") {
            controlStdin = true;
        } else if (arg == "--media-out" && i + 1 < argc) {
            mediaOut = argv[++i];
        } else if (arg == "--yres" && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
            yDpi = std::atoi(argv[++i]);
        } else if (arg == "--program-dir" && i + 1 < argc) {
            tavolux::SetProgramDir(argv[++i]);
        } else {
            badOption = arg;
        }
    }
    ChooseLanguage();
    if (!badOption.empty() || path.empty()) {
        Say(std::cerr, badOption.empty() ? LoadResString(ids::kVpNoSocket)
                                         : FormatResString(ids::kVpBadOption, {badOption}));
        std::cerr << kUsage;
        return 2;
    }
    if (haveControl) {
        CSocketTransport link(path);
        std::string answer;
        if (link.Control(control, answer) != tavolux::TransportError::None) {
            Say(std::cerr, FormatResString(ids::kVpNoPrinter, {path}));
            return 1;
        }
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
    if (!mediaOut.empty() && !LoadMediaFromConfig(*printer, mediaOut, yDpi)) {
        return 1;
    }
    CVirtualPrinterServer server(printer, path);
    int systemError = 0;
    if (const ServerStartError e = server.Start(&systemError); e != ServerStartError::None) {
        Say(std::cerr, StartFailureText(e, path, systemError));
        return 1;
    }
    std::string listening = FormatResString(ids::kVpListening, {path});
    if (instant) {
        listening += ", " + LoadResString(ids::kVpInstant);
    }
    if (!mediaOut.empty()) {
        listening += ", " + FormatResString(ids::kVpSheetsTo, {mediaOut.string()});
    }
    Say(std::cout, listening);
    // Control lines come from standard input when asked for, or when it is a pipe or a file:
    // reading a terminal from the background would stop the program (SIGTTIN).
    if (controlStdin || ::isatty(STDIN_FILENO) == 0) {
        std::thread([printer] {
            for (std::string line; std::getline(std::cin, line);) {
                if (!line.empty()) {
                    std::cout << printer->Control(line) << std::endl;
                }
            }
        }).detach();
    }
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
    return 0;
}
