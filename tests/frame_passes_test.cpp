// Whole frames through the scene: the element grid of each plot mode; what each plot draws
// (bands, iso-lines, vectors, faces, shells, iso-surfaces), compared whole with
// tests/golden/frames.txt; the mirror copy of a symmetric model, and frames while dragging.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "render_support.h"

namespace {

using orv::PlotMode;
using orv::RecordingGl;
using orvtest::Primitive;
using orvtest::SceneBench;
using Vec3 = std::array<float, 3>;
namespace gl = orv::gl;

const Vec3 kWhite = {1, 1, 1}, kGrey = {0.6f, 0.6f, 0.6f}, kBlue = {0, 0, 1};

const auto cube = [] { return orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}); };
const auto square = [] { return orvtest::planeSquare({0, 1, 2, 3}); };

TEST(FramePasses, WithoutAModelTheWindowIsClearedToWhite) {
    orvtest::RecordingMessages messages;
    orv::Scene scene(messages);
    RecordingGl gl;
    scene.redraw(gl);
    EXPECT_EQ(gl.clearColour, (std::array<float, 4>{1, 1, 1, 0}));
    EXPECT_TRUE(gl.primitives.empty() && gl.texts.empty());
}

// The element edges over each plot: their colour, width and GL state, in a context left with
// the depth test and lighting on, each edge once: the square's in one loop, the nine edges
// of the cube's three faces seen from (30, 30) as lines. A plane frame turns both off (its
// grid lies at the depth of its faces); a solid frame offsets its fills behind the lines.
TEST(FramePasses, EdgesOfEachPlotModeOverWhateverTheContextHeld) {
    const struct {
        int dimension;
        PlotMode mode;
        bool grid;
        Vec3 colour;
    } cases[] = {
        {2, PlotMode::Contour, true, kWhite},    {3, PlotMode::Contour, true, kWhite},
        {2, PlotMode::IsoLine, true, kGrey},     {3, PlotMode::IsoLine, true, kWhite},
        {3, PlotMode::IsoSurface, false, kGrey}, {2, PlotMode::Material, true, kWhite},
        {3, PlotMode::Material, true, kWhite},   {2, PlotMode::Mesh, false, kBlue},
        {2, PlotMode::Node, true, kGrey},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "dimension " << k.dimension << ", mode " << int(k.mode));
        SceneBench bench(k.dimension == 2 ? square() : cube());
        bench.plot(k.mode);
        if (k.grid) bench.toggleGrid();
        RecordingGl gl;
        gl.enable(gl::DepthTest);
        gl.enable(gl::Lighting);
        bench.scene.redraw(gl);
        EXPECT_EQ(gl.isEnabled(gl::PolygonOffsetFill), k.dimension == 3);
        const auto edges = [&](const RecordingGl& gl) {
            std::vector<Primitive> out;
            for (const Primitive& p :
                 bench.modelPrimitives(gl, k.dimension == 3 ? gl::Lines : gl::LineLoop))
                if (p.vertices[0].color == k.colour) out.push_back(p);
            return out;
        };
        size_t ends = 0;
        for (const Primitive& p : edges(gl)) {
            EXPECT_FALSE(p.lighting);
            EXPECT_EQ(p.lineWidth, k.mode == PlotMode::Mesh ? 1.0f : 0.5f);
            EXPECT_TRUE(p.depthTest == (k.dimension == 3) || k.mode == PlotMode::Mesh ||
                        k.mode == PlotMode::Node);
            ends += p.vertices.size();
        }
        EXPECT_EQ(ends, k.dimension == 3 ? 18u : 4u);
        // Without the grid only the mesh and iso-surface plots draw edges.
        if (k.grid) {
            bench.toggleGrid();
            EXPECT_TRUE(edges(bench.draw()).empty());
        }
    }
}

