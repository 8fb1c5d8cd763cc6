// Other programs' files: the one builder every importer hands its gathered model to (the plane
// rule, element codes and node orders, component names), and the CalculiX .frd reader.
#include "imported_model.h"

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

}  // namespace
