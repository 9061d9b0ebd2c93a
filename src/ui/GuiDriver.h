// Drives the real desktop program from a test, by command id, so that a test checks what the
// windows show without including the toolkit itself. UI thread only.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/DibImage.h"
#include "ui/PreviewRunner.h"
#include "ui/Startup.h"
#include "uimodel/DialogModel.h"
#include "uimodel/JogController.h"
#include "uimodel/MenuModel.h"

namespace tavolux {
class CTaskList;
class CPrinterConfig;
class CPrinterSession;
class CTaskList;
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

// The side bar as it shows now.
struct SideBarView {
    bool shown = false;
    int openFolder = -1;
    std::vector<std::string> headers;  // folder titles, in folder order
    std::vector<int> itemCommands;     // the open folder's items, in order
    std::vector<std::string> itemLabels;
    bool itemsHaveIcons = false;  // every item shows an icon
    bool labelsFit = false;       // no header or item is narrower than its label needs
    int width = 0;
};
SideBarView SideBar();
// Clicks the header of the folder at position (0 print, 1 test, 2 front beam), or an item of
// the open folder at index.
void ClickSideBarHeader(int position);
void ClickSideBarItem(int index);

// Runs steps on the UI thread when it next handles events: inside the modal dialog that the
// next command opens (steps may wait with WaitFor), or at the next WaitFor when none opens.
void WhileModal(const std::function<void()>& steps);
// Carries out command as the window does after its menu item, even one the menus keep
// disabled.
void RunCommand(int command);
// The modal dialog open now, if any: whether there is one, its plain texts, whether it shows
// an image, and its close box.
bool ModalDialogOpen();
std::vector<std::string> ModalDialogTexts();
bool ModalDialogHasImage();
void CloseModalDialog();

// A control of the model's dialog open now, by the model's control id.
struct DialogControlView {
    bool exists = false;
    bool enabled = false;
    bool shown = false;
    bool checked = false;
    std::string label;
};
DialogControlView DialogControl(int id);
// Clicks a button of the open model dialog, or chooses a radio button or check box.
void UseDialogControl(int id);

// The language switch starts program instead of this program's own file.
void SetRestartProgram(const std::filesystem::path& program);
// Opens the main window as StartMainFrame does, holding the single-instance lock NAME in
// lockDir as a started program does; false when the lock was not taken or the window did not
// open.
bool StartMainFrameHoldingLock(const StartOptions& options, const std::filesystem::path& lockDir,
                               const std::string& name);

// A dialog window of the program's kind, shown without a modal loop, with one control of the
// given kind under each model id: tests of the control layer that every dialog uses.
enum class ControlKind { Text, Label, Choice, Check, Radio, Button };
IDialogControls& OpenControlsDialog(const std::vector<std::pair<int, ControlKind>>& controls);
// Gives it a model made on OpenControlsDialog's controls.
void SetControlsDialogModel(std::unique_ptr<CDialogModel> model);
// Its close box; whether it ended and with which code; its end.
void CloseControlsDialog();
bool ControlsDialogEnded();
int ControlsDialogEndCode();
void DestroyControlsDialog();

}  // namespace tavolux::ui::driver

namespace tavolux::ui::driver {

// The open dialog is answered by hook (the file chosen, empty for Cancel) until it is cleared.
void AnswerFileDialog(std::function<std::string()> hook);
CTaskList& Tasks();
// A preview is being built, and its progress shows.
bool PreviewBusy();
bool PreviewProgressShown();
// What the preview view shows, as 24-bit rows (blue, green, red); empty when nothing.
DibImage PreviewImage();
// The file, mode and view size of the last preview build started.
PreviewJob LastPreviewJob();
// Preview builds stopped before they finished (by the close sequence). Also right after the
// close, while the closed window waits to be deleted.
int PreviewStoppedBuilds();
// The task list window.
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
