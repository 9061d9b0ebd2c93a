// The real desktop program under a display, on the in-process virtual printer: the side bar and
// its routing, the about box, the cleaning dialog with its bounded wait, and the language
// switch's restart. Each suite opens its own main window and closes it at its end.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "config/PrinterConfig.h"
#include "device/Operations.h"
#include "platform/Clock.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "sim/VirtualPrinter.h"
#include "support/TempDir.h"
#include "ui/GuiDriver.h"
#include "uimodel/MenuModel.h"
#include "uimodel/PrinterSession.h"
#include "uimodel/PurgeDialogModel.h"
#include "uimodel/UiDispatcher.h"

namespace tavolux::test {

namespace drv = ui::driver;
namespace fs = std::filesystem;

namespace {

bool Ready()
{
    return drv::Session().Machine().Get() == MachineState::Ready;
}

int Sent(uint8_t code)
{
    return drv::VirtualPrinter()->LoneCommands(code);
}

// The position of command among the open folder's items, -1 when it is not there.
int ItemIndex(const drv::SideBarView& bar, int command)
{
    const auto it = std::find(bar.itemCommands.begin(), bar.itemCommands.end(), command);
    return it == bar.itemCommands.end() ? -1 : static_cast<int>(it - bar.itemCommands.begin());
}

void CloseMainFrame()
{
    if (drv::MainFrameAlive()) {
        drv::AnswerMessages({});
        drv::SetMachineState(MachineState::Ready);
        drv::SendCommand(cmd::kExit);
        drv::WaitFor([] { return !drv::MainFrameAlive(); });
    }
}

}  // namespace

class DesktopSideBar : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new TempDir;
        fs::copy_file(fs::path(TAVOLUX_SOURCE_DIR) / "data/sample/tavolux.ini",
                      dir->Path() / "tavolux.ini");
        started = !drv::MainFrameAlive() && drv::StartMainFrame({dir->Path(), "virtual"});
    }
    static void TearDownTestSuite()
    {
        CloseMainFrame();
        delete dir;
    }

    void SetUp() override { ASSERT_TRUE(started && drv::MainFrameAlive()); }
    void TearDown() override { drv::AnswerMessages({}); }

    static TempDir* dir;
    static bool started;
};

TempDir* DesktopSideBar::dir = nullptr;
bool DesktopSideBar::started = false;

TEST_F(DesktopSideBar, ShowsEachFolderOfTheModelWithIconsAndUnclippedLabels)
{
    const auto folders = BuildSideBar(drv::Config().params.Intercommunication);
    drv::SideBarView bar = drv::SideBar();
    ASSERT_TRUE(bar.shown);
    ASSERT_EQ(bar.headers.size(), folders.size());
    const int width = bar.width;
    EXPECT_GT(width, 0);
    for (size_t position = 0; position < folders.size(); ++position) {
        SCOPED_TRACE(position);
        EXPECT_EQ(bar.headers[position], LoadResString(folders[position].titleId));
        drv::ClickSideBarHeader(static_cast<int>(position));
        bar = drv::SideBar();
        EXPECT_EQ(bar.openFolder, static_cast<int>(folders[position].folder));
        std::vector<int> ids;
        std::vector<std::string> labels;
        for (const SideItem& item : folders[position].items) {
            ids.push_back(item.id);
            labels.push_back(LoadResString(item.textId));
        }
        EXPECT_EQ(bar.itemCommands, ids);
        EXPECT_EQ(bar.itemLabels, labels);
        EXPECT_TRUE(bar.itemsHaveIcons);
        EXPECT_TRUE(bar.labelsFit);
        EXPECT_EQ(bar.width, width) << "the bar keeps its width from folder to folder";
    }
}

