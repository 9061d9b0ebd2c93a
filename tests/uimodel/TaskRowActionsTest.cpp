// The task list window's decisions: which row actions are open, the copies the operator types,
// and a copies change that reaches Tasks.dat or leaves everything as it was.
#include <gtest/gtest.h>

#include "config/ConfigFixture.h"
#include "platform/AtomicFile.h"
#include "res/StringIds.h"
#include "tasks/TaskFile.h"
#include "tasks/TaskList.h"
#include "uimodel/TaskRowActions.h"

namespace tavolux::test {

namespace {

TEST(TaskRowActions, FollowTheSelectionTheRowsAndARunningJob)
{
    const struct {
        int selected, count;
        bool printing;
        TaskRowActions open;
    } cases[] = {
        {-1, 0, false, {}},
        {-1, 3, false, {.removeAll = true, .saveAll = true}},
        {1, 3, false, {true, true, true, true, true}},
        {3, 3, false, {.removeAll = true, .saveAll = true}},  // a selection past the end
        {0, 1, true, {.saveAll = true}},  // a running job follows its row by index
        {-1, 0, true, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OpenTaskRowActions(c.selected, c.count, c.printing), c.open)
            << c.selected << " of " << c.count << (c.printing ? " printing" : "");
    }
}

TEST(TaskRowActions, CopiesAreAWholeNumberFromOneTo9999)
{
    const struct {
        const char* text;
        std::optional<int> copies;
    } cases[] = {
        {"1", 1},    {"9999", 9999}, {" 12 ", 12},        {"0012", 12}, {"0", {}},   {"10000", {}},
        {"", {}},    {"  ", {}},     {"-3", {}},          {"+3", {}},   {"3.5", {}}, {"3x", {}},
        {"1 2", {}}, {"00000", {}},  {"99999999999", {}}, {"\t7\n", 7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseCopies(c.text), c.copies) << '"' << c.text << '"';
    }
}

class TaskCopiesTest : public ::testing::Test {
protected:
    TaskCopiesTest()
    {
        cfg.config.LoadConfig();
        preview.Allocate(4, 2, 24, 0x80);
    }

    std::filesystem::path Works() const { return cfg.dir.Path() / "Works"; }

    int Add(CTaskList& list, const std::string& name)
    {
        return list.AddTask((cfg.dir.Path() / name).string(),
                            RipHeader::Of(720, 600, 135, 1200, 1080, 4), preview);
    }

    // The copies Tasks.dat holds for each task, in order.
    std::vector<int> SavedCopies()
    {
        CTaskList reread(cfg.config, Works());
        EXPECT_TRUE(reread.LoadTasks());
        std::vector<int> copies;
        for (int i = 0; i < reread.TaskCount(); ++i) {
            copies.push_back(reread.GetTask(i).m_copies);
        }
        return copies;
    }

    ConfigFixture cfg;
    RecordingUi ui;
    DibImage preview;
};

TEST_F(TaskCopiesTest, AChangeShowsInTheRowAndIsSavedAtOnce)
{
    CTaskList list(cfg.config, Works());
    Add(list, "a.prn");
    Add(list, "b.prn");
    ASSERT_TRUE(list.SaveAllTasks());

    EXPECT_EQ(ChangeTaskCopies(list, 1, " 250 ", false), 0);
    EXPECT_EQ(list.GetTask(1).m_copies, 250);
    EXPECT_EQ(list.RowTexts(1)[kColCopies], "250");
    EXPECT_EQ(SavedCopies(), (std::vector<int>{1, 250}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TaskCopiesTest, ARefusalChangesNothing)
{
    CTaskList list(cfg.config, Works());
    Add(list, "a.prn");
    ASSERT_TRUE(list.SaveAllTasks());
    ASSERT_EQ(ChangeTaskCopies(list, 0, "3", false), 0);

    const struct {
        int index;
        const char* text;
        bool printing;
        int refusal;
    } cases[] = {
        {0, "0", false, ids::kTaskCopiesRange},   {0, "10000", false, ids::kTaskCopiesRange},
        {0, "abc", false, ids::kTaskCopiesRange}, {0, "5", true, ids::kTaskBusyPrinting},
        {1, "5", false, ids::kSelectJobFirst},    {-1, "5", false, ids::kSelectJobFirst},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChangeTaskCopies(list, c.index, c.text, c.printing), c.refusal) << c.text;
        EXPECT_EQ(list.GetTask(0).m_copies, 3) << c.text;
        EXPECT_EQ(list.RowTexts(0)[kColCopies], "3") << c.text;
    }
    EXPECT_EQ(SavedCopies(), (std::vector<int>{3}));
}

TEST_F(TaskCopiesTest, AFailedSaveKeepsTheOldCopiesInTheListAndTheFile)
{
    CTaskList list(cfg.config, Works());
    Add(list, "a.prn");
    ASSERT_TRUE(list.SaveAllTasks());
    list.SimulateCrashOnSave(AtomicWriteStep::TempWritten);
    EXPECT_EQ(ChangeTaskCopies(list, 0, "40", false), -1);
    list.SimulateCrashOnSave(AtomicWriteStep::None);

    EXPECT_EQ(list.GetTask(0).m_copies, 1);
    EXPECT_EQ(list.RowTexts(0)[kColCopies], "1");
    EXPECT_FALSE(ui.messages.empty()) << "the failed save says so";
    EXPECT_EQ(SavedCopies(), (std::vector<int>{1}));
    // The next save writes the copies the list holds, not the refused ones.
    ASSERT_TRUE(list.SaveAllTasks());
    EXPECT_EQ(SavedCopies(), (std::vector<int>{1}));
}

}  // namespace

}  // namespace tavolux::test
