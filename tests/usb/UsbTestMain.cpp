// The USB tests' program: it runs itself again under umockdev's preload library, after any
// sanitizer runtime (which must come first). Where that fails the tests say so and skip.
#include <gtest/gtest.h>
#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "sim/usbmock/EmulatedUsbBus.h"

namespace {

constexpr const char* kPreload = "libumockdev-preload.so.0";
constexpr const char* kTriedMarker = "TAVOLUX_USB_PRELOAD_TRIED";

int AddSanitizerRuntime(dl_phdr_info* info, size_t /*size*/, void* data)
{
    const char* name = info->dlpi_name;
    if (name && (std::strstr(name, "libasan.so") || std::strstr(name, "libtsan.so"))) {
        *static_cast<std::string*>(data) = name;
    }
    return 0;
}

// Starts this program again with the preload library in place; returns only when that cannot
// be done (the tests then say why they skip).
void RunUnderPreload(char** argv)
{
    std::string why;
    if (tavolux::sim::CEmulatedUsbBus::Available(why) || std::getenv(kTriedMarker)) {
        return;
    }
    std::string runtime;
    dl_iterate_phdr(AddSanitizerRuntime, &runtime);
    std::string preload = runtime.empty() ? kPreload : runtime + ":" + kPreload;
    if (const char* old = std::getenv("LD_PRELOAD"); old && *old) {
        preload += std::string(":") + old;
    }
    setenv("LD_PRELOAD", preload.c_str(), 1);
    setenv(kTriedMarker, "1", 1);
    execv("/proc/self/exe", argv);
}

}  // namespace

int main(int argc, char** argv)
{
    RunUnderPreload(argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
