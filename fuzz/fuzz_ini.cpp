// Fuzzes the .ini reader and the configuration loader with arbitrary file contents.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "config/IniFile.h"
#include "config/PrinterConfig.h"
#include "platform/AtomicFile.h"
#include "platform/UiFacade.h"

namespace {

class FuzzUi final : public tavolux::CConsoleUiFacade {
public:
    void ShowMessage(const std::string&, tavolux::MessageIcon) override {}
    void ExitProgram(int) override {}
};

std::filesystem::path FuzzDir()
{
    static std::filesystem::path dir = [] {
        auto d =
            std::filesystem::temp_directory_path() / ("tavolux_fuzz_" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    static const bool cleanup = [] {
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(dir, ec);
        });
        return true;
    }();
    (void)cleanup;
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzUi ui;
    tavolux::SetUi(&ui);
    std::string text(reinterpret_cast<const char*>(data), size);

    // The reader on its own, with a write that must keep the text parseable.
    auto ini = tavolux::CIniFile::FromText("fuzz.ini", text);
    for (const std::string& section : ini.SectionNames()) {
        (void)ini.GetString(section, "PrinterList");
        (void)ini.GetInt(section, "Printer");
    }
    ini.WriteString("SYSTEM", "Printer", "1");
    auto again = tavolux::CIniFile::FromText("fuzz.ini", ini.Text());
    if (again.GetInt("SYSTEM", "Printer") != 1) {
        __builtin_trap();  // a written key must read back
    }

    // The whole loader on the text as tavolux.ini, then the save paths.
    const std::filesystem::path dir = FuzzDir();
    tavolux::AtomicWriteFile(dir / "tavolux.ini", text);
    tavolux::CPrinterConfig config(dir);
    config.LoadConfig();
    (void)config.FindHeadSlot(1, 1);
    (void)config.FindPrintType(720, 600);
    config.SaveConfig();
    config.SavePrinterType();
    config.LoadConfig();
    return 0;
}
