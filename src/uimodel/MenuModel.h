// The main window's menus, tool bar, accelerators and side bar as data built from the command
// table, and the rule that says, from a snapshot of the program's state, how each item shows.
#pragma once

#include <string>
#include <vector>

#include "device/MachineState.h"
#include "res/StringTable.h"
#include "uimodel/Commands.h"

namespace tavolux {

// The configuration values the menus depend on.
struct MenuVariant {
    int PrintVer = 0;
    int WhiteColorNo = 0;
};

struct MenuNode {
    enum class Kind { Command, Separator, Submenu };
    Kind kind = Kind::Command;
    int id = 0;      // the command (Command) or the submenu's MenuId as a number (Submenu)
    int textId = 0;  // text of the command or the submenu's title
    // True when the printer's version turns the entry into a disabled one for good.
    bool grayed = false;
    std::vector<MenuNode> children{};  // Submenu only
};

struct Menu {
    MenuId menu = MenuId::None;
    int titleId = 0;
    std::vector<MenuNode> items{};
};

// The menu bar after the variants of the printer's version and white heads, by command id.
std::vector<Menu> BuildMenuBar(const MenuVariant& variant);

// The command ids of a menu bar (submenus included), in order; separators left out.
std::vector<int> MenuCommandIds(const std::vector<Menu>& bar);

// What an update rule looks at: a plain copy of the state, taken on the UI thread.
struct UiSnapshot {
    MachineState state = MachineState::Offline;
    int PrintVer = 0;
    int previewMode = 0;                        // 0 automatic, 2 source image, 4 sketch, 8 rough
    UiLanguage language = UiLanguage::Chinese;  // the language the texts are shown in
    bool toolBarShown = true;
    bool sideBarShown = true;
    bool statusBarShown = true;
    bool origin = false;  // the four option buttons
    bool strip = false;
    bool skipBlank = false;
    bool autoFlash = false;
};

struct ItemState {
    bool enabled = true;
    bool checked = false;
    bool radio = false;  // checked shows as a radio mark, not a tick

    bool operator==(const ItemState&) const = default;
};

// How a command shows on the menu and tool bar. The machine state never disables a gated
// command: the gate's refusal tells the operator why it did nothing, a greyed item would not.
ItemState UpdateItem(int id, const UiSnapshot& snapshot);

// One tool-bar entry: a button or a separator (id 0).
struct ToolBarEntry {
    int id = 0;
    bool checkButton = false;  // one of the option buttons, which keeps its checked state
};
std::vector<ToolBarEntry> BuildToolBar();

// A key as pressed with Ctrl: its capital letter.
struct Accelerator {
    int ctrlKey = kKeyNone;
    int command = 0;
};

// The accelerator table in its order of precedence: the toolkit's standard print and copy
// first, then the table's own. The first entry with a key wins.
std::vector<Accelerator> AcceleratorTable();
// The command Ctrl+key reaches: 0 when no entry binds it or when the first binding is to a
// command that has no row (the standard print and copy, which this program does not handle).
int CommandForCtrlKey(int ctrlKey);
// The entries a view installs: every key once, with the command it reaches.
std::vector<Accelerator> EffectiveAccelerators();

// The menu text of a command in the current language, followed by a tab and the Ctrl key that
// reaches it ("Ctrl+O"); a key shadowed by another binding is not shown. Empty for no command.
std::string MenuLabel(int id);

// The command an arrow key jogs with, 0 for other keys.
int JogCommandForKey(int key);

struct SideItem {
    int id = 0;      // the command it routes to
    int textId = 0;  // its label
    int wordId = 0;  // when not 0, the item only shows this word in a message box
};
struct SideFolderModel {
    SideFolder folder = SideFolder::None;
    int titleId = 0;
    std::vector<SideItem> items{};  // in the order of their index in the folder notice
};
std::vector<SideFolderModel> BuildSideBar(int intercommunication);
// The command of the item at index in folder, 0 when there is none.
int SideItemCommand(const std::vector<SideFolderModel>& bar, int folder, int index);

}  // namespace tavolux
