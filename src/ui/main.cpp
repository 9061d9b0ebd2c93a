// tavolux: the operator's desktop program.
#include <iostream>
#include <string>
#include <vector>

#include <wx/app.h>

#include "config/PrinterConfig.h"
#include "platform/ProgramDir.h"
#include "platform/SingleInstance.h"
#include "res/Language.h"
#include "res/StringIds.h"
#include "res/StringTable.h"
#include "ui/App.h"

namespace {

// The configured language, so that a message before the window opens is in it too.
void ApplyConfiguredLanguage(const std::filesystem::path& dir)
{
    tavolux::CPrinterConfig config(dir);
    config.LoadConfig();
    tavolux::ApplyLanguageRule(config.LanguageName(), tavolux::SystemDefaultLanguageId(), dir);
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace tavolux;
    const std::vector<std::string> args(argv + 1, argv + argc);
    ui::StartOptions options;
    std::string error;
    if (!ui::ParseStartOptions(args, options, error)) {
        ApplyConfiguredLanguage(GetProgramDir());
        // The message was made before the language was known: make it again.
        ui::StartOptions ignored;
        ui::ParseStartOptions(args, ignored, error);
        std::cerr << "tavolux: " << error << std::endl;
        return 2;
    }
    // An installed program makes the user's own folder on its first start.
    std::string notSeeded;
    const bool seeded = !options.programDir.empty() || PrepareProgramDir(notSeeded);
    ApplyConfiguredLanguage(options.programDir.empty() ? GetProgramDir() : options.programDir);
    if (!seeded) {
        // The window then says that the folder has no configuration.
        std::cerr << "tavolux: "
                  << FormatResString(ids::kUserConfigNotSeeded,
                                     {GetProgramDir().string(), notSeeded})
                  << std::endl;
    }

    std::unique_ptr<CSingleInstance> instance;
    std::string why;
    const std::filesystem::path lockDir = CSingleInstance::DefaultDir(&why);
    if (!lockDir.empty()) {
        instance =
            std::make_unique<CSingleInstance>(lockDir, CSingleInstance::InstanceName("tavolux"));
        switch (instance->Acquire()) {
            case CSingleInstance::Result::First:
                break;
            case CSingleInstance::Result::RaisedOther:
                return 0;
            case CSingleInstance::Result::OtherNotAnswering:
                std::cerr << "tavolux: " << LoadResString(ids::kUiOtherNotAnswering) << std::endl;
                return 1;
            case CSingleInstance::Result::Failed:
                why = instance->Error();
                instance.reset();
                break;
        }
    }
    if (!instance) {
        // Without the check the program still runs; the operator learns why it could not.
        std::cerr << "tavolux: " << FormatResString(ids::kUiInstanceFailed, {why}) << std::endl;
    }
    wxApp::SetInstance(new ui::CTavoluxApp(options, std::move(instance)));
    return wxEntry(argc, argv);
}
