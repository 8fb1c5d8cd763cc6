// Whole frames through the scene: the pass of each plot mode with its colours and GL state,
// what the element families draw in them (bands, iso-lines, vectors, faces, shells,
// iso-surfaces), the mirror copy of a symmetric model, and frames while dragging.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "band_fill.h"
#include "render_support.h"

namespace {

using orv::PlotMode;
using orv::RecordingGl;
using orvtest::near3;
using orvtest::Primitive;
using orvtest::SceneBench;
using Vec3 = std::array<float, 3>;
namespace gl = orv::gl;

const Vec3 kWhite = {1, 1, 1}, kGrey = {0.6f, 0.6f, 0.6f}, kRed = {1, 0, 0}, kBlue = {0, 0, 1},
           kBlack = {0, 0, 0};

orv::FeModel cube() {
    return orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7});
}
orv::FeModel square() {
    return orvtest::planeSquare({0, 1, 2, 3});
}

TEST(FramePasses, WithoutAModelTheWindowIsClearedToWhite) {
    orvtest::RecordingMessages messages;
    orv::Scene scene(messages);
    RecordingGl gl;
    scene.redraw(gl);
    EXPECT_EQ(gl.clearColour, (std::array<float, 4>{1, 1, 1, 0}));
    EXPECT_TRUE(gl.primitives.empty() && gl.texts.empty());
}

// The element edges over each plot: their colour, width and GL state, in a context left with
// the depth test and lighting on. A plane frame turns both off (its grid lies at the depth of
// its faces); a solid frame offsets its fills behind the lines.
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
        const auto loops = bench.modelPrimitives(gl, gl::LineLoop);
        ASSERT_FALSE(loops.empty());
        for (const Primitive& p : loops) {
            EXPECT_EQ(p.vertices[0].color, k.colour);
            EXPECT_FALSE(p.lighting);
            EXPECT_EQ(p.lineWidth, k.mode == PlotMode::Mesh ? 1.0f : 0.5f);
            EXPECT_TRUE(p.depthTest == (k.dimension == 3) || k.mode == PlotMode::Mesh ||
                        k.mode == PlotMode::Node);
        }
        // Without the grid only the mesh and iso-surface plots draw edges.
        if (k.grid) {
            bench.toggleGrid();
            EXPECT_TRUE(bench.modelPrimitives(bench.draw(), gl::LineLoop).empty());
        }
    }
}

// A square with values rising from 0 at the bottom to 10 at the top, in two bands split at
// 5: blue below y = 0 (the centred middle), red above, the black band edge along y = 0 last.
TEST(FramePasses, ContourBandsSplitAtTheBoundWhichTakesTheLowerBand) {
    SceneBench bench(orvtest::planeSquare({0, 0, 10, 10}));
    bench.plot(PlotMode::Contour, true);
    ASSERT_TRUE(bench.scene.commandSetContour(2, false, {}));
    const auto primitives = bench.modelPrimitives(bench.draw());
    ASSERT_EQ(primitives.size(), 3u);
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(primitives[k].mode, gl::Polygon);
        for (const auto& v : primitives[k].vertices) {
            EXPECT_EQ(v.color, k == 0 ? kBlue : kRed);
            EXPECT_LE((k == 0 ? 1 : -1) * v.position[1], 1e-6f);
        }
    }
    ASSERT_EQ(primitives[2].mode, gl::Lines);
    ASSERT_EQ(primitives[2].vertices.size(), 2u);
    EXPECT_TRUE(near3(primitives[2].vertices[0].position, {0.5f, 0, 0}));
    EXPECT_TRUE(near3(primitives[2].vertices[1].position, {-0.5f, 0, 0}));
    EXPECT_EQ(primitives[2].vertices[0].color, kBlack);

    // Values at the bound 5 stay in the lower band: one blue polygon, unclipped. User
    // limits given the wrong way round are put in order.
    SceneBench atBound(orvtest::planeSquare({0, 5, 5, 0}));
    atBound.plot(PlotMode::Contour);
    ASSERT_TRUE(atBound.scene.commandSetContour(2, false, {true, 0, 10}));
    EXPECT_EQ(atBound.scene.bands().maxValue, 10.0f);
    ASSERT_EQ(atBound.scene.bands().bandUpper[0], 5.0f);
    const auto polygons = atBound.modelPrimitives(atBound.draw(), gl::Polygon);
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polygons[0].vertices.size(), 4u);
    EXPECT_EQ(polygons[0].vertices[0].color, kBlue);
}

