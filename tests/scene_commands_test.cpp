// The scene's commands without a window: the command table's tests with their messages and
// the animation's pauses, check marks and enabled states, mouse modes and drags, the zoom
// box, steps, modes and animation, option commands, selections and colours.
#include <cmath>
#include <memory>
#include <sstream>

#include "render_support.h"

namespace {

using orv::CommandId;
using orv::MouseMode;
using orv::PlotMode;
using orvtest::SceneBench;

std::vector<std::string> texts(const orvtest::RecordingMessages& m) {
    std::vector<std::string> out;
    for (const auto& b : m.boxes)
        out.push_back(b.title + ": " + b.text);
    return out;
}

// Records the pauses, resumes and holds a command asks of the animation timer.
class RecordingAnimation final : public orv::AnimationControl {
  public:
    void pause() override { calls += "p"; }
    void resume() override { calls += "r"; }
    void hold() override { calls += "h"; }
    std::string calls;
};

orvtest::NoAnimation none;

const char* name(orv::Guard g) {
    static constexpr const char* k[] = {"-", "chain", "results+chain", "model", "own"};
    return k[int(g)];
}

TEST(CommandTable, TextsKeysAndRulesAreAsCommitted) {
    std::ostringstream out;
    static constexpr const char* kDimension[] = {"any", "plane", "space"};
    static constexpr const char* kPause[] = {"-", "around-refusal", "before-dimension", "after"};
    for (const orv::CommandInfo& c : orv::commandTable()) {
        EXPECT_EQ(orv::commandByName(c.name), c.id) << c.name;
        out << c.name << " | " << c.text << " | " << c.prompt << " | " << c.tip << " | "
            << (c.icon ? c.icon : "-") << " | " << (c.key ? c.key : "-") << " | " << name(c.guard)
            << " | " << kDimension[int(c.dimension)] << " "
            << (c.dimensionMessage ? c.dimensionMessage : "") << " | " << kPause[int(c.pause)]
            << " | check " << int(c.check) << " mode " << int(c.mode) << " enable " << int(c.enable)
            << "\n";
    }
    EXPECT_FALSE(orv::commandByName("noSuchCommand"));
    orvtest::expectGolden("command_table.txt", out.str());
}

// One command on one kind of model: the messages it shows and the timer calls it makes.
struct GuardCase {
    CommandId id;
    int model;  // 0 none, 2 plane with results, 3 solid with results, 4 solid without
    bool allowed;
    const char* message;  // "" for none
    const char* timer;
};

std::unique_ptr<SceneBench> benchFor(int model) {
    switch (model) {
        case 2:
            return std::make_unique<SceneBench>(orvtest::planeSquare({0, 1, 2, 3}));
        case 3:
            return std::make_unique<SceneBench>(orvtest::twoHexModel());
        case 4: {
            orv::FeModel m = orvtest::twoHexModel();
            m.results.initialise(0, 0, {}, 3);
            m.values.clear();
            return std::make_unique<SceneBench>(std::move(m));
        }
        default:
            return nullptr;
    }
}

TEST(CommandGuards, MessagesAndPausesFollowTheTable) {
    const GuardCase cases[] = {
        {CommandId::Left, 0, false, "Please read result file firstly!", ""},
        {CommandId::PlotContour, 0, false, "No results are availabile!", ""},
        {CommandId::PlotContour, 4, false, "No results are availabile!", ""},
        {CommandId::DisplayVector, 4, false, "Sorry, it is actually available only for 2D case!",
         ""},
        {CommandId::DisplayVector, 2, true, "", ""},
        {CommandId::PlotIsoSurface, 2, false, "It is for 3D results!", "pr"},
        {CommandId::LightEffect, 2, false, "It is available for 3D plot!", "pr"},
        {CommandId::LightEffect, 3, true, "", ""},
        {CommandId::CuttingPlane, 2, false, "It is for 3D results!", "ph"},
        {CommandId::CuttingPlane, 3, true, "", "p"},
        {CommandId::Symmetry, 3, false, "It is available for 2D plot!", ""},
        {CommandId::Symmetry, 2, true, "", "p"},
        {CommandId::ViewPort, 0, false, "Please read result file firstly!", ""},
        {CommandId::ViewPort, 2, false, "It is for 3D!", ""},
        {CommandId::NextStep, 3, true, "", "p"},
        {CommandId::Numbering, 0, false, "Please read result file firstly!", ""},
        {CommandId::SelectNE, 0, false, "Please read result file firstly!", ""},
        {CommandId::ColorOption, 0, true, "", "p"},
        {CommandId::StepMaxMin, 0, true, "", ""},
        {CommandId::Play, 4, false, "No results are availabile!", ""},
        {CommandId::SaveImage, 0, false, "No image available!", ""},
        {CommandId::SaveAs, 0, false, "Please read result file firstly!", ""},
        {CommandId::Open, 0, true, "", ""},
    };
    for (const GuardCase& c : cases) {
        const char* id = orv::commandInfo(c.id).name;
        const std::unique_ptr<SceneBench> bench = benchFor(c.model);
        orvtest::RecordingMessages messages;
        orv::Scene empty(messages);
        orv::Scene& scene = bench ? bench->scene : empty;
        const auto& boxes = bench ? bench->messages : messages;
        RecordingAnimation timer;
        EXPECT_EQ(scene.allowed(c.id, timer), c.allowed) << id;
        const std::vector<std::string> expected =
            *c.message ? std::vector<std::string>{std::string("Message: ") + c.message}
                       : std::vector<std::string>{};
        EXPECT_EQ(texts(boxes), expected) << id;
        EXPECT_EQ(timer.calls, c.timer) << id;
    }
}

TEST(CommandGuards, OpenDialogsRefuseFilesPicturesAndClosing) {
    SceneBench b(orvtest::twoHexModel());
    orv::Scene& s = b.scene;
    RecordingAnimation timer;
    s.setDialogOpen(orv::ModelessDialog::CutPlane, true);
    EXPECT_FALSE(s.allowed(CommandId::Open, timer));
    EXPECT_FALSE(s.canClose());
    EXPECT_FALSE(s.commandState(CommandId::CuttingPlane).enabled);
    EXPECT_TRUE(s.commandState(CommandId::CuttingPlane).checked);
    s.setDialogOpen(orv::ModelessDialog::CutPlane, false);
    s.setDialogOpen(orv::ModelessDialog::Animation, true);
    EXPECT_FALSE(s.commandState(CommandId::Play).enabled);
    EXPECT_FALSE(s.allowed(CommandId::Open, timer));
    EXPECT_FALSE(s.allowed(CommandId::SaveImage, timer));
    EXPECT_TRUE(s.allowed(CommandId::SaveAs, timer));  // pauses, and stays paused
    EXPECT_FALSE(s.canClose());
    EXPECT_EQ(timer.calls, "phphph");
    EXPECT_EQ(texts(b.messages),
              (std::vector<std::string>{"Message: Please close firstly cut dialog!",
                                        "Message: Please close cut plane dialog firstly!",
                                        "Message: Please close firstly animation dialog!",
                                        "Message: Please close firstly animation dialog!",
                                        "Message: Please close animation dialog firstly!"}));
}

// Reports whether the scene takes commands while a file is being read.
class ReentryProgress final : public orv::Progress {
  public:
    explicit ReentryProgress(orv::Scene& scene) : scene_(scene) {}
    void setText(const std::string&) override {}
    void setPosition(int) override {
        busySeen = busySeen || scene_.busy();
        reentered = reentered || scene_.allowed(CommandId::ZoomUp, none) ||
                    scene_.commandState(CommandId::PlotMesh).enabled;
    }
    bool busySeen = false, reentered = false;

