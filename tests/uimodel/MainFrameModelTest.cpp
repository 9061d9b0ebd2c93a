// The main frame's model on the virtual printer: what every command of the table does or asks
// in a given machine state, the option buttons and the keys they save, the side bar by item,
// the language switch, the close rule and its shutdown, and the outcome of storing and
// restoring the calibration block.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "config/ConfigFixture.h"
#include "device/KtUSB.h"
#include "device/MachineState.h"
#include "device/PrinterStatusBlock.h"
#include "device/Protocol.h"
#include "device/ReplyEvents.h"
#include "device/StatusPoller.h"
#include "platform/RandomSource.h"
#include "platform/SingleInstance.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "sim/VirtualPrinter.h"
#include "sim/VirtualTransport.h"
#include "uimodel/ChartPrint.h"
#include "uimodel/MainFrameModel.h"
#include "uimodel/PrintTask.h"
#include "uimodel/PrinterSession.h"
#include "uimodel/UiDispatcher.h"

namespace tavolux::test {

namespace {

using A = ViewAction;
using S = MachineState;

struct FrameRig {
    explicit FrameRig(int intercommunication = 1, bool load = true)
    {
        cfg.Set("P", "Intercommunication", std::to_string(intercommunication));
        cfg.Set("P", "FlashFrequency", "7");
        if (load) {
            cfg.config.LoadConfig();
        }
        session = std::make_unique<CPrinterSession>(
            cfg.config, std::make_unique<sim::CVirtualTransport>(printer), block, events, clock);
        EXPECT_EQ(session->Device().Open(), 1);
        session->Poller().SetWaitFunction([](int) {});
        session->Machine().Set(S::Ready);
        printer->ClearCommands();
        taskPrinter = std::make_unique<CTaskPrinter>(
            PrintTaskDevice{cfg.config, session->Device(), session->Machine(), block, events},
            random);
        charts = std::make_unique<CChartPrinter>(
            JobDevice{cfg.config, session->Device(), session->Machine(), events}, random);
        model = std::make_unique<CMainFrameModel>(
            MainFrameEnv{.config = cfg.config,
                         .dispatcher = dispatcher,
                         .session = session.get(),
                         .printer = taskPrinter.get(),
                         .charts = charts.get(),
                         .joinPreview = [this] { ++previewJoins; }});
        model->SetLateRequestSink([this](const ViewRequest& r) { late.push_back(r); });
    }

    S State() const { return session->Machine().Get(); }
    void SetState(S s) { session->Machine().Set(s); }

