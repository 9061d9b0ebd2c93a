// The print command's checks in the order the operator meets them, the printed width with
// colour strips, and the start position of every origin style, typesetting and over-width case.
#include <gtest/gtest.h>

#include <fstream>

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

    int Start(double widthMm, int carriage = 0)
    {
        int start = -1;
        ok = ComputeStartPosition(f.config, widthMm, carriage, start);
        return start;
    }

    test::ConfigFixture f;
    std::filesystem::path file;
    PrintCheckInput input;
    bool ok = false;
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

TEST_F(PrintChecksTest, StartPositionForEveryOriginStyle)
{
    auto& p = f.config.params;
    p.MmPerPulseX = 0.01;
    p.HeadToSensorDist = 20;
    p.MaxAccDist = 10;
    p.SensorToUvDist = 50;
    p.OriginPos = 100;
    p.MediaPos = 300;
    p.MediaWidth = 500;
    p.CustomRigthMargin = 50;
    p.MaxOrigin = 0;
    p.MaxPrintWidth = 3000;

    p.OriginPrintStyle = 0;
    p.Origin = 1;
    EXPECT_EQ(Start(200), 7000);  // (100 - 20 - 10) mm
    p.Origin = 0;
    EXPECT_EQ(Start(200, 123), 2123);  // (50 - 20 - 10) mm past the carriage
    p.OriginPrintStyle = 1;
    EXPECT_EQ(Start(200, 123), 2123);

    // Fits on the media (e = 200 - 500 = -300).
    p.Origin = 1;
    p.IfTypeset = 0;
    EXPECT_EQ(Start(200), 27000);
    p.IfTypeset = 1;
    p.TypesetStyle = 0;
    EXPECT_EQ(Start(200), 57000);
    p.TypesetStyle = 1;
    EXPECT_EQ(Start(200), 42000);
    p.TypesetStyle = 2;
    EXPECT_EQ(Start(200), 27000);
    p.TypesetStyle = -1;
    EXPECT_EQ(Start(200), 32000);
    EXPECT_TRUE(ok);

    // Wider than the media (e = 600 - 500 = 100).
    p.OverWidthPrintStyle = 0;
    EXPECT_EQ(Start(600), 27000);
    p.OverWidthPrintStyle = 1;
    EXPECT_EQ(Start(600), 22000);
    p.OverWidthPrintStyle = 2;
    EXPECT_EQ(Start(600), 17000);
    EXPECT_TRUE(ok);
}

TEST_F(PrintChecksTest, StartPositionIsNeverNegativeAndMustFitThePrintableRange)
{
    auto& p = f.config.params;
    p.MmPerPulseX = 0.01;
    p.HeadToSensorDist = 20;
    p.MaxAccDist = 10;
    p.OriginPrintStyle = 1;
    p.Origin = 1;
    p.IfTypeset = 0;
    p.MediaPos = 10;
    p.MediaWidth = 500;
    p.MaxOrigin = 0;
    p.MaxPrintWidth = 1000;
    EXPECT_EQ(Start(200), 0);
    EXPECT_TRUE(ok);
    // The job's left edge (0 x q + h + a = 30 mm) lies before the first printable point.
    p.MaxOrigin = 40;
    Start(200);
    EXPECT_FALSE(ok);
    // Its right edge lies past the last one.
    p.MaxOrigin = 0;
    p.MediaPos = 300;
    p.MaxPrintWidth = 400;
    EXPECT_EQ(Start(200), 27000);  // 300 mm + 200 mm > 0 + 400 mm
    EXPECT_FALSE(ok);
    p.MaxPrintWidth = 500;
    Start(200);
    EXPECT_TRUE(ok);
}

TEST_F(PrintChecksTest, WholePulsesAreNotLostToRounding)
{
    auto& p = f.config.params;
    p.MmPerPulseX = 0.01;
    p.OriginPrintStyle = 0;
    p.Origin = 1;
    p.HeadToSensorDist = 0;
    p.MaxAccDist = 0;
    p.OriginPos = 29;
    EXPECT_EQ(Start(10), 2900);
    // 7 mm / 0.07 mm comes out as 99.99999999999999 in binary floating point.
    p.MmPerPulseX = 0.07;
    p.OriginPos = 7;
    EXPECT_EQ(Start(10), 100);
}

}  // namespace
