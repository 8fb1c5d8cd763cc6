// The animation on the scene without a window: the display steps each kind of result walks,
// forward only and forward and back, after the display steps were lowered, and the contour
// limits of the shown step; then the batch tool's animate, read back with giflib.
#include <gif_lib.h>
#include <sys/wait.h>

#include <memory>

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

// The batch tool in a scratch folder holding the transient and single-step squares, under a
// fixed clock so that frames of one step are alike.
class Animate : public ::testing::Test {
  protected:
    void SetUp() override {
        orvtest::writeFile(model(Kind::Transient), dir_.file("steps.asc"));
        orvtest::writeFile(model(Kind::Single), dir_.file("single.asc"));
    }
    // Runs the tool with the arguments, in the scratch folder; stderr kept in err.
    int run(const std::string& arguments, const std::string& shellPrefix = "") {
        const std::string command = "cd " + dir_.file("") + " && " + shellPrefix +
                                    "SOURCE_DATE_EPOCH=1700000000 \"" ORVANTA_BATCH "\" " +
                                    arguments + " </dev/null >/dev/null 2>.err";
        const int status = std::system(command.c_str());
        err = orvtest::readBytes(dir_.file(".err"));
        std::filesystem::remove(dir_.file(".err"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    orvtest::TempDir dir_;
    std::string err;
};

using Gif = std::unique_ptr<GifFileType, void (*)(GifFileType*)>;

Gif readGif(const std::string& path) {
    int error = 0;
    Gif gif(DGifOpenFileName(path.c_str(), &error), [](GifFileType* g) {
        if (g) DGifCloseFile(g, nullptr);
    });
    if (gif && DGifSlurp(gif.get()) != GIF_OK) gif.reset();
    return gif;
}

// The picture after frame `last`, each frame drawn over the ones before, as RGB.
std::vector<uint8_t> composed(const GifFileType* gif, int last) {
    std::vector<uint8_t> canvas(size_t(gif->SWidth) * size_t(gif->SHeight) * 3);
    for (int i = 0; i <= last; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        const GifImageDesc& d = image.ImageDesc;
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        for (int y = 0; y < d.Height; ++y)
            for (int x = 0; x < d.Width; ++x) {
                const GifColorType c = map->Colors[image.RasterBits[y * d.Width + x]];
                uint8_t* p =
                    &canvas[(size_t(d.Top + y) * size_t(gif->SWidth) + size_t(d.Left + x)) * 3];
                p[0] = c.Red, p[1] = c.Green, p[2] = c.Blue;
            }
    }
    return canvas;
}

// The pixels of a 24-bit bitmap as RGB rows top-down.
std::vector<uint8_t> bitmapPixels(const std::string& bytes, int width, int height) {
    std::vector<uint8_t> rgb;
    const size_t row = (size_t(width) * 3 + 3) / 4 * 4;
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x)
            for (int c = 2; c >= 0; --c)
                rgb.push_back(uint8_t(bytes.at(54 + size_t(y) * row + size_t(3 * x + c))));
    return rgb;
}

// One round of each kind of file, its frame delay from the speed, played round and round:
// after each frame the GIF shows what render draws of that display step.
TEST_F(Animate, WritesOneRoundOfEachKindOfFileAsAGif) {
    const std::string modes = ORVANTA_EXAMPLES_DIR "/cantilever_modes.mdf --mode 2";
    struct Case {
        std::string file, animate, render;  // render: the options that give the same steps
        std::vector<int> steps;             // the display step of each frame, from 1
        int delay;
    } cases[] = {
        {"steps.asc", "--method forward-back --speed 95", "", {1, 2, 3, 4, 3, 2}, 5},
        {"steps.asc", "", "", {1, 2, 3, 4}, 2},
        {"single.asc",
         "--frames 3 --method forward-back --speed 1",
         "--frames 3",
         {1, 2, 3, 2},
         99},
        {"single.asc", "--speed 50", "--frames 10", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 50},
        {modes, "--frames 4 --method forward-back", "--frames 4", {1, 2, 3, 4, 3, 2}, 2},
    };
    const std::string common = " --size 160x120 --plot contour ";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " " + c.animate);
        for (int k = 1; k <= 10; ++k)  // the pictures of the case before
            std::filesystem::remove(dir_.file("step" + std::to_string(k) + ".bmp"));
        ASSERT_EQ(run("animate " + c.file + common + c.animate + " -o out.gif"), 0) << err;
        const Gif gif = readGif(dir_.file("out.gif"));
        ASSERT_TRUE(gif);
        EXPECT_EQ(std::string((const char*)gif->SavedImages[0].ExtensionBlocks[0].Bytes, 11) +
                      std::to_string(gif->SWidth) + "x" + std::to_string(gif->SHeight),
                  "NETSCAPE2.0160x120");
        ASSERT_EQ(gif->ImageCount, int(c.steps.size()));
        for (int i = 0; i < gif->ImageCount; ++i) {
            GraphicsControlBlock control;
            ASSERT_EQ(DGifSavedExtensionToGCB(gif.get(), i, &control), GIF_OK);
            EXPECT_EQ(control.DelayTime, c.delay);
            const std::string bmp = "step" + std::to_string(c.steps[size_t(i)]) + ".bmp";
            if (!std::filesystem::exists(dir_.file(bmp))) {
                ASSERT_EQ(run("render " + c.file + common + c.render + " --step " +
                              std::to_string(c.steps[size_t(i)]) + " -o " + bmp),
                          0);
            }
            EXPECT_TRUE(composed(gif.get(), i) ==
                        bitmapPixels(orvtest::readBytes(dir_.file(bmp)), 160, 120))
                << "frame " << i;
        }
    }
    // Into a folder: numbered PNG images, the way back alike to the way there.
    ASSERT_EQ(
        run("animate steps.asc -o frames --method forward-back --size 160x120 --plot contour"), 0)
        << err;
    const auto frame = [&](int k) {
        return orvtest::readBytes(dir_.file("frames/frame_000" + std::to_string(k) + ".png"));
    };
    EXPECT_TRUE(frame(2) == frame(6) && frame(3) == frame(5) && frame(2) != frame(3));
    EXPECT_FALSE(std::filesystem::exists(dir_.file("frames/frame_0007.png")));
}

