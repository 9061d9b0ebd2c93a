// Settling a RIP file's job for the print and passes commands.
#include "cli/FileRequest.h"

#include <ostream>
#include <system_error>

#include "config/PrinterConfig.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux::cli {

int SettleFileJob(CliContext& ctx, const CPrinterConfig& config, const std::filesystem::path& file,
                  FileJobOptions& options, bool missingIsLater, CRipReader& probe,
                  PrintTaskRequest& request)
{
    if (!options.printTypeGiven) {
        options.printType = config.params.PrintTypeID;
    }
    if (!IsPrintType(config, options.printType)) {
        // A configured print type that does not exist is the configuration's fault, not a
        // wrong word on the command line.
        return Fail(ctx, options.printTypeGiven ? kExitUsage : kExitFailed,
                    UnknownPrintTypeText(config, options.printType));
    }
    std::error_code ec;
    if (missingIsLater && !std::filesystem::exists(file, ec)) {
        request = PrintTaskRequest{};
        request.task.file = file;
        return kExitOk;
    }
    if (probe.OpenForPreview(file) != kRipOk) {
        return Fail(ctx, kExitFailed, file.string() + ": " + probe.ErrorText());
    }
    probe.Close();
    request = MakeFileRequest(config, file, probe, options.printType);
    if (options.maskMode >= 0) {
        request.task.maskMode = options.maskMode;
    }
    if (options.passes > 0) {
        request.task.passes = options.passes;
    }
    if (options.fromLineGiven) {
        if (options.fromLine < 0 || options.fromLine >= probe.Height()) {
            return Fail(ctx, kExitUsage,
                        FormatResString(ids::kFromLineBeyond, {std::to_string(options.fromLine),
                                                               std::to_string(probe.Height())}));
        }
        request.task.resume = options.fromLine > 0;
        request.task.resumeLine = options.fromLine;
    }
    return kExitOk;
}

bool AcceptFileWarnings(CliContext& ctx, const FilePrintWarnings& warnings, bool forceResolution,
                        bool allowIncomplete)
{
    bool accepted = true;
    const auto show = [&](const std::string& text, bool accept, const char* flag) {
        if (text.empty()) {
            return;
        }
        if (accept) {
            *ctx.err << "tavolux-cli: " << text << "\n";
            return;
        }
        Fail(ctx, kExitFailed, text + "\n" + FormatResString(ids::kPrintAnywayHint, {flag}));
        accepted = false;
    };
    show(warnings.resolution, forceResolution, "--force-resolution");
    show(warnings.incomplete, allowIncomplete, "--allow-incomplete");
    return accepted;
}

std::string ShellWord(const std::string& word)
{
    const bool plain = !word.empty() && word.find_first_not_of(
                                            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                            "0123456789_-+=.,/:@%") == std::string::npos;
    if (plain) {
        return word;
    }
    std::string quoted = "'";
    for (const char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

}  // namespace tavolux::cli
