// Whole frames through the scene: the pass of each plot mode with its colours and GL state,
// and what the element families draw in them (bands, iso-lines, vectors, faces, shells,
// iso-surfaces, labels, nodes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

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

TEST(Frame, WithoutAModelTheWindowIsClearedToWhite) {
    orvtest::RecordingMessages messages;
    orv::Scene scene(messages);
    RecordingGl gl;
    EXPECT_EQ(scene.redraw(gl), 1);
    EXPECT_EQ(gl.clearColour, (std::array<float, 4>{1, 1, 1, 0}));
    EXPECT_TRUE(gl.primitives.empty());
    EXPECT_TRUE(gl.texts.empty());
}

TEST(Frame, PolygonOffsetAndMirrorCopy) {
    SceneBench cube(orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(cube.draw().isEnabled(gl::PolygonOffsetFill));

    SceneBench square(orvtest::planeSquare({0, 1, 2, 3}));
    square.plot(PlotMode::Mesh);
    RecordingGl once = square.draw();
    EXPECT_FALSE(once.isEnabled(gl::PolygonOffsetFill));
    const size_t single = square.modelPrimitives(once).size();
    square.scene.setSymmetry(1);
    RecordingGl mirrored = square.draw();
    EXPECT_EQ(square.modelPrimitives(mirrored).size(), 2 * single);
    EXPECT_EQ(mirrored.matrixDepth, 0);

    // An unknown symmetry draws no copy, says so and still finishes the frame.
    square.scene.settings.symmetry = 5;
    RecordingGl odd = square.draw();
    EXPECT_EQ(square.modelPrimitives(odd).size(), single);
    ASSERT_FALSE(square.messages.boxes.empty());
    EXPECT_EQ(square.messages.boxes.back().text, "Message in Geometry.cpp");
    EXPECT_EQ(odd.calls.back(), "flush");
}

// The element edges over each plot: their colour, width and GL state.
TEST(Frame, EdgeColoursOfEachPlotMode) {
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
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "dimension " << k.dimension << ", mode " << int(k.mode));
        SceneBench bench(k.dimension == 2 ? orvtest::planeSquare({0, 1, 2, 3})
                                          : orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}));
        bench.plot(k.mode);
        bench.scene.settings.elementGrid = k.grid;
        const RecordingGl gl = bench.draw();
        const auto loops = bench.modelPrimitives(gl, gl::LineLoop);
        ASSERT_FALSE(loops.empty());
        for (const Primitive& p : loops) {
            EXPECT_EQ(p.vertices[0].color, k.colour);
            EXPECT_FALSE(p.lighting);
            EXPECT_EQ(p.lineWidth, k.mode == PlotMode::Mesh ? 1.0f : 0.5f);
            if (k.dimension == 3) {
                EXPECT_TRUE(p.depthTest);
            }
        }
        // Without the grid only the mesh and iso-surface plots draw edges.
        if (k.grid) {
            bench.scene.settings.elementGrid = 0;
            EXPECT_TRUE(bench.modelPrimitives(bench.draw(), gl::LineLoop).empty());
        }
    }
}

