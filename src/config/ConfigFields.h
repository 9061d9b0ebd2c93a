// The one table of configuration fields: where each field lives in tavolux.ini, how it is read,
// checked, clamped and written, and which save writes it. Loading, saving, the dump, the
// command-line tool and the settings dialogs all take these facts from here.
#pragma once

#include <climits>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "config/PrinterConfig.h"

namespace tavolux {

class CIniFile;

// Where a field's key lives.
enum class FieldSection {
    System,       // "SYSTEM"
    SystemList,   // "SYSTEM_LIST"
    Printer,      // the section named after the current printer type
    PrinterList,  // that name followed by "_LIST"
    None,         // a derived value: no key, shown by the dump only
};

// What a field is for, which decides the save that writes it.
enum class FieldRole {
    System,       // a system setting, written by every save
    Choice,       // a choice list of the printer type; read before anything else of the type
    PrinterType,  // a fact of the machine, written by SavePrinterType
    Operator,     // a setting the operator changes, written by SaveConfig
    Calibration,  // a calibration table, written by SaveConfig
    Derived,      // computed from other fields after loading
};

// How the value is stored as text.
enum class FieldType {
    Int,            // decimal integer; a missing or empty key reads as -1
    UsbId,          // four hex digits; a missing or bad value reads as the default
    Double,         // decimal number written with `decimals` decimals
    Text,           // the text as it is
    TextList,       // items joined by "&"
    IntList,        // integers joined by "&" (read with `separators`)
    TruncatedList,  // decimal numbers truncated toward zero, joined by "&"
    DoubleList,     // numbers with 4 decimals joined by "&"
    ErrorTable,     // nine groups of one value per head ("&" between groups, "," inside)
    BidiSlots,      // the eight bidirectional slots; slots without a value keep theirs
    FeatherLines,   // "0,a,b": the seam rows of the two feathering modes
    Path,           // a folder of the program (dump only)
    Count,          // a count computed by the configuration (dump only)
};

// What loading does to a value it read (and, for AlsoOnSave, saving to the value it writes).
enum class FieldClamp {
    None,
    RaiseToMin,            // below `min` becomes `min`
    RaiseToMinAlsoOnSave,  // the same, and saving stores the raised value too
    OutsideToDefault,      // outside [min, max] becomes `missing`
};

// The rules that tie a field to others; applied where the field is loaded or saved.
enum class FieldRule {
    None,
    NeedsBoardV3,     // read only when PrintVer is 3 or more
    PerHead,          // read only from board 3 on; HeadCount values in, at most HeadCount out
    OriginByStyle,    // style 0 reads the key, style 1 takes MediaPos, others keep the value
    WhiteInUse,       // a negative count becomes WhiteColorNo
    NeedsWhiteHeads,  // 0 whenever WhiteColorNo is 0 (after loading and before saving)
    BeyondTravel,     // raised to MaxAccDist + HeadToSensorDist when smaller
    PerPassCount,     // padded with 0 to the size of ToTalPassList
    Fixed,            // loads as `missing` whatever the file says
};

// Which of loading and saving touch the key.
enum class FieldIo {
    ReadWrite,
    ReadOnly,   // read, never written: kept by hand in the file
    WriteOnly,  // written, never read: derived from other keys after loading
};

// Where a field lives in CPrinterConfig.
using FieldValue =
    std::variant<int*, double*, std::string*, std::vector<std::string>*, std::vector<int>*,
                 std::vector<double>*, std::array<std::vector<int>, kMaxCombos>*,
                 std::array<int, kBidiSlots>*, std::filesystem::path*>;
using FieldAccess = FieldValue (*)(CPrinterConfig&);

struct ConfigField {
    const char* name = "";  // the field's name, and its key unless fileKey is set
    FieldSection section = FieldSection::None;
    FieldRole role = FieldRole::Derived;
    FieldType type = FieldType::Int;
    FieldAccess at = nullptr;                       // null for counts
    int (*count)(const CPrinterConfig&) = nullptr;  // Count: computes the value
    int save = 0;       // position among the keys its save writes, from 1
    int missing = -1;   // the value of an integer field whose key is missing
    int min = INT_MIN;  // the values an integer field accepts
    int max = INT_MAX;
    FieldClamp clamp = FieldClamp::None;
    FieldRule rule = FieldRule::None;
    FieldIo io = FieldIo::ReadWrite;
    int decimals = 0;               // Double: the decimals written
    const char* separators = "&";   // the item separators accepted when reading a list
    const char* fileKey = nullptr;  // the key as saves spell it, when it differs
    const char* choices = nullptr;  // the list whose entries an index field selects

    // The key as saves write it.
    const char* WriteKey() const { return fileKey != nullptr ? fileKey : name; }
    bool IsRead() const { return section != FieldSection::None && io != FieldIo::WriteOnly; }
    bool IsWritten() const
    {
        return section != FieldSection::None && role != FieldRole::Derived &&
               io != FieldIo::ReadOnly;
    }
    // True when value lies in [min, max].
    bool InRange(long long value) const { return value >= min && value <= max; }
};

// Visits a FieldValue with one lambda per pointer type.
template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

// Every field, in the order of the model (the dump's order).
std::span<const ConfigField> ConfigFields();

// The field of that key in a section of tavolux.ini ("SYSTEM", "SYSTEM_LIST", a printer type's
// name or that name with "_LIST"), ignoring case as the file does; null when no field has it.
const ConfigField* FindConfigField(std::string_view section, std::string_view key);
// The field stored at that address of config; null for an address no field has.
const ConfigField* FindConfigField(CPrinterConfig& config, const void* address);

// The keys of the fields at those addresses of config, joined by ", ", for messages that name
// the keys to look at.
std::string FieldKeys(const CPrinterConfig& config, std::initializer_list<const void*> addresses);

// The section a field's key lives in when printer is the current printer type's name.
std::string SectionName(FieldSection section, const std::string& printer);

// The field's value as the file stores it (forFile) or as the dump shows it.
std::string FieldText(const CPrinterConfig& config, const ConfigField& field, bool forFile);

// Reads the field from ini into config, with its clamp and rules; printer names the current
// printer type. Fields it depends on (earlier in the table) must have been read.
void LoadField(CPrinterConfig& config, const ConfigField& field, const CIniFile& ini,
               const std::string& printer);
// Writes the field to ini, after the clamp and rules that saving applies to config.
void SaveField(CPrinterConfig& config, const ConfigField& field, CIniFile& ini,
               const std::string& printer);
// The written fields of those roles in the order their save writes them.
std::vector<const ConfigField*> FieldsSavedAs(std::initializer_list<FieldRole> roles);

// Why a text cannot be stored under the field: empty when it can, otherwise the message (from
// the string tables) naming what the field accepts.
std::string CheckFieldValue(const ConfigField& field, std::string_view value);

}  // namespace tavolux