    // The UI thread's loop while replies are read: until f holds, bounded.
    template <class F>
    bool Run(F f, bool poll = true)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!f() && std::chrono::steady_clock::now() < deadline) {
            if (poll) {
                session->Poller().PollOnce();
            }
            if (dispatcher.RunPending() == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return f();
    }

    // The command packets the printer took, by their first byte.
    std::vector<uint8_t> SentCodes()
    {
        std::vector<uint8_t> codes;
        for (const auto& packet : printer->Commands()) {
            if (!packet.empty()) {
                codes.push_back(packet[0]);
            }
        }
        return codes;
    }

    ConfigFixture cfg;
    PrinterStatusBlock block;
    ReplyEvents events;
    CManualClock clock;
    CRandomSource random{1};
    CUiDispatcher dispatcher;
    std::shared_ptr<sim::CVirtualPrinter> printer = std::make_shared<sim::CVirtualPrinter>();
    std::unique_ptr<CPrinterSession> session;
    std::unique_ptr<CTaskPrinter> taskPrinter;
    std::unique_ptr<CChartPrinter> charts;
    int previewJoins = 0;
    std::vector<ViewRequest> late;
    std::unique_ptr<CMainFrameModel> model;
};

std::string NotYet()
{
    return LoadResString(ids::kNotAvailableYet);
}

CalibrationCodec FixedBlock(std::vector<uint8_t> bytes, std::vector<uint8_t>* applied)
{
    return {.build =
                [bytes](std::array<uint8_t, 510>& out) {
                    std::copy(bytes.begin(), bytes.end(), out.begin());
                    return static_cast<int>(bytes.size());
                },
            .apply =
                [applied](const std::vector<uint8_t>& block) {
                    *applied = block;
                    return block.size() >= 2;
                }};
}

}  // namespace

// Every command of the table in a machine state: what the view is asked, the state after it,
// and the command bytes the printer received. Dialogs and test prints this version lacks say
// so instead of doing nothing.
TEST(MainFrameModel, RoutesEveryCommandThroughItsGate)
{
    struct Case {
        int id;
        S before;
        A action;
        S after;
        std::vector<uint8_t> sent;
        bool notYet = false;
    };
    using namespace cmd;
    namespace w = wire::cmd;
    const Case cases[] = {
        {kOpen, S::Ready, A::OpenRipFile, S::Ready, {}},
        {kSaveTasks, S::Printing, A::SaveTasks, S::Printing, {}},
        {kPrint, S::Ready, A::PrintSelected, S::Ready, {}},
        {kUvLamp, S::Ready, A::Message, S::Ready, {}, true},
        {kFrontBeam, S::Ready, A::Message, S::Ready, {}, true},
        {kWhiteHead, S::Ready, A::Message, S::Ready, {}, true},
        {kSystemSettings, S::Ready, A::Message, S::Ready, {}, true},
        {kToolBar, S::Printing, A::ShowBars, S::Printing, {}},
        {kSideBar, S::Ready, A::ShowBars, S::Ready, {}},
        {kStatusBar, S::Ready, A::ShowBars, S::Ready, {}},
        {kPreviewAuto, S::Printing, A::PreviewMode, S::Printing, {}},
        {kPreviewSource, S::Ready, A::PreviewMode, S::Ready, {}},
        {kPreviewSketch, S::Ready, A::PreviewMode, S::Ready, {}},
        {kPreviewRough, S::Ready, A::PreviewMode, S::Ready, {}},
        {kCancel, S::Printing, A::None, S::CancelRequested, {}},
        {kCancel, S::Ready, A::None, S::Ready, {}},
        {kPause, S::Printing, A::None, S::PauseRequested, {}},
        {kPause, S::Ready, A::None, S::Ready, {}},
        {kResume, S::PauseRequested, A::None, S::ResumeRequested, {w::kResumePrint}},
        {kResume, S::Printing, A::None, S::Printing, {}},
        {kHoriTest, S::Ready, A::Message, S::Ready, {}, true},
        {kVerticalTest, S::Ready, A::Message, S::Ready, {}, true},
        {kStepTest, S::Ready, A::Message, S::Ready, {}, true},
        {kBidiTest, S::Ready, A::Message, S::Ready, {}, true},
        {kAngleCalibration, S::Ready, A::Message, S::Ready, {}, true},
        // Charts start on their thread; this printer has no glyph files, so they stop before
        // the gate with a later message (the chart tests follow them further).
        {kNozzleCheck, S::Ready, A::None, S::Ready, {}},
        {kVerticalCheck, S::Ready, A::None, S::Ready, {}},
        {kHeadOffsetCheck, S::Ready, A::None, S::Ready, {}},
        {kPlatformCheck, S::Ready, A::None, S::Ready, {}},
        {kHeadSlantCheck, S::Ready, A::None, S::Ready, {}},
        {kExportCali, S::Ready, A::Message, S::Ready, {}, true},
        {kImportCali, S::Ready, A::Message, S::Ready, {}, true},
        {kStoreCali, S::Ready, A::Message, S::Ready, {w::kStoreCalibration}},
        {kStoreCali, S::Printing, A::None, S::Printing, {}},
        {kRestoreCali, S::Ready, A::Ask, S::Ready, {}},
        {kRestoreCali, S::Flash, A::None, S::Flash, {}},
        {kFlash, S::Ready, A::None, S::Flash, {w::kSetFlashFrequency, w::kStartFlash}},
        {kFlash, S::Printing, A::None, S::Printing, {}},
        {kFlashReturn, S::Flash, A::None, S::FlashReturning, {w::kEndFlash}},
        {kFlashReturn, S::Ready, A::None, S::Ready, {}},
        {kSingleClean, S::Ready, A::OpenDialog, S::CleaningRequested, {}},
        {kSingleClean, S::Flash, A::None, S::Flash, {}},
        {kLogin, S::Ready, A::Message, S::Ready, {}, true},
        {kVoltage, S::Ready, A::Message, S::Ready, {}, true},
        {kChinese, S::Printing, A::None, S::Printing, {}},  // the language in use
        {kHelp, S::Printing, A::OpenHelp, S::Printing, {}},
        {kAbout, S::Printing, A::About, S::Printing, {}},
        {kJogUp, S::Ready, A::None, S::Ready, {}},
        {kJogDown, S::Ready, A::None, S::Ready, {}},
        {kJogLeft, S::Ready, A::None, S::Ready, {}},
        {kJogRight, S::Ready, A::None, S::Ready, {}},
        {kOptionOrigin, S::Printing, A::None, S::Printing, {}},
        {kOptionStrip, S::Ready, A::None, S::Ready, {}},
        {kOptionSkipBlank, S::Ready, A::None, S::Ready, {}},
        {kOptionAutoFlash, S::Ready, A::None, S::Ready, {}},
        {kUnassigned, S::Ready, A::Message, S::Ready, {}, true},
        {kBeamRaise, S::Printing, A::None, S::Printing, {w::kBeamRaise}},
        {kBeamLower, S::Ready, A::None, S::Ready, {w::kBeamLower}},
        {12345, S::Ready, A::Message, S::Ready, {}, true},  // no such command
    };
    SetUiLanguage(UiLanguage::Chinese);
    std::set<int> covered;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        FrameRig rig;
        std::vector<uint8_t> applied;
        rig.model->SetCalibrationCodec(FixedBlock({1, 2, 3}, &applied));
        rig.SetState(c.before);
        const ViewRequest r = rig.model->Execute(c.id);
        covered.insert(c.id);
        EXPECT_EQ(r.action, c.action);
        EXPECT_EQ(rig.State(), c.after);
        EXPECT_EQ(rig.SentCodes(), c.sent);
        if (r.action == A::PreviewMode) {
            EXPECT_EQ(rig.model->Snapshot().previewMode, PreviewModeOf(c.id));
            EXPECT_TRUE(UpdateItem(c.id, rig.model->Snapshot()).checked);
        }
        if (r.action == A::ShowBars) {
            EXPECT_FALSE(UpdateItem(c.id, rig.model->Snapshot()).checked);  // shown at start
        }
        if (c.notYet) {
            EXPECT_EQ(r.text, NotYet());
        } else if (r.action == A::Message) {
            EXPECT_NE(r.text, NotYet());
        }
        EXPECT_FALSE(rig.model->ShutDown());
        if (c.id == cmd::kHelp) {  // Chinese is shown
            EXPECT_EQ(r.path, rig.cfg.config.ProgramDir() / "manual" / "zh" / "index.html");
        }
    }
    // Exit and English end the program, reset runs on a thread of its own: their own tests.
    covered.insert({cmd::kExit, cmd::kEnglish, cmd::kReset});
    for (const CommandRow& row : CommandTable()) {
        EXPECT_TRUE(covered.count(row.id) == 1) << "command " << row.id << " has no case";
    }
}