TEST(Frame, LightingFollowsTheSettingExceptForIsoSurfaces) {
    SceneBench cube(orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(cube.scene.settings.lightOn, 1);
    cube.plot(PlotMode::Contour);
    for (const Primitive& p : cube.modelPrimitives(cube.draw(), gl::Polygon))
        EXPECT_TRUE(p.lighting && p.depthTest);
    cube.scene.settings.lightOn = 0;
    for (const Primitive& p : cube.modelPrimitives(cube.draw(), gl::Polygon))
        EXPECT_FALSE(p.lighting);
    cube.plot(PlotMode::IsoSurface);
    const auto surfaces = cube.modelPrimitives(cube.draw(), gl::Polygon);
    ASSERT_FALSE(surfaces.empty());
    for (const Primitive& p : surfaces)
        EXPECT_TRUE(p.lighting);
}

TEST(Frame, NodePlotSizesAndColours) {
    for (const bool grid : {false, true}) {
        SCOPED_TRACE(grid ? "with grid" : "without grid");
        SceneBench bench(orvtest::planeSquare({0, 1, 2, 3}));
        bench.plot(PlotMode::Node);
        bench.scene.settings.elementGrid = grid;
        const RecordingGl gl = bench.draw();
        const auto points = bench.modelPrimitives(gl, gl::Points);
        ASSERT_EQ(points.size(), 1u);
        EXPECT_EQ(points[0].vertices.size(), 4u);
        EXPECT_EQ(points[0].pointSize, grid ? 3.0f : 1.5f);
        EXPECT_EQ(points[0].vertices[0].color, kRed);
        EXPECT_FALSE(points[0].lighting);
        const auto mesh = bench.modelPrimitives(gl, gl::LineLoop);
        ASSERT_EQ(mesh.size(), grid ? 1u : 0u);
        if (grid) {
            EXPECT_EQ(mesh[0].vertices[0].color, kGrey);
            EXPECT_EQ(mesh[0].lineWidth, 0.5f);
        }
    }
}

// A square with values rising from 0 at the bottom to 10 at the top, in two bands split at
// 5: blue below y = 0 (the centred middle), red above, the black band edge along y = 0.
TEST(ContourFill, BandsSplitAtTheBoundAndEdgesComeLast) {
    SceneBench bench(orvtest::planeSquare({0, 0, 10, 10}));
    bench.plot(PlotMode::Contour, true);
    bench.scene.setDivisions(false, 2);
    bench.scene.computeBands();
    const RecordingGl gl = bench.draw();
    const auto primitives = bench.modelPrimitives(gl);
    ASSERT_EQ(primitives.size(), 3u);
    EXPECT_EQ(primitives[0].mode, gl::Polygon);
    for (const auto& v : primitives[0].vertices) {
        EXPECT_LE(v.position[1], 1e-6f);
        EXPECT_EQ(v.color, kBlue);
    }
    EXPECT_EQ(primitives[1].mode, gl::Polygon);
    for (const auto& v : primitives[1].vertices) {
        EXPECT_GE(v.position[1], -1e-6f);
        EXPECT_EQ(v.color, kRed);
    }
    ASSERT_EQ(primitives[2].mode, gl::Lines);
    ASSERT_EQ(primitives[2].vertices.size(), 2u);
    EXPECT_TRUE(near3(primitives[2].vertices[0].position, {0.5f, 0, 0}));
    EXPECT_TRUE(near3(primitives[2].vertices[1].position, {-0.5f, 0, 0}));
    EXPECT_EQ(primitives[2].vertices[0].color, kBlack);
}

TEST(ContourFill, ValuesAtABoundTakeTheLowerBand) {
    SceneBench bench(orvtest::planeSquare({0, 5, 5, 0}));
    bench.plot(PlotMode::Contour);
    bench.scene.setDivisions(false, 2);
    bench.scene.setUserLimits(true, 10, 0);
    bench.scene.computeBands();
    ASSERT_EQ(bench.scene.bands.bandUpper[0], 5.0f);
    const auto polygons = bench.modelPrimitives(bench.draw(), gl::Polygon);
    ASSERT_EQ(polygons.size(), 1u);  // no vertex is above 5: one blue polygon, unclipped
    EXPECT_EQ(polygons[0].vertices.size(), 4u);
    EXPECT_EQ(polygons[0].vertices[0].color, kBlue);

    // User limits given the wrong way round are put in order.
    bench.scene.setUserLimits(true, 0, 10);
    bench.scene.computeBands();
    EXPECT_EQ(bench.scene.bands.maxValue, 10.0f);
    EXPECT_EQ(bench.scene.bands.bandUpper[0], 5.0f);

    // A point element exactly at the bound: the lower band too.
    orv::FeModel point =
        orvtest::buildModel(2, {{0, 0, 0}, {1, 1, 0}}, {{1, 21, {1}}, {2, 21, {2}}});
    orvtest::addResults(point, {"T"}, {1.0f},
                        [](int32_t, int32_t i, int32_t) { return i == 0 ? 5.0f : 10.0f; });
    SceneBench points(std::move(point));
    points.plot(PlotMode::Contour);
    points.scene.setDivisions(false, 2);
    points.scene.setUserLimits(true, 10, 0);
    points.scene.computeBands();
    const auto drawn = points.modelPrimitives(points.draw(), gl::Points);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].vertices[0].color, kBlue);
    EXPECT_EQ(drawn[1].vertices[0].color, kRed);
    EXPECT_EQ(drawn[0].pointSize, 2.0f);
}

