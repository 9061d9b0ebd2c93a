// The task list window of the real desktop program, on the in-process virtual printer in
// mechanical time: tasks saved beforehand, selection, copies, printing a task onto the virtual
// media, refusals, saving and deleting. The tests share one main window and run in order.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "config/PrinterConfig.h"
#include "platform/AtomicFile.h"
#include "platform/RandomSource.h"
#include "preview/PreviewBuilder.h"
#include "print/RipImage.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "sim/setup/HeadsFromConfig.h"
#include "support/TempDir.h"
#include "tasks/TaskFile.h"
#include "tasks/TaskList.h"
#include "tasks/ThumbnailName.h"
#include "ui/GuiDriver.h"
#include "uimodel/Commands.h"
#include "uimodel/PrinterSession.h"

namespace tavolux::test {

namespace drv = ui::driver;

namespace {

constexpr int kWidth = 96;  // whole bytes: no padding bits to print
const char* const kFiles[] = {"alpha.prn", "beta.v2.prn", "gamma.prn"};

std::string Say(int id)
{
    return LoadResString(id);
}

}  // namespace

class TaskViewGui : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new TempDir;
        std::filesystem::copy_file(
            std::filesystem::path(TAVOLUX_SOURCE_DIR) / "data/sample/tavolux.ini",
            dir->Path() / "tavolux.ini");
        // The tasks as the command-line tool adds them: a preview, then the saved record.
        CPrinterConfig config(dir->Path());
        ASSERT_TRUE(config.LoadConfig());
        // Without the flash after a print the machine is ready again when the row is.
        config.params.AutoFlash = 0;
        ASSERT_TRUE(config.SaveConfig());
        CTaskList list(config, Works());
        CRandomSource random(7);
        for (int i = 0; i < 3; ++i) {
            CRipImage image(kWidth, 40 + 8 * i, 4, 720, 360);
            ASSERT_TRUE(image.Fill(i == 1 ? "random" : "sample", random));
            const auto file = dir->Path() / kFiles[i];
            ASSERT_TRUE(image.Write(file));
            images.push_back(image);
            CPreviewBuilder builder(file, false, 400, 300, kPreviewAuto,
                                    PreviewSettings::FromConfig(config));
            ASSERT_EQ(builder.Build(), kPreviewOk);
            ASSERT_EQ(list.AddTask(file.string(), builder.Header(), builder.Bitmap()), i);
            ASSERT_TRUE(list.SaveTasks());
        }
        for (int i = 0; i < 3; ++i) {
            rowsBefore.push_back(list.RowTexts(i));
            thumbnails.push_back(list.GetTask(i).m_thumbnailPath);
        }
        started =
            drv::MainFrameAlive() ? false : drv::StartAnotherMainFrame({dir->Path(), "virtual"});
    }

    static void TearDownTestSuite()
    {
        if (drv::MainFrameAlive()) {
            // A refused close must not wait for an operator.
            drv::AnswerMessages([](const std::string&, bool) { return false; });
            drv::WaitFor([] { return !drv::TaskPrinting() && drv::Session().CanClose(); });
            drv::SendCommand(cmd::kExit);
            drv::WaitFor([] { return !drv::MainFrameAlive(); });
        }
        delete dir;
        images.clear();
    }

    void SetUp() override
    {
        ASSERT_TRUE(started && drv::MainFrameAlive());
        drv::AnswerMessages([this](const std::string& text, bool question) {
            shown.push_back(text);
            return question && answer;
        });
    }
    void TearDown() override
    {
        if (drv::MainFrameAlive()) {
            drv::AnswerMessages([](const std::string&, bool) { return false; });
        }
    }

    static std::filesystem::path Works() { return dir->Path() / kWorksFolderName; }

    // What Tasks.dat holds now, read as the next start would.
    static std::vector<TaskRecord> Saved()
    {
        CTaskList reread(drv::Config(), Works());
        EXPECT_TRUE(reread.LoadTasks());
        std::vector<TaskRecord> records;
        for (int i = 0; i < reread.TaskCount(); ++i) {
            records.push_back(reread.GetTask(i));
        }
        return records;
    }

    static int Row(const std::string& name)
    {
        for (int row = 0; row < drv::TaskRows(); ++row) {
            if (drv::TaskCell(row, kColName) == name) {
                return row;
            }
        }
        return -1;
    }

    static bool MachineIdle() { return drv::Session().Machine().Get() == MachineState::Ready; }

    static TempDir* dir;
    static bool started;
    static std::vector<CRipImage> images;
    static std::vector<TaskRowTexts> rowsBefore;
    static std::vector<std::string> thumbnails;
    std::vector<std::string> shown;
    bool answer = true;
};