orv::FeModel arrows(const std::vector<std::string>& names) {
    const float u[4][2] = {{3, 4}, {0, 2}, {-0.25f, 0}, {0, 0}};  // the longest of length 5
    orv::FeModel m = square();
    orvtest::addResults(m, names, {1.0f},
                        [&](int32_t, int32_t i, int32_t d) { return u[i][d % 2]; });
    return m;
}

orv::FeModel shell() {
    orv::FeModel m = orvtest::buildModel(3, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}},
                                         {{1, 44, {1, 2, 3, 4}}, {2, 31, {5}}});
    orvtest::addResults(m, {"T"}, {1.0f}, [](int32_t, int32_t i, int32_t) { return float(i); });
    return m;
}

// A frame of one plot of a small model, seen from (ax, ay) unless a plane model.
struct Frame {
    const char* name;
    orv::FeModel model;
    PlotMode mode;
    float ax = -1, ay = 0;
    int divisions = 2, item = 0;
    bool edges = false, light = true;
    orv::UserRange range{};
};

// What each plot draws of a small model, compared whole with tests/golden/frames.txt.
TEST(FramePasses, FramesOfEachPlot) {
    const auto q = [](float a, float b, float c, float d) {
        return orvtest::planeSquare({a, b, c, d});
    };
    const orv::UserRange reversed = {true, 0, 10}, descending = {true, 16, 0};
    const auto iso = [] { return orvtest::unitCube({0, 8, 8, 0, 0, 8, 8, 0}); };
    const Frame frames[] = {
        {"values 0 below and 10 above in two bands: blue below y = 0, red above, the black "
         "band edge along y = 0 last",
         q(0, 0, 10, 10), PlotMode::Contour, -1, 0, 2, 0, true},
        {"values at the bound 5 stay in the lower band, one polygon; limits 10 to 0 are put in "
         "order",
         q(0, 5, 5, 0), PlotMode::Contour, -1, 0, 2, 0, false, true, reversed},
        {"iso values 2, 4 and 6 in their bands' colours, none at 4 through vertices 1 and 3",
         q(0, 4, 8, 4), PlotMode::IsoLine, -1, 0, 3},
        {"arrows of (3, 4), (0, 2) and (-0.25, 0), a shaft and a head with its middle at the "
         "tip, the longest 0.1 x the model's size in the upper band's colour",
         arrows({"UX", "UY"}), PlotMode::Vector},
        {"velocities start at component 2, and there is no component 3: the outline, no "
         "arrows though VX moves",
         arrows({"UX", "UY", "VX"}), PlotMode::Vector, -1, 0, 2, 2},
        {"a cube seen along z: the face towards the viewer in its material's colour, lit", cube(),
         PlotMode::Material, 0},
        {"turned, three faces", cube(), PlotMode::Material, 30, 30},
        {"a contour in the dark", cube(), PlotMode::Contour, 30, 30, 2, 0, false, false},
        {"a shell is filled from the front", shell(), PlotMode::Material, 0},
        {"and from behind, its normal towards the viewer", shell(), PlotMode::Material, 0, 180},
        {"in its bands too", shell(), PlotMode::Contour, 0, 180},
        {"values rising along x: iso value 4 gives the square x = 0, its corners in order, lit "
         "with the light off, its normal towards the viewer; 8 and 12 lie above every node",
         iso(), PlotMode::IsoSurface, 0, 30, 3, 0, false, false, descending},
        {"seen from the side", iso(), PlotMode::IsoSurface, 0, 90, 3, 0, false, false, descending},
        {"seen from the other side", iso(), PlotMode::IsoSurface, 0, 270, 3, 0, false, false,
         descending},
    };
    std::string all;
    for (const Frame& k : frames) {
        SceneBench bench(k.model);
        ASSERT_TRUE(bench.scene.commandSetMagnification(0.001));  // the arrows' lengths stay
        ASSERT_TRUE(bench.scene.commandChooseItem(k.item, bench.none));
        ASSERT_TRUE(bench.scene.commandSetContour(k.divisions, false, k.range));
        bench.plot(k.mode, k.edges);
        ASSERT_TRUE(k.ax < 0 || bench.scene.commandSetViewAngles(k.ax, k.ay, 0, bench.none));
        ASSERT_TRUE(k.light || bench.scene.commandToggleLight(bench.none));
        all += std::string("== ") + k.name + "\n" + orvtest::primitivesText(bench, bench.draw());
    }
    orvtest::expectGolden("frames.txt", all);
}

