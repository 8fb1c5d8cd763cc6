// The scene's commands without a window: the command table, the guards with their messages
// and the animation's pauses, check marks, mouse drags and the zoom box, and steps.
#include <cmath>
#include <memory>
#include <sstream>

#include "render_support.h"

namespace {

using orv::CommandId;
using orv::MouseMode;
using orvtest::SceneBench;

// Records the pauses, resumes and holds a command asks of the animation timer.
class RecordingAnimation final : public orv::AnimationControl {
  public:
    void pause() override { calls += "p"; }
    void resume() override { calls += "r"; }
    void hold() override { calls += "h"; }
    std::string calls;
};

orvtest::NoAnimation none;

TEST(CommandTable, TextsKeysAndRulesAreAsCommitted) {
    static constexpr const char* kGuard[] = {"-", "chain", "results+chain", "model", "own"};
    static constexpr const char* kDimension[] = {"any", "plane", "space"};
    static constexpr const char* kPause[] = {"-", "around-refusal", "before-dimension", "after"};
    std::ostringstream out;
    for (const orv::CommandInfo& c : orv::commandTable()) {
        EXPECT_EQ(orv::commandByName(c.name), c.id) << c.name;
        out << c.name << " | " << c.text << " | " << c.prompt << " | " << c.tip << " | "
            << (c.icon ? c.icon : "-") << " | " << (c.key ? c.key : "-") << " | "
            << kGuard[int(c.guard)] << " | " << kDimension[int(c.dimension)] << " "
            << (c.dimensionMessage ? c.dimensionMessage : "") << " | " << kPause[int(c.pause)]
            << " | check " << int(c.check) << " mode " << int(c.mode) << " enable " << int(c.enable)
            << "\n";
    }
    EXPECT_FALSE(orv::commandByName("noSuchCommand"));
    orvtest::expectGolden("command_table.txt", out.str());
}

// One command on one kind of model, perhaps under an open dialog: the message it shows (none
// when allowed) and the timer calls it makes.
TEST(CommandGuards, MessagesAndPausesFollowTheTable) {
    const struct {
        CommandId id;
        int model;   // 0 none, 2 plane with results, 3 solid with results, 4 solid without
        int dialog;  // 0 none, 1 animation, 2 cut plane, 3 curve array
        const char* message;
        const char* timer;
    } cases[] = {
        {CommandId::Left, 0, 0, "Please read result file firstly!", ""},
        {CommandId::PlotContour, 0, 0, "No results are availabile!", ""},
        {CommandId::PlotContour, 4, 0, "No results are availabile!", ""},
        {CommandId::DisplayVector, 4, 0, "Sorry, it is actually available only for 2D case!", ""},
        {CommandId::DisplayVector, 2, 0, "", ""},
        {CommandId::PlotIsoSurface, 2, 0, "It is for 3D results!", "pr"},
        {CommandId::LightEffect, 2, 0, "It is available for 3D plot!", "pr"},
        {CommandId::LightEffect, 3, 0, "", ""},
        {CommandId::CuttingPlane, 2, 0, "It is for 3D results!", "ph"},
        {CommandId::CuttingPlane, 3, 0, "", "p"},
        {CommandId::Symmetry, 3, 0, "It is available for 2D plot!", ""},
        {CommandId::Symmetry, 2, 0, "", "p"},
        {CommandId::ViewPort, 0, 0, "Please read result file firstly!", ""},
        {CommandId::ViewPort, 2, 0, "It is for 3D!", ""},
        {CommandId::ColorOption, 0, 0, "", "p"},
        {CommandId::SaveImage, 0, 0, "No image available!", ""},
        {CommandId::SaveAs, 0, 0, "Please read result file firstly!", ""},
        {CommandId::Open, 0, 0, "", ""},
        {CommandId::Open, 3, 2, "Please close firstly cut dialog!", ""},
        {CommandId::Open, 3, 1, "Please close firstly animation dialog!", "ph"},
        {CommandId::SaveImage, 3, 1, "Please close firstly animation dialog!", "ph"},
        {CommandId::SaveAs, 3, 1, "", "ph"},  // and stays paused
        {CommandId::Open, 2, 3, "Please close firstly curve array dialog!", ""},
        {CommandId::CuttingPlane, 3, 3, "Please close firstly curve array dialog!", ""},
        {CommandId::ListNode, 0, 0, "Please read result file firstly!", ""},
        {CommandId::ListResults, 3, 1, "", "ph"},
        {CommandId::ModelInfo, 2, 0, "", ""},
        {CommandId::CurveData, 0, 0, "", ""},
        {CommandId::CurveData, 3, 1, "Please close firstly animation dialog!", "ph"},
        {CommandId::CurveData, 3, 2, "Please close firstly cut dialog!", ""},
        {CommandId::CurveDefinition, 0, 1, "There is no curve data, read data firstly!", "ph"},
        {CommandId::PlotCurve, 2, 0, "No curve availiable!", ""},
        {CommandId::CurveOption, 2, 1, "Please close firstly animation dialog!", "ph"},
    };
    const auto model = [](int kind) {
        orv::FeModel m = kind == 2 ? orvtest::planeSquare({0, 1, 2, 3}) : orvtest::twoHexModel();
        if (kind == 4) m.results.initialise(0, 0, {}, 3), m.values.clear();
        return m;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(orv::commandInfo(c.id).name) + " " + std::to_string(c.model) +
                     std::to_string(c.dialog));
        std::unique_ptr<SceneBench> b;
        if (c.model) b = std::make_unique<SceneBench>(model(c.model));
        orvtest::RecordingMessages noModelBoxes;
        orv::Scene noModel(noModelBoxes);
        orv::Scene& scene = b ? b->scene : noModel;
        if (c.dialog) scene.setDialogOpen(orv::ModelessDialog(c.dialog - 1), true);
        RecordingAnimation timer;
        EXPECT_EQ(scene.allowed(c.id, timer), !*c.message);
        EXPECT_EQ((b ? b->messages : noModelBoxes).texts(),
                  *c.message ? std::vector<std::string>{std::string("Message: ") + c.message}
                             : std::vector<std::string>{});
        EXPECT_EQ(timer.calls, c.timer);
    }
}