// Usage errors are one line and a hint; a colours file is read as the settings hold it, and
// a refused one, or a GIF cut short by the file size limit, leaves the old file alone.
TEST_F(Animate, RefusesWithOneLineAndKeepsTheOldFile) {
    const std::string hint = "\nTry 'orvanta-batch animate --help' for the options.\n";
    const std::pair<std::string, std::string> usage[] = {
        {"steps.asc -o out.png", "the output is a .gif file or a folder for PNG frames: out.png"},
        {"single.asc -o out.gif --frames 1",
         "--frames 1: an animation takes 2 to 100000 display "
         "steps"},
        {"steps.asc -o out.gif --speed 101", "--speed 101: takes a whole number from 1 to 100"},
        {"steps.asc -o out.gif --method back", "--method back: takes forward or forward-back"},
        {"single.asc -o out.gif --step 11", "--step 11: the file has display steps 1 to 10"},
        {"-o out.gif", "animate needs a file"},
    };
    for (const auto& [arguments, line] : usage) {
        EXPECT_EQ(run("animate " + arguments), 2) << arguments;
        EXPECT_EQ(err, "orvanta-batch animate: " + line + hint);
    }
    orvtest::writeBytes(dir_.file("out.gif"), "old");
    orvtest::writeBytes(dir_.file("bad.ini"), "[Color]\nFrameBkg=0 0 300\n");
    EXPECT_EQ(run("animate steps.asc -o out.gif --colors bad.ini"), 1);
    EXPECT_EQ(err,
              "orvanta-batch: bad.ini line 2: \"FrameBkg=0 0 300\" is not NAME=R G B with a "
              "NAME of FrameBkg, NodeNb, ElemNb, LabelBkg, LabelFont, TitleFont or AxisColor "
              "and R, G, B from 0 to 255\n");
    EXPECT_EQ(run("animate steps.asc -o out.gif --size 640x480", "ulimit -f 8; "), 1);
    EXPECT_EQ(orvtest::readBytes(dir_.file("out.gif")), "old");
    EXPECT_EQ(dir_.entries(),
              (std::vector<std::string>{"bad.ini", "out.gif", "single.asc", "steps.asc"}));
    // The background of every frame, render's picture too, from the colours file.
    orvtest::writeBytes(dir_.file("colours.ini"),
                        "; saved\n[Settings]\nFrameBkg=1 1 1\n[Color]\nFrameBkg=10, 200, 30\n");
    ASSERT_EQ(run("animate steps.asc -o out.gif --size 32x24 --colors colours.ini"), 0) << err;
    ASSERT_EQ(run("render steps.asc -o out.bmp --size 32x24 --colors colours.ini"), 0) << err;
    const Gif gif = readGif(dir_.file("out.gif"));
    ASSERT_TRUE(gif);
    const std::vector<uint8_t> last = composed(gif.get(), 3);
    EXPECT_EQ(std::vector<uint8_t>(last.begin(), last.begin() + 3),
              (std::vector<uint8_t>{10, 200, 30}));
    EXPECT_EQ(bitmapPixels(orvtest::readBytes(dir_.file("out.bmp")), 32, 24)[0], 10);
}

}  // namespace
