// Loading and saving the configuration: orders, clamps, list formats and derived values.
#include <gtest/gtest.h>

#include <algorithm>

#include "config/ConfigFixture.h"
#include "config/PrinterConfig.h"

using namespace tavolux;

namespace {

using Ints = std::vector<int>;
using Sets = std::vector<std::array<std::string, 3>>;  // section ("P", "L" or a name), key, value

// Keys set in the small base file, a load (and, with `then`, the keys set then and a second
// load), the values the dump shows, and the file's values after SaveConfig and SavePrinterType.
struct RuleCase {
    const char* what;
    Sets sets;
    std::vector<std::pair<std::string, std::string>> loaded;
    Sets saved = {};
    Sets then = {};
    bool loads = true;
};

std::string Described(const CPrinterConfig& c, const std::string& name)
{
    for (const auto& [n, v] : DescribeConfig(c)) {
        if (n == name) {
            return v;
        }
    }
    return "<no field " + name + ">";
}

std::string Numbers(int from, int to, int perGroup)
{
    std::string s;
    for (int i = from; i <= to; ++i) {
        s += (i > from ? (perGroup > 0 && (i - from) % perGroup == 0 ? "&" : ",") : "") +
             std::to_string(i);
    }
    return s;
}

const std::string kTwenty = "1,2,3,4,5,6,7,8&9,10,11,12,13,14,15,16&17,18,19,20,0,0,0,0&&&&&&";
const std::string kZeros = "0,0,0,0,0,0,0,0";
const std::string kTen = Numbers(1, 10, 1);

// clang-format off
const std::vector<RuleCase> kRuleCases = {
    {"separators at the ends and in runs are skipped; derived values",
     {{"L", "PassList", "&A&&B&"}, {"L", "StripWidthList", "&&5&&10x&"}},
     {{"PassList", "A&B"}, {"StripWidthList", "5&10"}, {"FeatherModeCount", "3"}, {"ResolutionX", "720"},
      {"ResolutionY", "600"}, {"HeadCount", "8"}, {"ComboCount", "6"}, {"SpeedList", "H&M"}}},
    {"board 2 reads no voltages, and saves the empty list",
     {{"P", "PrintVer", "2"}, {"L", "Voltage", "190&191&192"}, {"P", "MinJetVoltageVal", "150"}},
     {{"Voltage", ""}, {"MinJetVoltageVal", "0"}}, {{"L", "Voltage", ""}}},
    {"board 3 takes one voltage per head, extra items ignored",
     {{"P", "PrintVer", "3"}, {"L", "Voltage", kTen}, {"P", "MinJetVoltageVal", "150"}},
     {{"Voltage", "1&2&3&4&5&6&7&8"}, {"MinJetVoltageVal", "150"}}},
    {"horizontal errors fill groups of HeadCount and pad to ComboCount",
     {{"L", "HoriPrintResolutionList", "720"}, {"L", "HoriPositiveErr", Numbers(1, 20, 3)}},
     {{"HoriPositiveErr", kTwenty}, {"HoriNagetiveErr", kZeros + "&" + kZeros + "&" + kZeros + "&&&&&&"}},
     {{"L", "HoriPositiveErr", kTwenty}}},
    {"other origin styles leave the origin unchanged",
     {{"P", "OriginPrintStyle", "0"}, {"P", "OriginPos", "120"}}, {{"OriginPos", "120"}}, {},
     {{"P", "OriginPrintStyle", "2"}, {"P", "OriginPos", "55"}}},
    {"feather mode outside 0..2 is 0; the first seam row is 0",
     {{"P", "FeatherMode", "5"}, {"L", "FeatherLinesList", "5,6"}},
     {{"FeatherMode", "0"}, {"FeatherLinesList", "0,6,0"}},
     {{"L", "FeatherLinesList", "0,6,0"}, {"P", "FeatherModeCount", "3"}}},
    {"negative feather mode is 0", {{"P", "FeatherMode", "-1"}, {"L", "FeatherLinesList", "9,20,40"}},
     {{"FeatherMode", "0"}, {"FeatherLinesList", "0,20,40"}}},
    {"no white channel: no white printing; negative distances clamp; MaxOrigin covers travel",
     {{"P", "WhiteColorNo", "0"}, {"P", "IfPrintWhite", "1"}, {"P", "MediaPly", "-3"},
      {"P", "DisBetweenBeamAndMedia", "-1"}, {"P", "SpaceAfterPic", "-7"}, {"P", "MaxAccDist", "60"},
      {"P", "HeadToSensorDist", "120"}, {"P", "MaxOrigin", "100"}},
     {{"IfPrintWhite", "0"}, {"NumOfWhiteInUse", "0"}, {"MediaPly", "0"}, {"DisBetweenBeamAndMedia", "0"},
      {"DisBeforePrint", "0"}, {"SpaceAfterPic", "0"}, {"MaxOrigin", "180"}},
     {{"P", "IfPrintWhite", "0"}, {"P", "MediaPly", "0"}, {"P", "MaxOrigin", "180"}}},
    {"negative white count is 0", {{"P", "WhiteColorNo", "-2"}}, {{"WhiteColorNo", "0"}}},
    {"white heads in use default to the white channels",
     {{"P", "WhiteColorNo", "2"}, {"P", "NumOfWhiteInUse", "-1"}, {"P", "IfPrintWhite", "1"}},
     {{"IfPrintWhite", "1"}, {"NumOfWhiteInUse", "2"}}},
    {"step tables pad to the pass count; bidirectional slots stop at eight",
     {{"L", "StepPass", "4,5"}, {"L", "StepPassMicro", "1&2&3&4&5"}, {"L", "BidiErr", kTen}},
     {{"StepPass", "4&5&0"}, {"StepPassMicro", "1&2&3&4&5"}, {"BidiErr", "1&2&3&4&5&6&7&8"}},
     {{"L", "StepPass", "4&5&0"}, {"L", "BidiErr", "1&2&3&4&5&6&7&8"}}},
    {"bidirectional slots without a value keep their content", {{"L", "BidiErr", kTen}},
     {{"BidiErr", "-1&-2&3&4&5&6&7&8"}}, {{"L", "BidiErr", "-1&-2&3&4&5&6&7&8"}}, {{"L", "BidiErr", "-1&-2"}}},
    {"head tables read decimals and truncate",
     {{"L", "IsPrinted", "1.9&-1.9&0&abc"}, {"L", "JetTemp", "3.99&1e1"}, {"L", "HeadHoriPosList", "0&25.4&-0.5"}},
     {{"IsPrinted", "1&-1&0&0"}, {"JetTemp", "3&10"}},
     {{"L", "HeadHoriPosList", "0&25.4000&-0.5000"}, {"L", "IsPrinted", "1&-1&0&0"}}},
    {"a resolution entry without '*' is 0 by the whole entry",
     {{"L", "ResolutionList", "600"}, {"L", "HoriPrintResolutionList", "0&720"}, {"L", "TotalSpeedList", "Slow&Fast"}},
     {{"ResolutionX", "0"}, {"ResolutionY", "600"}, {"SpeedList", "Slow"}}},
    {"an unknown horizontal resolution takes the first speeds and fails",
     {{"L", "HoriPrintResolutionList", "360&540"}, {"L", "TotalSpeedList", "A,B&C"}}, {{"SpeedList", "A&B"}},
     {}, {}, false},
    {"no speeds at all: no entry to take, no crash",
     {{"L", "HoriPrintResolutionList", "360&540"}, {"L", "TotalSpeedList", ""}}, {{"SpeedList", ""}}, {}, {},
     false},
    {"a print type with two items fails the load but keeps the values read",
     {{"L", "PrintTypeParamList", "1,3"}, {"P", "TaskGap", "44"}}, {{"TaskGap", "44"}}, {}, {}, false},
    {"a resolution outside its list stops after the lists", {{"P", "TaskGap", "10"}},
     {{"PassList", "8&16"}, {"Resolution", "2"}, {"TaskGap", "10"}}, {},
     {{"P", "Resolution", "2"}, {"P", "TaskGap", "99"}, {"L", "PassList", "8&16"}}, false},
    {"a printer outside its list reads only the system keys",
     {{"SYSTEM", "Printer", "3"}, {"SYSTEM", "IsDebug", "1"}}, {{"IsDebug", "1"}, {"ResolutionList", ""}},
     {}, {}, false},
    {"reloading does not accumulate lists",
     {{"L", "HeadArrayOrder", "0,0&1,0"}, {"L", "HoriPositiveErr", "1,2,3"}},
     {{"HeadArrayOrder", "0,0&1,0"}, {"LanguageList", "CHS&ENU"},
      {"HoriPositiveErr", "1,2,3,0,0,0,0,0&" + kZeros + "&" + kZeros + "&" + kZeros + "&" + kZeros + "&" + kZeros + "&&&"}},
     {}, {{"L", "PassList", ""}}},
    {"the feed pairing is 1 or the default 0", {{"P", "PassFeedAfter", "2"}}, {{"PassFeedAfter", "0"}},
     {{"P", "PassFeedAfter", "0"}}},
    {"USB ids are hex; a bad one keeps the default",
     {{"SYSTEM", "UsbVendorId", "0x1A2b"}, {"SYSTEM", "UsbProductId", "12345"}},
     {{"UsbVendorId", "1A2B"}, {"UsbProductId", "1004"}}},
};
// clang-format on

// Failures name the case, not its bytes.
void PrintTo(const RuleCase& c, std::ostream* os)
{
    *os << c.what;
}

class ConfigRules : public ::testing::TestWithParam<RuleCase> {};

}  // namespace

