// Text in the frame: element labels, node numbers and picked nodes over the model; the title
// block and legend of the overlay, compared whole with tests/golden/overlay.txt; the plot-kind
// line, the axis triad, the fonts, and the bands the legend shows.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <tuple>

#include "overlay.h"
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

unsigned listBase(SceneBench& b, Font font) {
    return b.scene.fonts().base(font) - 32;
}

// What the overlay draws, as text: the texts left of the panel (the job title, the triad's
// letters) as drawn, then the panel's texts from the top down, each with its font and colour
// item; then the panel's polygons and loops from the bottom up with their colour (a band, a
// colour item or the values). Where exactly they stand is the layout's own concern.
std::string overlayItems(SceneBench& b, const RecordingGl& gl) {
    static const char* const kFonts[orv::kFontCount] = {
        "Arial12", "Arial14",     "Courier12Bold", "Courier14",  "Courier14Bold",
        "Arial16", "Times16Bold", "Times18Bold",   "Times20Bold"};
    const orv::Camera& c = b.scene.camera();
    const float Xp = c.loaded.left + 0.8f * (c.loaded.right - c.loaded.left);
    const float overlayZ = -c.nearPlane();
    const auto colour = [&](const orv::Rgb& rgb) {
        for (const auto& [name, item] : orv::Scene::colourSettingNames())
            if (rgb == b.scene.userColours()[item]) return std::string(name);
        for (int k = 0; k < b.scene.bands().divisions; ++k)
            if (rgb == b.scene.colours().bandColour(k)) return "band " + std::to_string(k);
        char s[40];
        std::snprintf(s, sizeof s, "(%.2f %.2f %.2f)", rgb[0], rgb[1], rgb[2]);
        return std::string(s);
    };
    std::string out;
    std::vector<std::pair<float, std::string>> texts, shapes;  // panel items by height
    for (const Text& t : gl.texts) {
        if (t.position[2] < 0.5f * overlayZ) continue;  // over the model
        std::string font = "?";
        for (int k = 0; k < orv::kFontCount; ++k)
            if (t.listBase == listBase(b, Font(k))) font = kFonts[k];
        const std::string line = "text " + font + " " + colour(t.color) + " \"" + t.text + "\"\n";
        if (t.position[0] < Xp)
            out += line;
        else
            texts.push_back({-t.position[1], line});
    }
    for (const orvtest::Primitive& p : gl.primitives)
        if ((p.mode == gl::Polygon || p.mode == gl::LineLoop) && !p.vertices.empty() &&
            p.vertices[0].position[2] >= 0.5f * overlayZ)
            shapes.push_back(
                {p.vertices[0].position[1], (p.mode == gl::Polygon ? "polygon " : "loop ") +
                                                colour(p.vertices[0].color) + "\n"});
    for (auto* items : {&texts, &shapes}) {
        std::stable_sort(items->begin(), items->end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& item : *items)
            out += item.second;
    }
    return out;
}

// A frame of the bench under a fixed clock, in UTC, with a colour of its own for every colour
// item, described by overlayItems after a title line.
std::string overlayOf(SceneBench& b, const std::string& title) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    b.scene.setFixedClock(1700000000);  // 22:13:20 on 14 November 2023
    for (const auto& [name, item] : orv::Scene::colourSettingNames())
        b.scene.setColour(item, 20 + 30 * int(item), 10, 200);
    return "== " + title + "\n" + overlayItems(b, b.draw());
}

// A window wide enough for every line of the title block.
constexpr int kWidth = 960, kHeight = 720;

