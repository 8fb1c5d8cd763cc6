#include "model_files.h"

#include <algorithm>
#include <cctype>

#include "binary_result_file.h"
#include "fe_model.h"
#include "messages.h"
#include "text_result_file.h"

namespace orv {

ModelFileKind modelFileKind(const std::string& extension) {
    std::string x = extension;
    std::transform(x.begin(), x.end(), x.begin(), [](unsigned char c) { return std::tolower(c); });
    if (x == "rst") return ModelFileKind::Binary;
    if (x == "asc") return ModelFileKind::Text;
    if (x == "mdf") return ModelFileKind::Modes;
    return ModelFileKind::Unknown;
}

std::string fileExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot + 1);
}

bool readModelFile(FeModel& model, const std::string& path, const std::string& extension,
                   Progress& progress, Messages& messages) {
    model.reset();
    switch (modelFileKind(extension)) {
        case ModelFileKind::Binary:
            model.modalResults = false;
            return readBinaryFile(model, path, progress, messages);
        case ModelFileKind::Text:
            model.modalResults = false;
            return readTextFile(model, path, progress, messages);
        case ModelFileKind::Modes:
            model.modalResults = true;
            return readTextFile(model, path, progress, messages);
        case ModelFileKind::Unknown:
            break;
    }
    messages.showError("This file type can not be read! Please choose a .rst, .asc or .mdf file.");
    return false;
}

bool writeModelFile(const FeModel& model, const std::string& path, const std::string& extension,
                    Progress& progress, Messages& messages) {
    switch (modelFileKind(extension)) {
        case ModelFileKind::Binary:
            return writeBinaryFile(model, path, progress, messages);
        case ModelFileKind::Text:
            return writeTextFile(model, path, progress, messages);
        default:
            break;
    }
    messages.showError("This file type can not be written! Please choose a .rst or .asc file.");
    return false;
}

}  // namespace orv
