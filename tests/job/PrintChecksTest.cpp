// The print command's checks in the order the operator meets them, the printed width with
// colour strips, and the start position of every origin style, typesetting and over-width case.
#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

#include "config/ConfigFixture.h"
#include "job/PrintChecks.h"
#include "res/StringIds.h"

using namespace tavolux;

namespace {

class PrintChecksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(f.config.LoadConfig());
        auto& p = f.config.params;
        p.ColorNo = 4;
        p.WhiteColorNo = 0;
        p.IfPrintWhite = 0;
        p.IgnoreBlank = 0;
        p.Strip = 0;
        file = f.dir.Path() / "job.prn";
        std::ofstream(file) << "x";
        input.file = file;
        input.planeCount = 4;
        input.bytesPerPlaneLine = 100;
        input.xResolution = 720;
    }

    test::ConfigFixture f;
    std::filesystem::path file;
    PrintCheckInput input;
};

TEST_F(PrintChecksTest, MessagesComeInTheOperatorsOrder)
{
    auto& p = f.config.params;
    EXPECT_EQ(CheckPrintTask(f.config, input), 0);

    PrintCheckInput bad = input;
    bad.selected = false;
    bad.file = f.dir.Path() / "gone.prn";
    bad.copies = 0;
    bad.planeCount = 3;
    p.IgnoreBlank = 1;
    p.Strip = 1;
    EXPECT_EQ(CheckPrintTask(f.config, bad), ids::kSelectJobFirst);
    bad.selected = true;
    EXPECT_EQ(CheckPrintTask(f.config, bad), ids::kJobFileMissing);
    bad.file = f.dir.Path();  // a folder is not a job file either
    EXPECT_EQ(CheckPrintTask(f.config, bad), ids::kJobFileMissing);
    bad.file = file;
    EXPECT_EQ(CheckPrintTask(f.config, bad), ids::kBadCopies);
    bad.copies = 1;
    EXPECT_EQ(CheckPrintTask(f.config, bad), ids::kBlankAndStrip);
    p.Strip = 0;
    EXPECT_EQ(CheckPrintTask(f.config, bad), ids::kColourCountMismatch);
}

TEST_F(PrintChecksTest, WhiteFromTheFileAddsOnePlane)
{
    auto& p = f.config.params;
    p.ColorNo = 5;
    p.WhiteColorNo = 1;
    EXPECT_EQ(CheckPrintTask(f.config, input), 0);
    input.planeCount = 5;
    EXPECT_EQ(CheckPrintTask(f.config, input), ids::kColourCountMismatch);
    p.IfPrintWhite = 1;
    p.WhiteHeadDataSource = 1;
    EXPECT_EQ(CheckPrintTask(f.config, input), 0);
    input.planeCount = 6;
    EXPECT_EQ(CheckPrintTask(f.config, input), ids::kColourCountMismatch);
}

TEST_F(PrintChecksTest, ColourStripsWidenThePrintedWidth)
{
    auto& p = f.config.params;
    EXPECT_EQ(PrintedWidthBytes(f.config, input), 100);
    p.Strip = 1;
    p.StripWidth = 5;
    f.config.lists.StripWidthList = {0, 3};
    p.StripTrueWidth = 1;
    p.StripPos = 0;
    // (5 + 3) mm at 720 dpi is 226.77 pixels, 28 whole bytes.
    EXPECT_EQ(PrintedWidthBytes(f.config, input), 128);
    p.StripPos = 2;
    EXPECT_EQ(PrintedWidthBytes(f.config, input), 156);
}