// Nothing runs while a file is read: commands are refused and greyed.
TEST(CommandGuards, NothingRunsWhileAFileIsRead) {
    struct Reentry final : orv::Progress {
        explicit Reentry(orv::Scene& s) : scene(s) {}
        void setText(const std::string&) override {}
        void setPosition(int) override {
            ++calls;
            refused &= scene.busy() && !scene.allowed(CommandId::Open, none) &&
                       !scene.commandState(CommandId::PlotMesh).enabled;
        }
        orv::Scene& scene;
        int calls = 0;
        bool refused = true;
    };
    orvtest::TempDir dir;
    orvtest::writeFile(orvtest::twoHexModel(), dir.file("two.asc"));
    SceneBench b(orvtest::twoHexModel());
    Reentry progress(b.scene);
    ASSERT_TRUE(b.scene.openFile(progress, dir.file("two."), "asc"));
    EXPECT_TRUE(progress.calls > 0 && progress.refused && !b.scene.busy());
}

// Check marks follow what is shown; an open dialog disables its command and refuses closing.
TEST(CommandStates, CheckMarksFollowWhatIsShownAndOpenDialogsHoldTheWindow) {
    SceneBench b(orvtest::twoHexModel());
    orv::Scene& s = b.scene;
    const auto marks = [&] {
        std::string out;
        for (const CommandId id :
             {CommandId::PlotMesh, CommandId::PlotContourEdge, CommandId::PlotContour,
              CommandId::LightEffect, CommandId::AddGrid, CommandId::DynamicPan,
              CommandId::DynamicRotation, CommandId::CuttingPlane, CommandId::Play}) {
            const orv::CommandState c = s.commandState(id);
            out += (c.checkable ? "-x"[c.checked] : ' ') + std::string(c.enabled ? "" : "!");
        }
        return out;
    };
    EXPECT_EQ(marks(), "x--x---- ");  // the light is on for a model in space
    b.plot(orv::PlotMode::Contour, true);
    EXPECT_EQ(marks(), "-x-x---- ");
    b.plot(orv::PlotMode::Contour);
    s.commandToggleGrid(none);
    s.commandDynamicPan(none);
    s.setDialogOpen(orv::ModelessDialog::CutPlane, true);
    EXPECT_EQ(marks(), "--xxxx-x! ");
    EXPECT_FALSE(s.canClose());
    s.setDialogOpen(orv::ModelessDialog::CutPlane, false);
    s.setDialogOpen(orv::ModelessDialog::Animation, true);
    EXPECT_EQ(marks(), "--xxxx-- !");
    EXPECT_FALSE(s.canClose());
    s.setDialogOpen(orv::ModelessDialog::Animation, false);
    s.setDialogOpen(orv::ModelessDialog::CurveArray, true);
    EXPECT_FALSE(s.canClose());
    EXPECT_EQ(b.messages.texts(),
              (std::vector<std::string>{"Message: Please close cut plane dialog firstly!",
                                        "Message: Please close animation dialog firstly!",
                                        "Message: Please close curve array dialog firstly!"}));
}