// Each item reaches its own command, whichever place it has in its folder.
TEST_F(DesktopSideBar, ItemsReachTheirCommandsThroughTheModel)
{
    std::vector<std::string> shown;
    drv::AnswerMessages([&](const std::string& text, bool) {
        shown.push_back(text);
        return false;
    });
    ASSERT_TRUE(drv::WaitFor(Ready));
    const struct {
        int folder;
        int command;
        uint8_t code;  // the byte it sends, 0 for a message
    } cases[] = {
        {0, cmd::kReset, wire::cmd::kReset},
        {2, cmd::kBeamRaise, wire::cmd::kBeamRaise},
        {2, cmd::kBeamLower, wire::cmd::kBeamLower},
        {1, cmd::kHoriTest, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        drv::ClickSideBarHeader(c.folder);
        const int index = ItemIndex(drv::SideBar(), c.command);
        ASSERT_GE(index, 0);
        const int before = c.code != 0 ? Sent(c.code) : 0;
        const size_t messages = shown.size();
        drv::ClickSideBarItem(index);
        if (c.code != 0) {
            EXPECT_TRUE(drv::WaitFor([&] { return Sent(c.code) == before + 1; }));
            EXPECT_EQ(shown.size(), messages);
        } else {
            ASSERT_EQ(shown.size(), messages + 1);
            EXPECT_EQ(shown.back(), LoadResString(ids::kNotAvailableYet));
        }
        EXPECT_TRUE(drv::WaitFor(Ready));
    }
}

TEST_F(DesktopSideBar, LeftToolBarCommandHidesAndShowsItWithItsCheckMark)
{
    for (const bool shown : {false, true}) {
        drv::SendCommand(cmd::kSideBar);
        EXPECT_TRUE(drv::WaitFor([&] { return drv::SideBar().shown == shown; }));
        const auto items = drv::MenuItems();
        const auto item = std::find_if(items.begin(), items.end(),
                                       [](const auto& i) { return i.command == cmd::kSideBar; });
        ASSERT_NE(item, items.end());
        EXPECT_EQ(item->checked, shown);
    }
}

TEST_F(DesktopSideBar, AboutBoxShowsTheVersionTheIconAndWhatTheProgramIs)
{
    std::vector<std::string> texts;
    bool image = false;
    bool opened = false;
    drv::WhileModal([&] {
        opened = drv::WaitFor(drv::ModalDialogOpen, 10);
        texts = drv::ModalDialogTexts();
        image = drv::ModalDialogHasImage();
        drv::CloseModalDialog();
    });
    drv::SendCommand(cmd::kAbout);
    ASSERT_TRUE(opened);
    EXPECT_FALSE(drv::ModalDialogOpen());
    EXPECT_TRUE(image);
    for (const int id : {ids::kAboutVersion, ids::kUiAboutLine}) {
        EXPECT_NE(std::find(texts.begin(), texts.end(), LoadResString(id)), texts.end())
            << LoadResString(id);
    }
}

// The cleaning entry: the printer is asked, acknowledges, the operator chooses the short
// cleaning and returns, which ends the purge on the printer.
TEST_F(DesktopSideBar, CleaningDialogCleansAndEndsThePurgeOnReturn)
{
    using Model = CPurgeDialogModel;
    ASSERT_TRUE(drv::WaitFor(Ready));
    const int starts = Sent(wire::cmd::kStartCleaning);
    const int ends = Sent(wire::cmd::kEndPurge);
    bool purging = false;
    drv::DialogControlView longer;
    drv::DialogControlView shorter;
    drv::DialogControlView colour;
    bool closed = false;
    drv::WhileModal([&] {
        if (!drv::WaitFor(drv::ModalDialogOpen, 10)) {
            return;
        }
        purging = drv::WaitFor(
            [] { return drv::Session().Machine().Get() == MachineState::Purging; }, 10);
        colour = drv::DialogControl(Model::kColourButtons[0]);
        drv::UseDialogControl(Model::kShortCleaning);
        longer = drv::DialogControl(Model::kLongCleaning);
        shorter = drv::DialogControl(Model::kShortCleaning);
        drv::UseDialogControl(Model::kReturn);
        closed = drv::WaitFor([] { return !drv::ModalDialogOpen(); }, 10);
    });
    drv::RunCommand(cmd::kSingleClean);
    EXPECT_TRUE(purging);
    EXPECT_TRUE(colour.exists && colour.shown && !colour.enabled);
    EXPECT_TRUE(shorter.checked);
    EXPECT_FALSE(longer.checked);
    EXPECT_EQ(longer.label, LoadResString(ids::kPurgeLong));
    EXPECT_TRUE(closed) << "the return button ends the dialog while the printer purges";
    EXPECT_EQ(Sent(wire::cmd::kStartCleaning), starts + 1);
    EXPECT_TRUE(drv::WaitFor([&] { return Sent(wire::cmd::kEndPurge) == ends + 1; }));
    EXPECT_TRUE(drv::WaitFor(Ready));
}

// A printer that never acknowledges: the operator is told within the limit, the dialog closes
// and the machine is given back.
TEST_F(DesktopSideBar, CleaningWithoutAnAcknowledgementIsReportedWithinItsLimit)
{
    std::vector<std::string> shown;
    drv::AnswerMessages([&](const std::string& text, bool) {
        shown.push_back(text);
        return false;
    });
    ASSERT_TRUE(drv::WaitFor(Ready));
    const int starts = Sent(wire::cmd::kStartCleaning);
    bool ended = false;
    drv::WhileModal([&] {
        if (!drv::WaitFor(drv::ModalDialogOpen, 10)) {
            return;
        }
        // The command went out; from now on the printer stays silent.
        drv::VirtualPrinter()->SetMute(true);
        ended = drv::WaitFor([] { return !drv::ModalDialogOpen(); },
                             CPurgeDialogModel::kCleanAckLimitMs / 1000 + 5);
    });
    drv::RunCommand(cmd::kSingleClean);
    drv::VirtualPrinter()->SetMute(false);
    EXPECT_TRUE(ended);
    EXPECT_EQ(Sent(wire::cmd::kStartCleaning), starts + 1);
    const std::string missing = FormatResString(
        ids::kCleanAckMissing, {std::to_string(CPurgeDialogModel::kCleanAckLimitMs / 1000)});
    EXPECT_NE(std::find(shown.begin(), shown.end(), missing), shown.end());
    EXPECT_NE(drv::Session().Machine().Get(), MachineState::CleaningRequested);
    EXPECT_NE(drv::Session().Machine().Get(), MachineState::Purging);
    EXPECT_TRUE(drv::WaitFor(Ready, 30));
}

// A model that records what reaches it and answers the close box as told.
class RecordingModel final : public CDialogModel {
public:
    RecordingModel(IDialogControls& controls, CUiDispatcher& dispatcher)
        : CDialogModel(controls, dispatcher, GetClock())
    {
    }
    void OnCommand(int id) override { used.push_back(id); }
    bool OnClose() override { return mayClose; }
    std::vector<int> used;
    bool mayClose = false;
};

// The control layer every dialog window is built on: each kind of control keeps what the model
// writes, the operator's actions reach the model by the model's ids, and the close box asks it.
TEST_F(DesktopSideBar, DialogControlsKeepWhatTheModelWritesAndReportTheOperator)
{
    enum : int { kText = 1001, kLabel, kChoice, kCheck, kRadioA, kRadioB, kButton, kNone = 1999 };
    using K = drv::ControlKind;
    IDialogControls& c = drv::OpenControlsDialog({{kText, K::Text},
                                                  {kLabel, K::Label},
                                                  {kChoice, K::Choice},
                                                  {kCheck, K::Check},
                                                  {kRadioA, K::Radio},
                                                  {kRadioB, K::Radio},
                                                  {kButton, K::Button}});
    auto owned = std::make_unique<RecordingModel>(c, drv::Dispatcher());
    RecordingModel& model = *owned;
    drv::SetControlsDialogModel(std::move(owned));

    c.SetText(kText, "12.5 毫米");
    EXPECT_EQ(c.GetText(kText), "12.5 毫米");
    c.SetLabel(kLabel, "A & B 长清洗");
    EXPECT_EQ(c.GetLabel(kLabel), "A & B 长清洗") << "a plain text keeps its ampersand";
    c.SetLabel(kButton, "返回");
    EXPECT_EQ(c.GetLabel(kButton), "返回");
    c.SetChoices(kChoice, {"360", "720", "1440"});
    EXPECT_EQ(c.GetSelection(kChoice), -1);
    c.SetSelection(kChoice, 2);
    EXPECT_EQ(c.GetSelection(kChoice), 2);
    c.SetSelection(kChoice, -1);
    EXPECT_EQ(c.GetSelection(kChoice), -1);
    c.SetCheck(kCheck, true);
    EXPECT_TRUE(c.GetCheck(kCheck));
    c.SetCheck(kRadioB, true);
    EXPECT_TRUE(c.GetCheck(kRadioB));
    EXPECT_FALSE(c.GetCheck(kRadioA)) << "one radio button of a group";
    c.Enable(kText, false);
    EXPECT_FALSE(c.IsEnabled(kText));
    c.Enable(kText, true);
    EXPECT_TRUE(c.IsEnabled(kText));
    c.Show(kLabel, false);
    EXPECT_FALSE(c.IsShown(kLabel));
    // An id the dialog does not have reads as empty and takes no write.
    c.SetText(kNone, "x");
    EXPECT_EQ(c.GetText(kNone), "");
    EXPECT_EQ(c.GetSelection(kNone), -1);
    EXPECT_FALSE(c.IsEnabled(kNone));

    drv::UseDialogControl(kButton);
    drv::UseDialogControl(kCheck);
    drv::UseDialogControl(kRadioA);
    EXPECT_EQ(model.used, (std::vector<int>{kButton, kCheck, kRadioA}));
    EXPECT_FALSE(c.GetCheck(kCheck));
    EXPECT_TRUE(c.GetCheck(kRadioA));

    drv::CloseControlsDialog();
    EXPECT_FALSE(drv::ControlsDialogEnded()) << "the model refused the close box";
    model.mayClose = true;
    drv::CloseControlsDialog();
    EXPECT_TRUE(drv::ControlsDialogEnded());
    EXPECT_EQ(drv::ControlsDialogEndCode(), dialog::kCancel);
    drv::UseDialogControl(kButton);
    EXPECT_EQ(model.used.size(), 3U) << "an ended dialog reports nothing more";
    drv::DestroyControlsDialog();
}

// The language switch starts the program again with the arguments this process was started
// with, after the single-instance lock is free. The program started is a script that records
// what it was given.
class LanguageRestart : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::copy_file(fs::path(TAVOLUX_SOURCE_DIR) / "data/sample/tavolux.ini",
                      dir.Path() / "tavolux.ini");
        fs::create_directory(dir.Path() / "run");
        fs::permissions(dir.Path() / "run", fs::perms::owner_all);
        const fs::path lock = dir.Path() / "run" / (kLockName + std::string(".lock"));
        std::ofstream script(ScriptPath());
        script << "#!/bin/sh\n"
               << "out='" << RecordPath().string() << "'\n"
               << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out.args\"\n"
               << "if flock -n '" << lock.string() << "' true; then echo free; else echo held; "
               << "fi > \"$out.lock\"\n"
               << "mv \"$out.args\" \"$out\"\n";
        script.close();
        fs::permissions(ScriptPath(), fs::perms::owner_all);
    }
    void TearDown() override { CloseMainFrame(); }

    fs::path ScriptPath() const { return dir.Path() / "restart.sh"; }
    fs::path RecordPath() const { return dir.Path() / "restarted"; }

    static std::vector<std::string> Lines(const fs::path& file)
    {
        std::ifstream in(file);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    static constexpr const char* kLockName = "tavolux-restart-test";
    TempDir dir;
};

