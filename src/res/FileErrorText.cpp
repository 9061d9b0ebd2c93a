// File failures in the current language.
#include "res/FileErrorText.h"

#include <cstring>

#include "res/StringIds.h"
#include "res/StringTable.h"

namespace tavolux {

namespace {

int TextId(FileErrorKind kind)
{
    switch (kind) {
        case FileErrorKind::None:
            return 0;
        case FileErrorKind::NotRegular:
            return ids::kNotRegularFile;
        case FileErrorKind::Write:
            return ids::kFileCannotWrite;
        case FileErrorKind::Replace:
            return ids::kFileCannotReplace;
        case FileErrorKind::CreateTemporary:
            return ids::kFileCannotCreateTemp;
        case FileErrorKind::Sync:
            return ids::kFileCannotSync;
        case FileErrorKind::Close:
            return ids::kFileCannotClose;
        case FileErrorKind::OpenLock:
            return ids::kFileCannotOpenLock;
        case FileErrorKind::Lock:
            return ids::kFileCannotLock;
        case FileErrorKind::LockHeld:
            return ids::kFileLockHeld;
        case FileErrorKind::EmptyImage:
            return ids::kPngEmptyImage;
        case FileErrorKind::Encode:
            return ids::kPngCannotEncode;
    }
    return 0;
}

}  // namespace

std::string FileErrorText(const FileError& error)
{
    const int id = TextId(error.kind);
    if (id == 0) {
        return {};
    }
    const std::string path = error.path.string();
    // "Not a regular file:" is shared with the readers and puts the path after it.
    std::string text = error.kind == FileErrorKind::NotRegular ? LoadResString(id) + " " + path
                                                               : FormatResString(id, {path});
    if (error.systemError != 0) {
        const std::string reason = GetUiLanguage() == UiLanguage::English
                                       ? std::string(std::strerror(error.systemError))
                                       : std::to_string(error.systemError);
        text += FormatResString(ids::kSystemErrorSuffix, {reason});
    }
    return text;
}

}  // namespace tavolux
