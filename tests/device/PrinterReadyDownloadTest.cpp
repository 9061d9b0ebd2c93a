// What the program sends when the printer reports ready, by printer version and head layout.
#include "device/PollerFixture.h"
#include "device/PrinterReadyDownload.h"

namespace tavolux::test {

struct DownloadCase {
    const char* name;
    int printVer;
    int groupNo;
    int colorNo;
    int whiteColorNo;
    const char* expected;  // packets joined by "|"; VOLTS: the voltage block, ZERO: all zeros
};

class PrinterReadyDownload : public PollerFixture,
                             public ::testing::WithParamInterface<DownloadCase> {};

// Temperatures T = 30..36 (hex 1e..24); flash frequency 20 (hex 14).
const DownloadCase kDownloadCases[] = {
    {"OldFourColours", 2, 2, 4, 0, "a8 1e|a9 1f|aa 20|ab 21|96 14"},
    {"OldSixColours", 1, 1, 6, 0, "a8 1e|a9 1f|aa 20|ab 21|ac 22|ad 23|96 14"},
    {"OddNoWhite", 3, 2, 4, 0, "a8 1e|a9 1f|aa 20|ab 21|VOLTS|96 14"},
    {"OddSixColours", 5, 1, 6, 0, "a8 1e|a9 1f|aa 20|ab 21|ac 22|ad 23|VOLTS|96 14"},
    {"OddWhite", 3, 1, 4, 4, "a8 1e|a9 22|aa 1f|ab 22|ac 20|ad 22|40 21|41 22|VOLTS|96 14"},
    {"OddOtherWhite", 3, 2, 4, 2, "VOLTS|96 14"},
    {"OddFourGroups", 3, 4, 4, 0, "a8 1e|a9 1e|aa 1f|ab 1f|ac 20|ad 20|40 21|41 21|VOLTS|96 14"},
    {"OddThreeGroups", 3, 3, 4, 0, "ZERO|96 14"},
    {"EvenVersion", 4, 2, 4, 0, "VOLTS|96 14"},
};

TEST_P(PrinterReadyDownload, SendsTemperaturesVoltagesAndFlash)
{
    const DownloadCase& c = GetParam();
    cfg.Set("P", "PrintVer", std::to_string(c.printVer));
    cfg.Set("P", "GroupNo", std::to_string(c.groupNo));
    cfg.Set("P", "ColorNo", std::to_string(c.colorNo));
    cfg.Set("P", "WhiteColorNo", std::to_string(c.whiteColorNo));
    // Head i's voltage 100 + i goes to byte 23 - i of the block.
    std::string volts;
    std::string bits;
    std::vector<uint8_t> voltBlock(25, 0);
    voltBlock[0] = 0xF0;
    for (int i = 0; i < c.groupNo * c.colorNo; ++i) {
        volts += (i ? "&" : "") + std::to_string(100 + i);
        bits += (i ? "&" : "") + std::to_string(23 - i);
        voltBlock[static_cast<size_t>(24 - i)] = static_cast<uint8_t>(100 + i);
    }
    cfg.Set("L", "Voltage", volts);
    cfg.Set("L", "VoltBit", bits);
    Build();
    RunPrinterReadyDownload(*device, cfg.config);
    const std::string zero = Hex(std::vector<uint8_t>(25, 0)).replace(0, 2, "f0");
    std::string sent;
    for (const std::string& p : Sent()) {
        sent += (sent.empty() ? "" : "|") + (p == Hex(voltBlock) ? "VOLTS"
                                             : p == zero         ? "ZERO"
                                                                 : p);
    }
    EXPECT_EQ(sent, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Layouts, PrinterReadyDownload, ::testing::ValuesIn(kDownloadCases),
                         [](const auto& p) { return std::string(p.param.name); });

class PrinterReadyDownloadLimits : public PollerFixture {};

TEST_F(PrinterReadyDownloadLimits, NothingWithoutTheUsbInterface)
{
    cfg.Set("P", "OutputInterface", "NET");
    Build();
    RunPrinterReadyDownload(*device, cfg.config);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(PrinterReadyDownloadLimits, ShortListsAndBadPositionsAreSkipped)
{
    cfg.Set("P", "PrintVer", "3");
    cfg.Set("P", "GroupNo", "1");
    cfg.Set("P", "ColorNo", "4");
    cfg.Set("P", "WhiteColorNo", "0");
    cfg.Set("L", "Temperature", "30&31");
    cfg.Set("L", "Voltage", "7&8&9&10");
    cfg.Set("L", "VoltBit", "0&99&-1");
    Build();
    RunPrinterReadyDownload(*device, cfg.config);
    std::vector<std::string> expected = {
        "a8 1e", "a9 1f",
        "f0 07 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00", "96 14"};
    EXPECT_EQ(Sent(), expected);
    EXPECT_GE(Diagnostics().size(), 5u);  // two temperatures and three heads skipped
}

}  // namespace tavolux::test
