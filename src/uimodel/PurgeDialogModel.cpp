// The cleaning dialog: its controls, the bounded wait for the acknowledgement, and its return.
#include "uimodel/PurgeDialogModel.h"

#include <string>

#include "device/MachineState.h"
#include "device/Operations.h"
#include "device/VemoDeviceInterface.h"
#include "platform/AutoResetEvent.h"
#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

CPurgeDialogModel::CPurgeDialogModel(IDialogControls& controls, CUiDispatcher& dispatcher,
                                     IClock& clock, CMachineState& machine,
                                     CVemoDeviceInterface& device, AutoResetEvent& cleanAck,
                                     int colorNo)
    : CDialogModel(controls, dispatcher, clock),
      m_machine(machine),
      m_device(device),
      m_cleanAck(cleanAck),
      m_colorNo(colorNo)
{
    SetWaitControls({kLongCleaning, kShortCleaning, kReturn});
}

bool CPurgeDialogModel::PassGate(CMachineState& machine)
{
    return machine.Gate(gate::kClean);
}

void CPurgeDialogModel::OnInit()
{
    IDialogControls& c = Controls();
    c.SetTitle(LoadResString(ids::kPurgeTitle));
    c.SetLabel(kLongCleaning, LoadResString(ids::kPurgeLong));
    c.SetLabel(kShortCleaning, LoadResString(ids::kPurgeShort));
    c.SetLabel(kReturn, LoadResString(ids::kPurgeReturn));
    c.SetCheck(kLongCleaning, true);
    c.SetCheck(kShortCleaning, false);
    for (const int id : kColourButtons) {
        c.Enable(id, false);
    }
    c.Enable(kSpareButton, false);
    // Buttons of colours the printer does not have are hidden; the spare one shows only with
    // more than six colours.
    if (m_colorNo <= 6) {
        c.Show(kSpareButton, false);
    }
    if (m_colorNo == 4) {
        c.Show(kColourButtons[4], false);
        c.Show(kColourButtons[5], false);
    }

    c.SetLabel(kStatusText, LoadResString(ids::kCleanWaiting));
    if (!BeginQuery(m_device, wire::op::kStartCleaning, -1, m_cleanAck, kCleanAckLimitMs,
                    [this](bool answered) { Answered(answered); })) {
        c.SetLabel(kStatusText, "");
        c.ShowMessage(LoadResString(ids::kCleanNotSent));
        m_machine.Set(MachineState::Ready);
        c.EndDialog(dialog::kCancel);
    }
}

void CPurgeDialogModel::Answered(bool answered)
{
    IDialogControls& c = Controls();
    c.SetLabel(kStatusText, "");
    if (answered) {
        m_acknowledged = true;
        // The poll thread may have seen the link drop meanwhile: only a machine still waiting
        // for the cleaning goes on to purging.
        if (m_machine.Get() == MachineState::CleaningRequested) {
            m_machine.Set(MachineState::Purging);
        }
        return;
    }
    c.ShowMessage(
        FormatResString(ids::kCleanAckMissing, {std::to_string(kCleanAckLimitMs / 1000)}));
    // Without an answer nothing else could be started until a reset: give the operator the
    // machine back.
    if (m_machine.Get() == MachineState::CleaningRequested) {
        m_machine.Set(MachineState::Ready);
    }
    c.EndDialog(dialog::kCancel);
}

void CPurgeDialogModel::OnCommand(int id)
{
    if (id == kReturn && !IsWaiting()) {
        Return();
    }
}

bool CPurgeDialogModel::OnClose()
{
    return !IsWaiting() && Return();
}

bool CPurgeDialogModel::Return()
{
    const MachineState state = m_machine.Get();
    if (state == MachineState::Purging) {
        m_device.SendCommand(wire::op::kEndPurge, -1);
        m_machine.Set(MachineState::Ready);
        Controls().EndDialog(dialog::kOk);
        return true;
    }
    if (state == MachineState::Offline || state == MachineState::Starting) {
        // No printer to end the cleaning on: keeping the operator in the dialog helps nobody.
        Controls().EndDialog(dialog::kCancel);
        return true;
    }
    Controls().ShowMessage(LoadResString(ids::kPurgePleaseWait));
    return false;
}

}  // namespace tavolux