// A refused command shows "function not available" and no command without its printer does
// anything but say so.
TEST(MainFrameModel, RefusalsAreShownAndNothingRunsWithoutAPrinter)
{
    FrameRig rig;
    rig.SetState(S::Printing);
    EXPECT_EQ(rig.model->Execute(cmd::kFlash).action, A::None);
    EXPECT_EQ(rig.session->StateLine().Notice(), LoadResString(ids::kFunctionInvalid));

    ConfigFixture cfg;
    cfg.config.LoadConfig();
    CUiDispatcher dispatcher;
    CMainFrameModel bare(MainFrameEnv{.config = cfg.config, .dispatcher = dispatcher});
    for (const int id : {cmd::kFlash, cmd::kFlashReturn, cmd::kReset, cmd::kPause, cmd::kResume,
                         cmd::kCancel, cmd::kSingleClean, cmd::kStoreCali, cmd::kRestoreCali,
                         cmd::kBeamRaise, cmd::kPrint, cmd::kNozzleCheck}) {
        const ViewRequest r = bare.Execute(id);
        EXPECT_EQ(r.action, A::Message) << id;
        EXPECT_EQ(r.text, LoadResString(ids::kNoPrinterSession)) << id;
    }
}

// Each toggle saves at once; the file then holds the four keys as the buttons show them, and
// no other line of the file changed.
TEST(MainFrameModel, OptionTogglesSaveOnlyTheirKeys)
{
    struct Step {
        int id;
        int origin, strip, skip, flash;  // the keys in the file afterwards
    };
    const Step steps[] = {
        {cmd::kOptionOrigin, 1, 0, 0, 0},    {cmd::kOptionSkipBlank, 1, 0, 1, 0},
        {cmd::kOptionStrip, 1, 1, 0, 0},     {cmd::kOptionSkipBlank, 1, 0, 1, 0},
        {cmd::kOptionSkipBlank, 1, 0, 0, 0}, {cmd::kOptionAutoFlash, 1, 0, 0, 1},
        {cmd::kOptionOrigin, 0, 0, 0, 1},    {cmd::kOptionStrip, 0, 1, 0, 1},
        {cmd::kOptionStrip, 0, 0, 0, 1},
    };
    FrameRig rig;
    for (const char* key : {"Origin", "Strip", "IgnoreBlank", "AutoFlash"}) {
        rig.cfg.Set("P", key, "0");
    }
    ASSERT_TRUE(rig.cfg.config.LoadConfig());
    // A first save writes the keys the fixture leaves out; from then on only the options move.
    ASSERT_TRUE(rig.cfg.config.SaveConfig());
    const auto lines = [&rig] {
        std::multiset<std::string> out;
        std::string text = rig.cfg.FileText();
        size_t start = 0;
        for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
            const std::string line = text.substr(start, nl - start);
            const std::string key = line.substr(0, line.find('='));
            if (key != "Origin" && key != "Strip" && key != "IgnoreBlank" && key != "AutoFlash") {
                out.insert(line);
            }
        }
        return out;
    };
    const auto others = lines();
    for (const Step& s : steps) {
        SCOPED_TRACE(s.id);
        EXPECT_EQ(rig.model->Execute(s.id).action, A::None);
        EXPECT_EQ(rig.cfg.Get("P", "Origin"), std::to_string(s.origin));
        EXPECT_EQ(rig.cfg.Get("P", "Strip"), std::to_string(s.strip));
        EXPECT_EQ(rig.cfg.Get("P", "IgnoreBlank"), std::to_string(s.skip));
        EXPECT_EQ(rig.cfg.Get("P", "AutoFlash"), std::to_string(s.flash));
        const UiSnapshot snap = rig.model->Snapshot();
        EXPECT_EQ(snap.origin, s.origin == 1);
        EXPECT_EQ(snap.strip, s.strip == 1);
        EXPECT_EQ(snap.skipBlank, s.skip == 1);
        EXPECT_EQ(snap.autoFlash, s.flash == 1);
        EXPECT_EQ(lines(), others);
    }
}

