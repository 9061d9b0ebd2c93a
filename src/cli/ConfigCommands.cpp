// "config" commands: dump, save, save-printer-type, get, set.
#include <ostream>

#include "cli/CliContext.h"
#include "config/ConfigFields.h"
#include "config/IniFile.h"
#include "config/PrinterConfig.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux::cli {

namespace {

int Dump(CliContext& ctx)
{
    CPrinterConfig& config = GetPrinterConfig();
    // The first access has loaded once; load again to report the result of this load.
    bool loaded = config.LoadConfig();
    for (const auto& [name, value] : DescribeConfig(config)) {
        *ctx.out << name << " = " << value << "\n";
    }
    *ctx.out << "load = " << (loaded ? "true" : "false") << "\n";
    return kExitOk;
}

int Save(CliContext& ctx, bool printerType)
{
    CPrinterConfig& config = GetPrinterConfig();
    bool loaded = config.LoadConfig();
    const char* what = printerType ? "SavePrinterType" : "SaveConfig";
    bool saved = printerType ? config.SavePrinterType() : config.SaveConfig();
    *ctx.out << "load = " << (loaded ? "true" : "false") << "\n";
    *ctx.out << what << " = " << (saved ? "true" : "false") << "\n";
    if (saved) {
        return kExitOk;
    }
    // The configuration's own reason: which key and value stopped the load, or the lock.
    const std::string& why = config.SaveErrorText();
    return Fail(ctx, kExitFailed, why.empty() ? FormatResString(ids::kCliSaveFailed, {what}) : why);
}

}  // namespace

int RunConfigCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    if (args.empty()) {
        return UsageError(ctx, "config", "");
    }
    const std::string& verb = args[0];
    const size_t n = args.size();
    bool known = (verb == "dump" || verb == "save" || verb == "save-printer-type") ? n == 1
                 : verb == "get"                                                   ? n == 3
                 : verb == "set"                                                   ? n == 4
                                                                                   : false;
    if (!known) {
        const bool verbKnown = verb == "dump" || verb == "save" || verb == "save-printer-type" ||
                               verb == "get" || verb == "set";
        const size_t wanted = verb == "get" ? 3 : verb == "set" ? 4 : 1;
        return UsageError(ctx, "config",
                          !verbKnown   ? verb
                          : n > wanted ? args[wanted]
                                       : std::string());
    }
    if (!CheckConfigPresent(ctx)) {
        return kExitFailed;
    }
    if (verb == "dump") {
        return Dump(ctx);
    }
    if (verb == "save" || verb == "save-printer-type") {
        return Save(ctx, verb == "save-printer-type");
    }
    CIniFile ini(ctx.programDir);
    if (!ini.IsOpen()) {
        return Fail(ctx, kExitFailed, FormatResString(ids::kCliCannotRead, {ini.Path().string()}));
    }
    if (verb == "get") {
        if (!ini.HasKey(args[1], args[2])) {
            return Fail(ctx, kExitFailed, FormatResString(ids::kCliNoKey, {args[2], args[1]}));
        }
        *ctx.out << ini.GetString(args[1], args[2]) << "\n";
        return kExitOk;
    }
    // A known key takes only what its field accepts; an unknown one is written as given, since an
    // installer may add keys that a newer version reads.
    const ConfigField* field = FindConfigField(args[1], args[2]);
    if (field != nullptr) {
        const std::string why = CheckFieldValue(*field, args[3]);
        if (!why.empty()) {
            return Fail(ctx, kExitUsage, why);
        }
    }
    if (!ini.WriteString(args[1], args[2], args[3])) {
        return Fail(ctx, kExitUsage, LoadResString(ids::kCliSetRefused));
    }
    std::string error;
    if (!ini.Flush(&error)) {
        return Fail(ctx, kExitFailed, error);
    }
    if (field == nullptr) {
        *ctx.err << FormatResString(ids::kCliUnknownKeyNote, {args[2], args[1]}) << "\n";
    }
    return kExitOk;
}

}  // namespace tavolux::cli
