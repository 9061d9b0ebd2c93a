// A running poll thread on the virtual printer, a small head and small RIP files: the ground a
// print job runs on in tests.
#pragma once

#include <filesystem>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "device/PollerFixture.h"
#include "job/JobRunner.h"
#include "job/PrintJob.h"
#include "platform/RandomSource.h"
#include "print/PrintFixture.h"

namespace tavolux::test {

// Records the copies a job runner starts ("2(1)", ...) and the line a job was suspended at,
// and calls a hook after each pass sent, on the sender thread.
class CopyObserver : public IJobRunnerObserver {
public:
    void CopyStarted(const std::string& text) override
    {
        std::lock_guard lock(mutex);
        copies.push_back(text);
    }
    void PassSent(int sent, int total) override
    {
        if (onPass) {
            onPass(sent, total);
        }
    }
    void Suspended(int line) override { suspendedAt = line; }
    std::function<void(int, int)> onPass;
    std::atomic<int> suspendedAt{-1};
    std::mutex mutex;
    std::vector<std::string> copies;
};

class JobFixture : public PollerFixture {
protected:
    void SetUp() override
    {
        Build();
        auto& p = cfg.config.params;
        UseSmallTestPrinter(cfg.config);
        p.AutoFlash = 0;
        p.IfAutoControl = 0;
        Configure(cfg.config);
        // Set before the poll thread starts: it reads the configuration too.
        cfg.config.IsDebug = debugMode ? 1 : 0;
        if (printVer >= 0) {
            p.PrintVer = printVer;
        }
        poller->Start();
        ASSERT_TRUE(Eventually([&] { return machine->Get() == MachineState::Ready; }));
    }
    void TearDown() override { poller->Stop(); }

    // Changes the printer before the poll thread starts.
    virtual void Configure(CPrinterConfig& /*config*/) {}

    std::filesystem::path Image(int width, int height, uint64_t seed, const std::string& name,
                                int planes = 4)
    {
        CRandomSource pixels(seed);
        CRipImage image(width, height, planes, 300, 300);
        image.Fill("random", pixels);
        auto path = cfg.dir.Path() / name;
        EXPECT_TRUE(image.Write(path));
        return path;
    }

    PassTask Task(const std::filesystem::path& file, int passes, int maskMode, int direction = 0)
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

    JobDevice Env() { return JobDevice{cfg.config, *device, *machine, events}; }

    // Limits for waits that are meant to fail: short, so a failing test ends quickly.
    static JobLimits ShortLimits()
    {
        JobLimits l;
        l.syncMs = 300;
        l.moveMs = kGenerousMs;
        l.passMs = 300;
        l.progressSliceMs = 5;
        l.sliceMs = 2;
        return l;
    }

    CRandomSource random{7};
    bool debugMode = false;  // IsDebug for the whole test
    int printVer = -1;       // PrintVer for the whole test; -1 keeps the small printer's
};

}  // namespace tavolux::test
