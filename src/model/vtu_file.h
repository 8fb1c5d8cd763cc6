#pragma once
// Import of the VTK XML unstructured grid (.vtu): ascii, inline base64, appended raw,
// zlib-compressed, UInt32 or UInt64 headers. The file is parsed into an ImportedModel and built by
// buildImportedModel; damage is refused with where it is (byte or line) and the model left empty.
#include <string>

namespace orv {

class FeModel;
class Progress;
class Messages;

// Reads the file into a model the caller has reset; false, with the reason reported and an
// empty model, on failure.
bool readVtuFile(FeModel& model, const std::string& path, Progress& progress, Messages& messages);

}  // namespace orv
