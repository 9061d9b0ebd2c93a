// Loading and saving the configuration in the orders and with the clamps the printer relies on.
#include "config/PrinterConfig.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <system_error>

#include "config/ConfigFields.h"
#include "config/IniFile.h"
#include "platform/NumberText.h"
#include "platform/ProgramDir.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

namespace {

std::mutex g_configMutex;
std::unique_ptr<CPrinterConfig> g_config;  // guarded by g_configMutex

}  // namespace

std::string FormatErrorTable(const std::array<std::vector<int>, kMaxCombos>& table)
{
    std::string out;
    for (size_t g = 0; g < table.size(); ++g) {
        if (g > 0) {
            out += "&";
        }
        out += JoinInts(table[g], ",");
    }
    return out;
}

std::pair<int, int> SplitResolution(const std::string& entry)
{
    size_t star = entry.find('*');
    if (star == std::string::npos) {
        return {0, ParseLeadingInt(entry)};
    }
    return {ParseLeadingInt(std::string_view(entry).substr(0, star)),
            ParseLeadingInt(std::string_view(entry).substr(star + 1))};
}

CPrinterConfig::CPrinterConfig(const std::filesystem::path& programDir)
    : TestDir(programDir / "Test"), m_programDir(programDir)
{
    std::error_code ec;
    std::filesystem::create_directory(TestDir, ec);  // an existing folder is fine
}

std::string CPrinterConfig::PrinterName() const
{
    if (Printer < 0 || Printer >= static_cast<int>(PrinterList.size())) {
        return {};
    }
    return PrinterList[static_cast<size_t>(Printer)];
}

std::string CPrinterConfig::LanguageName() const
{
    if (Language < 0 || Language >= static_cast<int>(LanguageList.size())) {
        return {};
    }
    return LanguageList[static_cast<size_t>(Language)];
}

void CPrinterConfig::ClearConfigLists()
{
    for (const ConfigField& f : ConfigFields()) {
        if (f.at == nullptr) {
            continue;
        }
        // BidiErr is a fixed array: slots that a reload does not fill keep their content.
        std::visit(Overloaded{[](std::vector<std::string>* v) { v->clear(); },
                              [](std::vector<int>* v) { v->clear(); },
                              [](std::vector<double>* v) { v->clear(); },
                              [](std::array<std::vector<int>, kMaxCombos>* v) {
                                  for (auto& group : *v) {
                                      group.clear();
                                  }
                              },
                              [](auto*) {}},
                   f.at(*this));
    }
}

void CPrinterConfig::LoadRoles(const CIniFile& ini, std::initializer_list<FieldRole> roles,
                               const ConfigField* skip)
{
    const std::string printer = PrinterName();
    for (const ConfigField& f : ConfigFields()) {
        if (&f != skip && std::find(roles.begin(), roles.end(), f.role) != roles.end()) {
            LoadField(*this, f, ini, printer);
        }
    }
}

int ParseUsbId(const std::string& text, int fallback)
{
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits = digits.substr(2);
    }
    if (digits.empty() || digits.size() > 4 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        return fallback;
    }
    return std::stoi(digits, nullptr, 16);
}

bool CPrinterConfig::LoadFailed(std::string text)
{
    m_loadFailure = std::move(text);
    return false;
}

