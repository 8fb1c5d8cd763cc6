// What keeps frames of large models fast without changing them: shared edges drawn once,
// calls kept between frames that equal frames drawn anew, labels only where they can be seen,
// the faces that close a selection, device pixel widths, and displacements that are not
// numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "render_support.h"

namespace {

using orv::PlotMode;
using orv::RecordingGl;
using orvtest::Primitive;
using orvtest::SceneBench;
namespace gl = orv::gl;

// A block of nx x ny x nz unit bricks (type 38, numbered from 1 along x, then y, then z)
// with T = x + 2 y + 3 z at the nodes, and any further elements.
orv::FeModel block(int nx, int ny, int nz, std::vector<orvtest::ElementDef> more = {}) {
    orvtest::Points points;
    const auto node = [&](int i, int j, int k) { return 1 + i + (nx + 1) * (j + (ny + 1) * k); };
    for (int k = 0; k <= nz; ++k)
        for (int j = 0; j <= ny; ++j)
            for (int i = 0; i <= nx; ++i)
                points.push_back({float(i), float(j), float(k)});
    std::vector<orvtest::ElementDef> bricks;
    for (int k = 0; k < nz; ++k)
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i)
                bricks.push_back({int32_t(bricks.size()) + 1,
                                  38,
                                  {node(i, j, k), node(i + 1, j, k), node(i + 1, j + 1, k),
                                   node(i, j + 1, k), node(i, j, k + 1), node(i + 1, j, k + 1),
                                   node(i + 1, j + 1, k + 1), node(i, j + 1, k + 1)}});
    bricks.insert(bricks.end(), more.begin(), more.end());
    orv::FeModel m = orvtest::buildModel(3, points, bricks);
    orvtest::addResults(m, {"T"}, {1.0f}, [&](int32_t, int32_t i, int32_t) {
        const auto& p = points[size_t(i)];
        return p[0] + 2 * p[1] + 3 * p[2];
    });
    return m;
}

// Shows only the elements of a list ("1,5") or a range ("2:8").
void select(SceneBench& b, const std::string& elements) {
    const bool range = elements.find(':') != std::string::npos;
    ASSERT_TRUE(b.scene.commandSelect({"Select", "Elem", range, elements}));
}

// Numbers drawn at points of the model (within its box), not in the overlay.
std::vector<std::string> modelLabels(const RecordingGl& gl, float half) {
    std::vector<std::string> out;
    for (const auto& t : gl.texts)
        if (std::all_of(t.text.begin(), t.text.end(), [](char c) { return std::isdigit(c); }) &&
            std::all_of(t.position.begin(), t.position.end(),
                        [&](float x) { return std::fabs(x) <= half + 1e-4f; }))
            out.push_back(t.text);
    return out;
}

// The model's line segments, each as its two end points in order.
std::set<std::pair<std::array<float, 3>, std::array<float, 3>>> segments(const SceneBench& b,
                                                                         const RecordingGl& gl,
                                                                         size_t& count) {
    std::set<std::pair<std::array<float, 3>, std::array<float, 3>>> out;
    count = 0;
    for (const Primitive& p : b.modelPrimitives(gl, gl::Lines))
        for (size_t i = 0; i + 1 < p.vertices.size(); i += 2, ++count)
            out.insert(std::minmax(p.vertices[i].position, p.vertices[i + 1].position));
    return out;
}

TEST(FrameSpeed, ASharedEdgeIsDrawnOnceInTheMeshAndTheDragOutline) {
    const struct {
        int nx, ny, nz;
        const char* shown;  // a selection, or all
        bool drag, grid;
        size_t lines;
    } cases[] = {
        {2, 2, 2, nullptr, false, false, 54},  // 3 directions x 2 segments x 9 lines
        {2, 2, 2, "2:8", false, false, 51},    // the first brick's 3 corner edges go
        {2, 2, 2, nullptr, true, false, 48},   // the 6 edges at the centre node are inside
        {2, 2, 2, "2:8", true, false, 48},     // an outline ignores the selection
        {3, 1, 1, nullptr, false, false, 28},
        {2, 2, 2, nullptr, false, true, 30},  // the grid on the three sides seen
        {2, 2, 2, "1:7", false, true, 32},    // two closing faces in the hidden corner
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message()
                     << k.nx << k.ny << k.nz << (k.drag ? " drag" : "") << (k.grid ? " grid" : ""));
        SceneBench b(block(k.nx, k.ny, k.nz));
        b.plot(k.grid ? PlotMode::Contour : PlotMode::Mesh);
        if (k.grid) b.toggleGrid();
        if (k.shown) select(b, k.shown);
        orv::Geometry renderer;
        renderer.largeModelElements = 0;
        RecordingGl gl;
        orv::Camera camera = b.scene.camera();
        renderer.renderFrame(b.context(gl, renderer, b.scene.settings(), {}, k.drag), camera);
        size_t count = 0;
        EXPECT_EQ(segments(b, gl, count).size(), k.lines);
        EXPECT_EQ(count, k.lines);
    }
}

