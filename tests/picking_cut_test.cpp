// Picking nodes with the mouse into the pick list, and the cutting plane as its dialog lives
// with the scene: opening, picking, applying, reset and closing, the plane's tolerance, and
// the cut beside the element selection.
#include <cmath>
#include <functional>

#include "render_support.h"

namespace {

using orv::CutState;
using orv::MouseMode;
using orv::Scene;
using orvtest::buildModel;
using orvtest::Points;
using orvtest::SceneBench;
using Pixel = std::array<int, 2>;

// The pixel the frame draws a centred point at.
Pixel pixelAt(const Scene& s, const std::array<float, 3>& p) {
    const auto q = s.camera().modelToScreen(p);
    return {int(std::lround(q[0])), int(std::lround(q[1]))};
}

// A node's centred coordinates (z = 0 in a plane model).
std::array<float, 3> nodeAt(const orv::FeModel& m, int32_t n) {
    return {m.coordinate(n - 1, 0), m.coordinate(n - 1, 1),
            m.dimension == 3 ? m.coordinate(n - 1, 2) : 0};
}

// A press and a release at one pixel, as the view hands them on.
void click(Scene& s, Pixel p) {
    s.mousePress(p[0], p[1]);
    s.mouseRelease(p[0], p[1]);
    s.mouseClick(p[0], p[1], 2);
}

// Layers of the square [0, s] x [0, s] at z = 0, s, 2 s, ..., each counter-clockwise.
Points layers(int count, float s = 1) {
    Points p;
    for (int i = 0; i < 4 * count; ++i)
        p.push_back({s * float(i % 4 == 1 || i % 4 == 2), s * float(i % 4 >= 2), s * float(i / 4)});
    return p;
}

// Two bricks of side s stacked along z, sharing the face z = s (0 when centred).
orv::FeModel stackedBricks(float s = 1) {
    return buildModel(3, layers(3, s),
                      {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}}, {2, 38, {5, 6, 7, 8, 9, 10, 11, 12}}});
}

// A plane grid of nx x ny nodes, one apart, in quadrilaterals.
orv::FeModel grid(int nx, int ny) {
    Points points;
    std::vector<orvtest::ElementDef> elements;
    for (int32_t n = 1; n <= nx * ny; ++n) {
        points.push_back({float((n - 1) % nx), float((n - 1) / nx), 0});
        if (n % nx && n <= nx * (ny - 1))
            elements.push_back({int32_t(elements.size() + 1), 24, {n, n + 1, n + 1 + nx, n + nx}});
    }
    return buildModel(2, points, elements);
}

std::array<std::array<double, 3>, 3> atZ(double z) {
    return {{{0, 0, z}, {1, 0, z}, {0, 1, z}}};
}

TEST(MousePicking, TheNodeDrawnNearestTheClickTowardsTheViewer) {
    const orv::FeModel moved = orvtest::planeSquare({2, 0, 0, 0}, {"UX", "UY"});
    const auto selectLower = [](SceneBench& b) {
        EXPECT_TRUE(b.scene.commandSelect({"Select", "Elem", false, "1"}));
    };
    const auto cutShared = [](SceneBench& b) { EXPECT_TRUE(b.scene.commandCut(atZ(1))); };
    const struct {
        const char* name;
        orv::FeModel model;
        float ay;                                  // about Y; the other angles are 0
        std::function<void(SceneBench&)> prepare;  // before the click
        std::array<float, 3> at;                   // where the click is, centred
        int32_t expected;
    } cases[] = {
        {"plane model, any node", orvtest::planeSquare({0, 0, 0, 0}), 0, {}, {0.4f, 0.6f, 0}, 3},
        {"node 1 moved by 2 along x, where it is drawn", moved, 0, {}, {1.4f, -0.4f, 0}, 1},
        // Nodes 1 and 5 are drawn at one pixel; 5 is on the face towards the viewer.
        {"cube, its front", orvtest::unitCube({}), 0, {}, {-0.5f, -0.5f, 0}, 5},
        {"cube turned round, its back", orvtest::unitCube({}), 180, {}, {-0.5f, -0.5f, 0}, 1},
        // The inner face at z = 0 is drawn when it closes a selection or lies in the plane.
        {"bricks, the upper one hidden", stackedBricks(), 0, selectLower, {-0.5f, -0.5f, 0}, 5},
        {"bricks cut at their shared face", stackedBricks(), 0, cutShared, {-0.5f, -0.5f, 0}, 5},
        {"bricks, both shown", stackedBricks(), 0, {}, {-0.5f, -0.5f, 0}, 9},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        SceneBench b(k.model);
        ASSERT_TRUE(b.scene.commandSetMagnification(1));
        if (k.model.dimension == 3) {
            ASSERT_TRUE(b.scene.commandSetViewAngles(0, k.ay, 0, b.none));
        }
        if (k.prepare) k.prepare(b);
        b.scene.setPickMode(MouseMode::Pick);
        const Pixel p = pixelAt(b.scene, k.at);
        click(b.scene, {p[0] + 3, p[1] - 2});  // near, not on it
        EXPECT_EQ(b.scene.picked(), std::vector<int32_t>{k.expected});
    }
}

