// English texts of file failures.
#include "platform/FileError.h"

#include <cstring>

namespace tavolux {

std::string EnglishFileErrorText(const FileError& error)
{
    const std::string path = error.path.string();
    std::string text;
    switch (error.kind) {
        case FileErrorKind::None:
            return {};
        case FileErrorKind::NotRegular:
            text = path + " is not a regular file";
            break;
        case FileErrorKind::Write:
            text = "cannot write " + path;
            break;
        case FileErrorKind::Replace:
            text = "cannot replace " + path;
            break;
        case FileErrorKind::CreateTemporary:
            text = "cannot create a temporary file in " + path;
            break;
        case FileErrorKind::Sync:
            text = "cannot sync " + path;
            break;
        case FileErrorKind::Close:
            text = "cannot close " + path;
            break;
        case FileErrorKind::OpenLock:
            text = "cannot open the lock file " + path;
            break;
        case FileErrorKind::Lock:
            text = "cannot lock " + path;
            break;
        case FileErrorKind::LockHeld:
            text = path + " is held by another program";
            break;
        case FileErrorKind::EmptyImage:
            text = "the image is empty";
            break;
        case FileErrorKind::Encode:
            text = "cannot encode the PNG";
            break;
    }
    if (error.systemError != 0) {
        text += ": ";
        text += std::strerror(error.systemError);
    }
    return text;
}

}  // namespace tavolux
