// A temporary folder per test, removed afterwards, and a UI facade that records instead of
// showing or exiting.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/UiFacade.h"

namespace tavolux::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    // Writes text to a file in the folder and returns its path.
    std::filesystem::path Write(const std::string& name, const std::string& text) const;
    std::string Read(const std::string& name) const;

private:
    std::filesystem::path m_path;
};

class RecordingUi final : public CConsoleUiFacade {
public:
    RecordingUi() { SetUi(this); }
    ~RecordingUi() override { SetUi(nullptr); }
    void ShowMessage(const std::string& text, MessageIcon) override { messages.push_back(text); }
    void ExitProgram(int code) override { exitCodes.push_back(code); }
    std::vector<std::string> messages;
    std::vector<int> exitCodes;
};

}  // namespace tavolux::test
