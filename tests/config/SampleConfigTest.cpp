// The shipped sample configuration: every printer type loads with a consistent head arrangement.
// (Its values and saved files are compared byte for byte in ConfigFieldsTest.)
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

INSTANTIATE_TEST_SUITE_P(PrinterTypes, SampleConfig, ::testing::Values(0, 1, 2));