TEST(MousePicking, TheListKeepsEachNodeOnceUnpicksTheNearestPickedAndGrows) {
    SceneBench b(grid(14, 11));  // nodes about 25 pixels apart
    Scene& s = b.scene;
    const auto at = [&](int32_t node) { return pixelAt(s, nodeAt(s.model(), node)); };
    const struct {
        MouseMode mode;
        int32_t node;  // pressed on
        int moved;     // pixels to the release: more than 2 is a drag
        std::vector<int32_t> list;
    } steps[] = {
        {MouseMode::Unpick, 20, 0, {}},  // nothing to unpick: says so
        {MouseMode::Pick, 20, 3, {}},         {MouseMode::Idle, 20, 0, {}},
        {MouseMode::Pick, 20, 2, {20}},       {MouseMode::Pick, 20, 0, {20}},
        {MouseMode::Pick, 60, 0, {20, 60}},   {MouseMode::Pick, 30, 0, {20, 60, 30}},
        {MouseMode::Unpick, 59, 0, {20, 30}},  // 60 is the picked node nearest to 59
        {MouseMode::Unpick, 1, 0, {20}},       // 30 is nearer to 1 than 20 is
        {MouseMode::Unpick, 30, 0, {}},
    };
    for (const auto& k : steps) {
        SCOPED_TRACE(&k - steps);
        s.setPickMode(k.mode);
        const Pixel p = at(k.node);
        s.mousePress(p[0], p[1]);
        s.mouseClick(p[0] + k.moved, p[1], 2);
        EXPECT_EQ(s.picked(), k.list);
    }
    ASSERT_EQ(b.messages.boxes.size(), 1u);
    EXPECT_EQ(b.messages.boxes[0].text, "There is no selecting node to be deleted!");
    // Every node of the grid, in the order picked; the frame marks the first 50 in red.
    s.setPickMode(MouseMode::Pick);
    std::vector<int32_t> all;
    for (int32_t n = s.model().nodeCount; n >= 1; --n) {
        click(s, at(n));
        all.push_back(n);
    }
    EXPECT_EQ(s.picked(), all);
    const auto redPoints = [&] {
        size_t count = 0;
        for (const auto& p : b.modelPrimitives(b.draw(), orv::gl::Points))
            for (const auto& v : p.vertices)
                count += orvtest::near3(v.color, {1, 0, 0});
        return count;
    };
    EXPECT_EQ(redPoints(), 50u);
    s.setPickedMarks(orv::PickedMarks::Hidden);
    EXPECT_EQ(redPoints(), 0u);
}

TEST(CutDefinition, TheCutAndThePickedNodesLiveWhileTheDialogIsOpen) {
    SceneBench b(stackedBricks());
    Scene& s = b.scene;
    ASSERT_TRUE(s.commandSetViewAngles(0, 0, 0, b.none));
    ASSERT_TRUE(s.commandDynamicRotation(b.none));
    const Pixel top = pixelAt(s, {0.5f, 0.5f, 1});
    ASSERT_TRUE(s.commandPick(top[0], top[1]));  // left over from another dialog
    s.setPickedMarks(orv::PickedMarks::Hidden);
    s.beginCutDefinition();
    EXPECT_TRUE(s.picked().empty());
    EXPECT_EQ(s.settings().pickedMarks, orv::PickedMarks::Points);
    EXPECT_FALSE(s.commandState(orv::CommandId::CuttingPlane).enabled);
    s.setPickMode(MouseMode::Pick);
    click(s, top);
    ASSERT_TRUE(s.commandCut(atZ(1.5)));
    // A zoom box begun while picking returns to picking.
    ASSERT_TRUE(s.commandZoomBox(b.none));
    s.mousePress(10, 10);
    s.mouseDrag(100, 100);
    s.mouseRelease(100, 100);
    EXPECT_EQ(s.mouseMode(), MouseMode::Pick);
    s.resetCutDefinition();
    EXPECT_TRUE(!s.cut().active() && s.picked().empty());
    EXPECT_EQ(s.mouseMode(), MouseMode::Pick);
    click(s, top);
    ASSERT_TRUE(s.commandCut(atZ(1.5)));
    ASSERT_TRUE(s.commandZoomBox(b.none));
    s.endCutDefinition();  // closed with a zoom box pending
    EXPECT_TRUE(!s.dialogOpen(orv::ModelessDialog::CutPlane) && !s.cut().active());
    EXPECT_TRUE(s.picked().empty());
    EXPECT_EQ(s.mouseMode(), MouseMode::Rotate);
    EXPECT_TRUE(b.messages.boxes.empty());
}

