// What keeps frames of large models fast without changing them, device pixel widths, and
// displacements that are not numbers.
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
