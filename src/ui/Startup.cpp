#include "ui/Startup.h"

#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux::ui {

bool ParseStartOptions(const std::vector<std::string>& args, StartOptions& options,
                       std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        std::string word = args[i];
        std::string value;
        bool hasValue = false;
        if (const size_t eq = word.find('='); word.starts_with("--") && eq != std::string::npos) {
            value = word.substr(eq + 1);
            word = word.substr(0, eq);
            hasValue = true;
        }
        if (word != "--program-dir" && word != "--printer") {
            error = FormatResString(ids::kUiUsage, {args[i]});
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                error = FormatResString(ids::kUiUsage, {args[i]});
                return false;
            }
            value = args[++i];
        }
        if (value.empty()) {
            error = FormatResString(ids::kUiUsage, {args[i]});
            return false;
        }
        if (word == "--program-dir") {
            options.programDir = value;
        } else {
            options.printer = value;
        }
    }
    return true;
}

}  // namespace tavolux::ui
