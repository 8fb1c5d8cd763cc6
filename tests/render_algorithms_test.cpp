// The arithmetic the element drawing shares: the band rule, clipping a polygon at a value,
// iso points, the ordering of loose points, face normals and visibility, and the colours.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "band_fill.h"
#include "color_map.h"
#include "draw_context.h"
#include "recording_gl.h"
#include "render_support.h"

namespace {

using orv::ValuedPolygon;
using Vec3 = std::array<float, 3>;

ValuedPolygon polygon(const std::vector<Vec3>& points, const std::vector<float>& values) {
    ValuedPolygon p;
    for (size_t i = 0; i < points.size(); ++i)
        p.add(points[i].data(), values[i]);
    return p;
}

TEST(BandRule, ValueAtABoundBelongsToTheLowerBand) {
    const float upper[3] = {1.0f, 2.0f, 3.0f};
    EXPECT_EQ(orv::bandOf(1.0f, upper, 3), 0);
    EXPECT_EQ(orv::bandOf(std::nextafter(1.0f, 2.0f), upper, 3), 1);
    EXPECT_EQ(orv::bandOf(2.0f, upper, 3), 1);
    EXPECT_EQ(orv::bandOf(-50.0f, upper, 3), 0);  // below the minimum: the first colour
    EXPECT_EQ(orv::bandOf(99.0f, upper, 3), 2);   // above the maximum: the last colour
}

TEST(ClipAtValue, SplitsAtTheBoundWithTheBoundAtTheNewVertices) {
    // A right triangle: value 0 at the origin, 10 at the two far corners.
    ValuedPolygon current = polygon({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {0, 10, 10});
    ValuedPolygon below;
    orv::clipAtValue(5.0f, current, below);

    ASSERT_EQ(below.count, 3);
    EXPECT_TRUE(orvtest::near3(below.p[0], {0, 0, 0}));
    EXPECT_FALSE(below.created[0]);
    EXPECT_TRUE(orvtest::near3(below.p[1], {1, 0, 0}));
    EXPECT_TRUE(below.created[1]);
    EXPECT_TRUE(orvtest::near3(below.p[2], {0, 1, 0}));
    EXPECT_TRUE(below.created[2]);

    // The part above: the two far corners and the two crossings, which carry the bound.
    ASSERT_EQ(current.count, 4);
    EXPECT_TRUE(orvtest::near3(current.p[0], {1, 0, 0}));
    EXPECT_FLOAT_EQ(current.v[0], 5.0f);
    EXPECT_TRUE(orvtest::near3(current.p[1], {2, 0, 0}));
    EXPECT_FLOAT_EQ(current.v[1], 10.0f);
    EXPECT_TRUE(orvtest::near3(current.p[2], {0, 2, 0}));
    EXPECT_TRUE(orvtest::near3(current.p[3], {0, 1, 0}));
    EXPECT_FLOAT_EQ(current.v[3], 5.0f);
    // Nothing of the part above is at or below the bound any more.
    EXPECT_EQ(current.countAbove(5.0f), 2);
}

TEST(ClipAtValue, VertexExactlyAtTheBoundStaysBelow) {
    ValuedPolygon current = polygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0, 5, 10, 5});
    EXPECT_EQ(current.countAbove(5.0f), 1);
    ValuedPolygon below;
    orv::clipAtValue(5.0f, current, below);
    int original = 0;
    for (int i = 0; i < below.count; ++i)
        original += !below.created[size_t(i)];
    EXPECT_EQ(original, 3);  // vertices 0, 1 and 3: at or below 5
    EXPECT_EQ(current.countAbove(5.0f), 1);
}

