// The model: centring, the values shown per frame, displacements, extremes, symmetry
// alignment and the default magnification.

#include <cstring>
#include <limits>

#include "test_support.h"

namespace {

using namespace orv;
using namespace orvtest;

using Pair = std::pair<float, float>;

// Two triangles in the plane, all coordinates negative in x: x from -10 to -2, y 1 to 4.
FeModel planeModel() {
    return buildModel(2, {{-10, 1, 0}, {-2, 1, 0}, {-2, 4, 0}, {-10, 4, 0}},
                      {{1, 23, {1, 2, 3}}, {2, 23, {1, 3, 4}}});
}

// One tetrahedron in space: sizes 2, 4, 6.
FeModel tetModel() {
    return buildModel(3, {{0, 0, 0}, {2, 0, 0}, {0, 4, 0}, {0, 0, 6}}, {{1, 34, {1, 2, 3, 4}}});
}

std::vector<float> boxOf(const BoundingBox& b) {
    return {b.xMin, b.xMax, b.yMin, b.yMax, b.zMin, b.zMax};
}

TEST(Recentre, ShiftsTheCoordinatesToTheBoxCentre) {
    const FeModel plane = planeModel(), tet = tetModel();
    EXPECT_EQ(plane.centre, (std::array<float, 3>{-6.0f, 2.5f, 0.0f}));
    EXPECT_EQ(boxOf(plane.box), (std::vector<float>{-4, 4, -1.5f, 1.5f, 0, 1}));  // unit depth
    EXPECT_EQ(plane.coordinate(2, 1), 1.5f);
    EXPECT_EQ(plane.fileCoordinate(0, 0), -10.0f);
    EXPECT_EQ(tet.centre, (std::array<float, 3>{1.0f, 2.0f, 3.0f}));
    EXPECT_EQ(boxOf(tet.box), (std::vector<float>{-1, 1, -2, 2, -3, 3}));
    EXPECT_EQ(tet.coordinate(3, 2), 3.0f);
    for (int32_t dimension : {2, 3}) {  // no nodes: a zero box, never an inverted one
        FeModel m;
        m.reset();
        m.dimension = dimension;
        m.recentre();
        EXPECT_EQ(boxOf(m.box), (std::vector<float>{0, 0, 0, 0, 0, dimension == 2 ? 1.0f : 0.0f}));
    }
}

TEST(NodalValue, RampsASingleStepOrTheChosenModeAndShowsStepsAsStored) {
    FeModel m = planeModel();
    EXPECT_EQ(m.nodalValue(0, {}, 0), 0.0);  // no values
    addResults(m, {"UX", "UY"}, {1.0f},
               [](int32_t, int32_t i, int32_t d) { return 8.0f * float(i + 1) + float(d); });
    EXPECT_DOUBLE_EQ(m.nodalValue(1, {4, 10}, 0), 8.0);   // half of 16
    EXPECT_DOUBLE_EQ(m.nodalValue(1, {9, 10}, 0), 16.0);  // the last frame shows the value
    EXPECT_DOUBLE_EQ(m.nodalValue(0, {0, 10}, 1), 0.9);
    EXPECT_EQ(m.nodalValue(0, {0, 10}, 2), 0.0);  // no third component
    addResults(m, {"UX", "UY"}, {0.1f, 0.2f},
               [](int32_t k, int32_t i, int32_t d) { return float(100 * k + 10 * i + d); });
    for (int32_t frames : {1, 10}) {
        EXPECT_EQ(m.nodalValue(2, {0, frames}, 1), 21.0);
        EXPECT_EQ(m.nodalValue(3, {1, frames}, 0), 130.0);
        EXPECT_EQ(m.nodalValue(2, {2, frames}, 1), 0.0);  // no such step
    }
    addResults(m, {"UX", "UY"}, {10.0f, 20.0f, 30.0f},
               [](int32_t k, int32_t i, int32_t) { return float((k + 1) * (i + 1)); });
    m.modalResults = true;
    EXPECT_DOUBLE_EQ(m.nodalValue(1, {1, 4, 2}, 0), 3.0);
    EXPECT_DOUBLE_EQ(m.nodalValue(1, {3, 4, 0}, 0), 2.0);
}

TEST(Displacements, NeedExactlyUXFirstAndAComponentPerAxis) {
    const std::vector<std::tuple<int32_t, std::vector<std::string>, bool>> cases = {
        {2, {"UX", "UY"}, true},  {3, {"UX", "UY", "UZ", "T"}, true}, {2, {"UXX", "UY"}, false},
        {2, {"ux", "uy"}, false}, {3, {"UX", "UY"}, false},           {2, {"UY", "UX"}, false}};
    for (const auto& [dimension, names, displacements] : cases) {
        FeModel m = dimension == 2 ? planeModel() : tetModel();
        addResults(m, names, {1.0f},
                   [](int32_t, int32_t i, int32_t d) { return float(i * 3 + d); });
        EXPECT_EQ(m.results.hasDisplacements, displacements) << names[0] << " in " << dimension;
        EXPECT_EQ(m.displacement(2, {}, 1), displacements ? 7.0 : 0.0);
    }
}

TEST(Extremes, PerStepOverallAndWithoutFiniteValues) {
    FeModel m = planeModel();
    addResults(m, {"S"}, {2.0f}, [](int32_t, int32_t i, int32_t) { return float(i) - 1.0f; });
    m.results.overallMax[0] = 40.0f;                        // told apart from the step table
    EXPECT_EQ(m.extremes(true, 0, 0), Pair(40.0f, -1.0f));  // one step: the overall ones
    // Mode 2 is not a multiple of mode 1: its extremes sit at other nodes.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float modes[3][4] = {{1, 2, 3, inf}, {-5, 0.5f, 7, -inf}, {nan, nan, nan, nan}};
    addResults(m, {"UX", "B"}, {1.0f, 2.0f, 3.0f},
               [&](int32_t k, int32_t i, int32_t d) { return d == 1 ? nan : modes[k][i]; });
    const Pair none(0.0f, 0.0f);
    const std::vector<Pair> expected = {{3, 1}, {7, -5}, none, {7, -5}, none, none, none, none};
    const std::vector<Pair> actual = {
        m.extremes(true, 0, 0),  m.extremes(true, 1, 0),
        m.extremes(true, 2, 0),                           // a step of nothing finite
        m.extremes(false, 0, 0), m.extremes(true, 1, 1),  // a component of nothing
        m.extremes(false, 0, 1), m.extremes(true, 3, 0),
        m.extremes(false, 0, 2)};
    EXPECT_EQ(actual, expected);
    EXPECT_TRUE(std::isinf(m.storedValue(3, 0, 0)));  // kept, only left out of the extremes
    EXPECT_EQ(std::vector<double>({m.stepValue(1), m.stepValue(3), m.stepValue(-1)}),
              std::vector<double>({2.0, 0.0, 0.0}));
}

TEST(Models, AssignOverAModelWithOtherResultShapes) {
    FeModel one = planeModel();
    addResults(one, {"S"}, {2.0f}, [](int32_t, int32_t i, int32_t) { return float(i); });
    FeModel two = tetModel();
    addResults(two, {"UX", "UY", "UZ"}, {1.0f, 2.0f},
               [](int32_t k, int32_t i, int32_t d) { return float(k * 100 + i * 10 + d); });
    one = two;  // tables of other sizes are replaced, not a fatal size mismatch
    EXPECT_EQ(one.results.stepCount, 2);
    EXPECT_EQ(one.results.dofNames, two.results.dofNames);
    EXPECT_EQ(one.extremes(true, 1, 2), two.extremes(true, 1, 2));
    EXPECT_EQ(one.storedValue(3, 1, 2), 132.0f);
}

TEST(Symmetry, SwitchingBackRestoresEverythingBitForBitAndWritersNeverSeeIt) {
    TempDir dir;
    for (const FeModel& original : {planeModel(), tetModel(), twoHexModel()}) {
        writeFile(original, dir.file("read.asc"));
        writeFile(original, dir.file("read.rst"));
        for (const std::vector<int>& sequence : {std::vector<int>{0, 1, 0}, {0, 2, 1, 1, 2, 0}}) {
            FeModel m = original;
            for (size_t s = 1; s < sequence.size(); ++s) {
                m.switchSymmetry(sequence[s - 1], sequence[s]);
                EXPECT_EQ(m.alignedAxis(), sequence[s]);
                writeFile(m, dir.file("now.asc"));
                writeFile(m, dir.file("now.rst"));
                for (const char* name : {"asc", "rst"})
                    EXPECT_EQ(readBytes(dir.file(std::string("now.") + name)),
                              readBytes(dir.file(std::string("read.") + name)));
            }
            EXPECT_EQ(std::memcmp(m.coords.data(), original.coords.data(), m.coords.size() * 4), 0);
            EXPECT_EQ(std::memcmp(&m.box, &original.box, sizeof m.box), 0);
            EXPECT_EQ(std::memcmp(&m.centre, &original.centre, sizeof m.centre), 0);
        }
    }
}

TEST(Symmetry, TheAlignedAxisStartsAtZeroOrKeepsPositiveFileCoordinates) {
    FeModel m = planeModel();  // file x -10..-2, y 1..4
    m.switchSymmetry(0, 2);    // about Y: x is aligned
    EXPECT_EQ(boxOf(m.box), (std::vector<float>{0, 8, -1.5f, 1.5f, 0, 1}));
    EXPECT_EQ(std::vector<float>({m.coordinate(0, 0), m.coordinate(1, 0), m.coordinate(0, 1)}),
              std::vector<float>({0, 8, -1.5f}));
    m.switchSymmetry(2, 1);  // about X: y is aligned, x centred again
    EXPECT_EQ(boxOf(m.box), (std::vector<float>{-4, 4, 1, 4, 0, 1}));
    EXPECT_EQ(m.coordinate(2, 1), 4.0f);
    FeModel near = buildModel(2, {{0, -0.5f, 0}, {1, 0.25f, 0}}, {});
    near.switchSymmetry(0, 1);
    EXPECT_EQ(std::make_pair(near.coordinate(0, 1), near.coordinate(1, 1)), Pair(0.0f, 0.75f));
}

float magnification(const FeModel& m, float) {
    return defaultMagnification(m);
}

TEST(DefaultMagnification, ZeroWithoutDisplacementsKeptForTimeResultsScaledForModes) {
    FeModel m = planeModel();  // sizes 8 and 3: mean 5.5
    EXPECT_EQ(magnification(m, 5.0f), 0.0f);
    // UX ranges over 0..0.6, UY over -0.15..0
    addResults(m, {"UX", "UY"}, {1.0f, 2.0f}, [](int32_t k, int32_t i, int32_t d) {
        return d == 0 ? float(i) * 0.1f * float(k + 1) : -0.05f * float(i);
    });
    EXPECT_EQ(magnification(m, 5.0f), 1.0f);
    m.modalResults = true;
    EXPECT_NEAR(magnification(m, 1.0f), 0.3 * 5.5 / 0.6, 1e-5);
    FeModel space = tetModel();  // mean size 4
    addResults(space, {"UX", "UY", "UZ"}, {1.0f},
               [](int32_t, int32_t i, int32_t d) { return d == 2 ? float(i) : 0.0f; });
    space.modalResults = true;
    EXPECT_NEAR(magnification(space, 1.0f), 0.3 * 4.0 / 3.0, 1e-6);
    // Every mode at rest, or every range 0 in a model without extent: the factor is kept.
    addResults(space, {"UX", "UY", "UZ"}, {1.0f}, [](int32_t, int32_t, int32_t) { return 0.25f; });
    EXPECT_EQ(magnification(space, 7.0f), 1.0f);
    FeModel point = buildModel(3, {{1, 1, 1}, {1, 1, 1}}, {{1, 32, {1, 2}}});
    addResults(point, {"UX", "UY", "UZ"}, {1.0f}, [](int32_t, int32_t, int32_t) { return 0.0f; });
    point.modalResults = true;
    EXPECT_EQ(magnification(point, 7.0f), 1.0f);
    EXPECT_EQ(boxOf(point.box), (std::vector<float>{0, 0, 0, 0, 0, 0}));
}

}  // namespace