// Each mode hands the drag from the press point to the camera; idle moves nothing.
TEST(MouseDrags, EachModeMovesTheCameraFromThePressPoint) {
    for (const MouseMode mode : {MouseMode::Idle, MouseMode::Rotate, MouseMode::Pan}) {
        SCOPED_TRACE(int(mode));
        SceneBench b(orvtest::unitCube({}));
        orv::Scene& s = b.scene;
        if (mode == MouseMode::Rotate) s.commandDynamicRotation(none);
        if (mode == MouseMode::Pan) s.commandDynamicPan(none);
        orv::Camera expected = s.camera();
        s.mousePress(100, 100);
        EXPECT_EQ(s.mouseDrag(160, 100), mode != MouseMode::Idle);
        EXPECT_EQ(s.mouseDrag(100, 170), mode != MouseMode::Idle);
        EXPECT_EQ(s.mouseRelease(100, 170), mode != MouseMode::Idle);
        if (mode != MouseMode::Idle) {
            const auto kind = mode == MouseMode::Pan ? orv::DragKind::Pan : orv::DragKind::Rotate;
            expected.drag(kind, 100, 100, 160, 100);
            expected.drag(kind, 100, 100, 100, 170);
        }
        EXPECT_EQ(s.camera().angles, expected.angles);
        EXPECT_EQ(s.camera().translation, expected.translation);
    }
}

// The wheel zooms by the Zoom up/down step with the point under the cursor kept there, down to
// the scale's floor; middle and right drags pan and rotate from their press point whatever the
// left button's mode, holding an animation's step; nothing moves without a model or while busy.
TEST(MouseNavigation, WheelZoomsAboutTheCursorOtherButtonsPanAndRotateInAnyMode) {
    const struct {
        int x, y, notches;
    } wheel[] = {{100, 80, 1}, {300, 250, -3}, {20, 290, 2}, {200, 10, -50}};
    for (const auto& c : wheel) {
        SCOPED_TRACE(c.notches);
        SceneBench b(orvtest::planeSquare({0, 1, 2, 3}));  // unturned: a model point is x, y
        orv::Scene& s = b.scene;
        orv::Camera expected = s.camera();
        for (int i = 0; i < std::abs(c.notches); ++i)
            c.notches > 0 ? expected.zoomUp() : expected.zoomDown();
        const auto at = s.camera().screenToModel(float(c.x), float(c.y));
        EXPECT_TRUE(s.commandWheelZoom(c.x, c.y, c.notches));
        EXPECT_EQ(s.camera().scale, expected.scale);
        const auto shown = s.camera().modelToScreen({at[0], at[1], 0});
        EXPECT_NEAR(shown[0], float(c.x), 1e-2f);
        EXPECT_NEAR(shown[1], float(c.y), 1e-2f);
        EXPECT_EQ(s.commandWheelZoom(c.x, c.y, -1), s.camera().scale > orv::Camera::kMinScale);
    }
    for (const MouseMode mode :
         {MouseMode::Idle, MouseMode::Rotate, MouseMode::ZoomBox, MouseMode::Pick}) {
        for (const orv::DragKind kind : {orv::DragKind::Pan, orv::DragKind::Rotate}) {
            SCOPED_TRACE(int(mode) * 10 + int(kind));
            SceneBench b(orvtest::unitCube({}));
            orv::Scene& s = b.scene;
            ASSERT_TRUE(s.startAnimation(3, 1.0, orv::AnimationMethod::ForwardOnly));
            if (mode == MouseMode::Rotate) s.commandDynamicRotation(none);
            if (mode == MouseMode::ZoomBox) s.commandZoomBox(none);
            if (mode == MouseMode::Pick) s.setPickMode(mode);
            orv::Camera expected = s.camera();
            expected.drag(kind, 100, 100, 160, 100);
            expected.drag(kind, 100, 100, 100, 170);
            s.otherButtonPress(kind, 100, 100);
            EXPECT_TRUE(s.otherButtonDrag(160, 100));
            s.advanceStep();  // held by the drag
            EXPECT_TRUE(s.otherButtonDrag(100, 170));
            EXPECT_TRUE(s.otherButtonRelease());
            s.advanceStep();
            EXPECT_EQ(s.settings().shown.step, 1);
            EXPECT_EQ(s.mouseMode(), mode);
            EXPECT_EQ(s.camera().angles, expected.angles);
            EXPECT_EQ(s.camera().translation, expected.translation);
        }
    }
    SceneBench b(orvtest::unitCube({}));
    orvtest::RecordingMessages quiet;
    orv::Scene empty(quiet);
    empty.resize(400, 300);
    const orv::Scene::BusyHold hold(b.scene);
    for (orv::Scene* s : {&empty, &b.scene}) {
        const orv::Camera before = s->camera();
        s->otherButtonPress(orv::DragKind::Pan, 100, 100);
        EXPECT_FALSE(s->otherButtonDrag(150, 150) || s->otherButtonRelease() ||
                     s->commandWheelZoom(100, 100, 1));
        EXPECT_TRUE(s->camera().scale == before.scale &&
                    s->camera().translation == before.translation);
    }
    EXPECT_TRUE(quiet.texts().empty() && b.messages.texts().empty());
}