// A save that fails is reported with its reason, and the button keeps what the file holds.
TEST(MainFrameModel, FailedOptionSaveIsReported)
{
    FrameRig rig(1, /*load=*/false);
    const std::string before = rig.cfg.FileText();
    const ViewRequest r = rig.model->Execute(cmd::kOptionStrip);
    EXPECT_EQ(r.action, A::Message);
    EXPECT_NE(r.text.find(rig.cfg.config.SaveErrorText()), std::string::npos);
    EXPECT_FALSE(rig.cfg.config.SaveErrorText().empty());
    EXPECT_FALSE(rig.model->Option(cmd::kOptionStrip));
    EXPECT_EQ(rig.cfg.FileText(), before);
}

// Side-bar items are found by their index in the folder as built, not by their texts; the
// items that only show a word exist only while the printer does not talk back.
TEST(MainFrameModel, SideBarRoutesByItem)
{
    struct Case {
        int intercommunication;
        int folder, index;
        S before;
        A action;
        S after;
        std::string text;
        std::vector<uint8_t> sent;
    };
    const std::string word = LoadResString(ids::kSideBidirectional);
    const std::string angle = LoadResString(ids::kSideAngle);
    const Case cases[] = {
        {1, 0, 0, S::Ready, A::PrintSelected, S::Ready, "", {}},
        {1, 0, 1, S::Printing, A::None, S::CancelRequested, "", {}},
        {1, 0, 3, S::Printing, A::None, S::PauseRequested, "", {}},
        {1, 0, 4, S::PauseRequested, A::None, S::ResumeRequested, "", {wire::cmd::kResumePrint}},
        {1, 1, 0, S::Ready, A::Message, S::Ready, NotYet(), {}},  // horizontal test
        {0, 1, 2, S::Ready, A::Message, S::Ready, word, {}},      // bidirectional
        {0, 1, 7, S::Ready, A::Message, S::Ready, angle, {}},
        {1, 1, 7, S::Ready, A::Message, S::Ready, NotYet(), {}},  // no eighth item
        {1, 2, 0, S::Ready, A::None, S::Ready, "", {wire::cmd::kBeamRaise}},
        {1, 2, 1, S::Ready, A::None, S::Ready, "", {wire::cmd::kBeamLower}},
        {1, 2, 2, S::Ready, A::Message, S::Ready, NotYet(), {}},
        {1, 5, 0, S::Ready, A::Message, S::Ready, NotYet(), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.folder << "/" << c.index << " ic " << c.intercommunication);
        FrameRig rig(c.intercommunication);
        rig.session->Machine().BuildGate(1);  // the gate as with replies, for the side effects
        rig.SetState(c.before);
        rig.model->SetSideFolder(c.folder);
        const ViewRequest r = rig.model->ExecuteSideItem(c.folder, c.index);
        EXPECT_EQ(r.action, c.action);
        EXPECT_EQ(r.text, c.text);
        EXPECT_EQ(rig.State(), c.after);
        EXPECT_EQ(rig.SentCodes(), c.sent);
    }
}

