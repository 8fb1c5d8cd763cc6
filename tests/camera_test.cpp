// The camera's arithmetic: the box fitted to the model, the aspect, presets, dragging, the
// zoom box and its guards, sensitivities and the way back from pixels to the model.
#include <gtest/gtest.h>

#include <cmath>

#include "camera.h"
#include "fe_model.h"
#include "recording_gl.h"

namespace {

orv::BoundingBox box(float x0, float x1, float y0, float y1, float z0 = 0, float z1 = 0) {
    orv::BoundingBox b;
    b.xMin = x0;
    b.xMax = x1;
    b.yMin = y0;
    b.yMax = y1;
    b.zMin = z0;
    b.zMax = z1;
    return b;
}

TEST(CameraFit, BoxAroundTheModelWithRoomForTheLegend) {
    orv::Camera c;
    // A 3 x 4 x 12 block: diagonal 13.
    c.resize(300, 300, box(-1.5f, 1.5f, -2, 2, -6, 6), 3, 0);
    EXPECT_FLOAT_EQ(c.modelSize, 15.6f);
    EXPECT_FLOAT_EQ(c.loaded.left, -7.8f);
    EXPECT_FLOAT_EQ(c.loaded.top, 7.8f);
    EXPECT_FLOAT_EQ(c.fitNear, -156.0f);
    EXPECT_FLOAT_EQ(c.fitFar, 156.0f);
    EXPECT_FLOAT_EQ(c.homeTranslationX, -0.15f * 15.6f);
    EXPECT_FLOAT_EQ(c.translation[0], c.homeTranslationX);

    // In 2D the depth does not count and the box sits on the model's centre.
    c.resize(300, 300, box(1, 4, 0, 4, -100, 100), 2, 0);
    EXPECT_FLOAT_EQ(c.modelSize, 6.0f);
    EXPECT_FLOAT_EQ(c.loaded.left, -0.5f);
    EXPECT_FLOAT_EQ(c.loaded.right, 5.5f);
    EXPECT_FLOAT_EQ(c.loaded.bottom, -1.0f);
}

TEST(CameraFit, SymmetricModelsKeepTheMirrorAxisInTheMiddle) {
    orv::Camera c;
    // Mirrored about X: y = 0 in the middle, the mirrored half fits.
    c.resize(200, 200, box(-2, 2, 0, 3), 2, 1);
    EXPECT_FLOAT_EQ(c.modelSize, 7.2f);  // 1.2 x 2 x y max, larger than the width
    EXPECT_FLOAT_EQ(c.loaded.bottom, -3.6f);
    EXPECT_FLOAT_EQ(c.loaded.top, 3.6f);
    EXPECT_FLOAT_EQ(c.loaded.left, -3.6f);
    // Mirrored about Y: x = 0 in the middle; here the height decides.
    c.resize(200, 200, box(0, 1, -5, 5), 2, 2);
    EXPECT_FLOAT_EQ(c.modelSize, 12.0f);
    EXPECT_FLOAT_EQ(c.loaded.left, -6.0f);
    EXPECT_FLOAT_EQ(c.loaded.right, 6.0f);
}

TEST(CameraFit, AspectStretchesTheLongerSide) {
    orv::Camera c;
    const orv::BoundingBox b = box(-3, 3, -4, 4, 0, 0);  // 3D, modelSize 12
    c.resize(400, 200, b, 3, 0);
    EXPECT_FLOAT_EQ(c.loaded.left, -12.0f);
    EXPECT_FLOAT_EQ(c.loaded.right, 12.0f);
    EXPECT_FLOAT_EQ(c.loaded.bottom, -6.0f);
    c.resize(200, 400, b, 3, 0);
    EXPECT_FLOAT_EQ(c.loaded.left, -6.0f);
    EXPECT_FLOAT_EQ(c.loaded.bottom, -12.0f);
    EXPECT_FLOAT_EQ(c.loaded.top, 12.0f);

    // A zero-sized window keeps the fitted box and every operation stays finite.
    c.resize(0, 0, b, 3, 0);
    EXPECT_FLOAT_EQ(c.loaded.left, -6.0f);
    const auto p = c.screenToModel(10, 10);
    EXPECT_TRUE(std::isfinite(p[0]) && std::isfinite(p[1]));
    const auto before = c.angles;
    c.drag(2, 0, 0, 50, 50);
    EXPECT_EQ(c.angles, before);
}

TEST(CameraFit, DepthRangeGrowsWithTheZoom) {
    orv::Camera c;
    c.resize(100, 100, box(-3, 3, -4, 4, -6, 6), 3, 0);
    orv::RecordingGl gl;
    c.loadProjection(gl);
    EXPECT_DOUBLE_EQ(gl.orthoBox[4], c.fitNear);
    EXPECT_DOUBLE_EQ(gl.orthoBox[5], c.fitFar);
    c.scale = 50.0f;
    c.loadProjection(gl);
    // The model reaches 50 x modelSize / 2 in depth now: still inside.
    EXPECT_LE(gl.orthoBox[4], -50.0 * c.modelSize / 2);
    EXPECT_GE(gl.orthoBox[5], 50.0 * c.modelSize / 2);
    EXPECT_EQ(gl.viewportSize[2], 100);
}

TEST(CameraOperations, PresetsSetXAndYAndKeepZ) {
    orv::Camera c;
    c.setAngles(10, 20, 33);
    const float expected[4][2] = {{0, 0}, {0, 90}, {-90, 0}, {30, 30}};
    for (int preset = 0; preset < 4; ++preset) {
        c.setViewPreset(preset);
        EXPECT_EQ(c.angles[0], expected[preset][0]);
        EXPECT_EQ(c.angles[1], expected[preset][1]);
        EXPECT_EQ(c.angles[2], 33.0f);
    }
    EXPECT_NEAR(c.cosines[2], std::cos(33.0 * M_PI / 180), 1e-6);

    // Reset display keeps the rotation, restores translation and scale.
    c.resize(100, 100, box(-1, 1, -1, 1, -1, 1), 3, 0);
    c.setAngles(12, 34, 56);
    c.panStep(3);
    c.zoomUp();
    c.resetDisplay();
    EXPECT_EQ(c.angles, (std::array<float, 3>{12, 34, 56}));
    EXPECT_EQ(c.translation, (std::array<float, 3>{c.homeTranslationX, 0, 0}));
    EXPECT_EQ(c.scale, 1.0f);

    c.resetForDimension(2);
    EXPECT_EQ(c.angles, (std::array<float, 3>{0, 0, 0}));
    c.setAngles(1, 2, 3);
    c.resetForDimension(3);
    EXPECT_EQ(c.angles, (std::array<float, 3>{30, 30, 0}));
}

TEST(CameraOperations, PanStepsAndDrags) {
    orv::Camera c;
    c.resize(200, 100, box(-3, 3, -4, 4, 0, 0), 3, 0);  // modelSize 12
    const float home = c.translation[0];
    c.panStep(1);
    EXPECT_FLOAT_EQ(c.translation[0], home - 0.6f);
    c.panStep(3);
    EXPECT_FLOAT_EQ(c.translation[1], 0.6f);

    c.setSensitivity(10);  // pan factor 0.08, 30 degrees
    c.translation = {0, 0, 0};
    c.drag(1, 10, 10, 110, 60);  // half the width right, half the height down
    EXPECT_FLOAT_EQ(c.translation[0], 0.5f * 12 * 0.08f);
    EXPECT_FLOAT_EQ(c.translation[1], -0.5f * 12 * 0.08f);
}

TEST(CameraOperations, RotationWrapsWithin0To360) {
    orv::Camera c;
    c.resize(100, 100, box(-1, 1, -1, 1, -1, 1), 3, 0);
    c.setSensitivity(6000);  // 80 degrees a window
    c.setAngles(350, 5, 0);
    for (int i = 0; i < 20; ++i) {
        c.drag(2, 0, 0, 130 * (i % 3 - 1), 1000 * (i % 2 ? 1 : -1));
        for (int k = 0; k < 2; ++k) {
            EXPECT_GE(c.angles[size_t(k)], 0.0f);
            EXPECT_LE(c.angles[size_t(k)], 360.0f);
        }
    }
    c.setAngles(350, 5, 0);
    c.drag(2, 0, 0, 25, -10);  // +20 about Y, -8 about X
    EXPECT_FLOAT_EQ(c.angles[1], 25.0f);
    EXPECT_FLOAT_EQ(c.angles[0], 342.0f);
    EXPECT_NEAR(c.sines[1], std::sin(25.0 * M_PI / 180), 1e-6);
}

TEST(CameraOperations, ZoomStepsStopAtAPositiveFloor) {
    orv::Camera c;
    for (int i = 0; i < 40; ++i) {
        c.zoomDown();
        EXPECT_GT(c.scale, 0.0f);
    }
    EXPECT_EQ(c.scale, orv::Camera::kMinScale);
    c.zoomUp();
    EXPECT_GT(c.scale, orv::Camera::kMinScale);
}

TEST(CameraOperations, ZoomBoxFramesTheLargerSide) {
    orv::Camera c;
    c.resize(200, 200, box(-5, 5, -5, 5, -5, 5), 3, 0);
    c.drawingFrame = {-10, -10, 6, 10};  // width 16
    const float home = c.homeTranslationX;

    // Drawn from lower right to upper left: the width 2 beats the height 1 anyway.
    c.boxCorner1 = {1, 0, 0};
    c.boxCorner2 = {-1, 1, 0};
    ASSERT_TRUE(c.zoomToBox());
    EXPECT_FLOAT_EQ(c.scale, 0.8f * 16 / 2);
    // The box's centre goes where the model's centre sat.
    EXPECT_FLOAT_EQ(c.translation[0], home);
    EXPECT_FLOAT_EQ(c.translation[1], -0.5f * c.scale);

    // The height decides when it is larger, whichever way the box was drawn.
    c.scale = 1;
    c.boxCorner1 = {2, -1, 0};
    c.boxCorner2 = {3, 3, 0};
    ASSERT_TRUE(c.zoomToBox());
    EXPECT_FLOAT_EQ(c.scale, 0.8f * 16 / 4);
    EXPECT_FLOAT_EQ(c.translation[0], -2.5f * c.scale + home);

    // A click, or a box of a pixel or two, changes nothing.
    const orv::Camera before = c;
    c.boxCorner1 = {2, 2, 0};
    c.boxCorner2 = {2, 2, 0};
    EXPECT_FALSE(c.zoomToBox());
    const float pixel = (c.loaded.right - c.loaded.left) / 200 / c.scale;
    c.boxCorner2 = {2 + pixel, 2 - pixel, 0};
    EXPECT_FALSE(c.zoomToBox());
    EXPECT_EQ(c.scale, before.scale);
    EXPECT_EQ(c.translation, before.translation);
}

TEST(CameraOperations, SensitivityByElementCount) {
    orv::Camera c;
    const struct {
        int elements;
        float degrees, pan;
    } cases[] = {{0, 30, 0.08f},    {999, 30, 0.08f}, {1000, 40, 0.15f}, {2999, 50, 0.2f},
                 {3000, 60, 0.25f}, {4999, 70, 0.3f}, {5000, 80, 0.35f}, {90000, 80, 0.35f}};
    for (const auto& k : cases) {
        c.setSensitivity(k.elements);
        EXPECT_EQ(c.rotationSensitivity, k.degrees) << k.elements;
        EXPECT_EQ(c.panFactor, k.pan) << k.elements;
    }
}

TEST(CameraOperations, ScreenToModelUndoesTranslationAndScale) {
    orv::Camera c;
    c.resize(400, 200, box(-2, 2, -2, 2, -2, 2), 3, 0);  // x stretched twice
    c.translation = {1, -1, 0};
    c.scale = 2;
    const auto corner = c.screenToModel(0, 0);  // top left
    EXPECT_FLOAT_EQ(corner[0], (c.loaded.left - 1) / 2);
    EXPECT_FLOAT_EQ(corner[1], (c.loaded.top + 1) / 2);
    const auto middle = c.screenToModel(200, 100);
    EXPECT_NEAR(middle[0], -0.5f, 1e-6);
    EXPECT_NEAR(middle[1], 0.5f, 1e-6);
}

}  // namespace
