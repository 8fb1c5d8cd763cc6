#pragma once
// Saving a picture: the 24-bit Windows bitmap the "Save image" command writes, and PNG
// for the batch tool. Both replace their target only after a complete write.
#include <string>

namespace orv {

struct FrameImage;

// 0 on success, -1 on failure.
int writeBitmapFile(const std::string& path, const FrameImage& image);
bool writePngFile(const std::string& path, const FrameImage& image);

}  // namespace orv
