// tavolux-cli: the printer host without a window, for operators' scripts, tests and demos.
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "cli/CliContext.h"
#include "cli/Usage.h"
#include "platform/ProgramDir.h"
#include "platform/UiFacade.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

#ifndef TAVOLUX_VERSION
#define TAVOLUX_VERSION "unknown"
#endif

int main(int argc, char** argv)
{
    using namespace tavolux;
    cli::CliContext ctx;
    ctx.out = &std::cout;
    ctx.err = &std::cerr;
    cli::CCliUiFacade ui;
    SetUi(&ui);

    std::vector<std::string> words;
    bool wantHelp = false;
    bool wantVersion = false;
    std::string missingValue;  // a global option given without its value
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
            wantHelp = true;
        } else if (arg == "--version" && words.empty()) {
            wantVersion = true;
        } else if (arg == "--program-dir" || arg == "--printer") {
            missingValue = arg;
        } else {
            words.push_back(arg);
        }
    }
    // An installed program makes the user's own folder on its first start.
    std::string notSeeded;
    bool seeded = true;
    if (ctx.programDir.empty()) {
        seeded = PrepareProgramDir(notSeeded);
        ctx.programDir = GetProgramDir();
    }
    SetProgramDir(ctx.programDir);
    // Every message from here on is in the configured language.
    cli::ApplyCliLanguage(ctx.programDir);
    if (!seeded) {
        // The configuration is reported missing where a command needs it.
        std::cerr << "tavolux-cli: "
                  << FormatResString(ids::kUserConfigNotSeeded,
                                     {ctx.programDir.string(), notSeeded})
                  << std::endl;
    }

    int code = cli::kExitOk;
    if (!missingValue.empty()) {
        cli::Fail(ctx, cli::kExitUsage, FormatResString(ids::kCliNeedsValue, {missingValue}));
        cli::WriteToolUsage(std::cerr);
        code = cli::kExitUsage;
    } else if (wantVersion) {
        std::cout << "tavolux-cli " << TAVOLUX_VERSION << "\n";
    } else if (wantHelp || (!words.empty() && words.front() == "help")) {
        // "help COMMAND", "COMMAND --help" and "--help" alone.
        const size_t at = !words.empty() && words.front() == "help" ? 1 : 0;
        code = cli::RunHelp(ctx, words.size() > at ? words[at] : "");
    } else if (words.empty()) {
        cli::WriteToolUsage(std::cerr);
        code = cli::kExitUsage;
    } else {
        using Command = int (*)(cli::CliContext&, const std::vector<std::string>&);
        static const std::map<std::string, Command> kCommands = {
            {"config", cli::RunConfigCommand},   {"monitor", cli::RunMonitorCommand},
            {"send", cli::RunSendCommand},       {"log", cli::RunLogCommand},
            {"preview", cli::RunPreviewCommand}, {"tasks", cli::RunTasksCommand},
            {"rip", cli::RunRipCommand},         {"passes", cli::RunPassesCommand},
            {"print", cli::RunPrintCommand},     {"chart", cli::RunChartCommand},
        };
        const auto found = kCommands.find(words.front());
        if (found == kCommands.end()) {
            cli::Fail(ctx, cli::kExitUsage,
                      FormatResString(ids::kCliUnknownCommand, {words.front()}));
            cli::WriteToolUsage(std::cerr);
            code = cli::kExitUsage;
        } else {
            const std::vector<std::string> args(words.begin() + 1, words.end());
            code = found->second(ctx, args);
        }
    }
    SetUi(nullptr);
    return code;
}
