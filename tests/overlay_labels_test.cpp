// Text in the frame: element labels, node numbers and picked nodes over the model, the
// title block and legend of the overlay with their positions, the axis triad, and the bands
// the legend shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "render_support.h"

namespace {

using orv::Font;
using orv::PlotMode;
using orv::RecordingGl;
using orvtest::near3;
using orvtest::SceneBench;
using Text = orv::RecordingGl::Text;
namespace gl = orv::gl;

std::optional<Text> findText(const RecordingGl& gl, const std::string& text) {
    for (const Text& t : gl.texts)
        if (t.text == text) return t;
    return std::nullopt;
}

// The overlay's reference values for the camera's loaded box.
struct Layout {
    float B, T, d, xt;
    explicit Layout(const orv::Camera& c) {
        const float W = c.loaded.right - c.loaded.left, H = c.loaded.top - c.loaded.bottom;
        const float L = c.loaded.left + 0.01f * W, Xp = c.loaded.left + 0.8f * W;
        B = c.loaded.bottom + 0.01f * W;
        T = c.loaded.bottom + 0.95f * H;
        d = 0.02f * (Xp - L);
        xt = Xp + 1.5f * d;
    }
};

TEST(ElementLabels, SolidsAtTheCentreInMeshModeAndOnEveryVisibleFaceAfterAFill) {
    SceneBench bench(orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}));
    bench.scene.model.elements[0].number = 77;
    bench.scene.settings.numberingKind = 2;
    bench.plot(PlotMode::Mesh);
    RecordingGl gl = bench.draw();
    std::vector<Text> labels;
    for (const Text& t : gl.texts)
        if (t.text == "77") labels.push_back(t);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_TRUE(near3(labels[0].position, {0, 0, 0}));
    EXPECT_TRUE(near3(labels[0].color, {1, 1, 0}));
    EXPECT_EQ(labels[0].listBase, bench.scene.fonts.base(Font::Arial14) - 32);

    // After a lit contour: three visible faces, each labelled at its centre, unlit.
    bench.plot(PlotMode::Contour);
    gl = bench.draw();
    labels.clear();
    for (const Text& t : gl.texts)
        if (t.text == "77") labels.push_back(t);
    ASSERT_EQ(labels.size(), 3u);
    for (const Text& t : labels) {
        EXPECT_FALSE(t.lighting);
        const float largest = std::max(
            {std::fabs(t.position[0]), std::fabs(t.position[1]), std::fabs(t.position[2])});
        EXPECT_FLOAT_EQ(largest, 0.5f);  // the middle of a face of the unit cube
    }

    // Type and material numbers.
    bench.scene.settings.numberingKind = 1;
    EXPECT_TRUE(findText(bench.draw(), "38"));
    bench.scene.settings.numberingKind = 0;
    bench.plot(PlotMode::Mesh);
    EXPECT_TRUE(findText(bench.draw(), "2"));
}

