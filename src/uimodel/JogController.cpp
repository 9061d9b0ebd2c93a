// The press-and-hold state machine of jogging.
#include "uimodel/JogController.h"

#include "device/MachineState.h"
#include "device/Operations.h"
#include "device/VemoDeviceInterface.h"

namespace tavolux {

CJogController::CJogController(CMachineState& machine, CVemoDeviceInterface& device,
                               IJogCapture* capture)
    : m_machine(machine), m_device(device), m_capture(capture)
{
}

int CJogController::CommandOf(ArrowKey key)
{
    switch (key) {
        case ArrowKey::Up:
            return jog::kUp;
        case ArrowKey::Down:
            return jog::kDown;
        case ArrowKey::Left:
            return jog::kLeft;
        case ArrowKey::Right:
            return jog::kRight;
    }
    return 0;
}

JogInput CJogController::InputOf(ArrowKey key)
{
    switch (key) {
        case ArrowKey::Up:
            return JogInput::KeyUp;
        case ArrowKey::Down:
            return JogInput::KeyDown;
        case ArrowKey::Left:
            return JogInput::KeyLeft;
        case ArrowKey::Right:
            return JogInput::KeyRight;
    }
    return JogInput::None;
}

bool CJogController::IsJogCommand(int command)
{
    return command >= jog::kUp && command <= jog::kRight;
}

int CJogController::MoveOperation(int command)
{
    switch (command) {
        case jog::kUp:
            return wire::op::kMoveUp;
        case jog::kDown:
            return wire::op::kMoveDown;
        case jog::kLeft:
            return wire::op::kMoveLeft;
        case jog::kRight:
            return wire::op::kMoveRight;
        default:
            return 0;
    }
}

bool CJogController::KeyDown(ArrowKey key)
{
    if (m_held != JogInput::None) {
        // The held key's own auto-repeat is used up here and sends nothing; any other key is
        // left to the window and starts no second move.
        return m_held == InputOf(key);
    }
    m_consideration = CommandOf(key);
    m_held = InputOf(key);
    Start();
    return true;
}

bool CJogController::KeyUp(ArrowKey key)
{
    const bool keyHolds = m_held >= JogInput::KeyUp && m_held <= JogInput::KeyRight;
    if (!keyHolds || InputOf(key) != m_held) {
        // Another key: the held one still holds the move, and with it the capture.
        return false;
    }
    m_consideration = CommandOf(key);
    End(true);
    return true;
}

bool CJogController::ButtonPress(int command)
{
    if (!IsJogCommand(command) || m_held != JogInput::None) {
        return false;
    }
    m_consideration = command;
    m_held = JogInput::Button;
    Start();
    return true;
}

void CJogController::ButtonRelease()
{
    if (m_held == JogInput::Button) {
        End(true);
    }
}

void CJogController::HoldLost(HoldLoss why)
{
    if (m_held != JogInput::None || m_inProgress != 0 || m_captured) {
        // The release will never come (or come to another window): end the move now.
        End(why != HoldLoss::CaptureLost);
    }
}

void CJogController::Start()
{
    if (m_inProgress != 0 || m_consideration == 0) {
        return;
    }
    const bool fromFlash = m_machine.Get() == MachineState::Flash;
    if (fromFlash) {
        m_machine.SetReturnToFlash(true);
    }
    if (!m_machine.Gate(gate::kMove)) {
        if (fromFlash) {
            m_machine.SetReturnToFlash(false);
        }
        Clear();
        return;
    }
    if (m_capture) {
        m_capture->CaptureMouse();
        m_captured = true;
    }
    m_device.SendCommand(MoveOperation(m_consideration), -1);
    m_inProgress = m_consideration;
}

void CJogController::End(bool releaseCapture)
{
    if (m_captured && releaseCapture && m_capture) {
        m_capture->ReleaseMouse();
    }
    m_captured = false;
    if (m_inProgress != 0) {
        m_device.SendCommand(wire::op::kStopMove, -1);
        m_held = JogInput::None;
        // Only a machine still in the move's state goes back to ready (or flash): a link lost
        // or a reset meanwhile leaves the state the poll thread gave it.
        const MachineState now = m_machine.Get();
        if (now == MachineState::Moving || now == MachineState::Flash) {
            m_machine.EndMove();
        } else {
            m_machine.SetReturnToFlash(false);
        }
    }
    Clear();
}

void CJogController::Clear()
{
    m_consideration = 0;
    m_inProgress = 0;
    m_held = JogInput::None;
}

}  // namespace tavolux
