// The one configuration object: system settings, the choice lists and every parameter of the
// printer type in use, loaded from and saved to tavolux.ini.
#pragma once

#include <array>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tavolux {

class CIniFile;
struct ConfigField;
enum class FieldRole;

inline constexpr int kMaxCombos = 9;  // room of the horizontal error tables
inline constexpr int kBidiSlots = 8;  // room of the bidirectional error array
// The printer's USB ids when tavolux.ini names none: the USB chip vendor's id and the product
// id of the printer's firmware.
inline constexpr int kDefaultUsbVendorId = 0x04B4;
inline constexpr int kDefaultUsbProductId = 0x1004;

// The choice lists of the current printer (section "<printer>_LIST").
struct CParamLists {
    std::vector<std::string> ResolutionList;           // "X*Y" entries, indexed by Resolution
    std::vector<std::string> SpeedList;                // derived from TotalSpeedList, never read
    std::vector<std::string> SpeedDisplayList;         // names of all carriage speeds
    std::vector<std::string> PassList;                 // pass choices
    std::vector<std::string> DirectionList;            // print direction choices
    std::vector<std::string> StripPosList;             // colour strip positions
    std::vector<int> StripWidthList;                   // colour strip widths
    std::vector<std::string> ToTalPassList;            // all pass counts; sizes StepPass
    std::vector<std::string> PrintTypeDisplayList;     // print type names
    std::vector<std::string> PrintTypeParamList;       // "r,a,b" per print type
    std::vector<std::string> HoriPrintResolutionList;  // horizontal dpi per TotalSpeedList entry
    std::vector<std::string> TotalSpeedList;           // ","-separated speed names per resolution
    std::vector<std::string> OriginPrintStyleList;     // origin style choices
};

// The parameters of the current printer (sections "<printer>" and "<printer>_LIST").
struct CPrinterParams {
    // Print settings chosen by the operator.
    int PrintTypeID = 0;
    int PrintVer = 0;
    int Intercommunication = 0;
    int Resolution = 0;
    int ResolutionX = 0;  // derived from ResolutionList[Resolution]
    int ResolutionY = 0;  // derived from ResolutionList[Resolution]
    double RealPrinterResolution = 0.0;
    int PrinterResolution = 0;
    // 1: the printer moves the media by a pass header's feed after printing the pass, so each
    // header carries the step to the next pass; 0 (the default): before printing it.
    int PassFeedAfter = 0;
    int CaliResolutionX = 0;
    int CaliResolutionY = 0;
    int Speed = 0;
    int PassID = 0;
    int Direction = 0;
    int FlashFrequency = 0;
    int FlashAlternation = 0;
    int PurgeFrequency = 0;
    int PurgeAlternation = 0;
    int Origin = 0;
    int Strip = 0;
    int AutoFlash = 0;
    int IgnoreBlank = 0;
    int StripPos = 0;
    int StripTrueWidth = 0;
    int TaskGap = 0;
    int MaxScanLines = 0;
    int StripWidth = 0;

    // Geometry, timing, media and origin.
    int MaxAccDist = 0;
    int LongPressTime = 0;
    int ShortPressTime = 0;
    int PurgePosition = 0;
    int CommandTimeout = 0;
    int DataTimeoutUnbidi = 0;
    int DataTimeoutBidi = 0;
    int OriginPrintStyle = 0;
    int MediaWidth = 0;
    int MediaPos = 0;
    int MediaLimit = 0;
    int OriginPos = 0;
    int RasterRes = 0;
    int HeadToSensorDist = 0;
    int SensorToUvDist = 0;
    int MediaSensorToUvDist = 0;
    int MaxPrintWidth = 0;
    int MaxOrigin = 0;
    double MmPerPulseX = 0.0;
    double MmPerPulseY = 0.0;
    std::string OutputInterface;