// Iso values 2, 4 and 6 over a square whose vertices 1 and 3 sit exactly at 4.
TEST(IsoLines, AVertexAtTheIsoValueGivesNoCrossing) {
    SceneBench bench(orvtest::planeSquare({0, 4, 8, 4}));
    bench.plot(PlotMode::IsoLine);
    bench.scene.setDivisions(false, 3);
    bench.scene.computeBands();
    ASSERT_EQ(bench.scene.bands.bandUpper[1], 4.0f);
    std::vector<Primitive> iso;
    for (const Primitive& p : bench.modelPrimitives(bench.draw(), gl::Lines))
        if (!p.vertices.empty() && p.vertices[0].color != kGrey && p.vertices[0].color != kWhite)
            iso.push_back(p);
    ASSERT_EQ(iso.size(), 2u);
    EXPECT_EQ(iso[0].vertices[0].color, kBlue);                      // value 2
    EXPECT_TRUE(near3(iso[0].vertices[0].position, {0, -0.5f, 0}));  // half way along edge 0-1
    EXPECT_EQ(iso[1].vertices[0].color, kRed);                       // value 6
    for (const Primitive& p : iso)
        EXPECT_EQ(p.vertices.size(), 2u);
}

orv::FeModel vectorSquare(const std::vector<std::string>& names,
                          const std::array<std::array<float, 2>, 4>& u) {
    orv::FeModel m = orvtest::buildModel(2, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                                         {{1, 24, {1, 2, 3, 4}}});
    orvtest::addResults(m, names, {1.0f}, [&](int32_t, int32_t i, int32_t d) {
        return d < 2 ? u[size_t(i)][size_t(d)] : 0.0f;
    });
    return m;
}

TEST(Vectors, LongestIsATenthOfTheModelAndDirectionsFollowTheComponents) {
    SceneBench bench(vectorSquare({"UX", "UY"}, {{{3, 4}, {0, 2}, {-0.25f, 0}, {0, 0}}}));
    bench.scene.settings.magnification = 0.001f;  // any factor: the longest is still 0.1 x size
    bench.plot(PlotMode::Vector);
    const RecordingGl gl = bench.draw();
    const auto primitives = bench.modelPrimitives(gl);
    std::vector<std::pair<Primitive, Primitive>> arrows;  // shaft and head
    for (size_t i = 0; i + 1 < primitives.size(); ++i)
        if (primitives[i].mode == gl::Lines && primitives[i + 1].mode == gl::Polygon)
            arrows.emplace_back(primitives[i], primitives[i + 1]);
    ASSERT_EQ(arrows.size(), 3u);  // node 4 does not move

    const float lmax = 0.1f * bench.scene.camera.modelSize;
    const auto shaft = [](const Primitive& p) {
        const Vec3 &s = p.vertices[0].position, &t = p.vertices[1].position;
        return std::array<float, 2>{t[0] - s[0], t[1] - s[1]};
    };
    const auto longest = shaft(arrows[0].first);
    EXPECT_NEAR(std::hypot(longest[0], longest[1]), lmax, 1e-6f);
    EXPECT_NEAR(longest[1] / longest[0], 4.0f / 3.0f, 1e-5f);
    const auto up = shaft(arrows[1].first);  // straight up: theta = pi / 2
    EXPECT_NEAR(up[0], 0.0f, 1e-6f);
    EXPECT_NEAR(up[1], 0.4f * lmax, 1e-6f);
    const auto left = shaft(arrows[2].first);
    EXPECT_NEAR(left[0], -0.05f * lmax, 1e-6f);
    EXPECT_NEAR(left[1], 0.0f, 1e-6f);

    // The head's middle point is the tip; the longest arrow takes the last band's colour,
    // the shortest the first.
    EXPECT_EQ(arrows[1].second.vertices[1].position, arrows[1].first.vertices[1].position);
    EXPECT_EQ(arrows[0].first.vertices[0].color, bench.scene.colours.bandColour(14));
    EXPECT_EQ(arrows[2].first.vertices[0].color, bench.scene.colours.bandColour(0));
    EXPECT_EQ(arrows[0].first.lineWidth, 0.5f);
}