TEST(OverlayLabels, TitleBlockAndLegendOfEachKindOfFile) {
    std::string all;
    orv::FeModel transient = orvtest::planeSquare({0, 1, 2, 3});
    orvtest::addResults(transient, {"T"}, {0.5f, 1.5f, 12.5f},
                        [](int32_t k, int32_t i, int32_t) { return float(2 * i - 2 + k); });
    SceneBench b(std::move(transient), kWidth, kHeight);
    b.plot(PlotMode::Contour);
    ASSERT_TRUE(b.scene.commandSetContour(4, false, {}));
    ASSERT_TRUE(b.scene.commandSetStep(2));
    ASSERT_TRUE(b.scene.commandSetNumbering(true, orv::Numbering::Group));
    all += overlayOf(b, "contour of T from -2 to 6, step 3 of 3, type and node numbers");
    b.plot(PlotMode::IsoLine);
    ASSERT_TRUE(b.scene.commandSetNumbering(true, orv::Numbering::None));
    all += overlayOf(b, "iso-lines, node numbers only");

    // A mode file shows the chosen mode's frequency, in frames of its own, and with the
    // limits of the step its bands are of that mode grown like the frame (3 to 12 by half:
    // 1.5 to 6), not of the frame's row (2 to 8) nor of all modes (1 to 12).
    orv::FeModel modes = orvtest::planeSquare({0, 1, 2, 3});
    orvtest::addResults(modes, {"UX", "UY"}, {1.0f, 2.0f, 12.5f},
                        [](int32_t k, int32_t i, int32_t) { return float((k + 1) * (i + 1)); });
    modes.modalResults = true;
    SceneBench m(std::move(modes), kWidth, kHeight);
    m.plot(PlotMode::Contour);
    ASSERT_TRUE(m.scene.commandChooseMode(2) && m.scene.commandSetFrames(4));
    ASSERT_TRUE(m.scene.commandSetStep(1) && m.scene.commandSetContour(2, false, {}));
    ASSERT_TRUE(m.scene.commandToggleStepMaxMin(m.none));
    all += overlayOf(m, "contour of mode 3 in 2 bands with the limits of the step, frame 2 of 4");

    // A single result ramped over display steps keeps its time.
    orv::FeModel single = orvtest::planeSquare({0, 1, 2, 3}, {"UX", "UY"});
    single.results.stepValue[0] = 2.0f;
    SceneBench s(std::move(single), kWidth, kHeight);
    ASSERT_TRUE(s.scene.commandSetFrames(5) && s.scene.commandSetStep(3));
    s.plot(PlotMode::Vector);
    ASSERT_TRUE(s.scene.commandSetContour(3, false, {}));
    all += overlayOf(s, "displacement vectors in 3 bands of a single step, frame 4 of 5");
    orvtest::expectGolden("overlay.txt", all);
}

TEST(OverlayLabels, PlotKindOfSolutionsAndVectors) {
    const std::tuple<PlotMode, const char*, int, const char*> cases[] = {
        {PlotMode::Contour, "SX", 0, "Nodal Solution"},
        {PlotMode::Contour, "SHEAR", 0, "Element Solution"},
        {PlotMode::Contour, "MOMENT", 0, "Element Solution"},
        {PlotMode::Contour, "SHEARX", 0, "Nodal Solution"},
        {PlotMode::Contour, "shear", 0, "Nodal Solution"},
        {PlotMode::Vector, "UX", 1, "Displacement vector"},
        {PlotMode::Vector, "UX", 2, "Velocity vector"},
        {PlotMode::IsoSurface, "SX", 0, "IsoSurface"},
    };
    for (const auto& [mode, name, item, text] : cases) {
        orv::PlotSettings settings;
        settings.plotMode = mode;
        settings.plotItem = item;
        EXPECT_EQ(orv::plotKindText(orvtest::planeSquare({0, 1, 2, 3}, {name, "B", "C"}), settings),
                  text)
            << name << " " << item;
    }
}

TEST(OverlayLabels, ElementLabelsAtASolidsCentreOrOnEachVisibleFaceAfterAFill) {
    orv::FeModel cube = orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7});  // type 38, material 2
    cube.elements[0].number = 77;
    SceneBench bench(std::move(cube));
    const struct {
        PlotMode mode;
        orv::Numbering labels;
        std::string text;
        size_t count;
    } cases[] = {
        {PlotMode::Mesh, orv::Numbering::Element, "77", 1},
        {PlotMode::Contour, orv::Numbering::Element, "77", 3},
        {PlotMode::Contour, orv::Numbering::Group, "38", 3},
        {PlotMode::Mesh, orv::Numbering::Material, "2", 1},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.text + (k.mode == PlotMode::Mesh ? " in the mesh" : " on a contour"));
        bench.plot(k.mode);
        ASSERT_TRUE(bench.scene.commandSetNumbering(false, k.labels));
        std::vector<Text> labels;
        for (const Text& t : bench.draw().texts)
            if (t.text == k.text) labels.push_back(t);
        ASSERT_EQ(labels.size(), k.count);
        for (const Text& t : labels) {
            EXPECT_EQ(t.color, bench.scene.userColours()[orv::ColourItem::ElemNb]);
            EXPECT_EQ(t.listBase, listBase(bench, Font::Arial14));
            EXPECT_FALSE(t.lighting);
            const float largest = std::max(
                {std::fabs(t.position[0]), std::fabs(t.position[1]), std::fabs(t.position[2])});
            EXPECT_FLOAT_EQ(largest, k.count == 1 ? 0.0f : 0.5f);  // the centre or a face's
        }
    }
}

