// Loading and saving the configuration: orders, clamps, list formats and derived values.
#include <gtest/gtest.h>

#include <algorithm>

#include "config/PrinterConfig.h"
#include "config/ConfigFixture.h"

using namespace tavolux;

namespace {

using Strings = std::vector<std::string>;
using Ints = std::vector<int>;

class PrinterConfigTest : public ::testing::Test {
protected:
    test::ConfigFixture f;
    CPrinterConfig& c = f.config;
};

}  // namespace

TEST_F(PrinterConfigTest, BaseFileLoadsAndDerivesResolutionAndSpeeds)
{
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.ResolutionX, 720);
    EXPECT_EQ(c.params.ResolutionY, 600);
    EXPECT_EQ(c.HeadCount(), 8);
    EXPECT_EQ(c.ComboCount(), 6);
    EXPECT_EQ(c.lists.SpeedList, (Strings{"H", "M"}));
    EXPECT_EQ(c.params.FeatherModeCount, 3);
    EXPECT_TRUE(std::filesystem::is_directory(c.TestDir));
    EXPECT_EQ(c.TestDir, f.dir.Path() / "Test");
}

TEST_F(PrinterConfigTest, ListSeparatorsAtTheEndsAndInRunsAreSkipped)
{
    f.Set("L", "PassList", "&A&&B&");
    f.Set("L", "StripWidthList", "&&5&&10x&");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.lists.PassList, (Strings{"A", "B"}));
    EXPECT_EQ(c.lists.StripWidthList, (Ints{5, 10}));
}

TEST_F(PrinterConfigTest, TotalSpeedListIsReadInEitherSpellingAndSavedAsToTal)
{
    f.Set("L", "TotalSpeedList", "");
    {
        // Re-spell the key by hand: the file lookup ignores case.
        std::string text = f.FileText();
        auto pos = text.find("TotalSpeedList=");
        text.replace(pos, 15, "TOTALSPEEDLIST=X,Y&Z");
        f.dir.Write(kConfigFileName, text);
    }
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.lists.TotalSpeedList, (Strings{"X,Y", "Z"}));
    EXPECT_EQ(c.lists.SpeedList, (Strings{"X", "Y"}));
    ASSERT_TRUE(c.SavePrinterType());
    std::string text = f.FileText();
    EXPECT_NE(text.find("\nToTalSpeedList=X,Y&Z\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("TOTALSPEEDLIST"), std::string::npos);
    EXPECT_NE(text.find("\nSpeedList=X&Y\n"), std::string::npos);
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.lists.TotalSpeedList, (Strings{"X,Y", "Z"}));
}

TEST_F(PrinterConfigTest, VoltagesAreReadOnlyFromGenerationThree)
{
    f.Set("L", "Voltage", "190&191&192");
    f.Set("P", "MinJetVoltageVal", "150");
    f.Set("P", "MaxJetVoltageVal", "250");
    f.Set("P", "PrintVer", "2");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_TRUE(c.params.Voltage.empty());
    EXPECT_EQ(c.params.MinJetVoltageVal, 0);
    ASSERT_TRUE(c.SaveConfig());
    EXPECT_EQ(f.Get("L", "Voltage"), "");
    EXPECT_TRUE(
        CIniFile::OpenFile(f.dir.Path() / kConfigFileName, true).HasKey("P_LIST", "Voltage"));

    f.Set("L", "Voltage", "190&191&192&193&194&195&196&197&198&199");
    f.Set("P", "PrintVer", "3");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.MinJetVoltageVal, 150);
    EXPECT_EQ(c.params.Voltage, (Ints{190, 191, 192, 193, 194, 195, 196, 197}))
        << "extra items ignored";
    f.Set("L", "Voltage", "190&191");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.Voltage, (Ints{190, 191, 0, 0, 0, 0, 0, 0})) << "missing items are 0";
}

