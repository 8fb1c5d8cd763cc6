// The view's commands that live in the Scene: mouse modes, drags, the zoom box, pan and
// zoom steps, stepping and animation, colour settings, and their guards.
#include <cmath>

#include "render_support.h"

namespace {

using orv::MouseMode;
using orv::PlotMode;
using orvtest::SceneBench;

std::vector<std::string> texts(const orvtest::RecordingMessages& m) {
    std::vector<std::string> out;
    for (const auto& b : m.boxes)
        out.push_back(b.title + ": " + b.text);
    return out;
}

TEST(SceneGuards, EveryNavigationCommandWantsAModelAndSaysSo) {
    orvtest::RecordingMessages messages;
    orv::Scene scene(messages);
    EXPECT_FALSE(scene.commandPanStep(1));
    EXPECT_FALSE(scene.commandZoomUp());
    EXPECT_FALSE(scene.commandZoomDown());
    EXPECT_FALSE(scene.commandResetDisplay());
    EXPECT_FALSE(scene.commandDynamicPan());
    EXPECT_FALSE(scene.commandDynamicRotation());
    EXPECT_FALSE(scene.commandZoomBox());
    EXPECT_FALSE(scene.commandNextStep());
    ASSERT_EQ(messages.boxes.size(), 8u);
    for (const auto& t : texts(messages))
        EXPECT_EQ(t, "Message: Please read result file firstly!");
    EXPECT_EQ(scene.mouseMode, MouseMode::Idle);
}

TEST(SceneGuards, WithTheCurvePlotShownCommandsAreSilent) {
    SceneBench b(orvtest::planeSquare({0, 1, 2, 3}));
    b.scene.curvePlotShown = 1;
    const auto before = b.scene.camera.translation;
    EXPECT_FALSE(b.scene.commandPanStep(2));
    EXPECT_FALSE(b.scene.commandDynamicPan());
    EXPECT_TRUE(b.messages.boxes.empty());
    EXPECT_EQ(b.scene.camera.translation, before);
    // The results test comes before the curve plot's silence.
    orvtest::RecordingMessages messages;
    orv::Scene scene(messages);
    scene.curvePlotShown = 1;
    orvtest::NoAnimation animation;
    EXPECT_FALSE(scene.commandPlotMode(PlotMode::Contour, false, animation));
    EXPECT_EQ(texts(messages), std::vector<std::string>{"Message: No results are availabile!"});
}

TEST(SceneGuards, ViewAnglesWantAModelInSpace) {
    orvtest::RecordingMessages messages;
    orv::Scene scene(messages);
    EXPECT_FALSE(scene.canDefineViewAngles());
    SceneBench plane(orvtest::planeSquare({0, 1, 2, 3}));
    EXPECT_FALSE(plane.scene.canDefineViewAngles());
    SceneBench cube(orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(cube.scene.canDefineViewAngles());
    EXPECT_EQ(texts(messages),
              std::vector<std::string>{"Message: Please read result file firstly!"});
    EXPECT_EQ(texts(plane.messages), std::vector<std::string>{"Message: It is for 3D!"});
    EXPECT_TRUE(cube.messages.boxes.empty());
}

TEST(MouseModes, PanAndRotationToggleAndSwitch) {
    SceneBench b(orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}));
    orv::Scene& s = b.scene;
    EXPECT_EQ(s.mouseMode, MouseMode::Idle);
    s.commandDynamicPan();
    EXPECT_EQ(s.mouseMode, MouseMode::Pan);
    s.commandDynamicPan();
    EXPECT_EQ(s.mouseMode, MouseMode::Idle);
    s.commandDynamicPan();
    s.commandDynamicRotation();
    EXPECT_EQ(s.mouseMode, MouseMode::Rotate);
    EXPECT_EQ(s.savedMouseMode, MouseMode::Rotate);
}

TEST(MouseModes, ZoomBoxRemembersTheModeAndASecondPressCancels) {
    SceneBench b(orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}));
    orv::Scene& s = b.scene;
    s.commandDynamicPan();
    s.commandZoomBox();
    EXPECT_EQ(s.mouseMode, MouseMode::ZoomBox);
    EXPECT_EQ(s.settings.zoomBoxActive, 1);
    s.commandZoomBox();
    EXPECT_EQ(s.mouseMode, MouseMode::Pan);
    EXPECT_EQ(s.settings.zoomBoxActive, 0);
}

