// What keeps frames of large models fast without changing them, and displacements that are
// not numbers.
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
