// The cutting plane: the state of every element family against the plane, the sections of cut
// elements, what the scene's frames draw of them, and the scene's plane through three points.
#include "cut_plane.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "render_support.h"

namespace {

using orv::CutState;
using orv::PlotMode;
using orvtest::buildModel;
using orvtest::Points;
using orvtest::SceneBench;
using Plane = std::array<double, 4>;
using ThreePoints = std::array<std::array<double, 3>, 3>;
namespace gl = orv::gl;

// The eight corners of the box [x0, x0 + 1] x [0, 1] x [z0, z0 + 1] in hexahedron order.
Points cube(float x0 = 0, float z0 = 0) {
    return {{x0, 0, z0},     {x0 + 1, 0, z0},     {x0 + 1, 1, z0},     {x0, 1, z0},
            {x0, 0, z0 + 1}, {x0 + 1, 0, z0 + 1}, {x0 + 1, 1, z0 + 1}, {x0, 1, z0 + 1}};
}
const std::vector<orvtest::ElementDef> kHex = {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}}};

// Two lines along z from 0 to 2 in the file, either way round, and a point.
const Points kLines = {{0, 0, 0}, {0, 0, 2}, {1, 0, 0}};
const std::vector<orvtest::ElementDef> kLineElements = {
    {1, 32, {1, 2}}, {2, 32, {2, 1}}, {3, 31, {3}}};

// Two bricks stacked along z, sharing the face z = 1 (0 when centred), an inner face.
orv::FeModel stackedBricks() {
    Points points = cube();
    for (const auto& q : cube(0, 1))
        if (q[2] > 1) points.push_back(q);
    return buildModel(3, points, {kHex[0], {2, 38, {5, 6, 7, 8, 9, 10, 11, 12}}});
}

// Planes through three points of the file: the side of larger z (or x) is removed.
ThreePoints atZ(double z) {
    return {{{0, 0, z}, {1, 0, z}, {0, 1, z}}};
}
ThreePoints atX(double x) {
    return {{{x, 0, 0}, {x, 1, 0}, {x, 1, 1}}};
}

// A number as the cut's text gives it: three decimals, no negative zero.
std::string number(double v) {
    char s[32];
    std::snprintf(s, sizeof s, "%.3f", std::fabs(v) < 5e-4 ? 0.0 : v);
    return s;
}

// What a plane does to every element of a model, as text: the state, the faces lying in the
// plane, and for a cut element its section points (the nodes whose results they share, the
// first node's weight and the position) and kept polygons, a solid's cap first (nodeCount + 1
// is the first point); then the messages.
const char* const kStates[4] = {"removed", "whole", "in plane", "cut"};
std::string cutText(const orv::FeModel& m, const orv::CutPlane& cut) {
    std::string out;
    for (int32_t e = 0; e < m.elementCount; ++e) {
        out += "element " + std::to_string(e + 1) + ": " + kStates[int(cut.state(e))];
        for (int i = 0; i < 8; ++i)
            if (cut.inPlaneFace(e, i)) out += ", face " + std::to_string(i) + " in the plane";
        out += "\n";
        const orv::CutSection* s = cut.section(e);
        for (size_t i = 0; s && i < s->points.size(); ++i) {
            const orv::SectionPoint& p = s->points[i];
            out += "  point " + std::to_string(m.nodeCount + 1 + int32_t(i)) + " on " +
                   std::to_string(p.a + 1) + "-" + std::to_string(p.b + 1) + " weight " +
                   number(p.wa) + " at " + number(p.position[0]) + " " + number(p.position[1]) +
                   " " + number(p.position[2]) + "\n";
        }
        for (size_t i = 0; s && i < s->polygons.size(); ++i) {
            const bool cap = i == 0 && m.elements[size_t(e)].family == orv::ElementFamily::Solid;
            out += cap ? "  cap" : "  polygon";
            for (int32_t n : s->polygons[i])
                out += " " + std::to_string(n);
            out += "\n";
        }
    }
    return out;
}
std::string cutText(const orv::FeModel& m, const Plane& plane) {
    orvtest::RecordingMessages messages;
    orv::CutPlane cut;
    cut.apply(m, plane, messages);
    std::string out = cutText(m, cut);
    for (const auto& box : messages.boxes)
        out += "message: " + box.text + "\n";
    return out;
}