TEST(MouseDrags, RotationFollowsThePointerAndWrapsAt360) {
    SceneBench b(orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}), 400, 300);
    orv::Scene& s = b.scene;
    s.commandDynamicRotation();
    s.camera.setAngles(350, 10, 0);
    const float r = s.camera.rotationSensitivity;
    // Right by enough for 15 degrees about Y; down by enough for -20 about X would be up.
    const int dx = int(std::lround(15.0f / r * 400.0f));
    s.mousePress(100, 100);
    EXPECT_TRUE(s.mouseDrag(100 + dx, 100));
    EXPECT_EQ(s.interactiveDrag, 1);
    EXPECT_NEAR(s.camera.angles[1], 10 + 15.0f * float(dx) / (15.0f / r * 400.0f), 1e-3);
    EXPECT_NEAR(s.camera.angles[0], 350, 1e-4);
    // The press point stays: a second move adds again, from the press point.
    s.mouseDrag(100, 100 + int(std::lround(15.0f / r * 300.0f)));
    EXPECT_NEAR(s.camera.angles[0], 5, 0.2);  // 350 + 15 wraps to 5
    EXPECT_TRUE(s.mouseRelease(100, 100));
    EXPECT_EQ(s.interactiveDrag, 0);
    s.camera.setAngles(5, 5, 0);
    s.mousePress(0, 0);
    s.mouseDrag(0, -int(std::lround(15.0f / r * 300.0f)));
    EXPECT_NEAR(s.camera.angles[0], 350, 0.2);  // -10 wraps to 350
    EXPECT_NEAR(std::sin(s.camera.angles[0] * 0.01745329f), s.camera.sines[0], 1e-5);
}

TEST(MouseDrags, PanMovesThePictureWithThePointer) {
    SceneBench b(orvtest::planeSquare({0, 1, 2, 3}), 400, 300);
    orv::Scene& s = b.scene;
    s.commandDynamicPan();
    const auto t0 = s.camera.translation;
    s.mousePress(200, 150);
    s.mouseDrag(240, 180);  // right and down
    EXPECT_GT(s.camera.translation[0], t0[0]);
    EXPECT_LT(s.camera.translation[1], t0[1]);
    EXPECT_NEAR(s.camera.translation[0] - t0[0],
                40.0f / 400.0f * s.camera.modelSize * s.camera.panFactor, 1e-5);
}

TEST(MouseDrags, IdleOrNoModelMovesNothing) {
    orvtest::RecordingMessages messages;
    orv::Scene empty(messages);
    empty.mouseMode = MouseMode::Rotate;
    empty.mousePress(0, 0);
    EXPECT_FALSE(empty.mouseDrag(50, 50));
    SceneBench b(orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}));
    const auto angles = b.scene.camera.angles;
    b.scene.mousePress(0, 0);
    EXPECT_FALSE(b.scene.mouseDrag(80, 80));
    EXPECT_FALSE(b.scene.mouseRelease(80, 80));
    EXPECT_EQ(b.scene.camera.angles, angles);
    EXPECT_EQ(b.scene.interactiveDrag, 0);
}

TEST(MouseDrags, ADragHoldsTheAnimationStepUntilRelease) {
    SceneBench b(orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}));
    b.scene.commandDynamicRotation();
    b.scene.mousePress(10, 10);
    b.scene.mouseDrag(30, 10);
    EXPECT_EQ(b.scene.advanceStepOnRedraw, 0);
    b.scene.mouseRelease(30, 10);
    EXPECT_EQ(b.scene.advanceStepOnRedraw, 1);
}

struct BoxResult {
    float scale;
    std::array<float, 3> translation;
};

BoxResult zoomBox(int x1, int y1, int x2, int y2) {
    SceneBench b(orvtest::planeSquare({0, 1, 2, 3}), 400, 300);
    b.draw();  // the overlay sets the drawing frame
    b.scene.commandDynamicRotation();
    b.scene.commandZoomBox();
    b.scene.mousePress(x1, y1);
    b.scene.mouseDrag(x2, y2);
    EXPECT_TRUE(b.scene.zoomBoxVisible());
    EXPECT_TRUE(b.scene.mouseRelease(x2, y2));
    EXPECT_EQ(b.scene.mouseMode, MouseMode::Rotate);  // back to the mode before the box
    EXPECT_EQ(b.scene.settings.zoomBoxActive, 0);
    EXPECT_FALSE(b.scene.zoomBoxVisible());
    return {b.scene.camera.scale, b.scene.camera.translation};
}

