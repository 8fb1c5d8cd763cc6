#pragma once
// The binary result file (.rst): the whole model with centred coordinates, precomputed
// extremes and surface-face flags, little-endian, without padding.
#include <string>

namespace orv {

class FeModel;
class Progress;
class Messages;

constexpr int32_t kBinaryMagic = 200030;
constexpr int kMaxWrittenTitleLength = 99;

// Reads a .rst file into a model the caller has reset. On failure the reason is reported
// and the model is left empty.
bool readBinaryFile(FeModel& model, const std::string& path, Progress& progress,
                    Messages& messages);
// Writes the model as .rst; the file it replaces survives any failure.
bool writeBinaryFile(const FeModel& model, const std::string& path, Progress& progress,
                     Messages& messages);

}  // namespace orv