TEST_F(PrinterConfigTest, HorizontalErrorsFillGroupsOfHeadCountAndPadToComboCount)
{
    f.Set("L", "HoriPrintResolutionList", "720");
    f.Set("L", "SpeedDisplayList", "H&M&L");  // ComboCount 3
    std::string twenty;
    for (int i = 1; i <= 20; ++i) {
        twenty += (i > 1 ? (i % 3 ? "," : "&") : "") + std::to_string(i);
    }
    f.Set("L", "HoriPositiveErr", twenty);
    f.Set("L", "HoriNagetiveErr", "");
    ASSERT_TRUE(c.LoadConfig());
    const auto& t = c.params.HoriPositiveErr;
    EXPECT_EQ(t[0], (Ints{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(t[1], (Ints{9, 10, 11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(t[2], (Ints{17, 18, 19, 20, 0, 0, 0, 0}));
    EXPECT_TRUE(t[3].empty());
    for (int g = 0; g < 3; ++g) {
        EXPECT_EQ(c.params.HoriNagetiveErr[g], Ints(8, 0));
    }
    ASSERT_TRUE(c.SaveConfig());
    EXPECT_EQ(f.Get("L", "HoriPositiveErr"),
              "1,2,3,4,5,6,7,8&9,10,11,12,13,14,15,16&17,18,19,20,0,0,0,0&&&&&&");
}

TEST_F(PrinterConfigTest, HorizontalErrorsBeyondNineGroupsAreIgnored)
{
    std::string many;
    for (int i = 0; i < 100; ++i) {
        many += (i ? "&" : "") + std::to_string(i);
    }
    f.Set("L", "HoriPositiveErr", many);
    f.Set("L", "SpeedDisplayList", "1&2&3&4&5");  // ComboCount 10: beyond the table's room
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.ComboCount(), 10);
    EXPECT_EQ(c.params.HoriPositiveErr[8].back(), 71);
    EXPECT_EQ(c.params.HoriNagetiveErr[8], Ints(8, 0)) << "padding stops at the ninth group";
}

TEST_F(PrinterConfigTest, MediaOriginStyleTakesTheOriginFromMediaPos)
{
    f.Set("P", "OriginPrintStyle", "1");
    f.Set("P", "MediaPos", "300");
    f.Set("P", "OriginPos", "100");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.OriginPos, 300);
    ASSERT_TRUE(c.SaveConfig());
    EXPECT_EQ(f.Get("P", "OriginPos"), "300");

    f.Set("P", "OriginPrintStyle", "0");
    f.Set("P", "OriginPos", "120");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.OriginPos, 120);
    f.Set("P", "OriginPrintStyle", "2");
    f.Set("P", "OriginPos", "55");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.OriginPos, 120) << "other styles leave the field unchanged";
}

TEST_F(PrinterConfigTest, FeatherSettings)
{
    f.Set("P", "FeatherMode", "5");
    f.Set("L", "FeatherLinesList", "5,6");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.FeatherMode, 0);
    EXPECT_EQ(c.params.FeatherLinesList, (Ints{0, 6, 0}));
    c.params.FeatherMode = 2;
    c.params.FeatherLinesList = {9, 20, 40};
    ASSERT_TRUE(c.SaveConfig());
    EXPECT_EQ(f.Get("L", "FeatherLinesList"), "0,20,40");
    EXPECT_EQ(f.Get("P", "FeatherModeCount"), "3");
    f.Set("P", "FeatherMode", "-1");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.FeatherMode, 0);
    EXPECT_EQ(c.params.FeatherLinesList, (Ints{0, 20, 40}));
}

