// What the element families draw, through a whole frame into the recording Gl: faces cut by
// bands without overlapping pieces; values that are not finite numbers in grey, points and
// lines in space unlit, widths at the device pixel scale and a plane truss's iso-line bands,
// compared whole with tests/golden/families.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "render_support.h"

namespace {

using orv::PlotMode;
using orvtest::Primitive;
using orvtest::SceneBench;
using Vec3 = std::array<float, 3>;
namespace gl = orv::gl;

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

Vec3 sub(const Vec3& a, const Vec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
float length(const Vec3& a) {
    return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
}

// One quadrilateral of a plane model or a shell, corner 2 lifted out of the plane.
orv::FeModel quad(int dimension, const std::array<float, 4>& values, float lift = 0) {
    orv::FeModel m = orvtest::buildModel(dimension, {{0, 0, 0}, {1, 0, 0}, {1, 1, lift}, {0, 1, 0}},
                                         {{1, dimension == 2 ? 24 : 44, {1, 2, 3, 4}}});
    orvtest::addResults(m, {"T"}, {1.0f},
                        [&](int32_t, int32_t i, int32_t) { return values[size_t(i)]; });
    return m;
}

// Every piece a band or an iso value cuts from a saddle or warped face lies on one of the
// triangles on its diagonal 0-2, and the fills cover the face once: their areas (as OpenGL
// fills them, the fan from the first vertex) add up to it.
TEST(ElementDrawing, SaddleAndWarpedQuadrilateralsAreCutWithoutOverlap) {
    const struct {
        int dimension;
        std::array<float, 4> values;
        float lift;
        PlotMode mode;
    } cases[] = {
        {2, {0, 10, 0, 10}, 0, PlotMode::Contour},    {2, {10, 1, 9, 0}, 0, PlotMode::Contour},
        {3, {0, 0, 10, 10}, 0.5f, PlotMode::Contour}, {3, {0, 10, 0, 10}, 0.5f, PlotMode::Contour},
        {3, {0, 0, 10, 10}, 0.5f, PlotMode::IsoLine},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(&k - cases);
        SceneBench bench(quad(k.dimension, k.values, k.lift));
        bench.plot(k.mode, true);
        ASSERT_TRUE(bench.scene.commandSetContour(4, false, {}));
        Vec3 c[4];
        for (int i = 0; i < 4; ++i)
            c[i] = {bench.scene.model().coordinate(i, 0), bench.scene.model().coordinate(i, 1),
                    k.dimension == 3 ? bench.scene.model().coordinate(i, 2) : 0.0f};
        const Vec3 normals[2] = {cross(sub(c[1], c[0]), sub(c[2], c[0])),
                                 cross(sub(c[2], c[0]), sub(c[3], c[0]))};
        // Vertices [first, last) of a primitive on the plane of triangle t.
        const auto onTriangle = [&](const Primitive& p, size_t first, size_t last, int t) {
            const Vec3& n = normals[t];
            for (size_t i = first; i < last; ++i) {
                const Vec3 d = sub(p.vertices[i].position, c[0]);
                if (std::fabs(n[0] * d[0] + n[1] * d[1] + n[2] * d[2]) > 1e-5f * length(n))
                    return false;
            }
            return true;
        };
        float area = 0;
        int pieces = 0;
        for (const Primitive& p : bench.modelPrimitives(bench.draw())) {
            // Under iso-lines the face is drawn whole, in one grey.
            if (k.mode == PlotMode::IsoLine && p.mode == gl::Polygon) continue;
            // A fill whole, a line segment by segment.
            const size_t step = p.mode == gl::Lines ? 2 : p.vertices.size();
            for (size_t i = 0; i + step <= p.vertices.size(); i += step, ++pieces)
                EXPECT_TRUE(onTriangle(p, i, i + step, 0) || onTriangle(p, i, i + step, 1))
                    << "piece " << pieces;
            for (size_t i = 1; p.mode == gl::Polygon && i + 1 < p.vertices.size(); ++i)
                area +=
                    0.5f * length(cross(sub(p.vertices[i].position, p.vertices[0].position),
                                        sub(p.vertices[i + 1].position, p.vertices[0].position)));
        }
        EXPECT_GT(pieces, 2);
        if (k.mode == PlotMode::Contour) {
            EXPECT_NEAR(area, 0.5f * (length(normals[0]) + length(normals[1])), 1e-5f);
        }
    }
}

// Models of one value per node: a line element and a point element in space (at x = 3
// before centring) and a shell; a plane truss.
orv::FeModel trussAndShell() {
    orv::FeModel m =
        orvtest::buildModel(3, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {3, 3, 1}, {3, 3, 2}},
                            {{1, 32, {5, 6}}, {2, 31, {5}}, {3, 44, {1, 2, 3, 4}}});
    orvtest::addResults(m, {"T"}, {1.0f}, [](int32_t, int32_t i, int32_t) { return float(i); });
    return m;
}
orv::FeModel planeTruss() {
    orv::FeModel m = orvtest::buildModel(2, {{0, 0, 0}, {2, 0, 0}, {1, 1, 0}},
                                         {{1, 22, {1, 2}}, {2, 22, {2, 3}}, {3, 22, {3, 1}}});
    orvtest::addResults(m, {"T"}, {1.0f}, [](int32_t, int32_t i, int32_t) { return float(i); });
    return m;
}

struct Frame {
    const char* name;
    orv::FeModel model;
    PlotMode mode;
    bool light = true, drag = false;
    float scale = 1;
};

// What the families draw in each plot, in two bands with their edges, compared whole with
// tests/golden/families.txt.
TEST(ElementDrawing, FramesOfEachFamily) {
    orv::FeModel truss = orvtest::buildModel(2, {{0, 0, 0}, {1, 0, 0}}, {{1, 22, {1, 2}}});
    orv::FeModel point = orvtest::buildModel(3, {{1, 1, 1}}, {{1, 31, {1}}});
    orvtest::addResults(truss, {"T"}, {1.0f},
                        [](int32_t, int32_t i, int32_t) { return i ? kNan : 0.0f; });
    orvtest::addResults(point, {"T"}, {1.0f}, [](int32_t, int32_t, int32_t) { return kInf; });
    const Frame frames[] = {
        {"a face touching a value that is no finite number is grey, without band edges",
         quad(2, {0, kNan, 5, 10}), PlotMode::Contour},
        {"without iso-lines", quad(2, {0, kInf, 5, 10}), PlotMode::IsoLine},
        {"a shell's too", quad(3, {0, 5, -kInf, 10}), PlotMode::IsoLine},
        {"a solid's faces at its corner are grey, the others in their bands",
         orvtest::unitCube({kNan, 1, 2, 3, 4, 5, 6, 7}), PlotMode::Contour},
        {"a solid's iso-surface", orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, kInf}),
         PlotMode::IsoSurface},
        {"a line", truss, PlotMode::Contour},
        {"a point", point, PlotMode::Contour},
        {"a line and a point in space are unlit, the shell after them lit", trussAndShell(),
         PlotMode::Contour},
        {"in iso-lines", trussAndShell(), PlotMode::IsoLine},
        {"in materials", trussAndShell(), PlotMode::Material},
        {"in an iso-surface", trussAndShell(), PlotMode::IsoSurface},
        {"in the dark, at twice the pixel scale", trussAndShell(), PlotMode::Contour, false, false,
         2},
        {"in iso-lines at twice the pixel scale", trussAndShell(), PlotMode::IsoLine, true, false,
         2},
        {"a plane truss in iso-lines shows its bands", planeTruss(), PlotMode::IsoLine},
        {"dragged, with numbers on, its outline in the inverse of the background", planeTruss(),
         PlotMode::IsoLine, true, true},
    };
    std::string all;
    for (const Frame& k : frames) {
        SceneBench bench(k.model);
        bench.scene.setPixelScale(k.scale);
        ASSERT_TRUE(bench.scene.commandSetContour(2, false, {}));
        bench.plot(k.mode, true);
        ASSERT_TRUE(k.light || bench.scene.commandToggleLight(bench.none));
        if (k.drag) {
            ASSERT_TRUE(bench.scene.commandSetNumbering(true, orv::Numbering::None));
            ASSERT_TRUE(bench.scene.commandDynamicPan(bench.none));
            bench.scene.mousePress(10, 10);
            ASSERT_TRUE(bench.scene.mouseDrag(30, 10));
        }
        all += std::string("== ") + k.name + "\n" + orvtest::primitivesText(bench, bench.draw());
    }
    orvtest::expectGolden("families.txt", all);
}

}  // namespace
