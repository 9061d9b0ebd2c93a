// The core builds without a display: no file outside src/ui may include a wx header, and the
// layers point one way.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

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

// A place in the tree (a folder under the source root, or one file) and what its files may
// include besides their own folder: a folder as it is spelled in an include ("device") or one
// header ("device/Protocol.h").
struct Layer {
    std::string place;
    std::vector<std::string> mayInclude;
};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<Layer>& Layers()
{
    static const std::vector<std::string> core = {"platform", "res",   "config",
                                                  "device",   "print", "job"};
    // Side by side above the job: none of them includes another.
    static const std::vector<std::string> features = {"tasks", "preview", "testprint", "chart",
                                                      "maintenance"};
    static const std::vector<std::string> belowPrograms =
        Join(Join(core, features), {"uimodel", "sim", "sim/setup"});
    static const std::vector<Layer> layers = {
        {"src/platform", {}},
        {"src/res", {"platform"}},
        {"src/config", {"platform", "res"}},
        {"src/device", {"platform", "res", "config"}},
        {"src/print", {"platform", "res", "config", "device"}},
        {"src/job", {"platform", "res", "config", "device", "print"}},
        {"src/tasks", core},
        {"src/preview", core},
        {"src/testprint", core},
        {"src/chart", core},
        {"src/maintenance", core},
        {"src/uimodel", Join(core, features)},
        // The two programs: either may embed the virtual printer; only the desktop one uses wx.
        {"src/cli", belowPrograms},
        {"src/ui", Join(belowPrograms, {"wx"})},
        // The virtual printer stands for the printer's firmware: the platform and the wire
        // definitions, nothing that builds jobs or talks to operators.
        {"sim", {"platform", "device/Protocol.h", "device/Transport.h"}},
        // Building a printer from the configuration; the board wiring is named by the print
        // layer's transfer layout. Never the raster code.
        {"sim/setup", {"platform", "config", "sim", "print/TransferLayout.h"}},
        {"sim/main.cpp", {"platform", "res", "config", "sim", "sim/setup"}},
        // The printer link of both programs: the USB transport beside the virtual ones.
        {"sim/PrinterLink.h", {"platform", "device", "sim"}},
        {"sim/PrinterLink.cpp", {"platform", "res", "config", "device", "sim"}},
    };
    return layers;
}

// What an include path names, as the table spells it.
std::string FolderOf(const std::string& include)
{
    if (include.starts_with("sim/setup/")) {
        return "sim/setup";
    }
    auto slash = include.find('/');
    return slash == std::string::npos ? std::string() : include.substr(0, slash);
}

// The folder names the table governs; includes of anything else (the standard library,
// system headers) are not its business.
bool IsGoverned(const std::string& folder)
{
    if (folder == "wx" || folder == "sim" || folder == "sim/setup") {
        return true;
    }
    return std::any_of(Layers().begin(), Layers().end(),
                       [&](const Layer& l) { return l.place == "src/" + folder; });
}

// The table row a file (relative to the source root) falls under: the longest place that
// holds it. Null for a file under src/ or sim/ that no row places.
const Layer* LayerOf(const std::string& file)
{
    const Layer* best = nullptr;
    for (const auto& layer : Layers()) {
        const bool holds = file == layer.place || file.starts_with(layer.place + "/");
        if (holds && (best == nullptr || layer.place.size() > best->place.size())) {
            best = &layer;
        }
    }
    return best;
}

// An include written relative to the including file ("../job/X.h") is read as the path it
// reaches from the source folders, so it cannot slip past the table.
std::string Normalized(const std::string& file, const std::string& include)
{
    if (!include.starts_with(".")) {
        return include;
    }
    auto reached = (fs::path(file).parent_path() / include).lexically_normal().generic_string();
    if (reached.starts_with("src/")) {
        return reached.substr(4);
    }
    return reached;
}

// The includes of one file that break the layering, each with the reason; a file that no row
// places is itself a fault, so that a new folder cannot arrive unchecked.
std::vector<std::string> Violations(const std::string& file,
                                    const std::vector<std::string>& includes)
{
    std::vector<std::string> out;
    const Layer* layer = LayerOf(file);
    if (layer == nullptr) {
        out.push_back(file + " lies in no layer of the table");
        return out;
    }
    const std::string own = layer->place.starts_with("src/") ? layer->place.substr(4)
                            : layer->place == "sim/main.cpp" ? std::string()
                                                             : layer->place;
    for (const auto& raw : includes) {
        const std::string inc = Normalized(file, raw);
        const std::string folder = FolderOf(inc);
        if (folder.empty() || !IsGoverned(folder) || folder == own) {
            continue;
        }
        const auto& may = layer->mayInclude;
        if (std::find(may.begin(), may.end(), folder) == may.end() &&
            std::find(may.begin(), may.end(), inc) == may.end()) {
            out.push_back(file + " (" + layer->place + ") includes " + raw);
        }
    }
    return out;
}

}  // namespace

