// The cutting plane: the state of every element family against the plane, the sections of cut
// elements and what the drawing makes of them, and the scene's checks of the three points.
#include "cut_plane.h"

#include <gtest/gtest.h>

#include <cmath>

#include "band_fill.h"
#include "bitmap_font_set.h"
#include "color_map.h"
#include "draw_context.h"
#include "gl.h"
#include "recording_gl.h"
#include "scene.h"
#include "test_support.h"

namespace {

using orv::CutState;
using orv::ElementPass;
using orvtest::buildModel;
using orvtest::Points;
using Vec3 = std::array<float, 3>;

// The eight corners of the box [x0, x0 + 1] x [0, 1] x [z0, z0 + 1] in hexahedron order.
Points cube(float x0 = 0, float z0 = 0) {
    return {{x0, 0, z0},     {x0 + 1, 0, z0},     {x0 + 1, 1, z0},     {x0, 1, z0},
            {x0, 0, z0 + 1}, {x0 + 1, 0, z0 + 1}, {x0 + 1, 1, z0 + 1}, {x0, 1, z0 + 1}};
}

// The corners of a tetrahedron at the origin, along the axes.
const Points kTet = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

void expectNear(const Vec3& a, const Vec3& b, float tolerance = 1e-5f) {
    for (size_t k = 0; k < 3; ++k)
        EXPECT_NEAR(a[k], b[k], tolerance) << "component " << k;
}

// One frame's drawing of a model into a RecordingGl, seen along -z, with the values of
// component `item` (none when negative) in ten bands of width 1 from 0 to 10.
class Frame {
  public:
    Frame(const orv::FeModel& model, const orv::CutPlane& cut, int item = -1,
          float magnification = 0.0f)
        : model_(model), cut_(cut) {
        settings_.reset();
        colours_.setDivisions(false, 10);
        bands_.divisions = 10;
        bands_.minValue = 0;
        bands_.maxValue = 10;
        for (int k = 0; k < 10; ++k)
            bands_.bandUpper[size_t(k)] = float(k + 1);
        const size_t n = size_t(model.nodeCount);
        nodes_.undeformed.assign(n * 3, 0.0f);
        for (size_t i = 0; i < n; ++i)
            for (int k = 0; k < model.dimension; ++k)
                nodes_.undeformed[i * 3 + size_t(k)] = model.coordinate(int32_t(i), k);
        nodes_.deformed = nodes_.undeformed;
        if (magnification != 0)
            for (size_t i = 0; i < n; ++i)
                for (int k = 0; k < 3; ++k)
                    nodes_.deformed[i * 3 + size_t(k)] +=
                        float(magnification * model.displacement(int32_t(i), 0, k));
        nodes_.hasValues = item >= 0;
        if (nodes_.hasValues)
            for (size_t i = 0; i < n; ++i)
                nodes_.values.push_back(float(model.nodalValue(int32_t(i), 0, item)));
    }

    orv::DrawContext context() {
        return orv::DrawContext{gl, model_, settings_, colours_, bands_, fonts_, cut_, nodes_, {}};
    }
    void draw(ElementPass pass) {
        const orv::DrawContext c = context();
        for (int32_t e = 0; e < model_.elementCount; ++e)
            orv::drawElement(c, pass, e);
    }
    Vec3 bandColour(int k) const {
        const orv::Rgb c = colours_.bandColour(k);
        return {c[0], c[1], c[2]};
    }

    orv::RecordingGl gl;

