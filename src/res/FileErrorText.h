// A file failure as the operator reads it, in the current language.
#pragma once

#include <string>

#include "platform/FileError.h"

namespace tavolux {

// The reason of error in the current language. The system's reason follows in the same
// language: its own text in English, its error number in Chinese (the system's texts are
// English). Empty for FileErrorKind::None.
std::string FileErrorText(const FileError& error);

}  // namespace tavolux
