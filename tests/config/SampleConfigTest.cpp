// The shipped sample configuration: every printer type loads consistently, and a
// load-save-load cycle changes no value and keeps unrelated text.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "config/IniFile.h"
#include "config/PrinterConfig.h"
#include "support/TempDir.h"

using namespace tavolux;

namespace {

std::string SampleText()
{
    std::ifstream in(std::filesystem::path(TAVOLUX_SOURCE_DIR) / "data/sample/tavolux.ini");
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class SampleConfig : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        dir.Write(kConfigFileName, SampleText());
        auto ini = CIniFile::OpenFile(dir.Path() / kConfigFileName, true);
        ini.WriteInt("SYSTEM", "Printer", GetParam());
        ASSERT_TRUE(ini.Flush());
    }
    test::TempDir dir;
};

}  // namespace

TEST_P(SampleConfig, LoadsWithAConsistentHeadArrangement)
{
    CPrinterConfig c(dir.Path());
    ASSERT_TRUE(c.LoadConfig());
    const auto& p = c.params;
    const size_t heads = static_cast<size_t>(c.HeadCount());
    ASSERT_GT(heads, 0u);
    EXPECT_LE(c.ComboCount(), kMaxCombos);
    for (const auto* list : {&p.HeadPrintInkOrder, &p.MergeBit, &p.IsPrinted, &p.JetTemp,
                             &p.HeadLevelList, &p.VoltBit, &p.VerErr}) {
        EXPECT_EQ(list->size(), heads);
    }
    EXPECT_EQ(p.HeadArrayOrder.size(), heads);
    EXPECT_EQ(p.HeadHoriPosList.size(), heads);
    EXPECT_EQ(p.HeadVerPosList.size(), heads);
    std::set<int> slots;
    for (int colour = 0; colour < p.ColorNo; ++colour) {
        for (int group = 0; group < p.GroupNo; ++group) {
            int slot = c.FindHeadSlot(colour, group);
            EXPECT_GE(slot, 0) << colour << "," << group;
            slots.insert(slot);
        }
    }
    EXPECT_EQ(slots.size(), heads) << "every head has its own slot";
    for (int bit : p.VoltBit) {
        EXPECT_TRUE(bit >= 0 && bit < 24);
    }
    EXPECT_EQ(p.Temperature.size(), 7u);
    EXPECT_EQ(p.StepPass.size(), c.lists.ToTalPassList.size());
    EXPECT_EQ(c.lists.TotalSpeedList.size(), c.lists.HoriPrintResolutionList.size());
    EXPECT_EQ(c.lists.PrintTypeDisplayList.size(), c.lists.PrintTypeParamList.size());
    for (int t = 0; t < static_cast<int>(c.lists.PrintTypeParamList.size()); ++t) {
        int r = 0;
        int a = 0;
        int b = 0;
        ASSERT_TRUE(c.ParsePrintType(t, r, a, b));
        EXPECT_LT(r, static_cast<int>(c.lists.ResolutionList.size()));
        EXPECT_LT(a, static_cast<int>(c.lists.PassList.size()));
        auto [x, y] = SplitResolution(c.lists.ResolutionList[static_cast<size_t>(r)]);
        EXPECT_GE(c.FindHoriResIndex(x), 0) << "print type " << t << " has speeds";
        EXPECT_GT(y, 0);
    }
    EXPECT_FALSE(c.lists.SpeedList.empty());
    if (p.PrintVer >= 3) {
        EXPECT_EQ(p.Voltage.size(), heads);
    }
}

TEST_P(SampleConfig, LoadSaveLoadChangesNoValueAndKeepsOtherText)
{
    const std::string before = dir.Read(kConfigFileName);
    CPrinterConfig c(dir.Path());
    ASSERT_TRUE(c.LoadConfig());
    auto first = DescribeConfig(c);
    ASSERT_TRUE(c.SaveConfig());
    ASSERT_TRUE(c.SavePrinterType());
    CPrinterConfig again(dir.Path());
    ASSERT_TRUE(again.LoadConfig());
    EXPECT_EQ(DescribeConfig(again), first);

    // Sections of the other printer types and every comment are untouched.
    auto oldIni = CIniFile::FromText("a", before);
    auto newIni = CIniFile::FromText("b", dir.Read(kConfigFileName));
    const std::string mine = c.PrinterName();
    for (const std::string& section : oldIni.SectionNames()) {
        if (section == mine || section == mine + "_LIST") {
            continue;
        }
        for (const char* key : {"Resolution", "PrintVer", "HeadArrayOrder", "HoriPositiveErr",
                                "ResolutionList", "MmPerPulseX", "Voltage"}) {
            EXPECT_EQ(newIni.GetString(section, key), oldIni.GetString(section, key))
                << section << "." << key;
        }
    }
    std::string after = dir.Read(kConfigFileName);
    std::istringstream lines(before);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.starts_with(";")) {
            EXPECT_NE(after.find(line), std::string::npos) << "comment lost: " << line;
        }
    }
    EXPECT_EQ(oldIni.SectionNames(), newIni.SectionNames());
}

INSTANTIATE_TEST_SUITE_P(PrinterTypes, SampleConfig, ::testing::Values(0, 1, 2));

TEST(SampleConfigValues, TypesCoverTheHeadArrangementsAndClamps)
{
    test::TempDir dir;
    dir.Write(kConfigFileName, SampleText());
    CPrinterConfig c(dir.Path());
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.PrinterName(), "TX Printer");
    EXPECT_EQ(c.params.PrintVer, 1);
    EXPECT_EQ(c.params.HeadHoleNo, 128);
    EXPECT_EQ(c.params.MergeBit.front(), -1);
    EXPECT_EQ(c.HeadCount(), 8);
    EXPECT_EQ(c.ComboCount(), 9);
    EXPECT_EQ(c.lists.SpeedList, (std::vector<std::string>{"High", "Middle", "Low"}));

    c.Printer = 1;
    ASSERT_TRUE(c.SaveSystemSection());
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_EQ(c.params.ColorNo, 6);
    EXPECT_EQ(c.params.PrintVer, 3);
    EXPECT_EQ(c.params.HeadHoleNo, 256);
    EXPECT_EQ(c.params.OriginPos, 300) << "media origin style reads MediaPos";
    EXPECT_EQ(c.params.MaxOrigin, 230) << "raised to MaxAccDist + HeadToSensorDist";
    EXPECT_EQ(c.params.ResolutionY, 900);

    c.Printer = 2;
    ASSERT_TRUE(c.SaveSystemSection());
    ASSERT_TRUE(c.LoadConfig());
    EXPECT_GT(c.params.WhiteColorNo, 0);
    EXPECT_TRUE(c.params.ColorNo == 5 || c.params.ColorNo == 8);
    EXPECT_EQ(c.params.IfPrintWhite, 1);
}