// A box drawn either way zooms alike and the mode goes back to the one before; a click, a
// tiny box or a lost drag do not zoom.
TEST(ZoomBox, ZoomsAlikeDrawnEitherWayAndNotForAClickATinyBoxOrALostDrag) {
    const struct {
        int x1, y1, x2, y2;
        bool lost, zooms;
    } cases[] = {{100, 80, 180, 140, false, true},   {180, 140, 100, 80, false, true},
                 {180, 80, 100, 140, false, true},   {200, 150, 200, 150, false, false},
                 {200, 150, 202, 152, false, false}, {200, 150, 300, 250, true, false}};
    orv::Camera zoomed;  // by the first box
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        SceneBench b(orvtest::planeSquare({0, 1, 2, 3}), 400, 300);
        orv::Scene& s = b.scene;
        b.draw();  // the overlay sets the drawing frame
        const orv::Camera before = s.camera();
        s.commandDynamicRotation(none);
        s.commandZoomBox(none);
        s.mousePress(c.x1, c.y1);
        if (c.x2 != c.x1) s.mouseDrag(c.x2, c.y2);
        EXPECT_TRUE(s.zoomBoxVisible());
        if (c.lost) {
            s.cancelDrag();
        } else {
            EXPECT_TRUE(s.mouseRelease(c.x2, c.y2));
        }
        EXPECT_EQ(s.mouseMode(), MouseMode::Rotate);
        EXPECT_FALSE(s.zoomBoxVisible());
        if (&c == cases) zoomed = s.camera();
        const orv::Camera& expected = c.zooms ? zoomed : before;
        EXPECT_NEAR(s.camera().scale, expected.scale, 1e-4);
        EXPECT_TRUE(orvtest::near3(s.camera().translation, expected.translation, 1e-4f));
    }
    EXPECT_GT(zoomed.scale, 1.0f);
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
    std::string steps;
    for (const auto move :
         {orv::StepMove::Next, orv::StepMove::Next, orv::StepMove::First, orv::StepMove::Last}) {
        s.commandStep(move, none);
        steps += std::to_string(s.settings().shown.step);
    }
    EXPECT_EQ(steps, "1101");
    // A transient result's steps are its own: no display steps, no modes.
    EXPECT_FALSE(s.commandSetFrames(5));
    EXPECT_FALSE(s.commandChooseMode(0));
    EXPECT_FALSE(s.commandSetMagnification(1e300));
    EXPECT_FALSE(s.commandSetContour(21, false, {}));
    EXPECT_FALSE(s.commandSetContour(5, false, {true, INFINITY, 0}));
    EXPECT_FALSE(s.commandSetViewAngles(1e300, 0, 0, none));
    EXPECT_FALSE(s.startAnimation(4, NAN, orv::AnimationMethod::ForwardOnly));
    const std::string kNumber = "Message: Please enter a number.";
    EXPECT_EQ(
        b.messages.texts(),
        (std::vector<std::string>{"Message: Display steps are only for a single step or modes!",
                                  "Message: It is not a mode file!", kNumber,
                                  "Message: The division number is limited in the range 2 -- 20!",
                                  kNumber, kNumber, kNumber}));
    EXPECT_FLOAT_EQ(s.settings().magnification, 1.0f);
}

}  // namespace