TempDir* TaskViewGui::dir = nullptr;
bool TaskViewGui::started = false;
std::vector<CRipImage> TaskViewGui::images;
std::vector<TaskRowTexts> TaskViewGui::rowsBefore;
std::vector<std::string> TaskViewGui::thumbnails;

TEST_F(TaskViewGui, SavedTasksAppearAtStartInOrderWithTheirTextsAndThumbnails)
{
    ASSERT_EQ(drv::TaskRows(), 3);
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(drv::TaskCell(row, kColNumber), std::to_string(row + 1));
        EXPECT_EQ(drv::TaskCell(row, kColName), kFiles[row]);
        EXPECT_EQ(drv::TaskCell(row, kColState), Say(ids::kTaskReady));
        for (int col = 0; col < kTaskColumns; ++col) {
            EXPECT_EQ(drv::TaskCell(row, col), rowsBefore[static_cast<size_t>(row)][col]) << col;
        }
        const auto [w, h] = drv::TaskThumbnailSize(row);
        EXPECT_GT(w, 0);
        EXPECT_GT(h, 0);
        // Scaled with its proportions: the images are wider than high.
        EXPECT_GE(w, h);
    }
    EXPECT_TRUE(drv::TaskColumnsFit());
}

TEST_F(TaskViewGui, TheClickAndTheListMoveTheSameSelection)
{
    drv::ClickTaskRow(2);
    EXPECT_EQ(drv::Tasks().GetSelectedTask(), 2);
    EXPECT_EQ(drv::TaskSelectedRow(), 2);
    drv::Tasks().SelectTask(0);  // as a newly added task is selected
    EXPECT_TRUE(drv::WaitFor([] { return drv::TaskSelectedRow() == 0; }));
    drv::ClickTaskRow(1);
    EXPECT_EQ(drv::Tasks().GetSelectedTask(), 1);
    EXPECT_EQ(drv::TaskSelectedRow(), 1);
}

TEST_F(TaskViewGui, CopiesTypedIntoTheRowAreSavedAndBadOnesRefused)
{
    const int row = Row(kFiles[1]);
    ASSERT_GE(row, 0);
    drv::ClickTaskRow(row);
    drv::SendTaskKey(drv::TaskKey::EditCopies);
    EXPECT_TRUE(drv::TaskCopiesEditorOpen()) << "F2 opens the copies of the selected row";
    drv::CloseTaskEditor();
    EXPECT_FALSE(drv::TaskCopiesEditorOpen());
    EXPECT_TRUE(drv::TypeTaskCopies(row, "2"));
    EXPECT_TRUE(drv::WaitFor([&] { return drv::TaskCell(row, kColCopies) == "2"; }));
    ASSERT_EQ(Saved().size(), 3U);
    EXPECT_EQ(Saved()[1].m_copies, 2);

    for (const char* bad : {"0", "10000", "two"}) {
        EXPECT_FALSE(drv::TypeTaskCopies(row, bad)) << bad;
    }
    ASSERT_EQ(shown.size(), 3U);
    EXPECT_EQ(shown[2], FormatResString(ids::kTaskCopiesRange, {"two"}));
    EXPECT_EQ(drv::TaskCell(row, kColCopies), "2");
    EXPECT_EQ(Saved()[1].m_copies, 2);
}

