// Why a file could not be written or locked, as data: the texts the operator reads are made
// from it in the current language by the layers that own the string tables.
#pragma once

#include <filesystem>
#include <string>

namespace tavolux {

enum class FileErrorKind {
    None,             // no failure
    NotRegular,       // a folder, FIFO or device where the file belongs
    Write,            // the data could not be written
    Replace,          // the new file could not take the old one's place
    CreateTemporary,  // no temporary file in the file's folder (path is the folder)
    Sync,             // the data could not be flushed to the disk
    Close,            // the file could not be closed
    OpenLock,         // the lock file could not be opened (path is the lock file)
    Lock,             // the lock file could not be locked
    LockHeld,         // another program held the lock for the whole wait
    EmptyImage,       // a picture without pixels
    Encode,           // the picture could not be encoded
};

struct FileError {
    FileErrorKind kind = FileErrorKind::None;
    std::filesystem::path path;
    int systemError = 0;  // errno (or the system's error code); 0 when the system gave none
};

// The reason in English with the system's own text, for logs and callers without string tables.
std::string EnglishFileErrorText(const FileError& error);

}  // namespace tavolux
