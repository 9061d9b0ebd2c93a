// Drives the real desktop program from a test, by command id, so that a test checks what the
// windows show without including the toolkit itself. UI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/Startup.h"
#include "uimodel/JogController.h"
#include "uimodel/MenuModel.h"

namespace tavolux {
class CTaskList;
class CPrinterConfig;
class CPrinterSession;
class CUiDispatcher;
}  // namespace tavolux

namespace tavolux::ui::driver {

// Starts the toolkit with the program's application object (no main window yet); false when
// there is no display. StopToolkit ends it.
bool StartToolkit(int& argc, char** argv);
void StopToolkit();

// Opens the main window as the program does; false when it did not open.
bool StartMainFrame(const StartOptions& options);
// True while the main window exists.
bool MainFrameAlive();

CPrinterSession& Session();
const CPrinterConfig& Config();
std::shared_ptr<sim::CVirtualPrinter> VirtualPrinter();
CUiDispatcher& Dispatcher();
UiSnapshot Snapshot();

// Runs the UI (events, idle work, pending deletions) until condition holds or seconds passed.
bool WaitFor(const std::function<bool()>& condition, int seconds = 20);

// Sends the menu event of a command to the main window, as choosing its menu item does.
void SendCommand(int command);

struct MenuItemView {
    int command = 0;
    std::string label;  // the text without mnemonics and accelerator
    bool enabled = false;
    bool checkable = false;
    bool checked = false;
};
// The menu bar's titles as given (mnemonic marks included), in order.
std::vector<std::string> MenuTitles();
// Every command item of the menu bar, submenus walked, after the menus' update handlers ran.
std::vector<MenuItemView> MenuItems();

struct ToolView {
    int command = 0;  // 0 for a separator
    bool toggle = false;
    bool hasIcon = false;
};
std::vector<ToolView> Tools();

// Sends the tool bar's click of a command to the main window.
void SendTool(int command);
// Sends an arrow key's key-down (auto-repeat: send it again) or key-up to the window that has
// the keyboard focus in the main window (the window itself when none has).
void SendArrowKey(ArrowKey key, bool down);
// The left mouse button goes down (or up) on the tool bar's jog button of command.
void SendJogButtonMouse(int command, bool down);
// The jog button of command loses the mouse capture it holds.
void SendJogCaptureLost(int command);
// The window with the keyboard focus in the main window loses it to no window of the program.
void SendFocusLost();
// Tells the application that it became active or that another application did.
void SendAppActivation(bool active);
// Sets the machine state as the printer's answers would.
void SetMachineState(MachineState state);
// Closes the main window as its title-bar button does; false when the close was refused.
bool CloseWindow();
// Message boxes and questions go to hook (text shown, true for a question; it returns the
// answer) instead of modal windows, until the hook is cleared with an empty one.
void AnswerMessages(std::function<bool(const std::string& text, bool question)> hook);

bool StatusBarShown();
// The text the state view shows.
std::string StateViewText();

// The task list window.
CTaskList& Tasks();
int TaskRows();
std::string TaskCell(int row, int column);
std::string TaskColumnTitle(int column);
// The size of the thumbnail drawn in the row, 0 x 0 when none is.
std::pair<int, int> TaskThumbnailSize(int row);
// The row the window shows selected, -1 when none.
int TaskSelectedRow();
// Every column at least as wide as its title and its widest cell.
bool TaskColumnsFit();
// The operator clicks the row.
void ClickTaskRow(int row);
struct TaskMenuItem {
    std::string label;
    bool enabled = false;
};
// The row's menu as a right click would open it now.
std::vector<TaskMenuItem> TaskRowMenu();
// Chooses the item of the row's menu with that label; false when there is none.
bool ChooseTaskMenuItem(const std::string& label);
// The operator types text into the copies cell of row; true when the copies were set.
bool TypeTaskCopies(int row, const std::string& text);
// A key pressed in the task list: Delete, or F2 (the copies of the selected row).
enum class TaskKey { Delete, EditCopies };
void SendTaskKey(TaskKey key);
// The editor of the copies cell is open; CloseTaskEditor closes it as it is.
bool TaskCopiesEditorOpen();
void CloseTaskEditor();
// A print job runs.
bool TaskPrinting();
// Opens a main window again after an earlier one of this process closed; false when it did not.
bool StartAnotherMainFrame(const StartOptions& options);

}  // namespace tavolux::ui::driver