// Iso values 2, 4 and 6 over a square whose vertices 1 and 3 sit exactly at 4: that value
// gives no line, the others one each in their band's colour.
TEST(FramePasses, IsoLinesInTheirBandsColourAndNoneThroughAVertex) {
    SceneBench bench(orvtest::planeSquare({0, 4, 8, 4}));
    bench.plot(PlotMode::IsoLine);
    ASSERT_TRUE(bench.scene.commandSetContour(3, false, {}));
    ASSERT_EQ(bench.scene.bands().bandUpper[1], 4.0f);
    std::vector<Primitive> iso;
    for (const Primitive& p : bench.modelPrimitives(bench.draw(), gl::Lines))
        if (!p.vertices.empty() && p.vertices[0].color != kGrey && p.vertices[0].color != kWhite)
            iso.push_back(p);
    ASSERT_EQ(iso.size(), 2u);
    EXPECT_EQ(iso[0].vertices[0].color, kBlue);                      // value 2
    EXPECT_TRUE(near3(iso[0].vertices[0].position, {0, -0.5f, 0}));  // half way along edge 0-1
    EXPECT_EQ(iso[1].vertices[0].color, kRed);                       // value 6
}

orv::FeModel vectorSquare(const std::vector<std::string>& names,
                          const std::array<std::array<float, 2>, 4>& u) {
    orv::FeModel m = orvtest::buildModel(2, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                                         {{1, 24, {1, 2, 3, 4}}});
    orvtest::addResults(m, names, {1.0f},
                        [&](int32_t, int32_t i, int32_t d) { return u[size_t(i)][size_t(d % 2)]; });
    return m;
}

TEST(FramePasses, VectorsLongestIsATenthOfTheModelAndDirectionsFollowTheComponents) {
    SceneBench bench(vectorSquare({"UX", "UY"}, {{{3, 4}, {0, 2}, {-0.25f, 0}, {0, 0}}}));
    ASSERT_TRUE(bench.scene.commandSetMagnification(0.001));  // the longest is 0.1 x size still
    bench.plot(PlotMode::Vector);
    const auto primitives = bench.modelPrimitives(bench.draw());
    std::vector<std::pair<Primitive, Primitive>> arrows;  // shaft and head
    for (size_t i = 0; i + 1 < primitives.size(); ++i)
        if (primitives[i].mode == gl::Lines && primitives[i + 1].mode == gl::Polygon)
            arrows.emplace_back(primitives[i], primitives[i + 1]);
    ASSERT_EQ(arrows.size(), 3u);  // node 4 does not move

    // Shafts in units of the longest, 0.1 x the model's size: (3, 4), (0, 2) and (-0.25, 0)
    // of a longest of length 5.
    const float lmax = 0.1f * bench.scene.camera().modelSize;
    const float shafts[3][2] = {{0.6f, 0.8f}, {0, 0.4f}, {-0.05f, 0}};
    for (size_t a = 0; a < 3; ++a) {
        const Vec3 &s = arrows[a].first.vertices[0].position,
                   &t = arrows[a].first.vertices[1].position;
        EXPECT_NEAR(t[0] - s[0], shafts[a][0] * lmax, 1e-6f) << "arrow " << a;
        EXPECT_NEAR(t[1] - s[1], shafts[a][1] * lmax, 1e-6f) << "arrow " << a;
    }

    // The head's middle point is the tip; the longest arrow takes the last band's colour,
    // the shortest the first.
    EXPECT_EQ(arrows[1].second.vertices[1].position, arrows[1].first.vertices[1].position);
    EXPECT_EQ(arrows[0].first.vertices[0].color, bench.scene.colours().bandColour(14));
    EXPECT_EQ(arrows[2].first.vertices[0].color, bench.scene.colours().bandColour(0));

    // Velocities start at component 2, and there is no component 3: no arrows though VX
    // moves, the outline is still drawn.
    SceneBench velocity(vectorSquare({"UX", "UY", "VX"}, {{{3, 4}, {0, 2}, {0, 0}, {-1, 0}}}));
    velocity.plot(PlotMode::Vector);
    ASSERT_TRUE(velocity.scene.commandChooseItem(2, velocity.none));
    const RecordingGl gl = velocity.draw();
    EXPECT_TRUE(velocity.modelPrimitives(gl, gl::Polygon).empty());
    EXPECT_FALSE(velocity.modelPrimitives(gl, gl::Lines).empty());
}