TEST_F(TaskViewGui, PrintingTheSelectedTaskFollowsItsRowAndPutsTheImageOnTheMedia)
{
    ASSERT_TRUE(drv::WaitFor(MachineIdle));
    const auto printer = drv::VirtualPrinter();
    printer->LoadMedia(sim::HeadsFromConfig(drv::Config()));
    const int row = Row(kFiles[1]);
    ASSERT_GE(row, 0);
    drv::ClickTaskRow(row);
    const std::string print = Say(ids::kTaskMenuPrint);
    ASSERT_TRUE(drv::ChooseTaskMenuItem(print));

    std::set<std::string> states;
    std::set<std::string> copies;
    std::set<std::string> remaining;
    bool menuClosedWhilePrinting = false;
    auto follow = [&] {
        states.insert(drv::TaskCell(row, kColState));
        copies.insert(drv::TaskCell(row, kColCopies));
        remaining.insert(drv::TaskCell(row, kColRemaining));
        if (drv::TaskPrinting() && !menuClosedWhilePrinting) {
            menuClosedWhilePrinting = true;
            for (const auto& item : drv::TaskRowMenu()) {
                const bool open = item.label == Say(ids::kTaskMenuSaveAll);
                EXPECT_EQ(item.enabled, open) << item.label;
            }
        }
    };
    ASSERT_TRUE(drv::WaitFor([&] {
        follow();
        return drv::TaskCell(row, kColState) == Say(ids::kTaskPrinting);
    })) << "the row never showed the print";
    ASSERT_TRUE(drv::WaitFor(
        [&] {
            follow();
            return !drv::TaskPrinting() && drv::TaskCell(row, kColState) == Say(ids::kTaskReady);
        },
        120))
        << drv::TaskCell(row, kColState);
    follow();
    EXPECT_TRUE(shown.empty()) << shown.front();
    EXPECT_TRUE(menuClosedWhilePrinting);
    EXPECT_TRUE(copies.contains("2(1)") && copies.contains("2(2)"))
        << "copies shown: " << copies.size();
    EXPECT_GE(remaining.size(), 3U) << "the remaining time counted down";
    EXPECT_EQ(drv::TaskCell(row, kColRemaining), "");

    // Both copies landed, each pixel of ink once.
    const CRipImage& image = images[1];
    int64_t ink = 0;
    for (int plane = 0; plane < image.Planes(); ++plane) {
        for (int y = 0; y < image.Height(); ++y) {
            for (int x = 0; x < image.Width(); ++x) {
                ink += image.Pixel(x, y, plane) ? 1 : 0;
            }
        }
    }
    const sim::CMediaSheet sheet = printer->Sheet();
    int64_t drops = 0;
    for (const auto& channel : sheet.Tally()) {
        drops += channel.drops;
        EXPECT_GT(channel.drops, 0) << "channel " << channel.index;
    }
    EXPECT_EQ(sheet.OutsideDrops(), 0);
    EXPECT_EQ(drops, 2 * ink);
    EXPECT_EQ(Saved()[1].m_stateId, ids::kTaskReady);
}

TEST_F(TaskViewGui, APrintRefusedForNoSelectionOrAMissingFileSaysWhy)
{
    ASSERT_TRUE(drv::WaitFor(MachineIdle));
    drv::Tasks().SelectTask(-1);
    ASSERT_TRUE(drv::WaitFor([] { return drv::TaskSelectedRow() == -1; }));
    drv::SendCommand(cmd::kPrint);
    const int row = Row(kFiles[2]);
    ASSERT_GE(row, 0);
    std::filesystem::remove(dir->Path() / kFiles[2]);
    drv::ClickTaskRow(row);
    drv::SendCommand(cmd::kPrint);
    EXPECT_TRUE(drv::WaitFor([&] { return shown.size() >= 2; }));
    EXPECT_EQ(shown,
              (std::vector<std::string>{Say(ids::kSelectJobFirst), Say(ids::kJobFileMissing)}));
    EXPECT_FALSE(drv::TaskPrinting());
    EXPECT_EQ(drv::TaskCell(row, kColState), Say(ids::kTaskReady));
}

TEST_F(TaskViewGui, SaveAllWritesATaskAddedSinceTheLastSave)
{
    const auto file = dir->Path() / kFiles[0];
    CPreviewBuilder builder(file, false, 400, 300, kPreviewAuto,
                            PreviewSettings::FromConfig(drv::Config()));
    ASSERT_EQ(builder.Build(), kPreviewOk);
    ASSERT_EQ(drv::Tasks().AddTask(file.string(), builder.Header(), builder.Bitmap()), 3);
    EXPECT_TRUE(drv::WaitFor([] { return drv::TaskRows() == 4 && drv::TaskSelectedRow() == 3; }));
    EXPECT_GT(drv::TaskThumbnailSize(3).first, 0);
    drv::Tasks().SelectTask(0);  // the selected task would be saved by any save
    ASSERT_EQ(Saved().size(), 3U);
    ASSERT_TRUE(drv::ChooseTaskMenuItem(Say(ids::kTaskMenuSaveAll)));
    const auto saved = Saved();
    ASSERT_EQ(saved.size(), 4U);
    EXPECT_EQ(TaskFileName(saved[3].m_filePath), kFiles[0]);
    thumbnails.push_back(saved[3].m_thumbnailPath);
}

