// The face of the user interface that the core talks to. The wx program, the CLI and the tests
// each install their own, so the core never touches a window.
#pragma once

#include <functional>
#include <string>

namespace tavolux {

enum class MessageIcon {
    None,         // plain message
    Information,  // informative
    Warning,      // something went wrong but the program goes on
    Error,        // an operation failed
};

class IUiFacade {
public:
    virtual ~IUiFacade() = default;

    // Shows a message with an OK button and returns when the operator has seen it
    // (a non-interactive facade returns at once).
    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;

    // Asks a yes/no question; true for yes.
    virtual bool AskYesNo(const std::string& text) = 0;

    // Reports the progress of a long operation, 0..100.
    virtual void ReportProgress(int percent) = 0;

    // Runs work on the user-interface thread (at once when already there).
    virtual void RunOnUiThread(std::function<void()> work) = 0;

    // True on the user-interface thread.
    virtual bool IsUiThread() const = 0;

    // Ends the program with the exit code. A facade that cannot end the process (a test)
    // records the request and returns; the caller then fails the operation.
    virtual void ExitProgram(int code) = 0;
};

// Writes messages to standard error and answers questions with "no"; the default facade.
class CConsoleUiFacade : public IUiFacade {
public:
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& text) override;
    void ReportProgress(int percent) override;
    void RunOnUiThread(std::function<void()> work) override;
    bool IsUiThread() const override;
    void ExitProgram(int code) override;
};

// The installed facade (a CConsoleUiFacade until another is installed).
IUiFacade& GetUi();
// Installs ui (nullptr restores the console facade). The caller keeps ownership.
void SetUi(IUiFacade* ui);

}  // namespace tavolux