TEST(IsoPoints, OnlyEdgesStrictlyAcrossTheValueGivePoints) {
    std::array<Vec3, 5> points{};
    // Vertex 0 lies exactly on the iso value: its two edges give nothing.
    const ValuedPolygon triangle = polygon({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {5, 0, 10});
    ASSERT_EQ(orv::isoPoints(triangle, 5.0f, points.data(), 5), 1);
    EXPECT_TRUE(orvtest::near3(points[0], {1, 1, 0}));

    const ValuedPolygon square =
        polygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0, 10, 10, 0});
    ASSERT_EQ(orv::isoPoints(square, 2.5f, points.data(), 5), 2);
    EXPECT_TRUE(orvtest::near3(points[0], {0.25f, 0, 0}));
    EXPECT_TRUE(orvtest::near3(points[1], {0.25f, 1, 0}));

    // Equal values cross nothing.
    const ValuedPolygon flat = polygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {3, 3, 3});
    EXPECT_EQ(orv::isoPoints(flat, 3.0f, points.data(), 5), 0);

    // Eight alternating vertices cross eight times; the walk stops after the fifth point.
    std::vector<Vec3> ring;
    std::vector<float> values;
    for (int i = 0; i < 8; ++i) {
        ring.push_back({std::cos(float(i)), std::sin(float(i)), 0});
        values.push_back(i % 2 ? 1.0f : -1.0f);
    }
    EXPECT_EQ(orv::isoPoints(polygon(ring, values), 0.0f, points.data(), 5), 5);
}

// True when the points run around a convex polygon in the plane z = const or x = const.
bool convexInProjection(const std::vector<Vec3>& p, int iu, int iv) {
    int positive = 0, negative = 0;
    const size_t n = p.size();
    for (size_t i = 0; i < n; ++i) {
        const Vec3 &a = p[i], &b = p[(i + 1) % n], &c = p[(i + 2) % n];
        const float cross = (b[size_t(iu)] - a[size_t(iu)]) * (c[size_t(iv)] - b[size_t(iv)]) -
                            (b[size_t(iv)] - a[size_t(iv)]) * (c[size_t(iu)] - b[size_t(iu)]);
        positive += cross > 1e-6f;
        negative += cross < -1e-6f;
    }
    return positive == 0 || negative == 0;
}

TEST(OrderConvex, PutsCrossedPointsInBoundaryOrder) {
    // The corners of a square in the plane x = 0.5, in the bow-tie order edges give them.
    std::vector<Vec3> points = {{0.5f, 0, 0}, {0.5f, 1, 0}, {0.5f, 0, 1}, {0.5f, 1, 1}};
    ASSERT_FALSE(convexInProjection(points, 1, 2));
    orv::orderConvex(points, orv::faceNormal(points[0].data(), points[1].data(), points[2].data()),
                     true);
    ASSERT_EQ(points.size(), 4u);
    EXPECT_TRUE(convexInProjection(points, 1, 2));
    EXPECT_TRUE(orvtest::near3(points[0], {0.5f, 0, 0}));  // the walk starts at point 0

    // Three points keep their order whatever it is.
    std::vector<Vec3> three = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}};
    const std::vector<Vec3> before = three;
    orv::orderConvex(three, {0, 0, 1}, true);
    EXPECT_EQ(three, before);
}

TEST(FaceNormal, UnitLengthOrZero) {
    const float a[3] = {0, 0, 0}, b[3] = {2, 0, 0}, c[3] = {2, 3, 0};
    EXPECT_TRUE(orvtest::near3(orv::faceNormal(a, b, c), {0, 0, 1}));
    const float d[3] = {4, 0, 0};
    EXPECT_TRUE(orvtest::near3(orv::faceNormal(a, b, d), {0, 0, 0}));
}

TEST(FaceVisible, FollowsTheSceneRotationOfEveryAngle) {
    orv::FeModel model;
    orv::PlotSettings settings;
    orv::ColorMap colours;
    orv::BandValues bands;
    orv::BitmapFontSet fonts;
    orv::CutPlane cut;
    orv::FrameNodes nodes;
    orv::RecordingGl gl;
    orv::DrawContext c{gl, model, settings, colours, bands, fonts, cut, nodes, {}};
    const auto look = [&](float ax, float ay, float az) {
        orv::Camera camera;
        camera.setAngles(ax, ay, az);
        for (size_t i = 0; i < 3; ++i) {
            c.view.angle[i] = camera.angles[i];
            c.view.cosine[i] = camera.cosines[i];
            c.view.sine[i] = camera.sines[i];
        }
    };
    look(0, 0, 0);
    EXPECT_TRUE(c.faceVisible({0, 0, 1}));
    EXPECT_FALSE(c.faceVisible({0, 0, -1}));
    EXPECT_FALSE(c.faceVisible({1, 0, 0}));  // edge-on: rotated z exactly 0
    EXPECT_FALSE(c.faceVisible({0, 0, 0}));  // a degenerate face counts as facing away
    look(0, 90, 0);                          // turned about Y: +x comes towards the viewer
    EXPECT_FALSE(c.faceVisible({1, 0, 0}));
    EXPECT_TRUE(c.faceVisible({-1, 0, 0}));
    look(90, 0, 0);  // about X: +y comes towards the viewer
    EXPECT_TRUE(c.faceVisible({0, 1, 0}));
    EXPECT_FALSE(c.faceVisible({0, -1, 0}));
    look(90, 0, 90);  // Z first: +x turns into +y, then X turns that towards the viewer
    EXPECT_TRUE(c.faceVisible({1, 0, 0}));
    EXPECT_FALSE(c.faceVisible({-1, 0, 0}));
}