  private:
    orv::Scene& scene_;
};

TEST(CommandGuards, NothingRunsWhileAFileIsRead) {
    orvtest::TempDir dir;
    const std::string path = dir.file("two.asc");
    orvtest::writeFile(orvtest::twoHexModel(), path);
    orvtest::RecordingMessages messages;
    orv::Scene scene(messages);
    ReentryProgress progress(scene);
    ASSERT_TRUE(scene.openFile(progress, dir.file("two."), "asc"));
    EXPECT_TRUE(progress.busySeen);
    EXPECT_FALSE(progress.reentered);
    EXPECT_FALSE(scene.busy());
}

TEST(CommandStates, CheckMarksFollowWhatIsShown) {
    SceneBench b(orvtest::twoHexModel());
    orv::Scene& s = b.scene;
    const auto checked = [&](CommandId id) { return s.commandState(id).checked; };
    EXPECT_TRUE(checked(CommandId::PlotMesh));
    b.plot(PlotMode::Contour, true);
    EXPECT_TRUE(checked(CommandId::PlotContourEdge));
    EXPECT_FALSE(checked(CommandId::PlotContour));
    EXPECT_FALSE(checked(CommandId::PlotMesh));
    b.plot(PlotMode::Contour);
    EXPECT_TRUE(checked(CommandId::PlotContour));
    EXPECT_TRUE(checked(CommandId::LightEffect));  // on for a model in space
    s.commandToggleGrid(none);
    s.commandDynamicPan(none);
    EXPECT_TRUE(checked(CommandId::AddGrid));
    EXPECT_TRUE(checked(CommandId::DynamicPan));
    EXPECT_FALSE(checked(CommandId::DynamicRotation));
    EXPECT_FALSE(s.commandState(CommandId::Left).checkable);
}

TEST(MouseDrags, RotationFollowsThePointerAndWrapsAt360) {
    SceneBench b(orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}), 400, 300);
    orv::Scene& s = b.scene;
    s.commandDynamicRotation(none);
    ASSERT_TRUE(s.commandSetViewAngles(350, 10, 0, none));
    const float r = s.camera().rotationSensitivity;
    const int dx = int(std::lround(15.0f / r * 400.0f));
    s.mousePress(100, 100);
    EXPECT_TRUE(s.mouseDrag(100 + dx, 100));
    EXPECT_NEAR(s.camera().angles[1], 10 + 15.0f * float(dx) / (15.0f / r * 400.0f), 1e-3);
    EXPECT_NEAR(s.camera().angles[0], 350, 1e-4);
    // The press point stays: a second move adds again, from the press point.
    s.mouseDrag(100, 100 + int(std::lround(15.0f / r * 300.0f)));
    EXPECT_NEAR(s.camera().angles[0], 5, 0.2);  // 350 + 15 wraps to 5
    EXPECT_TRUE(s.mouseRelease(100, 100));
    s.commandSetViewAngles(5, 5, 0, none);
    s.mousePress(0, 0);
    s.mouseDrag(0, -int(std::lround(15.0f / r * 300.0f)));
    EXPECT_NEAR(s.camera().angles[0], 350, 0.2);  // -10 wraps to 350
    EXPECT_NEAR(std::sin(s.camera().angles[0] * 0.01745329f), s.camera().sines[0], 1e-5);
}

