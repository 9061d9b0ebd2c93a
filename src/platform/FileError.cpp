// English texts of file failures.
#include "platform/FileError.h"

#include <cstring>

namespace tavolux {

namespace {

// The text of each kind: what comes before the path and after it; kinds without a path have
// their whole text in `before`.
struct FileErrorForm {
    FileErrorKind kind;
    const char* before;
    const char* after;
    bool withPath;
};

constexpr FileErrorForm kForms[] = {
    {FileErrorKind::NotRegular, "", " is not a regular file", true},
    {FileErrorKind::Write, "cannot write ", "", true},
    {FileErrorKind::Replace, "cannot replace ", "", true},
    {FileErrorKind::CreateTemporary, "cannot create a temporary file in ", "", true},
    {FileErrorKind::Sync, "cannot sync ", "", true},
    {FileErrorKind::Close, "cannot close ", "", true},
    {FileErrorKind::OpenLock, "cannot open the lock file ", "", true},
    {FileErrorKind::Lock, "cannot lock ", "", true},
    {FileErrorKind::LockHeld, "", " is held by another program", true},
    {FileErrorKind::EmptyImage, "the image is empty", "", false},
    {FileErrorKind::Encode, "cannot encode the PNG", "", false},
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
