// The model: centring, extremes, displacements and what a view of it starts with; the values
// shown at a display step; symmetry alignment.
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

// What the model computes itself, as tests/golden/models.txt holds it: centre and box (unit
// depth in the plane, zero without nodes), extremes (0 without a finite value), displacements
// (exactly "UX" first, a component per axis), the magnification a view starts with (0 without
// displacements, 1 for time results, modes at rest or no extent, else 0.3 x mean size / range).
TEST(Models, AsCommitted) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<std::pair<std::string, FeModel>> models = {{"plane", planeModel()},
                                                           {"tetrahedron", tetModel()}};
    for (int32_t dimension : {2, 3})
        models.emplace_back("no nodes, " + std::to_string(dimension) + "D",
                            buildModel(dimension, {}, {}));
    const auto add = [&](const std::string& name, FeModel m, std::vector<std::string> names,
                         std::vector<float> steps, bool modes,
                         const std::function<float(int32_t, int32_t, int32_t)>& value) {
        addResults(m, names, steps, value);
        m.modalResults = modes;
        models.emplace_back(name, m);
    };
    const auto ramp = [](int32_t, int32_t i, int32_t d) { return float(i * 3 + d); };
    for (const std::vector<std::string>& names : std::vector<std::vector<std::string>>{
             {"UX", "UY"}, {"UXX", "UY"}, {"ux", "uy"}, {"UY", "UX"}})
        add("plane, " + names[0] + " " + names[1], planeModel(), names, {1.0f}, false, ramp);
    add("tetrahedron, UX UY", tetModel(), {"UX", "UY"}, {1.0f}, false, ramp);
    // Modes: UX over 0..0.6 and UY over -0.15..0 on a mean size of 5.5; UZ over 0..3 on a mean
    // size of 4; at rest; without extent. Mode 2 is not a multiple of mode 1.
    const auto modes = [](int32_t k, int32_t i, int32_t d) {
        return d == 0 ? float(i) * 0.1f * float(k + 1) : -0.05f * float(i);
    };
    add("plane, time results", planeModel(), {"UX", "UY"}, {1.0f, 2.0f}, false, modes);
    add("plane, modes", planeModel(), {"UX", "UY"}, {1.0f, 2.0f}, true, modes);
    add("tetrahedron, modes", tetModel(), {"UX", "UY", "UZ", "T"}, {1.0f}, true,
        [](int32_t, int32_t i, int32_t d) { return d == 2 ? float(i) : 0.0f; });
    add("tetrahedron, modes at rest", tetModel(), {"UX", "UY", "UZ"}, {1.0f}, true,
        [](int32_t, int32_t, int32_t) { return 0.25f; });
    add("two nodes in one place, modes", buildModel(3, {{1, 1, 1}, {1, 1, 1}}, {{1, 32, {1, 2}}}),
        {"UX", "UY", "UZ"}, {1.0f}, true, [](int32_t, int32_t, int32_t) { return 0.0f; });
    const float values[3][4] = {{1, 2, 3, inf}, {-5, 0.5f, 7, -inf}, {nan, nan, nan, nan}};
    add("plane, values not finite", planeModel(), {"UX", "B"}, {1.0f, 2.0f, 3.0f}, false,
        [&](int32_t k, int32_t i, int32_t d) { return d == 1 ? nan : values[k][i]; });
    FeModel stored = planeModel();
    addResults(stored, {"S"}, {2.0f}, [](int32_t, int32_t i, int32_t) { return float(i) - 1; });
    stored.results.overallMax[0] = 40.0f;  // one step shows the overall extremes, not its own
    models.emplace_back("plane, one step", stored);
    std::string report;
    for (const auto& [name, m] : models)
        report += name + "\n" + describe(m) + "\n";
    expectGolden("models.txt", report);
    // A model assigned over one with other result shapes takes its tables (the arrays' own =
    // would be a fatal size mismatch); steps and components that do not exist show nothing.
    FeModel m = models.back().second;
    m = models[models.size() - 2].second;
    EXPECT_EQ(std::make_pair(m.results.stepCount, m.storedValue(2, 1, 0)), std::make_pair(3, 7.0f));
    EXPECT_EQ(std::make_tuple(m.extremes(true, 3, 0), m.extremes(false, 0, 2), m.stepValue(3),
                              m.stepValue(-1)),
              std::make_tuple(Pair(0, 0), Pair(0, 0), 0.0, 0.0));
}

// A single step or the chosen mode is ramped over the display steps; a transient result
// shows its own steps. Node 1 (0-based) holds 16 and 17 at the single step.
TEST(NodalValue, RampsASingleStepOrTheChosenModeAndShowsStepsAsStored) {
    FeModel single = planeModel(), steps = planeModel(), modes = planeModel();
    EXPECT_EQ(std::make_pair(single.nodalValue(0, {}, 0), single.defaultDisplaySteps()),
              std::make_pair(0.0, 0));
    addResults(single, {"UX", "UY"}, {1.0f},
               [](int32_t, int32_t i, int32_t d) { return 8.0f * float(i + 1) + float(d); });
    addResults(steps, {"UX", "UY"}, {0.1f, 0.2f},
               [](int32_t k, int32_t i, int32_t d) { return float(100 * k + 10 * i + d); });
    addResults(modes, {"UX", "UY"}, {10.0f, 20.0f, 30.0f},
               [](int32_t k, int32_t i, int32_t) { return float((k + 1) * (i + 1)); });
    modes.modalResults = true;
    const std::tuple<const FeModel&, int32_t, ShownStep, int32_t, double> cases[] = {
        {single, 1, {4, 10}, 0, 8.0}, {single, 1, {9, 10}, 0, 16.0}, {single, 0, {0, 10}, 1, 0.9},
        {single, 0, {0, 10}, 2, 0.0}, {steps, 2, {0, 10}, 1, 21.0},  {steps, 3, {1, 1}, 0, 130.0},
        {steps, 2, {2, 10}, 1, 0.0},  {modes, 1, {1, 4, 2}, 0, 3.0}, {modes, 1, {3, 4, 0}, 0, 2.0},
        {modes, 1, {0, 1, 9}, 0, 6.0}};  // a mode beyond the last shows the last
    for (const auto& [m, i, shown, d, value] : cases)
        EXPECT_DOUBLE_EQ(m.nodalValue(i, shown, d), value) << shown.step << "/" << shown.count;
    // Displacements are the first components, where they are displacements at all.
    EXPECT_DOUBLE_EQ(single.displacement(1, {9, 10}, 1), 17.0);
    single.results.hasDisplacements = false;
    EXPECT_EQ(single.displacement(1, {9, 10}, 1), 0.0);
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

}  // namespace
