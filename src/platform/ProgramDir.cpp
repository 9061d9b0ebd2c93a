// Program folder lookup with an override.
#include "platform/ProgramDir.h"

#include <mutex>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tavolux {

namespace {
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

std::filesystem::path GetProgramDir()
{
    {
        std::lock_guard lock(g_dirMutex);
        if (!g_override.empty()) {
            return g_override;
        }
    }
    return ExecutableDir();
}

void SetProgramDir(const std::filesystem::path& dir)
{
    std::lock_guard lock(g_dirMutex);
    g_override = dir;
}

}  // namespace tavolux
