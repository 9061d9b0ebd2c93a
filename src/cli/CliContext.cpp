// Shared helpers of the command-line tool.
#include "cli/CliContext.h"

#include <charconv>
#include <ostream>
#include <system_error>

#include "config/IniFile.h"
#include "config/PrinterConfig.h"

namespace tavolux::cli {

namespace {

template <typename T>
bool ParseWhole(const std::string& text, T& value)
{
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && p == end;
}

}  // namespace

bool ParseWholeNumber(const std::string& text, int& value)
{
    return ParseWhole(text, value);
}

bool ParseWholeNumber(const std::string& text, long long& value)
{
    return ParseWhole(text, value);
}

int Fail(CliContext& ctx, int code, const std::string& message)
{
    *ctx.err << "tavolux-cli: " << message << "\n";
    return code;
}

bool CheckConfigPresent(CliContext& ctx)
{
    std::error_code ec;
    std::filesystem::path path = ctx.programDir / kConfigFileName;
    if (std::filesystem::is_regular_file(path, ec)) {
        return true;
    }
    *ctx.err << "tavolux-cli: no configuration file at " << path.string() << "\n";
    return false;
}

}  // namespace tavolux::cli