TEST(CutDefinition, PickedNodesKeepTheirExactCoordinatesAndJoinInSpace) {
    // Centred by a shift (as a binary file stores it) whose sums with the coordinates a
    // float does not hold.
    orv::FeModel m = buildModel(3, layers(2, 0.7f), {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}}});
    m.centre = {12345.678f, -0.0301f, 3.3f};
    SceneBench b(std::move(m));
    Scene& s = b.scene;
    ASSERT_TRUE(s.commandSetViewAngles(30, 30, 0, b.none));
    s.setPickMode(MouseMode::Pick);
    for (const int32_t n : {5, 6, 7, 8})
        click(s, pixelAt(s, nodeAt(s.model(), n)));
    ASSERT_EQ(s.picked().size(), 4u);
    const auto coordinates = s.pickedCoordinates(3);
    ASSERT_EQ(coordinates.size(), 3u);
    const auto& centre = s.model().centre;
    for (size_t i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(coordinates[i][size_t(k)] - double(centre[size_t(k)]),
                      double(s.model().coordinate(s.picked()[i] - 1, k)));
    // Joined in pairs, 5-6 and 7-8, between their places in space.
    s.setPickedMarks(orv::PickedMarks::JoinedPairs);
    std::vector<std::array<float, 3>> ends;
    for (const auto& p : b.modelPrimitives(b.draw(), orv::gl::Lines))
        for (const auto& v : p.vertices)
            if (orvtest::near3(v.color, {1, 0, 1})) ends.push_back(v.position);
    ASSERT_EQ(ends.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_TRUE(orvtest::near3(ends[i], nodeAt(s.model(), s.picked()[i])));
}

// The plane through three points of the file holds nodes within 1e-4 of the model's extent:
// the shared face of bricks small or large, and a line lying in it.
TEST(CutDefinition, ThePlanesToleranceFollowsTheModelsSizeAndLinesInItStay) {
    for (const double size : {1e-3, 1e4})
        for (const double beyond : {0.3e-4, 3e-4}) {
            SCOPED_TRACE(testing::Message() << size << " " << beyond);
            SceneBench b(stackedBricks(float(size)));
            ASSERT_TRUE(b.scene.commandCut(atZ(size * (1 + beyond))));
            const bool in = beyond < 1e-4;
            EXPECT_EQ(b.scene.cut().state(0), in ? CutState::InPlane : CutState::Whole);
            EXPECT_EQ(b.scene.cut().state(1), in ? CutState::Removed : CutState::Cut);
        }
    SceneBench lines(buildModel(3, {{0, 0, 0}, {1, 0, 0}, {0, 0, -1}, {0, 0, 1}},
                                {{1, 32, {1, 2}}, {2, 32, {3, 4}}}));
    ASSERT_TRUE(lines.scene.commandCut(atZ(0)));
    EXPECT_EQ(lines.scene.cut().state(0), CutState::InPlane);
    EXPECT_EQ(lines.scene.cut().state(1), CutState::Cut);
}

TEST(CutDefinition, TheCutAndTheSelectionLeaveEachOther) {
    SceneBench b(stackedBricks());
    Scene& s = b.scene;
    ASSERT_TRUE(s.commandSelect({"Select", "Elem", false, "2"}));
    ASSERT_TRUE(s.commandCut(atZ(1.5)));
    EXPECT_EQ(s.cut().state(1), CutState::Cut);
    s.clearCut();
    EXPECT_EQ(s.model().elements[0].selected, 0);
    ASSERT_TRUE(s.commandCut(atZ(1.5)));
    ASSERT_TRUE(s.commandSelect({"All", "Elem", false, ""}));
    EXPECT_EQ(s.cut().state(1), CutState::Cut);
    EXPECT_EQ(s.model().elements[0].selected, 1);
}

}  // namespace
