// The command table.
#include "uimodel/Commands.h"

#include <algorithm>

#include "device/MachineState.h"
#include "res/StringIds.h"

namespace tavolux {

namespace {

using K = CommandKind;
using M = MenuId;
using F = SideFolder;

std::vector<CommandRow> BuildTable()
{
    using namespace cmd;
    using namespace ids;
    return {
        // File
        {.id = kOpen,
         .textId = kCmdOpen,
         .ctrlKey = 'O',
         .menu = M::File,
         .toolBarPos = 0,
         .icon = "open"},
        {.id = kSaveTasks,
         .textId = kCmdSaveTasks,
         .ctrlKey = 'S',
         .menu = M::File,
         .toolBarPos = 1,
         .icon = "save"},
        {.id = kUvLamp,
         .textId = kCmdUvLamp,
         .gateOperation = gate::kUvLamp,
         .menu = M::File,
         .separatorBefore = true,
         .toolBarPos = 3,
         .toolBarGroupStart = true,
         .icon = "uv-lamp"},
        {.id = kFrontBeam,
         .textId = kFolderBeam,
         .gateOperation = gate::kSettingsDialog,
         .menu = M::File,
         .folder = F::Beam,
         .sideItem = 2,
         .sideTextId = kItemBeamSettings},
        {.id = kWhiteHead,
         .textId = kCmdWhiteHead,
         .gateOperation = gate::kSettingsDialog,
         .menu = M::File},
        {.id = kSystemSettings,
         .textId = kCmdSystemSettings,
         .menu = M::File,
         .toolBarPos = 2,
         .icon = "settings"},
        {.id = kExit, .textId = kCmdExit, .menu = M::File, .separatorBefore = true},
        // View
        {.id = kToolBar, .textId = kCmdToolBar, .kind = K::BarToggle, .menu = M::View},
        {.id = kSideBar, .textId = kCmdSideBar, .kind = K::BarToggle, .menu = M::View},
        {.id = kStatusBar, .textId = kCmdStatusBar, .kind = K::BarToggle, .menu = M::View},
        {.id = kPreviewAuto,
         .textId = kCmdPreviewAuto,
         .kind = K::Preview,
         .menu = M::View,
         .separatorBefore = true},
        {.id = kPreviewSource, .textId = kCmdPreviewSource, .kind = K::Preview, .menu = M::View},
        {.id = kPreviewSketch, .textId = kCmdPreviewSketch, .kind = K::Preview, .menu = M::View},
        {.id = kPreviewRough, .textId = kCmdPreviewRough, .kind = K::Preview, .menu = M::View},
        // Print. Ctrl+P and Ctrl+C are bound here but shadowed by the standard print and copy.
        {.id = kPrint,
         .textId = kItemPrint,
         .gateOperation = gate::kPrint,
         .ctrlKey = 'P',
         .menu = M::Print,
         .folder = F::Print,
         .sideItem = 0,
         .sideTextId = kItemPrint},
        {.id = kCancel,
         .textId = kItemCancel,
         .gateOperation = gate::kCancel,
         .ctrlKey = 'C',
         .menu = M::Print,
         .folder = F::Print,
         .sideItem = 1,
         .sideTextId = kItemCancel},
        {.id = kReset,
         .textId = kItemReset,
         .gateOperation = gate::kReset,
         .ctrlKey = 'R',
         .menu = M::Print,
         .folder = F::Print,
         .sideItem = 2,
         .sideTextId = kItemReset},
        {.id = kPause,
         .textId = kItemPause,
         .gateOperation = gate::kPause,
         .ctrlKey = 'H',
         .menu = M::Print,
         .folder = F::Print,
         .sideItem = 3,
         .sideTextId = kItemPause},
        {.id = kResume,
         .textId = kItemResume,
         .gateOperation = gate::kResume,
         .ctrlKey = 'K',
         .menu = M::Print,
         .folder = F::Print,
         .sideItem = 4,
         .sideTextId = kItemResume},
        // Test
        {.id = kHoriTest,
         .textId = kItemHoriTest,
         .menu = M::Test,
         .folder = F::Test,
         .sideItem = 0,
         .sideTextId = kItemHoriTest},
        {.id = kVerticalTest, .textId = kCmdVerticalTest, .menu = M::Test},
        {.id = kStepTest,
         .textId = kItemStepTest,
         .menu = M::Test,
         .folder = F::Test,
         .sideItem = 1,
         .sideTextId = kItemStepTest},
        {.id = kBidiTest,
         .textId = kItemBidiTest,
         .kind = K::NoHandler,
         .menu = M::Test,
         .folder = F::Test,
         .sideItem = 2,
         .sideTextId = kItemBidiTest,
         .sideShown = SideShown::WithoutReplies,
         .sideWordId = kSideBidirectional},
        {.id = kNozzleCheck,
         .textId = kItemNozzleState,
         .gateOperation = gate::kPrint,
         .menu = M::Test,
         .separatorBefore = true,
         .folder = F::Test,
         .sideItem = 3,
         .sideTextId = kItemNozzleState},
        {.id = kVerticalCheck,
         .textId = kItemVerCheck,
         .gateOperation = gate::kPrint,
         .menu = M::Test,
         .folder = F::Test,
         .sideItem = 4,
         .sideTextId = kItemVerCheck},
        {.id = kHeadOffsetCheck,
         .textId = kItemHeadSkew,
         .gateOperation = gate::kPrint,
         .menu = M::Test,
         .folder = F::Test,
         .sideItem = 5,
         .sideTextId = kItemHeadSkew},
        {.id = kPlatformCheck,
         .textId = kItemPlatformLevel,
         .gateOperation = gate::kPrint,
         .menu = M::Test,
         .folder = F::Test,
         .sideItem = 6,
         .sideTextId = kItemPlatformLevel},
        {.id = kAngleCalibration,
         .textId = kItemAngleTest,
         .kind = K::NoHandler,
         .menu = M::Test,
         .folder = F::Test,
         .sideItem = 7,
         .sideTextId = kItemAngleTest,
         .sideShown = SideShown::WithoutReplies,
         .sideWordId = kSideAngle},
        {.id = kHeadSlantCheck,
         .textId = kCmdHeadSlant,
         .gateOperation = gate::kPrint,
         .menu = M::Test},
        {.id = kExportCali, .textId = kCmdExportCali, .menu = M::Test, .separatorBefore = true},
        {.id = kImportCali, .textId = kCmdImportCali, .menu = M::Test},
        {.id = kStoreCali,
         .textId = kCmdStoreCali,
         .gateOperation = gate::kSaveCalibration,
         .menu = M::Test},
        {.id = kRestoreCali,
         .textId = kCmdRestoreCali,
         .gateOperation = gate::kRestoreCalibration,
         .menu = M::Test},
        // Clean
        {.id = kFlash,
         .textId = kStateFlash,
         .gateOperation = gate::kFlash,
         .ctrlKey = 'L',
         .menu = M::Clean,
         .toolBarPos = 4,
         .icon = "flash"},
        {.id = kFlashReturn,
         .textId = kCmdFlashReturn,
         .gateOperation = gate::kFlashReturn,
         .ctrlKey = 'B',
         .menu = M::Clean,
         .toolBarPos = 5,
         .icon = "flash-return"},
        {.id = kSingleClean,
         .textId = kCmdSingleClean,
         .gateOperation = gate::kClean,
         .menu = M::Clean,
         .toolBarPos = 6,
         .icon = "clean"},
        // System
        {.id = kLogin, .textId = kCmdLogin, .menu = M::System},
        {.id = kVoltage, .textId = kCmdVoltage, .menu = M::System},
        {.id = kChinese, .textId = kCmdChinese, .kind = K::Language, .menu = M::Language},
        {.id = kEnglish, .textId = kCmdEnglish, .kind = K::Language, .menu = M::Language},
        {.id = kHelp,
         .textId = kCmdHelp,
         .menu = M::System,
         .separatorBefore = true,
         .toolBarPos = 15,
         .toolBarGroupStart = true,
         .icon = "help"},
        {.id = kAbout, .textId = kCmdAbout, .menu = M::System},
        // Tool bar only: jogging, the options and the button without a function.
        {.id = kJogUp,
         .textId = kCmdJogUp,
         .gateOperation = gate::kMove,
         .kind = K::Jog,
         .holdKey = kKeyUp,
         .toolBarPos = 7,
         .toolBarGroupStart = true,
         .icon = "go-up"},
        {.id = kJogDown,
         .textId = kCmdJogDown,
         .gateOperation = gate::kMove,
         .kind = K::Jog,
         .holdKey = kKeyDown,
         .toolBarPos = 8,
         .icon = "go-down"},
        {.id = kJogLeft,
         .textId = kCmdJogLeft,
         .gateOperation = gate::kMove,
         .kind = K::Jog,
         .holdKey = kKeyLeft,
         .toolBarPos = 9,
         .icon = "go-left"},
        {.id = kJogRight,
         .textId = kCmdJogRight,
         .gateOperation = gate::kMove,
         .kind = K::Jog,
         .holdKey = kKeyRight,
         .toolBarPos = 10,
         .icon = "go-right"},
        {.id = kOptionOrigin,
         .textId = kOriginPrint,
         .kind = K::Option,
         .toolBarPos = 11,
         .toolBarGroupStart = true,
         .icon = "option-origin"},
        {.id = kOptionStrip,
         .textId = kColorStrip,
         .kind = K::Option,
         .toolBarPos = 12,
         .icon = "option-strip"},
        {.id = kOptionSkipBlank,
         .textId = kSkipBlank,
         .kind = K::Option,
         .toolBarPos = 13,
         .icon = "option-skip-blank"},
        {.id = kOptionAutoFlash,
         .textId = kAutoFlash,
         .kind = K::Option,
         .toolBarPos = 14,
         .icon = "option-auto-flash"},
        {.id = kUnassigned,
         .textId = kCmdUnassigned,
         .kind = K::NoHandler,
         .toolBarPos = 16,
         .icon = "unassigned"},
        // Side bar only: the front beam.
        {.id = kBeamRaise,
         .textId = kItemBeamRaise,
         .folder = F::Beam,
         .sideItem = 0,
         .sideTextId = kItemBeamRaise},
        {.id = kBeamLower,
         .textId = kItemBeamLower,
         .folder = F::Beam,
         .sideItem = 1,
         .sideTextId = kItemBeamLower},
    };
}

}  // namespace

const std::vector<CommandRow>& CommandTable()
{
    static const std::vector<CommandRow> table = BuildTable();
    return table;
}

const CommandRow* FindCommand(int id)
{
    const auto& table = CommandTable();
    auto it = std::find_if(table.begin(), table.end(),
                           [id](const CommandRow& row) { return row.id == id; });
    return it == table.end() ? nullptr : &*it;
}

int PreviewModeOf(int id)
{
    switch (id) {
        case cmd::kPreviewAuto:
            return 0;
        case cmd::kPreviewSource:
            return 2;
        case cmd::kPreviewSketch:
            return 4;
        case cmd::kPreviewRough:
            return 8;
        default:
            return -1;
    }
}

std::string_view LanguageNameOf(int id)
{
    switch (id) {
        case cmd::kChinese:
            return "CHS";
        case cmd::kEnglish:
            return "ENU";
        default:
            return {};
    }
}

}  // namespace tavolux
