// A printer configuration set field by field for pass-generation tests, and small RIP files.
#pragma once

#include <string>

#include "config/ConfigFixture.h"
#include "print/RipImage.h"

namespace tavolux::test {

// Fills the head arrangement of config: ColorNo x GroupNo heads, slot = group x ColorNo +
// colour, all printing, all at the same horizontal position, MergeBit -1.
inline void SetHeads(CPrinterConfig& config, int colorNo, int groupNo, int headHoleNo, int printVer)
{
    auto& p = config.params;
    p.ColorNo = colorNo;
    p.GroupNo = groupNo;
    p.HeadHoleNo = headHoleNo;
    p.PrintVer = printVer;
    p.HeadArrayOrder.clear();
    p.HeadHoriPosList.clear();
    p.IsPrinted.clear();
    p.MergeBit.clear();
    p.HeadLevelList.clear();
    for (int g = 0; g < groupNo; ++g) {
        for (int c = 0; c < colorNo; ++c) {
            p.HeadArrayOrder.push_back(std::to_string(c) + "," + std::to_string(g));
            p.HeadHoriPosList.push_back(0.0);
            p.IsPrinted.push_back(1);
            p.MergeBit.push_back(-1);
            p.HeadLevelList.push_back(0);
        }
    }
}

// A small 4x2 printer of 16-nozzle heads at 300 dpi with round pulse sizes and every optional
// pass feature (blank skipping, strips, feathering, step corrections, random masks) off, so that
// a test sees the plain pass geometry.
inline void UseSmallTestPrinter(CPrinterConfig& config)
{
    auto& p = config.params;
    SetHeads(config, 4, 2, 16, 0);
    p.PrinterResolution = 300;
    p.RealPrinterResolution = 300.0;
    p.MmPerPulseX = 0.01;
    p.MmPerPulseY = 0.01;
    p.MaxAccDist = 10;
    p.IgnoreBlank = 0;
    p.Strip = 0;
    p.FeatherMode = 0;
    p.FeatherLinesList = {0, 0, 0};
    p.StepPass.assign(4, 0);
    p.StepPassMicro.assign(4, 0);
    config.IsAutoMaskGen = 0;
}

// A loaded configuration with a small head and sane machine values.
class PrintFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(f.config.LoadConfig());
        UseSmallTestPrinter(f.config);
        f.config.IsDebug = 0;
    }

    std::filesystem::path WriteImage(const CRipImage& image, const std::string& name = "job.prn")
    {
        auto path = f.dir.Path() / name;
        EXPECT_TRUE(image.Write(path));
        return path;
    }

    ConfigFixture f;
    CPrinterConfig& config = f.config;
};

}  // namespace tavolux::test