bool CPrinterConfig::LoadConfig()
{
    m_loaded = false;
    m_systemLoaded = false;
    m_loadFailure.clear();
    ClearConfigLists();
    CIniFile ini(m_programDir);
    if (!ini.IsOpen()) {
        const int why = ini.ReadResult() == FileReadResult::TooLarge ? ids::kConfigTooLarge
                        : ini.ReadResult() == FileReadResult::Failed ? ids::kConfigNotRead
                                                                     : ids::kConfigOpenError;
        return LoadFailed(LoadResString(why) + " " + ini.Path().string());
    }
    LoadRoles(ini, {FieldRole::System});
    m_systemLoaded = true;
    // A value outside its list stops the load, naming the key, its text and the list.
    auto notInList = [&](const ConfigField& f) {
        return LoadFailed(std::string(f.name) + " = " +
                          ini.GetString(SectionName(f.section, PrinterName()), f.name) + " " +
                          LoadResString(ids::kValueNotInList) + " " + f.choices);
    };
    if (Printer < 0 || Printer >= static_cast<int>(PrinterList.size())) {
        return notInList(*FindConfigField(*this, &Printer));
    }
    CParamLists& ls = lists;
    LoadRoles(ini, {FieldRole::Choice});

    // The rest of the printer type keeps its values when the resolution is not in its list.
    const ConfigField& resolution = *FindConfigField(*this, &params.Resolution);
    LoadField(*this, resolution, ini, PrinterName());
    if (params.Resolution < 0 || params.Resolution >= static_cast<int>(ls.ResolutionList.size())) {
        return notInList(resolution);
    }
    std::tie(params.ResolutionX, params.ResolutionY) =
        SplitResolution(ls.ResolutionList[static_cast<size_t>(params.Resolution)]);

    LoadRoles(ini, {FieldRole::PrinterType, FieldRole::Operator, FieldRole::Calibration},
              &resolution);
    if (!FinishLoad()) {
        const int id = params.PrintTypeID;
        const std::string entry = id >= 0 && id < static_cast<int>(ls.PrintTypeParamList.size())
                                      ? ls.PrintTypeParamList[static_cast<size_t>(id)]
                                      : std::string();
        const ConfigField& type = *FindConfigField(*this, &params.PrintTypeID);
        return LoadFailed(LoadResString(ids::kPrintTypeUnusable) + " " + type.name + " = " +
                          ini.GetString(PrinterName(), type.name) + ", " + type.choices + " = " +
                          entry);
    }
    m_loaded = true;
    return true;
}

bool CPrinterConfig::FinishLoad()
{
    int r = 0;
    int a = 0;
    int b = 0;
    if (!ParsePrintType(params.PrintTypeID, r, a, b)) {
        return false;
    }
    if (r < 0 || r >= static_cast<int>(lists.ResolutionList.size())) {
        return false;
    }
    return SelectSpeedListForResolution(
        SplitResolution(lists.ResolutionList[static_cast<size_t>(r)]).first);
}

int CPrinterConfig::FindHeadSlot(int colour, int group) const
{
    const std::string wanted = std::to_string(colour) + "," + std::to_string(group);
    for (int i = static_cast<int>(params.HeadArrayOrder.size()) - 1; i >= 0; --i) {
        if (params.HeadArrayOrder[static_cast<size_t>(i)] == wanted) {
            return i;
        }
    }
    return -1;
}

bool CPrinterConfig::ParsePrintType(int index, int& r, int& a, int& b) const
{
    if (index < 0 || index >= static_cast<int>(lists.PrintTypeParamList.size())) {
        return false;
    }
    std::vector<std::string> items =
        SplitItems(lists.PrintTypeParamList[static_cast<size_t>(index)], ",");
    if (items.empty()) {
        return false;
    }
    r = ParseLeadingInt(items[0]);
    if (items.size() < 2) {
        return false;
    }
    a = ParseLeadingInt(items[1]);
    if (items.size() < 3) {
        return false;
    }
    b = ParseLeadingInt(items[2]);
    return true;
}

int CPrinterConfig::FindPrintType(int x, int y) const
{
    for (int i = 0; i < static_cast<int>(lists.PrintTypeParamList.size()); ++i) {
        int r = 0;
        int a = 0;
        int b = 0;
        if (!ParsePrintType(i, r, a, b) || r < 0 ||
            r >= static_cast<int>(lists.ResolutionList.size())) {
            continue;
        }
        if (SplitResolution(lists.ResolutionList[static_cast<size_t>(r)]) == std::make_pair(x, y)) {
            return i;
        }
    }
    return -1;
}

