// What the element families draw, through a whole frame into the recording Gl: faces cut by
// bands without overlapping pieces, values that are not finite numbers in grey, points and
// lines in space unlit, a plane truss's iso-line bands, widths at the device pixel scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "render_support.h"

namespace {

using orv::PlotMode;
using orv::RecordingGl;
using orvtest::Primitive;
using orvtest::SceneBench;
using Vec3 = std::array<float, 3>;
namespace gl = orv::gl;

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
const Vec3 kNoValue = {0.5f, 0.5f, 0.5f}, kBlack = {0, 0, 0}, kWhite = {1, 1, 1};

Vec3 sub(const Vec3& a, const Vec3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
float length(const Vec3& a) {
    return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
}

// The area a polygon covers as OpenGL fills it: the fan from its first vertex.
float fanArea(const Primitive& p) {
    float area = 0;
    for (size_t i = 1; i + 1 < p.vertices.size(); ++i)
        area += 0.5f * length(cross(sub(p.vertices[i].position, p.vertices[0].position),
                                    sub(p.vertices[i + 1].position, p.vertices[0].position)));
    return area;
}

// Node i of the model as drawn (centred).
Vec3 node(const orv::FeModel& m, int i) {
    Vec3 p{};
    for (int k = 0; k < m.dimension; ++k)
        p[size_t(k)] = m.coordinate(i, k);
    return p;
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
// triangles on its diagonal 0-2, and the fills cover the face once: their areas add up to it.
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
        SCOPED_TRACE(::testing::Message() << "dimension " << k.dimension << ", mode " << int(k.mode)
                                          << ", values " << k.values[0] << " " << k.values[1] << " "
                                          << k.values[2] << " " << k.values[3]);
        SceneBench bench(quad(k.dimension, k.values, k.lift));
        bench.plot(k.mode, true);
        ASSERT_TRUE(bench.scene.commandSetContour(4, false, {}));
        const orv::FeModel& m = bench.scene.model();
        const Vec3 c[4] = {node(m, 0), node(m, 1), node(m, 2), node(m, 3)};
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
            if (p.mode == gl::Polygon) area += fanArea(p);
        }
        EXPECT_GT(pieces, 2);
        if (k.mode == PlotMode::Contour) {
            EXPECT_NEAR(area, 0.5f * (length(normals[0]) + length(normals[1])), 1e-5f);
        }
    }
}

// A face, line or point touching a value that is not a finite number is drawn in grey in
// each plot of values, never left out, and has no iso-line or band edge.
TEST(ElementDrawing, ValuesThatAreNotFiniteNumbersAreGrey) {
    orv::FeModel truss = orvtest::buildModel(2, {{0, 0, 0}, {1, 0, 0}}, {{1, 22, {1, 2}}});
    orv::FeModel point = orvtest::buildModel(3, {{1, 1, 1}}, {{1, 31, {1}}});
    orvtest::addResults(truss, {"T"}, {1.0f},
                        [](int32_t, int32_t i, int32_t) { return i ? kNan : 0.0f; });
    orvtest::addResults(point, {"T"}, {1.0f}, [](int32_t, int32_t, int32_t) { return kInf; });
    const struct {
        orv::FeModel model;
        PlotMode mode;
        unsigned primitive;  // of the grey drawing
        bool alone;          // no other element: no band colour anywhere
    } cases[] = {
        {quad(2, {0, kNan, 5, 10}), PlotMode::Contour, gl::Polygon, true},
        {quad(2, {0, kInf, 5, 10}), PlotMode::IsoLine, gl::Polygon, true},
        {quad(3, {0, 5, -kInf, 10}), PlotMode::IsoLine, gl::Polygon, true},
        {orvtest::unitCube({kNan, 1, 2, 3, 4, 5, 6, 7}), PlotMode::Contour, gl::Polygon, false},
        {orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, kInf}), PlotMode::IsoSurface, gl::Polygon, true},
        {truss, PlotMode::Contour, gl::Lines, true},
        {point, PlotMode::Contour, gl::Points, true},
    };
    for (int row = 0; const auto& k : cases) {
        SCOPED_TRACE(::testing::Message() << "row " << row++);
        SceneBench bench(k.model);
        bench.plot(k.mode, true);
        std::vector<Vec3> banded(
            bench.scene.colours().active.begin(),
            bench.scene.colours().active.begin() + bench.scene.bands().divisions);
        banded.push_back(kBlack);  // band edges
        bool grey = false;
        for (const Primitive& p : bench.modelPrimitives(bench.draw())) {
            bool allGrey = !p.vertices.empty();
            for (const auto& v : p.vertices) {
                EXPECT_TRUE(std::isfinite(v.position[0] + v.position[1] + v.position[2]));
                allGrey = allGrey && v.color == kNoValue;
                if (k.alone && p.mode != gl::Polygon) {
                    EXPECT_EQ(std::count(banded.begin(), banded.end(), v.color), 0);
                }
            }
            grey = grey || (allGrey && p.mode == k.primitive);
        }
        EXPECT_TRUE(grey);
    }
}