TEST_F(PrinterConfigTest, AListCutAt511CharactersLosesItsLastItems)
{
    std::string list = "AB";
    for (int i = 0; list.size() < 600; ++i) {
        list += "&ITEM" + std::to_string(100 + i);
    }
    f.Set("L", "DirectionList", list);
    ASSERT_TRUE(c.LoadConfig());
    // "AB" and 63 items of 8 characters with their separators fill 506; the cut at 511 leaves
    // "ITEM" of the next one.
    ASSERT_EQ(c.lists.DirectionList.size(), 65u);
    EXPECT_EQ(c.lists.DirectionList[63], "ITEM162");
    EXPECT_EQ(c.lists.DirectionList[64], "ITEM");
}

TEST_F(PrinterConfigTest, FindHeadSlotReturnsTheLastMatch)
{
    f.Set("L", "HeadArrayOrder", "0,0&1,0&1,0&0,1");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.FindHeadSlot(1, 0), 2);
    EXPECT_EQ(c.FindHeadSlot(0, 1), 3);
    EXPECT_EQ(c.FindHeadSlot(0, 0), 0);
    EXPECT_EQ(c.FindHeadSlot(3, 1), -1);
    EXPECT_EQ(c.FindHeadSlot(10, 0), -1);
}

TEST_F(PrinterConfigTest, PrintTypeWithTwoItemsFailsTheLoadButKeepsValues)
{
    f.Set("L", "PrintTypeParamList", "1,3");
    f.Set("P", "TaskGap", "44");
    EXPECT_FALSE(c.LoadConfig());
    EXPECT_EQ(c.params.TaskGap, 44);
    int r = -5;
    int a = -5;
    int b = -5;
    EXPECT_FALSE(c.ParsePrintType(0, r, a, b));
    EXPECT_EQ(r, 1);
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, -5);
    EXPECT_FALSE(c.ParsePrintType(1, r, a, b));
    EXPECT_FALSE(c.ParsePrintType(-1, r, a, b));
}

TEST_F(PrinterConfigTest, PrintTypeAndResolutionLookups)
{
    f.Set("L", "ResolutionList", "720*600&540*600&360");
    f.Set("L", "PrintTypeParamList", "0,1,0&1,2&2,0,0&1,2,0");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.FindPrintType(540, 600), 3) << "type 1 lacks its third item";
    EXPECT_EQ(c.FindPrintType(0, 360), 2) << "an entry without '*' is 0 by the whole entry";
    EXPECT_EQ(c.FindPrintType(720, 900), -1);
    EXPECT_EQ(SplitResolution("360"), std::make_pair(0, 360));
    EXPECT_EQ(c.FindHoriResIndex(540), 1);
    EXPECT_EQ(c.FindHoriResIndex(999), -1);
}

TEST_F(PrinterConfigTest, ResolutionEntryWithoutAsterisk)
{
    f.Set("L", "ResolutionList", "600");
    f.Set("L", "HoriPrintResolutionList", "0&720");
    f.Set("L", "TotalSpeedList", "Slow&Fast");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.ResolutionX, 0);
    EXPECT_EQ(c.params.ResolutionY, 600);
    EXPECT_EQ(c.lists.SpeedList, (Strings{"Slow"}));
}

TEST_F(PrinterConfigTest, UnknownHorizontalResolutionTakesTheFirstSpeedsAndFails)
{
    f.Set("L", "HoriPrintResolutionList", "360&540");
    f.Set("L", "TotalSpeedList", "A,B&C");
    EXPECT_FALSE(c.LoadConfig());
    EXPECT_EQ(c.lists.SpeedList, (Strings{"A", "B"}));
    f.Set("L", "TotalSpeedList", "");
    EXPECT_FALSE(c.LoadConfig());
    EXPECT_TRUE(c.lists.SpeedList.empty()) << "no entry 0 to take: no speeds, no crash";
}

