// Console facade and the installed-facade pointer.
#include "platform/UiFacade.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace tavolux {

namespace {
CConsoleUiFacade g_consoleUi;
std::atomic<IUiFacade*> g_ui{&g_consoleUi};
}  // namespace

void CConsoleUiFacade::ShowMessage(const std::string& text, MessageIcon /*icon*/)
{
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

bool CConsoleUiFacade::AskYesNo(const std::string& text)
{
    std::fprintf(stderr, "%s [no]\n", text.c_str());
    return false;
}

void CConsoleUiFacade::ReportProgress(int /*percent*/) {}

void CConsoleUiFacade::RunOnUiThread(std::function<void()> work)
{
    if (work) {
        work();
    }
}

bool CConsoleUiFacade::IsUiThread() const
{
    return true;
}

void CConsoleUiFacade::ExitProgram(int code)
{
    std::fflush(stdout);
    std::exit(code);
}

IUiFacade& GetUi()
{
    return *g_ui.load();
}

void SetUi(IUiFacade* ui)
{
    g_ui.store(ui ? ui : &g_consoleUi);
}

}  // namespace tavolux
