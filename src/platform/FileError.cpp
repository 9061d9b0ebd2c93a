// English texts of file failures.
#include "platform/FileError.h"

#include <cstring>

namespace tavolux {

namespace {

// The text of each kind: what comes before the path and after it; kinds without a path have
// their whole text in `before`.
struct FileErrorForm {
    const char* before;
    const char* after;
    FileErrorKind kind;
    bool withPath;
};

constexpr FileErrorForm kForms[] = {
    {"", " is not a regular file", FileErrorKind::NotRegular, true},
    {"cannot write ", "", FileErrorKind::Write, true},
    {"cannot replace ", "", FileErrorKind::Replace, true},
    {"cannot create a temporary file in ", "", FileErrorKind::CreateTemporary, true},
    {"cannot sync ", "", FileErrorKind::Sync, true},
    {"cannot close ", "", FileErrorKind::Close, true},
    {"cannot open the lock file ", "", FileErrorKind::OpenLock, true},
    {"cannot lock ", "", FileErrorKind::Lock, true},
    {"", " is held by another program", FileErrorKind::LockHeld, true},
    {"the image is empty", "", FileErrorKind::EmptyImage, false},
    {"cannot encode the PNG", "", FileErrorKind::Encode, false},
};

}  // namespace

std::string EnglishFileErrorText(const FileError& error)
{
    std::string text;
    for (const FileErrorForm& form : kForms) {
        if (form.kind == error.kind) {
            text =
                std::string(form.before) + (form.withPath ? error.path.string() : "") + form.after;
        }
    }
    if (text.empty()) {
        return {};  // no failure
    }
    if (error.systemError != 0) {
        text += ": ";
        text += std::strerror(error.systemError);
    }
    return text;
}

}  // namespace tavolux