TEST_P(ConfigRules, LoadAndSave)
{
    const RuleCase& rc = GetParam();
    test::ConfigFixture f;
    CPrinterConfig& c = f.config;
    for (const auto& [section, key, value] : rc.sets) {
        f.Set(section, key, value);
    }
    bool loaded = c.LoadConfig();
    if (!rc.then.empty()) {
        for (const auto& [section, key, value] : rc.then) {
            f.Set(section, key, value);
        }
        loaded = c.LoadConfig();
    }
    EXPECT_EQ(loaded, rc.loads);
    for (const auto& [name, value] : rc.loaded) {
        EXPECT_EQ(Described(c, name), value) << name;
    }
    if (rc.loads) {
        ASSERT_TRUE(c.SaveConfig());
        ASSERT_TRUE(c.SavePrinterType());
    }
    for (const auto& [section, key, value] : rc.saved) {
        EXPECT_EQ(f.Get(section, key), value) << key;
        EXPECT_TRUE(f.File().HasKey(test::ConfigFixture::Section(section), key)) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ConfigRules, ::testing::ValuesIn(kRuleCases));

TEST(PrinterConfigLoad, TotalSpeedListIsReadInEitherSpellingAndSavedAsToTal)
{
    test::ConfigFixture f;
    std::string text = f.FileText();
    text.replace(text.find("TotalSpeedList="), 20, "TOTALSPEEDLIST=X,Y&Z");
    f.dir.Write(kConfigFileName, text);
    ASSERT_TRUE(f.config.LoadConfig());
    EXPECT_EQ(f.config.lists.SpeedList, (std::vector<std::string>{"X", "Y"}));
    ASSERT_TRUE(f.config.SavePrinterType());
    text = f.FileText();
    EXPECT_NE(text.find("\nToTalSpeedList=X,Y&Z\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("TOTALSPEEDLIST"), std::string::npos);
    EXPECT_NE(text.find("\nSpeedList=X&Y\n"), std::string::npos);
}

TEST(PrinterConfigLoad, HorizontalErrorsBeyondNineGroupsAndALongListAreCut)
{
    test::ConfigFixture f;
    f.Set("L", "HoriPositiveErr", Numbers(0, 99, 1));
    f.Set("L", "SpeedDisplayList", "1&2&3&4&5");  // ComboCount 10: beyond the table's room
    std::string list = "AB";
    for (int i = 0; list.size() < 600; ++i) {
        list += "&ITEM" + std::to_string(100 + i);
    }
    f.Set("L", "DirectionList", list);
    ASSERT_TRUE(f.config.LoadConfig());
    EXPECT_EQ(f.config.params.HoriPositiveErr[8].back(), 71);
    EXPECT_EQ(f.config.params.HoriNagetiveErr[8], Ints(8, 0)) << "padding stops at group nine";
    // "AB" and 63 items of 8 characters with separators fill 506; the cut at 511 leaves "ITEM".
    ASSERT_EQ(f.config.lists.DirectionList.size(), 65u);
    EXPECT_EQ(f.config.lists.DirectionList[63], "ITEM162");
    EXPECT_EQ(f.config.lists.DirectionList[64], "ITEM");
}

TEST(PrinterConfigLookups, HeadSlotsPrintTypesAndResolutions)
{
    test::ConfigFixture f;
    CPrinterConfig& c = f.config;
    f.Set("L", "HeadArrayOrder", "0,0&1,0&1,0&0,1");
    f.Set("L", "ResolutionList", "720*600&540*600&360");
    f.Set("L", "PrintTypeParamList", "0,1,0&1,2&2,0,0&1,2,0");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.FindHeadSlot(1, 0), 2) << "the last match";
    EXPECT_EQ(c.FindHeadSlot(0, 1), 3);
    EXPECT_EQ(c.FindHeadSlot(0, 0), 0);
    EXPECT_EQ(c.FindHeadSlot(3, 1), -1);
    EXPECT_EQ(c.FindPrintType(540, 600), 3) << "type 1 lacks its third item";
    EXPECT_EQ(c.FindPrintType(0, 360), 2) << "an entry without '*' is 0 by the whole entry";
    EXPECT_EQ(c.FindPrintType(720, 900), -1);
    EXPECT_EQ(c.FindHoriResIndex(540), 1);
    EXPECT_EQ(c.FindHoriResIndex(999), -1);
    int r = -5;
    int a = -5;
    int b = -5;
    EXPECT_FALSE(c.ParsePrintType(1, r, a, b));
    EXPECT_EQ(r, 1);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, -5);
    EXPECT_FALSE(c.ParsePrintType(4, r, a, b));
    EXPECT_FALSE(c.ParsePrintType(-1, r, a, b));
    EXPECT_TRUE(std::filesystem::is_directory(c.TestDir));
}

TEST(PrinterConfigFailures, MissingFileFailsEveryOperationAfterTheMessage)
{
    test::ConfigFixture f;
    test::RecordingUi ui;
    std::filesystem::remove(f.dir.Path() / kConfigFileName);
    EXPECT_FALSE(f.config.LoadConfig());
    EXPECT_FALSE(f.config.SaveConfig());
    EXPECT_FALSE(f.config.SaveSystemSection());
    EXPECT_EQ(ui.exitCodes, (Ints{0})) << "the saves refuse before they look for the file";
    EXPECT_FALSE(std::filesystem::exists(f.dir.Path() / kConfigFileName));
}

TEST(PrinterConfigFailures, ASaveThatCannotStoreAValueReportsFailure)
{
    // A printer name with "]" cannot be a section header; nothing of it may be half-written
    // while the save claims success.
    test::ConfigFixture f;
    f.Set("SYSTEM_LIST", "PrinterList", "P&Bad]Name");
    ASSERT_TRUE(f.config.LoadConfig());
    f.config.Printer = 1;
    EXPECT_FALSE(f.config.SaveConfig());
    EXPECT_FALSE(f.config.SavePrinterType());
    EXPECT_EQ(f.Get("SYSTEM", "Printer"), "1") << "the SYSTEM keys are still stored";
    EXPECT_EQ(f.FileText().find("Bad]Name]"), std::string::npos);
}

TEST(PrinterConfigSave, SavingAppliesItsRulesToValuesSetInMemory)
{
    test::ConfigFixture f;
    ASSERT_TRUE(f.config.LoadConfig());
    CPrinterParams& p = f.config.params;
    p.WhiteColorNo = 0;
    p.IfPrintWhite = 1;
    p.MediaPly = -4;
    p.FeatherLinesList = {9, 20, 40};
    ASSERT_TRUE(f.config.SaveConfig());
    EXPECT_EQ(f.Get("P", "IfPrintWhite"), "0");
    EXPECT_EQ(f.Get("P", "MediaPly"), "0");
    EXPECT_EQ(f.Get("L", "FeatherLinesList"), "0,20,40");
}
