// Pause, resume and cancel as the operator's commands.
#include "job/JobControl.h"

#include "device/DeviceUSB.h"
#include "device/MachineState.h"
#include "device/Protocol.h"

namespace tavolux {

bool RequestPause(CMachineState& machine)
{
    return machine.Gate(gate::kPause);
}

bool RequestResume(CMachineState& machine, CDeviceUSB& device)
{
    if (!machine.Gate(gate::kResume)) {
        return false;
    }
    device.SendCommand(wire::op::kResumePrint, wire::op::kNoArgument);
    return true;
}

bool RequestCancel(CMachineState& machine)
{
    return machine.Gate(gate::kCancel);
}

}  // namespace tavolux
