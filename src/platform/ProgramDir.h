// The program folder: where tavolux.ini, Tasks.dat, the glyph files and the debug logs live.
// Beside the executable when tavolux.ini is there (a build tree, an unpacked copy). An installed
// program (bin/ beside share/tavolux/, no tavolux.ini in bin/) cannot write beside itself: its
// program folder is the user's own, $XDG_CONFIG_HOME/tavolux or ~/.config/tavolux, and its
// read-only data stays in share/tavolux.
#pragma once

#include <filesystem>
#include <string>

namespace tavolux {

// The program folder: SetProgramDir's folder when one is set, else by the rule above.
std::filesystem::path GetProgramDir();

// Overrides the program folder (command-line option, tests). An empty path restores the rule.
void SetProgramDir(const std::filesystem::path& dir);

// The folder of the running executable itself.
std::filesystem::path ExecutableDir();

// The rule above for an executable in exeDir, with the environment's HOME and
// XDG_CONFIG_HOME.
std::filesystem::path ProgramDirFor(const std::filesystem::path& exeDir);

// The installed read-only data beside an executable in exeDir (exeDir/../share/tavolux);
// empty when there is none.
std::filesystem::path SharedDataDir(const std::filesystem::path& exeDir);

// Makes the user's program folder of an installed program on its first start, with a copy of
// the installed tavolux.ini; an existing folder and configuration are left as they are. True
// when there is nothing to do or it was done; false with the reason in error. The first form
// is the running program's: GetProgramDir() for its executable.
bool PrepareProgramDir(std::string& error);
bool PrepareProgramDir(const std::filesystem::path& exeDir, const std::filesystem::path& dir,
                       std::string& error);

// Where read-only data (the English strings, the manual's pages, the glyph files) is found:
// name (a file name or a relative path) in programDir when it is there, else in the installed
// data folder when it is there; else programDir/name, where it is expected.
std::filesystem::path FindDataFile(const std::filesystem::path& name,
                                   const std::filesystem::path& programDir,
                                   const std::filesystem::path& exeDir = ExecutableDir());
std::filesystem::path FindDataFile(const std::filesystem::path& name);

}  // namespace tavolux
