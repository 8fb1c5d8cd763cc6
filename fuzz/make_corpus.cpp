// Writes the seed corpora: small valid files of every element family, in two and three
// dimensions, with and without results, and mode files, and curve files computed from them.
// Usage: fuzz_make_corpus DIR (writes DIR/binary/*.rst, DIR/text/*.asc, *.mdf and
// DIR/curve/*.cdb).
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "binary_result_file.h"
#include "curve_file.h"
#include "curve_maths.h"
#include "element_types.h"
#include "fe_model.h"
#include "messages.h"
#include "progress.h"
#include "text_result_file.h"

namespace {

struct Element {
    int32_t type;
    std::vector<int32_t> nodes;  // 1-based positions
};

struct Recipe {
    std::string name;
    std::string title;
    int32_t dimension;
    std::vector<std::vector<float>> nodes;
    std::vector<Element> elements;
    std::vector<std::string> dofNames;  // empty: no results
    int32_t steps = 0;
    bool modes = false;
};

orv::FeModel build(const Recipe& s) {
    orv::FeModel m;
    m.reset();
    m.jobTitle = s.title;
    m.dimension = s.dimension;
    m.nodeCount = int32_t(s.nodes.size());
    for (size_t i = 0; i < s.nodes.size(); ++i) {
        m.nodeNumbers.push_back(int32_t(10 * (i + 1)));
        for (int j = 0; j < s.dimension; ++j)
            m.coords.push_back(s.nodes[i][size_t(j)]);
    }
    m.elementCount = int32_t(s.elements.size());
    for (size_t e = 0; e < s.elements.size(); ++e) {
        const orv::ElementType* t = orv::elementType(s.elements[e].type);
        orv::ElementRecord r;
        r.number = int32_t(e + 1);
        r.nodeCount = t->nodeCount;
        r.type = t->code;
        r.material = 1 + int32_t(e % 2);
        r.realConstant = 1;
        r.selected = 1;
        r.faceCount = t->faceCount;
        r.family = t->family;
        r.firstNode = int64_t(m.connectivity.size());
        r.firstFlag = int64_t(m.faceFlags.size());
        m.elements.push_back(r);
        for (int32_t p : s.elements[e].nodes)
            m.connectivity.push_back(p);
        m.faceFlags.insert(m.faceFlags.end(), size_t(t->faceCount), 0);
    }
    orv::NullProgress progress;
    m.buildNodeElementLists();
    m.findSurfaceFaces(progress);
    m.recentre();
    if (!s.dofNames.empty() && s.steps > 0) {
        const int32_t dofs = int32_t(s.dofNames.size());
        m.results.initialise(s.steps, dofs, s.dofNames, s.dimension);
        m.modalResults = s.modes;
        for (int32_t k = 0; k < s.steps; ++k)
            m.results.stepValue[k] = s.modes ? 12.5f * float(k + 1) : 0.25f * float(k + 1);
        m.values.resize(size_t(s.steps) * size_t(m.nodeCount) * size_t(dofs));
        for (size_t v = 0; v < m.values.size(); ++v)
            m.values[v] = 0.001f * float(int(v % 17) - 8) * float(1 + v % 3);
        m.computeExtremes();
    }
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path root = argv[1];
    fs::create_directories(root / "binary");
    fs::create_directories(root / "text");
    fs::create_directories(root / "curve");

    const std::vector<std::vector<float>> square = {{0, 0}, {2, 0}, {2, 1}, {0, 1}};
    const std::vector<std::vector<float>> square8 = {{0, 0}, {1, 0}, {2, 0}, {2, 0.5f},
                                                     {2, 1}, {1, 1}, {0, 1}, {0, 0.5f}};
    const std::vector<std::vector<float>> cube = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                                  {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    const std::vector<Recipe> recipes = {
        {"plane_tri3_2d", "Triangle", 2, {{0, 0}, {1, 0}, {0, 1}}, {{23, {1, 2, 3}}}, {}, 0},
        {"plane_quad4_2d_results",
         "Quad with displacements",
         2,
         square,
         {{24, {1, 2, 3, 4}}},
         {"UX", "UY", "SEQV"},
         2},
        {"plane_tri6_2d_results",
         "Six-node triangle",
         2,
         {{0, 0}, {0.5f, 0}, {1, 0}, {0.5f, 0.5f}, {0, 1}, {0, 0.5f}},
         {{26, {1, 2, 3, 4, 5, 6}}},
         {"SEQV"},
         1},
        {"plane_quad8_2d_results",
         "Eight-node quad",
         2,
         square8,
         {{28, {1, 2, 3, 4, 5, 6, 7, 8}}},
         {"UX", "UY"},
         1},
        {"plane_points_lines_2d",
         "Points, lines and two triangles",
         2,
         square,
         {{21, {1}}, {22, {1, 2}}, {23, {1, 2, 3}}, {23, {1, 3, 4}}},
         {},
         0},
        {"plane_family_3d",
         "Plane elements in space",
         3,
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0.5f}, {0, 1, 0.5f}},
         {{21, {4}}, {22, {3, 4}}, {24, {1, 2, 3, 4}}},
         {"TEMP"},
         1},
        {"space_points_lines_3d",
         "Space points and lines",
         3,
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 1}},
         {{31, {1}}, {32, {1, 2}}, {32, {2, 3}}},
         {"UX", "UY", "UZ"},
         1},
        {"tet_pair_3d_results",
         "Two tetrahedra sharing a face",
         3,
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}},
         {{34, {1, 2, 3, 4}}, {34, {2, 3, 4, 5}}},
         {"UX", "UY", "UZ"},
         2},
        {"hex_3d", "Brick", 3, cube, {{38, {1, 2, 3, 4, 5, 6, 7, 8}}}, {}, 0},
        {"hex_3d_steps",
         "Brick, three steps",
         3,
         cube,
         {{38, {1, 2, 3, 4, 5, 6, 7, 8}}},
         {"TEMP"},
         3},
        {"shells_3d",
         "Shells of three, four, six and eight nodes",
         3,
         {{0, 0, 0},
          {1, 0, 0},
          {2, 0, 0},
          {0, 1, 0},
          {1, 1, 0},
          {2, 1, 0},
          {0, 2, 0},
          {1, 2, 0.5f}},
         {{43, {1, 2, 4}},
          {44, {2, 3, 6, 5}},
          {46, {4, 5, 7, 1, 2, 3}},
          {48, {1, 2, 3, 6, 5, 4, 7, 8}}},
         {"UX", "UY", "UZ", "ROTX"},
         1},
        {"nodes_only_3d", "", 3, {{0, 0, 0}, {1e-3f, -2e5f, 3.5f}}, {}, {}, 0},
        {"empty_2d", "Nothing", 2, {}, {}, {}, 0},
    };
    const std::vector<Recipe> modeRecipes = {
        {"hex_modes",
         "Brick, two modes",
         3,
         cube,
         {{38, {1, 2, 3, 4, 5, 6, 7, 8}}},
         {"UX", "UY", "UZ"},
         2,
         true},
        {"quad_modes_2d",
         "Quad, three modes",
         2,
         square,
         {{24, {1, 2, 3, 4}}},
         {"UX", "UY"},
         3,
         true},
    };

    orv::NullProgress progress;
    orv::SilentMessages messages;
    bool ok = true;
    for (const Recipe& s : recipes) {
        const orv::FeModel m = build(s);
        ok &= orv::writeBinaryFile(m, (root / "binary" / (s.name + ".rst")).string(), progress,
                                   messages);
        ok &=
            orv::writeTextFile(m, (root / "text" / (s.name + ".asc")).string(), progress, messages);
    }
    for (const Recipe& s : modeRecipes) {
        const orv::FeModel m = build(s);
        ok &= orv::writeBinaryFile(m, (root / "binary" / (s.name + ".rst")).string(), progress,
                                   messages);
        ok &=
            orv::writeTextFile(m, (root / "text" / (s.name + ".mdf")).string(), progress, messages);
    }

    // Curve files: tables computed as the program does, and one of odd names and values.
    const auto recipe = [&](const std::string& name) {
        for (const auto* list : {&recipes, &modeRecipes})
            for (const Recipe& s : *list)
                if (s.name == name) return build(s);
        return orv::FeModel{};
    };
    const orv::FeModel quad = recipe("plane_quad4_2d_results");
    orv::CurveTable odd;
    odd.rowCount = 2;
    odd.names = {"", "nineteen_characters", "x"};
    odd.values = {NAN, INFINITY, -INFINITY, -0.0f, 1e-45f, 3.4028235e38f};
    const std::pair<const char*, orv::CurveTable> curves[] = {
        {"time_history", orv::timeHistory(quad, std::vector<int32_t>{1, 3})},
        {"line_distribution", orv::lineDistribution(quad, 1, 3, 1)},
        {"modes_history", orv::timeHistory(recipe("quad_modes_2d"), std::vector<int32_t>{2})},
        {"odd_names_and_values", odd},
    };
    for (const auto& [name, table] : curves)
        ok &= orv::writeCurveFile((root / "curve" / (std::string(name) + ".cdb")).string(), table,
                                  messages);
    return ok ? 0 : 1;
}
