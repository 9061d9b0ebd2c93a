// A running poll thread on the virtual printer, a small head and small RIP files: the ground a
// print job runs on in tests.
#pragma once

#include <filesystem>
#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "device/PollerFixture.h"
#include "job/JobControl.h"
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
    void JobFinished(const JobResult& result) override
    {
        if (onFinished) {
            onFinished(result);
        }
    }
    std::function<void(int, int)> onPass;
    std::function<void(const JobResult&)> onFinished;
    std::atomic<int> suspendedAt{-1};
    std::mutex mutex;
    std::vector<std::string> copies;
};

// What goes wrong in a job: the operator's cancel or pause (answered by a resume or a
// cancel), a pass the printer never finishes, a pulled cable, a printer that drops its replies.
enum class Fault { None, Cancel, PauseResume, PauseCancel, Stall, Unplug, Mute };

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

    std::filesystem::path Image(int width, int height, uint64_t seed, const std::string& name)
    {
        auto path = cfg.dir.Path() / name;
        EXPECT_TRUE(RandomImage(width, height, seed).Write(path));
        return path;
    }

    static PassTask Task(const std::filesystem::path& file, int passes, int maskMode,
                         int direction = 0)
    {
        return MakeTask(file, passes, maskMode, direction);
    }

    JobDevice Env() { return JobDevice{cfg.config, *device, *machine, events}; }

    // Brings the fault about from a pass hook (a mute printer is set up before the job);
    // false when a request was refused.
    bool Inject(Fault fault)
    {
        switch (fault) {
            case Fault::Cancel:
                return RequestCancel(*machine);
            case Fault::PauseResume:
            case Fault::PauseCancel:
                return RequestPause(*machine);
            case Fault::Stall:
                printer->StallNextPass();
                return true;
            case Fault::Unplug:
                printer->Unplug();
                return true;
            default:
                return true;
        }
    }

    // Index of the first command packet starting with code, or -1; how many start with it.
    int IndexOf(uint8_t code)
    {
        const auto commands = printer->Commands();
        const auto at = std::find_if(commands.begin(), commands.end(),
                                     [&](const auto& c) { return !c.empty() && c[0] == code; });
        return at == commands.end() ? -1 : static_cast<int>(at - commands.begin());
    }
    int CountOf(uint8_t code)
    {
        const auto commands = printer->Commands();
        return static_cast<int>(std::count_if(commands.begin(), commands.end(), [&](const auto& c) {
            return !c.empty() && c[0] == code;
        }));
    }

    // Limits for waits that must not fail.
    static JobLimits Limits()
    {
        JobLimits l = ShortLimits();
        l.syncMs = kGenerousMs;
        l.passMs = kGenerousMs;
        return l;
    }

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
