// tavolux-cli: the printer host without a window, for operators' scripts, tests and demos.
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliContext.h"
#include "platform/ProgramDir.h"
#include "platform/UiFacade.h"

namespace {

constexpr const char* kUsage =
    "usage: tavolux-cli [--program-dir DIR] [--printer usb|virtual|virtual:instant|socket:PATH] "
    "COMMAND ...\n"
    "commands:\n"
    "  config dump                 print every configuration field\n"
    "  config save                 load, then save the operator and calibration keys\n"
    "  config save-printer-type    load, then save the printer-type keys and lists\n"
    "  config get SECTION KEY      print one value of tavolux.ini\n"
    "  config set SECTION KEY VAL  write one value of tavolux.ini\n"
    "  monitor [--seconds N]       poll the printer; print states, notices and replies\n"
    "  send OPERATION [ARG] [--data HEX]\n"
    "                              send one operation; print the bytes and the result\n"
    "  log decode FILE             turn a Command.txt into readable lines\n"
    "  preview FILE [--mode auto|2|4|8] [--view WxH] --out PREVIEW.png\n"
    "                              write the preview of a RIP file as a PNG\n"
    "  tasks list                  print the rows of the task list (Works/Tasks.dat)\n"
    "  tasks add FILE [--mode M] [--view WxH]\n"
    "                              add a RIP file as a task, with its thumbnail, and save\n"
    "  tasks remove N              delete task N (1-based) and its thumbnail, and save\n"
    "  tasks save                  mark every task saved and write Tasks.dat\n"
    "  rip info FILE               print a RIP file's header and whether it is complete\n"
    "  rip make OUT.prn --width PX --height LINES --planes N --xres DPI --yres DPI\n"
    "           [--pattern gradient|random|text|blank-margins] [--seed S]\n"
    "                              write a sample RIP file\n"
    "  passes FILE [--print-type I] [--passes P] [--mask-mode M] [--dump DIR]\n"
    "                              cut a RIP file into passes with the current configuration\n"
    "  print FILE [--copies N] [--print-type I] [--mask-mode M] [--media-out DIR]\n"
    "                              print a RIP file; Ctrl+C cancels\n"
    "  print --task N [--media-out DIR]\n"
    "                              print task N of the task list with its stored settings;\n"
    "                              its row and resume line are saved\n";

}  // namespace

int main(int argc, char** argv)
{
    using namespace tavolux;
    cli::CliContext ctx;
    ctx.out = &std::cout;
    ctx.err = &std::cerr;

    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--program-dir" && i + 1 < argc) {
            ctx.programDir = argv[++i];
        } else if (arg == "--printer" && i + 1 < argc) {
            ctx.printer = argv[++i];
        } else if (arg.starts_with("--program-dir=")) {
            ctx.programDir = arg.substr(14);
        } else if (arg.starts_with("--printer=")) {
            ctx.printer = arg.substr(10);
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return cli::kExitOk;
        } else if (arg == "--program-dir" || arg == "--printer") {
            std::cerr << "tavolux-cli: " << arg << " needs a value\n" << kUsage;
            return cli::kExitUsage;
        } else {
            words.push_back(arg);
        }
    }
    if (ctx.programDir.empty()) {
        ctx.programDir = ExecutableDir();
    }
    SetProgramDir(ctx.programDir);

    if (words.empty()) {
        std::cerr << kUsage;
        return cli::kExitUsage;
    }
    std::string command = words.front();
    std::vector<std::string> args(words.begin() + 1, words.end());
    if (command == "config") {
        return cli::RunConfigCommand(ctx, args);
    }
    if (command == "monitor") {
        return cli::RunMonitorCommand(ctx, args);
    }
    if (command == "send") {
        return cli::RunSendCommand(ctx, args);
    }
    if (command == "log") {
        return cli::RunLogCommand(ctx, args);
    }
    if (command == "preview") {
        return cli::RunPreviewCommand(ctx, args);
    }
    if (command == "tasks") {
        return cli::RunTasksCommand(ctx, args);
    }
    if (command == "rip") {
        return cli::RunRipCommand(ctx, args);
    }
    if (command == "passes") {
        return cli::RunPassesCommand(ctx, args);
    }
    if (command == "print") {
        return cli::RunPrintCommand(ctx, args);
    }
    std::cerr << "tavolux-cli: unknown command \"" << command << "\"\n" << kUsage;
    return cli::kExitUsage;
}