// Every family against planes beside it, through nodes, faces and edges, and across it; in
// centred coordinates, the side where a x + b y + c z + d > 0 removed. Compared whole with
// tests/golden/cut_sections.txt.
TEST(CutPlaneSections, StatesAndSectionsOfEveryFamily) {
    // Centred, the cube spans -0.5 .. 0.5; the tetrahedron's node 4 is at z = 0.5, the
    // others at z = -0.5; the flat shell spans x = -1 .. 1, the lines z = -1 .. 1.
    Points sideBySide = cube(),
           twoU = {{0, 0, 0}, {3, 0, 0}, {3, 2, 0}, {2, 2, 0}, {1.5f, 0.5f, 0}, {0, 2, 0}};
    for (const auto& q : cube(1))
        if (q[0] > 1) sideBySide.push_back(q);
    for (size_t i = 0; i < 6; ++i)
        twoU.push_back({twoU[i][0], twoU[i][1], 1});
    const orv::FeModel
        hex = buildModel(3, cube(), kHex),
        tet = buildModel(3, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{1, 34, {1, 2, 3, 4}}}),
        bricks = buildModel(3, sideBySide, {kHex[0], {2, 38, {2, 9, 10, 3, 6, 11, 12, 7}}}),
        flat = buildModel(3, {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}, {{1, 44, {1, 2, 3, 4}}}),
        warped =
            buildModel(3, {{0, 0, -1}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1}}, {{1, 44, {1, 2, 3, 4}}}),
        us = buildModel(3, twoU, {{1, 46, {1, 2, 3, 4, 5, 6}}, {2, 46, {7, 8, 9, 10, 11, 12}}}),
        lines = buildModel(3, kLines, kLineElements);
    const double r2 = 1 / std::sqrt(2.0), r3 = 1 / std::sqrt(3.0);
    const struct {
        const char* name;
        const orv::FeModel& model;
        Plane plane;
    } cases[] = {
        {"hexahedron beside the plane", hex, {1, 0, 0, -0.6}},
        {"hexahedron on the removed side", hex, {1, 0, 0, 0.6}},
        {"hexahedron cut in the middle", hex, {1, 0, 0, 0}},
        {"hexahedron with its face x = -0.5 in the plane: nothing kept", hex, {1, 0, 0, 0.5}},
        {"hexahedron with its face x = 0.5 in the plane", hex, {1, 0, 0, -0.5}},
        {"hexahedron within the plane's tolerance", hex, {1, 0, 0, -0.5 + 0.5e-4}},
        {"hexahedron just beyond the plane's tolerance", hex, {1, 0, 0, -0.5 - 2e-4}},
        {"hexahedron through four nodes, no edge crossed", hex, {r2, r2, 0, 0}},
        {"hexahedron across six edges", hex, {r3, r3, r3, 0}},
        {"tetrahedron without node 4", tet, {0, 0, 1, 0}},
        {"tetrahedron, node 4 alone kept", tet, {0, 0, -1, 0}},
        {"tetrahedron through node 4 only", tet, {0, 0, 1, -0.5}},
        {"tetrahedron through face (3, 2, 1)", tet, {0, 0, -1, -0.5}},
        {"tetrahedron through nodes 1, 3, 4 with node 2 removed", tet, {1, 0, 0, 0.5}},
        {"tetrahedron through nodes 1, 3, 4 with node 2 kept", tet, {-1, 0, 0, -0.5}},
        {"bricks side by side, each with points of its own", bricks, {0, 0, 1, 0}},
        {"flat shell at x = 1.5 in the file", flat, {1, 0, 0, -0.5}},
        {"flat shell along an edge", flat, {1, 0, 0, -1}},
        {"warped shell with two nodes on the plane", warped, {0, 0, 1, 0}},
        {"U-shaped shells crossed four times", us, {0, 1, 0, 0}},
        {"lines and a point at z = 1.5 in the file", lines, {0, 0, 1, -0.5}},
        {"lines with a kept node on the plane", lines, {0, 0, 1, -1}},
        {"lines with a removed node on the plane", lines, {0, 0, -1, 1}},
    };
    std::string all;
    for (const auto& k : cases)
        all += std::string("== ") + k.name + "\n" + cutText(k.model, k.plane);
    orvtest::expectGolden("cut_sections.txt", all);
}

