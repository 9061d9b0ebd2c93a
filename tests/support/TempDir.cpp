// Temporary folders for tests.
#include "support/TempDir.h"

#include <atomic>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace tavolux::test {

TempDir::TempDir()
{
    static std::atomic<int> counter{0};
    m_path = std::filesystem::temp_directory_path() /
             ("tavolux_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::filesystem::path TempDir::Write(const std::string& name, const std::string& text) const
{
    std::filesystem::path path = m_path / name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string TempDir::Read(const std::string& name) const
{
    std::ifstream in(m_path / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace tavolux::test
