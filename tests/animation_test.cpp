// The animation on the scene without a window: the display steps each kind of result walks,
// forward only and forward and back, after the display steps were lowered, and the contour
// limits of the shown step; then the batch tool's animate, read back with giflib.
#include <gif_lib.h>
#include <sys/wait.h>

#include "render_support.h"

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
        const std::vector<int> twice = walk(s, 2 * int(c.round.size()));
        std::vector<int> expected = c.round;
        expected.insert(expected.end(), c.round.begin(), c.round.end());
        EXPECT_EQ(twice, expected);
    }
}

// Step MaxMin: a transient step's own limits; a mode's limits grown with the frame as its
// values are; a frame of a single step takes the limits of all steps.
TEST(Animation, StepMaxMinTakesTheLimitsOfWhatIsShown) {
    struct Case {
        Kind kind;
        int mode;
        int ticks;  // after playing 4 display steps; -1: Last step instead
        float max, min;
    } cases[] = {
        {Kind::Transient, 0, 0, 4, -2},   {Kind::Transient, 0, 2, 12, -6},
        {Kind::Transient, 0, -1, 16, -8}, {Kind::Modes, 0, 0, 1, -0.5f},
        {Kind::Modes, 0, 1, 2, -1},       {Kind::Modes, 1, 2, 3, -6},
        {Kind::Modes, 1, -1, 4, -8},      {Kind::Single, 0, 2, 4, -2},
        {Kind::Single, 0, -1, 4, -2},
    };
    for (const Case& c : cases) {
        SceneBench b(model(c.kind));
        orv::Scene& s = b.scene;
        SCOPED_TRACE(testing::Message() << int(c.kind) << " " << c.mode << " " << c.ticks);
        ASSERT_TRUE(s.commandToggleStepMaxMin(b.none));
        if (c.kind == Kind::Modes) {
            ASSERT_TRUE(s.commandChooseMode(c.mode));
        }
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
    // Without Step MaxMin a mode file is drawn within the limits of all its modes.
    SceneBench b(model(Kind::Modes));
    ASSERT_TRUE(b.scene.startAnimation(4, 1.0, M::ForwardOnly));
    walk(b.scene, 1);
    b.draw();
    EXPECT_FLOAT_EQ(b.scene.bands().maxValue, 4);
    EXPECT_FLOAT_EQ(b.scene.bands().minValue, -8);
}

}  // namespace