bool sameFrame(const RecordingGl& a, const RecordingGl& b) {
    if (a.primitives.size() != b.primitives.size() || a.texts.size() != b.texts.size())
        return false;
    for (size_t i = 0; i < a.primitives.size(); ++i) {
        const Primitive &p = a.primitives[i], &q = b.primitives[i];
        if (p.mode != q.mode || p.lineWidth != q.lineWidth || p.pointSize != q.pointSize ||
            p.lighting != q.lighting || p.depthTest != q.depthTest ||
            p.vertices.size() != q.vertices.size())
            return false;
        for (size_t j = 0; j < p.vertices.size(); ++j)
            if (p.vertices[j].position != q.vertices[j].position ||
                p.vertices[j].color != q.vertices[j].color ||
                (p.lighting && p.vertices[j].normal != q.vertices[j].normal))
                return false;
    }
    for (size_t i = 0; i < a.texts.size(); ++i)
        if (a.texts[i].text != b.texts[i].text || a.texts[i].position != b.texts[i].position)
            return false;
    return true;
}

// A block with a shell over it and some bricks hidden, turned step by step: every frame of a
// renderer that keeps calls equals the frame drawn as it comes (by a renderer given nodes not
// its own).
TEST(FrameSpeed, KeptCallsGiveTheFrameDrawnAnewInEveryView) {
    const orv::FeModel m = block(3, 2, 2, {{99, 44, {31, 32, 36, 35}, 2}});
    const struct {
        PlotMode mode;
        bool grid, cut;
        const char* shown;
    } cases[] = {
        {PlotMode::Contour, true, false, nullptr},
        {PlotMode::Contour, false, false, "1,2,3,4,9,10,11,12,99"},
        {PlotMode::Material, true, true, nullptr},
        {PlotMode::IsoLine, true, false, "2,3,5,7,8,11,12,99"},
        {PlotMode::IsoSurface, false, true, nullptr},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << int(k.mode) << (k.cut ? " cut" : ""));
        SceneBench b(m);
        b.plot(k.mode, true);
        if (k.grid) b.toggleGrid();
        if (k.shown) select(b, k.shown);
        if (k.cut) {
            ASSERT_TRUE(b.scene.commandCut({{{1.5, 0, 0}, {1.5, 1, 0}, {1.2, 0, 1}}}));
        }
        orv::Geometry kept, anew;
        for (int step = 0; step < 8; ++step) {
            ASSERT_TRUE(b.scene.commandSetViewAngles(40.0 * step, 25.0 * step - 60, 10, b.none));
            RecordingGl a, fresh;
            orv::Camera camera = b.scene.camera();
            kept.renderFrame(b.context(a, kept, b.scene.settings(), {}), camera);
            anew.renderFrame(b.context(fresh, kept, b.scene.settings(), {}), camera);
            EXPECT_FALSE(b.modelPrimitives(a).empty());
            EXPECT_TRUE(sameFrame(a, fresh)) << "view " << step;
        }
    }
}