  private:
    const orv::FeModel& model_;
    const orv::CutPlane& cut_;
    orv::PlotSettings settings_;
    orv::ColorMap colours_;
    orv::BandValues bands_;
    orv::BitmapFontSet fonts_;
    orv::FrameNodes nodes_;
};

std::vector<Vec3> positions(const orv::RecordingGl::Primitive& p) {
    std::vector<Vec3> out;
    for (const auto& v : p.vertices)
        out.push_back(v.position);
    return out;
}

// --- states ---

TEST(CutPlaneStates, HexahedronAgainstPlanesAcrossItsXRange) {
    const orv::FeModel m = buildModel(3, cube(), {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}}});
    orvtest::RecordingMessages messages;
    orv::CutPlane cut;
    // Centred, the cube spans -0.5 .. 0.5; the side x > -d is removed.
    const struct {
        double d;
        CutState state;
    } cases[] = {
        {-0.6, CutState::Whole},
        {0.6, CutState::Removed},
        {0.0, CutState::Cut},
        {0.5, CutState::Removed},  // through the face x = -0.5: nothing is kept
        {-0.5, CutState::InPlane},
        {-0.5 + 0.5e-4, CutState::InPlane},
        {-0.5 - 2e-4, CutState::Whole},
    };
    for (const auto& c : cases) {
        cut.apply(m, {1, 0, 0, c.d}, messages);
        EXPECT_EQ(cut.state(0), c.state) << "d = " << c.d;
        EXPECT_EQ(cut.section(0) != nullptr, c.state == CutState::Cut) << "d = " << c.d;
        for (int i = 0; i < 6; ++i)  // face 4 is (1, 2, 6, 5), the face x = 0.5
            EXPECT_EQ(cut.inPlaneFace(0, i), c.state == CutState::InPlane && i == 4)
                << "d = " << c.d << ", face " << i;
    }
    EXPECT_TRUE(messages.boxes.empty());
}

TEST(CutPlaneStates, TetrahedronThroughOneNodeOrOneFace) {
    const orv::FeModel m = buildModel(3, kTet, {{1, 34, {1, 2, 3, 4}}});
    orvtest::RecordingMessages messages;
    orv::CutPlane cut;
    // Centred, node 4 is at z = 0.5 and the others at z = -0.5.
    cut.apply(m, {0, 0, 1, -0.5}, messages);  // through node 4 only, the rest kept
    EXPECT_EQ(cut.state(0), CutState::Whole);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(cut.inPlaneFace(0, i));

    cut.apply(m, {0, 0, -1, -0.5}, messages);  // through the face (3, 2, 1), node 4 kept
    EXPECT_EQ(cut.state(0), CutState::InPlane);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(cut.inPlaneFace(0, i), i == 3) << "face " << i;

    // x = -0.5 holds nodes 1, 3 and 4: with node 2 removed nothing is kept, with node 2
    // kept the face (4, 3, 1) lies in the plane.
    cut.apply(m, {1, 0, 0, 0.5}, messages);
    EXPECT_EQ(cut.state(0), CutState::Removed);
    cut.apply(m, {-1, 0, 0, -0.5}, messages);
    EXPECT_EQ(cut.state(0), CutState::InPlane);
    EXPECT_TRUE(cut.inPlaneFace(0, 2));
    EXPECT_TRUE(messages.boxes.empty());
}

// --- sections ---

TEST(CutPlaneSections, TetrahedronCapFacesTheRemovedSide) {
    const orv::FeModel m = buildModel(3, kTet, {{1, 34, {1, 2, 3, 4}}});
    orvtest::RecordingMessages messages;
    orv::CutPlane cut;
    const int32_t n = m.nodeCount;

    cut.apply(m, {0, 0, 1, 0}, messages);  // node 4 removed
    ASSERT_EQ(cut.state(0), CutState::Cut);
    const orv::CutSection* s = cut.section(0);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->points.size(), 3u);  // on edges 1-4, 2-4, 3-4, at their midpoints
    for (const orv::SectionPoint& p : s->points) {
        EXPECT_EQ(p.b, 3);
        EXPECT_FLOAT_EQ(p.wa, 0.5f);
        EXPECT_NEAR(p.position[2], 0.0f, 1e-6f);
    }
    // Three points keep their edge order, which already faces +z.
    ASSERT_EQ(s->polygons.size(), 5u);
    EXPECT_EQ(s->polygons[0], (std::vector<int32_t>{n + 1, n + 2, n + 3}));
    // The faces, clipped: (1, 2, 4) loses node 4, (3, 2, 1) stays whole.
    EXPECT_EQ(s->polygons[1], (std::vector<int32_t>{1, 2, n + 2, n + 1}));
    EXPECT_EQ(s->polygons[4], (std::vector<int32_t>{3, 2, 1}));

    cut.apply(m, {0, 0, -1, 0}, messages);  // only node 4 kept: the cap turns to -z
    s = cut.section(0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->polygons[0], (std::vector<int32_t>{n + 3, n + 2, n + 1}));
    EXPECT_EQ(s->polygons.size(), 4u);  // the face (3, 2, 1) is gone entirely

    // The slanted plane x + y + z = -1 between node 1 and the others, either way round:
    // the cap's normal is the plane's.
    const double r = 1 / std::sqrt(3.0);
    for (const double sign : {1.0, -1.0}) {
        cut.apply(m, {sign * r, sign * r, sign * r, sign * r}, messages);
        s = cut.section(0);
        ASSERT_NE(s, nullptr);
        std::vector<Vec3> cap;
        for (int32_t p : s->polygons[0])
            cap.push_back(p > n ? s->points[size_t(p - n - 1)].position
                                : Vec3{m.coordinate(p - 1, 0), m.coordinate(p - 1, 1),
                                       m.coordinate(p - 1, 2)});
        ASSERT_GE(cap.size(), 3u);
        expectNear(orv::faceNormal(cap[0].data(), cap[1].data(), cap[2].data()),
                   {float(sign * r), float(sign * r), float(sign * r)}, 1e-4f);
    }
}

