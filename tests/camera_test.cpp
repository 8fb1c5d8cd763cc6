// The camera's arithmetic (the box fitted to the model, dragging, the zoom box, pixels to the
// model and back) and picking nodes on the screen by it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "camera.h"
#include "fe_model.h"
#include "picking.h"
#include "recording_gl.h"

namespace {

using Vec3 = std::array<float, 3>;
constexpr float kInf = std::numeric_limits<float>::infinity();

orv::BoundingBox box(float x0, float x1, float y0, float y1, float z0 = 0, float z1 = 0) {
    orv::BoundingBox b;
    b.xMin = x0, b.xMax = x1, b.yMin = y0, b.yMax = y1, b.zMin = z0, b.zMax = z1;
    return b;
}

void expectNear(const std::vector<float>& got, const std::vector<float>& want, int row) {
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_NEAR(got[i], want[i], 1e-4f) << "row " << row << " [" << i << "]";
}

// The box -10..10 in a 200 x 200 window: pixel (10 (x + 10), 10 (10 - y)) before any turn.
orv::Camera squareCamera(float ax = 0, float ay = 0, float az = 0) {
    orv::Camera c;
    c.viewportWidth = c.viewportHeight = 200;
    c.loaded = {-10, -10, 10, 10};
    c.translation = {0, 0, 0};
    c.setAngles(ax, ay, az);
    return c;
}

TEST(CameraFit, BoxAroundTheModelAndDepthWithTheZoom) {
    // The fitted box fills the picture left of the legend panel (its right fifth), centred
    // there by the home translation: a solid, a plane, mirrored about y = 0 and x = 0, in
    // wide, tall and no window, and a model of one node.
    const struct {
        orv::BoundingBox box;
        int dimension, symmetry, width, height;
        std::vector<float> fit;  // model size, left, right, bottom, top, home translation
    } cases[] = {
        {box(-1.5, 1.5, -2, 2, -6, 6), 3, 0, 300, 300, {15.6, -9.75, 9.75, -9.75, 9.75, -1.95}},
        {box(1, 4, 0, 4, -100, 100), 2, 0, 300, 300, {6, -1.25f, 6.25f, -1.75f, 5.75f, -0.75f}},
        {box(-2, 2, 0, 3), 2, 1, 200, 200, {7.2f, -4.5f, 4.5f, -4.5f, 4.5f, -0.9f}},
        {box(0, 1, -5, 5), 2, 2, 200, 200, {12, -7.5f, 7.5f, -7.5f, 7.5f, -1.5f}},
        {box(-3, 3, -4, 4), 3, 0, 400, 200, {12, -12, 12, -6, 6, -2.4f}},
        {box(-3, 3, -4, 4), 3, 0, 200, 400, {12, -7.5f, 7.5f, -15, 15, -1.5f}},
        {box(-3, 3, -4, 4), 3, 0, 0, 0, {12, -6, 6, -6, 6, 0}},
        {box(2, 2, 1, 1), 2, 0, 100, 100, {1, 1.375f, 2.625f, 0.375f, 1.625f, -0.125f}},
    };
    for (int i = 0; const auto& k : cases) {
        orv::Camera c;
        c.resize(k.width, k.height, k.box, k.dimension, orv::Symmetry(k.symmetry));
        const auto& l = c.loaded;
        expectNear({c.modelSize, l.left, l.right, l.bottom, l.top, c.homeTranslationX}, k.fit, i++);
        EXPECT_EQ(c.translation[0], c.homeTranslationX);
    }
    // Zoomed 50 times, the model reaches 50 x modelSize / 2 in depth: still inside.
    orv::Camera c;
    c.resize(100, 100, box(-3, 3, -4, 4, -6, 6), 3, orv::Symmetry::None);
    c.scale = 50.0f;
    orv::RecordingGl gl;
    c.loadProjection(gl);
    EXPECT_LE(gl.orthoBox[4], -50.0 * c.modelSize / 2);
    EXPECT_GE(gl.orthoBox[5], 50.0 * c.modelSize / 2);
}

// At home, every corner of the model (and of its mirror copy), turned any way, is drawn
// inside the picture left of the legend panel, whatever the window's shape: a long plane strip
// off the origin, a solid, mirrored planes, and a model too wide to square in a float.
TEST(CameraFit, TheModelStaysLeftOfTheLegendAtEveryShape) {
    const struct {
        orv::BoundingBox box;
        int dimension, symmetry;
        float ax, ay;
    } models[] = {
        {box(0, 500, -50, 50), 2, 0, 0, 0},
        {box(-300, 300, -50, 50, -25, 25), 3, 0, 0, 0},
        {box(-300, 300, -50, 50, -25, 25), 3, 0, 30, 30},
        {box(-2, 2, 0, 3), 2, 1, 0, 0},
        {box(0, 1, -5, 5), 2, 2, 0, 0},
        {box(-1e19f, 1e19f, -1, 1), 2, 0, 0, 0},
    };
    const std::pair<int, int> sizes[] = {
        {800, 800}, {600, 900}, {1920, 1080}, {640, 480}, {300, 1000}};
    for (int m = 0; const auto& k : models) {
        for (const auto& [w, h] : sizes) {
            SCOPED_TRACE(::testing::Message() << "model " << m << " at " << w << "x" << h);
            orv::Camera c;
            c.resize(w, h, k.box, k.dimension, orv::Symmetry(k.symmetry));
            c.setAngles(k.ax, k.ay, 0);
            for (int i = 0; i < 16; ++i) {
                Vec3 p = {i & 1 ? k.box.xMax : k.box.xMin, i & 2 ? k.box.yMax : k.box.yMin,
                          i & 4 ? k.box.zMax : k.box.zMin};
                if (i & 8) p[size_t(k.symmetry == 2 ? 0 : 1)] *= k.symmetry ? -1.0f : 1.0f;
                const Vec3 s = c.modelToScreen(p);
                EXPECT_TRUE(s[0] >= 0 && s[0] <= 0.8f * float(w) && s[1] >= 0 && s[1] <= float(h))
                    << i << ": " << s[0] << ", " << s[1];
            }
        }
        ++m;
    }
    // At the end of the float range the fit is clamped, never infinite, even zoomed in.
    orv::Camera c;
    c.resize(800, 600, box(-3e38f, 3e38f, -3e38f, 3e38f, -3e38f, 3e38f), 3, orv::Symmetry::None);
    c.scale = orv::Camera::kMaxScale;
    for (const float v :
         {c.modelSize, c.fitLeft, c.fitRight, c.fitBottom, c.fitTop, c.loaded.left, c.loaded.right,
          c.loaded.bottom, c.loaded.top, c.homeTranslationX, c.nearPlane(), c.farPlane()})
        EXPECT_TRUE(std::isfinite(v)) << v;
    EXPECT_GT(c.fitRight, 1e38f);
}

TEST(CameraOperations, PansTurnsAndZoomsWithTheirGuards) {
    orv::Camera c;
    c.resize(200, 100, box(-3, 3, -4, 4, 0, 0), 3, orv::Symmetry::None);  // modelSize 12
    c.setViewPreset(orv::ViewPreset::YOZ);  // Y by 90: the sines follow
    EXPECT_EQ(c.sines[1], 1.0f);
    c.translation = {0, 0, 0};
    c.panStep(orv::PanDirection::Left);
    c.panStep(orv::PanDirection::Up);
    c.setSensitivity(10);                         // pan factor 0.08, 30 degrees
    c.drag(orv::DragKind::Pan, 10, 10, 110, 60);  // half the width right, half the height down
    expectNear({c.translation[0], c.translation[1]}, {-0.6f + 0.48f, 0.6f - 0.48f}, 0);
    c.setSensitivity(6000);  // 80 degrees a window
    c.setAngles(350, 5, 7);
    c.drag(orv::DragKind::Rotate, 0, 0, 50, -20);  // +20 about Y, -16 about X
    expectNear({c.angles[0], c.angles[1], c.angles[2]}, {334, 25, 7}, 1);
    c.drag(orv::DragKind::Rotate, 0, 0, 3000, 1000);  // turns wrap into 0..360, either way
    expectNear({c.angles[0], c.angles[1]}, {54, 145}, 2);
    c.drag(orv::DragKind::Rotate, 0, 0, -3000, -1000);
    expectNear({c.angles[0], c.angles[1]}, {334, 25}, 3);
    for (int i = 0; i < 40; ++i)
        c.zoomDown();
    EXPECT_EQ(c.scale, orv::Camera::kMinScale);                 // a positive floor
    c.resize(0, 0, box(-3, 3, -4, 4), 3, orv::Symmetry::None);  // no window: drags do nothing
    const Vec3 before = c.angles;
    c.drag(orv::DragKind::Rotate, 0, 0, 50, 50);
    EXPECT_EQ(c.angles, before);
}

TEST(CameraOperations, ZoomBoxFramesTheLargerSide) {
    orv::Camera c;
    c.resize(200, 200, box(-5, 5, -5, 5, -5, 5), 3, orv::Symmetry::None);
    c.drawingFrame = {-10, -10, 6, 10};  // width 16
    const float home = c.homeTranslationX;
    // Drawn from lower right to upper left: the width 2 beats the height 1 anyway.
    c.boxCorner1 = {1, 0, 0}, c.boxCorner2 = {-1, 1, 0};
    ASSERT_TRUE(c.zoomToBox());
    EXPECT_FLOAT_EQ(c.scale, 0.8f * 16 / 2);
    // The box's centre goes where the model's centre sat.
    EXPECT_FLOAT_EQ(c.translation[0], home);
    EXPECT_FLOAT_EQ(c.translation[1], -0.5f * c.scale);
    // The height decides when it is larger, whichever way the box was drawn.
    c.scale = 1;
    c.boxCorner1 = {2, -1, 0}, c.boxCorner2 = {3, 3, 0};
    ASSERT_TRUE(c.zoomToBox());
    EXPECT_FLOAT_EQ(c.scale, 0.8f * 16 / 4);
    EXPECT_FLOAT_EQ(c.translation[0], -2.5f * c.scale + home);
    // A click, or a box of a pixel or two, changes nothing.
    const orv::Camera before = c;
    c.boxCorner1 = {2, 2, 0}, c.boxCorner2 = {2, 2, 0};
    EXPECT_FALSE(c.zoomToBox());
    const float pixel = (c.loaded.right - c.loaded.left) / 200 / c.scale;
    c.boxCorner2 = {2 + pixel, 2 - pixel, 0};
    EXPECT_FALSE(c.zoomToBox());
    EXPECT_EQ(c.scale, before.scale);
    EXPECT_EQ(c.translation, before.translation);
}

TEST(CameraProjection, ModelToScreenUndoesScreenToModel) {
    orv::Camera c;
    c.resize(400, 200, box(-2, 2, -2, 2, -2, 2), 3, orv::Symmetry::None);  // x stretched twice
    c.setAngles(0, 0, 0);
    c.translation = {1, -1, 0.5f};
    c.scale = 2;
    for (int i = 0;
         const auto& [px, py] : {std::pair{0.0f, 0.0f}, {200.0f, 100.0f}, {399.0f, 17.5f}}) {
        const auto m = c.screenToModel(px, py);
        const auto s = c.modelToScreen({m[0], m[1], 0});
        expectNear({s[0], s[1], s[2]}, {px, py, 0.5f}, i++);
    }
    // Turned by 90 about Z, Y, then X: (1, 2, 3), (-2, 1, 3), (3, 1, 2), (3, -2, 1); times 2
    // plus (1, 0, 0.5): (7, -4, 2.5), in front of the origin.
    c = squareCamera(90, 90, 90);
    c.translation = {1, 0, 0.5f};
    c.scale = 2;
    const auto s = c.modelToScreen({1, 2, 3});
    expectNear({s[0], s[1], s[2]}, {10 * (7 + 10), 10 * (10 + 4), 2.5f}, 4);
}

TEST(Picking, NearestNodeOnScreenAmongCandidates) {
    // Unturned: node 0 at pixel (100, 100), 1 (110, 100), 2 (100, 100) 5 deep, 3 at infinity,
    // 4 (90, 90), 5 beyond any pixel. 0 and 2 tie: the lower index, whatever the candidates'
    // order; far off the window still finds the nearest; no pixel is never chosen, out of
    // range ignored; turned about Y, node 2 comes to x = 5.
    const std::vector<float> p = {0, 0, 0, 1, 0, 0, 0, 0, 5, kInf, 0, 0, -1, 1, 0, 3e38f, 0, 0};
    const struct {
        float turnY, px, py;
        std::vector<int32_t> candidates;
        int32_t expected;
    } cases[] = {
        {0, 100, 100, {}, 0},      {0, 100, 100, {2, 0}, 0},   {0, 100, 100, {2}, 2},
        {0, 108, 101, {}, 1},      {0, 89, 91, {}, 4},         {0, 1e6f, 0, {3, 4}, 4},
        {0, 100, 100, {3, 5}, -1}, {0, 100, 100, {7, -1}, -1}, {90, 150, 100, {}, 2},
    };
    for (const auto& k : cases)
        EXPECT_EQ(
            orv::nearestNodeOnScreen(squareCamera(0, k.turnY, 0), p, k.px, k.py, k.candidates),
            k.expected)
            << k.px << ", " << k.py << " turned " << k.turnY;
    EXPECT_EQ(orv::nearestNodeOnScreen(squareCamera(), {}, 100, 100), -1);
    EXPECT_EQ(orv::nearestNodeOnScreen(orv::Camera(), p, 100, 100), -1);  // never fitted
}

}  // namespace
