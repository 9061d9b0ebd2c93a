// What every command of the command-line tool shares: global options and output streams.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Options.h"
#include "platform/UiFacade.h"

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

// Prints "tavolux-cli: " and the message to the error stream; returns code.
int Fail(CliContext& ctx, int code, const std::string& message);

// True when the configuration file exists; otherwise says so on the error stream.
bool CheckConfigPresent(CliContext& ctx);

// A usage error of command: names the word it does not take (or, for an empty word, says that
// words are missing), then shows that command's usage alone. Returns kExitUsage.
int UsageError(CliContext& ctx, std::string_view command, const std::string& word);
// A usage error with its own message, then that command's usage alone. Returns kExitUsage.
int UsageFailure(CliContext& ctx, std::string_view command, const std::string& message);

// The usage error of command for where its option walk stopped: the unknown word, the option
// that needs a value, the bad value with its option, or the range the value is outside of.
int ReportOptionError(CliContext& ctx, std::string_view command, const OptionError& error);

// text, followed by ": " and detail only in English: details that come from code without
// string tables (the virtual printer's heads, the pass generator) are English, and a Chinese
// message must not carry them.
std::string WithEnglishDetail(std::string text, const std::string& detail);

// Chooses the language of the messages as the program does at start-up, from the Language
// entry of tavolux.ini in programDir (the system's language when there is none) and the
// English table beside it.
void ApplyCliLanguage(const std::filesystem::path& programDir);

// The tool's messages from the core go to the error stream; a request to end the program (the
// configuration cannot be read) ends it as a failure, never with 0.
class CCliUiFacade final : public CConsoleUiFacade {
public:
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    void ExitProgram(int code) override;

private:
    std::mutex m_mutex;  // the core's threads may report too
};

// The operations send takes: numbers with the names the command log uses. Numbers that share a
// command code with an earlier operation (the second head-value set) carry no name of their own.
struct SendOperation {
    int number;
    std::string name;  // empty for the second head-value set
    bool block;        // sent with --data
};
std::vector<SendOperation> SendOperations();
// An operation number or name; false when it is neither.
bool ParseSendOperation(const std::string& text, int& operation);

// Help: the tool's usage, or one command's usage, options and settings. 2 for an unknown
// command.
int RunHelp(CliContext& ctx, const std::string& command);

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
int RunChartCommand(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace tavolux::cli
