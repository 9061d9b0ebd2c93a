// Fuzzes the thumbnail decoder: an accepted bitmap has sides within the limit, pixels for
// exactly its rows (never more than the file could hold), and encodes and decodes back to the
// same image; a refused one leaves the image untouched.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/BmpFile.h"
#include "platform/DibImage.h"

namespace {

void Require(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    tavolux::DibImage image;
    image.width = 3;
    image.height = 5;
    image.bitsPerPixel = 32;
    image.pixels.assign(7, 0xA5);
    const tavolux::DibImage untouched = image;
    if (!tavolux::DecodeBmp(bytes, image)) {
        Require(image.width == untouched.width && image.height == untouched.height &&
                image.bitsPerPixel == untouched.bitsPerPixel && image.pixels == untouched.pixels);
        return 0;
    }
    Require(image.width >= 1 && image.width <= tavolux::kMaxBmpSide);
    Require(image.height >= 1 && image.height <= tavolux::kMaxBmpSide);
    Require(image.bitsPerPixel == 24 || image.bitsPerPixel == 32);
    Require(image.pixels.size() == image.RowBytes() * static_cast<size_t>(image.height));
    Require(image.pixels.size() <= size);

    const std::string encoded = tavolux::EncodeBmp(image);
    tavolux::DibImage back;
    Require(tavolux::DecodeBmp(encoded, back));
    Require(back.width == image.width && back.height == image.height &&
            back.bitsPerPixel == image.bitsPerPixel);
    // The fill bytes at the end of each row carry nothing; the pixels must be the same.
    const size_t used =
        static_cast<size_t>(image.width) * static_cast<size_t>(image.bitsPerPixel / 8);
    for (int y = 0; y < image.height; ++y) {
        for (size_t x = 0; x < used; ++x) {
            Require(back.Row(y)[x] == image.Row(y)[x]);
        }
    }
    return 0;
}
