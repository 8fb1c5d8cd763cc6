// orvanta-vtk-export: writes a model with one result component as a legacy VTK binary
// unstructured grid, so that a general viewer can draw the same block in the render bench.
//   orvanta-vtk-export IN OUT.vtk [COMPONENT] [STEP]   (component and step from 0; default:
//   the last component at the first step)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fe_model.h"
#include "messages.h"
#include "model_files.h"
#include "progress.h"

namespace {

class StderrMessages final : public orv::Messages {
  public:
    void show(const orv::MessageBox& box) override {
        std::fprintf(stderr, "%s: %s\n", box.title.c_str(), box.text.c_str());
    }
};

template <class T>
void putBigEndian(std::vector<char>& out, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (size_t i = sizeof(T); i-- > 0;)
        out.push_back(bytes[i]);
}

int cellType(const orv::ElementRecord& r) {
    switch (r.type) {
        case 38:
            return 12;  // hexahedron
        case 34:
            return 10;  // tetrahedron
        case 24:
        case 44:
            return 9;  // quadrilateral
        case 23:
        case 43:
            return 5;  // triangle
        case 22:
        case 32:
            return 3;  // line
        default:
            return 1;  // vertex
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: orvanta-vtk-export IN OUT.vtk [COMPONENT] [STEP]\n");
        return 2;
    }
    StderrMessages messages;
    orv::NullProgress progress;
    orv::FeModel m;
    if (!orv::readModelFile(m, argv[1], orv::fileExtension(argv[1]), progress, messages)) return 1;
    const int dof = argc > 3 ? std::atoi(argv[3]) : m.results.dofCount - 1;
    const int step = argc > 4 ? std::atoi(argv[4]) : 0;
    std::vector<char> out;
    const auto text = [&](const std::string& s) { out.insert(out.end(), s.begin(), s.end()); };
    text("# vtk DataFile Version 3.0\n" + m.jobTitle.substr(0, 200) + "\nBINARY\n");
    text("DATASET UNSTRUCTURED_GRID\nPOINTS " + std::to_string(m.nodeCount) + " float\n");
    for (int32_t i = 0; i < m.nodeCount; ++i)
        for (int k = 0; k < 3; ++k)
            putBigEndian(out, k < m.dimension ? m.fileCoordinate(i, k) : 0.0f);
    int64_t size = 0;
    for (const orv::ElementRecord& r : m.elements)
        size += 1 + r.nodeCount;
    text("\nCELLS " + std::to_string(m.elementCount) + " " + std::to_string(size) + "\n");
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const auto nodes = m.elementNodes(e);
        putBigEndian(out, int32_t(nodes.size()));
        for (int32_t p : nodes)
            putBigEndian(out, p - 1);
    }
    text("\nCELL_TYPES " + std::to_string(m.elementCount) + "\n");
    for (const orv::ElementRecord& r : m.elements)
        putBigEndian(out, int32_t(cellType(r)));
    if (m.hasValues() && dof >= 0 && dof < m.results.dofCount) {
        text("\nPOINT_DATA " + std::to_string(m.nodeCount) + "\nSCALARS " +
             m.results.dofNames[size_t(dof)] + " float 1\nLOOKUP_TABLE default\n");
        for (int32_t i = 0; i < m.nodeCount; ++i)
            putBigEndian(out, m.storedValue(i, step, dof));
    }
    text("\n");
    std::FILE* f = std::fopen(argv[2], "wb");
    if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