    // Head arrangement.
    int ColorNo = 0;
    int WhiteColorNo = 0;
    int GroupNo = 0;
    int HeadHoleNo = 0;
    std::vector<std::string> HeadArrayOrder;  // "colour,group" per head slot
    std::vector<int> HeadPrintInkOrder;
    std::vector<double> HeadHoriPosList;
    std::vector<double> HeadVerPosList;
    std::vector<int> MergeBit;  // first entry -1: one word position per nozzle
    std::vector<int> IsPrinted;
    std::vector<int> JetTemp;
    std::vector<int> HeadLevelList;

    // White ink, media detection and beam.
    int IfPrintWhite = 0;
    int WhiteInkThickness = 0;
    int WhiteHeadVerPos = 0;
    int WhiteHeadPrintStyle = 0;
    int WhiteHeadDataSource = 0;
    int ForbidHolesNum = 0;
    int NumOfWhiteInUse = 0;
    int IfEdge = 0;
    int AutoEdgeBeforePrint = 0;
    int EdgeRefuseWidth = 0;
    int OverWidthPrintStyle = 0;
    int IfSlope = 0;
    int SlopeRefuseWidth = 0;
    int SlopeLength = 0;
    int IfTypeset = 0;
    int TypesetStyle = 0;
    int CustomRigthMargin = 0;
    double MmPerPulseBeam = 0.0;
    int HeightBetweenWheelAndFlat = 0;
    int MediaPly = 0;
    int IfAutoControl = 0;
    int DisBetweenBeamAndMedia = 0;
    int DisBeforePrint = 0;
    int IfSpacePrint = 0;
    int SpaceBeforePic = 0;
    int SpaceAfterPic = 0;

    // Temperatures, voltages and feathering.
    std::vector<int> Temperature;  // K, C, M, Y, LC, LM, W
    int MinJetVoltageVal = 0;
    int MaxJetVoltageVal = 0;
    std::vector<int> Voltage;  // one per head
    std::vector<int> VoltBit;  // byte position per head in the voltage block
    int FeatherModeCount = 3;
    int FeatherMode = 0;  // 0 none, 1 feathering, 2 wave feathering
    int FeatherWaveLength = 0;
    std::vector<int> FeatherLinesList;

    // Calibration tables.
    std::array<std::vector<int>, kMaxCombos> HoriPositiveErr;  // [combo][head slot]
    std::array<std::vector<int>, kMaxCombos> HoriNagetiveErr;  // [combo][head slot]
    std::vector<int> VerErr;
    std::array<int, kBidiSlots> BidiErr{};
    std::vector<int> StepPass;
    std::vector<int> StepPassMicro;
};

class CPrinterConfig {
public:
    // Creates the configuration of the program in programDir and its Test folder.
    // Nothing is loaded yet.
    explicit CPrinterConfig(const std::filesystem::path& programDir);

    const std::filesystem::path& ProgramDir() const { return m_programDir; }

    // The program folder followed by "Test".
    std::filesystem::path TestDir;
    std::vector<std::string> LanguageList;
    std::vector<std::string> PrinterList;
    int Language = 0;
    int Printer = 0;
    int IsDebug = 0;
    int IsZoom = 0;
    int IsAutoMaskGen = 0;
    // SYSTEM keys UsbVendorId and UsbProductId, four hex digits ("04B4"); read, never written.
    int UsbVendorId = kDefaultUsbVendorId;
    int UsbProductId = kDefaultUsbProductId;
    CParamLists lists;
    CPrinterParams params;

    // Reads tavolux.ini. False when Printer or Resolution is outside its list, when the print
    // type cannot be parsed, or when the file is missing; what was read is kept.
    bool LoadConfig();
    // True when the last LoadConfig() succeeded.
    bool Loaded() const { return m_loaded; }
    // Why the last load failed, naming the key and its value, in the current language; empty
    // after a successful load.
    const std::string& LoadFailureText() const { return m_loadFailure; }