// --- what the frames draw: the scene's cut, seen along -z ---

// Component `item` plotted in ten bands of width 1 from 0 to 10, seen along -z, cut by the
// plane through three points of the file.
void cutFrame(SceneBench& b, PlotMode mode, int item, const ThreePoints& plane) {
    ASSERT_TRUE(b.scene.commandChooseItem(item, b.none));
    b.plot(mode);
    ASSERT_TRUE(b.scene.commandSetContour(10, false, {true, 10, 0}));
    ASSERT_TRUE(b.scene.commandSetViewAngles(0, 0, 0, b.none));
    ASSERT_TRUE(b.scene.commandCut(plane));
}

// A brick of values 0 at the bottom and 10 at the top, with displacements 0.1 x node
// number along x.
orv::FeModel valuedBrick() {
    orv::FeModel m = buildModel(3, cube(), kHex);
    orvtest::addResults(m, {"UX", "UY", "UZ", "TEMP"}, {1}, [](int32_t, int32_t i, int32_t d) {
        if (d == 0) return 0.1f * float(i + 1);
        return d == 3 && i >= 4 ? 10.0f : 0.0f;
    });
    return m;
}

// The frames of cut models, seen along -z unless turned about y, a cut replaced and cleared,
// and the scene's planes through three points, compared whole with tests/golden/cut_frames.txt.
TEST(CutPlaneDrawing, FramesOfCutModelsAndPlanesThroughThreePoints) {
    orv::FeModel shell = buildModel(
        3, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {2, 2, 0}, {1, 2, 0}, {0, 2, 0}, {0, 1, 0}},
        {{1, 48, {1, 2, 3, 4, 5, 6, 7, 8}}});
    orvtest::addResults(shell, {"TEMP"}, {1},
                        [](int32_t, int32_t i, int32_t) { return float(i % 4) * 3.0f; });
    const struct {
        const char* name;
        orv::FeModel model;
        PlotMode mode;
        int item;
        ThreePoints plane;
        float turn;
    } frames[] = {
        {"lines keep -1 .. 0.5 (centred), the point ignores the plane",
         buildModel(3, kLines, kLineElements), PlotMode::Mesh, 0, atZ(1.5), 0},
        {"a brick's cap a quarter of the way up: one polygon in the band of 2.5", valuedBrick(),
         PlotMode::Contour, 3, atZ(0.25), 0},
        {"the brick's mesh: the cap, four clipped sides and the bottom", valuedBrick(),
         PlotMode::Mesh, 3, atZ(0.25), 0},
        {"an eight-node shell cut at x = 1.5 seen from behind faces the viewer", shell,
         PlotMode::Material, 0, atX(1.5), 180},
        {"its iso-surface is its iso-lines over a grey polygon", shell, PlotMode::IsoSurface, 0,
         atX(1.5), 180},
        {"two bricks cut through their shared face draw it as the lower brick's top",
         stackedBricks(), PlotMode::Material, 0, atZ(1), 0},
    };
    std::string all;
    for (const auto& k : frames) {
        SceneBench b(k.model);
        ASSERT_TRUE(b.scene.commandSetMagnification(0));
        cutFrame(b, k.mode, k.item, k.plane);
        ASSERT_TRUE(b.scene.commandSetViewAngles(0, k.turn, 0, b.none));
        all += std::string("== ") + k.name + "\n" + orvtest::primitivesText(b, b.draw());
    }
    // A new cut replaces the last one whole, and clearing it draws the model whole again.
    SceneBench bricks(stackedBricks());
    cutFrame(bricks, PlotMode::Material, 0, atZ(1));
    ThreePoints otherWay = atZ(0.5);  // through the lower brick, the side below removed
    std::swap(otherWay[1], otherWay[2]);
    ASSERT_TRUE(bricks.scene.commandCut(otherWay));
    all += "== the two bricks cut again, through the lower one the other way\n" +
           cutText(bricks.scene.model(), bricks.scene.cut());
    bricks.scene.clearCut();
    all += "== the cut cleared\n" + orvtest::primitivesText(bricks, bricks.draw());
    // Planes through three points of a brick from (-1, -1, -1) to (1, 1, 3) in the file: z = 0
    // (z = -1 centred), directions of equal absolute components (not collinear); two equal
    // points, three on one line, a plane touching the top face alone or missing the model are
    // refused, and no cut is left.
    Points p = cube();
    for (auto& q : p)
        q = {2 * q[0] - 1, 2 * q[1] - 1, 4 * q[2] - 1};
    SceneBench b(buildModel(3, p, kHex));
    all += "== planes through three points of the file\n";
    for (const ThreePoints& points : {ThreePoints{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}},
                                      {{{0, 0, 0}, {1, 1, 0}, {1, -1, 0}}},
                                      {{{0, 0, 0}, {0, 0, 0}, {0, 1, 0}}},
                                      {{{0, 0, 0}, {1, 1, 1}, {-2, -2, -2}}},
                                      {{{0, 0, 3}, {1, 0, 3}, {0, 1, 3}}},
                                      {{{0, 0, 5}, {1, 0, 5}, {0, 1, 5}}}}) {
        b.messages.boxes.clear();
        const bool accepted = b.scene.commandCut(points);
        const auto& n = b.scene.cut().plane();
        all += (accepted ? "plane " + number(n[0]) + " " + number(n[1]) + " " + number(n[2]) + " " +
                               number(n[3]) + ", the brick " + kStates[int(b.scene.cut().state(0))]
                         : "refused") +
               (b.scene.cut().active() ? ", a cut" : ", no cut");
        for (const auto& box : b.messages.boxes)
            all += ": " + box.text;
        all += "\n";
    }
    orvtest::expectGolden("cut_frames.txt", all);
}

