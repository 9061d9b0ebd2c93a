// Opening a RIP file in the real desktop program, on the virtual printer: the open dialog
// answered by the test, the task and its thumbnail, the preview view's pixels, the reader's
// messages for damaged files, the preview modes, and closing while a preview is built. The tests
// share one main window and run in order; the last one closes it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/RandomSource.h"
#include "preview/PreviewBuilder.h"
#include "print/RipImage.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "support/TempDir.h"
#include "tasks/TaskList.h"
#include "ui/GuiDriver.h"
#include "ui/OpenPreviewFiles.h"
#include "uimodel/Commands.h"
#include "uimodel/PrinterSession.h"

namespace tavolux::test {

namespace drv = ui::driver;

namespace {

// The sample configuration with no limit on the lines previewed, so that a large file builds
// for long.
void WriteConfig(const std::filesystem::path& dir)
{
    std::ifstream in(std::filesystem::path(TAVOLUX_SOURCE_DIR) / "data/sample/tavolux.ini");
    std::stringstream text;
    text << in.rdbuf();
    std::string ini = text.str();
    for (size_t at = ini.find("MaxScanLines="); at != std::string::npos;
         at = ini.find("MaxScanLines=", at + 1)) {
        const size_t end = ini.find('\n', at);
        ini.replace(at, end - at, "MaxScanLines=0");
    }
    std::ofstream(dir / "tavolux.ini") << ini;
}

// A RIP file as the command-line tool makes one, with a random raster so that every stride
// samples something else.
std::filesystem::path MakeRip(const std::filesystem::path& path, int width, int height)
{
    CRipImage image(width, height, 4, 360, 360);
    CRandomSource random(11);
    EXPECT_TRUE(image.Fill("random", random));
    EXPECT_TRUE(image.Write(path));
    return path;
}

// The builder's picture for the last build the window started.
DibImage Expected(const ui::PreviewJob& job)
{
    CPreviewBuilder builder(job.path, false, job.viewWidth, job.viewHeight, job.mode, job.settings);
    EXPECT_EQ(builder.Build(), kPreviewOk);
    return builder.Bitmap();
}

bool SamePixels(const DibImage& a, const DibImage& b)
{
    if (a.width != b.width || a.height != b.height || a.Empty()) {
        return false;
    }
    const size_t rowBytes = static_cast<size_t>(a.width) * 3;  // padding aside
    for (int y = 0; y < a.height; ++y) {
        if (!std::equal(a.Row(y), a.Row(y) + rowBytes, b.Row(y))) {
            return false;
        }
    }
    return true;
}

bool Built()
{
    return !drv::PreviewBusy();
}

int RadioChecked()
{
    int checked = 0;
    for (const drv::MenuItemView& item : drv::MenuItems()) {
        if (item.checked && PreviewModeOf(item.command) >= 0) {
            checked = checked == 0 ? item.command : -1;  // -1: more than one
        }
    }
    return checked;
}

}  // namespace

class OpenPreview : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new TempDir;
        WriteConfig(dir->Path());
        started = drv::StartMainFrame({dir->Path(), "virtual"});
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(started && drv::MainFrameAlive());
        drv::AnswerMessages([this](const std::string& text, bool) {
            messages.push_back(text);
            return false;
        });
    }
    void TearDown() override
    {
        if (drv::MainFrameAlive()) {
            drv::AnswerMessages({});
            drv::AnswerFileDialog({});
        }
    }

    // Opens path through the open command, the dialog answered with it.
    void Open(const std::filesystem::path& path)
    {
        drv::AnswerFileDialog([path] { return path.string(); });
        drv::SendCommand(cmd::kOpen);
    }

    std::vector<std::string> messages;
    static TempDir* dir;
    static bool started;
};

TempDir* OpenPreview::dir = nullptr;
bool OpenPreview::started = false;

TEST_F(OpenPreview, OpenedFileBecomesTheSelectedTaskAndItsPreviewIsShown)
{
    CTaskList& tasks = drv::Tasks();
    const int before = tasks.TaskCount();
    const auto file = MakeRip(dir->Path() / "poster.prn", 1200, 900);
    int dialogs = 0;
    drv::AnswerFileDialog([&] {
        ++dialogs;
        return file.string();
    });
    drv::SendCommand(cmd::kOpen);
    // The build runs on its own thread: the window is back at once, with the progress shown,
    // and a second open is refused without a dialog.
    EXPECT_TRUE(drv::PreviewBusy());
    EXPECT_TRUE(drv::PreviewProgressShown());
    drv::SendCommand(cmd::kOpen);
    EXPECT_EQ(dialogs, 1);
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0], LoadResString(ids::kUiPreviewBusy));

    ASSERT_TRUE(drv::WaitFor(Built));
    EXPECT_FALSE(drv::PreviewProgressShown());
    ASSERT_EQ(tasks.TaskCount(), before + 1);
    const int row = tasks.TaskCount() - 1;
    EXPECT_EQ(tasks.GetSelectedTask(), row);
    const TaskRecord task = tasks.GetTask(row);
    EXPECT_EQ(task.m_filePath, file.string());
    EXPECT_TRUE(std::filesystem::is_regular_file(task.m_thumbnailPath)) << task.m_thumbnailPath;

    const ui::PreviewJob job = drv::LastPreviewJob();
    EXPECT_EQ(job.path, file);
    EXPECT_EQ(job.mode, drv::Snapshot().previewMode);
    const DibImage expected = Expected(job);
    const DibImage shown = drv::PreviewImage();
    EXPECT_TRUE(SamePixels(shown, expected)) << shown.width << "x" << shown.height;
    // Sized to the view: no larger than it, fill pixels aside.
    EXPECT_LE(shown.height, job.viewHeight);
    EXPECT_LE(shown.width, job.viewWidth + 3);
    ASSERT_NE(tasks.Thumbnail(row), nullptr);
    EXPECT_TRUE(SamePixels(*tasks.Thumbnail(row), expected));
}