TEST_F(TaskViewGui, DeleteAsksThenRemovesTheRowTheRecordAndTheThumbnail)
{
    const int row = Row(kFiles[1]);
    ASSERT_GE(row, 0);
    drv::ClickTaskRow(row);
    answer = false;
    drv::SendTaskKey(drv::TaskKey::Delete);
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown[0], FormatResString(ids::kTaskAskDelete, {kFiles[1]}));
    EXPECT_EQ(drv::TaskRows(), 4) << "answered no";
    EXPECT_TRUE(std::filesystem::exists(thumbnails[1]));

    answer = true;
    drv::SendTaskKey(drv::TaskKey::Delete);
    EXPECT_TRUE(drv::WaitFor([] { return drv::TaskRows() == 3; }));
    EXPECT_EQ(Row(kFiles[1]), -1);
    for (int r = 0; r < drv::TaskRows(); ++r) {
        EXPECT_EQ(drv::TaskCell(r, kColNumber), std::to_string(r + 1)) << "renumbered";
    }
    const auto saved = Saved();
    ASSERT_EQ(saved.size(), 3U);
    for (const TaskRecord& record : saved) {
        EXPECT_NE(TaskFileName(record.m_filePath), kFiles[1]);
    }
    EXPECT_FALSE(std::filesystem::exists(thumbnails[1]));
    EXPECT_TRUE(std::filesystem::exists(thumbnails[0]));
}

TEST_F(TaskViewGui, DeleteAllEmptiesTheListTheFileAndTheWorksFolder)
{
    ASSERT_TRUE(drv::ChooseTaskMenuItem(Say(ids::kTaskMenuDeleteAll)));
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown[0], FormatResString(ids::kTaskAskDeleteAll, {"3"}));
    EXPECT_TRUE(drv::WaitFor([] { return drv::TaskRows() == 0; }));
    EXPECT_EQ(drv::TaskSelectedRow(), -1);
    EXPECT_TRUE(Saved().empty());
    for (const std::string& thumbnail : thumbnails) {
        EXPECT_FALSE(std::filesystem::exists(thumbnail)) << thumbnail;
    }
    for (const auto& item : drv::TaskRowMenu()) {
        EXPECT_FALSE(item.enabled) << item.label << " with no task";
    }
}

// The window in English: titles and texts from the English table, every column wide enough.
TEST(TaskViewGuiEnglish, TitlesAndTextsComeFromTheEnglishTableAndFit)
{
    ASSERT_FALSE(drv::MainFrameAlive());
    TempDir dir;
    const std::filesystem::path source(TAVOLUX_SOURCE_DIR);
    std::string ini;
    ASSERT_TRUE(ReadWholeFile(source / "data/sample/tavolux.ini", ini));
    const size_t language = ini.find("Language=0");
    ASSERT_NE(language, std::string::npos);
    ini.replace(language, 10, "Language=1");
    ASSERT_TRUE(AtomicWriteFile(dir.Path() / "tavolux.ini", ini));
    std::filesystem::copy_file(source / "src/res/TxResEng.lang", dir.Path() / "TxResEng.lang");
    {
        CPrinterConfig config(dir.Path());
        ASSERT_TRUE(config.LoadConfig());
        CTaskList list(config, dir.Path() / kWorksFolderName);
        CRandomSource random(3);
        CRipImage image(kWidth, 32, 4, 720, 360);
        ASSERT_TRUE(image.Fill("text", random));
        ASSERT_TRUE(image.Write(dir.Path() / "english.prn"));
        CPreviewBuilder builder(dir.Path() / "english.prn", false, 400, 300, kPreviewAuto,
                                PreviewSettings::FromConfig(config));
        ASSERT_EQ(builder.Build(), kPreviewOk);
        ASSERT_EQ(
            list.AddTask((dir.Path() / "english.prn").string(), builder.Header(), builder.Bitmap()),
            0);
        ASSERT_TRUE(list.SaveTasks());
    }
    ASSERT_TRUE(drv::StartAnotherMainFrame({dir.Path(), "virtual:instant"}));
    drv::AnswerMessages([](const std::string&, bool) { return false; });
    ASSERT_EQ(drv::TaskRows(), 1);
    EXPECT_EQ(drv::TaskColumnTitle(kColName), "Name");
    EXPECT_EQ(drv::TaskColumnTitle(kColCopies), "Copies");
    EXPECT_EQ(drv::TaskCell(0, kColState), "Ready");
    EXPECT_TRUE(drv::TaskColumnsFit());
    const auto menu = drv::TaskRowMenu();
    ASSERT_FALSE(menu.empty());
    EXPECT_EQ(menu.front().label, "Print");

    EXPECT_TRUE(drv::WaitFor([] { return drv::Session().CanClose(); }));
    drv::SendCommand(cmd::kExit);
    EXPECT_TRUE(drv::WaitFor([] { return !drv::MainFrameAlive(); }));
}

}  // namespace tavolux::test
