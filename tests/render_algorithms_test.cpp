// The arithmetic the element drawing shares: the band rule, clipping a polygon at a value,
// iso points and the colours. The ordering of loose points is the frame tests' concern.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "band_fill.h"
#include "color_map.h"

namespace {

using orv::ValuedPolygon;
using Vec3 = std::array<float, 3>;

ValuedPolygon polygon(const std::vector<Vec3>& points, const std::vector<float>& values) {
    ValuedPolygon p;
    for (size_t i = 0; i < points.size(); ++i)
        p.add(points[i].data(), values[i]);
    return p;
}

bool near3(const Vec3& a, const Vec3& b, float tolerance = 1e-5f) {
    return std::fabs(a[0] - b[0]) < tolerance && std::fabs(a[1] - b[1]) < tolerance &&
           std::fabs(a[2] - b[2]) < tolerance;
}

// The points of a polygon, compared whole.
void expectPolygon(const ValuedPolygon& p, const std::vector<Vec3>& points) {
    ASSERT_EQ(p.count, int(points.size()));
    for (size_t i = 0; i < points.size(); ++i)
        EXPECT_TRUE(near3(p.p[i], points[i])) << "vertex " << i;
}

TEST(BandRule, ValueAtABoundBelongsToTheLowerBand) {
    const float upper[3] = {1.0f, 2.0f, 3.0f};
    const std::pair<float, int> cases[] = {
        {1.0f, 0}, {std::nextafter(1.0f, 2.0f), 1}, {2.0f, 1}, {-50.0f, 0}, {99.0f, 2}};
    for (const auto& [value, band] : cases)
        EXPECT_EQ(orv::bandOf(value, upper, 3), band) << value;
}

TEST(ClipAtValue, SplitsAtTheBoundWithTheBoundAtTheNewVertices) {
    // A right triangle: value 0 at the origin, 10 at the two far corners.
    ValuedPolygon current = polygon({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {0, 10, 10});
    ValuedPolygon below;
    orv::clipAtValue(5.0f, current, below);
    expectPolygon(below, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    EXPECT_EQ(below.created, (decltype(below.created){false, true, true}));
    expectPolygon(current, {{1, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 1, 0}});
    EXPECT_EQ(std::vector<float>(current.v.begin(), current.v.begin() + 4),
              (std::vector<float>{5, 10, 10, 5}));
    // A vertex exactly at the bound stays below: vertices 0, 1 and 3 are kept.
    current = polygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0, 5, 10, 5});
    orv::clipAtValue(5.0f, current, below);
    EXPECT_EQ(std::count(below.created.begin(), below.created.begin() + below.count, false), 3);
    EXPECT_EQ(current.countAbove(5.0f), 1);
    // Values at both ends of the float range: their difference overflows a float.
    current = polygon({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {-3.4e38f, 3.4e38f, 3.4e38f});
    orv::clipAtValue(0.0f, current, below);
    expectPolygon(below, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
}

// A quadrilateral is clipped as two triangles on its diagonal 0-2 when its values make a
// saddle or its corners leave one plane; otherwise whole.
TEST(SplitForClipping, SaddlesAndWarpedQuadrilateralsBecomeTwoTriangles) {
    const Vec3 o{0, 0, 0}, x{1, 0, 0}, y{0, 1, 0}, xy{1, 1, 0};
    // Ties (at 4) are no saddle; a corner off the plane by rounding, or a tilted plane, is flat.
    const std::vector<Vec3> sq = {o, x, xy, y}, warped = {o, x, {1, 1, 0.2f}, y},
                            flat = {o, x, {1, 1, 1e-6f}, y}, tilted = {o, {1, 0, 1}, {1, 1, 1}, y},
                            three = {o, x, xy}, five = {o, x, xy, y, {-1, 0.5f, 0}};
    const struct {
        std::vector<Vec3> points;
        std::vector<float> values;
        bool split;
    } cases[] = {
        {sq, {0, 0, 10, 10}, false},      {sq, {0, 4, 8, 4}, false},
        {sq, {0, 10, 0, 10}, true},       {sq, {10, 1, 9, 0}, true},
        {warped, {0, 0, 10, 10}, true},   {flat, {0, 0, 10, 10}, false},
        {tilted, {0, 0, 10, 10}, false},  {three, {0, 10, 0}, false},
        {five, {0, 10, 0, 10, 0}, false},
    };
    for (int i = 0; const auto& k : cases) {
        orv::ValuedPolygon triangles[2];
        const ValuedPolygon quad = polygon(k.points, k.values);
        ASSERT_EQ(orv::splitForClipping(quad, triangles), k.split) << "row " << i++;
        if (!k.split) continue;
        for (int t = 0; t < 2; ++t) {
            ASSERT_EQ(triangles[t].count, 3);
            for (const auto& [corner, of] : {std::pair{0, 0}, {1, t + 1}, {2, t + 2}}) {
                EXPECT_EQ(triangles[t].p[size_t(corner)], quad.p[size_t(of)]);
                EXPECT_EQ(triangles[t].v[size_t(corner)], quad.v[size_t(of)]);
            }
        }
    }
}

TEST(IsoPoints, OnlyEdgesStrictlyAcrossTheValueGivePoints) {
    const Vec3 o{0, 0, 0}, x{1, 0, 0}, y{0, 1, 0}, xy{1, 1, 0};
    const struct {
        ValuedPolygon polygon;
        float u;
        int count;
        std::vector<Vec3> points;
    } cases[] = {// Vertex 0 lies exactly on the value: its two edges give nothing.
                 {polygon({o, {2, 0, 0}, {0, 2, 0}}, {5, 0, 10}), 5, 1, {{1, 1, 0}}},
                 {polygon({o, x, xy, y}, {0, 10, 10, 0}), 2.5f, 2, {{0.25f, 0, 0}, {0.25f, 1, 0}}},
                 {polygon({o, x, y}, {3, 3, 3}), 3, 0, {}},
                 // Eight crossings: the walk stops after the fifth point.
                 {polygon({o, x, xy, y, o, x, xy, y}, {1, -1, 1, -1, 1, -1, 1, -1}), 0, 5, {}}};
    for (const auto& k : cases) {
        std::array<Vec3, 5> got{};
        ASSERT_EQ(orv::isoPoints(k.polygon, k.u, got.data(), 5), k.count) << k.u;
        for (size_t i = 0; i < k.points.size(); ++i)
            EXPECT_TRUE(near3(got[i], k.points[i])) << k.u;
    }
}

// Bands 1 and 19 of 21 are the rainbow's entries 0.9 and 17.1; past the table it wraps once;
// the grey ramp runs from light grey down to a dark grey, never black; out of 2..21 nothing
// changes. Materials repeat every 20 up to 40 (4 and 13 are both yellow), then follow a
// clamped ramp; the base palette is cyan out of range, yellow as a copy.
TEST(Colours, RainbowResampledGreyRampsAndPalettes) {
    const struct {
        bool grey;
        int divisions, band;
        float r, g, b;
    } bands[] = {
        {0, 2, 0, 0, 0, 1},          {0, 2, 1, 1, 0, 0},          {0, 3, 1, 0, 1, .2f},
        {0, 21, 1, 0, .18f, 1},      {0, 21, 19, 1, .58f, 0},     {0, 21, 20, 1, 0, 0},
        {0, 21, 21, 0, 0, 1},        {0, 21, -3, 0, 0, 1},        {1, 4, 0, .9f, .9f, .9f},
        {1, 4, 2, .47f, .47f, .47f}, {1, 4, 3, .25f, .25f, .25f}, {1, 2, 1, .25f, .25f, .25f},
        {1, 1, 1, 0, .6f, 1},        {1, 22, 2, 0, 1, .8f},
    };
    for (const auto& k : bands) {
        orv::ColorMap map;
        map.setDivisions(false, 7);
        map.setDivisions(k.grey, k.divisions);
        EXPECT_TRUE(near3(map.bandColour(k.band), {k.r, k.g, k.b}, 5e-3f))
            << k.divisions << " " << k.band;
    }
    EXPECT_TRUE(near3(orv::materialColour(41), {0.2f, 0.8f, 1}));
    EXPECT_TRUE(near3(orv::materialColour(0), {0.1f, 0.9f, 1}));
    EXPECT_EQ(orv::materialColour(13), orv::materialColour(4));
    EXPECT_EQ(orv::materialColour(21), orv::materialColour(1));
    EXPECT_EQ(orv::basePalette(16), (orv::Rgb{0, 1, 1}));
    float copy[3];
    orv::basePalette(-1, copy);
    EXPECT_EQ((orv::Rgb{copy[0], copy[1], copy[2]}), (orv::Rgb{1, 1, 0}));
}

}  // namespace