// A plane model from y = 1 to 3 in the file, mirrored about X or Y: the aligned coordinate
// is the file's (the mirror line is the file's axis), the copy doubles the model's drawing.
TEST(FramePasses, ASymmetricPlaneModelIsDrawnWithItsMirrorCopyAboutTheFilesAxis) {
    SceneBench bench(orvtest::buildModel(2, {{0, 1, 0}, {1, 1, 0}, {1, 3, 0}, {0, 3, 0}},
                                         {{1, 24, {1, 2, 3, 4}}}));
    ASSERT_TRUE(bench.scene.commandSetNumbering(true, orv::Numbering::None));
    const size_t single = bench.modelPrimitives(bench.draw()).size();
    ASSERT_GT(single, 0u);
    const std::pair<orv::Symmetry, int> mirrors[] = {{orv::Symmetry::AboutX, 1},
                                                     {orv::Symmetry::AboutY, 0}};
    for (const auto& [symmetry, axis] : mirrors) {
        SCOPED_TRACE(axis);
        ASSERT_TRUE(bench.scene.commandSetSymmetry(symmetry));
        const RecordingGl gl = bench.draw();
        EXPECT_EQ(bench.modelPrimitives(gl).size(), 2 * single);
        EXPECT_EQ(gl.matrixDepth, 0);
        std::vector<Vec3> three;  // node 3 is (1, 3) in the file
        for (const auto& t : gl.texts)
            if (t.text == "3") three.push_back(t.position);
        ASSERT_EQ(three.size(), 2u);
        EXPECT_FLOAT_EQ(three[0][size_t(axis)], axis == 1 ? 3.0f : 1.0f);
    }
}

// While the mouse drags the model with numbers on, the frame is the outline alone: the plane
// square's four outer edges, no mesh loop and no numbers. A large model's wireframe is outlined
// too (the frame speed tests count its edges); a contour keeps its faces all the same.
TEST(FramePasses, DraggingWithNumbersOnDrawsTheOutlineAlone) {
    SceneBench bench(square());
    const auto shape = [&](const RecordingGl& gl) {
        const bool numbers = std::any_of(gl.texts.begin(), gl.texts.end(),
                                         [](const auto& t) { return t.text == "1"; });
        return std::make_tuple(bench.modelPrimitives(gl, gl::Lines).size(),
                               bench.modelPrimitives(gl, gl::LineLoop).size(), numbers);
    };
    ASSERT_TRUE(bench.scene.commandSetNumbering(true, orv::Numbering::None));
    ASSERT_TRUE(bench.scene.commandDynamicPan(bench.none));
    bench.scene.mousePress(10, 10);
    ASSERT_TRUE(bench.scene.mouseDrag(30, 10));
    EXPECT_EQ(shape(bench.draw()), std::make_tuple(size_t(1), size_t(0), false));
    bench.scene.mouseRelease(30, 10);
    EXPECT_EQ(shape(bench.draw()), std::make_tuple(size_t(0), size_t(1), true));
    SceneBench solid(cube());
    solid.plot(PlotMode::Contour);
    orv::Geometry renderer;
    renderer.largeModelElements = 0;  // one element is a large model here
    const std::vector<int32_t> picked;
    RecordingGl gl;
    orv::Camera camera = solid.scene.camera();
    renderer.renderFrame(solid.context(gl, renderer, solid.scene.settings(), picked, true), camera);
    EXPECT_FALSE(solid.modelPrimitives(gl, gl::Polygon).empty());
}

}  // namespace
