// What every command of the command-line tool shares: global options and output streams.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace tavolux {
class CPrinterConfig;
}

namespace tavolux::cli {

// Exit codes of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the operation was carried out and failed
inline constexpr int kExitUsage = 2;   // bad arguments

struct CliContext {
    std::filesystem::path programDir;  // --program-dir, or the executable's folder
    std::string printer;               // --printer, empty: from the configuration
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;
};

// The whole text as a decimal number; false when anything else is in it.
bool ParseWholeNumber(const std::string& text, int& value);
bool ParseWholeNumber(const std::string& text, long long& value);

// Prints "tavolux-cli: " and the message to the error stream; returns code.
int Fail(CliContext& ctx, int code, const std::string& message);

// True when the configuration file exists; otherwise says so on the error stream.
bool CheckConfigPresent(CliContext& ctx);

// Commands, each given the words after its name.
int RunConfigCommand(CliContext& ctx, const std::vector<std::string>& args);
int RunMonitorCommand(CliContext& ctx, const std::vector<std::string>& args);
int RunSendCommand(CliContext& ctx, const std::vector<std::string>& args);
int RunLogCommand(CliContext& ctx, const std::vector<std::string>& args);
int RunPreviewCommand(CliContext& ctx, const std::vector<std::string>& args);
int RunTasksCommand(CliContext& ctx, const std::vector<std::string>& args);
int RunRipCommand(CliContext& ctx, const std::vector<std::string>& args);
int RunPassesCommand(CliContext& ctx, const std::vector<std::string>& args);
int RunPrintCommand(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace tavolux::cli
