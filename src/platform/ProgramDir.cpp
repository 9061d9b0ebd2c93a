// Program folder lookup with an override.
#include "platform/ProgramDir.h"

#include <cstdlib>
#include <mutex>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tavolux {

namespace {
constexpr const char* kProgramConfigName = "tavolux.ini";
std::mutex g_dirMutex;
std::filesystem::path g_override;  // guarded by g_dirMutex
}  // namespace

std::filesystem::path ExecutableDir()
{
#ifdef _WIN32
    wchar_t buffer[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    return std::filesystem::path(std::wstring(buffer, n)).parent_path();
#else
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return std::filesystem::current_path(ec);
    }
    return exe.parent_path();
#endif
}

std::filesystem::path SharedDataDir(const std::filesystem::path& exeDir)
{
    std::error_code ec;
    const std::filesystem::path share = (exeDir / ".." / "share" / "tavolux").lexically_normal();
    return std::filesystem::is_directory(share, ec) ? share : std::filesystem::path();
}

std::filesystem::path ProgramDirFor(const std::filesystem::path& exeDir)
{
    std::error_code ec;
    if (std::filesystem::exists(exeDir / kProgramConfigName, ec) || SharedDataDir(exeDir).empty()) {
        return exeDir;
    }
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid and is ignored, as the desktop's rules say.
    if (config != nullptr && *config == '/') {
        return std::filesystem::path(config) / "tavolux";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return std::filesystem::path(home) / ".config" / "tavolux";
    }
    return exeDir;  // no home to write to: the old rule, with its message about the folder
}

std::filesystem::path GetProgramDir()
{
    {
        std::lock_guard lock(g_dirMutex);
        if (!g_override.empty()) {
            return g_override;
        }
    }
    return ProgramDirFor(ExecutableDir());
}

bool PrepareProgramDir(std::string& error)
{
    return PrepareProgramDir(ExecutableDir(), GetProgramDir(), error);
}

bool PrepareProgramDir(const std::filesystem::path& exeDir, const std::filesystem::path& dir,
                       std::string& error)
{
    const std::filesystem::path share = SharedDataDir(exeDir);
    if (dir == exeDir || share.empty()) {
        return true;
    }
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        error = ec.message();
        return false;
    }
    const std::filesystem::path target = dir / kProgramConfigName;
    if (std::filesystem::exists(target, ec) ||
        !std::filesystem::exists(share / kProgramConfigName, ec)) {
        return true;
    }
    // The copy is the operator's own from now on: writable whatever the installed file is.
    std::filesystem::copy_file(share / kProgramConfigName, target, ec);
    if (!ec) {
        std::filesystem::permissions(
            target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
            std::filesystem::perm_options::add, ec);
    }
    if (ec) {
        error = ec.message();
        return false;
    }
    return true;
}

std::filesystem::path FindDataFile(const std::filesystem::path& name,
                                   const std::filesystem::path& programDir,
                                   const std::filesystem::path& exeDir)
{
    std::error_code ec;
    std::filesystem::path own = programDir / name;
    if (std::filesystem::exists(own, ec)) {
        return own;
    }
    const std::filesystem::path share = SharedDataDir(exeDir);
    if (!share.empty() && std::filesystem::exists(share / name, ec)) {
        return share / name;
    }
    return own;
}

std::filesystem::path FindDataFile(const std::filesystem::path& name)
{
    return FindDataFile(name, GetProgramDir());
}

void SetProgramDir(const std::filesystem::path& dir)
{
    std::lock_guard lock(g_dirMutex);
    g_override = dir;
}

}  // namespace tavolux
