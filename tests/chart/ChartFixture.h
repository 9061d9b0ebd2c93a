// A sample printer of data/sample/tavolux.ini behind a running poll thread on the virtual
// printer, and a test runner for it whose glyph files are those the build rendered.
#pragma once

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "chart/TestRunner.h"
#include "device/PollerFixture.h"
#include "platform/RandomSource.h"
#include "sim/setup/HeadsFromConfig.h"

namespace tavolux::test {

inline constexpr const char* kSamplePrinters[] = {"TX Printer", "TX6 Printer", "TX White Printer"};

class ChartFixture : public PollerFixture {
protected:
    // The sample printer printerIndex (in its PrinterList) in the configuration file.
    void UseSamplePrinter(int printerIndex)
    {
        std::ifstream in(std::filesystem::path(TAVOLUX_SOURCE_DIR) / "data/sample/tavolux.ini");
        std::stringstream text;
        text << in.rdbuf();
        cfg.dir.Write(kConfigFileName, text.str());
        cfg.Set("SYSTEM", "Printer", std::to_string(printerIndex));
    }
    // The configuration alone, for tests that change it freely: no printer, no poll thread.
    void LoadOnly(int printerIndex)
    {
        UseSamplePrinter(printerIndex);
        cfg.config.LoadConfig();
    }
    // The printer behind a running poll thread, which reads the configuration from now on.
    void Start(int printerIndex)
    {
        UseSamplePrinter(printerIndex);
        Build();
        auto& p = cfg.config.params;
        p.AutoFlash = 0;
        p.IfAutoControl = 0;
        Configure(cfg.config);
        poller->Start();
        ASSERT_TRUE(Eventually([&] { return machine->Get() == MachineState::Ready; }));
    }
    void TearDown() override
    {
        if (poller) {
            poller->Stop();
        }
    }
    // Changes the printer before the poll thread starts.
    virtual void Configure(CPrinterConfig& /*config*/) {}
    // No step correction, so the feed a chart asks for is the feed the printer makes, and no
    // colour strips beside the chart (passes less than a head apart would overprint them).
    static void PlainFeedsNoStrips(CPrinterConfig& config)
    {
        auto& p = config.params;
        p.Strip = 0;
        std::fill(p.StepPass.begin(), p.StepPass.end(), 0);
        std::fill(p.StepPassMicro.begin(), p.StepPassMicro.end(), 0);
    }

    JobDevice Env() { return JobDevice{cfg.config, *device, *machine, events}; }

    std::unique_ptr<chart::CTestRunner> Runner(chart::RunnerKind kind, JobLimits limits)
    {
        auto runner = chart::MakeTestRunner(kind, Env(), random);
        runner->SetLimits(limits);
        runner->SetGlyphDir(TAVOLUX_BIN_DIR);
        return runner;
    }

    // Runs the chart on a fresh sheet at its own resolution.
    bool Print(chart::RunnerKind kind, int index, int passMode = -1)
    {
        auto runner = Runner(kind, Limits());
        // The sheet takes the chart's resolution, planned without printing.
        EXPECT_TRUE(runner->PlanChart(index, passMode));
        printer->LoadMedia(sim::HeadsFromConfig(cfg.config), runner->Job().xResolution,
                           runner->Job().yResolution);
        const bool ok = runner->RunTest(index, passMode);
        error = runner->ErrorText();
        return ok;
    }

    static JobLimits Limits()
    {
        JobLimits l;
        l.syncMs = kGenerousMs;
        l.moveMs = kGenerousMs;
        l.passMs = kGenerousMs;
        l.sliceMs = 2;
        l.progressSliceMs = 5;
        l.slantPauseMs = 5;
        return l;
    }

    CRandomSource random{11};
    std::string error;
};

}  // namespace tavolux::test
