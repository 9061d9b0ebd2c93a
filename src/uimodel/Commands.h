// The operator's commands: one row per command with everything the menus, tool bar, accelerators
// and side bar are built from, so that each of them finds a command by its id, never by position.
#pragma once

#include <string_view>
#include <vector>

namespace tavolux {

// Command ids. The numbers are those the printer's operators and service notes know.
namespace cmd {
enum : int {
    kOpen = 57601,
    kSaveTasks = 32873,
    kUvLamp = 32892,
    kFrontBeam = 32896,
    kWhiteHead = 32898,
    kSystemSettings = 57606,  // opens the print settings dialog
    kExit = 57665,
    kToolBar = 59392,
    kSideBar = 32819,
    kStatusBar = 32821,
    kPreviewAuto = 32828,
    kPreviewSource = 32814,
    kPreviewSketch = 32812,
    kPreviewRough = 32813,
    kPrint = 32778,
    kCancel = 32779,
    kReset = 32784,
    kPause = 32829,
    kResume = 32830,
    kHoriTest = 32789,
    kVerticalTest = 32890,
    kStepTest = 32788,
    kBidiTest = 32787,
    kNozzleCheck = 32791,
    kVerticalCheck = 32790,
    kHeadOffsetCheck = 32878,
    kPlatformCheck = 32875,
    kAngleCalibration = 32876,
    kHeadSlantCheck = 32894,
    kExportCali = 32885,
    kImportCali = 32886,
    kStoreCali = 32865,
    kRestoreCali = 32866,
    kFlash = 32792,
    kFlashReturn = 32870,
    kSingleClean = 32863,
    kLogin = 32868,
    kVoltage = 32900,
    kChinese = 32809,
    kEnglish = 32810,
    kHelp = 57667,
    kAbout = 57664,
    kJogUp = 32780,
    kJogDown = 32781,
    kJogLeft = 32782,
    kJogRight = 32783,
    kOptionOrigin = 32854,
    kOptionStrip = 32851,
    kOptionSkipBlank = 32869,
    kOptionAutoFlash = 32852,
    kUnassigned = 32874,  // a tool-bar button without a function, always disabled
    // The side bar's beam buttons have no menu entry; they get ids of their own.
    kBeamRaise = 32950,
    kBeamLower = 32951,
};

// Commands of the toolkit's own standard set that the accelerator table binds before ours.
inline constexpr int kStdPrint = 57607;
inline constexpr int kStdCopy = 57634;
}  // namespace cmd

// The main menus, in the menu bar's order; Language is the submenu inside System.
enum class MenuId { None, File, View, Print, Test, Clean, System, Language };

// The side bar's folders, numbered as the side bar's folder-change notice numbers them.
enum class SideFolder { None = -1, Print = 0, Test = 1, Beam = 2 };

// When a side-bar item is shown.
enum class SideShown {
    Always,
    WithoutReplies,  // only when the printer does not talk back (Intercommunication < 1)
};

// How a command is updated on the menu and tool bar.
enum class CommandKind {
    Plain,      // a command
    BarToggle,  // shows or hides a bar, with a check mark
    Preview,    // one of the preview modes, a radio item
    Language,   // a language, checked when current
    Option,     // a tool-bar check button writing a configuration key
    Jog,        // a press-and-hold move; the plain command does nothing
    NoHandler,  // shown but always disabled
};

// Keys of accelerators and jogging: a capital letter, or one of the arrows.
enum Key : int { kKeyNone = 0, kKeyUp = 0x100, kKeyDown, kKeyLeft, kKeyRight };

struct CommandRow {
    int id = 0;
    int textId = 0;          // menu text and tool-bar tip
    int gateOperation = -1;  // the gate operation it asks for, -1 for none
    CommandKind kind = CommandKind::Plain;
    int ctrlKey = kKeyNone;                // Ctrl + this letter in the accelerator table
    int holdKey = kKeyNone;                // the arrow key that jogs while held
    MenuId menu = MenuId::None;            // the menu it appears in
    bool separatorBefore = false;          // a menu separator precedes it
    int toolBarPos = -1;                   // position on the tool bar from 0, -1 when absent
    bool toolBarGroupStart = false;        // a tool-bar separator precedes it
    std::string_view icon{};               // icon name of the tool-bar button
    SideFolder folder = SideFolder::None;  // the side-bar folder it appears in
    int sideItem = -1;                     // its index in that folder
    int sideTextId = 0;                    // the side-bar label
    SideShown sideShown = SideShown::Always;
    int sideWordId = 0;  // a side-bar item that only shows this word in a message box, or 0
};

// All rows, in menu order within each menu.
const std::vector<CommandRow>& CommandTable();

// The row of an id, null when the id is no command.
const CommandRow* FindCommand(int id);

// The preview mode a preview command selects (0, 2, 4, 8), -1 for other commands.
int PreviewModeOf(int id);
// The language name a language command selects ("CHS", "ENU"), empty for other commands.
std::string_view LanguageNameOf(int id);

}  // namespace tavolux
