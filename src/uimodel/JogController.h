// Jogging the carriage and the media by holding an arrow key or a tool-bar arrow button: a move
// starts on the press, and however the hold ends, exactly one stop follows.
#pragma once

#include <cstdint>

namespace tavolux {

class CMachineState;
class CVemoDeviceInterface;

// The four jog commands, as the menu and the tool bar name them.
namespace jog {
inline constexpr int kUp = 32780;
inline constexpr int kDown = 32781;
inline constexpr int kLeft = 32782;
inline constexpr int kRight = 32783;
}  // namespace jog

enum class ArrowKey : uint8_t { Up, Down, Left, Right };

// What is holding the move.
enum class JogInput : uint8_t {
    None = 0,      // nothing held
    Button = 1,    // a tool-bar arrow button
    KeyUp = 2,     // the up arrow key
    KeyDown = 3,   // the down arrow key
    KeyLeft = 4,   // the left arrow key
    KeyRight = 5,  // the right arrow key
};

// Ways a hold is lost without its release ever arriving.
enum class HoldLoss : uint8_t {
    FocusLost,       // the window holding the key lost the keyboard focus
    CaptureLost,     // the mouse capture was taken away (the capture is already gone)
    DialogOpening,   // a modal dialog is about to open
    AppDeactivated,  // another application became active
};

// The window that holds the mouse while a move runs, so that a release outside it is seen.
class IJogCapture {
public:
    virtual ~IJogCapture() = default;
    virtual void CaptureMouse() = 0;
    virtual void ReleaseMouse() = 0;
};

class CJogController {
public:
    // Moves go through machine's gate and out on device; capture may be null (no window).
    // All three must outlive the controller. UI thread only.
    CJogController(CMachineState& machine, CVemoDeviceInterface& device,
                   IJogCapture* capture = nullptr);

    // An arrow key went down (auto-repeat included). Returns true when the key was used here;
    // false when the window should handle it as usual (another input already holds a move).
    bool KeyDown(ArrowKey key);
    // An arrow key came up. True when it ended the hold (or belonged to it).
    bool KeyUp(ArrowKey key);
    // The left mouse button went down on the tool-bar button of command (jog::kUp..kRight).
    // False for another command or when a move is already held.
    bool ButtonPress(int command);
    // The left mouse button came up (anywhere: the capture brings it here).
    void ButtonRelease();
    // The hold was lost some other way: the move ends as on a release.
    void HoldLost(HoldLoss why);

    int CommandUnderConsideration() const { return m_consideration; }
    int MoveInProgress() const { return m_inProgress; }
    JogInput HeldInput() const { return m_held; }
    bool Captured() const { return m_captured; }

    static int CommandOf(ArrowKey key);
    static bool IsJogCommand(int command);
    // The operation that starts the move of a jog command; 0 when command is none.
    static int MoveOperation(int command);

private:
    static JogInput InputOf(ArrowKey key);
    void Start();
    // Sends the stop when a move runs, lets the machine leave the moving state, clears the
    // fields; releaseCapture false when the capture is already gone.
    void End(bool releaseCapture);
    void Clear();

    CMachineState& m_machine;
    CVemoDeviceInterface& m_device;
    IJogCapture* m_capture;
    int m_consideration = 0;  // the jog command a press would start, 0 none
    int m_inProgress = 0;     // the jog command whose move runs, 0 none
    JogInput m_held = JogInput::None;
    bool m_captured = false;
};

}  // namespace tavolux
