// Other programs' files: the one builder every importer hands its gathered model to (the plane
// rule, element codes and node orders, component names), and the CalculiX .frd reader.
#include "imported_model.h"

#include <cmath>

#include "test_support.h"

namespace {

using namespace orv;
using namespace orvtest;

// A unit square of nodes 11..14 (z as given) as one cell of `shape` over its corners, and
// mid-side nodes 15..18 for quadratic shapes; `steps` steps of `fields`.
ImportedModel square(CellShape shape, double z = 0.0) {
    ImportedModel m;
    m.title = "square";
    const double xy[8][2] = {{0, 0},   {1, 0},   {1, 1},   {0, 1},
                             {0.5, 0}, {1, 0.5}, {0.5, 1}, {0, 0.5}};
    for (int i = 0; i < 8; ++i) {
        m.labels.push_back(11 + i);
        m.coords.insert(m.coords.end(), {xy[i][0], xy[i][1], i == 2 ? z : 0.0});
    }
    const int count = cellShapeNodes(shape);
    m.cells.push_back({shape, 7, 3, 0});
    for (int j = 0; j < count; ++j)
        m.cellNodes.push_back(shape == CellShape::Triangle6 && j >= 3 ? j + 1 : j);
    return m;
}

// A field of `components` at every node and step, value 1000 k + 10 node + component, and the
// third displacement component d3 at node 3 of the last step.
ImportedField field(const std::string& name, int32_t components, size_t steps, size_t nodes,
                    bool displacement = false, float d3 = 0.0f) {
    ImportedField f{name, components, displacement, {}};
    for (size_t k = 0; k < steps; ++k)
        for (size_t i = 0; i < nodes; ++i)
            for (int32_t c = 0; c < components; ++c)
                f.values.push_back(displacement && c == 2 ? 0.0f : float(1000 * k + 10 * i + c));
    if (displacement) f.values[f.values.size() - 3 * (nodes - 2) + 2] = d3;
    return f;
}

struct Built {
    bool ok;
    FeModel model;
    RecordingMessages messages;
};

Built build(ImportedModel m) {
    Built b{false, {}, {}};
    NullProgress progress;
    b.ok = buildImportedModel(m, b.model, progress, b.messages);
    return b;
}

// Plane when every cell is plane and z and the third displacement component stay within 1e-9
// of the largest coordinate and displacement (1 and 1071 here); the codes and node orders of
// each shape, plane and in space.
TEST(ImportBuilder, PlaneRuleCodesAndNodeOrders) {
    struct Case {
        CellShape shape;
        double z;
        float d3;
        int32_t type;
        std::vector<int32_t> nodes;
    };
    const double d = 1071.0;  // the largest displacement
    const Case cases[] = {
        {CellShape::Quad4, 1e-9, 0.0f, 24, {1, 2, 3, 4}},
        {CellShape::Quad4, 2e-9, 0.0f, 44, {1, 2, 3, 4}},
        {CellShape::Quad4, -1e-9, float(1e-9 * d), 24, {1, 2, 3, 4}},
        {CellShape::Quad4, 0.0, float(-2e-9 * d), 44, {1, 2, 3, 4}},
        {CellShape::Triangle3, 0.0, 0.0f, 23, {1, 2, 3}},
        {CellShape::Triangle6, 0.0, 0.0f, 26, {1, 5, 2, 6, 3, 7}},
        {CellShape::Triangle6, 0.5, 0.0f, 46, {1, 5, 2, 6, 3, 7}},
        {CellShape::Quad8, 0.0, 0.0f, 28, {1, 5, 2, 6, 3, 7, 4, 8}},
        {CellShape::Quad8, 0.0, 1.0f, 48, {1, 5, 2, 6, 3, 7, 4, 8}},
        {CellShape::Line2, 0.0, 0.0f, 22, {1, 2}},
        {CellShape::Point, 1.0, 0.0f, 31, {1}},
        {CellShape::Tetra4, 0.0, 0.0f, 34, {1, 2, 3, 4}},
        {CellShape::Hexa8, 0.0, 0.0f, 38, {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const Case& c : cases) {
        ImportedModel m = square(c.shape, c.z);
        m.stepValues = {0.5, 1.5};
        m.fields.push_back(field("U", 3, 2, 8, true, c.d3));
        const Built b = build(std::move(m));
        const std::string what = std::to_string(c.type);
        ASSERT_TRUE(b.ok) << what << b.messages.lastError();
        EXPECT_EQ(b.model.dimension, c.type / 10 == 2 ? 2 : 3) << what;
        EXPECT_EQ(b.model.elements[0].type, c.type) << what;
        EXPECT_EQ(
            std::vector<int32_t>(b.model.elementNodes(0).begin(), b.model.elementNodes(0).end()),
            c.nodes)
            << what;
    }
    // Without a displacement field, the coordinates alone decide.
    for (const auto& [z, dimension] : {std::pair{1e-9, 2}, {2e-9, 3}})
        EXPECT_EQ(build(square(CellShape::Quad4, z)).model.dimension, dimension) << z;
}

// Cells listed out of order keep their own nodes; labels and numbers are the file's.
TEST(ImportBuilder, CellsOutOfOrderAndLabels) {
    ImportedModel m = square(CellShape::Quad8);
    m.cells = {{CellShape::Triangle3, 21, 1, 5}, {CellShape::Quad4, -4, 2, 0}};
    m.cellNodes = {3, 2, 1, 0, 7, 5, 6, 4};
    const Built b = build(std::move(m));
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(b.model.connectivity, (std::vector<int32_t>{6, 7, 5, 4, 3, 2, 1}));
    EXPECT_EQ(b.model.elements[1].number, -4);
    EXPECT_EQ(b.model.elements[1].material, 2);
    EXPECT_EQ(b.model.elements[1].realConstant, 1);
    EXPECT_EQ(b.model.nodeNumbers[7], 18);
    EXPECT_EQ(b.model.jobTitle, "square");
}

// Displacements first (their third component only in space), vectors split, names cut and
// kept apart; values land under their names.
TEST(ImportBuilder, ComponentNamesAndValues) {
    const std::string longName = "A_VERY_LONG_FIELD_NAME";
    for (double z : {0.0, 1.0}) {
        ImportedModel m = square(CellShape::Quad4, z);
        m.stepValues = {2.0, 4.0};
        m.modes = true;
        for (auto [name, components] :
             std::vector<std::pair<std::string, int32_t>>{{"TEMP", 1},
                                                          {longName + "1", 1},
                                                          {longName + "2", 1},
                                                          {"UX", 1},
                                                          {"VELOCITY", 3},
                                                          {longName, 3}})
            m.fields.push_back(field(name, components, 2, 8));
        m.fields.insert(m.fields.begin() + 1, field("U", 3, 2, 8, true));
        const Built b = build(std::move(m));
        ASSERT_TRUE(b.ok && b.messages.boxes.empty());
        std::vector<std::string> names = {"UX",
                                          "UY",
                                          "UZ",
                                          "TEMP",
                                          "A_VERY_LONG_FIELD_N",
                                          "A_VERY_LONG_FIELD_2",
                                          "UX_2",
                                          "VELOCITY_X",
                                          "VELOCITY_Y",
                                          "VELOCITY_Z",
                                          "A_VERY_LONG_FIELD_X",
                                          "A_VERY_LONG_FIELD_Y",
                                          "A_VERY_LONG_FIELD_Z"};
        if (z == 0.0) names.erase(names.begin() + 2);
        EXPECT_EQ(b.model.results.dofNames, names);
        EXPECT_TRUE(b.model.results.hasDisplacements && b.model.modalResults);
        const FeModel& r = b.model;
        const int uy = 1, velocityZ = int(names.size()) - 4;
        EXPECT_EQ(r.storedValue(5, 1, uy), 1051.0f);
        EXPECT_EQ(r.storedValue(5, 1, velocityZ), 1052.0f);
        EXPECT_EQ(r.storedValue(2, 0, velocityZ - 6), 20.0f);  // TEMP
        EXPECT_EQ(r.stepValue(1), 4.0f);
    }
    // Without displacements a first component named UX is renamed; 50 components at most.
    ImportedModel m = square(CellShape::Quad4);
    m.stepValues = {1.0};
    for (int f = 0; f < 60; ++f)
        m.fields.push_back(field(f == 0 ? "UX" : "T" + std::to_string(f), 1, 1, 8));
    const Built b = build(std::move(m));
    ASSERT_TRUE(b.ok);
    EXPECT_EQ(b.model.results.dofCount, 50);
    EXPECT_EQ(b.model.results.dofNames[0], "UX_2");
    EXPECT_EQ(b.model.results.dofNames[49], "T49");
    EXPECT_FALSE(b.model.results.hasDisplacements);
    EXPECT_EQ(b.messages.texts(),
              std::vector<std::string>{"Message: The file holds 60 result components: the "
                                       "components beyond the first 50 are not shown."});
}

// What cannot be built is refused with what the file held, and leaves an empty model.
TEST(ImportBuilder, Refusals) {
    const auto with = [](const std::function<void(ImportedModel&)>& change) {
        ImportedModel m = square(CellShape::Quad4);
        change(m);
        return m;
    };
    const std::pair<ImportedModel, std::string> cases[] = {
        {with([](ImportedModel& m) {
             m.cells.clear();
             m.skipped = {"3 pyramids", "1 wedge"};
         }),
         "The file holds nothing this program can show: 8 nodes, 3 pyramids, 1 wedge!"},
        {with([](ImportedModel& m) { m.cells.clear(); }),
         "The file holds nothing this program can show: 8 nodes, no elements!"},
        {with([](ImportedModel& m) { m.labels[3] = 0; }),
         "The file is damaged: node label 0 does not fit 1..2147483647!"},
        {with([](ImportedModel& m) { m.labels[3] = int64_t(1) << 31; }),
         "The file is damaged: node label 2147483648 does not fit 1..2147483647!"},
        {with([](ImportedModel& m) { m.coords[4] = 1e300; }),
         "The file is damaged: node 12 has a coordinate that is not finite!"},
    };
    for (const auto& [model, text] : cases) {
        const Built b = build(model);
        EXPECT_FALSE(b.ok);
        EXPECT_EQ(b.messages.texts(), std::vector<std::string>{"Error: " + text});
        EXPECT_TRUE(b.model.nodeCount == 0 && b.model.elements.empty() && b.model.coords.empty());
    }
}

// --- the .frd reader ---

std::string data(const std::string& name) {
    return std::string(ORVANTA_IMPORT_DATA_DIR) + "/" + name;
}

// Hand-written files (tests/data/import): a brick and a tetrahedron in the short form with two
// steps of displacements and stresses and an error block the reader leaves out; the same in
// binary blocks (nodes as doubles, results as floats); a plane mix of qu8, tr6, qu4, tr3 and
// be2 with labels above a million in the long form, two modes, the third displacement within
// the plane rule's tolerance.
TEST(FrdRead, EncodingsAsCommitted) {
    std::string report;
    for (const char* name : {"brick_short.frd", "plane_long.frd"})
        report += std::string(name) + "\n" + describe(readAccepted(data(name))) + "\n";
    expectGolden("frd_reads.txt", report);
    EXPECT_EQ(describe(readAccepted(data("brick_binary.frd"))),
              describe(readAccepted(data("brick_short.frd"))));
}

// Damage is refused with its line (or byte in binary blocks), and so is an element type that
// cannot be shown, by its name.
TEST(FrdRead, DamagedFilesRefused) {
    const std::string text = readBytes(data("brick_short.frd")),
                      binary = readBytes(data("brick_binary.frd"));
    const auto edited = [](std::string s, const std::string& from, const std::string& to) {
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    const size_t stressAt = text.find(" -1    2 1.10000E+01");
    // The second element's record in the binary file: after the header line and the first.
    const size_t binaryElements = binary.find("    3C");
    std::string badType = binary;
    badType[binaryElements + 127] = '\x0d';
    const std::pair<std::string, std::string> cases[] = {
        {text.substr(0, text.find(" -1    2    3")),
         "The file ends early at line 21: the end of the element block is missing!"},
        {edited(text, "    2C                             9",
                "    2C                      99999999"),
         "The file is damaged at line 7: the node count 99999999 is more than the file can hold!"},
        {edited(text, "5.00000E-01 2.0", "5.0000xE-01 2.0"),
         "The file is damaged at line 16: the coordinate \"5.0000xE-01\" of node 9 is not a "
         "number!"},
        {edited(text, " -1    2 1.0", " -1    1 1.0"),
         "The file is damaged at line 9: node 1 is given twice!"},
        {edited(text, "    8    9\n", "    8   19\n"),
         "The file is damaged at line 22: element 2 refers to node 19, which the file does not "
         "hold!"},
        {edited(text, " -1    2    3", " -1    2    4"),
         "The file holds an element of type he20 (4) at line 21, which this program cannot show!"},
        {edited(text, " -1    2    3", " -1    2   13"),
         "The file is damaged at line 21: the element type 13 does not exist!"},
        {edited(text, " -1    9 8.00000E-03", " -1   19 8.00000E-03"),
         "The file is damaged at line 39: the DISP block names node 19, which the file does not "
         "hold!"},
        {edited(text, "    0    1ALL", "    0    0ALL"),
         "The file is damaged at line 30: the DISP block holds 4 components instead of 3!"},
        {text.substr(0, text.find(" -3", stressAt)),
         "The file ends early at line 58: the end of the STRESS block is missing!"},
        {edited(text, "    1PSTEP", "    1XSTEP"),
         "The file is damaged at line 24: the line \"    1XSTEP              \" starts no "
         "block!"},
        {binary.substr(0, binaryElements + 135),
         "The file ends early: it is cut off in the element block at byte " +
             std::to_string(binaryElements + 135) + "!"},
        {badType, "The file is damaged at byte " + std::to_string(binaryElements + 123) +
                      ": the element type 13 does not exist!"},
    };
    TempDir dir;
    for (const auto& [bytes, message] : cases)
        expectRefused(readFile(dir.file("in.frd"), bytes), message);
}

// Real runs of ccx (the inputs beside them): a plate of qu8 elements in plane stress with two
// load steps, and the first three modes of a cantilever of bricks. The reader's values are
// the file's; the model's text form reads back the same within its five digits.
TEST(FrdRead, CcxRuns) {
    struct Run {
        const char* name;
        int32_t dimension, nodes, elements, type;
        bool modes;
        std::vector<float> steps;
        std::vector<std::string> names;
    };
    const Run runs[] = {
        {"ccx_plate.frd",
         2,
         37,
         8,
         28,
         false,
         {1.0f, 2.0f},
         {"UX", "UY", "SXX", "SYY", "SXY", "SEQV"}},
        {"ccx_beam_modes.frd",
         3,
         28,
         6,
         38,
         true,
         {28451.39665f, 28451.39665f, 134034.4466f},
         {"UX", "UY", "UZ", "SXX", "SYY", "SZZ", "SXY", "SYZ", "SZX", "SEQV"}},
    };
    TempDir dir;
    for (const Run& run : runs) {
        const FeModel m = readAccepted(data(run.name));
        EXPECT_EQ(m.dimension, run.dimension);
        EXPECT_EQ(m.nodeCount, run.nodes);
        EXPECT_EQ(m.elementCount, run.elements);
        EXPECT_EQ(m.elements.back().type, run.type);
        EXPECT_EQ(m.modalResults, run.modes);
        EXPECT_EQ(std::vector<float>(m.results.stepValue.begin(), m.results.stepValue.end()),
                  run.steps);
        EXPECT_EQ(m.results.dofNames, run.names);
        writeFile(m, dir.file("run.asc"));
        std::filesystem::rename(dir.file("run.asc"), dir.file(run.modes ? "run.mdf" : "run.asc"));
        const FeModel t = readAccepted(dir.file(run.modes ? "run.mdf" : "run.asc"));
        ASSERT_EQ(t.values.size(), m.values.size());
        EXPECT_TRUE(t.connectivity == m.connectivity && t.results.dofNames == m.results.dofNames &&
                    t.modalResults == m.modalResults);
        for (size_t v = 0; v < m.values.size(); ++v)
            ASSERT_NEAR(t.values[v], m.values[v], 5e-5 * std::fabs(m.values[v]) + 1e-30) << v;
        for (int32_t i = 0; i < m.nodeCount; ++i)
            for (int j = 0; j < m.dimension; ++j)
                ASSERT_NEAR(t.fileCoordinate(i, j), m.fileCoordinate(i, j), 1e-5);
    }
    // Node 9 (position 9) and node 1 of the plate at the first step, as the file writes them;
    // the equivalent stress of node 1 from its six components.
    const FeModel plate = readAccepted(data("ccx_plate.frd"));
    EXPECT_EQ(plate.storedValue(8, 0, 1), -1.25420f);
    EXPECT_EQ(plate.storedValue(0, 0, 2), -2.45730e4f);
    EXPECT_NEAR(plate.storedValue(0, 0, 5), 2.273203e4, 0.05);
}

}  // namespace
