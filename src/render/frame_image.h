#pragma once
// The picture read back from the current framebuffer, as a 24-bit bitmap holds it: rows
// from the bottom up, each pixel blue, green, red, each row padded with zeros to a multiple
// of four bytes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orv {

class Gl;

struct BitmapInfoHeader {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;  // positive: rows bottom-up
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t imageSize = 0;
    int32_t xPelsPerMeter = 2952;
    int32_t yPelsPerMeter = 2952;
    uint32_t coloursUsed = 0;
    uint32_t coloursImportant = 0;
};

struct FrameImage {
    BitmapInfoHeader header;
    std::vector<uint8_t> pixels;  // header.imageSize bytes

    static size_t rowSize(int32_t width) { return (size_t(width) * 3 + 3) / 4 * 4; }
    // Red, green and blue of the pixel at column x and row y counted from the top.
    std::array<uint8_t, 3> rgb(int32_t x, int32_t y) const;
};

// Reads the current viewport's pixels; false when there is no viewport or no memory.
bool readFrame(Gl& gl, FrameImage& image);

}  // namespace orv
