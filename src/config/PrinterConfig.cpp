// Loading and saving the configuration in the orders and with the clamps the printer relies on.
#include "config/PrinterConfig.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <mutex>
#include <system_error>

#include "config/IniFile.h"
#include "platform/NumberText.h"
#include "platform/ProgramDir.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

namespace {

constexpr const char* kSystem = "SYSTEM";
constexpr const char* kSystemList = "SYSTEM_LIST";

std::vector<std::string> ReadList(const CIniFile& ini, const std::string& section, const char* key,
                                  const char* separators = "&")
{
    return SplitItems(ini.GetString(section, key), separators);
}

std::vector<int> ReadIntList(const CIniFile& ini, const std::string& section, const char* key,
                             const char* separators = "&")
{
    std::vector<int> values;
    for (const std::string& item : ReadList(ini, section, key, separators)) {
        values.push_back(ParseLeadingInt(item));
    }
    return values;
}

std::vector<double> ReadDoubleList(const CIniFile& ini, const std::string& section, const char* key)
{
    std::vector<double> values;
    for (const std::string& item : ReadList(ini, section, key)) {
        values.push_back(ParseLeadingDouble(item));
    }
    return values;
}

// A decimal number truncated toward zero, kept inside the int range.
int TruncateToInt(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    value = std::trunc(value);
    if (value >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (value <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

std::vector<int> ReadTruncatedList(const CIniFile& ini, const std::string& section, const char* key)
{
    std::vector<int> values;
    for (const std::string& item : ReadList(ini, section, key)) {
        values.push_back(TruncateToInt(ParseLeadingDouble(item)));
    }
    return values;
}

double ReadDouble(const CIniFile& ini, const std::string& section, const char* key)
{
    return ParseLeadingDouble(ini.GetString(section, key));
}

std::string JoinDoubles(const std::vector<double>& values, int decimals)
{
    std::vector<std::string> items;
    items.reserve(values.size());
    for (double v : values) {
        items.push_back(FormatFixed(v, decimals));
    }
    return JoinItems(items, "&");
}

// Fills the groups of a horizontal error table with headCount values each, in order.
void FillErrorTable(std::array<std::vector<int>, kMaxCombos>& table, const std::vector<int>& values,
                    int headCount)
{
    if (headCount <= 0) {
        return;  // no group can take a value; an empty head arrangement carries no errors
    }
    size_t group = 0;
    for (int value : values) {
        if (table[group].size() >= static_cast<size_t>(headCount)) {
            ++group;
        }
        if (group >= table.size()) {
            break;
        }
        table[group].push_back(value);
    }
}

void PadTo(std::vector<int>& list, size_t size)
{
    if (list.size() < size) {
        list.resize(size, 0);
    }
}

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
    LanguageList.clear();
    PrinterList.clear();
    lists = CParamLists{};
    CPrinterParams& p = params;
    p.HeadArrayOrder.clear();
    p.HeadPrintInkOrder.clear();
    p.HeadHoriPosList.clear();
    p.HeadVerPosList.clear();
    p.MergeBit.clear();
    p.IsPrinted.clear();
    p.JetTemp.clear();
    p.HeadLevelList.clear();
    p.Temperature.clear();
    p.Voltage.clear();
    p.VoltBit.clear();
    p.FeatherLinesList.clear();
    for (auto& group : p.HoriPositiveErr) {
        group.clear();
    }
    for (auto& group : p.HoriNagetiveErr) {
        group.clear();
    }
    p.VerErr.clear();
    p.StepPass.clear();
    p.StepPassMicro.clear();
    // BidiErr is a fixed array: slots that a reload does not fill keep their content.
}

void CPrinterConfig::LoadSystem(const CIniFile& ini)
{
    LanguageList = ReadList(ini, kSystemList, "LanguageList");
    PrinterList = ReadList(ini, kSystemList, "PrinterList");
    Language = ini.GetInt(kSystem, "Language");
    Printer = ini.GetInt(kSystem, "Printer");
    IsDebug = ini.GetInt(kSystem, "IsDebug");
    IsZoom = ini.GetInt(kSystem, "IsZoom");
    IsAutoMaskGen = ini.GetInt(kSystem, "IsAutoMaskGen");
    UsbVendorId = ParseUsbId(ini.GetString(kSystem, "UsbVendorId"), kDefaultUsbVendorId);
    UsbProductId = ParseUsbId(ini.GetString(kSystem, "UsbProductId"), kDefaultUsbProductId);
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
    LoadSystem(ini);
    m_systemLoaded = true;
    auto notInList = [&](const std::string& section, const char* key, const char* list) {
        return LoadFailed(std::string(key) + " = " + ini.GetString(section, key) + " " +
                          LoadResString(ids::kValueNotInList) + " " + list);
    };
    if (Printer < 0 || Printer >= static_cast<int>(PrinterList.size())) {
        return notInList(kSystem, "Printer", "PrinterList");
    }
    const std::string p = PrinterName();
    const std::string l = p + "_LIST";

    CParamLists& ls = lists;
    ls.ResolutionList = ReadList(ini, l, "ResolutionList");
    ls.TotalSpeedList = ReadList(ini, l, "TotalSpeedList");
    ls.SpeedDisplayList = ReadList(ini, l, "SpeedDisplayList");
    ls.ToTalPassList = ReadList(ini, l, "ToTalPassList");
    ls.PrintTypeDisplayList = ReadList(ini, l, "PrintTypeDisplayList");
    ls.PrintTypeParamList = ReadList(ini, l, "PrintTypeParamList");
    ls.HoriPrintResolutionList = ReadList(ini, l, "HoriPrintResolutionList");
    ls.PassList = ReadList(ini, l, "PassList");
    ls.DirectionList = ReadList(ini, l, "DirectionList");
    ls.StripPosList = ReadList(ini, l, "StripPosList");
    ls.StripWidthList = ReadIntList(ini, l, "StripWidthList");
    ls.OriginPrintStyleList = ReadList(ini, l, "OriginPrintStyleList");

    params.Resolution = ini.GetInt(p, "Resolution");
    if (params.Resolution < 0 || params.Resolution >= static_cast<int>(ls.ResolutionList.size())) {
        return notInList(p, "Resolution", "ResolutionList");
    }
    std::tie(params.ResolutionX, params.ResolutionY) =
        SplitResolution(ls.ResolutionList[static_cast<size_t>(params.Resolution)]);

    LoadPrinter(ini, p, l);
    if (!FinishLoad()) {
        const int id = params.PrintTypeID;
        const std::string entry = id >= 0 && id < static_cast<int>(ls.PrintTypeParamList.size())
                                      ? ls.PrintTypeParamList[static_cast<size_t>(id)]
                                      : std::string();
        return LoadFailed(LoadResString(ids::kPrintTypeUnusable) + " PrintTypeID = " +
                          ini.GetString(p, "PrintTypeID") + ", PrintTypeParamList = " + entry);
    }
    m_loaded = true;
    return true;
}

void CPrinterConfig::LoadPrinter(const CIniFile& ini, const std::string& p, const std::string& l)
{
    CPrinterParams& c = params;
    auto i = [&](const char* key) { return ini.GetInt(p, key); };

    c.PrintVer = i("PrintVer");
    c.OutputInterface = ini.GetString(p, "OutputInterface");
    c.Intercommunication = i("Intercommunication");
    c.Speed = i("Speed");
    c.PassID = i("PassID");
    c.Direction = i("Direction");
    c.FlashFrequency = i("FlashFrequency");
    c.FlashAlternation = i("FlashAlternation");
    c.PurgeFrequency = i("PurgeFrequency");
    c.PurgeAlternation = i("PurgeAlternation");
    c.Origin = i("Origin");
    c.Strip = i("Strip");
    c.StripTrueWidth = i("StripTrueWidth");
    c.AutoFlash = i("AutoFlash");
    c.StripPos = i("StripPos");
    c.TaskGap = i("TaskGap");
    c.MaxScanLines = i("MaxScanLines");
    c.StripWidth = i("StripWidth");
    c.StripTrueWidth = i("StripTrueWidth");
    c.MaxAccDist = i("MaxAccDist");
    c.LongPressTime = i("LongPressTime");
    c.ShortPressTime = i("ShortPressTime");
    c.PurgePosition = i("PurgePosition");
    c.GroupNo = i("GroupNo");
    c.ColorNo = i("ColorNo");
    c.HeadHoleNo = i("HeadHoleNo");
    c.RealPrinterResolution = ReadDouble(ini, p, "RealPrinterResolution");
    c.PrinterResolution = i("PrinterResolution");
    // Missing (-1) or anything else keeps the default pairing.
    c.PassFeedAfter = i("PassFeedAfter") == 1 ? 1 : 0;
    c.CaliResolutionX = i("CaliResolutionX");
    c.CaliResolutionY = i("CaliResolutionY");
    c.OutputInterface = ini.GetString(p, "OutputInterface");
    c.CommandTimeout = i("CommandTimeout");
    c.DataTimeoutUnbidi = i("DataTimeoutUnbidi");
    c.DataTimeoutBidi = i("DataTimeoutBidi");
    c.HeadToSensorDist = i("HeadToSensorDist");
    c.SensorToUvDist = i("SensorToUvDist");
    c.MediaSensorToUvDist = i("MediaSensorToUvDist");
    c.IgnoreBlank = i("IgnoreBlank");
    c.MaxPrintWidth = i("MaxPrintWidth");
    c.MaxOrigin = i("MaxOrigin");
    c.OriginPrintStyle = i("OriginPrintStyle");
    c.MediaWidth = i("MediaWidth");
    c.MediaPos = i("MediaPos");
    c.MediaLimit = i("MediaLimit");
    c.RasterRes = i("RasterRes");
    c.PrintTypeID = i("PrintTypeID");
    c.IfEdge = i("IfEdge");
    c.AutoEdgeBeforePrint = i("AutoEdgeBeforePrint");
    c.EdgeRefuseWidth = i("EdgeRefuseWidth");
    c.OverWidthPrintStyle = i("OverWidthPrintStyle");
    c.IfSlope = i("IfSlope");
    c.SlopeRefuseWidth = i("SlopeRefuseWidth");
    c.SlopeLength = i("SlopeLength");
    c.IfTypeset = i("IfTypeset");
    c.TypesetStyle = i("TypesetStyle");
    c.CustomRigthMargin = i("CustomRigthMargin");
    c.HeightBetweenWheelAndFlat = i("HeightBetweenWheelAndFlat");
    c.MediaPly = i("MediaPly");
    c.IfAutoControl = i("IfAutoControl");
    c.DisBetweenBeamAndMedia = i("DisBetweenBeamAndMedia");
    c.DisBeforePrint = i("DisBeforePrint");

    c.MediaPly = std::max(c.MediaPly, 0);
    c.DisBetweenBeamAndMedia = std::max(c.DisBetweenBeamAndMedia, 0);
    c.DisBeforePrint = std::max(c.DisBeforePrint, 0);

    c.MmPerPulseBeam = ReadDouble(ini, p, "MmPerPulseBeam");
    c.WhiteColorNo = i("WhiteColorNo");
    c.IfPrintWhite = i("IfPrintWhite");
    c.WhiteInkThickness = i("WhiteInkThickness");
    c.WhiteHeadVerPos = i("WhiteHeadVerPos");
    c.WhiteHeadPrintStyle = i("WhiteHeadPrintStyle");
    c.WhiteHeadDataSource = i("WhiteHeadDataSource");
    c.ForbidHolesNum = i("ForbidHolesNum");
    c.NumOfWhiteInUse = i("NumOfWhiteInUse");

    c.WhiteColorNo = std::max(c.WhiteColorNo, 0);
    if (c.NumOfWhiteInUse < 0) {
        c.NumOfWhiteInUse = c.WhiteColorNo;
    }
    if (c.WhiteColorNo == 0) {
        c.IfPrintWhite = 0;
    }

    c.IfSpacePrint = std::max(i("IfSpacePrint"), 0);
    c.SpaceBeforePic = std::max(i("SpaceBeforePic"), 0);
    c.SpaceAfterPic = std::max(i("SpaceAfterPic"), 0);

    // Widening in 64 bits: two hand-edited large distances must not overflow the sum.
    long long minOrigin = static_cast<long long>(c.MaxAccDist) + c.HeadToSensorDist;
    if (c.MaxOrigin < minOrigin) {
        c.MaxOrigin = static_cast<int>(std::clamp<long long>(minOrigin, INT_MIN, INT_MAX));
    }

    if (c.OriginPrintStyle == 0) {
        c.OriginPos = i("OriginPos");
    } else if (c.OriginPrintStyle == 1) {
        c.OriginPos = i("MediaPos");
    }

    c.Temperature = ReadIntList(ini, l, "Temperature");

    const int headCount = HeadCount();
    if (c.PrintVer >= 3) {
        c.MinJetVoltageVal = i("MinJetVoltageVal");
        c.MaxJetVoltageVal = i("MaxJetVoltageVal");
        if (headCount > 0) {
            std::vector<int> values = ReadIntList(ini, l, "Voltage");
            values.resize(static_cast<size_t>(headCount), 0);
            c.Voltage = std::move(values);
        }
    }

    c.VoltBit = ReadIntList(ini, l, "VoltBit");
    c.HeadArrayOrder = ReadList(ini, l, "HeadArrayOrder");
    c.HeadPrintInkOrder = ReadIntList(ini, l, "HeadPrintInkOrder");
    c.HeadLevelList = ReadIntList(ini, l, "HeadLevelList");
    c.HeadHoriPosList = ReadDoubleList(ini, l, "HeadHoriPosList");
    c.HeadVerPosList = ReadDoubleList(ini, l, "HeadVerPosList");
    c.IsPrinted = ReadTruncatedList(ini, l, "IsPrinted");
    c.JetTemp = ReadTruncatedList(ini, l, "JetTemp");

    FillErrorTable(c.HoriPositiveErr, ReadIntList(ini, l, "HoriPositiveErr", ",&"), headCount);
    FillErrorTable(c.HoriNagetiveErr, ReadIntList(ini, l, "HoriNagetiveErr", ",&"), headCount);
    // The tables have room for nine combinations; a larger product of the lists is cut there.
    const int combos = std::min(ComboCount(), kMaxCombos);
    for (int g = 0; g < combos && headCount > 0; ++g) {
        PadTo(c.HoriPositiveErr[static_cast<size_t>(g)], static_cast<size_t>(headCount));
        PadTo(c.HoriNagetiveErr[static_cast<size_t>(g)], static_cast<size_t>(headCount));
    }

    c.VerErr = ReadIntList(ini, l, "VerErr");

    c.StepPass = ReadIntList(ini, l, "StepPass", ",&");
    PadTo(c.StepPass, lists.ToTalPassList.size());
    c.StepPassMicro = ReadIntList(ini, l, "StepPassMicro", ",&");
    PadTo(c.StepPassMicro, lists.ToTalPassList.size());

    std::vector<int> bidi = ReadIntList(ini, l, "BidiErr");
    for (size_t k = 0; k < bidi.size() && k < c.BidiErr.size(); ++k) {
        c.BidiErr[k] = bidi[k];
    }

    c.MergeBit = ReadIntList(ini, l, "MergeBit");

    c.FeatherMode = i("FeatherMode");
    if (c.FeatherMode < 0 || c.FeatherMode > 2) {
        c.FeatherMode = 0;
    }
    std::vector<std::string> featherItems = ReadList(ini, l, "FeatherLinesList", ",");
    c.FeatherModeCount = 3;
    c.FeatherWaveLength = i("FeatherWaveLength");
    c.FeatherLinesList.clear();
    for (const std::string& item : featherItems) {
        c.FeatherLinesList.push_back(ParseLeadingInt(item));
    }
    PadTo(c.FeatherLinesList, 3);
    c.FeatherLinesList[0] = 0;

    c.MmPerPulseX = ReadDouble(ini, p, "MmPerPulseX");
    c.MmPerPulseY = ReadDouble(ini, p, "MmPerPulseY");
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
    const std::string& entry = lists.ResolutionList[static_cast<size_t>(r)];
    size_t star = entry.find('*');
    int x =
        star == std::string::npos ? 0 : ParseLeadingInt(std::string_view(entry).substr(0, star));
    return SelectSpeedListForResolution(x);
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

void CPrinterConfig::WriteSystem(CIniFile& ini) const
{
    ini.WriteInt(kSystem, "Language", Language);
    ini.WriteInt(kSystem, "Printer", Printer);
    ini.WriteInt(kSystem, "IsDebug", IsDebug);
    ini.WriteInt(kSystem, "IsZoom", IsZoom);
    ini.WriteInt(kSystem, "IsAutoMaskGen", IsAutoMaskGen);
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
    WriteSystem(ini);
    return FinishSave(ini);
}

bool CPrinterConfig::BeginPrinterSave(CIniFile& ini)
{
    if (!ini.IsOpen()) {
        return false;
    }
    WriteSystem(ini);
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
    const std::string p = PrinterName();
    const std::string l = p + "_LIST";
    CPrinterParams& c = params;
    auto w = [&](const char* key, int value) { ini.WriteInt(p, key, value); };

    w("Resolution", c.Resolution);
    w("Speed", c.Speed);
    w("PassID", c.PassID);
    w("Direction", c.Direction);
    w("FlashFrequency", c.FlashFrequency);
    w("FlashAlternation", c.FlashAlternation);
    w("PurgeFrequency", c.PurgeFrequency);
    w("PurgeAlternation", c.PurgeAlternation);
    w("Origin", c.Origin);
    w("Strip", c.Strip);
    w("AutoFlash", c.AutoFlash);
    w("StripPos", c.StripPos);
    w("TaskGap", c.TaskGap);
    w("MaxScanLines", c.MaxScanLines);
    w("LongPressTime", c.LongPressTime);
    w("ShortPressTime", c.ShortPressTime);
    w("IgnoreBlank", c.IgnoreBlank);
    w("OriginPrintStyle", c.OriginPrintStyle);
    w("MediaPos", c.MediaPos);
    w("MediaWidth", c.MediaWidth);
    w("MediaLimit", c.MediaLimit);
    w("OriginPos", c.OriginPos);
    w("StripTrueWidth", c.StripTrueWidth);
    w("StripWidth", c.StripWidth);
    w("PrintTypeID", c.PrintTypeID);
    w("WhiteColorNo", c.WhiteColorNo);
    w("IfEdge", c.IfEdge);
    w("AutoEdgeBeforePrint", c.AutoEdgeBeforePrint);
    w("IfSlope", c.IfSlope);
    w("IfTypeset", c.IfTypeset);
    w("EdgeRefuseWidth", c.EdgeRefuseWidth);
    w("OverWidthPrintStyle", c.OverWidthPrintStyle);
    w("SlopeRefuseWidth", c.SlopeRefuseWidth);
    w("SlopeLength", c.SlopeLength);
    w("TypesetStyle", c.TypesetStyle);
    w("CustomRigthMargin", c.CustomRigthMargin);

    c.MediaPly = std::max(c.MediaPly, 0);
    c.DisBetweenBeamAndMedia = std::max(c.DisBetweenBeamAndMedia, 0);
    c.DisBeforePrint = std::max(c.DisBeforePrint, 0);
    w("MediaPly", c.MediaPly);
    w("IfAutoControl", c.IfAutoControl);
    w("DisBetweenBeamAndMedia", c.DisBetweenBeamAndMedia);
    w("DisBeforePrint", c.DisBeforePrint);

    if (c.WhiteColorNo == 0) {
        c.IfPrintWhite = 0;
    }
    w("IfPrintWhite", c.IfPrintWhite);
    w("WhiteInkThickness", c.WhiteInkThickness);
    w("WhiteHeadVerPos", c.WhiteHeadVerPos);
    w("WhiteHeadPrintStyle", c.WhiteHeadPrintStyle);
    w("WhiteHeadDataSource", c.WhiteHeadDataSource);
    w("ForbidHolesNum", c.ForbidHolesNum);
    w("NumOfWhiteInUse", c.NumOfWhiteInUse);
    w("IfSpacePrint", c.IfSpacePrint);
    w("SpaceBeforePic", c.SpaceBeforePic);
    w("SpaceAfterPic", c.SpaceAfterPic);

    ini.WriteString(l, "Temperature", JoinInts(c.Temperature, "&"));
    ini.WriteString(l, "HoriPositiveErr", FormatErrorTable(c.HoriPositiveErr));
    ini.WriteString(l, "HoriNagetiveErr", FormatErrorTable(c.HoriNagetiveErr));
    ini.WriteString(l, "VerErr", JoinInts(c.VerErr, "&"));
    ini.WriteString(l, "BidiErr",
                    JoinInts(std::vector<int>(c.BidiErr.begin(), c.BidiErr.end()), "&"));
    ini.WriteString(l, "StepPass", JoinInts(c.StepPass, "&"));
    ini.WriteString(l, "StepPassMicro", JoinInts(c.StepPassMicro, "&"));
    std::vector<int> voltage = c.Voltage;
    voltage.resize(std::min(voltage.size(), static_cast<size_t>(std::max(HeadCount(), 0))));
    ini.WriteString(l, "Voltage", JoinInts(voltage, "&"));

    w("FeatherModeCount", c.FeatherModeCount);
    w("FeatherMode", c.FeatherMode);
    w("FeatherWaveLength", c.FeatherWaveLength);
    PadTo(c.FeatherLinesList, 3);
    ini.WriteString(
        l, "FeatherLinesList",
        "0," + std::to_string(c.FeatherLinesList[1]) + "," + std::to_string(c.FeatherLinesList[2]));
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
    const std::string p = PrinterName();
    const std::string l = p + "_LIST";
    const CPrinterParams& c = params;
    auto w = [&](const char* key, int value) { ini.WriteInt(p, key, value); };

    w("PrintVer", c.PrintVer);
    w("Intercommunication", c.Intercommunication);
    ini.WriteString(p, "OutputInterface", c.OutputInterface);
    w("ColorNo", c.ColorNo);
    w("GroupNo", c.GroupNo);
    w("HeadHoleNo", c.HeadHoleNo);
    w("MaxAccDist", c.MaxAccDist);
    ini.WriteString(p, "MmPerPulseX", FormatFixed(c.MmPerPulseX, 10));
    ini.WriteString(p, "MmPerPulseY", FormatFixed(c.MmPerPulseY, 10));
    w("CommandTimeout", c.CommandTimeout);
    w("DataTimeoutUnbidi", c.DataTimeoutUnbidi);
    w("DataTimeoutBidi", c.DataTimeoutBidi);
    w("RasterRes", c.RasterRes);
    w("CaliResolutionX", c.CaliResolutionX);
    w("CaliResolutionY", c.CaliResolutionY);
    w("HeadToSensorDist", c.HeadToSensorDist);
    w("SensorToUvDist", c.SensorToUvDist);
    w("MediaSensorToUvDist", c.MediaSensorToUvDist);
    w("MaxPrintWidth", c.MaxPrintWidth);
    w("MaxOrigin", c.MaxOrigin);
    ini.WriteString(p, "RealPrinterResolution", FormatFixed(c.RealPrinterResolution, 4));
    w("PrinterResolution", c.PrinterResolution);
    w("PassFeedAfter", c.PassFeedAfter);

    const CParamLists& ls = lists;
    auto wl = [&](const char* key, const std::vector<std::string>& items) {
        ini.WriteString(l, key, JoinItems(items, "&"));
    };
    wl("ResolutionList", ls.ResolutionList);
    wl("SpeedList", ls.SpeedList);
    wl("PassList", ls.PassList);
    ini.WriteString(l, "StripWidthList", JoinInts(ls.StripWidthList, "&"));
    ini.WriteString(l, "HeadHoriPosList", JoinDoubles(c.HeadHoriPosList, 4));
    ini.WriteString(l, "HeadVerPosList", JoinDoubles(c.HeadVerPosList, 4));
    wl("HeadArrayOrder", c.HeadArrayOrder);
    ini.WriteString(l, "MergeBit", JoinInts(c.MergeBit, "&"));
    ini.WriteString(l, "JetTemp", JoinInts(c.JetTemp, "&"));
    ini.WriteString(l, "HeadPrintInkOrder", JoinInts(c.HeadPrintInkOrder, "&"));
    ini.WriteString(l, "IsPrinted", JoinInts(c.IsPrinted, "&"));
    wl("PrintTypeDisplayList", ls.PrintTypeDisplayList);
    wl("PrintTypeParamList", ls.PrintTypeParamList);
    wl("HoriPrintResolutionList", ls.HoriPrintResolutionList);
    wl("ToTalPassList", ls.ToTalPassList);
    wl("ToTalSpeedList", ls.TotalSpeedList);
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
