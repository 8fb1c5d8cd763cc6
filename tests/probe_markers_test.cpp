// The probe, the max/min markers and the displacements' magnitude USUM on the scene: the node
// a probe finds and the stored values it reports, the magnitude as a plot item, and what the
// frame draws of the markers.
#include <cmath>
#include <cstdlib>
#include <functional>
#include <sstream>

#include "render_support.h"

namespace {

using orv::FeModel;
using orvtest::buildModel;
using orvtest::Points;
using orvtest::SceneBench;

// The pixel a centred point is drawn at.
std::array<int, 2> pixelAt(const orv::Scene& s, const std::array<float, 3>& p) {
    const auto q = s.camera().modelToScreen(p);
    return {int(std::lround(q[0])), int(std::lround(q[1]))};
}

// Two bricks of side 1 stacked along z, sharing the face z = 1 (0 when centred).
FeModel stackedBricks() {
    Points p;
    for (int i = 0; i < 12; ++i)
        p.push_back({float(i % 4 == 1 || i % 4 == 2), float(i % 4 >= 2), float(i / 4)});
    return buildModel(3, p,
                      {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}}, {2, 38, {5, 6, 7, 8, 9, 10, 11, 12}}});
}

// Nodes 1..6 at (0,0) (1,0) (2,0) (0,1) (1,1) (2,1) in two squares, element 2 on the right,
// with UX, UY and T: T of node i is i at step 1 and 10 - i at step 2.
FeModel twoSquares() {
    FeModel m = buildModel(2, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}},
                           {{1, 24, {1, 2, 5, 4}}, {2, 24, {2, 3, 6, 5}}});
    orvtest::addResults(m, {"UX", "UY", "T"}, {1, 2}, [](int32_t k, int32_t i, int32_t d) {
        const float n = float(i + 1);
        return d == 0 ? 0.3f * n * float(k + 1) : d == 1 ? -0.4f * n : k == 0 ? n : 10 - n;
    });
    return m;
}