    // A save after a load that failed (or before any load) changes nothing and reports false:
    // the fields that were not read would overwrite the file with zeros and empty lists.
    // SaveSystemSection() needs only the SYSTEM keys to have been read. The file's lock is
    // taken for the write; see CIniFile::Flush.
    // Writes the five SYSTEM keys.
    bool SaveSystemSection();
    // Writes the SYSTEM keys and every operator and calibration key of the current printer.
    bool SaveConfig();
    // Writes the SYSTEM keys and the printer-type keys and lists.
    bool SavePrinterType();
    // Why the last save failed, in the current language; empty after a successful save.
    const std::string& SaveErrorText() const { return m_saveError; }
    // Empties every list and table.
    void ClearConfigLists();

    // The last step of loading: selects SpeedList for the current print type's resolution.
    bool FinishLoad();

    // The slot of the head of that colour and group (the last matching slot), -1 when absent.
    int FindHeadSlot(int colour, int group) const;
    // Splits PrintTypeParamList[index] into r, a, b. True only when all three are present;
    // r is set once the first item is present, a once the second is.
    bool ParsePrintType(int index, int& r, int& a, int& b) const;
    // The first print type whose resolution entry is x by y, -1 when none.
    int FindPrintType(int x, int y) const;
    // The first index of HoriPrintResolutionList with the value x, -1 when none.
    int FindHoriResIndex(int x) const;
    // Fills SpeedList from TotalSpeedList[i]; i = -1 uses entry 0 and reports false.
    bool SelectSpeedList(int i);
    bool SelectSpeedListForResolution(int x);

    int HeadCount() const { return params.GroupNo * params.ColorNo; }
    int ComboCount() const
    {
        return static_cast<int>(lists.SpeedDisplayList.size() *
                                lists.HoriPrintResolutionList.size());
    }

    // Name of the current printer type, empty when Printer is outside PrinterList.
    std::string PrinterName() const;
    // Name of the current language, empty when Language is outside LanguageList.
    std::string LanguageName() const;

private:
    // Reads the fields of those roles in the order of the field table, except skip.
    void LoadRoles(const CIniFile& ini, std::initializer_list<FieldRole> roles,
                   const ConfigField* skip = nullptr);
    // Writes the fields of those roles in the order of their save.
    void WriteRoles(CIniFile& ini, std::initializer_list<FieldRole> roles);
    // Writes the SYSTEM keys; false (after storing them) when Printer names no printer type.
    bool BeginPrinterSave(CIniFile& ini);
    // Records why the load stopped and returns false.
    bool LoadFailed(std::string text);
    // False (with the reason kept) when the fields a save writes were not all read.
    bool MaySave(bool systemOnly);
    bool FinishSave(CIniFile& ini);

    std::filesystem::path m_programDir;
    bool m_loaded = false;        // the last load read every field
    bool m_systemLoaded = false;  // the last load read the SYSTEM keys
    std::string m_loadFailure;
    std::string m_saveError;
};

// A USB id written as hex ("04b4", "0x04B4"); fallback when empty or not a 16-bit hex number.
int ParseUsbId(const std::string& text, int fallback);

// Splits a resolution entry "X*Y" into X and Y; without "*", X is 0 and Y the whole entry.
std::pair<int, int> SplitResolution(const std::string& entry);

// A horizontal error table as the file stores it: nine groups joined by "&", items by ",".
std::string FormatErrorTable(const std::array<std::vector<int>, kMaxCombos>& table);

// The process-wide configuration: created and loaded on first use from the program folder.
CPrinterConfig& GetPrinterConfig();
// Deletes the process-wide configuration (end of the program, or a test resetting it).
void ReleasePrinterConfig();

// Every field as "name" and the text the file would store, in the order of the model, with
// the derived values; for the command-line dump and the tests.
std::vector<std::pair<std::string, std::string>> DescribeConfig(const CPrinterConfig& config);

}  // namespace tavolux
