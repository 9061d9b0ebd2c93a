// Many short jobs with a random fault each: cancel, pause and resume, a stalled pass, an
// unplugged printer, a printer that stops answering. Every job ends well within five times its
// time-out, its outcome matches what happened, and the next job runs. TAVOLUX_CHAOS_JOBS sets
// the number of jobs (200 by default).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "job/JobControl.h"
#include "job/JobFixture.h"

using namespace tavolux;

namespace {

using test::Fault;

class JobChaosTest : public test::JobFixture {};

TEST_F(JobChaosTest, ShortJobsWithRandomFaultsAllEndAndKeepTheirOutcome)
{
    int jobs = 200;
    if (const char* env = std::getenv("TAVOLUX_CHAOS_JOBS")) {
        jobs = std::max(1, std::atoi(env));
    }
    const auto file = Image(16, 40, 31, "chaos.prn");
    CRandomSource pick(99);
    JobLimits limits = ShortLimits();  // sync and pass time-outs of 300 ms
    const int timeoutMs = std::max(limits.syncMs, limits.passMs);
    int completed = 0;
    int failed = 0;
    for (int n = 0; n < jobs; ++n) {
        const bool ready = Eventually([&] { return machine->Get() == MachineState::Ready; });
        if (!ready) {
            FAIL() << "job " << n << ": the printer did not come back";
        }
        machine->Set(MachineState::Printing);
        // Faults that cost a whole time-out come less often, to keep the run short.
        constexpr Fault kFaults[] = {Fault::None,        Fault::None,        Fault::Cancel,
                                     Fault::Cancel,      Fault::PauseResume, Fault::PauseResume,
                                     Fault::PauseCancel, Fault::Stall,       Fault::Unplug,
                                     Fault::Mute};
        const Fault fault = kFaults[pick.Next32() % 10];
        const int at = 1 + static_cast<int>(pick.Next32() % 5);
        test::CopyObserver observer;
        std::atomic<bool> pauseSeen{false};
        std::atomic<bool> jobDone{false};
        observer.onPass = [&](int sent, int total) {
            // A fault after the last pass would outlive the job.
            if (sent != at || sent >= total) {
                return;
            }
            pauseSeen = fault == Fault::PauseResume || fault == Fault::PauseCancel;
            Inject(fault);
        };
        if (fault == Fault::Mute) {
            printer->SetMute(true);
        }
        // The operator answers a pause once the job holds.
        std::thread operatorThread([&] {
            if (fault != Fault::PauseResume && fault != Fault::PauseCancel) {
                return;
            }
            Eventually([&] {
                return jobDone.load() ||
                       (pauseSeen.load() && machine->Get() == MachineState::PauseRequested);
            });
            if (fault == Fault::PauseResume) {
                RequestResume(*machine, *device);
            } else {
                RequestCancel(*machine);
            }
        });
        const int passes = 1 + static_cast<int>(pick.Next32() % 2);
        CPrintJob job(Env(), Task(file, passes, passes > 1 ? 1 : 0, n % 2), 0, random, &observer);
        job.SetLimits(limits);
        const auto begin = std::chrono::steady_clock::now();
        const bool ok = job.Run();
        jobDone = true;
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - begin)
                              .count();
        operatorThread.join();
        EXPECT_LT(took, 5 * timeoutMs) << "job " << n << " fault " << static_cast<int>(fault);
        if (ok) {
            ++completed;
            EXPECT_EQ(job.PassesSent(), job.TotalPasses()) << "job " << n;
            EXPECT_FALSE(job.Stopped());
        } else {
            ++failed;
            EXPECT_TRUE(job.Stopped() || !job.ErrorText().empty()) << "job " << n;
            EXPECT_GE(job.StopLine(), 0);
            EXPECT_LE(job.StopLine(), 40);
        }
        if (fault == Fault::None && !ok) {
            ADD_FAILURE() << "job " << n << " without a fault failed: " << job.ErrorText();
        }
        if (fault == Fault::Cancel || fault == Fault::PauseCancel) {
            // A cancel taken before the last pass stops the job; a late one may find it done.
            EXPECT_TRUE(!ok || job.PassesSent() == job.TotalPasses()) << "job " << n;
        }
        printer->SetMute(false);
        const auto state = machine->Get();
        if (fault == Fault::Mute || fault == Fault::Unplug || state == MachineState::Offline ||
            state == MachineState::Starting) {
            // A printer that went silent or away is power-cycled: the poll thread sees the link
            // go down, and reconnects by itself once the printer is back.
            if (printer->Plugged()) {
                printer->Unplug();
            }
            EXPECT_TRUE(Eventually([&] { return machine->Get() == MachineState::Offline; }));
            printer->Replug();
        } else {
            machine->Set(MachineState::Ready);
        }
    }
    EXPECT_GT(completed, 0);
    EXPECT_GT(failed, 0);
}

}  // namespace
