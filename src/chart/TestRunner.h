// One test print: checks the glyph files and the printer's gate, fills the chart's job
// description for the test index, checks its width, prints the chart through a print job and
// ends with the end-of-job moves. Runs on a worker thread; every wait on the printer is
// bounded by the job's limits, and a chart stopped or failed reports false.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "chart/Patterns.h"
#include "chart/TestPattern.h"
#include "job/PrintJob.h"

namespace tavolux {

class CRandomSource;

namespace chart {

// The runner variant the printer's head arrangement asks for: staggered pairs when the highest
// HeadLevelList entry is 1 and GroupNo is 4 or 2; else four white channels; else standard.
RunnerKind ChooseRunnerKind(const CPrinterConfig& config);
// The variant that prints chart `index` on this printer: its own, or else the first of the
// standard and the staggered runner that draws it (the platform check of a staggered printer,
// the vertical vernier, which is always a staggered chart). The printer's own variant when
// none draws it, so that the refusal names it.
RunnerKind RunnerKindFor(const CPrinterConfig& config, int index);

class CTestRunner {
public:
    CTestRunner(const JobDevice& env, CRandomSource& random, IJobObserver* observer = nullptr);
    // A runner that only plans charts (job description and pattern), with no printer:
    // RunTest refuses.
    explicit CTestRunner(const CPrinterConfig& config);
    virtual ~CTestRunner() = default;
    CTestRunner(const CTestRunner&) = delete;
    CTestRunner& operator=(const CTestRunner&) = delete;

    // Limits of the job's waits and of the end-of-job move.
    void SetLimits(const JobLimits& limits) { m_limits = limits; }
    // The folder of the glyph files (the program's folder by default).
    void SetGlyphDir(std::filesystem::path dir) { m_glyphDir = std::move(dir); }
    // Called after a chart that was stopped or failed mid-print: the owner resets the printer.
    void SetOnStopped(std::function<void()> onStopped) { m_onStopped = std::move(onStopped); }

    // Prints test `index`. passMode, speed: -1 for the configured ones; xRes: -1 for
    // CaliResolutionX; edgePulses: the media-edge offset added to the start position when the
    // origin is not fixed. True only when every pass was printed. False, with ErrorText(),
    // when the index is unknown to this variant, a glyph file is missing or short, the gate
    // refuses, the chart is too wide, or the job was stopped or failed.
    bool RunTest(int index, int passMode = -1, int speed = -1, int xRes = -1, int edgePulses = 0);

    // The job description and the chart of the index with these requests (as RunTest takes
    // them), without printing; null when this variant has no such chart.
    std::unique_ptr<CTestPattern> PlanChart(int index, int passMode = -1, int speed = -1,
                                            int xRes = -1);
    // Fills the job description for the index; false for an index this variant does not know.
    virtual bool SetupJob(int index);
    // The chart of the index, built for the job description set up.
    std::unique_ptr<CTestPattern> BuildPattern(int index) const;

    virtual RunnerKind Kind() const { return RunnerKind::Standard; }
    const ChartJob& Job() const { return m_job; }
    double Scale() const { return m_scale; }
    int StartPosition() const { return m_startPosition; }
    bool Stopped() const { return m_stopped; }
    const std::string& ErrorText() const { return m_error; }

protected:
    // The fields of SetupJob shared by every index.
    void SetCommon(int height, int widthAtCali, int xRes, int passMode);
    int RequestedPassMode() const { return m_passMode; }

    const CPrinterConfig& m_config;
    ChartJob m_job;
    double m_scale = 1.0;
    int m_passMode = -1;
    int m_speed = -1;
    int m_xRes = -1;

private:
    bool BuildAndPrint(int index);
    void EndOfJob();
    // Ready again, or flashing when the printer flashes after every job; nothing when the
    // printer dropped off the link.
    void ShowEndState();
    // The head slant check, past the gate: the chart once per slant parameter, then EndJob.
    bool RunHeadSlant(CTestPattern& pattern, int edgePulses);
    // The pause after a slant parameter, in slices; false when the operator cancelled or the
    // printer dropped off meanwhile (m_stopped, m_error say which).
    bool SlantPause();
    bool Refuse(const std::string& text);

    std::optional<JobDevice> m_env;  // none for a runner that only plans
    CRandomSource* m_random = nullptr;
    IJobObserver* m_observer;
    JobLimits m_limits;
    std::filesystem::path m_glyphDir;
    std::function<void()> m_onStopped;
    int m_startPosition = 0;
    bool m_stopped = false;
    std::string m_error;
};

class CTestRunnerStaggered final : public CTestRunner {
public:
    using CTestRunner::CTestRunner;
    bool SetupJob(int index) override;
    RunnerKind Kind() const override { return RunnerKind::Staggered; }
};

class CTestRunnerWhite final : public CTestRunner {
public:
    using CTestRunner::CTestRunner;
    bool SetupJob(int index) override;
    RunnerKind Kind() const override { return RunnerKind::White; }
};

std::unique_ptr<CTestRunner> MakeTestRunner(RunnerKind kind, const JobDevice& env,
                                            CRandomSource& random,
                                            IJobObserver* observer = nullptr);
// A runner of the variant that only plans charts.
std::unique_ptr<CTestRunner> MakePlanningRunner(RunnerKind kind, const CPrinterConfig& config);

}  // namespace chart
}  // namespace tavolux
