// The field table: saves and the dump give, byte for byte, what the configuration wrote before
// it was table-driven; lookups find every key; a value outside its field is refused.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "config/ConfigFields.h"
#include "config/IniFile.h"
#include "config/PrinterConfig.h"
#include "support/TempDir.h"

using namespace tavolux;

namespace {

// A file of the source tree; "sample:N" names the shipped sample.
std::string DataText(const std::string& name)
{
    const std::filesystem::path root(TAVOLUX_SOURCE_DIR);
    std::ifstream in(name.starts_with("sample:") ? root / "data/sample/tavolux.ini"
                                                 : root / "tests/data/config" / name);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string DumpText(const CPrinterConfig& c, bool loaded)
{
    std::string out;
    for (const auto& [name, value] : DescribeConfig(c)) {
        if (name != "TestDir") {
            out += name + " = " + value + "\n";
        }
    }
    return out + "load = " + (loaded ? "true" : "false") + "\n";
}

struct SaveCase {
    std::string input;  // the file before; "sample:N" is the sample with Printer N
    std::string dump;   // the dump after loading it
    std::string afterSave;
    std::string afterPrinterTypeSave;
};

}  // namespace

TEST(ConfigFieldTable, LoadDumpAndSavesGiveTheRecordedFilesByteForByte)
{
    const std::vector<SaveCase> cases = {
        {"sample:0", "dump0.txt", "", "saved0.ini"},
        {"sample:1", "dump1.txt", "", "saved1.ini"},
        {"sample:2", "dump2.txt", "", "saved2.ini"},
        // Nearly every key missing: the saves append them in their own orders, and the clamps
        // and cross-field rules show in the values.
        {"sparse.ini", "sparsedump.txt", "sparsesave.ini", "sparsesavept.ini"},
    };
    for (const SaveCase& c : cases) {
        SCOPED_TRACE(c.input);
        test::TempDir dir;
        dir.Write(kConfigFileName, DataText(c.input));
        if (c.input.starts_with("sample:")) {
            auto ini = CIniFile::OpenFile(dir.Path() / kConfigFileName, true);
            ini.WriteInt("SYSTEM", "Printer", std::stoi(c.input.substr(7)));
            ASSERT_TRUE(ini.Flush());
        }
        CPrinterConfig config(dir.Path());
        const bool loaded = config.LoadConfig();
        EXPECT_EQ(DumpText(config, loaded), DataText(c.dump));
        ASSERT_TRUE(config.SaveConfig());
        if (!c.afterSave.empty()) {
            EXPECT_EQ(dir.Read(kConfigFileName), DataText(c.afterSave));
        }
        ASSERT_TRUE(config.SavePrinterType());
        EXPECT_EQ(dir.Read(kConfigFileName), DataText(c.afterPrinterTypeSave));
    }
}

TEST(ConfigFieldTable, EveryKeyIsFoundInItsSectionAndSavesNumberTheirKeysOnce)
{
    std::map<int, std::set<int>> ranks;  // save group -> ranks
    for (const ConfigField& f : ConfigFields()) {
        if (f.section == FieldSection::None) {
            continue;
        }
        const std::string section = SectionName(f.section, "TX Printer");
        std::string upper = f.name;
        for (char& ch : upper) {
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        }
        EXPECT_EQ(FindConfigField(section, upper), &f) << f.name;
        EXPECT_EQ(FindConfigField(section, f.WriteKey()), &f) << f.name;
        if (f.IsWritten()) {
            const int group = f.role == FieldRole::System ? 0
                              : f.role == FieldRole::Operator || f.role == FieldRole::Calibration
                                  ? 1
                                  : 2;
            EXPECT_TRUE(ranks[group].insert(f.save).second) << f.name << " shares rank " << f.save;
        }
    }
    for (const auto& [group, used] : ranks) {
        EXPECT_EQ(*used.begin(), 1) << group;
        EXPECT_EQ(*used.rbegin(), static_cast<int>(used.size())) << "gap in group " << group;
    }
    // A key in the other section of the pair, and a derived value, are not keys.
    EXPECT_EQ(FindConfigField("TX Printer", "Temperature"), nullptr);
    EXPECT_EQ(FindConfigField("TX Printer", "HeadCount"), nullptr);
}

TEST(ConfigFieldTable, CheckRefusesValuesOutsideTheField)
{
    struct Case {
        const char* section;
        const char* key;
        const char* value;
        bool accepted;
    };
    // clang-format off
    const Case cases[] = {
        {"TX Printer", "FeatherMode", "2", true},          {"TX Printer", "FeatherMode", "3", false},
        {"TX Printer", "FeatherMode", "-1", false},        {"TX Printer", "MediaPly", "0", true},
        {"TX Printer", "MediaPly", "-1", false},           {"SYSTEM", "IsDebug", "1", true},
        {"SYSTEM", "IsDebug", "2", false},                 {"SYSTEM", "Printer", "+1", true},
        {"SYSTEM", "Printer", "1x", false},                {"SYSTEM", "Printer", "", false},
        {"TX Printer", "TaskGap", "-2147483648", true},    {"TX Printer", "TaskGap", "2147483648", false},
        {"TX Printer", "MmPerPulseX", "0.02", true},       {"TX Printer", "MmPerPulseX", "fast", false},
        {"SYSTEM", "UsbVendorId", "0x04b4", true},         {"SYSTEM", "UsbVendorId", "12345", false},
        {"TX Printer", "OutputInterface", "any", true},    {"TX Printer_LIST", "StepPass", "1,2&x", true},
    };
    // clang-format on
    for (const Case& c : cases) {
        const ConfigField* f = FindConfigField(c.section, c.key);
        ASSERT_NE(f, nullptr) << c.key;
        const std::string why = CheckFieldValue(*f, c.value);
        EXPECT_EQ(why.empty(), c.accepted) << c.key << " = " << c.value << ": " << why;
        if (!c.accepted) {
            EXPECT_NE(why.find(c.key), std::string::npos) << why;
        }
    }
    const std::string range = CheckFieldValue(*FindConfigField("P", "FeatherMode"), "9");
    EXPECT_NE(range.find('0'), std::string::npos) << range;
    EXPECT_NE(range.find('2'), std::string::npos) << "names the range: " << range;
}
