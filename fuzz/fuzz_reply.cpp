// Fuzzes the reply reader: each input is a series of replies (a length byte, then that many
// bytes plus one) the virtual printer gives to the device object's status requests. Every
// reply is consumed, the status code is the reply's own or "nothing", each word of the status
// block holds at most three bytes of a reply, and a calibration block arrives whole.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "config/IniFile.h"
#include "config/PrinterConfig.h"
#include "device/DeviceDiagnostics.h"
#include "device/KtUSB.h"
#include "device/Operations.h"
#include "device/PrinterStatusBlock.h"
#include "platform/ProgramDir.h"
#include "sim/VirtualPrinter.h"
#include "sim/VirtualTransport.h"

namespace {

void Require(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

// The smallest configuration the device object runs with.
constexpr const char* kConfig =
    "[SYSTEM_LIST]\nLanguageList=CHS&ENU\nPrinterList=P\n"
    "[SYSTEM]\nLanguage=0\nPrinter=0\n"
    "[P]\nPrintVer=1\nResolution=0\nPrintTypeID=0\nGroupNo=2\nColorNo=4\n"
    "[P_LIST]\nResolutionList=720*600\nPrintTypeParamList=0,1,0\nHoriPrintResolutionList=720\n"
    "TotalSpeedList=H\nSpeedDisplayList=H\nToTalPassList=1&2\n";

struct Rig {
    std::filesystem::path dir;
    std::unique_ptr<tavolux::CPrinterConfig> config;
    std::shared_ptr<tavolux::sim::CVirtualPrinter> printer;
    std::unique_ptr<tavolux::CKtUSB> device;
    int blockLength = -1;  // what the calibration receiver was given last

    Rig()
    {
        dir = std::filesystem::temp_directory_path() /
              ("tavolux_fuzz_reply_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        static const std::filesystem::path made = dir;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(made, ec);
        });
        std::ofstream(dir / tavolux::kConfigFileName) << kConfig;
        tavolux::SetProgramDir(dir);
        tavolux::SetDeviceDiagnosticSink([](const std::string&) {});
        config = std::make_unique<tavolux::CPrinterConfig>(dir);
        Require(config->LoadConfig());
        printer = std::make_shared<tavolux::sim::CVirtualPrinter>();
        device = std::make_unique<tavolux::CKtUSB>(
            *config, std::make_unique<tavolux::sim::CVirtualTransport>(printer));
        Require(device->Open() == 1);
        device->SetCalibrationReceiver(
            [this](const uint8_t*, int length) { blockLength = length; });
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Rig rig;
    namespace wire = tavolux::wire;
    tavolux::PrinterStatusBlock block;
    size_t at = 0;
    while (at < size) {
        const size_t length = std::min<size_t>(size_t{data[at]} + 1, size - at - 1);
        ++at;
        if (length == 0) {
            break;
        }
        const std::vector<uint8_t> reply(data + at, data + at + length);
        at += length;
        rig.printer->QueueReply(reply);
        rig.blockLength = -1;
        const int status = rig.device->ReadReply(block);
        Require(rig.printer->PendingReplies() == 0);

        const wire::Reply* row = wire::FindReply(reply[0]);
        if (row == nullptr) {
            Require(status == wire::status::kNothing);
        } else {
            Require(status == row->status || status == wire::status::kNothing);
            if (row->value == wire::ReplyValue::Block && status == row->status) {
                Require(rig.blockLength == static_cast<int>(length) - 1);
            }
        }
        for (int i = 0; i < tavolux::PrinterStatusBlock::kWords; ++i) {
            Require(block.Get(i) >= 0 && block.Get(i) < (1 << 24));
        }
    }
    return 0;
}