TEST(CutPlaneSections, HexahedronCapThroughANodeAndCrossingEdges) {
    // The plane x + y = 0 (centred) holds nodes 2, 4, 6 and 8 and crosses no edge: the cap
    // is the diagonal rectangle of those four nodes.
    const orv::FeModel m = buildModel(3, cube(), {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}}});
    orvtest::RecordingMessages messages;
    orv::CutPlane cut;
    const double r = 1 / std::sqrt(2.0);
    cut.apply(m, {r, r, 0, 0}, messages);
    ASSERT_EQ(cut.state(0), CutState::Cut);
    const orv::CutSection* s = cut.section(0);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->points.empty());
    ASSERT_FALSE(s->polygons.empty());
    std::vector<int32_t> cap = s->polygons[0];
    ASSERT_EQ(cap.size(), 4u);
    std::vector<int32_t> sorted = cap;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int32_t>{2, 4, 6, 8}));
    // In boundary order: consecutive corners are never the diagonal pairs 2-8 or 4-6.
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NE(cap[i] + cap[(i + 1) % 4], 10) << cap[i] << " then " << cap[(i + 1) % 4];

    // The plane x + y + z = 0 crosses six edges: the cap is a hexagon.
    cut.apply(m, {1 / std::sqrt(3.0), 1 / std::sqrt(3.0), 1 / std::sqrt(3.0), 0}, messages);
    s = cut.section(0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->points.size(), 6u);
    ASSERT_EQ(s->polygons[0].size(), 6u);
    // Convex order: every turn of the hexagon goes the same way as the plane's normal.
    const int32_t n = m.nodeCount;
    for (size_t i = 0; i < 6; ++i) {
        const Vec3& a = s->points[size_t(s->polygons[0][i] - n - 1)].position;
        const Vec3& b = s->points[size_t(s->polygons[0][(i + 1) % 6] - n - 1)].position;
        const Vec3& c = s->points[size_t(s->polygons[0][(i + 2) % 6] - n - 1)].position;
        const Vec3 normal = orv::faceNormal(a.data(), b.data(), c.data());
        EXPECT_GT(normal[0] + normal[1] + normal[2], 1.5f) << "turn at " << i;
    }
}

TEST(CutPlaneSections, SharedEdgesGiveEachElementItsOwnPoints) {
    // Two bricks side by side along x, cut by z = 0: each has its own four points, and the
    // kept faces use the points of their own element.
    const orv::FeModel m =
        buildModel(3,
                   [] {
                       Points p = cube();
                       for (const auto& q : cube(1))
                           if (q[0] > 1) p.push_back(q);
                       return p;
                   }(),
                   {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}}, {2, 38, {2, 9, 10, 3, 6, 11, 12, 7}}});
    orvtest::RecordingMessages messages;
    orv::CutPlane cut;
    cut.apply(m, {0, 0, 1, 0}, messages);
    for (int32_t e = 0; e < 2; ++e) {
        const orv::CutSection* s = cut.section(e);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->points.size(), 4u);
        // The cap, then the outer faces (the shared face is inner): three sides clipped to
        // quadrilaterals and the whole bottom; the top is removed.
        EXPECT_EQ(s->polygons.size(), 1u + 4u);
        for (const auto& polygon : s->polygons)
            for (int32_t p : polygon)
                EXPECT_LE(p, m.nodeCount + 4);
    }
}