TEST_F(PrinterConfigTest, WhiteInkAndClampRules)
{
    f.Set("P", "WhiteColorNo", "0");
    f.Set("P", "IfPrintWhite", "1");
    f.Set("P", "MediaPly", "-3");
    f.Set("P", "DisBetweenBeamAndMedia", "-1");
    f.Set("P", "SpaceAfterPic", "-7");
    f.Set("P", "MaxAccDist", "60");
    f.Set("P", "HeadToSensorDist", "120");
    f.Set("P", "MaxOrigin", "100");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.IfPrintWhite, 0);
    EXPECT_EQ(c.params.NumOfWhiteInUse, 0);
    EXPECT_EQ(c.params.MediaPly, 0);
    EXPECT_EQ(c.params.DisBetweenBeamAndMedia, 0);
    EXPECT_EQ(c.params.DisBeforePrint, 0) << "missing (-1) clamps to 0";
    EXPECT_EQ(c.params.SpaceAfterPic, 0);
    EXPECT_EQ(c.params.MaxOrigin, 180);

    f.Set("P", "WhiteColorNo", "-2");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.WhiteColorNo, 0);

    f.Set("P", "WhiteColorNo", "2");
    f.Set("P", "NumOfWhiteInUse", "-1");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.IfPrintWhite, 1);
    EXPECT_EQ(c.params.NumOfWhiteInUse, 2);

    // Saving forces the white switch off again when there is no white channel.
    c.params.WhiteColorNo = 0;
    c.params.IfPrintWhite = 1;
    ASSERT_TRUE(c.SaveConfig());
    EXPECT_EQ(f.Get("P", "IfPrintWhite"), "0");
}

TEST_F(PrinterConfigTest, PrinterOutsideItsListReadsOnlyTheSystemKeys)
{
    ASSERT_TRUE(c.LoadConfig());
    f.Set("SYSTEM", "Printer", "3");
    f.Set("SYSTEM", "IsDebug", "1");
    std::string before = f.Get("P", "Resolution");
    EXPECT_FALSE(c.LoadConfig());
    EXPECT_EQ(c.IsDebug, 1);
    EXPECT_TRUE(c.lists.ResolutionList.empty());
    c.params.Resolution = 1;
    c.IsZoom = 7;
    const std::string text = f.FileText();
    EXPECT_FALSE(c.SaveConfig());
    EXPECT_FALSE(c.SavePrinterType());
    EXPECT_EQ(f.FileText(), text) << "a save after a failed load changes nothing";
    EXPECT_EQ(f.Get("P", "Resolution"), before);
}

TEST_F(PrinterConfigTest, ResolutionOutsideItsListStopsAfterTheLists)
{
    f.Set("P", "TaskGap", "10");
    ASSERT_TRUE(c.LoadConfig());
    f.Set("P", "Resolution", "2");
    f.Set("P", "TaskGap", "99");
    f.Set("L", "PassList", "8&16");
    EXPECT_FALSE(c.LoadConfig());
    EXPECT_EQ(c.lists.PassList, (Strings{"8", "16"}));
    EXPECT_EQ(c.params.Resolution, 2);
    EXPECT_EQ(c.params.TaskGap, 10) << "the rest keeps its previous value";
}

TEST_F(PrinterConfigTest, StepAndBidiTables)
{
    f.Set("L", "StepPass", "4,5");
    f.Set("L", "StepPassMicro", "1&2&3&4&5");
    f.Set("L", "BidiErr", "1&2&3&4&5&6&7&8&9&10");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.StepPass, (Ints{4, 5, 0}));
    EXPECT_EQ(c.params.StepPassMicro, (Ints{1, 2, 3, 4, 5}));
    EXPECT_EQ(c.params.BidiErr, (std::array<int, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
    f.Set("L", "BidiErr", "-1&-2");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.BidiErr, (std::array<int, 8>{-1, -2, 3, 4, 5, 6, 7, 8}))
        << "slots without a value keep their content";
    ASSERT_TRUE(c.SaveConfig());
    EXPECT_EQ(f.Get("L", "BidiErr"), "-1&-2&3&4&5&6&7&8");
    EXPECT_EQ(f.Get("L", "StepPass"), "4&5&0");
}

