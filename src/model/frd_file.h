#pragma once
// Import of the CalculiX result file (.frd), ASCII as ccx writes it, and its binary node and
// element blocks. The file is parsed into an ImportedModel and built by buildImportedModel; damage
// is refused with where it is (byte or line) and the model left empty.
#include <string>

namespace orv {

class FeModel;
class Progress;
class Messages;

// Reads the file into a model the caller has reset; false, with the reason reported and an
// empty model, on failure.
bool readFrdFile(FeModel& model, const std::string& path, Progress& progress, Messages& messages);

}  // namespace orv
