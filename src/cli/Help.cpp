// "help": the tool's usage, and each command's options with the settings they choose from.
#include <algorithm>
#include <ostream>
#include <string_view>
#include <system_error>

#include "cli/CliContext.h"
#include "cli/Usage.h"
#include "config/IniFile.h"
#include "config/PrinterConfig.h"
#include "print/MergeInput.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "tasks/TaskList.h"

namespace tavolux::cli {

namespace {

// The print types of the configured printer, as --print-type numbers them.
void WritePrintTypes(CliContext& ctx)
{
    std::error_code ec;
    *ctx.out << "\nprint types of the configured printer (--print-type):\n";
    if (!std::filesystem::is_regular_file(ctx.programDir / kConfigFileName, ec)) {
        *ctx.out << "  (no tavolux.ini in " << ctx.programDir.string() << ")\n";
        return;
    }
    CPrinterConfig config(ctx.programDir);
    config.LoadConfig();  // a partial load still names the print types it has
    const auto& names = config.lists.PrintTypeDisplayList;
    if (names.empty()) {
        *ctx.out << "  (none configured)\n";
    }
    for (size_t i = 0; i < names.size(); ++i) {
        const int index = static_cast<int>(i);
        const PrintTypeChoice type = DerivePrintType(config, index);
        *ctx.out << "  " << index << "  " << names[i] << "  " << type.xResolution << "x"
                 << type.yResolution << " dpi, " << type.passes << " passes"
                 << (index == config.params.PrintTypeID ? "  (configured)" : "") << "\n";
    }
}

void WriteMaskModes(CliContext& ctx)
{
    *ctx.out << "\nmask modes (--mask-mode):\n"
             << "  " << kMaskNone << "  none: every pass prints every pixel it covers\n"
             << "  " << kMaskPass << "  pass masks: each pixel in exactly one pass\n"
             << "  " << kMaskInterleave
             << "  column interleave: pass p prints the columns p mod P\n";
}

void WriteOperations(CliContext& ctx)
{
    *ctx.out << "\noperations:\n";
    for (const SendOperation& op : SendOperations()) {
        *ctx.out << "  " << op.number << "  "
                 << (op.name.empty() ? "(second head-value set, by number)" : op.name)
                 << (op.block ? "  (block: --data)" : "") << "\n";
    }
}

}  // namespace

void WriteToolUsage(std::ostream& out)
{
    out << "usage: tavolux-cli [--program-dir DIR] "
           "[--printer usb|virtual|virtual:instant|socket:PATH] COMMAND ...\n"
           "       tavolux-cli help [COMMAND] | COMMAND --help | --help | --version\n\n"
           "commands:\n";
    for (const auto& entry : kCommandUsage) {
        // Each synopsis without its "usage: " word, indented under the heading.
        std::string_view synopsis = entry.synopsis;
        synopsis.remove_prefix(std::min(synopsis.size(), std::string_view("usage: ").size()));
        out << "  " << synopsis << "\n";
    }
    out << "\n\"tavolux-cli help COMMAND\" shows a command's usage and options.\n"
           "exit codes: 0 success, 1 the work failed, 2 a usage error.\n";
}

int RunHelp(CliContext& ctx, const std::string& command)
{
    if (command.empty()) {
        WriteToolUsage(*ctx.out);
        return kExitOk;
    }
    const CommandUsageEntry* entry = FindCommandUsage(command);
    if (entry == nullptr) {
        Fail(ctx, kExitUsage, FormatResString(ids::kCliUnknownCommand, {command}));
        WriteToolUsage(*ctx.err);
        return kExitUsage;
    }
    *ctx.out << entry->synopsis << "\n\n" << entry->options;
    if (entry->printSettings) {
        WritePrintTypes(ctx);
        WriteMaskModes(ctx);
    }
    if (command == "send") {
        WriteOperations(ctx);
    }
    return kExitOk;
}

}  // namespace tavolux::cli