TEST_F(PrinterConfigTest, HeadTablesReadDecimalsAndTruncate)
{
    f.Set("L", "IsPrinted", "1.9&-1.9&0&abc");
    f.Set("L", "JetTemp", "3.99&1e1");
    f.Set("L", "HeadHoriPosList", "0&25.4&-0.5");
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.IsPrinted, (Ints{1, -1, 0, 0}));
    EXPECT_EQ(c.params.JetTemp, (Ints{3, 10}));
    ASSERT_TRUE(c.SavePrinterType());
    EXPECT_EQ(f.Get("L", "HeadHoriPosList"), "0&25.4000&-0.5000");
    EXPECT_EQ(f.Get("L", "IsPrinted"), "1&-1&0&0");
}

TEST_F(PrinterConfigTest, ReloadingDoesNotAccumulateLists)
{
    f.Set("L", "HeadArrayOrder", "0,0&1,0");
    f.Set("L", "HoriPositiveErr", "1,2,3");
    ASSERT_TRUE(c.LoadConfig());
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.HeadArrayOrder.size(), 2u);
    EXPECT_EQ(c.params.HoriPositiveErr[0].size(), 8u);
    EXPECT_EQ(c.LanguageList.size(), 2u);
}

TEST_F(PrinterConfigTest, MissingFileFailsEveryOperationAfterTheMessage)
{
    test::RecordingUi ui;
    std::filesystem::remove(f.dir.Path() / kConfigFileName);
    EXPECT_FALSE(c.LoadConfig());
    EXPECT_FALSE(c.SaveConfig());
    EXPECT_FALSE(c.SaveSystemSection());
    EXPECT_EQ(ui.exitCodes, (Ints{0})) << "the saves refuse before they look for the file";
    EXPECT_FALSE(std::filesystem::exists(f.dir.Path() / kConfigFileName));
}

TEST_F(PrinterConfigTest, ASaveThatCannotStoreAValueReportsFailure)
{
    // A printer name with "]" cannot be a section header; nothing of it may be half-written
    // while the save claims success.
    f.Set("SYSTEM_LIST", "PrinterList", "P&Bad]Name");
    ASSERT_TRUE(c.LoadConfig());
    c.Printer = 1;
    EXPECT_FALSE(c.SaveConfig());
    EXPECT_FALSE(c.SavePrinterType());
    EXPECT_EQ(f.Get("SYSTEM", "Printer"), "1") << "the SYSTEM keys are still stored";
    EXPECT_EQ(f.FileText().find("Bad]Name]"), std::string::npos);
}

TEST(PrinterConfigUsb, UsbIdsAreHexWithDefaults)
{
    tavolux::test::ConfigFixture f;
    ASSERT_TRUE(f.config.LoadConfig());
    EXPECT_EQ(f.config.UsbVendorId, tavolux::kDefaultUsbVendorId);
    EXPECT_EQ(f.config.UsbProductId, tavolux::kDefaultUsbProductId);
    f.Set("SYSTEM", "UsbVendorId", "0x1A2b");
    f.Set("SYSTEM", "UsbProductId", "12345");  // five digits: not a USB id
    ASSERT_TRUE(f.config.LoadConfig());
    EXPECT_EQ(f.config.UsbVendorId, 0x1A2B);
    EXPECT_EQ(f.config.UsbProductId, tavolux::kDefaultUsbProductId);
    const auto described = tavolux::DescribeConfig(f.config);
    auto it = std::find(described.begin(), described.end(),
                        std::pair<std::string, std::string>("UsbVendorId", "1A2B"));
    EXPECT_NE(it, described.end());
    EXPECT_EQ(tavolux::ParseUsbId("g000", 7), 7);
    EXPECT_EQ(tavolux::ParseUsbId("", 7), 7);
    EXPECT_EQ(tavolux::ParseUsbId("ffff", 7), 0xFFFF);
}