orv::FeModel shellSquare() {
    orv::FeModel m = orvtest::buildModel(3, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}},
                                         {{1, 44, {1, 2, 3, 4}}, {2, 31, {5}}});
    orvtest::addResults(m, {"T"}, {1.0f}, [](int32_t, int32_t i, int32_t) { return float(i); });
    return m;
}

// A solid fills the faces towards the viewer only; a shell is filled from either side, its
// normal turned towards the viewer. Fills are lit as the setting says.
TEST(FramePasses, SolidsFillTheFacesTowardsTheViewerShellsEitherSide) {
    const struct {
        bool shell;
        PlotMode mode;
        float ax, ay;
        bool lit;
        size_t faces;  // 0: several
        Vec3 normal;   // of every face, unless zero
        int material;  // its colour, unless 0
    } cases[] = {
        {false, PlotMode::Material, 0, 0, true, 1, {0, 0, 1}, 2},  // four edge-on, one behind
        {false, PlotMode::Material, 30, 30, true, 3, {}, 2},
        {false, PlotMode::Contour, 30, 30, false, 0, {}, 0},
        {true, PlotMode::Material, 0, 0, true, 1, {0, 0, 1}, 1},
        {true, PlotMode::Material, 0, 180, true, 1, {0, 0, -1}, 1},
        {true, PlotMode::Contour, 0, 180, true, 0, {0, 0, -1}, 0},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message() << (k.shell ? "shell" : "cube") << " at " << k.ax << ", "
                                          << k.ay << ", mode " << int(k.mode));
        SceneBench bench(k.shell ? shellSquare() : cube());
        bench.plot(k.mode);
        ASSERT_TRUE(bench.scene.commandSetViewAngles(k.ax, k.ay, 0, bench.none));
        if (!k.lit) bench.scene.commandToggleLight(bench.none);
        const auto faces = bench.modelPrimitives(bench.draw(), gl::Polygon);
        EXPECT_TRUE(k.faces ? faces.size() == k.faces : faces.size() > 1) << faces.size();
        for (const Primitive& p : faces) {
            EXPECT_EQ(p.lighting, k.lit);
            EXPECT_TRUE(p.depthTest);
            EXPECT_TRUE(k.normal == Vec3{} || near3(p.vertices[0].normal, k.normal));
            EXPECT_TRUE(!k.material || p.vertices[0].color == orv::materialColour(k.material));
        }
    }
}

TEST(FramePasses, IsoSurfacesAreOneTwoSidedPolygonPerValue) {
    // Values rising along x: the iso value 4 gives the square x = 0; 8 and 12 lie above
    // every node.
    SceneBench bench(orvtest::unitCube({0, 8, 8, 0, 0, 8, 8, 0}));
    bench.plot(PlotMode::IsoSurface);
    ASSERT_TRUE(bench.scene.commandToggleLight(bench.none));  // lit all the same
    ASSERT_TRUE(bench.scene.commandSetContour(3, false, {true, 16, 0}));
    ASSERT_EQ(bench.scene.bands().bandUpper[0], 4.0f);
    // Whichever side is seen, the normal turns towards the viewer.
    for (const float turn : {30.0f, 90.0f, 270.0f}) {
        ASSERT_TRUE(bench.scene.commandSetViewAngles(0, turn, 0, bench.none));
        const auto seen = bench.modelPrimitives(bench.draw(), gl::Polygon);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_TRUE(seen[0].lighting);
        ASSERT_EQ(seen[0].vertices.size(), 4u);
        for (const auto& v : seen[0].vertices)
            EXPECT_FLOAT_EQ(v.position[0], 0.0f);
        const Vec3& n = seen[0].vertices[0].normal;
        EXPECT_NEAR(std::fabs(n[0]), 1.0f, 1e-5f);
        EXPECT_GT(turn == 270.0f ? n[0] : -n[0], 0.0f) << turn;  // rotated z of n
    }
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
