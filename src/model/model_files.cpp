#include "model_files.h"

#include <algorithm>
#include <cctype>

#include "binary_result_file.h"
#include "fe_model.h"
#include "frd_file.h"
#include "messages.h"
#include "msh_file.h"
#include "text_result_file.h"
#include "vtk_file.h"
#include "vtu_file.h"

namespace orv {

namespace {

constexpr ModelFormat kModelFormats[] = {
    {"rst", ModelFileKind::Binary, readBinaryFile, writeBinaryFile, "Orvanta30 RST Files (*.rst)",
     "Orvanta30 RST Files (*.rst)"},
    {"asc", ModelFileKind::Text, readTextFile, writeTextFile, "Orvanta30 ASC Files (*.asc)",
     "Orvanta30 Asc Files (*.asc)"},
    {"mdf", ModelFileKind::Modes, readTextFile, nullptr, "Orvanta30 MOD Files (*.mdf)", nullptr},
    {"frd", ModelFileKind::Imported, readFrdFile, nullptr, "CalculiX Result Files (*.frd)",
     nullptr},
    {"msh", ModelFileKind::Imported, readMshFile, nullptr, "Gmsh Mesh Files (*.msh)", nullptr},
    {"vtk", ModelFileKind::Imported, readVtkFile, nullptr, "VTK Files (*.vtk)", nullptr},
    {"vtu", ModelFileKind::Imported, readVtuFile, nullptr, "VTK XML Files (*.vtu)", nullptr},
};

// The format whose extension is exactly the remembered type, else the table's first.
const ModelFormat& openedFirst(const std::string& rememberedType) {
    for (const ModelFormat& f : kModelFormats)
        if (rememberedType == f.extension) return f;
    return kModelFormats[0];
}

}  // namespace

std::span<const ModelFormat> modelFormats() {
    return kModelFormats;
}

const ModelFormat* findModelFormat(const std::string& extension) {
    std::string x = extension;
    std::transform(x.begin(), x.end(), x.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const ModelFormat& f : kModelFormats)
        if (x == f.extension) return &f;
    return nullptr;
}

ModelFileKind modelFileKind(const std::string& extension) {
    const ModelFormat* f = findModelFormat(extension);
    return f ? f->kind : ModelFileKind::Unknown;
}

std::string fileExtension(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot + 1);
}

std::string formatExtensions(bool written) {
    std::vector<std::string> names;
    for (const ModelFormat& f : kModelFormats)
        if (!written || f.write) names.push_back(std::string(".") + f.extension);
    std::string list;
    for (size_t i = 0; i < names.size(); ++i)
        list += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return list;
}

bool readModelFile(FeModel& model, const std::string& path, const std::string& extension,
                   Progress& progress, Messages& messages) {
    model.reset();
    const ModelFormat* f = findModelFormat(extension);
    if (!f) {
        messages.showError("This file type can not be read! Please choose a " +
                           formatExtensions(false) + " file.");
        return false;
    }
    model.modalResults = f->kind == ModelFileKind::Modes;
    return f->read(model, path, progress, messages);
}

bool writeModelFile(const FeModel& model, const std::string& path, const std::string& extension,
                    Progress& progress, Messages& messages) {
    const ModelFormat* f = findModelFormat(extension);
    if (!f || !f->write) {
        messages.showError("This file type can not be written! Please choose a " +
                           formatExtensions(true) + " file.");
        return false;
    }
    return f->write(model, path, progress, messages);
}

std::vector<std::string> openFilters(const std::string& rememberedType) {
    const ModelFormat& first = openedFirst(rememberedType);
    std::vector<std::string> filters = {first.openFilter};
    for (const ModelFormat& f : kModelFormats)
        if (&f != &first) filters.push_back(f.openFilter);
    return filters;
}

std::string openDefaultSuffix(const std::string& rememberedType) {
    return openedFirst(rememberedType).extension;
}

}  // namespace orv