TEST_F(OpenPreview, FileThatCannotBeReadShowsWhyAndAddsNothing)
{
    const auto shortFile = dir->Path() / "cut.prn";
    std::ofstream(shortFile, std::ios::binary) << std::string(20, 'x');
    const auto other = MakeRip(dir->Path() / "scan.tiff", 64, 64);
    const struct {
        const char* name;
        std::filesystem::path path;
        std::string message;
    } cases[] = {
        {"shorter than its header", shortFile, LoadResString(ids::kRipHeaderError)},
        {"missing", dir->Path() / "gone.prt", LoadResString(ids::kRipOpenError)},
        {"not a RIP file", other, FormatResString(ids::kUiNotRipFile, {other.string()})},
    };
    CTaskList& tasks = drv::Tasks();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.clear();
        const int before = tasks.TaskCount();
        const int selected = tasks.GetSelectedTask();
        const DibImage shown = drv::PreviewImage();
        Open(c.path);
        ASSERT_TRUE(drv::WaitFor([&] { return Built() && !messages.empty(); }));
        ASSERT_EQ(messages.size(), 1U);
        EXPECT_EQ(messages[0], c.message);
        EXPECT_EQ(tasks.TaskCount(), before);
        EXPECT_EQ(tasks.GetSelectedTask(), selected);
        EXPECT_TRUE(SamePixels(drv::PreviewImage(), shown)) << "the preview changed";
    }
}

TEST_F(OpenPreview, PreviewModeMovesTheRadioMarkAndRendersTheSelectedFileAgain)
{
    CTaskList& tasks = drv::Tasks();
    const auto file = MakeRip(dir->Path() / "modes.prn", 1600, 1200);
    Open(file);
    ASSERT_TRUE(drv::WaitFor(Built));
    const int count = tasks.TaskCount();
    const int row = tasks.GetSelectedTask();
    ASSERT_EQ(tasks.GetTask(row).m_filePath, file.string());

    std::vector<DibImage> pictures;
    for (const int command :
         {cmd::kPreviewSource, cmd::kPreviewSketch, cmd::kPreviewRough, cmd::kPreviewAuto}) {
        SCOPED_TRACE(command);
        drv::SendCommand(command);
        EXPECT_EQ(RadioChecked(), command);
        ASSERT_TRUE(drv::WaitFor(Built));
        const ui::PreviewJob job = drv::LastPreviewJob();
        EXPECT_EQ(job.mode, PreviewModeOf(command));
        EXPECT_EQ(job.path, file);
        EXPECT_EQ(job.taskIndex, row);
        EXPECT_TRUE(SamePixels(drv::PreviewImage(), Expected(job)));
        pictures.push_back(drv::PreviewImage());
    }
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(tasks.TaskCount(), count) << "a mode adds no task";
    EXPECT_EQ(tasks.GetSelectedTask(), row);
    EXPECT_FALSE(SamePixels(pictures[0], pictures[2])) << "stride 2 and stride 8 look alike";

    // The file gone: the operator is told, no build starts, and the picture stays.
    std::filesystem::remove(file);
    const DibImage before = drv::PreviewImage();
    const ui::PreviewJob last = drv::LastPreviewJob();
    drv::SendCommand(cmd::kPreviewRough);
    EXPECT_EQ(RadioChecked(), cmd::kPreviewRough);
    EXPECT_FALSE(drv::PreviewBusy());
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_EQ(messages[0], FormatResString(ids::kUiTaskFileGone, {file.string()}));
    EXPECT_EQ(drv::LastPreviewJob().mode, last.mode);
    EXPECT_TRUE(SamePixels(drv::PreviewImage(), before));
    drv::SendCommand(cmd::kPreviewAuto);
}

// Last: the window closes while a long preview is built; the close stops the build instead
// of waiting for it to finish.
TEST_F(OpenPreview, CloseWhileAPreviewIsBuiltStopsIt)
{
    ASSERT_TRUE(drv::WaitFor([] { return drv::Session().CanClose(); }));
    // Blank and sparse: read at stride 2 it takes seconds, the close only the line being read.
    const auto big = WriteSparseRip(dir->Path() / "huge.prn", 4, 1000, 1000000, 720);
    drv::SendCommand(cmd::kPreviewSource);  // the selected task's file is gone: a message
    messages.clear();
    Open(big);
    ASSERT_TRUE(drv::PreviewBusy());
    EXPECT_EQ(drv::PreviewStoppedBuilds(), 0);
    drv::SendCommand(cmd::kExit);
    ASSERT_TRUE(drv::MainFrameAlive()) << "deleted only when the UI is idle";
    EXPECT_EQ(drv::PreviewStoppedBuilds(), 1) << "the close waited for the build to finish";
    EXPECT_TRUE(drv::WaitFor([] { return !drv::MainFrameAlive(); }));
    EXPECT_TRUE(messages.empty()) << messages.front();
}

}  // namespace tavolux::test