// Section points follow their edge in value and deformation: bottom node a moves by
// 0.1 (a + 1), top node b by 0.1 (b + 1), magnified twice.
TEST(CutPlaneDrawing, SectionPointsFollowTheirEdgesInValueAndDeformation) {
    SceneBench b(valuedBrick());
    cutFrame(b, PlotMode::Contour, 3, atZ(0.25));  // a quarter of the way up
    ASSERT_TRUE(b.scene.commandSetMagnification(2));
    const orv::CutSection* s = b.scene.cut().section(0);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->points.size(), 4u);
    orv::RecordingGl gl;
    orv::Geometry geometry;
    const std::vector<int32_t> picked;
    const orv::DrawContext c = b.context(gl, geometry, b.scene.settings(), picked);
    for (size_t i = 0; i < s->points.size(); ++i) {
        const orv::SectionPoint& p = s->points[i];
        const int32_t number = b.scene.model().nodeCount + 1 + int32_t(i);
        float at[3], value;
        c.vertex(s, number, true, at, value);
        EXPECT_NEAR(value, 2.5f, 1e-5f);
        const float ux = 0.75f * 0.1f * float(p.a + 1) + 0.25f * 0.1f * float(p.b + 1);
        EXPECT_NEAR(at[0], p.position[0] + 2.0f * ux, 1e-5f);
        c.vertex(s, number, false, at, value);
        EXPECT_TRUE(at[0] == p.position[0] && at[1] == p.position[1] && at[2] == p.position[2]);
    }
}

}  // namespace
