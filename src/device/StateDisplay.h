// Where the machine state's texts go: the state line of the main window (or the CLI's output).
#pragma once

#include <string>

namespace tavolux {

class IStateDisplay {
public:
    virtual ~IStateDisplay() = default;
    // Shows text as the state line and clears any notice. May be called from any thread.
    virtual void SetState(const std::string& text) = 0;
    // Shows text as a notice for one second below the state line. Any thread.
    virtual void ShowNotice(const std::string& text) = 0;
};

}  // namespace tavolux
