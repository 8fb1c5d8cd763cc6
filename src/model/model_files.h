#pragma once
// Choosing the reader or writer of a result file by its extension.
#include <string>

namespace orv {

class FeModel;
class Progress;
class Messages;

enum class ModelFileKind { Unknown, Binary, Text, Modes };

// The kind named by an extension (without the point), whatever its case: rst, asc or mdf.
ModelFileKind modelFileKind(const std::string& extension);
// The extension of the last path component, without the point; empty when there is none.
std::string fileExtension(const std::string& path);

// Reads the file into the model (which is reset first) by the kind the extension names;
// another extension is refused with a message and leaves an empty model.
bool readModelFile(FeModel& model, const std::string& path, const std::string& extension,
                   Progress& progress, Messages& messages);
// Writes the model in the format the extension names: rst or asc.
bool writeModelFile(const FeModel& model, const std::string& path, const std::string& extension,
                    Progress& progress, Messages& messages);

}  // namespace orv
