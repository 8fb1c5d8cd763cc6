// The animation on the scene without a window: the display steps each kind of result walks,
// forward only and forward and back, after the display steps were lowered, held by a drag,
// and the contour limits of the shown step; then the batch tool's animate, read back.
#include <gif_lib.h>
#include <sys/wait.h>

#include "render_support.h"

#ifndef ORVANTA_BATCH
#error "ORVANTA_BATCH must name the orvanta-batch executable"
#endif

namespace {

using M = orv::AnimationMethod;
using orvtest::SceneBench;

enum class Kind { Transient, Single, Modes };

// A unit square with "T" at its nodes: four steps (transient), one step, or two modes.
// Step or mode k holds (k + 1) x {-2, 1, 4, 0}; mode 1 is also turned upside down.
orv::FeModel model(Kind kind) {
    const std::vector<float> steps(kind == Kind::Transient ? 4 : kind == Kind::Modes ? 2 : 1, 1);
    orv::FeModel m = orvtest::planeSquare({0, 0, 0, 0});
    orvtest::addResults(m, {"T"}, steps, [&](int32_t k, int32_t i, int32_t) {
        const float v[4] = {-2, 1, 4, 0};
        return float(k + 1) * (kind == Kind::Modes && k == 1 ? -v[i] : v[i]);
    });
    m.modalResults = kind == Kind::Modes;
    return m;
}

// The display steps shown by `ticks` timer ticks.
std::vector<int> walk(orv::Scene& s, int ticks) {
    std::vector<int> shown;
    for (int i = 0; i < ticks; ++i) {
        shown.push_back(s.settings().shown.step);
        s.advanceStep();
    }
    return shown;
}

TEST(Animation, OneRoundOfEachKindOfResultAndLoweredDisplaySteps) {
    struct Case {
        Kind kind;
        int before;  // display steps first played and walked to their last frame, 0 for none
        int steps;
        M method;
        std::vector<int> round;  // the frames of one round; the next round starts alike
    } cases[] = {
        {Kind::Transient, 0, 99, M::ForwardOnly, {0, 1, 2, 3}},
        {Kind::Transient, 0, 99, M::ForwardAndBack, {0, 1, 2, 3, 2, 1}},
        {Kind::Single, 0, 5, M::ForwardOnly, {0, 1, 2, 3, 4}},
        {Kind::Single, 0, 2, M::ForwardAndBack, {0, 1}},
        {Kind::Modes, 0, 4, M::ForwardAndBack, {0, 1, 2, 3, 2, 1}},
        // Lowered while paused at a higher frame: played from the new last frame, never
        // beyond it.
        {Kind::Single, 10, 4, M::ForwardAndBack, {3, 2, 1, 0, 1, 2}},
        {Kind::Modes, 8, 3, M::ForwardOnly, {2, 0, 1}},
    };
    for (const Case& c : cases) {
        SceneBench b(model(c.kind));
        orv::Scene& s = b.scene;
        SCOPED_TRACE(testing::Message() << int(c.kind) << " " << c.before << " " << c.steps);
        if (c.before) {
            ASSERT_TRUE(s.startAnimation(c.before, 1.0, c.method));
            walk(s, c.before - 1);
            s.holdAnimation();
        }
        ASSERT_TRUE(s.startAnimation(c.steps, 1.0, c.method));
        EXPECT_EQ(s.animationRoundLength(), int(c.round.size()));
        EXPECT_EQ(walk(s, int(c.round.size())), c.round);
        EXPECT_EQ(walk(s, int(c.round.size())), c.round);
    }
}

// Step MaxMin: a transient step's own limits; a mode's limits grown with the frame as its
// values are; a frame of a single step takes the limits of all steps. Without it a mode
// file is drawn within the limits of all its modes.
TEST(Animation, StepMaxMinTakesTheLimitsOfWhatIsShown) {
    struct Case {
        Kind kind;
        int mode;   // -1: Step MaxMin off
        int ticks;  // after playing 4 display steps; -1: Last step instead
        float max, min;
    } cases[] = {
        {Kind::Transient, 0, 0, 4, -2},   {Kind::Transient, 0, 2, 12, -6},
        {Kind::Transient, 0, -1, 16, -8}, {Kind::Modes, 0, 0, 1, -0.5f},
        {Kind::Modes, 0, 1, 2, -1},       {Kind::Modes, 1, 2, 3, -6},
        {Kind::Modes, 1, -1, 4, -8},      {Kind::Single, 0, 2, 4, -2},
        {Kind::Single, 0, -1, 4, -2},     {Kind::Modes, -1, 1, 4, -8},
    };
    for (const Case& c : cases) {
        SceneBench b(model(c.kind));
        orv::Scene& s = b.scene;
        SCOPED_TRACE(testing::Message() << int(c.kind) << " " << c.mode << " " << c.ticks);
        ASSERT_TRUE(c.mode < 0 || s.commandToggleStepMaxMin(b.none));
        ASSERT_TRUE(c.mode < 0 || c.kind != Kind::Modes || s.commandChooseMode(c.mode));
        ASSERT_TRUE(s.startAnimation(4, 1.0, M::ForwardOnly));
        if (c.ticks < 0) {
            ASSERT_TRUE(s.commandStep(orv::StepMove::Last, b.none));  // the dialog stays open
        } else {
            walk(s, c.ticks);
            b.draw();
        }
        EXPECT_FLOAT_EQ(s.bands().maxValue, c.max);
        EXPECT_FLOAT_EQ(s.bands().minValue, c.min);
    }
}

TEST(Animation, ADragHoldsTheStepAndStoppingLeavesTheFullDeformation) {
    SceneBench b(orvtest::planeSquare({0, 1, 2, 3}, {"UX", "UY"}));
    orv::Scene& s = b.scene;
    ASSERT_TRUE(s.startAnimation(10, 2.5, M::ForwardOnly));
    s.commandDynamicRotation(b.none);
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

// The batch tool's animate in a scratch folder: its status.
int animate(const orvtest::TempDir& dir, const std::string& arguments, const char* prefix = "") {
    const std::string command = "cd " + dir.file("") + " && " + prefix +
                                "\"" ORVANTA_BATCH "\" animate " + arguments +
                                " </dev/null >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One round forward and back, looped, its delay from the speed (51 ms at 95, in hundredths);
// a GIF cut short by the file size limit leaves the old file alone.
TEST(Animate, WritesOneRoundAsALoopedGifAndAFailedWriteKeepsTheOldFile) {
    orvtest::TempDir dir;
    orvtest::writeFile(model(Kind::Transient), dir.file("steps.asc"));
    ASSERT_EQ(animate(dir, "steps.asc -o out.gif --size 160x120 --method forward-back --speed 95"),
              0);
    int error = 0;
    GifFileType* gif = DGifOpenFileName(dir.file("out.gif").c_str(), &error);
    ASSERT_TRUE(gif && DGifSlurp(gif) == GIF_OK);
    EXPECT_EQ(std::string((const char*)gif->SavedImages[0].ExtensionBlocks[0].Bytes, 11),
              "NETSCAPE2.0");
    std::vector<int> delays;
    for (int i = 0; i < gif->ImageCount; ++i) {
        GraphicsControlBlock control{};
        EXPECT_EQ(DGifSavedExtensionToGCB(gif, i, &control), GIF_OK);
        delays.push_back(control.DelayTime);
    }
    EXPECT_EQ(delays, std::vector<int>(6, 5));  // steps 1, 2, 3, 4, 3, 2
    DGifCloseFile(gif, nullptr);
    orvtest::writeBytes(dir.file("out.gif"), "old");
    EXPECT_EQ(animate(dir, "steps.asc -o out.gif --size 640x480", "ulimit -f 8; "), 1);
    EXPECT_EQ(orvtest::readBytes(dir.file("out.gif")), "old");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"out.gif", "steps.asc"}));
}

}  // namespace