TEST(Vectors, NeedBothComponents) {
    // Velocities start at component 2; there is no component 3.
    SceneBench bench(vectorSquare({"UX", "UY", "VX"}, {{{3, 4}, {0, 2}, {0, 0}, {-1, 0}}}));
    bench.plot(PlotMode::Vector);
    ASSERT_TRUE(bench.scene.commandChooseItem(2));
    bench.scene.settings.plotMode = PlotMode::Vector;
    const RecordingGl gl = bench.draw();
    EXPECT_TRUE(bench.modelPrimitives(gl, gl::Polygon).empty());
    // The outline is still drawn.
    EXPECT_FALSE(bench.modelPrimitives(gl, gl::Lines).empty());
}

TEST(SolidFaces, OnlyFacesTowardsTheViewerAreFilled) {
    SceneBench bench(orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}));
    bench.plot(PlotMode::Material);
    // Looking straight down -z: four faces are seen edge-on and one from behind.
    bench.scene.camera.setAngles(0, 0, 0);
    auto faces = bench.modelPrimitives(bench.draw(), gl::Polygon);
    ASSERT_EQ(faces.size(), 1u);
    for (const auto& v : faces[0].vertices)
        EXPECT_FLOAT_EQ(v.position[2], 0.5f);
    EXPECT_TRUE(near3(faces[0].vertices[0].normal, {0, 0, 1}));
    EXPECT_TRUE(near3(faces[0].vertices[0].color, orv::materialColour(2)));

    bench.scene.camera.setAngles(30, 30, 0);
    EXPECT_EQ(bench.modelPrimitives(bench.draw(), gl::Polygon).size(), 3u);
}

orv::FeModel shellSquare() {
    orv::FeModel m = orvtest::buildModel(3, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}},
                                         {{1, 44, {1, 2, 3, 4}}, {2, 31, {5}}});
    orvtest::addResults(m, {"T"}, {1.0f}, [](int32_t, int32_t i, int32_t) { return float(i); });
    return m;
}

TEST(Shells, SeenFromBehindAreDrawnAndLitFromTheFront) {
    SceneBench bench(shellSquare());
    bench.plot(PlotMode::Material);
    for (const float turn : {0.0f, 180.0f}) {
        SCOPED_TRACE(turn);
        bench.scene.camera.setAngles(0, turn, 0);
        const auto faces = bench.modelPrimitives(bench.draw(), gl::Polygon);
        ASSERT_EQ(faces.size(), 1u);
        EXPECT_TRUE(faces[0].lighting);
        EXPECT_TRUE(near3(faces[0].vertices[0].normal, {0, 0, turn == 0 ? 1.0f : -1.0f}));
    }
    // The banded fill too.
    bench.plot(PlotMode::Contour);
    const auto bands = bench.modelPrimitives(bench.draw(), gl::Polygon);
    ASSERT_FALSE(bands.empty());
    for (const Primitive& p : bands)
        EXPECT_TRUE(near3(p.vertices[0].normal, {0, 0, -1}));
}

// Points around a convex polygon in the (u, v) projection.
bool convex(const std::vector<Vec3>& p, int iu, int iv) {
    int positive = 0, negative = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const Vec3 &a = p[i], &b = p[(i + 1) % p.size()], &c = p[(i + 2) % p.size()];
        const float cross = (b[size_t(iu)] - a[size_t(iu)]) * (c[size_t(iv)] - b[size_t(iv)]) -
                            (b[size_t(iv)] - a[size_t(iv)]) * (c[size_t(iu)] - b[size_t(iu)]);
        positive += cross > 1e-6f;
        negative += cross < -1e-6f;
    }
    return positive == 0 || negative == 0;
}

std::vector<Vec3> positions(const Primitive& p) {
    std::vector<Vec3> out;
    for (const auto& v : p.vertices)
        out.push_back(v.position);
    return out;
}

