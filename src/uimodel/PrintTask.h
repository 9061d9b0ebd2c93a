// The print command shared by the main frame, the task view and the command-line tool: checks
// the task, takes the machine through the gate, measures the media when asked to, places the
// job on the carriage and starts the job thread. Messages go through the UI facade.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "device/Protocol.h"
#include "job/JobRunner.h"

namespace tavolux {

class CKtUSB;
class CMachineState;
class CPrinterConfig;
class CRandomSource;
class CRipReader;
class CTaskList;
class CTaskRowFeedback;
struct PrinterStatusBlock;
struct ReplyEvents;

// What printing talks to; all of it outlives the printer object.
struct PrintTaskDevice {
    CPrinterConfig& config;  // a media measurement stores MediaPos and MediaWidth and saves
    CKtUSB& device;
    CMachineState& machine;
    PrinterStatusBlock& block;  // the carriage position and the media edges the printer reported
    ReplyEvents& events;
};

// One print: the task's file and settings, and the row of the task list that follows the job.
struct PrintTaskRequest {
    bool selected = true;  // false: the operator has not chosen a task
    PassTask task;         // task.resume / task.resumeLine: where the first copy starts
    int copies = 1;
    int planeCount = 0;  // of the file, checked against the heads
    int bytesPerPlaneLine = 0;
    CTaskList* list = nullptr;  // null: no task row
    int taskIndex = -1;
};

// The request for the list's task at index (-1 or out of range: nothing selected).
PrintTaskRequest MakeTaskRequest(CTaskList& list, int index);

// True when printTypeId names a complete entry of PrintTypeParamList.
bool IsPrintType(const CPrinterConfig& config, int printTypeId);
// The refusal of a print type that does not exist: the number, then one line per print type
// ("  I  name").
std::string UnknownPrintTypeText(const CPrinterConfig& config, int printTypeId);

// The request for the RIP file at path (its header read by file) printed with the print type
// printTypeId, settled exactly as for a task added now: the print type's resolution, pass
// count, step correction and mask mode, the configured direction, one copy, from the top.
// Everything that prints or lists the passes of a file takes its settings from here.
PrintTaskRequest MakeFileRequest(const CPrinterConfig& config, const std::filesystem::path& path,
                                 const CRipReader& file, int printTypeId);

// What the operator must accept before a file prints as the request says; each text is empty
// when there is nothing to accept.
struct FilePrintWarnings {
    std::string resolution;  // the file's resolution differs from the print type's (both named)
    std::string incomplete;  // the file holds fewer lines than its header announces (how many)
};
FilePrintWarnings CheckFileForPrint(const CRipReader& file, const PrintTaskRequest& request);

// The checks that come first in PrintTask, without showing anything: 0 when they pass, else the
// string id of the message. A caller that must first reach the printer (the command-line tool)
// uses them to refuse a job that cannot print before it connects.
int CheckPrintRequest(const CPrinterConfig& config, const PrintTaskRequest& request);

struct PrintTaskResult {
    int messageId = 0;  // 0: the job thread runs; else the string id of the message shown
    bool Started() const { return messageId == 0; }
};

class CTaskPrinter {
public:
    // progress is told about every job as well (may be null).
    CTaskPrinter(const PrintTaskDevice& env, CRandomSource& random,
                 IJobRunnerObserver* progress = nullptr);
    ~CTaskPrinter();  // waits for the job thread
    CTaskPrinter(const CTaskPrinter&) = delete;
    CTaskPrinter& operator=(const CTaskPrinter&) = delete;

    // measureMs: the wait for each of the two media-edge replies.
    void SetLimits(const JobLimits& limits, int measureMs = wire::wait::kMediaEdgeMs);

    // Checks and starts the print; returns at once, the job runs on its own thread. A refusal
    // shows its message (or, for the gate, the notice "功能无效") and starts nothing; the
    // machine is ready again unless the gate refused.
    PrintTaskResult PrintTask(const PrintTaskRequest& request);
    // The same for the list's task at index: the main frame and the task view.
    PrintTaskResult PrintTask(CTaskList& list, int index);

    bool Running() const;
    // Waits for the job thread; the result of the last job started (empty when none was).
    JobResult Wait();

private:
    // Sends MeasureMedia and stores the media's position and width. False when a reply is
    // missing or an edge is 0; the configuration is then unchanged.
    bool MeasureMedia();

    PrintTaskDevice m_env;
    CRandomSource& m_random;
    IJobRunnerObserver* m_progress;
    JobLimits m_limits;
    int m_measureMs = wire::wait::kMediaEdgeMs;
    // Replaced at each start, after the previous job thread has ended.
    std::unique_ptr<CTaskRowFeedback> m_row;
    std::unique_ptr<CJobRunner> m_runner;
};

}  // namespace tavolux
