// Shared helpers of the command-line tool.
#include "cli/CliContext.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <system_error>

#include "cli/Usage.h"
#include "config/ConfigFields.h"
#include "config/IniFile.h"
#include "config/PrinterConfig.h"
#include "res/Language.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

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
    Fail(ctx, kExitFailed, FormatResString(ids::kCliNoConfigFile, {path.string()}));
    return false;
}

int UsageError(CliContext& ctx, std::string_view command, const std::string& word)
{
    const std::string name(command);
    return UsageFailure(ctx, command,
                        word.empty() ? FormatResString(ids::kCliMissingWords, {name})
                                     : FormatResString(ids::kCliUnexpectedWord, {name, word}));
}

int UsageFailure(CliContext& ctx, std::string_view command, const std::string& message)
{
    Fail(ctx, kExitUsage, message);
    *ctx.err << CommandUsage(command) << "\n";
    return kExitUsage;
}

int ReportOptionError(CliContext& ctx, std::string_view command, const OptionError& error)
{
    switch (error.kind) {
        case OptionError::Kind::None:
            return kExitOk;
        case OptionError::Kind::Unknown:
            return UsageError(ctx, command, error.option);
        case OptionError::Kind::NoValue:
            return UsageFailure(ctx, command, FormatResString(ids::kCliNeedsValue, {error.option}));
        case OptionError::Kind::BadValue:
            return UsageFailure(ctx, command,
                                FormatResString(ids::kCliBadValue, {error.option, error.value}));
        case OptionError::Kind::OutOfRange:
            return UsageFailure(ctx, command, LoadResString(error.rangeMessage));
    }
    return kExitUsage;
}

std::string WithEnglishDetail(std::string text, const std::string& detail)
{
    if (!detail.empty() && GetUiLanguage() == UiLanguage::English) {
        text += ": " + detail;
    }
    return text;
}

void ApplyCliLanguage(const std::filesystem::path& programDir)
{
    std::string name;
    std::error_code ec;
    const std::filesystem::path path = programDir / kConfigFileName;
    if (std::filesystem::is_regular_file(path, ec)) {
        const CIniFile ini = CIniFile::OpenFile(path, true);
        // The two keys as they stand in the file: a configuration that does not load as a
        // whole still chooses the language of its messages.
        CPrinterConfig probe(programDir);
        const ConfigField& listField = *FindConfigField(probe, &probe.LanguageList);
        const ConfigField& indexField = *FindConfigField(probe, &probe.Language);
        const std::string list =
            ini.GetString(SectionName(listField.section, ""), listField.WriteKey());
        const int index = ini.GetInt(SectionName(indexField.section, ""), indexField.WriteKey());
        // The index-th "&"-separated entry; out of range leaves the name empty.
        size_t start = 0;
        for (int i = 0; index >= 0 && start <= list.size(); ++i) {
            size_t end = list.find('&', start);
            if (end == std::string::npos) {
                end = list.size();
            }
            if (i == index) {
                name = list.substr(start, end - start);
                break;
            }
            start = end + 1;
        }
    }
    ApplyLanguageRule(name, SystemDefaultLanguageId(), programDir);
}

void CCliUiFacade::ShowMessage(const std::string& text, MessageIcon /*icon*/)
{
    std::lock_guard lock(m_mutex);
    std::cerr << "tavolux-cli: " << text << std::endl;
}

void CCliUiFacade::ExitProgram(int code)
{
    std::fflush(stdout);
    std::cout.flush();
    std::exit(code == kExitOk ? kExitFailed : code);
}

}  // namespace tavolux::cli