TEST(ZoomBox, ABoxDrawnBackwardsZoomsAsOneDrawnForwards) {
    const BoxResult forward = zoomBox(100, 80, 180, 140);
    const BoxResult backward = zoomBox(180, 140, 100, 80);
    const BoxResult otherDiagonal = zoomBox(180, 80, 100, 140);
    EXPECT_GT(forward.scale, 1.0f);
    for (const BoxResult& r : {backward, otherDiagonal}) {
        EXPECT_NEAR(r.scale, forward.scale, 1e-4);
        EXPECT_NEAR(r.translation[0], forward.translation[0], 1e-4);
        EXPECT_NEAR(r.translation[1], forward.translation[1], 1e-4);
    }
}

TEST(ZoomBox, AClickOrATinyBoxEndsTheModeWithoutZooming) {
    for (const int size : {0, 2}) {
        SceneBench b(orvtest::planeSquare({0, 1, 2, 3}), 400, 300);
        b.draw();
        const auto before = b.scene.camera.translation;
        b.scene.commandZoomBox();
        b.scene.mousePress(200, 150);
        if (size) b.scene.mouseDrag(200 + size, 150 + size);
        b.scene.mouseRelease(200 + size, 150 + size);
        EXPECT_EQ(b.scene.mouseMode, MouseMode::Idle) << size;
        EXPECT_FLOAT_EQ(b.scene.camera.scale, 1.0f) << size;
        EXPECT_EQ(b.scene.camera.translation, before) << size;
    }
}

TEST(ZoomBox, TheBandIsACyanLoopThroughTheCornersAndNothingBeforeThePress) {
    SceneBench b(orvtest::planeSquare({0, 1, 2, 3}), 400, 300);
    b.scene.commandZoomBox();
    orv::RecordingGl none;
    b.scene.drawZoomBox(none);
    EXPECT_TRUE(none.primitives.empty());
    b.scene.mousePress(100, 100);
    b.scene.mouseDrag(150, 120);
    orv::RecordingGl gl;
    b.scene.drawZoomBox(gl);
    ASSERT_EQ(gl.primitives.size(), 1u);
    const auto& loop = gl.primitives[0];
    EXPECT_EQ(loop.mode, orv::gl::LineLoop);
    ASSERT_EQ(loop.vertices.size(), 4u);
    EXPECT_TRUE(orvtest::near3(loop.vertices[0].color, {0, 1, 1}));
    const auto a = b.scene.camera.screenToModel(100, 100),
               c = b.scene.camera.screenToModel(150, 120);
    EXPECT_NEAR(loop.vertices[0].position[0], a[0], 1e-5);
    EXPECT_NEAR(loop.vertices[2].position[0], c[0], 1e-5);
    EXPECT_NEAR(loop.vertices[2].position[1], c[1], 1e-5);
}

TEST(ZoomBox, ALostDragEndsTheBoxWithoutZooming) {
    SceneBench b(orvtest::planeSquare({0, 1, 2, 3}), 400, 300);
    b.draw();
    b.scene.commandZoomBox();
    b.scene.mousePress(100, 100);
    b.scene.mouseDrag(200, 200);
    b.scene.cancelDrag();
    EXPECT_EQ(b.scene.mouseMode, MouseMode::Idle);
    EXPECT_EQ(b.scene.interactiveDrag, 0);
    EXPECT_FLOAT_EQ(b.scene.camera.scale, 1.0f);
}

TEST(Steps, PanZoomAndResetMoveTheCamera) {
    SceneBench b(orvtest::planeSquare({0, 1, 2, 3}));
    orv::Scene& s = b.scene;
    const float home = s.camera.translation[0], step = 0.05f * s.camera.modelSize;
    s.commandPanStep(1);
    EXPECT_NEAR(s.camera.translation[0], home - step, 1e-6);
    s.commandPanStep(3);
    EXPECT_NEAR(s.camera.translation[1], step, 1e-6);
    s.commandZoomUp();
    EXPECT_NEAR(s.camera.scale, 1.1f, 1e-6);
    s.commandZoomDown();
    s.commandZoomDown();
    EXPECT_NEAR(s.camera.scale, 0.9f, 1e-6);
    s.commandResetDisplay();
    EXPECT_FLOAT_EQ(s.camera.scale, 1.0f);
    EXPECT_FLOAT_EQ(s.camera.translation[0], home);
    EXPECT_FLOAT_EQ(s.camera.translation[1], 0.0f);
}

