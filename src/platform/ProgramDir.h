// The program folder: where tavolux.ini, Tasks.dat, the glyph files and the debug logs live.
#pragma once

#include <filesystem>

namespace tavolux {

// The folder of the running executable, unless SetProgramDir named another one.
std::filesystem::path GetProgramDir();

// Overrides the program folder (command-line option, tests). An empty path restores the rule.
void SetProgramDir(const std::filesystem::path& dir);

// The folder of the running executable itself.
std::filesystem::path ExecutableDir();

}  // namespace tavolux