TEST(CutPlaneSections, ShellKeepsItsPartWithTwoSectionPoints) {
    const orv::FeModel m =
        buildModel(3, {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}, {{1, 44, {1, 2, 3, 4}}});
    orvtest::RecordingMessages messages;
    orv::CutPlane cut;
    const int32_t n = m.nodeCount;
    cut.apply(m, {1, 0, 0, -0.5}, messages);  // x = 0.5 centred, 1.5 in the file
    ASSERT_EQ(cut.state(0), CutState::Cut);
    const orv::CutSection* s = cut.section(0);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->points.size(), 2u);
    EXPECT_FLOAT_EQ(s->points[0].wa, 0.25f);  // node 1 is three quarters of the edge away
    ASSERT_EQ(s->polygons.size(), 1u);
    EXPECT_EQ(s->polygons[0], (std::vector<int32_t>{1, n + 1, n + 2, 4}));

    // Drawn as one polygon from x = -1 to 0.5, facing the viewer.
    Frame frame(m, cut);
    frame.draw(ElementPass::Material);
    const auto polygons = frame.gl.ofMode(orv::gl::Polygon);
    ASSERT_EQ(polygons.size(), 1u);
    const std::vector<Vec3> drawn = positions(polygons[0]);
    ASSERT_EQ(drawn.size(), 4u);
    expectNear(drawn[0], {-1, -0.5f, 0});
    expectNear(drawn[1], {0.5f, -0.5f, 0});
    expectNear(drawn[2], {0.5f, 0.5f, 0});
    expectNear(drawn[3], {-1, 0.5f, 0});
    EXPECT_TRUE(messages.boxes.empty());

    // Along an edge: two nodes on the plane keep the shell whole.
    cut.apply(m, {1, 0, 0, -1}, messages);
    EXPECT_EQ(cut.state(0), CutState::InPlane);
}

TEST(CutPlaneSections, WarpedShellKeepsBothNodesOnThePlane) {
    // Nodes 2 and 3 lie on z = 0, node 1 below and node 4 above: the kept part is the
    // quadrilateral 1, 2, 3 and the point on edge 4-1, not the triangle without node 2.
    const orv::FeModel m =
        buildModel(3, {{0, 0, -1}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1}}, {{1, 44, {1, 2, 3, 4}}});
    orvtest::RecordingMessages messages;
    orv::CutPlane cut;
    cut.apply(m, {0, 0, 1, 0}, messages);
    ASSERT_EQ(cut.state(0), CutState::Cut);
    const orv::CutSection* s = cut.section(0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->polygons[0], (std::vector<int32_t>{1, 2, 3, m.nodeCount + 1}));
}

TEST(CutPlaneSections, ShellCrossingMoreThanTwiceIsReportedOnce) {
    // A U-shaped six-node shell that y = 1 crosses four times, twice.
    const Points u = {{0, 0, 0}, {3, 0, 0}, {3, 2, 0}, {2, 2, 0}, {1.5f, 0.5f, 0}, {0, 2, 0}};
    Points points = u;
    for (const auto& p : u)
        points.push_back({p[0], p[1], 1});
    const orv::FeModel m =
        buildModel(3, points, {{1, 46, {1, 2, 3, 4, 5, 6}}, {2, 46, {7, 8, 9, 10, 11, 12}}});
    orvtest::RecordingMessages messages;
    orv::CutPlane cut;
    cut.apply(m, {0, 1, 0, 0}, messages);  // y = 1 in the file
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].title, "Message");
    EXPECT_EQ(messages.boxes[0].text, "Error in setCutplane() of shel element!");
    // The walk stops before the third point and keeps what it found.
    const int32_t n = m.nodeCount;
    const orv::CutSection* s = cut.section(1);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->points.size(), 2u);
    EXPECT_EQ(s->polygons[0], (std::vector<int32_t>{7, 8, n + 1, n + 2, 11}));
}

