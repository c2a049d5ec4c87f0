#include "view/screen/PngImage.h"

#include <png.h>

#include <stdexcept>
#include <string>

namespace bitreel::view {
namespace {

// libpng reports through a callback that must not return: the error goes up
// as an exception through libpng's C frames, which are built with unwind
// tables on Debian and keep no state of their own to clean up once the
// write struct is destroyed.
[[noreturn]] void Fail(png_structp, png_const_charp message) {
    throw std::runtime_error(std::string("PNG: ") + message);
}

void Append(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

struct WriteStruct {
    png_structp png = nullptr;
    png_infop info = nullptr;
    WriteStruct() {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, nullptr);
        if (png != nullptr) {
            info = png_create_info_struct(png);
        }
        if (png == nullptr || info == nullptr) {
            png_destroy_write_struct(&png, &info);
            throw std::runtime_error("PNG: out of memory");
        }
    }
    ~WriteStruct() { png_destroy_write_struct(&png, &info); }
    WriteStruct(const WriteStruct&) = delete;
    WriteStruct& operator=(const WriteStruct&) = delete;
};

} // namespace

std::vector<std::uint8_t> EncodePng(const ScreenImage& image) {
    std::vector<std::uint8_t> out;
    WriteStruct write;
    png_set_write_fn(write.png, &out, Append, nullptr);
    png_set_IHDR(write.png, write.info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(write.png, write.info);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width) * 3);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t pixel = image.At(x, y); // 0xFFRRGGBB
            const auto at = static_cast<std::size_t>(x) * 3;
            row[at] = static_cast<std::uint8_t>(pixel >> 16);
            row[at + 1] = static_cast<std::uint8_t>(pixel >> 8);
            row[at + 2] = static_cast<std::uint8_t>(pixel);
        }
        png_write_row(write.png, row.data());
    }
    png_write_end(write.png, nullptr);
    return out;
}

} // namespace bitreel::view