TEST(Probe, TheNodeDrawnNearestOnTheVisibleSideDeformedInsideTheCutAndSelection) {
    const auto select = [](const char* elements) {
        return [elements](SceneBench& b) {
            EXPECT_TRUE(b.scene.commandSelect({"Select", "Elem", false, elements}));
        };
    };
    const auto cutShared = [](SceneBench& b) {
        EXPECT_TRUE(b.scene.commandCut({{{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}}));
    };
    const struct {
        const char* name;
        FeModel model;
        float ay;  // about Y
        std::function<void(SceneBench&)> prepare;
        std::array<float, 3> at;  // where the click is, centred
        int32_t expected;
    } cases[] = {
        {"node 1 moved by 2 along x, where it is drawn",
         orvtest::planeSquare({2, 0, 0, 0}, {"UX", "UY"}),
         0,
         {},
         {1.4f, -0.4f, 0},
         1},
        {"plane, node 3 held by a hidden element only",
         twoSquares(),
         0,
         [&](SceneBench& b) {
             select("1")(b);
             EXPECT_TRUE(b.scene.commandSetMagnification(0));
         },
         {1, -0.5f, 0},
         2},
        {"cube, its front", orvtest::unitCube({}), 0, {}, {-0.5f, -0.5f, 0}, 5},
        {"cube turned round, its back", orvtest::unitCube({}), 180, {}, {-0.5f, -0.5f, 0}, 1},
        {"bricks, the upper one hidden", stackedBricks(), 0, select("1"), {-0.5f, -0.5f, 0}, 5},
        {"bricks cut at their shared face", stackedBricks(), 0, cutShared, {-0.5f, -0.5f, 0}, 5},
        {"bricks, both shown", stackedBricks(), 0, {}, {-0.5f, -0.5f, 0}, 9},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        SceneBench b(k.model);
        ASSERT_TRUE(b.scene.commandSetMagnification(1));
        if (k.model.dimension == 3) ASSERT_TRUE(b.scene.commandSetViewAngles(0, k.ay, 0, b.none));
        if (k.prepare) k.prepare(b);
        ASSERT_TRUE(b.scene.commandToggleProbe(b.none));
        EXPECT_TRUE(b.scene.commandState(orv::CommandId::Probe).checked);
        const auto p = pixelAt(b.scene, k.at);
        const auto report = b.scene.commandProbe(p[0] + 3, p[1] - 2);  // near, not on it
        ASSERT_TRUE(report);
        EXPECT_EQ(report->node, k.expected);
        EXPECT_EQ(b.scene.probedNode(), k.expected);
        // The frame rings the node where it is drawn, in green over the model.
        const FeModel& m = b.scene.model();
        const orv::Camera& camera = b.scene.camera();
        std::array<float, 3> at{0, 0, 0};
        for (int c = 0; c < m.dimension; ++c)
            at[size_t(c)] = m.coordinate(k.expected - 1, c) +
                            b.scene.settings().magnification *
                                float(m.displacement(k.expected - 1, b.scene.settings().shown, c));
        const auto turned = orv::turnAsScene(at, camera.viewAngles());
        int rings = 0;
        for (const auto& ring : b.draw().ofMode(orv::gl::LineLoop)) {
            if (ring.vertices.size() != 24 || ring.vertices[0].color[1] != 1.0f) continue;
            std::array<float, 3> centre{0, 0, 0};
            for (const auto& v : ring.vertices)
                for (size_t c = 0; c < 3; ++c)
                    centre[c] += v.position[c] / 24;
            rings +=
                b.onOverlay(centre[2]) &&
                std::fabs(centre[0] - camera.translation[0] - camera.scale * turned[0]) < 1e-4f &&
                std::fabs(centre[1] - camera.translation[1] - camera.scale * turned[1]) < 1e-4f;
        }
        EXPECT_EQ(rings, 1);
        // Another mode of the left button takes the mark away; Probe again starts afresh.
        ASSERT_TRUE(b.scene.commandDynamicPan(b.none));
        EXPECT_EQ(b.scene.probedNode(), 0);
        ASSERT_TRUE(b.scene.commandToggleProbe(b.none));
        EXPECT_EQ(b.scene.probedNode(), 0);
    }
}

// The values are the stored ones of the step or mode shown, never the animation's ramp.
TEST(Probe, ReportsTheStoredValuesOfTheShownStepOrModeAsTheFileHoldsThem) {
    const struct {
        const char* file;
        int frames, mode, step;  // frames and mode 0: as opened
        int32_t node;
        const char* coordinates;
        const char* values;  // the node's line of that step in the file
    } cases[] = {
        {"cantilever.asc", 0, 0, 0, 2, "2.5000e+001 -5.0000e+001 -2.5000e+001",
         "-2.8214e-003 -7.0833e-004 0.0000e+000 -2.3400e+001 0.0000e+000"},
        {"cantilever.asc", 0, 0, 4, 615, "1.0000e+003 5.0000e+001 2.5000e+001",
         "2.8571e-001 -3.8095e+000 0.0000e+000 0.0000e+000 0.0000e+000"},
        {"cantilever_modes.mdf", 4, 1, 1, 615, "1.0000e+003 5.0000e+001 2.5000e+001",
         "-6.8825e-002 1.0000e+000 0.0000e+000"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.file);
        orvtest::ReadOutcome read =
            orvtest::readFile(std::string(ORVANTA_EXAMPLES_DIR) + "/" + k.file);
        ASSERT_TRUE(read.ok);
        SceneBench b(std::move(read.model));
        if (k.frames) ASSERT_TRUE(b.scene.commandSetFrames(k.frames));
        if (k.mode) ASSERT_TRUE(b.scene.commandChooseMode(k.mode));
        ASSERT_TRUE(b.scene.commandSetStep(k.step));
        const auto report = b.scene.probeReport(k.node);
        ASSERT_TRUE(report);
        std::istringstream at(k.coordinates), values(k.values);
        for (int c = 0; c < 3; ++c) {
            std::string word;
            at >> word;
            EXPECT_EQ(report->at[size_t(c)], double(std::strtof(word.c_str(), nullptr)));
        }
        std::vector<std::string> names;
        double sum = 0;
        for (size_t d = 0; d + 1 < report->values.size(); ++d) {
            std::string word;
            values >> word;
            const float stored = std::strtof(word.c_str(), nullptr);
            EXPECT_EQ(report->values[d].second, double(stored)) << report->values[d].first;
            if (d < 3) sum += double(stored) * stored;
            names.push_back(report->values[d].first);
        }
        EXPECT_EQ(names[0] + names[1] + names[2], "UXUYUZ");
        EXPECT_EQ(report->values.back().first, "USUM");
        EXPECT_EQ(report->values.back().second, double(float(std::sqrt(sum))));
    }
    EXPECT_FALSE(SceneBench(twoSquares()).scene.probeReport(7));
}

TEST(Magnitude, APlotItemAfterTheComponentsComputedNeverStored) {
    SceneBench b(twoSquares());
    const FeModel& m = b.scene.model();
    EXPECT_EQ(m.plotItemNames(), (std::vector<std::string>{"UX", "UY", "T", "USUM"}));
    // Node 6 is the farthest moved: (1.8, -2.4) at step 1 and (3.6, -2.4) at step 2; node 1
    // the least, (0.3, -0.4) at step 1.
    EXPECT_FLOAT_EQ(m.storedMagnitude(5, 0), 3.0f);
    ASSERT_TRUE(b.scene.commandChooseItem(3, b.none));
    EXPECT_FALSE(b.scene.commandChooseItem(4, b.none));
    EXPECT_EQ(b.scene.contourOptions().item, "USUM");
    // The bands' limits: of all steps, then of the shown step.
    EXPECT_FLOAT_EQ(b.scene.bands().maxValue, 4.3266615f);
    EXPECT_FLOAT_EQ(b.scene.bands().minValue, 0.5f);
    ASSERT_TRUE(b.scene.commandToggleStepMaxMin(b.none));
    EXPECT_FLOAT_EQ(b.scene.bands().maxValue, 3.0f);
    ASSERT_TRUE(b.scene.commandSetStep(1));
    EXPECT_FLOAT_EQ(b.scene.bands().minValue, 0.72111025f);
    const orv::RecordingGl gl = b.draw();
    EXPECT_TRUE(std::any_of(gl.texts.begin(), gl.texts.end(),
                            [](const auto& t) { return t.text == "USUM"; }));
    // Save As writes the file's own components.
    orvtest::TempDir dir;
    orvtest::writeFile(m, dir.file("saved.asc"));
    EXPECT_EQ(orvtest::readFile(dir.file("saved.asc")).model.results.dofNames,
              (std::vector<std::string>{"UX", "UY", "T"}));
    // No displacements, or a stored component of that name: no computed one.
    for (const std::vector<std::string>& names :
         {std::vector<std::string>{"T", "UY"}, std::vector<std::string>{"UX", "UY", "USUM"}}) {
        const FeModel other = orvtest::planeSquare({1, 2, 3, 4}, names);
        EXPECT_EQ(other.plotItemNames(), names);
        EXPECT_FALSE(other.isMagnitude(int32_t(names.size())));
    }
}

// The labels a frame draws of the markers, in the node numbers' font, inside the drawing area.
std::vector<std::string> markerTexts(SceneBench& b) {
    const orv::RecordingGl gl = b.draw();
    const orv::Rect& box = b.scene.camera().loaded;
    std::vector<std::string> out;
    for (const auto& t : gl.texts) {
        if (t.text.rfind("MAX", 0) != 0 && t.text.rfind("MIN", 0) != 0) continue;
        EXPECT_EQ(t.listBase, b.scene.fonts().base(orv::Font::Arial12) - 32) << t.text;
        const bool inside = t.position[0] >= box.left &&
                            t.position[0] < box.left + 0.8f * (box.right - box.left) &&
                            t.position[1] >= box.bottom && t.position[1] < box.top;
        EXPECT_TRUE(inside) << t.text;
        out.push_back(t.text);
    }
    return out;
}

TEST(Markers, TheLargestAndSmallestPlottedValueOfTheShownStepAmongShownNodes) {
    using Texts = std::vector<std::string>;
    SceneBench b(twoSquares());
    orv::Scene& s = b.scene;
    ASSERT_TRUE(s.commandChooseItem(2, b.none));  // T, as a contour
    EXPECT_EQ(markerTexts(b), Texts{});
    ASSERT_TRUE(s.commandToggleMarkers(b.none));
    EXPECT_TRUE(s.commandState(orv::CommandId::Markers).checked);
    const struct {
        const char* name;
        std::function<void()> change;
        Texts texts;
    } steps[] = {
        {"step 1", [] {}, {"MAX 6 (node 6)", "MIN 1 (node 1)"}},
        {"step 2", [&] { ASSERT_TRUE(s.commandSetStep(1)); }, {"MAX 9 (node 1)", "MIN 4 (node 6)"}},
        {"element 2 hidden",
         [&] {
             ASSERT_TRUE(s.commandSelect({"Select", "Elem", false, "2"}));
         },
         {"MAX 8 (node 2)", "MIN 4 (node 6)"}},
        {"the magnitude",
         [&] { ASSERT_TRUE(s.commandChooseItem(3, b.none)); },
         {"MAX 4.32666 (node 6)", "MIN 1.44222 (node 2)"}},
        {"a mesh shows no values", [&] { b.plot(orv::PlotMode::Mesh); }, {}},
        {"iso-lines do",
         [&] { b.plot(orv::PlotMode::IsoLine); },
         {"MAX 4.32666 (node 6)", "MIN 1.44222 (node 2)"}},
    };
    for (const auto& k : steps) {
        SCOPED_TRACE(k.name);
        k.change();
        EXPECT_EQ(markerTexts(b), k.texts);
    }
}

// In space: the nodes of a cut's kept side, however far in they lie.
TEST(Markers, ACutKeepsTheNodesOfItsKeptSide) {
    FeModel m = stackedBricks();
    orvtest::addResults(m, {"T"}, {1}, [](int32_t, int32_t i, int32_t) { return float(i + 1); });
    SceneBench bare(stackedBricks());
    EXPECT_FALSE(bare.scene.commandToggleMarkers(bare.none));
    EXPECT_EQ(bare.messages.texts(),
              std::vector<std::string>{"Message: No results are availabile!"});
    SceneBench b(std::move(m));
    ASSERT_TRUE(b.scene.commandPlotMode(orv::PlotMode::Contour, false, b.none));
    ASSERT_TRUE(b.scene.commandToggleMarkers(b.none));
    EXPECT_EQ(markerTexts(b), (std::vector<std::string>{"MAX 12 (node 12)", "MIN 1 (node 1)"}));
    ASSERT_TRUE(b.scene.commandCut({{{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}}));
    EXPECT_EQ(markerTexts(b), (std::vector<std::string>{"MAX 8 (node 8)", "MIN 1 (node 1)"}));
}

}  // namespace