TEST(NodeMarks, NumbersAndPickedNodesAtTheirDeformedPositions) {
    orv::FeModel m = orvtest::buildModel(2, {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}},
                                         {{1, 24, {1, 2, 3, 4}}});
    orvtest::addResults(m, {"UX", "UY"}, {1.0f},
                        [](int32_t, int32_t i, int32_t d) { return d == 1 ? float(i) : 0.0f; });
    SceneBench bench(std::move(m));
    bench.scene.settings.magnification = 0.5f;
    bench.scene.settings.nodeNumbers = 1;
    bench.scene.picked = {1, 2, 3};
    bench.scene.settings.showPickedPoints = 2;
    const RecordingGl gl = bench.draw();

    const auto three = findText(gl, "3");
    ASSERT_TRUE(three);
    EXPECT_TRUE(near3(three->position, {1, 1 + 0.5f * 2, 0}));  // node 3 moved up by 2 x 0.5
    EXPECT_TRUE(near3(three->color, {1, 1, 1}));
    EXPECT_EQ(three->listBase, bench.scene.fonts.base(Font::Arial12) - 32);

    const auto points = bench.modelPrimitives(gl, gl::Points);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].vertices.size(), 3u);
    EXPECT_EQ(points[0].pointSize, 7.0f);
    EXPECT_TRUE(near3(points[0].vertices[0].color, {1, 0, 0}));
    // Joined in pairs: 1-2; the third has no partner.
    const auto lines = bench.modelPrimitives(gl, gl::Lines);
    ASSERT_FALSE(lines.empty());
    const auto& joined = lines.back();
    EXPECT_EQ(joined.vertices.size(), 2u);
    EXPECT_EQ(joined.lineWidth, 2.0f);
    EXPECT_TRUE(near3(joined.vertices[0].color, {1, 0, 1}));

    // While dragging with numbers on, only the outline is drawn.
    bench.scene.interactiveDrag = 1;
    const RecordingGl dragged = bench.draw();
    EXPECT_FALSE(findText(dragged, "3"));
    EXPECT_TRUE(bench.modelPrimitives(dragged, gl::Points).empty());
    EXPECT_FALSE(bench.modelPrimitives(dragged, gl::Lines).empty());
}

TEST(TitleBlock, PlotKindTexts) {
    const struct {
        PlotMode mode;
        std::string name;
        int item;
        std::string text;
    } cases[] = {
        {PlotMode::Contour, "SX", 0, "Nodal Solution"},
        {PlotMode::Contour, "SHEAR", 0, "Element Solution"},
        {PlotMode::Contour, "MOMENT", 0, "Element Solution"},
        {PlotMode::Contour, "SHEARX", 0, "Nodal Solution"},
        {PlotMode::Contour, "shear", 0, "Nodal Solution"},
        {PlotMode::IsoLine, "SX", 0, "Isoline"},
        {PlotMode::Mesh, "SX", 0, "Plot mesh"},
        {PlotMode::Partition, "SX", 0, "Plot partition"},
        {PlotMode::Material, "SX", 0, "Plot material"},
        {PlotMode::Node, "SX", 0, "Plot node"},
        {PlotMode::Vector, "UX", 1, "Displacement vector"},
        {PlotMode::Vector, "UX", 2, "Velocity vector"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.text + " for " + k.name);
        SceneBench bench(orvtest::planeSquare({0, 1, 2, 3}, {k.name, "B", "C"}));
        bench.scene.plotItem = k.item;
        bench.scene.settings.plotMode = k.mode;
        const RecordingGl gl = bench.draw();
        const auto t = findText(gl, k.text);
        ASSERT_TRUE(t);
        const Layout f(bench.scene.camera);
        EXPECT_FLOAT_EQ(t->position[0], f.xt);
        EXPECT_FLOAT_EQ(t->position[1], f.T - 6.5f * f.d);
        // The title block is there in every mode.
        EXPECT_TRUE(findText(gl, "Orvanta Ver 3.00"));
        EXPECT_TRUE(findText(gl, "test model"));
    }
    SceneBench cube(orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}));
    cube.plot(PlotMode::IsoSurface);
    EXPECT_TRUE(findText(cube.draw(), "IsoSurface"));
}