int CPrinterConfig::FindHoriResIndex(int x) const
{
    for (int i = 0; i < static_cast<int>(lists.HoriPrintResolutionList.size()); ++i) {
        if (ParseLeadingInt(lists.HoriPrintResolutionList[static_cast<size_t>(i)]) == x) {
            return i;
        }
    }
    return -1;
}

bool CPrinterConfig::SelectSpeedList(int i)
{
    lists.SpeedList.clear();
    bool found = i >= 0;
    if (i < 0) {
        i = 0;
    }
    // An index past the list (or an empty list) leaves no speeds rather than reading past it.
    if (i >= static_cast<int>(lists.TotalSpeedList.size())) {
        return false;
    }
    lists.SpeedList = SplitItems(lists.TotalSpeedList[static_cast<size_t>(i)], ",");
    return found;
}

bool CPrinterConfig::SelectSpeedListForResolution(int x)
{
    return SelectSpeedList(FindHoriResIndex(x));
}

void CPrinterConfig::WriteRoles(CIniFile& ini, std::initializer_list<FieldRole> roles)
{
    const std::string printer = PrinterName();
    for (const ConfigField* f : FieldsSavedAs(roles)) {
        SaveField(*this, *f, ini, printer);
    }
}

bool CPrinterConfig::MaySave(bool systemOnly)
{
    m_saveError.clear();
    if (systemOnly ? m_systemLoaded : m_loaded) {
        return true;
    }
    m_saveError = LoadResString(ids::kSaveRefusedNotLoaded) + " " +
                  (m_loadFailure.empty() ? LoadResString(ids::kConfigNotRead) : m_loadFailure);
    return false;
}

bool CPrinterConfig::FinishSave(CIniFile& ini)
{
    std::string error;
    if (ini.Flush(&error)) {
        return true;
    }
    m_saveError = error.empty() ? LoadResString(ids::kConfigNotRead) : error;
    return false;
}

bool CPrinterConfig::SaveSystemSection()
{
    if (!MaySave(true)) {
        return false;
    }
    CIniFile ini(m_programDir);
    if (!ini.IsOpen()) {
        return false;
    }
    WriteRoles(ini, {FieldRole::System});
    return FinishSave(ini);
}

bool CPrinterConfig::BeginPrinterSave(CIniFile& ini)
{
    if (!ini.IsOpen()) {
        return false;
    }
    WriteRoles(ini, {FieldRole::System});
    if (Printer < 0 || Printer >= static_cast<int>(PrinterList.size())) {
        FinishSave(ini);  // the SYSTEM keys are stored all the same
        return false;
    }
    return true;
}

bool CPrinterConfig::SaveConfig()
{
    if (!MaySave(false)) {
        return false;
    }
    CIniFile ini(m_programDir);
    if (!BeginPrinterSave(ini)) {
        return false;
    }
    WriteRoles(ini, {FieldRole::Operator, FieldRole::Calibration});
    return FinishSave(ini);
}

bool CPrinterConfig::SavePrinterType()
{
    if (!MaySave(false)) {
        return false;
    }
    CIniFile ini(m_programDir);
    if (!BeginPrinterSave(ini)) {
        return false;
    }
    WriteRoles(ini, {FieldRole::PrinterType, FieldRole::Choice});
    return FinishSave(ini);
}

CPrinterConfig& GetPrinterConfig()
{
    std::lock_guard lock(g_configMutex);
    if (!g_config) {
        g_config = std::make_unique<CPrinterConfig>(GetProgramDir());
        g_config->LoadConfig();  // a partial load still gives a usable object
    }
    return *g_config;
}

void ReleasePrinterConfig()
{
    std::lock_guard lock(g_configMutex);
    g_config.reset();
}

}  // namespace tavolux