TEST(MouseDrags, PanMovesWithThePointerAndIdleMovesNothing) {
    SceneBench b(orvtest::planeSquare({0, 1, 2, 3}), 400, 300);
    orv::Scene& s = b.scene;
    const auto t0 = s.camera().translation;
    s.mousePress(0, 0);
    EXPECT_FALSE(s.mouseDrag(80, 80));  // idle
    EXPECT_FALSE(s.mouseRelease(80, 80));
    EXPECT_EQ(s.camera().translation, t0);
    s.commandDynamicPan(none);
    s.mousePress(200, 150);
    s.mouseDrag(240, 180);  // right and down
    EXPECT_NEAR(s.camera().translation[0] - t0[0],
                40.0f / 400.0f * s.camera().modelSize * s.camera().panFactor, 1e-5);
    EXPECT_LT(s.camera().translation[1], t0[1]);
}

struct BoxResult {
    float scale;
    std::array<float, 3> translation;
};

BoxResult zoomBox(int x1, int y1, int x2, int y2) {
    SceneBench b(orvtest::planeSquare({0, 1, 2, 3}), 400, 300);
    b.draw();  // the overlay sets the drawing frame
    b.scene.commandDynamicRotation(none);
    b.scene.commandZoomBox(none);
    b.scene.mousePress(x1, y1);
    b.scene.mouseDrag(x2, y2);
    EXPECT_TRUE(b.scene.zoomBoxVisible());
    EXPECT_TRUE(b.scene.mouseRelease(x2, y2));
    EXPECT_EQ(b.scene.mouseMode(), MouseMode::Rotate);  // back to the mode before the box
    EXPECT_FALSE(b.scene.zoomBoxVisible());
    return {b.scene.camera().scale, b.scene.camera().translation};
}