TEST(Layering, TheTableJudgesIncludesAsMeant)
{
    struct Case {
        const char* file;
        const char* include;
        bool allowed;
    };
    const Case cases[] = {
        // Downwards is fine, upwards and sideways are not.
        {"src/config/PrinterConfig.cpp", "res/StringTable.h", true},
        {"src/config/PrinterConfig.cpp", "device/KtUSB.h", false},
        {"src/res/StringTable.cpp", "config/IniFile.h", false},
        {"src/print/PassGenerator.h", "device/PassDescriptor.h", true},
        {"src/job/JobRunner.cpp", "tasks/TaskList.h", false},
        {"src/tasks/TaskList.cpp", "job/PrintJob.h", true},
        {"src/tasks/TaskList.cpp", "preview/PreviewBuilder.h", false},
        {"src/preview/PreviewBuilder.cpp", "uimodel/StateLine.h", false},
        {"src/uimodel/PrintTask.cpp", "preview/PreviewBuilder.h", true},
        {"src/uimodel/PrintTask.cpp", "cli/CliContext.h", false},
        {"src/uimodel/PrinterSession.cpp", "sim/VirtualPrinter.h", false},
        {"src/device/KtUSB.cpp", "sim/VirtualTransport.h", false},
        {"src/cli/PrinterConnection.cpp", "sim/VirtualTransport.h", true},
        {"src/cli/PrintCommands.cpp", "sim/setup/HeadsFromConfig.h", true},
        {"src/ui/MainFrame.cpp", "cli/CliContext.h", false},
        {"src/ui/MainFrame.cpp", "uimodel/StateLine.h", true},
        // Only the desktop program's folder may use the toolkit.
        {"src/ui/MainFrame.cpp", "wx/frame.h", true},
        {"src/ui/dialogs/Settings.cpp", "wx/dialog.h", true},
        {"src/uimodel/StateLine.cpp", "wx/string.h", false},
        {"sim/VirtualPrinter.cpp", "wx/thread.h", false},
        // The virtual printer: the platform and the wire only, its set-up may read the
        // configuration.
        {"sim/VirtualPrinter.cpp", "device/Protocol.h", true},
        {"sim/VirtualPrinter.cpp", "device/KtUSB.h", false},
        {"sim/VirtualPrinter.cpp", "print/TransferLayout.h", false},
        {"sim/VirtualPrinter.cpp", "sim/setup/HeadsFromConfig.h", false},
        {"sim/setup/HeadsFromConfig.cpp", "config/PrinterConfig.h", true},
        {"sim/setup/HeadsFromConfig.cpp", "print/TransferLayout.h", true},
        {"sim/setup/HeadsFromConfig.cpp", "print/PassGenerator.h", false},
        {"sim/main.cpp", "config/IniFile.h", true},
        {"sim/main.cpp", "print/FastMerge.h", false},
        {"sim/PrinterLink.cpp", "device/UsbTransport.h", true},
        {"sim/PrinterLink.cpp", "job/JobRunner.h", false},
        {"sim/VirtualTransport.cpp", "device/UsbTransport.h", false},
        // A relative path reaches the same folder as the spelled-out one.
        {"src/print/PassGenerator.cpp", "../job/JobRunner.h", false},
        {"src/job/JobRunner.cpp", "../print/PassGenerator.h", true},
        // Standard and system headers are not the table's business.
        {"src/platform/Clock.cpp", "sys/time.h", true},
    };
    for (const auto& c : cases) {
        const auto faults = Violations(c.file, {c.include});
        EXPECT_EQ(faults.empty(), c.allowed) << c.file << " including " << c.include;
    }
    // A folder that no row places is refused, whatever it includes.
    EXPECT_FALSE(Violations("src/newfeature/Thing.cpp", {}).empty());
}

// Every file of src and sim follows the table; the tests, benchmarks and fuzzers use no wx
// either: only the desktop program needs a display.
TEST(Layering, EveryFileFollowsTheTableAndOnlyTheUiFolderIncludesWx)
{
    const fs::path root = TAVOLUX_SOURCE_DIR;
    int checked = 0;
    for (const char* top : {"src", "sim", "tests", "bench", "fuzz"}) {
        const bool layered = std::string(top) == "src" || std::string(top) == "sim";
        ASSERT_TRUE(fs::exists(root / top) || !layered) << top;
        if (!fs::exists(root / top)) {
            continue;
        }
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            if (!entry.is_regular_file() || !IsSource(entry.path())) {
                continue;
            }
            const auto rel = fs::relative(entry.path(), root).generic_string();
            const auto includes = IncludesOf(entry.path());
            for (const auto& fault :
                 layered ? Violations(rel, includes) : std::vector<std::string>{}) {
                ADD_FAILURE() << fault;
            }
            for (const auto& inc : includes) {
                EXPECT_TRUE(layered || !inc.starts_with("wx/"))
                    << rel << " includes <" << inc << ">";
            }
            checked += layered ? 1 : 0;
        }
    }
    EXPECT_GT(checked, 100);
}
