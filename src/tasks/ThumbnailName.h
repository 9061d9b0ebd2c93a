// The file name of a task's thumbnail: the file title up to its first dot, three numbers that
// keep names apart, and ".BMP".
#pragma once

#include <string>
#include <string_view>

namespace tavolux {

// The file name after the last "/" or "\" (both separators occur in stored paths).
std::string TaskFileName(std::string_view filePath);

// "%s%d&%d&%d.BMP": the file name of filePath up to its first dot, then the three numbers.
std::string ThumbnailFileName(std::string_view filePath, int a, int b, int c);

}  // namespace tavolux