TEST_F(LanguageRestart, StartsTheProgramAgainWithItsArgumentsAfterTheLockIsFree)
{
    ASSERT_FALSE(drv::MainFrameAlive());
    ASSERT_TRUE(
        drv::StartMainFrameHoldingLock({dir.Path(), "virtual"}, dir.Path() / "run", kLockName));
    drv::SetRestartProgram(ScriptPath());
    ASSERT_TRUE(drv::WaitFor(Ready));
    ASSERT_EQ(drv::Config().Language, 0) << "the sample starts in Chinese";

    drv::SendCommand(cmd::kEnglish);
    EXPECT_TRUE(drv::WaitFor([] { return !drv::MainFrameAlive(); }));
    ASSERT_TRUE(drv::WaitFor([&] { return fs::exists(RecordPath()); }));

    // What this process was started with, its own name left out.
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::string> own;
    for (size_t start = 0; start < all.size();) {
        const size_t end = std::min(all.find('\0', start), all.size());
        own.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    own.erase(own.begin());
    EXPECT_EQ(Lines(RecordPath()), own);
    EXPECT_EQ(Lines(dir.Path() / "restarted.lock"), std::vector<std::string>{"free"});

    CPrinterConfig saved(dir.Path());
    ASSERT_TRUE(saved.LoadConfig());
    EXPECT_EQ(saved.LanguageName(), "ENU");
}

}  // namespace tavolux::test
