// The chart thread of the main frame.
#include "uimodel/ChartPrint.h"

#include <chrono>
#include <filesystem>
#include <utility>

#include "chart/GlyphFiles.h"
#include "chart/TestRunner.h"
#include "config/PrinterConfig.h"
#include "platform/ProgramDir.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

CChartPrinter::CChartPrinter(const JobDevice& env, CRandomSource& random)
    : m_env(env), m_random(random)
{
}

CChartPrinter::~CChartPrinter()
{
    Join();
}

bool CChartPrinter::Start(int index, DoneFn done)
{
    if (m_running.load()) {
        return false;
    }
    Join();  // ended already
    auto runner = chart::MakeTestRunner(chart::RunnerKindFor(m_env.config, index), m_env, m_random);
    runner->SetLimits(m_limits);
    // Beside a built program, or in the data folder of an installed one.
    runner->SetGlyphDir(
        FindDataFile(chart::kDigitFileName, m_env.config.ProgramDir()).parent_path());
    runner->SetOnStopped(m_onStopped);
    m_running = true;
    m_thread = std::thread([this, index, runner = std::move(runner), done = std::move(done)] {
        ChartOutcome outcome;
        outcome.printed = runner->RunTest(index);
        outcome.stopped = runner->Stopped();
        const std::string& error = runner->ErrorText();
        // The gate's refusal is on the state line and the runner showed the too-wide message.
        if (!outcome.printed && error != LoadResString(ids::kFunctionInvalid) &&
            error != LoadResString(ids::kJobTooWide)) {
            outcome.message = error;
        }
        if (done) {
            done(outcome);
        }
        {
            std::lock_guard lock(m_endMutex);
            m_running = false;
        }
        m_ended.notify_all();
    });
    return true;
}

bool CChartPrinter::Wait(int limitMs)
{
    {
        std::unique_lock lock(m_endMutex);
        if (!m_ended.wait_for(lock, std::chrono::milliseconds(limitMs),
                              [this] { return !m_running.load(); })) {
            return false;
        }
    }
    Join();
    return true;
}

void CChartPrinter::Join()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

}  // namespace tavolux