TEST(TitleBlock, StepLinesAndNumbering) {
    orv::FeModel m = orvtest::planeSquare({0, 1, 2, 3});
    orvtest::addResults(m, {"T"}, {0.5f, 1.5f, 12.5f},
                        [](int32_t k, int32_t i, int32_t) { return float(k * 10 + i); });
    SceneBench bench(std::move(m));
    bench.scene.settings.currentStep = 2;
    RecordingGl gl = bench.draw();
    EXPECT_TRUE(findText(gl, "Step: 3"));
    EXPECT_TRUE(findText(gl, "Time 3: 12.500000"));
    EXPECT_TRUE(findText(gl, "Total disp. step: 3"));

    // A mode file shows the chosen mode's frequency.
    bench.scene.model.modalResults = true;
    bench.scene.model.chosenMode = 2;
    bench.scene.settings.currentStep = 0;
    gl = bench.draw();
    EXPECT_TRUE(findText(gl, "Freq. 3: 12.500000"));

    // Without element numbering the node-number line follows the time line.
    const Layout f(bench.scene.camera);
    bench.scene.settings.nodeNumbers = 1;
    gl = bench.draw();
    auto line = findText(gl, "Plot node number");
    ASSERT_TRUE(line);
    const float tolerance = 1e-5f * f.d;
    EXPECT_NEAR(line->position[1], f.T - 13.9f * f.d, tolerance);
    bench.scene.settings.numberingKind = 1;
    gl = bench.draw();
    ASSERT_TRUE(findText(gl, "Type number,"));
    EXPECT_NEAR(findText(gl, "Type number,")->position[1], f.T - 13.9f * f.d, tolerance);
    EXPECT_NEAR(findText(gl, "Plot node number")->position[1], f.T - 15.7f * f.d, tolerance);
}

TEST(TitleBlock, ASingleResultRampedOverStepsKeepsItsTime) {
    orv::FeModel m = orvtest::planeSquare({0, 1, 2, 3});
    m.results.stepValue[0] = 2.0f;
    m.frameCount = 5;
    SceneBench bench(std::move(m));
    bench.scene.settings.currentStep = 3;
    EXPECT_TRUE(findText(bench.draw(), "Time 4: 2.000000"));
}

// Values of one legend, bottom first.
std::vector<Text> legendValues(const RecordingGl& gl, const SceneBench& bench) {
    std::vector<Text> out;
    for (const Text& t : gl.texts)
        if (t.listBase == bench.scene.fonts.base(Font::Arial14) - 32) out.push_back(t);
    std::sort(out.begin(), out.end(),
              [](const Text& a, const Text& b) { return a.position[1] < b.position[1]; });
    return out;
}

TEST(Legend, ContourShowsEveryBoundaryWithTheMaximumAtTheBottom) {
    SceneBench bench(orvtest::planeSquare({-2, 0, 2, 6}));
    bench.plot(PlotMode::Contour);
    bench.scene.setDivisions(false, 4);
    bench.scene.computeBands();
    const RecordingGl gl = bench.draw();
    const Layout f(bench.scene.camera);

    const auto values = legendValues(gl, bench);
    ASSERT_EQ(values.size(), 5u);
    const char* expected[5] = {"  6.000e+000", "  4.000e+000", "  2.000e+000", "  0.000e+000",
                               " -2.000e+000"};
    for (size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(values[k].text, expected[k]);
        EXPECT_FLOAT_EQ(values[k].position[0], f.xt + 2.5f * f.d);
        EXPECT_NEAR(values[k].position[1], f.B + 0.7f * f.d + 1.15f * f.d * float(k), 1e-5f);
    }
    const auto name = findText(gl, "T");
    ASSERT_TRUE(name);
    EXPECT_NEAR(name->position[1], f.B + 2 * f.d + 1.15f * f.d * 4, 1e-5f);

    // Four boxes, the highest band at the bottom, each outlined in white.
    std::vector<orvtest::Primitive> boxes;
    for (const auto& p : gl.ofMode(gl::Polygon))
        if (std::fabs(p.vertices[0].position[0] - f.xt) < 1e-5f) boxes.push_back(p);
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_NEAR(boxes[0].vertices[0].position[1], f.B + f.d, 1e-5f);
    EXPECT_EQ(boxes[0].vertices[0].color, bench.scene.colours.bandColour(3));
    EXPECT_EQ(boxes[3].vertices[0].color, bench.scene.colours.bandColour(0));
    size_t outlines = 0;
    for (const auto& p : gl.ofMode(gl::LineLoop))
        outlines += std::fabs(p.vertices[0].position[0] - f.xt) < 1e-5f &&
                    p.vertices[0].color == std::array<float, 3>{1, 1, 1};
    EXPECT_EQ(outlines, 4u);
}