TEST(OverlayLabels, NodeNumbersAndPickedNodesAtTheirDeformedPositions) {
    orv::FeModel m = orvtest::buildModel(2, {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}},
                                         {{1, 24, {1, 2, 3, 4}}});
    orvtest::addResults(m, {"UX", "UY"}, {1.0f},
                        [](int32_t, int32_t i, int32_t d) { return d == 1 ? float(i) : 0.0f; });
    SceneBench bench(std::move(m));
    ASSERT_TRUE(bench.scene.commandSetMagnification(0.5));
    ASSERT_TRUE(bench.scene.commandSetNumbering(true, orv::Numbering::None));
    // No command picks nodes or joins them: a frame record of the test's own does.
    orv::PlotSettings settings = bench.scene.settings();
    settings.pickedMarks = orv::PickedMarks::JoinedPairs;
    const std::vector<int32_t> picked = {1, 2, 3};
    orv::Geometry renderer;
    RecordingGl gl;
    orv::Camera camera = bench.scene.camera();
    renderer.renderFrame(bench.context(gl, renderer, settings, picked), camera);

    const auto three = findText(gl, "3");
    ASSERT_TRUE(three);
    EXPECT_TRUE(near3(three->position, {1, 1 + 0.5f * 2, 0}));  // node 3 moved up by 2 x 0.5
    EXPECT_EQ(three->color, bench.scene.userColours()[orv::ColourItem::NodeNb]);
    EXPECT_EQ(three->listBase, listBase(bench, Font::Arial12));
    const auto points = bench.modelPrimitives(gl, gl::Points);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].vertices.size(), 3u);
    EXPECT_EQ(points[0].pointSize, 7.0f);
    EXPECT_TRUE(near3(points[0].vertices[2].position, three->position));
    EXPECT_TRUE(near3(points[0].vertices[0].color, {1, 0, 0}));
    // Joined in pairs: 1-2; the third has no partner.
    const auto lines = bench.modelPrimitives(gl, gl::Lines);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().vertices.size(), 2u);
    EXPECT_EQ(lines.back().lineWidth, 2.0f);
    EXPECT_TRUE(near3(lines.back().vertices[0].color, {1, 0, 1}));
}

TEST(OverlayLabels, AxisTriadTurnsWithEveryAngle) {
    SceneBench bench(orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7}));
    const orv::Camera& c = bench.scene.camera();
    ASSERT_TRUE(bench.scene.commandSetViewAngles(0, 0, 0, bench.none));
    bench.draw();
    const auto x0 = c.triadEnds[0], y0 = c.triadEnds[1];
    const float e = y0[1] - x0[1];
    ASSERT_GT(e, 0.0f);
    // A quarter turn about Z alone carries X onto Y.
    ASSERT_TRUE(bench.scene.commandSetViewAngles(0, 0, 90, bench.none));
    const RecordingGl gl = bench.draw();
    EXPECT_TRUE(near3(c.triadEnds[0], y0, 1e-4f * e));
    const auto letter = findText(gl, "y");
    ASSERT_TRUE(letter);
    EXPECT_TRUE(near3(letter->position, c.triadEnds[1]));
}

TEST(OverlayLabels, FontsSkipBytesOutside32To127) {
    SceneBench bench(orvtest::planeSquare({0, 1, 2, 3}));
    RecordingGl gl;
    bench.scene.fonts().draw(gl, Font::Courier14,
                             "A\x01"
                             "B\xc3\xa9"
                             "C\x7f");
    bench.scene.fonts().draw(gl, Font::Courier14, "");
    bench.scene.fonts().draw(gl, Font::Courier14, "\x05\x80");
    ASSERT_EQ(gl.texts.size(), 1u);
    EXPECT_EQ(gl.texts[0].text, "ABC\x7f");
}

}  // namespace