// A line element and a point element in space (at x = 3, before centring), then a shell.
orv::FeModel trussAndShell() {
    orv::FeModel m =
        orvtest::buildModel(3, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {3, 3, 1}, {3, 3, 2}},
                            {{1, 32, {5, 6}}, {2, 31, {5}}, {3, 44, {1, 2, 3, 4}}});
    orvtest::addResults(m, {"T"}, {1.0f}, [](int32_t, int32_t i, int32_t) { return float(i); });
    return m;
}

// Whether a primitive belongs to the line or point element of trussAndShell().
bool ofTruss(const SceneBench& bench, const Primitive& p) {
    return !p.vertices.empty() &&
           std::fabs(p.vertices[0].position[0] - node(bench.scene.model(), 4)[0]) < 1e-6f;
}

// Points and lines in space are drawn unlit in every plot, the light on or off; the faces
// after them are lit as set.
TEST(ElementDrawing, PointsAndLinesInSpaceAreUnlit) {
    SceneBench bench(trussAndShell());
    const struct {
        PlotMode mode;
        bool light;
    } cases[] = {{PlotMode::Contour, true},
                 {PlotMode::IsoLine, true},
                 {PlotMode::Material, true},
                 {PlotMode::IsoSurface, true},
                 {PlotMode::Contour, false}};
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << int(k.mode) << ", light " << k.light);
        bench.plot(k.mode);
        if (bench.scene.settings().lightOn != k.light) {
            ASSERT_TRUE(bench.scene.commandToggleLight(bench.none));
        }
        int truss = 0, faces = 0;
        for (const Primitive& p : bench.modelPrimitives(bench.draw())) {
            if (p.mode == gl::Polygon) {
                EXPECT_EQ(p.lighting, k.light || k.mode == PlotMode::IsoSurface);
                ++faces;
            } else if (ofTruss(bench, p)) {
                EXPECT_FALSE(p.lighting);
                ++truss;
            }
        }
        EXPECT_GE(truss, 2);
        EXPECT_GE(faces, 1);
    }
}

// In iso-line mode the members of a plane truss show their bands: no outline in the inverse
// of the background covers them, unless the bands are not drawn while the model is dragged.
TEST(ElementDrawing, APlaneTrussShowsItsIsoLineBands) {
    for (const bool drag : {false, true}) {
        SCOPED_TRACE(drag ? "dragged" : "still");
        orv::FeModel m = orvtest::buildModel(2, {{0, 0, 0}, {2, 0, 0}, {1, 1, 0}},
                                             {{1, 22, {1, 2}}, {2, 22, {2, 3}}, {3, 22, {3, 1}}});
        orvtest::addResults(m, {"T"}, {1.0f}, [](int32_t, int32_t i, int32_t) { return float(i); });
        SceneBench bench(std::move(m));
        bench.plot(PlotMode::IsoLine);
        if (drag) {
            ASSERT_TRUE(bench.scene.commandSetNumbering(true, orv::Numbering::None));
            ASSERT_TRUE(bench.scene.commandDynamicPan(bench.none));
            bench.scene.mousePress(10, 10);
            ASSERT_TRUE(bench.scene.mouseDrag(30, 10));
        }
        int white = 0, banded = 0;
        for (const Primitive& p : bench.modelPrimitives(bench.draw(), gl::Lines))
            (p.vertices[0].color == kWhite ? white : banded)++;
        EXPECT_EQ(white > 0, drag);
        EXPECT_EQ(banded > 0, !drag);
    }
}

// The widths and sizes element drawing sets follow the device pixel scale.
TEST(ElementDrawing, WidthsAndPointSizesFollowThePixelScale) {
    const struct {
        PlotMode mode;
        unsigned primitive;
        bool truss;
        float size;  // at scale 1
    } cases[] = {{PlotMode::Contour, gl::Points, true, 2.0f},
                 {PlotMode::Contour, gl::Lines, true, 1.0f},    // the line element's bands
                 {PlotMode::IsoLine, gl::Lines, false, 1.5f}};  // the shell's iso-lines
    for (const float scale : {1.0f, 2.0f}) {
        for (const auto& k : cases) {
            SCOPED_TRACE(::testing::Message() << "mode " << int(k.mode) << ", scale " << scale);
            SceneBench bench(trussAndShell());
            bench.scene.setPixelScale(scale);
            bench.plot(k.mode);
            int drawn = 0;
            for (const Primitive& p : bench.modelPrimitives(bench.draw(), k.primitive)) {
                if (ofTruss(bench, p) != k.truss) continue;
                EXPECT_EQ(k.primitive == gl::Points ? p.pointSize : p.lineWidth, scale * k.size);
                ++drawn;
            }
            EXPECT_GT(drawn, 0);
        }
    }
}

}  // namespace