TEST(ZoomBox, ABoxDrawnBackwardsZoomsAsOneDrawnForwards) {
    const BoxResult forward = zoomBox(100, 80, 180, 140);
    EXPECT_GT(forward.scale, 1.0f);
    for (const BoxResult& r : {zoomBox(180, 140, 100, 80), zoomBox(180, 80, 100, 140)}) {
        EXPECT_NEAR(r.scale, forward.scale, 1e-4);
        EXPECT_NEAR(r.translation[0], forward.translation[0], 1e-4);
        EXPECT_NEAR(r.translation[1], forward.translation[1], 1e-4);
    }
}

TEST(ZoomBox, AClickATinyBoxOrALostDragEndsTheModeWithoutZooming) {
    for (const int size : {0, 2, -1}) {
        SceneBench b(orvtest::planeSquare({0, 1, 2, 3}), 400, 300);
        b.draw();
        const auto before = b.scene.camera().translation;
        b.scene.commandZoomBox(none);
        b.scene.mousePress(200, 150);
        if (size < 0) {
            b.scene.mouseDrag(300, 250);
            b.scene.cancelDrag();
        } else {
            if (size) b.scene.mouseDrag(200 + size, 150 + size);
            b.scene.mouseRelease(200 + size, 150 + size);
        }
        EXPECT_EQ(b.scene.mouseMode(), MouseMode::Idle) << size;
        EXPECT_FLOAT_EQ(b.scene.camera().scale, 1.0f) << size;
        EXPECT_EQ(b.scene.camera().translation, before) << size;
    }
}

TEST(ZoomBox, TheBandIsACyanLoopThroughTheCorners) {
    SceneBench b(orvtest::planeSquare({0, 1, 2, 3}), 400, 300);
    b.scene.commandZoomBox(none);
    EXPECT_FALSE(b.scene.zoomBoxVisible());  // nothing before the press
    b.scene.mousePress(100, 100);
    b.scene.mouseDrag(150, 120);
    orv::RecordingGl gl;
    b.scene.drawZoomBox(gl, b.scene.camera().boxCorner1, b.scene.camera().boxCorner2);
    ASSERT_EQ(gl.primitives.size(), 1u);
    const auto& loop = gl.primitives[0];
    EXPECT_EQ(loop.mode, orv::gl::LineLoop);
    ASSERT_EQ(loop.vertices.size(), 4u);
    EXPECT_TRUE(orvtest::near3(loop.vertices[0].color, {0, 1, 1}));
    const auto a = b.scene.camera().screenToModel(100, 100),
               c = b.scene.camera().screenToModel(150, 120);
    EXPECT_NEAR(loop.vertices[0].position[0], a[0], 1e-5);
    EXPECT_NEAR(loop.vertices[2].position[0], c[0], 1e-5);
    EXPECT_NEAR(loop.vertices[2].position[1], c[1], 1e-5);
}