TEST(CutPlaneSections, SpaceLineKeepsItsSegmentAndPointsStay) {
    const orv::FeModel m = buildModel(3, {{0, 0, 0}, {0, 0, 2}, {1, 0, 0}},
                                      {{1, 32, {1, 2}}, {2, 32, {2, 1}}, {3, 31, {3}}});
    orvtest::RecordingMessages messages;
    orv::CutPlane cut;
    // Centred z runs from -1 to 1; z = 0.5 cuts a quarter off.
    cut.apply(m, {0, 0, 1, -0.5}, messages);
    const int32_t n = m.nodeCount;
    ASSERT_EQ(cut.state(0), CutState::Cut);
    EXPECT_EQ(cut.section(0)->polygons[0], (std::vector<int32_t>{1, n + 1}));
    EXPECT_FLOAT_EQ(cut.section(0)->points[0].wa, 0.25f);
    EXPECT_EQ(cut.section(1)->polygons[0], (std::vector<int32_t>{n + 1, 1}));
    EXPECT_EQ(cut.state(2), CutState::Whole);  // a point ignores the plane
    // A node on the plane with the other kept leaves it whole; with the other removed, gone.
    cut.apply(m, {0, 0, 1, -1}, messages);
    EXPECT_EQ(cut.state(0), CutState::Whole);
    cut.apply(m, {0, 0, -1, 1}, messages);
    EXPECT_EQ(cut.state(0), CutState::Removed);

    cut.apply(m, {0, 0, 1, -0.5}, messages);
    Frame frame(m, cut);
    frame.draw(ElementPass::Mesh);
    const auto lines = frame.gl.ofMode(orv::gl::Lines);
    ASSERT_EQ(lines.size(), 2u);  // both lines, each kept from z = -1 to 0.5
    for (const auto& line : lines) {
        std::vector<Vec3> ends = positions(line);
        ASSERT_EQ(ends.size(), 2u);
        std::sort(ends.begin(), ends.end(), [](auto& a, auto& b) { return a[2] < b[2]; });
        expectNear(ends[0], {-0.5f, 0, -1});
        expectNear(ends[1], {-0.5f, 0, 0.5f});
    }
    EXPECT_EQ(frame.gl.ofMode(orv::gl::Points).size(), 1u);
}

// --- drawing ---

// A brick of values 0 at the bottom and 10 at the top, with displacements 0.1 x node
// number along x.
orv::FeModel valuedBrick() {
    orv::FeModel m = buildModel(3, cube(), {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}}});
    orvtest::addResults(m, {"UX", "UY", "UZ", "TEMP"}, {1}, [](int32_t, int32_t i, int32_t d) {
        if (d == 0) return 0.1f * float(i + 1);
        return d == 3 ? (i >= 4 ? 10.0f : 0.0f) : 0.0f;
    });
    return m;
}

TEST(CutPlaneDrawing, CapShowsTheInterpolatedContour) {
    const orv::FeModel m = valuedBrick();
    orvtest::RecordingMessages messages;
    orv::CutPlane cut;
    cut.apply(m, {0, 0, 1, 0.25}, messages);  // z = -0.25: a quarter of the way up
    Frame frame(m, cut, 3);
    frame.draw(ElementPass::Contour);
    // Seen along -z only the cap faces the viewer: one polygon in the band of 2.5.
    const auto polygons = frame.gl.ofMode(orv::gl::Polygon);
    ASSERT_EQ(polygons.size(), 1u);
    const std::vector<Vec3> cap = positions(polygons[0]);
    ASSERT_EQ(cap.size(), 4u);
    for (const auto& v : polygons[0].vertices) {
        EXPECT_NEAR(v.position[2], -0.25f, 1e-6f);
        expectNear(v.color, frame.bandColour(2));
        expectNear(v.normal, {0, 0, 1});
    }
    // The four corners of the section, once each.
    std::vector<std::pair<float, float>> corners;
    for (const Vec3& p : cap)
        corners.push_back({p[0], p[1]});
    std::sort(corners.begin(), corners.end());
    EXPECT_EQ(corners, (std::vector<std::pair<float, float>>{
                           {-0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}}));

    // The mesh shows the cap, the four clipped sides and the bottom.
    frame.gl.primitives.clear();
    frame.draw(ElementPass::Mesh);
    EXPECT_EQ(frame.gl.ofMode(orv::gl::LineLoop).size(), 6u);
}

