// Shared helpers of the command-line tool.
#include "cli/CliContext.h"

#include <ostream>
#include <system_error>

#include "config/IniFile.h"

namespace tavolux::cli {

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
