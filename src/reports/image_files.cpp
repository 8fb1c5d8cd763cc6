#include "image_files.h"

#include <png.h>

#include <cstring>
#include <vector>

#include "frame_image.h"
#include "safe_file_writer.h"

namespace orv {

namespace {

void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

int writeBitmapFile(const std::string& path, const FrameImage& image) {
    const BitmapInfoHeader& h = image.header;
    uint64_t imageSize = h.imageSize;
    if (imageSize == 0)
        imageSize = uint64_t(h.height < 0 ? -int64_t(h.height) : h.height) *
                    ((uint64_t(h.bitCount) * uint64_t(uint32_t(h.width)) + 7) / 8);
    if (imageSize > image.pixels.size() || imageSize > 0xFFFFFFFFull - 54) return -1;
    std::vector<uint8_t> head;
    head.reserve(54);
    put16(head, 0x4D42);
    put32(head, uint32_t(54 + imageSize));
    put16(head, 0);
    put16(head, 0);
    put32(head, 54);
    put32(head, h.size);
    put32(head, uint32_t(h.width));
    put32(head, uint32_t(h.height));
    put16(head, h.planes);
    put16(head, h.bitCount);
    put32(head, h.compression);
    put32(head, uint32_t(imageSize));
    put32(head, uint32_t(h.xPelsPerMeter));
    put32(head, uint32_t(h.yPelsPerMeter));
    put32(head, h.coloursUsed);
    put32(head, h.coloursImportant);
    SafeFileWriter out;
    if (!out.open(path)) return -1;
    out.write(head.data(), head.size());
    out.write(image.pixels.data(), size_t(imageSize));
    return out.commit() ? 0 : -1;
}

namespace {
void pngWrite(png_structp png, png_bytep data, png_size_t length) {
    static_cast<SafeFileWriter*>(png_get_io_ptr(png))->write(data, length);
}
void pngFlush(png_structp) {}
}  // namespace

bool writePngFile(const std::string& path, const FrameImage& image) {
    const int width = image.header.width, height = image.header.height;
    if (width <= 0 || height <= 0 || image.header.bitCount != 24) return false;
    const size_t row = FrameImage::rowSize(width);
    if (image.pixels.size() < row * size_t(height)) return false;
    // One row at a time: a picture near the memory's limit needs no second copy.
    std::vector<uint8_t> rgb(size_t(width) * 3);
    SafeFileWriter out;
    if (!out.open(path)) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_set_write_fn(png, &out, pngWrite, pngFlush);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    // Rows top-down in RGB order; the frame holds them bottom-up in BGR.
    for (int y = 0; y < height && !out.failed(); ++y) {
        const uint8_t* src = image.pixels.data() + size_t(height - 1 - y) * row;
        for (int x = 0; x < width; ++x) {
            rgb[size_t(3 * x)] = src[3 * x + 2];
            rgb[size_t(3 * x + 1)] = src[3 * x + 1];
            rgb[size_t(3 * x + 2)] = src[3 * x];
        }
        png_write_row(png, rgb.data());
    }
    if (out.failed()) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out.commit();
}

}  // namespace orv