TEST(CutPlaneDrawing, SectionPointsFollowTheirEdgeInValueAndDeformation) {
    const orv::FeModel m = valuedBrick();
    orvtest::RecordingMessages messages;
    orv::CutPlane cut;
    cut.apply(m, {0, 0, 1, 0.25}, messages);
    const orv::CutSection* s = cut.section(0);
    ASSERT_NE(s, nullptr);
    Frame frame(m, cut, 3, 2.0f);
    const orv::DrawContext c = frame.context();
    for (size_t i = 0; i < s->points.size(); ++i) {
        const orv::SectionPoint& p = s->points[i];
        float at[3], value;
        c.vertex(s, m.nodeCount + 1 + int32_t(i), true, at, value);
        EXPECT_NEAR(value, 2.5f, 1e-5f);
        // Bottom node a at 0.1 (a + 1), top node b at 0.1 (b + 1), magnified twice.
        const float ux = 0.75f * 0.1f * float(p.a + 1) + 0.25f * 0.1f * float(p.b + 1);
        EXPECT_NEAR(at[0], p.position[0] + 2.0f * ux, 1e-5f);
        c.vertex(s, m.nodeCount + 1 + int32_t(i), false, at, value);
        expectNear({at[0], at[1], at[2]}, p.position);
    }
}

TEST(CutPlaneDrawing, CutQuadraticShellIsLitFromItsSideInEveryMode) {
    // An eight-node shell over [0, 2] x [0, 2], mid-side nodes between the corners, cut at
    // x = 1.5: its kept polygon begins with three points on one line.
    orv::FeModel m = buildModel(
        3, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {2, 2, 0}, {1, 2, 0}, {0, 2, 0}, {0, 1, 0}},
        {{1, 48, {1, 2, 3, 4, 5, 6, 7, 8}}});
    orvtest::addResults(m, {"TEMP"}, {1},
                        [](int32_t, int32_t i, int32_t) { return float(i % 4) * 3.0f; });
    orvtest::RecordingMessages messages;
    orv::CutPlane cut;
    cut.apply(m, {1, 0, 0, -0.5}, messages);
    ASSERT_EQ(cut.state(0), CutState::Cut);
    ASSERT_EQ(cut.section(0)->polygons[0].size(), 7u);

    Frame frame(m, cut, 0);
    frame.draw(ElementPass::Material);
    auto polygons = frame.gl.ofMode(orv::gl::Polygon);
    ASSERT_EQ(polygons.size(), 1u);
    expectNear(polygons[0].vertices[0].normal, {0, 0, 1});

    // Its iso-surface is its iso-lines: the grey polygon with the lines over it.
    frame.gl.primitives.clear();
    frame.draw(ElementPass::IsoSurface);
    polygons = frame.gl.ofMode(orv::gl::Polygon);
    ASSERT_EQ(polygons.size(), 1u);
    expectNear(polygons[0].vertices[0].color, {0.8f, 0.8f, 0.8f});
    EXPECT_FALSE(frame.gl.ofMode(orv::gl::Lines).empty());
}

TEST(CutPlaneDrawing, PlaneThroughAnInnerFaceDrawsThatFace) {
    // Two bricks stacked along z share the face at z = 1 (0 when centred), an inner face.
    Points points = cube();
    for (const auto& q : cube(0, 1))
        if (q[2] > 1) points.push_back(q);
    const orv::FeModel m = buildModel(
        3, points, {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}}, {2, 38, {5, 6, 7, 8, 9, 10, 11, 12}}});
    ASSERT_EQ(m.faceFlags[1], 0);  // face (4, 5, 6, 7) of the lower brick is inner
    const std::vector<uint8_t> flags = m.faceFlags;
    orvtest::RecordingMessages messages;
    orv::CutPlane cut;
    cut.apply(m, {0, 0, 1, 0}, messages);
    EXPECT_EQ(cut.state(0), CutState::InPlane);
    EXPECT_EQ(cut.state(1), CutState::Removed);
    EXPECT_TRUE(cut.inPlaneFace(0, 1));
    EXPECT_EQ(m.faceFlags, flags);

    Frame frame(m, cut);
    frame.draw(ElementPass::Material);
    const auto polygons = frame.gl.ofMode(orv::gl::Polygon);
    ASSERT_EQ(polygons.size(), 1u);
    for (const auto& v : polygons[0].vertices)
        EXPECT_NEAR(v.position[2], 0.0f, 1e-6f);
}

// --- lifetime ---