TEST(Steps, SteppingKeepsWithinTheStepsHoldsTheAnimationAndRefusesBadValues) {
    SceneBench b(orvtest::twoHexModel());
    orv::Scene& s = b.scene;
    ASSERT_EQ(s.settings().shown.count, 2);
    ASSERT_TRUE(s.startAnimation(2, 1.0, orv::AnimationMethod::ForwardOnly));
    RecordingAnimation timer;
    s.commandStep(orv::StepMove::Previous, timer);
    EXPECT_EQ(s.settings().shown.step, 0);
    EXPECT_FALSE(s.animation().running);
    EXPECT_EQ(timer.calls, "ph");
    const std::pair<orv::StepMove, int> moves[] = {{orv::StepMove::Next, 1},
                                                   {orv::StepMove::Next, 1},
                                                   {orv::StepMove::First, 0},
                                                   {orv::StepMove::Last, 1}};
    for (const auto& [move, step] : moves) {
        s.commandStep(move, none);
        EXPECT_EQ(s.settings().shown.step, step);
    }
    // A transient result's steps are its own: no display steps, no modes.
    EXPECT_FALSE(s.commandSetFrames(5));
    EXPECT_FALSE(s.commandChooseMode(0));
    EXPECT_FALSE(s.commandSetMagnification(1e300));
    EXPECT_FALSE(s.commandSetContour(21, false, {}));
    EXPECT_FALSE(s.commandSetContour(5, false, {true, INFINITY, 0}));
    EXPECT_FALSE(s.commandSetViewAngles(1e300, 0, 0, none));
    EXPECT_FALSE(s.startAnimation(4, NAN, orv::AnimationMethod::ForwardOnly));
    EXPECT_EQ(texts(b.messages),
              (std::vector<std::string>{
                  "Message: Display steps are only for a single step or modes!",
                  "Message: It is not a mode file!", "Message: Please enter a number.",
                  "Message: The division number is limited in the range 2 -- 20!",
                  "Message: Please enter a number.", "Message: Please enter a number.",
                  "Message: Please enter a number."}));
    EXPECT_FLOAT_EQ(s.settings().magnification, 1.0f);
}

TEST(Animation, ADragHoldsTheStepAndStoppingLeavesTheFullDeformation) {
    SceneBench b(orvtest::planeSquare({0, 1, 2, 3}, {"UX", "UY"}));
    orv::Scene& s = b.scene;
    ASSERT_TRUE(s.startAnimation(10, 2.5, orv::AnimationMethod::ForwardOnly));
    s.commandDynamicRotation(none);
    s.mousePress(10, 10);
    s.mouseDrag(30, 10);
    s.advanceStep();
    EXPECT_EQ(s.settings().shown.step, 0);  // held while dragged
    s.mouseRelease(30, 10);
    s.advanceStep();
    EXPECT_EQ(s.settings().shown.step, 1);
    // Frame k of n shows (k + 1) / n of the deformation.
    EXPECT_NEAR(s.model().nodalValue(1, s.settings().shown, 0), 0.2, 1e-6);
    s.stopAnimation();
    EXPECT_EQ(s.settings().shown.count, 1);
    EXPECT_EQ(s.settings().shown.step, 0);
    EXPECT_FALSE(s.animation().running);
}

TEST(ColourSettings, ThreeWordsSetTheItemAnythingElseIsIgnored) {
    orvtest::RecordingMessages messages;
    orv::Scene s(messages);
    using C = orv::ColourItem;
    const std::tuple<const char*, const char*, C, std::array<int, 3>> cases[] = {
        {"ElemNb", "10,20,30", C::ElemNb, {10, 20, 30}},
        {"LabelBkg", "1 2", C::LabelBkg, {51, 51, 150}},
        {"FrameBkg", "255:255\t0", C::FrameBkg, {255, 255, 0}},
        {"NoSuchItem", "1 2 3", C::AxisColor, {255, 0, 0}},
        {"AxisColor", "", C::AxisColor, {255, 0, 0}},
    };
    for (const auto& [setting, text, item, rgb] : cases) {
        s.applyColourSetting(setting, text);
        EXPECT_EQ(s.colour(item), rgb) << setting << " " << text;
    }
}

}  // namespace
