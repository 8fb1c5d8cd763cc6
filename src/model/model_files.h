#pragma once
// The result-file formats, one row each: the extension that names it, its reader and writer,
// and the texts of the file dialogs. Reading, writing, the dialogs' filters and the batch tool
// all go through this table, so that another format is one more row.
#include <span>
#include <string>
#include <vector>

namespace orv {

class FeModel;
class Progress;
class Messages;

// Imported: another program's file, read only; it says itself whether it holds modes.
enum class ModelFileKind { Unknown, Binary, Text, Modes, Imported };

using ModelReader = bool (*)(FeModel&, const std::string& path, Progress&, Messages&);
using ModelWriter = bool (*)(const FeModel&, const std::string& path, Progress&, Messages&);

struct ModelFormat {
    const char* extension;  // lower case, without the point
    ModelFileKind kind;     // Modes: the file holds mode shapes, not steps in time
    ModelReader read;
    ModelWriter write;         // null: the format is only read
    const char* openFilter;    // as the Open dialog shows it
    const char* saveAsFilter;  // as the Save As dialog shows it; null without a writer
};

// The formats, in the order the Open dialog lists them by default.
std::span<const ModelFormat> modelFormats();

// The format an extension (without the point) names, whatever its case; null for none.
const ModelFormat* findModelFormat(const std::string& extension);
// The kind named by an extension, whatever its case; Unknown for none.
ModelFileKind modelFileKind(const std::string& extension);
// The extension of the last path component, without the point; empty when there is none.
std::string fileExtension(const std::string& path);
// The extensions of the formats read (or written), for messages: ".rst, .asc or .mdf".
std::string formatExtensions(bool written);

// Reads the file into the model (which is reset first) by the format the extension names;
// another extension is refused with a message and leaves an empty model.
bool readModelFile(FeModel& model, const std::string& path, const std::string& extension,
                   Progress& progress, Messages& messages);
// Writes the model in the format the extension names; one without a writer is refused with a
// message.
bool writeModelFile(const FeModel& model, const std::string& path, const std::string& extension,
                    Progress& progress, Messages& messages);

// The Open dialog's filters: that of the remembered type (the extension of the last file
// opened, compared exactly) first, then the others in table order; the first format's filter
// first when no format has that extension.
std::vector<std::string> openFilters(const std::string& rememberedType);
// The Open dialog's default suffix: the extension of the first of those filters.
std::string openDefaultSuffix(const std::string& rememberedType);

}  // namespace orv