TEST(CutPlaneLifetime, ClearingAndReplacingRestoreEveryElement) {
    Points points = cube();
    for (const auto& q : cube(0, 1))
        if (q[2] > 1) points.push_back(q);
    orv::FeModel m = buildModel(
        3, points, {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}}, {2, 38, {5, 6, 7, 8, 9, 10, 11, 12}}});
    m.elements[1].selected = 0;
    const std::vector<uint8_t> flags = m.faceFlags;
    orvtest::RecordingMessages messages;
    orv::CutPlane cut;

    cut.apply(m, {0, 0, 1, 0}, messages);  // through the shared face
    ASSERT_TRUE(cut.active());
    ASSERT_TRUE(cut.inPlaneFace(0, 1));
    cut.apply(m, {0, 0, 1, 0.5}, messages);  // through the lower brick's middle
    EXPECT_FALSE(cut.inPlaneFace(0, 1));
    EXPECT_EQ(cut.state(0), CutState::Cut);
    EXPECT_EQ(cut.state(1), CutState::Removed);
    cut.apply(m, {0, 0, -1, -0.5}, messages);  // the other way round
    EXPECT_EQ(cut.state(0), CutState::Cut);
    EXPECT_EQ(cut.state(1), CutState::Whole);
    EXPECT_EQ(cut.section(1), nullptr);

    cut.clear();
    EXPECT_FALSE(cut.active());
    for (int32_t e = 0; e < 2; ++e) {
        EXPECT_EQ(cut.state(e), CutState::Whole);
        EXPECT_EQ(cut.section(e), nullptr);
        for (int i = 0; i < 6; ++i)
            EXPECT_FALSE(cut.inPlaneFace(e, i));
    }
    EXPECT_EQ(m.faceFlags, flags);
    EXPECT_EQ(m.elements[0].selected, 1);
    EXPECT_EQ(m.elements[1].selected, 0);
}

// --- the scene's plane from three points ---

class SceneCutPlane : public ::testing::Test {
  protected:
    SceneCutPlane() : scene(messages) {
        // A brick from (-1, -1, -1) to (1, 1, 3) in the file: centre (0, 0, 1).
        Points p = cube();
        for (auto& q : p)
            q = {2 * q[0] - 1, 2 * q[1] - 1, 4 * q[2] - 1};
        scene.model = buildModel(3, p, {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}}});
        scene.modelLoaded = 1;
    }
    bool apply(std::array<std::array<double, 3>, 3> points) {
        messages.boxes.clear();
        return scene.applyCutPlane(points);
    }
    void expectRefused() {
        EXPECT_EQ(scene.settings.cutPlaneOn, 0);
        EXPECT_FALSE(scene.cut.active());
        ASSERT_EQ(messages.boxes.size(), 1u);
        EXPECT_EQ(messages.boxes[0].text, "Error of definition of cutplane!");
    }
    orvtest::RecordingMessages messages;
    orv::Scene scene;
};

TEST_F(SceneCutPlane, PlaneThroughThreePointsInTheFileFrame) {
    ASSERT_TRUE(apply({{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}));
    EXPECT_EQ(scene.settings.cutPlaneOn, 1);
    const auto& plane = scene.cut.plane();
    EXPECT_NEAR(plane[0], 0, 1e-12);
    EXPECT_NEAR(plane[1], 0, 1e-12);
    EXPECT_NEAR(plane[2], 1, 1e-12);
    EXPECT_NEAR(plane[3], 1, 1e-6);  // z = 0 in the file is z = -1 centred
    EXPECT_EQ(scene.cut.state(0), CutState::Cut);

    // Equal absolute components of the two directions are not collinear.
    ASSERT_TRUE(apply({{{0, 0, 0}, {1, 1, 0}, {1, -1, 0}}}));
    EXPECT_NEAR(scene.cut.plane()[2], -1, 1e-12);
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(SceneCutPlane, RefusedPlanesLeaveNoCut) {
    ASSERT_TRUE(apply({{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}}));
    EXPECT_FALSE(apply({{{0, 0, 0}, {0, 0, 0}, {0, 1, 0}}}));  // two equal points
    expectRefused();
    EXPECT_FALSE(apply({{{0, 0, 0}, {1, 1, 1}, {-2, -2, -2}}}));  // on one line
    expectRefused();
    EXPECT_FALSE(apply({{{0, 0, 3}, {1, 0, 3}, {0, 1, 3}}}));  // touches the top face only
    expectRefused();
    EXPECT_FALSE(apply({{{0, 0, 5}, {1, 0, 5}, {0, 1, 5}}}));  // misses the model
    expectRefused();
}

}  // namespace
