// The core builds without a display: no file outside src/ui may include a wx header, and the
// layers point one way.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> IncludesOf(const fs::path& file)
{
    std::ifstream in(file);
    std::vector<std::string> out;
    std::string line;
    static const std::regex include(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_search(line, m, include)) {
            out.push_back(m[1]);
        }
    }
    return out;
}

bool IsSource(const fs::path& p)
{
    auto ext = p.extension().string();
    return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc";
}

}  // namespace

TEST(Layering, OnlyTheUiFolderIncludesWx)
{
    const fs::path root = TAVOLUX_SOURCE_DIR;
    int checked = 0;
    for (const char* top : {"src", "tests", "sim", "bench", "fuzz"}) {
        if (!fs::exists(root / top)) {
            continue;
        }
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            if (!entry.is_regular_file() || !IsSource(entry.path())) {
                continue;
            }
            auto rel = fs::relative(entry.path(), root).generic_string();
            if (rel.starts_with("src/ui/")) {
                continue;
            }
            ++checked;
            for (const auto& inc : IncludesOf(entry.path())) {
                EXPECT_FALSE(inc.starts_with("wx/")) << rel << " includes <" << inc << ">";
            }
        }
    }
    EXPECT_GT(checked, 10);
}

TEST(Layering, LowerLayersDoNotIncludeHigherOnes)
{
    // Each folder may include only the folders listed for it (and itself).
    const std::vector<std::pair<std::string, std::vector<std::string>>> allowed = {
        {"platform", {}},
        {"res", {"platform"}},
        {"config", {"platform", "res"}},
        {"device", {"platform", "res", "config"}},
        {"print", {"platform", "res", "config", "device"}},
        {"job", {"platform", "res", "config", "device", "print"}},
    };
    const fs::path src = fs::path(TAVOLUX_SOURCE_DIR) / "src";
    const std::vector<std::string> layers = {
        "platform", "res",       "config",      "device",  "print", "job", "tasks",
        "preview",  "testprint", "maintenance", "uimodel", "ui",    "cli"};
    for (const auto& [folder, deps] : allowed) {
        if (!fs::exists(src / folder)) {
            continue;
        }
        for (const auto& entry : fs::recursive_directory_iterator(src / folder)) {
            if (!entry.is_regular_file() || !IsSource(entry.path())) {
                continue;
            }
            for (const auto& inc : IncludesOf(entry.path())) {
                auto slash = inc.find('/');
                if (slash == std::string::npos) {
                    continue;
                }
                std::string target = inc.substr(0, slash);
                bool isLayer = std::find(layers.begin(), layers.end(), target) != layers.end();
                bool ok = !isLayer || target == folder ||
                          std::find(deps.begin(), deps.end(), target) != deps.end();
                EXPECT_TRUE(ok) << entry.path().filename() << " (" << folder << ") includes "
                                << inc;
            }
        }
    }
}

TEST(Layering, VirtualPrinterKnowsOnlyThePlatformAndTheWire)
{
    // The virtual printer stands for the printer's firmware: it may use the platform layer and
    // the wire definitions of the device layer, nothing that builds jobs or talks to operators.
    // Only its set-up from the configuration (sim/setup) and the program's entry read the
    // configuration, to build the printer; they never decode raster.
    const fs::path sim = fs::path(TAVOLUX_SOURCE_DIR) / "sim";
    ASSERT_TRUE(fs::exists(sim));
    const std::vector<std::string> allowedDevice = {"device/Protocol.h", "device/Transport.h"};
    int checked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(sim)) {
        if (!entry.is_regular_file() || !IsSource(entry.path())) {
            continue;
        }
        const auto relative = fs::relative(entry.path(), sim).generic_string();
        if (relative.starts_with("setup/") || relative == "main.cpp") {
            for (const auto& inc : IncludesOf(entry.path())) {
                EXPECT_FALSE(inc.starts_with("job/") || inc.starts_with("cli/") ||
                             inc.starts_with("ui/") || inc.find("Merge") != std::string::npos ||
                             inc.find("PassGenerator") != std::string::npos ||
                             inc.find("NozzleMap") != std::string::npos)
                    << relative << " includes " << inc;
            }
            continue;
        }
        ++checked;
        for (const auto& inc : IncludesOf(entry.path())) {
            auto slash = inc.find('/');
            if (slash == std::string::npos) {
                continue;
            }
            const std::string folder = inc.substr(0, slash);
            const bool ok =
                folder == "platform" || folder == "sim" || folder == "sys" || folder == "netinet" ||
                std::find(allowedDevice.begin(), allowedDevice.end(), inc) != allowedDevice.end();
            EXPECT_TRUE(ok) << entry.path().filename() << " includes " << inc;
        }
    }
    EXPECT_GT(checked, 5);
}