// The curve data change only after a table is written and read back; an open drops the source
// of a computed line; the chart loads its own projection and the camera's comes back after it.
TEST(Curves, ComputedTablesDefinitionChartAndExport) {
    orv::FeModel m = orvtest::buildModel(2, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                                         {{1, 24, {1, 2, 3, 4}, 3}});
    orvtest::addResults(m, {"T"}, {0.5f, 1.0f, 2.0f},
                        [](int32_t k, int32_t i, int32_t) { return float(10 * k + i); });
    SceneBench b(m);
    orv::Scene& s = b.scene;
    const std::string dir = ::testing::TempDir(), cdb = dir + "scene_curve.cdb";
    EXPECT_TRUE(s.commandComputeCurve(orv::CurveKind::TimeHistory, {1, 3}, cdb));
    EXPECT_EQ(s.curveData().table.rowCount, 3);
    EXPECT_EQ(s.curveData().table.names, (std::vector<std::string>{"Time", "1_T", "3_T"}));
    EXPECT_FALSE(s.commandComputeCurve(orv::CurveKind::TimeHistory, {5}, cdb));
    EXPECT_FALSE(s.commandComputeCurve(orv::CurveKind::LineDistribution, {2, 2}, cdb));
    EXPECT_FALSE(s.commandComputeCurve(orv::CurveKind::TimeHistory, {1}, dir));
    EXPECT_EQ(s.curveData().table.columnCount(), 3);  // the refusals left the table as it was
    EXPECT_EQ(b.messages.texts().size(), 3u);

    EXPECT_TRUE(s.commandDefineCurve("T", 0, {2}));
    EXPECT_TRUE(s.curvePlotShown());
    EXPECT_FALSE(s.commandWheelZoom(100, 100, 1));  // the chart does not move
    orv::RecordingGl gl;
    s.drawFrame(gl);
    EXPECT_EQ(gl.orthoBox, (std::array<double, 6>{0, 100, 0, 100, -1, 1}));
    EXPECT_TRUE(s.commandPlotCurve());
    EXPECT_FALSE(s.curvePlotShown());
    orv::RecordingGl modelGl;
    s.drawFrame(modelGl);
    EXPECT_NE(modelGl.orthoBox, gl.orthoBox);
    EXPECT_FALSE(s.commandExportCurve(cdb));
    EXPECT_TRUE(s.commandExportCurve(dir + "scene_curve.xls"));

    s.setDialogOpen(orv::ModelessDialog::Animation, true);  // defined, but not shown
    EXPECT_TRUE(s.commandDefineCurve("T", 0, {1, 2}));
    EXPECT_FALSE(s.curvePlotShown());
    s.setDialogOpen(orv::ModelessDialog::Animation, false);
    EXPECT_TRUE(s.commandComputeCurve(orv::CurveKind::LineDistribution, {1, 3, 4}, cdb));
    EXPECT_EQ(s.curveData().nodes, (std::vector<int32_t>{1, 3}));
    EXPECT_TRUE(s.commandRecomputeLine(1));
    s.takeModel(m);
    EXPECT_FALSE(s.curveData().lineSource());
    EXPECT_FALSE(s.commandRecomputeLine(0));
    EXPECT_EQ(s.curveData().table.rowCount, 40);
}
