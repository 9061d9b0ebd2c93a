// How the print and passes commands settle a RIP file's job: the file's header, the print type
// (given or configured), the options that change it, and the warnings the operator must accept.
#pragma once

#include <filesystem>
#include <string>

#include "cli/CliContext.h"
#include "print/RipReader.h"
#include "uimodel/PrintTask.h"

namespace tavolux::cli {

struct FileJobOptions {
    int printType = -1;  // -1: the configured PrintTypeID; on return the one used
    bool printTypeGiven = false;
    int maskMode = -1;  // -1: the print type's
    int passes = 0;     // 0: the print type's
    int fromLine = 0;   // the first line printed
    bool fromLineGiven = false;
};

// Reads the header of file into probe and settles request as a task added now would be, then
// applies the options. 0 when the request stands, else the exit code after a message (a print
// type that does not exist, a start line beyond the image, a file that cannot be read).
// A file that is not there leaves a request that the print checks refuse with their message
// when missingIsLater is set.
int SettleFileJob(CliContext& ctx, const CPrinterConfig& config, const std::filesystem::path& file,
                  FileJobOptions& options, bool missingIsLater, CRipReader& probe,
                  PrintTaskRequest& request);

// The file's warnings (resolution, missing lines). Each is shown on the error stream; one that
// the matching flag does not accept is a refusal, and the text says which flag accepts it.
// False when the print is refused.
bool AcceptFileWarnings(CliContext& ctx, const FilePrintWarnings& warnings, bool forceResolution,
                        bool allowIncomplete);

// The word in a shell command line: quoted when it holds anything but plain characters.
std::string ShellWord(const std::string& word);

}  // namespace tavolux::cli