TEST(Steps, SteppingKeepsWithinTheStepsAndPauses) {
    orv::FeModel m = orvtest::twoHexModel();
    SceneBench b(std::move(m));
    orv::Scene& s = b.scene;
    ASSERT_EQ(s.settings.stepCount, 2);
    s.settings.animating = 1;
    s.commandPreviousStep();
    EXPECT_EQ(s.settings.currentStep, 0);
    EXPECT_EQ(s.settings.animating, 0);
    s.commandNextStep();
    s.commandNextStep();
    EXPECT_EQ(s.settings.currentStep, 1);
    s.commandFirstStep();
    EXPECT_EQ(s.settings.currentStep, 0);
    s.commandLastStep();
    EXPECT_EQ(s.settings.currentStep, 1);
}

std::vector<int> play(orv::Scene& s, int method, int steps, int ticks) {
    s.settings.stepCount = steps;
    s.settings.currentStep = 0;
    s.settings.animating = 1;
    s.settings.animationMethod = method;
    std::vector<int> shown;
    for (int i = 0; i < ticks; ++i) {
        shown.push_back(s.settings.currentStep);
        s.advanceStep();
    }
    return shown;
}

TEST(Animation, ForwardOnlyAndForwardAndBack) {
    SceneBench b(orvtest::twoHexModel());
    EXPECT_EQ(play(b.scene, 1, 4, 6), (std::vector<int>{0, 1, 2, 3, 0, 1}));
    EXPECT_EQ(play(b.scene, 0, 4, 8), (std::vector<int>{0, 1, 2, 3, 2, 1, 0, 1}));
    EXPECT_EQ(play(b.scene, 0, 1, 3), (std::vector<int>{0, 0, 0}));
    b.scene.settings.animating = 0;
    b.scene.settings.currentStep = 1;
    b.scene.advanceStep();
    EXPECT_EQ(b.scene.settings.currentStep, 1);  // only a running animation advances
}

TEST(Animation, OscillationFramesGrowAndStoppingLeavesTheFullDeformation) {
    SceneBench b(orvtest::planeSquare({0, 1, 2, 3}, {"UX", "UY"}));
    orv::Scene& s = b.scene;
    ASSERT_TRUE(s.oscillationMode());
    s.startAnimation(10, 2.5f, 0);
    EXPECT_EQ(s.settings.stepCount, 10);
    EXPECT_EQ(s.model.frameCount, 10);
    EXPECT_EQ(s.settings.animationMethod, 1);
    EXPECT_FLOAT_EQ(s.settings.magnification, 2.5f);
    s.advanceStep();
    s.stopAnimation();
    EXPECT_EQ(s.settings.stepCount, 1);
    EXPECT_EQ(s.settings.currentStep, 0);
    EXPECT_EQ(s.settings.animating, 0);
}

std::array<int, 3> rgb(int r, int g, int b) {
    return {r, g, b};
}

TEST(ColourSettings, ThreeWordsSetTheItemAnythingElseIsIgnored) {
    orvtest::RecordingMessages messages;
    orv::Scene s(messages);
    int r, g, b;
    s.applyColourSetting("ElemNb", "10,20,30");
    s.getColour(6, r, g, b);
    EXPECT_EQ(rgb(r, g, b), (std::array<int, 3>{10, 20, 30}));
    s.applyColourSetting("LabelBkg", "1 2");
    s.getColour(1, r, g, b);
    EXPECT_EQ(rgb(r, g, b), (std::array<int, 3>{51, 51, 150}));
    s.applyColourSetting("FrameBkg", "255:255\t0");
    s.getColour(0, r, g, b);
    EXPECT_EQ(rgb(r, g, b), (std::array<int, 3>{255, 255, 0}));
    s.applyColourSetting("NoSuchItem", "1 2 3");
    s.applyColourSetting("AxisColor", "");
    s.getColour(4, r, g, b);
    EXPECT_EQ(rgb(r, g, b), (std::array<int, 3>{255, 0, 0}));
}

}  // namespace
