// Thumbnail and task names derived from a RIP file's path.
#include "tasks/ThumbnailName.h"

namespace tavolux {

std::string TaskFileName(std::string_view filePath)
{
    const size_t slash = filePath.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? filePath : filePath.substr(slash + 1));
}

std::string ThumbnailFileName(std::string_view filePath, int a, int b, int c)
{
    std::string title = TaskFileName(filePath);
    title = title.substr(0, title.find('.'));
    return title + std::to_string(a) + "&" + std::to_string(b) + "&" + std::to_string(c) + ".BMP";
}

}  // namespace tavolux