TEST(ColorMap, ResamplesTheRainbowToTheBandCount) {
    orv::ColorMap map;
    map.setDivisions(false, 2);
    EXPECT_EQ(map.bandColour(0), (orv::Rgb{0, 0, 1}));
    EXPECT_EQ(map.bandColour(1), (orv::Rgb{1, 0, 0}));

    map.setDivisions(false, 3);
    EXPECT_TRUE(orvtest::near3(map.bandColour(1), {0, 1, 0.2f}));

    map.setDivisions(false, 21);
    EXPECT_TRUE(orvtest::near3(map.bandColour(1), {0, 0.18f, 1}));   // entry 0.9
    EXPECT_TRUE(orvtest::near3(map.bandColour(19), {1, 0.58f, 0}));  // entry 17.1
    EXPECT_EQ(map.bandColour(20), (orv::Rgb{1, 0, 0}));
    EXPECT_EQ(map.bandColour(21), map.bandColour(0));  // beyond the table: wraps once
    EXPECT_EQ(map.bandColour(-3), map.bandColour(0));

    // Out of 2..21 nothing changes.
    map.setDivisions(true, 1);
    map.setDivisions(true, 22);
    EXPECT_FALSE(map.greyMode);
    EXPECT_EQ(map.divisions, 21);
}

TEST(ColorMap, GreyRampEndsInBlack) {
    orv::ColorMap map;
    map.setDivisions(true, 4);
    const float expected[4] = {0.75f, 0.5f, 0.25f, 0.0f};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(map.bandColour(i), (orv::Rgb{expected[i], expected[i], expected[i]})) << i;
    orv::RecordingGl gl;
    map.applyBand(gl, 1);
    gl.begin(orv::gl::Points);
    gl.vertex(0.0f, 0.0f);
    gl.end();
    EXPECT_EQ(gl.primitives[0].vertices[0].color, (std::array<float, 3>{0.5f, 0.5f, 0.5f}));
}

TEST(Palettes, MaterialsAndDrawingColours) {
    EXPECT_TRUE(orvtest::near3(orv::materialColour(41), {0.2f, 0.8f, 1}));
    EXPECT_TRUE(orvtest::near3(orv::materialColour(45), {0.6f, 0.4f, 1}));
    EXPECT_EQ(orv::materialColour(4), orv::materialColour(13));  // both yellow
    EXPECT_EQ(orv::materialColour(1), orv::materialColour(21));  // period 20 up to 40
    EXPECT_TRUE(orvtest::near3(orv::materialColour(40), {0.4f, 0.7f, 1}));
    EXPECT_TRUE(orvtest::near3(orv::materialColour(0), {0.1f, 0.9f, 1}));

    EXPECT_EQ(orv::basePalette(14), (orv::Rgb{0, 0, 0}));
    EXPECT_EQ(orv::basePalette(15), (orv::Rgb{1, 1, 1}));
    EXPECT_EQ(orv::basePalette(16), (orv::Rgb{0, 1, 1}));  // cyan when it sets the colour
    float copy[3];
    orv::basePalette(-1, copy);
    EXPECT_EQ((orv::Rgb{copy[0], copy[1], copy[2]}), (orv::Rgb{1, 1, 0}));  // yellow as a copy
}

}  // namespace
