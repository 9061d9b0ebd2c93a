// Writing and checking the bitmap files of task thumbnails.
#include "platform/BmpFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/AtomicFile.h"
#include "platform/UiFacade.h"

namespace tavolux {

namespace {

constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;

void Put16(std::string& out, uint32_t v)
{
    out.push_back(static_cast<char>(v & 0xFFU));
    out.push_back(static_cast<char>((v >> 8) & 0xFFU));
}

void Put32(std::string& out, uint32_t v)
{
    Put16(out, v & 0xFFFFU);
    Put16(out, v >> 16);
}

uint32_t Get16(std::string_view b, size_t at)
{
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}

uint32_t Get32(std::string_view b, size_t at)
{
    return Get16(b, at) | Get16(b, at + 2) << 16;
}

// The file and information headers; paletteEntries colours follow them before the rows.
void PutHeaders(std::string& out, int width, int height, int bitsPerPixel, size_t imageBytes,
                uint32_t paletteEntries)
{
    const size_t offset = kFileHeader + kInfoHeader + 4 * static_cast<size_t>(paletteEntries);
    out.reserve(offset + imageBytes);
    out += "BM";
    Put32(out, static_cast<uint32_t>(offset + imageBytes));
    Put32(out, 0);
    Put32(out, static_cast<uint32_t>(offset));
    Put32(out, kInfoHeader);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(-height));  // negative: top-down rows
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(bitsPerPixel));
    Put32(out, 0);  // no compression
    Put32(out, static_cast<uint32_t>(imageBytes));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, paletteEntries);
    Put32(out, 0);
}

}  // namespace

std::string EncodeBmp(const DibImage& image)
{
    const size_t imageBytes = image.RowBytes() * static_cast<size_t>(image.height);
    std::string out;
    PutHeaders(out, image.width, image.height, image.bitsPerPixel, imageBytes, 0);
    out.append(reinterpret_cast<const char*>(image.pixels.data()), imageBytes);
    return out;
}

std::string EncodeMonoBmp(int width, const std::vector<std::span<const uint8_t>>& rows)
{
    const size_t packed = (static_cast<size_t>(std::max(width, 0)) + 7) / 8;
    const size_t rowBytes = (packed + 3) / 4 * 4;
    const size_t imageBytes = rowBytes * rows.size();
    std::string out;
    PutHeaders(out, width, static_cast<int>(rows.size()), 1, imageBytes, 2);
    Put32(out, 0x00FFFFFFU);  // 0: white
    Put32(out, 0x00000000U);  // 1: black, a drop
    for (const auto& row : rows) {
        const size_t take = std::min(row.size(), packed);
        out.append(reinterpret_cast<const char*>(row.data()), take);
        out.append(rowBytes - take, '\0');
    }
    return out;
}

bool DecodeBmp(std::string_view bytes, DibImage& image)
{
    if (bytes.size() < kFileHeader + kInfoHeader || bytes.substr(0, 2) != "BM") {
        return false;
    }
    const uint32_t offset = Get32(bytes, 10);
    const uint32_t infoSize = Get32(bytes, 14);
    const auto width = static_cast<int32_t>(Get32(bytes, 18));
    const auto rawHeight = static_cast<int32_t>(Get32(bytes, 22));
    const uint32_t planes = Get16(bytes, 26);
    const uint32_t bpp = Get16(bytes, 28);
    const uint32_t compression = Get32(bytes, 30);
    if (infoSize < kInfoHeader || planes != 1 || (bpp != 24 && bpp != 32) || compression != 0) {
        return false;
    }
    if (width < 1 || width > kMaxBmpSide || rawHeight == 0 || rawHeight < -kMaxBmpSide ||
        rawHeight > kMaxBmpSide) {
        return false;
    }
    const int height = rawHeight < 0 ? -rawHeight : rawHeight;
    DibImage decoded;
    decoded.width = width;
    decoded.height = height;
    decoded.bitsPerPixel = static_cast<int>(bpp);
    const size_t rowBytes = decoded.RowBytes();
    const size_t imageBytes = rowBytes * static_cast<size_t>(height);
    if (offset < kFileHeader + infoSize || offset > bytes.size() ||
        bytes.size() - offset < imageBytes) {
        return false;
    }
    decoded.pixels.resize(imageBytes);
    for (int y = 0; y < height; ++y) {
        // A positive height stores the bottom row first.
        const int source = rawHeight < 0 ? y : height - 1 - y;
        std::memcpy(decoded.Row(y), bytes.data() + offset + static_cast<size_t>(source) * rowBytes,
                    rowBytes);
    }
    image = std::move(decoded);
    return true;
}

bool WriteBmpFile(const std::filesystem::path& path, const DibImage& image, std::string* error)
{
    return AtomicWriteFile(path, EncodeBmp(image), error);
}

bool LoadBmpFile(const std::filesystem::path& path, DibImage& image)
{
    std::string bytes;
    // A thumbnail never comes near this size; a larger file is not one of ours.
    constexpr uintmax_t kMaxFile = 64U * 1024U * 1024U;
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size <= kMaxFile && ReadWholeFile(path, bytes) && DecodeBmp(bytes, image)) {
        return true;
    }
    GetUi().ShowMessage(kLoadBmpErrorText, MessageIcon::Warning);
    return false;
}

}  // namespace tavolux