// Seen from (30, 30), a block of 3 x 3 x 3 bricks shows its -x, +y and +z sides: 37 of its
// 64 nodes, 19 of its 27 bricks and 27 brick faces. Hiding brick 25, the corner there, shows
// the faces of its three neighbours behind it and their node 42 instead of the corner's 61.
TEST(FrameSpeed, NumbersOnlyWhereTheyCanBeSeen) {
    const char* allBut25 = "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,26,27";
    const struct {
        PlotMode mode;
        bool nodes, hide25;
        size_t labels;
    } cases[] = {
        {PlotMode::Mesh, true, false, 37},    {PlotMode::Contour, true, false, 37},
        {PlotMode::Mesh, false, false, 19},   {PlotMode::Contour, false, false, 27},
        {PlotMode::Mesh, true, true, 37},     {PlotMode::Mesh, false, true, 18},
        {PlotMode::Contour, false, true, 27},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message() << int(k.mode) << (k.nodes ? " nodes" : " elements")
                                          << (k.hide25 ? " without 25" : ""));
        SceneBench b(block(3, 3, 3));
        b.plot(k.mode);
        if (k.hide25) select(b, allBut25);
        ASSERT_TRUE(b.scene.commandSetNumbering(
            k.nodes, k.nodes ? orv::Numbering::None : orv::Numbering::Element));
        const std::vector<std::string> labels = modelLabels(b.draw(), 1.5f);
        EXPECT_EQ(labels.size(), k.labels);
        if (k.nodes) {
            const auto has = [&](const char* n) {
                return std::find(labels.begin(), labels.end(), n) != labels.end();
            };
            EXPECT_EQ(has("61"), !k.hide25);
            EXPECT_EQ(has("42"), k.hide25);
        }
    }
    // Numbers that would fall on each other are left out: 331 nodes face the viewer here.
    SceneBench dense(block(10, 10, 10), 200, 150);
    ASSERT_TRUE(dense.scene.commandSetNumbering(true, orv::Numbering::None));
    const size_t drawn = modelLabels(dense.draw(), 5.0f).size();
    EXPECT_GT(drawn, 10u);
    EXPECT_LT(drawn, 331u / 2);
}

TEST(FrameSpeed, ASelectionOfSolidsIsClosedWhereItMeetsHiddenElements) {
    SceneBench b(block(2, 1, 1));
    b.plot(PlotMode::Contour);
    const std::vector<uint8_t> flags = b.scene.model().faceFlags;
    // Seen from +x, the first brick's face against the second is hidden by it, then shown.
    ASSERT_TRUE(b.scene.commandSetViewAngles(0, -90, 0, b.none));
    const auto facesAtMiddle = [&] {
        size_t n = 0;
        for (const Primitive& p : b.modelPrimitives(b.draw(), gl::Polygon))
            n += std::all_of(p.vertices.begin(), p.vertices.end(),
                             [](auto& v) { return std::fabs(v.position[0]) < 1e-6f; });
        return n;
    };
    EXPECT_EQ(facesAtMiddle(), 0u);
    select(b, "1");
    EXPECT_GT(facesAtMiddle(), 0u);
    select(b, "1,2");
    EXPECT_EQ(facesAtMiddle(), 0u);
    EXPECT_EQ(b.scene.model().faceFlags, flags);
}

TEST(FrameSpeed, WidthsAndSizesFollowThePixelScale) {
    for (const float scale : {1.0f, 2.0f}) {
        SCOPED_TRACE(scale);
        SceneBench b(block(1, 1, 1));
        b.scene.setPixelScale(scale);
        b.plot(PlotMode::Node);
        b.toggleGrid();
        RecordingGl gl = b.draw();
        const auto points = b.modelPrimitives(gl, gl::Points);
        ASSERT_EQ(points.size(), 1u);
        EXPECT_EQ(points[0].pointSize, 3.0f * scale);
        for (const Primitive& p : b.modelPrimitives(gl, gl::Lines))
            EXPECT_EQ(p.lineWidth, 0.5f * scale);
        b.toggleGrid();
        EXPECT_EQ(b.modelPrimitives(b.draw(), gl::Points)[0].pointSize, 3.0f * scale);
    }
}

// A square whose second node moves by NaN along x and its third by infinity along y.
TEST(FrameSpeed, ADisplacementThatIsNoNumberMovesItsNodeByNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN(),
                inf = std::numeric_limits<float>::infinity();
    const float u[4][2] = {{0.25f, 0}, {nan, 0.5f}, {0, inf}, {0, 0}};
    orv::FeModel m = orvtest::buildModel(2, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                                         {{1, 24, {1, 2, 3, 4}}});
    orvtest::addResults(m, {"UX", "UY"}, {1.0f},
                        [&](int32_t, int32_t i, int32_t d) { return u[i][d]; });
    orv::Geometry g;
    orv::PlotSettings s;
    s.magnification = 1.0f;
    const orv::FrameNodes& n = g.prepareNodes(m, s);
    EXPECT_EQ(n.nonFiniteDisplacements, 2);
    const std::vector<float> expected = {-0.25f, -0.5f, 0, 0.5f,  0,    0,
                                         0.5f,   0.5f,  0, -0.5f, 0.5f, 0};
    EXPECT_EQ(n.deformed, expected);
    SceneBench b(std::move(m));
    b.plot(PlotMode::Mesh);
    const auto loops = b.modelPrimitives(b.draw(), gl::LineLoop);
    ASSERT_EQ(loops.size(), 1u);
    EXPECT_EQ(loops[0].vertices.size(), 4u);
}

}  // namespace