// The start position in pulses of 0.01 mm (the last row: of 0.07 mm) for each origin style,
// typesetting and over-width style, never negative, and whether the job fits between the first
// printable point (MaxOrigin) and the last (MaxOrigin + MaxPrintWidth).
TEST_F(PrintChecksTest, StartPositionForEveryOriginStyleAndWhetherItFits)
{
    struct Row {
        int originStyle;  // OriginPrintStyle
        int origin;       // Origin
        int typeset;      // -1: IfTypeset 0, else TypesetStyle
        int overWidth;    // OverWidthPrintStyle
        int mediaPos;
        int maxOrigin;
        int maxWidth;  // MaxPrintWidth
        double widthMm;
        int carriage;
        int start;
        bool fits;
    };
    // Head to sensor 20 mm and acceleration 10 mm; a job of 200 mm fits on the 500 mm media at
    // 300 mm (e = -300), one of 600 mm does not (e = 100).
    const Row rows[] = {
        {0, 1, -1, 0, 300, 0, 3000, 200, 0, 7000, true},    // the origin at (100 - 20 - 10) mm
        {0, 0, -1, 0, 300, 0, 3000, 200, 123, 2123, true},  // (50 - 20 - 10) mm past the carriage
        {1, 0, -1, 0, 300, 0, 3000, 200, 123, 2123, true},  //
        {1, 1, -1, 0, 300, 0, 3000, 200, 0, 27000, true},   // at the media
        {1, 1, 0, 0, 300, 0, 3000, 200, 0, 57000, true},    // typeset right
        {1, 1, 1, 0, 300, 0, 3000, 200, 0, 42000, true},    // centred
        {1, 1, 2, 0, 300, 0, 3000, 200, 0, 27000, true},    // left
        {1, 1, -2, 0, 300, 0, 3000, 200, 0, 32000, true},   // an unknown style
        {1, 1, -1, 0, 300, 0, 3000, 600, 0, 27000, true},   // over-width styles
        {1, 1, -1, 1, 300, 0, 3000, 600, 0, 22000, true},   //
        {1, 1, -1, 2, 300, 0, 3000, 600, 0, 17000, true},   //
        {1, 1, -1, 0, 10, 0, 1000, 200, 0, 0, true},        // never negative
        {1, 1, -1, 0, 10, 40, 1000, 200, 0, 0, false},      // its left edge (30 mm) before 40
        {1, 1, -1, 0, 300, 0, 400, 200, 0, 27000, false},   // 300 + 200 mm past 0 + 400 mm
        {1, 1, -1, 0, 300, 0, 500, 200, 0, 27000, true},    //
    };
    auto& p = f.config.params;
    p.MmPerPulseX = 0.01;
    p.HeadToSensorDist = 20;
    p.MaxAccDist = 10;
    p.SensorToUvDist = 50;
    p.OriginPos = 100;
    p.MediaWidth = 500;
    p.CustomRigthMargin = 50;
    for (const Row& r : rows) {
        p.OriginPrintStyle = r.originStyle;
        p.Origin = r.origin;
        p.IfTypeset = r.typeset == -1 ? 0 : 1;
        p.TypesetStyle = r.typeset == -2 ? -1 : r.typeset;
        p.OverWidthPrintStyle = r.overWidth;
        p.MediaPos = r.mediaPos;
        p.MaxOrigin = r.maxOrigin;
        p.MaxPrintWidth = r.maxWidth;
        int start = -1;
        const bool ok = ComputeStartPosition(f.config, r.widthMm, r.carriage, start);
        EXPECT_EQ(start, r.start) << "row " << &r - rows;
        EXPECT_EQ(ok, r.fits) << "row " << &r - rows;
    }
    // Whole pulses are not lost to rounding: 29 mm / 0.01 mm and 7 mm / 0.07 mm come out just
    // under 2900 and 100 in binary floating point.
    p.OriginPrintStyle = 0;
    p.HeadToSensorDist = 0;
    p.MaxAccDist = 0;
    for (const auto& [pulse, originMm, pulses] : {std::tuple{0.01, 29, 2900}, {0.07, 7, 100}}) {
        p.MmPerPulseX = pulse;
        p.OriginPos = originMm;
        int start = -1;
        ComputeStartPosition(f.config, 10, 0, start);
        EXPECT_EQ(start, pulses);
    }
}

}  // namespace
