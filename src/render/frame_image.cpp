#include "frame_image.h"

#include <new>

#include "gl.h"

namespace orv {

std::array<uint8_t, 3> FrameImage::rgb(int32_t x, int32_t y) const {
    const size_t row = size_t(header.height - 1 - y);
    const uint8_t* p = pixels.data() + row * rowSize(header.width) + size_t(x) * 3;
    return {p[2], p[1], p[0]};
}

bool readFrame(Gl& gl, FrameImage& image) {
    int viewport[4] = {0, 0, 0, 0};
    gl.getViewport(viewport);
    const int width = viewport[2], height = viewport[3];
    if (width <= 0 || height <= 0) return false;
    const size_t row = FrameImage::rowSize(width);
    try {
        image.pixels.assign(row * size_t(height), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    gl.finish();
    gl.readPixelsRgb(0, 0, width, height, image.pixels.data());
    for (int y = 0; y < height; ++y) {
        uint8_t* p = image.pixels.data() + size_t(y) * row;
        for (int x = 0; x < width; ++x, p += 3)
            std::swap(p[0], p[2]);
    }
    image.header = BitmapInfoHeader{};
    image.header.width = width;
    image.header.height = height;
    image.header.imageSize = uint32_t(row * size_t(height));
    return true;
}

}  // namespace orv
