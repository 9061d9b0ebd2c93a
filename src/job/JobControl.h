// The operator's pause, resume and cancel of a running job, without any user interface: each
// goes through the machine state's gate, which the job consults between passes.
#pragma once

namespace tavolux {

class CDeviceUSB;
class CMachineState;

// True when the request was accepted (the state allowed it).
bool RequestPause(CMachineState& machine);
// Also tells the printer to go on.
bool RequestResume(CMachineState& machine, CDeviceUSB& device);
bool RequestCancel(CMachineState& machine);

}  // namespace tavolux
