// PNG encoding through libpng into memory, then an atomic write.
#include "platform/PngFile.h"

#include <png.h>

#include <csetjmp>
#include <vector>

#include "platform/AtomicFile.h"

namespace tavolux {

namespace {

void Append(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}

void NoFlush(png_structp /*png*/) {}

// Encodes rows; false when libpng reports an error (it returns here through longjmp, so this
// function holds no objects with destructors).
bool Encode(png_structp png, png_infop info, std::string* out, const std::vector<png_bytep>& rows,
            int width, int height)
{
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_write_fn(png, out, Append, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);  // the bitmap holds blue, green, red
    png_write_image(png, const_cast<png_bytepp>(rows.data()));
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool WritePng(const std::filesystem::path& path, const DibImage& image, int width,
              std::string& error)
{
    FileError failure;
    const bool written = WritePng(path, image, width, failure);
    if (!written) {
        error = EnglishFileErrorText(failure);
    }
    return written;
}

bool WritePng(const std::filesystem::path& path, const DibImage& image, int width, FileError& error)
{
    if (image.bitsPerPixel != 24 || width <= 0 || width > image.width || image.height <= 0) {
        error = FileError{FileErrorKind::EmptyImage, path, 0};
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr) {
        png_destroy_write_struct(&png, &info);
        error = FileError{FileErrorKind::Encode, path, 0};
        return false;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        rows[static_cast<size_t>(y)] = const_cast<png_bytep>(image.Row(y));
    }
    std::string bytes;
    const bool encoded = Encode(png, info, &bytes, rows, width, image.height);
    png_destroy_write_struct(&png, &info);
    if (!encoded) {
        error = FileError{FileErrorKind::Encode, path, 0};
        return false;
    }
    return AtomicWriteFile(path, bytes, error);
}

}  // namespace tavolux