TEST(IsoSurfaces, OneConvexPolygonPerIsoValue) {
    // Values rising along x: the iso value 4 crosses the four x edges in bow-tie order.
    SceneBench plane(orvtest::unitCube({0, 8, 8, 0, 0, 8, 8, 0}));
    plane.plot(PlotMode::IsoSurface);
    plane.scene.setDivisions(false, 3);
    plane.scene.setUserLimits(true, 16, 0);
    plane.scene.computeBands();
    ASSERT_EQ(plane.scene.bands.bandUpper[0], 4.0f);
    auto surfaces = plane.modelPrimitives(plane.draw(), gl::Polygon);
    ASSERT_EQ(surfaces.size(), 1u);  // 8 and 12 lie above every node
    const auto square = positions(surfaces[0]);
    ASSERT_EQ(square.size(), 4u);
    for (const Vec3& p : square)
        EXPECT_FLOAT_EQ(p[0], 0.0f);
    EXPECT_TRUE(convex(square, 1, 2));

    // Two corners high: two separate sheets still make one convex polygon of six points.
    SceneBench sheets(orvtest::unitCube({10, 0, 0, 0, 0, 0, 10, 0}));
    sheets.plot(PlotMode::IsoSurface);
    sheets.scene.setDivisions(false, 2);
    sheets.scene.setUserLimits(true, 15, 0);
    sheets.scene.computeBands();
    ASSERT_EQ(sheets.scene.bands.bandUpper[0], 5.0f);
    surfaces = sheets.modelPrimitives(sheets.draw(), gl::Polygon);
    ASSERT_EQ(surfaces.size(), 1u);
    const auto six = positions(surfaces[0]);
    ASSERT_EQ(six.size(), 6u);
    EXPECT_TRUE(convex(six, 0, 1));

    // Two-sided: whichever side is seen, the normal turns towards the viewer.
    for (const float turn : {90.0f, 270.0f}) {
        plane.scene.camera.setAngles(0, turn, 0);
        const auto seen = plane.modelPrimitives(plane.draw(), gl::Polygon);
        ASSERT_EQ(seen.size(), 1u);
        const Vec3& n = seen[0].vertices[0].normal;
        EXPECT_NEAR(std::fabs(n[0]), 1.0f, 1e-5f);
        EXPECT_GT(turn == 90.0f ? -n[0] : n[0], 0.0f) << turn;  // rotated z of n
    }
}

// A frame of a plane model never inherits the depth test something else left on (the
// window's own drawing restores it after the zoom box): the grid over a contour lies at the
// same depth as the faces and must still be drawn.
TEST(Frame, APlaneFrameDoesNotInheritTheDepthTest) {
    SceneBench bench(orvtest::planeSquare({0, 1, 2, 3}));
    bench.plot(PlotMode::Contour);
    bench.scene.settings.elementGrid = 1;
    RecordingGl gl;
    gl.enable(gl::DepthTest);
    gl.enable(gl::Lighting);
    bench.scene.redraw(gl);
    const auto grid = bench.modelPrimitives(gl, gl::LineLoop);
    ASSERT_FALSE(grid.empty());
    for (const Primitive& p : grid) {
        EXPECT_FALSE(p.depthTest);
        EXPECT_FALSE(p.lighting);
    }
}

// Dragging a large wireframe draws outlines only; a contour keeps its faces.
TEST(Frame, ALargeWireframeIsOutlinedWhileDragging) {
    SceneBench bench(orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}));
    bench.scene.geometry.largeModelElements = 0;  // one element is "large" here
    bench.scene.interactiveDrag = 1;
    const auto lines = [&] {
        const RecordingGl gl = bench.draw();
        return std::make_pair(bench.modelPrimitives(gl, gl::Lines).size(),
                              bench.modelPrimitives(gl, gl::LineLoop).size());
    };
    EXPECT_EQ(lines(), std::make_pair(size_t(0), size_t(6)));  // the six outer faces
    bench.scene.interactiveDrag = 0;
    EXPECT_EQ(lines().first, 1u);  // the mesh pass: the edges joining the two loops
    bench.scene.interactiveDrag = 1;
    bench.plot(PlotMode::Contour);
    EXPECT_FALSE(bench.modelPrimitives(bench.draw(), gl::Polygon).empty());
}

}  // namespace
