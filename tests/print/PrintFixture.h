// A printer configuration set field by field for pass-generation tests, and small RIP files.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "config/ConfigFixture.h"
#include "platform/RandomSource.h"
#include "print/PassGenerator.h"
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

// A random image whose lines [blankFrom, blankTo) carry no ink.
inline CRipImage RandomImage(int width, int height, uint64_t seed, int blankFrom = 0,
                             int blankTo = 0, int planes = 4)
{
    CRipImage image(width, height, planes, 300, 300);
    CRandomSource pixels(seed);
    image.Fill("random", pixels);
    for (int y = std::max(blankFrom, 0); y < std::min(blankTo, height); ++y) {
        for (int plane = 0; plane < planes; ++plane) {
            std::fill_n(image.PlaneLine(y, plane), image.BytesPerPlaneLine(), 0);
        }
    }
    return image;
}

// How many nozzle rows pass over each image line of [0, lines): fed[i] is the lines fed up to
// and with pass i, and nozzle n of a head of h rows wets line fed - h x k + n x k.
inline std::vector<int> NozzlesOver(const std::vector<int>& fed, int h, int k, int lines)
{
    std::vector<int> count(static_cast<size_t>(std::max(lines, 0)), 0);
    for (const int f : fed) {
        for (int n = 0; n < h; ++n) {
            const int y = f - h * k + n * k;
            if (y >= 0 && y < lines) {
                ++count[static_cast<size_t>(y)];
            }
        }
    }
    return count;
}

// A job of the file at 300 dpi.
inline PassTask MakeTask(const std::filesystem::path& file, int passes, int maskMode, int direction)
{
    PassTask t;
    t.file = file;
    t.resolutionX = 300;
    t.resolutionY = 300;
    t.passes = passes;
    t.maskMode = maskMode;
    t.direction = direction;
    return t;
}

// FNV-1a, for pinning whole byte streams.
struct Digest {
    uint64_t value = 0xcbf29ce484222325ULL;
    void Mix(uint64_t v) { value = (value ^ v) * 0x100000001b3ULL; }
};

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