// Reset runs the reconnect routine off the UI thread: while printing it sends no reset.
TEST(MainFrameModel, ResetReconnects)
{
    for (const bool printing : {false, true}) {
        SCOPED_TRACE(printing);
        FrameRig rig;
        rig.SetState(printing ? S::Printing : S::Ready);
        EXPECT_EQ(rig.model->Execute(cmd::kReset).action, A::None);
        EXPECT_TRUE(rig.Run([&rig] { return rig.State() == S::Starting; }, false));
        rig.model.reset();  // joins the routine
        const auto codes = rig.SentCodes();
        EXPECT_EQ(std::count(codes.begin(), codes.end(), wire::cmd::kReset), printing ? 0 : 1);
    }
}

// The language switch: the language in use is a no-op in any state; another one is refused
// while the printer works or a dialog is open, otherwise saved, and the program's own file is
// started again after the close sequence.
TEST(MainFrameModel, LanguageSwitch)
{
    struct Case {
        int id;
        S state;
        bool dialog;
        A action;
        int busyText;  // the message's id, 0 for none
        std::string savedLanguage;
    };
    const Case cases[] = {
        {cmd::kChinese, S::Printing, false, A::None, 0, "0"},
        {cmd::kChinese, S::Ready, true, A::None, 0, "0"},
        {cmd::kEnglish, S::Printing, false, A::Message, ids::kLanguageBusy, "0"},
        {cmd::kEnglish, S::Flash, false, A::Message, ids::kLanguageBusy, "0"},
        {cmd::kEnglish, S::Ready, true, A::Message, ids::kCloseDialogOpen, "0"},
        {cmd::kEnglish, S::Ready, false, A::Restart, 0, "1"},
        {cmd::kEnglish, S::Offline, false, A::Restart, 0, "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " state " << static_cast<int>(c.state));
        FrameRig rig;
        rig.SetState(c.state);
        if (c.dialog) {
            rig.model->DialogOpened();
        }
        const ViewRequest r = rig.model->Execute(c.id);
        EXPECT_EQ(r.action, c.action);
        if (c.busyText != 0) {
            EXPECT_EQ(r.text, LoadResString(c.busyText));
        }
        EXPECT_EQ(rig.cfg.Get("SYSTEM", "Language"), c.savedLanguage);
        const bool restarts = c.action == A::Restart;
        EXPECT_EQ(rig.model->ShutDown(), restarts);
        EXPECT_EQ(rig.dispatcher.IsClosed(), restarts);
        if (restarts) {
            EXPECT_EQ(r.path, std::filesystem::canonical("/proc/self/exe"));
            EXPECT_LT(rig.session->Device().SendCommand(wire::op::kBeamRaise, -1), 0);
        }
    }
}

// One close rule for the menu, the window's button and the language switch: refused while the
// printer works or a dialog is open; otherwise the poll thread stops, the job and preview
// threads are joined and the dispatcher closes.
TEST(MainFrameModel, CloseRule)
{
    for (int state = 0; state <= 13; ++state) {
        for (const bool dialog : {false, true}) {
            for (const bool byMenu : {false, true}) {
                SCOPED_TRACE(testing::Message() << state << " dialog " << dialog);
                FrameRig rig;
                rig.SetState(static_cast<S>(state));
                if (dialog) {
                    rig.model->DialogOpened();
                }
                const ViewRequest r =
                    byMenu ? rig.model->Execute(cmd::kExit) : rig.model->RequestClose();
                const bool idle = state <= 2;
                if (idle && !dialog) {
                    EXPECT_EQ(r.action, A::Close);
                    // The printer is released.
                    EXPECT_LT(rig.session->Device().SendCommand(wire::op::kBeamRaise, -1), 0);
                    EXPECT_TRUE(rig.dispatcher.IsClosed());
                    EXPECT_EQ(rig.previewJoins, 1);
                    EXPECT_EQ(rig.model->Execute(cmd::kFlash).action, A::None);
                } else {
                    EXPECT_EQ(r.action, A::Message);
                    EXPECT_EQ(r.text,
                              LoadResString(idle ? ids::kCloseDialogOpen : ids::kCloseBusy));
                    EXPECT_EQ(rig.session->Device().SendCommand(wire::op::kBeamRaise, -1), 1);
                    EXPECT_FALSE(rig.dispatcher.IsClosed());
                    EXPECT_EQ(rig.previewJoins, 0);
                }
            }
        }
    }
    // With the poll thread running: the close stops it within its bound.
    FrameRig polled;
    ASSERT_TRUE(polled.session->StartPolling());
    ASSERT_TRUE(polled.Run([&polled] { return polled.State() == S::Ready; }, false));
    EXPECT_EQ(polled.model->RequestClose().action, A::Close);
    EXPECT_TRUE(polled.session->Poller().StopPolling());
    EXPECT_TRUE(polled.dispatcher.IsClosed());

    FrameRig rig;
    rig.model->DialogOpened();
    rig.model->DialogOpened();
    rig.model->DialogClosed();
    EXPECT_EQ(rig.model->RequestClose().action, A::Message);
    rig.model->DialogClosed();
    EXPECT_EQ(rig.model->RequestClose().action, A::Close);
}

// Storing and restoring the calibration block on the virtual printer tell the operator how it
// went: stored, not stored, restored, not answered, unreadable, or not available yet.
TEST(MainFrameModel, CalibrationStoreAndRestoreOutcomes)
{
    struct Case {
        const char* name;
        bool codec;
        std::vector<uint8_t> block;  // what the program stores first
        bool poll;                   // the replies are read
        int storeText, restoreText;
    };
    const Case cases[] = {
        {"round trip", true, {9, 8, 7, 6}, true, ids::kCaliStored, ids::kCaliRestored},
        {"no answer", true, {9, 8, 7, 6}, false, ids::kCaliStored, ids::kCaliNoAnswer},
        {"unreadable block", true, {5}, true, ids::kCaliStored, ids::kCaliUnreadable},
        {"block too big", true, std::vector<uint8_t>(511, 1), true, ids::kCaliNotStored,
         ids::kCaliUnreadable},
        {"no codec", false, {1, 2}, true, ids::kNotAvailableYet, ids::kNotAvailableYet},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameRig rig;
        std::vector<uint8_t> applied;
        if (c.codec) {
            CalibrationCodec codec = FixedBlock(c.block, &applied);
            if (c.block.size() > 510) {
                codec.build = [](std::array<uint8_t, 510>&) { return -1; };
            }
            rig.model->SetCalibrationCodec(codec);
        }
        rig.model->SetCalibrationReplyLimit(c.poll ? 5000 : 50);
        const ViewRequest stored = rig.model->Execute(cmd::kStoreCali);
        EXPECT_EQ(stored.action, A::Message);
        EXPECT_EQ(stored.text, LoadResString(c.storeText));
        if (c.storeText == ids::kCaliStored) {
            EXPECT_EQ(rig.printer->CalibrationBlock(), c.block);
        } else {
            EXPECT_TRUE(rig.printer->CalibrationBlock().empty());
        }

        const ViewRequest asked = rig.model->Execute(cmd::kRestoreCali);
        if (!c.codec) {
            EXPECT_EQ(asked.text, LoadResString(ids::kNotAvailableYet));
            continue;
        }
        EXPECT_EQ(asked.action, A::Ask);
        EXPECT_EQ(asked.text, LoadResString(ids::kAskOverwriteCali));
        // No: nothing is requested.
        rig.printer->ClearCommands();
        EXPECT_EQ(rig.model->Answer(cmd::kRestoreCali, false).action, A::None);
        EXPECT_TRUE(rig.SentCodes().empty());

        EXPECT_EQ(rig.model->Answer(cmd::kRestoreCali, true).action, A::None);
        EXPECT_EQ(rig.SentCodes(), std::vector<uint8_t>{wire::cmd::kRequestCalibration});
        ASSERT_TRUE(rig.Run([&rig] { return !rig.late.empty(); }, c.poll));
        ASSERT_EQ(rig.late.size(), 1U);
        const std::string expected = c.restoreText == ids::kCaliNoAnswer
                                         ? FormatResString(ids::kCaliNoAnswer, {"1"})
                                         : LoadResString(c.restoreText);
        EXPECT_EQ(rig.late[0].text, expected);
        if (c.restoreText == ids::kCaliRestored) {
            EXPECT_EQ(applied, c.block);
        }
    }
}

// The language switch frees the single-instance lock before it asks for the restart, so that
// the new start becomes the running instance instead of raising this one.
TEST(MainFrameModel, RestartFreesTheInstanceLock)
{
    ConfigFixture cfg;
    ASSERT_TRUE(cfg.config.LoadConfig());
    CUiDispatcher dispatcher;
    CSingleInstance instance(cfg.dir.Path(), "frame-test");
    ASSERT_EQ(instance.Acquire(), CSingleInstance::Result::First);
    CMainFrameModel model(
        MainFrameEnv{.config = cfg.config, .dispatcher = dispatcher, .instance = &instance});
    CSingleInstance second(cfg.dir.Path(), "frame-test");
    const ViewRequest r = model.Execute(cmd::kEnglish);
    ASSERT_EQ(r.action, A::Restart);
    EXPECT_FALSE(instance.Held());
    EXPECT_EQ(second.Acquire(), CSingleInstance::Result::First);
}

}  // namespace tavolux::test
