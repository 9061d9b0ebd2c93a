// The single-colour cleaning entry and its cleaning dialog: the printer is asked to clean, the
// dialog waits (without blocking the window) for the printer's acknowledgement within a limit,
// and the operator ends the cleaning with the return button.
#pragma once

#include "uimodel/DialogModel.h"

namespace tavolux {

class AutoResetEvent;
class CMachineState;
class CVemoDeviceInterface;

class CPurgeDialogModel final : public CDialogModel {
public:
    // How long the printer has to acknowledge the cleaning. The acknowledgement comes when the
    // heads are at the station; the virtual printer's mechanics take one second for it.
    static constexpr int kCleanAckLimitMs = 10000;

    // The dialog's controls.
    static constexpr int kColourButtons[] = {1074, 1079, 1093, 1099, 1103, 1107};
    static constexpr int kSpareButton = 1109;
    static constexpr int kLongCleaning = 1111;
    static constexpr int kShortCleaning = 1113;
    static constexpr int kStatusText = 1115;
    static constexpr int kReturn = dialog::kOk;

    // cleanAck is the event the poll thread sets on the printer's acknowledgement; colorNo the
    // configured number of colours. All must outlive the model.
    CPurgeDialogModel(IDialogControls& controls, CUiDispatcher& dispatcher, IClock& clock,
                      CMachineState& machine, CVemoDeviceInterface& device,
                      AutoResetEvent& cleanAck, int colorNo);

    // The command's gate, passed before the dialog opens: false (and the gate's notice shown)
    // when the machine cannot clean now; the dialog is then not opened.
    static bool PassGate(CMachineState& machine);

    // Fills the controls, sends the cleaning command and begins the wait.
    void OnInit() override;
    void OnCommand(int id) override;
    bool OnClose() override;

    // True once the printer acknowledged the cleaning.
    bool Acknowledged() const { return m_acknowledged; }

private:
    void Answered(bool answered);
    // The return button: ends the cleaning when the printer is purging; true when the dialog
    // ends.
    bool Return();

    CMachineState& m_machine;
    CVemoDeviceInterface& m_device;
    AutoResetEvent& m_cleanAck;
    int m_colorNo;
    bool m_acknowledged = false;
};

}  // namespace tavolux
