// "preview" and "tasks" commands: a RIP file's preview as a PNG, and the task list of the
// program folder.
#include <ostream>
#include <utility>

#include "cli/CliContext.h"
#include "platform/PngFile.h"
#include "config/IniFile.h"
#include "config/PrinterConfig.h"
#include "preview/PreviewBuilder.h"
#include "res/FileErrorText.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "tasks/TaskFile.h"
#include "tasks/TaskList.h"

namespace tavolux::cli {

namespace {

struct PreviewOptions {
    std::string file;
    int mode = kPreviewAuto;
    int viewWidth = 800;
    int viewHeight = 600;
    std::string out;
};

// Reads FILE and the options; false on anything it does not know, with the word it stopped at
// in bad (empty when a word is missing).
bool ParsePreviewOptions(const std::vector<std::string>& args, size_t first, bool wantOut,
                         PreviewOptions& o, std::string& bad)
{
    std::vector<OptionSpec> options = {
        OptionSpec{"--mode",
                   [&o](const std::string& m) {
                       if (m == "auto") {
                           o.mode = kPreviewAuto;
                           return true;
                       }
                       return ParseWholeNumber(m, o.mode) &&
                              (o.mode == 2 || o.mode == 4 || o.mode == 8);
                   }},
        OptionSpec{"--view",
                   [&o](const std::string& v) {
                       const size_t x = v.find('x');
                       return x != std::string::npos &&
                              ParseWholeNumber(v.substr(0, x), o.viewWidth) &&
                              ParseWholeNumber(v.substr(x + 1), o.viewHeight) && o.viewWidth >= 1 &&
                              o.viewHeight >= 1 && o.viewWidth <= 20000 && o.viewHeight <= 20000;
                   }},
        OptionSpec{"--out", &o.out}};
    // Declared with the others and dropped when unwanted: adding it later moves an entry holding a
    // function, which GCC's optimiser wrongly reports as read uninitialised.
    if (!wantOut) {
        options.pop_back();
    }
    COptionParser parser(std::move(options));
    // FILE may stand anywhere; a second one, or an option the command lacks, is refused.
    parser.Positional([&o](const std::string& word) {
        if (word.starts_with("--") || !o.file.empty()) {
            return false;
        }
        o.file = word;
        return true;
    });
    // Every word that does not fit is named: the unknown word, the option without its value, or
    // the value refused.
    if (const OptionError error = parser.Parse(args, first)) {
        bad = error.Word();
        return false;
    }
    return !o.file.empty() && (!wantOut || !o.out.empty());
}

// The configuration's preview settings when the program folder has a configuration.
PreviewSettings SettingsFor(const CliContext& ctx)
{
    std::error_code ec;
    if (std::filesystem::is_regular_file(ctx.programDir / kConfigFileName, ec)) {
        return PreviewSettings::FromConfig(GetPrinterConfig());
    }
    return PreviewSettings{};
}

// Builds the preview; on failure says why and returns false.
bool BuildPreview(CliContext& ctx, const PreviewOptions& o, CPreviewBuilder& builder)
{
    const int result = builder.Build();
    if (result == kPreviewOk) {
        return true;
    }
    if (result == kPreviewOtherFormat) {
        Fail(ctx, kExitFailed, FormatResString(ids::kCliNotRipFile, {o.file}));
    } else {
        Fail(ctx, kExitFailed, o.file + ": " + PreviewErrorText(result));
    }
    return false;
}

void Describe(CliContext& ctx, const CPreviewBuilder& b)
{
    const PreviewLayout& l = b.Layout();
    const RipHeader& h = b.Header();
    *ctx.out << "planes = " << h.PlaneCount() << "\n"
             << "lines = " << h.Height() << "\n"
             << "bytes per plane line = " << h.BytesPerPlaneLine() << "\n"
             << "resolution = " << h.XResolution() << " * " << h.YResolution() << "\n"
             << "stride = " << b.Stride() << "\n"
             << "steps = " << l.xStep << " * " << l.yStep << "\n"
             << "preview = " << l.previewWidth << " * " << l.previewHeight << "\n"
             << "chunks = " << b.ChunkCount() << ", tail lines = " << b.TailLines() << "\n";
}

int Preview(CliContext& ctx, const std::vector<std::string>& args)
{
    PreviewOptions o;
    std::string bad;
    if (!ParsePreviewOptions(args, 0, true, o, bad)) {
        return UsageError(ctx, "preview", bad);
    }
    CPreviewBuilder builder(o.file, IsOtherPreviewFormat(o.file), o.viewWidth, o.viewHeight, o.mode,
                            SettingsFor(ctx));
    if (!BuildPreview(ctx, o, builder)) {
        return kExitFailed;
    }
    Describe(ctx, builder);
    FileError error;
    if (!WritePng(o.out, builder.Bitmap(), builder.Layout().previewWidth, error)) {
        return Fail(ctx, kExitFailed, o.out + ": " + FileErrorText(error));
    }
    *ctx.out << FormatResString(ids::kCliWritten, {o.out}) << "\n";
    return kExitOk;
}

std::string JoinRow(const TaskRowTexts& row)
{
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
        line += (i == 0 ? "" : "\t") + row[i];
    }
    return line;
}

// Prints the rows the list adds and removes, as a grid would redraw them.
class CRowPrinter final : public ITaskListObserver {
public:
    CRowPrinter(CliContext& ctx, const CTaskList& list) : m_ctx(ctx), m_list(list) {}
    void OnRowInserted(int row) override
    {
        *m_ctx.out << "added\t" << JoinRow(m_list.RowTexts(row)) << "\n";
    }
    void OnRowRemoved(int row) override { *m_ctx.out << "removed\t" << row + 1 << "\n"; }
    void OnRowChanged(int /*row*/) override {}
    void OnSelectionChanged(int /*row*/) override {}

private:
    CliContext& m_ctx;
    const CTaskList& m_list;
};

int Tasks(CliContext& ctx, const std::vector<std::string>& args)
{
    const std::string verb = args.empty() ? "" : args[0];
    if (verb != "list" && verb != "save" && verb != "add" && verb != "remove") {
        return UsageError(ctx, "tasks", verb);
    }
    const size_t words = verb == "add" ? args.size() : verb == "remove" ? 2 : 1;
    if (args.size() != words) {
        return UsageError(ctx, "tasks", args.size() > words ? args[words] : "");
    }
    PreviewOptions o;
    std::string bad;
    int number = 0;
    if (verb == "add" && !ParsePreviewOptions(args, 1, false, o, bad)) {
        return UsageError(ctx, "tasks", bad);
    }
    if (verb == "remove" && !ParseWholeNumber(args[1], number)) {
        return UsageError(ctx, "tasks", args[1]);
    }
    if (!CheckConfigPresent(ctx)) {
        return kExitFailed;
    }
    const CPrinterConfig& config = GetPrinterConfig();
    CTaskList list(config, ctx.programDir / kWorksFolderName);
    // A damaged list has shown its message; what it held whole is still worth listing.
    const bool loaded = list.LoadTasks();
    if (verb == "list") {
        *ctx.out << LoadResString(ids::kCliTaskHeader) << "\n";
        for (int i = 0; i < list.TaskCount(); ++i) {
            *ctx.out << JoinRow(list.RowTexts(i)) << "\n";
        }
        return loaded ? kExitOk : kExitFailed;
    }
    CRowPrinter printer(ctx, list);
    list.SetObserver(&printer);
    if (verb == "save") {
        return list.SaveAllTasks() ? kExitOk : kExitFailed;
    }
    if (verb == "remove") {
        if (number < 1 || number > list.TaskCount()) {
            list.SetObserver(nullptr);
            return Fail(
                ctx, kExitFailed,
                FormatResString(ids::kCliNoTask, {args[1], std::to_string(list.TaskCount())}));
        }
        const bool saved = list.DeleteTask(number - 1);
        list.SetObserver(nullptr);
        return saved ? kExitOk : kExitFailed;
    }
    const std::filesystem::path file = std::filesystem::absolute(o.file);
    CPreviewBuilder builder(file, IsOtherPreviewFormat(file), o.viewWidth, o.viewHeight, o.mode,
                            PreviewSettings::FromConfig(config));
    if (!BuildPreview(ctx, o, builder)) {
        list.SetObserver(nullptr);
        return kExitFailed;
    }
    const int index = list.AddTask(file.string(), builder.Header(), builder.Bitmap());
    const bool saved = index >= 0 && list.SaveTasks();
    list.SetObserver(nullptr);
    if (index >= 0 && !saved) {
        // The task never reached Tasks.dat: its picture would be a file nothing names.
        std::error_code ec;
        const std::string thumbnail = list.GetTask(index).m_thumbnailPath;
        if (!thumbnail.empty()) {
            std::filesystem::remove(thumbnail, ec);
        }
    }
    return saved ? kExitOk : kExitFailed;
}

}  // namespace

int RunPreviewCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    return Preview(ctx, args);
}

int RunTasksCommand(CliContext& ctx, const std::vector<std::string>& args)
{
    return Tasks(ctx, args);
}

}  // namespace tavolux::cli