TEST(Legend, IsoLinesShowTheirValuesBesideTheBoxes) {
    SceneBench bench(orvtest::planeSquare({0, 1, 2, 5}));
    bench.plot(PlotMode::IsoLine);
    bench.scene.setDivisions(false, 4);
    bench.scene.computeBands();
    const RecordingGl gl = bench.draw();
    const Layout f(bench.scene.camera);
    const auto values = legendValues(gl, bench);
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[0].text, "  4.000e+000");  // the highest iso value at the bottom
    EXPECT_EQ(values[3].text, "  1.000e+000");
    for (size_t k = 0; k < 4; ++k)
        EXPECT_NEAR(values[k].position[1], f.B + 1.2f * f.d + 1.15f * f.d * float(k), 1e-5f);

    // Mesh mode draws no legend, vectors draw boxes without values.
    bench.plot(PlotMode::Mesh);
    EXPECT_TRUE(legendValues(bench.draw(), bench).empty());
}

TEST(AxisTriad, TurnsWithEveryAngle) {
    SceneBench bench(orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}));
    const orv::Camera& c = bench.scene.camera;
    bench.scene.camera.setAngles(0, 0, 0);
    bench.draw();
    const auto x0 = c.triadEnds[0], y0 = c.triadEnds[1];
    const float e = y0[1] - x0[1];
    ASSERT_GT(e, 0.0f);
    // A quarter turn about Z alone carries X onto Y.
    bench.scene.camera.setAngles(0, 0, 90);
    const RecordingGl gl = bench.draw();
    EXPECT_TRUE(near3(c.triadEnds[0], y0, 1e-4f * e));
    const auto letter = findText(gl, "y");
    ASSERT_TRUE(letter);
    EXPECT_EQ(letter->listBase, bench.scene.fonts.base(Font::Courier12Bold) - 32);
}

TEST(Fonts, BytesOutside32To127AreSkipped) {
    SceneBench bench(orvtest::planeSquare({0, 1, 2, 3}));
    RecordingGl gl;
    gl.rasterPos(1, 2, 3);
    bench.scene.fonts.draw(gl, Font::Courier14,
                           "A\x01"
                           "B\xc3\xa9"
                           "C\x7f");
    ASSERT_EQ(gl.texts.size(), 1u);
    EXPECT_EQ(gl.texts[0].text, "ABC\x7f");
    bench.scene.fonts.draw(gl, Font::Courier14, "");
    bench.scene.fonts.draw(gl, Font::Courier14, "\x05\x80");
    EXPECT_EQ(gl.texts.size(), 1u);
}

TEST(Bands, ModeFilesUseTheChosenModesLimits) {
    orv::FeModel m = orvtest::planeSquare({0, 1, 2, 3});
    orvtest::addResults(m, {"UX"}, {1.0f, 2.0f, 3.0f},
                        [](int32_t k, int32_t i, int32_t) { return float((k + 1) * (i + 1)); });
    m.modalResults = true;
    m.chosenMode = 1;
    m.frameCount = 20;
    SceneBench bench(std::move(m));
    bench.plot(PlotMode::Contour);
    bench.scene.settings.currentStep = 9;  // a display step far beyond the three modes
    bench.scene.commandToggleStepMaxMin();
    EXPECT_EQ(bench.scene.bands.maxValue, 8.0f);  // mode 2: 2 x 4
    EXPECT_EQ(bench.scene.bands.minValue, 2.0f);
    bench.scene.commandToggleStepMaxMin();
    EXPECT_EQ(bench.scene.bands.maxValue, 12.0f);  // over all modes
}

}  // namespace
