// Text in the frame: the title block, legend, axis triad and labels of each kind of file,
// compared whole with tests/golden/overlay.txt; node numbers and picked nodes; where the
// overlay's texts fall at every window size and pixel scale, measured with the fonts' own
// metrics; the fonts themselves.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <tuple>

#include "bitmap_font_set.h"
#include "headless_context.h"
#include "number_format.h"
#include "open_gl.h"
#include "overlay.h"
#include "render_support.h"

namespace {

using orv::Font;
using orv::Numbering;
using orv::PlotMode;
using orv::RecordingGl;
using orvtest::SceneBench;
using Text = orv::RecordingGl::Text;
namespace gl = orv::gl;

// A colour item, a band, or the values (of a colour or a place).
std::string colourName(SceneBench& b, const std::array<float, 3>& rgb) {
    for (const auto& [name, item] : orv::Scene::colourSettingNames())
        if (rgb == b.scene.userColours()[item]) return std::string(name);
    for (int k = 0; k < b.scene.bands().divisions; ++k)
        if (rgb == b.scene.colours().bandColour(k)) return "band " + std::to_string(k);
    char s[60];
    std::snprintf(s, sizeof s, "(%.2f %.2f %.2f)", rgb[0], rgb[1], rgb[2]);
    return s;
}

// The font a text was drawn in; kFontCount when none.
Font fontOf(const orv::BitmapFontSet& fonts, unsigned listBase) {
    int f = 0;
    while (f < orv::kFontCount && fonts.base(Font(f)) - 32 != listBase)
        ++f;
    return Font(f);
}

// A text as "text FONT COLOUR "TEXT"", its colour a colour item, a band or its values.
std::string textLine(SceneBench& b, const Text& t) {
    static const char* const kFonts[orv::kFontCount + 1] = {
        "Arial12", "Arial14",     "Courier12Bold", "Courier14",   "Courier14Bold",
        "Arial16", "Times16Bold", "Times18Bold",   "Times20Bold", "?"};
    return std::string("text ") + kFonts[int(fontOf(b.scene.fonts(), t.listBase))] + " " +
           colourName(b, t.color) + (t.lighting ? " lit" : "") + " \"" + t.text + "\"";
}

// What the overlay draws, as text: the texts left of the panel (the job title, the triad's
// letters) as drawn, with their places; then the panel's texts from the top down; then its
// polygons and
// loops from the bottom up with their colour. Where exactly those stand is the layout tests'
// concern. The labels over the model follow (or come alone), each with its place.
std::string overlayItems(SceneBench& b, const RecordingGl& gl, bool labelsOnly = false) {
    const float panel = b.scene.camera().drawingFrame.right;
    std::string out, labels;
    std::vector<std::pair<float, std::string>> texts, shapes;  // panel items by height
    for (const Text& t : gl.texts) {
        const std::string line = textLine(b, t);
        if (!b.onOverlay(t.position[2]))
            labels += line + " at " + colourName(b, t.position) + "\n";
        else if (t.position[0] < panel)
            out += line + " at " + colourName(b, t.position) + "\n";
        else
            texts.push_back({-t.position[1], line + "\n"});
    }
    for (const orvtest::Primitive& p : gl.primitives)
        if ((p.mode == gl::Polygon || p.mode == gl::LineLoop) && !p.vertices.empty() &&
            b.onOverlay(p.vertices[0].position[2]))
            shapes.push_back(
                {p.vertices[0].position[1], (p.mode == gl::Polygon ? "polygon " : "loop ") +
                                                colourName(b, p.vertices[0].color) + "\n"});
    for (auto* items : {&texts, &shapes}) {
        std::stable_sort(items->begin(), items->end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& item : *items)
            out += item.second;
    }
    return labelsOnly ? labels : out + labels;
}

// A fixed clock, in UTC, and a colour of its own for every colour item.
void fix(SceneBench& b) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    b.scene.setFixedClock(1700000000);  // 22:13:20 on 14 November 2023
    for (const auto& [name, item] : orv::Scene::colourSettingNames())
        b.scene.setColour(item, 20 + 30 * int(item), 10, 200);
}

// A frame of the fixed bench described by overlayItems after a title line.
std::string overlayOf(SceneBench& b, const std::string& title) {
    fix(b);
    return "== " + title + "\n" + overlayItems(b, b.draw());
}

// A window wide enough for every line of the title block.
constexpr int kWidth = 960, kHeight = 720;

TEST(OverlayLabels, TitleBlockLegendAndLabelsOfEachKindOfFile) {
    std::string all;
    orv::FeModel transient = orvtest::planeSquare({0, 1, 2, 3});
    orvtest::addResults(transient, {"T"}, {0.5f, 1.5f, 12.5f},
                        [](int32_t k, int32_t i, int32_t) { return float(2 * i - 2 + k); });
    SceneBench b(std::move(transient), kWidth, kHeight);
    b.plot(PlotMode::Contour);
    ASSERT_TRUE(b.scene.commandSetContour(4, false, {}));
    ASSERT_TRUE(b.scene.commandSetStep(2));
    ASSERT_TRUE(b.scene.commandSetNumbering(true, Numbering::Group));
    all += overlayOf(b, "contour of T from -2 to 6, step 3 of 3, type and node numbers");
    b.plot(PlotMode::IsoLine);
    ASSERT_TRUE(b.scene.commandSetNumbering(true, Numbering::None));
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
    // Labels of a cube, element 77 of type 38 and material 2: at its centre in the mesh, on
    // each face towards the viewer after a fill.
    orv::FeModel cube = orvtest::unitCube({0, 1, 2, 3, 4, 5, 6, 7});
    cube.elements[0].number = 77;
    SceneBench c(std::move(cube), kWidth, kHeight);
    ASSERT_TRUE(c.scene.commandSetContour(2, false, {}));
    for (const auto& [mode, numbering, title] :
         {std::tuple{PlotMode::Mesh, Numbering::Element, "cube, its number in the mesh"},
          {PlotMode::Contour, Numbering::Element, "cube, its number on a contour"},
          {PlotMode::Contour, Numbering::Group, "cube, its type on a contour"},
          {PlotMode::Mesh, Numbering::Material, "cube, its material in the mesh"}}) {
        c.plot(mode);
        ASSERT_TRUE(c.scene.commandSetNumbering(false, numbering));
        all += overlayOf(c, title);
    }
    // The axis triad turns with the view: a quarter turn about z alone carries X onto Y.
    ASSERT_TRUE(c.scene.commandSetViewAngles(0, 0, 0, c.none));
    all += overlayOf(c, "cube seen along z");
    ASSERT_TRUE(c.scene.commandSetViewAngles(0, 0, 90, c.none));
    all += overlayOf(c, "cube turned a quarter about z");
    // The plot kind line of component names and vector items, and legend numbers near zero.
    all += "== plot kinds\n";
    const std::tuple<PlotMode, const char*, int> kinds[] = {
        {PlotMode::Contour, "SX", 0},     {PlotMode::Contour, "SHEAR", 0},
        {PlotMode::Contour, "MOMENT", 0}, {PlotMode::Contour, "SHEARX", 0},
        {PlotMode::Contour, "shear", 0},  {PlotMode::Vector, "UX", 1},
        {PlotMode::Vector, "UX", 2},      {PlotMode::IsoSurface, "SX", 0},
    };
    for (const auto& [mode, name, item] : kinds) {
        orv::PlotSettings settings;
        settings.plotMode = mode;
        settings.plotItem = item;
        all += std::string(name) + " " + std::to_string(item) + ": " +
               orv::plotKindText(orvtest::planeSquare({0, 1, 2, 3}, {name, "B", "C"}), settings) +
               "\n";
    }
    all += "== legend numbers of -0, 0, -1e-30 and -0.04888\n";
    for (const double value : {-0.0, 0.0, -1e-30, -0.04888}) {
        char out[40];
        all +=
            "\"" + std::string(out, size_t(orv::formatScientificField(out, value, 3, 12))) + "\"\n";
    }
    orvtest::expectGolden("overlay.txt", all);
}

// Nodes 1 to 4 at the corners of a 2 x 2 square move up by 0, 1, 2 and 3 times a quarter:
// numbered where they are drawn, node 4, out of the view fitted to the square, unnumbered.
// Picked nodes 1, 2 and 3 are marked, 1 and 2 joined; the third has no partner. Compared
// whole with tests/golden/picked_nodes.txt.
TEST(OverlayLabels, NodeNumbersAndPickedNodesAtTheirDeformedPositions) {
    orv::FeModel m = orvtest::buildModel(2, {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}},
                                         {{1, 24, {1, 2, 3, 4}}});
    orvtest::addResults(m, {"UX", "UY"}, {1.0f},
                        [](int32_t, int32_t i, int32_t d) { return d == 1 ? float(i) : 0.0f; });
    SceneBench bench(std::move(m));
    fix(bench);
    ASSERT_TRUE(bench.scene.commandSetMagnification(0.25));
    ASSERT_TRUE(bench.scene.commandSetNumbering(true, Numbering::None));
    // No command picks nodes or joins them: a frame record of the test's own does.
    orv::PlotSettings settings = bench.scene.settings();
    settings.pickedMarks = orv::PickedMarks::JoinedPairs;
    const std::vector<int32_t> picked = {1, 2, 3};
    orv::Geometry renderer;
    RecordingGl gl;
    orv::Camera camera = bench.scene.camera();
    renderer.renderFrame(bench.context(gl, renderer, settings, picked), camera);
    orvtest::expectGolden("picked_nodes.txt",
                          overlayItems(bench, gl, true) + orvtest::primitivesText(bench, gl));
}

// --- where the texts fall, in device pixels, y up ---

struct Box {
    float left, bottom, right, top;
    std::string text;
    Font font = Font::Arial12;
    bool overlaps(const Box& o) const {
        return left < o.right && o.left < right && bottom < o.top && o.bottom < top;
    }
    bool within(const Box& o) const {
        return left >= o.left && right <= o.right && bottom >= o.bottom && top <= o.top;
    }
};

struct Overlay {
    Box panel{}, job{};
    std::vector<Box> title, legend, values;  // legend: the colour boxes and the name
    float triadLeft = 1e30f;
};

Overlay measure(SceneBench& bench, const RecordingGl& gl) {
    const auto& names = bench.scene.model().results.dofNames;
    const std::string& name = names[size_t(bench.scene.settings().plotItem)];
    const orv::Camera& c = bench.scene.camera();
    const orv::BitmapFontSet& fonts = bench.scene.fonts();
    const float W = c.loaded.right - c.loaded.left, H = c.loaded.top - c.loaded.bottom;
    const auto px = [&](float x) { return (x - c.loaded.left) / W * c.viewportWidth; };
    const auto py = [&](float y) { return (y - c.loaded.bottom) / H * c.viewportHeight; };
    Overlay o;
    o.panel = {px(c.drawingFrame.right), 0, c.viewportWidth, c.viewportHeight, "panel"};
    for (const Text& t : gl.texts) {
        const Font font = fontOf(fonts, t.listBase);
        if (!bench.onOverlay(t.position[2]) || int(font) == orv::kFontCount) continue;
        const orv::FontMetrics m = fonts.metrics(font);
        const float x = px(t.position[0]), y = py(t.position[1]);
        const Box b{x, y - m.descent, x + fonts.width(font, t.text), y + m.ascent, t.text, font};
        if (x < o.panel.left)
            o.job = b;
        else if (t.text[0] == ' ')  // a value, right-aligned in 12 characters
            o.values.push_back(b);
        else
            (t.text == name || t.text.rfind("...") != std::string::npos ? o.legend : o.title)
                .push_back(b);
    }
    for (const auto& p : gl.ofMode(gl::Polygon)) {
        const auto& v = p.vertices;
        if (v.size() == 4 && bench.onOverlay(v[0].position[2]) &&
            px(v[0].position[0]) > o.panel.left + 0.5f)
            o.legend.push_back({px(v[0].position[0]), py(v[0].position[1]), px(v[2].position[0]),
                                py(v[2].position[1]), "box"});
    }
    // The triad: three lines from one origin.
    for (const auto& p : gl.ofMode(gl::Lines))
        if (p.vertices.size() == 6 && p.vertices[0].position == p.vertices[2].position &&
            p.vertices[0].position == p.vertices[4].position)
            for (const auto& v : p.vertices)
                o.triadLeft = std::min(o.triadLeft, px(v.position[0]));
    return o;
}

// A plane square with a displacement, a component name of 19 characters and a job title of
// 155 that no window of 1280 pixels holds.
const std::string kTitle =
    "Plate with a central hole under uniaxial tension, meshed with four-node quadrilaterals, "
    "compared with the closed-form solution of an infinite plate, case 1";
orv::FeModel model() {
    orv::FeModel m = orvtest::planeSquare({0, 1, 2, 3}, {"UX", "UY", "EQUIVALENT_STRESS_X"});
    m.jobTitle = kTitle;
    return m;
}

struct View {
    int width, height;
    float scale;
};

// The bench at the view's size and scale with fonts made for it, showing the long-named
// component (the displacement for vectors) in `mode`.
void show(SceneBench& bench, const View& v, PlotMode mode, int divisions, Numbering numbering,
          bool nodeNumbers) {
    RecordingGl fontGl;
    bench.scene.setPixelScale(v.scale);
    bench.scene.fonts().create(fontGl, v.scale);
    bench.scene.resize(v.width, v.height);
    ASSERT_TRUE(bench.scene.commandChooseItem(mode == PlotMode::Vector ? 0 : 2, bench.none));
    bench.plot(mode);
    ASSERT_TRUE(bench.scene.commandSetContour(divisions, false, {}));
    ASSERT_TRUE(bench.scene.commandSetNumbering(nodeNumbers, numbering));
}

// The legend lies in the panel clear of the title block and of itself, its values running
// from the first bound to the last however many are left out between; the title block keeps
// its lines whole (a cut one would count as the legend's); the job title is cut after a word
// to end left of the triad when the window is too narrow for it.
TEST(OverlayLayout, TheLegendStaysInThePanelClearOfTheTitleBlock) {
    const struct {
        View view;
        PlotMode mode;
        int divisions;
        Numbering numbering;
        bool nodeNumbers, cut;
    } cases[] = {
        {{1920, 1080, 1}, PlotMode::Contour, 15, Numbering::Element, true, false},
        {{1920, 1080, 1}, PlotMode::Contour, 20, Numbering::None, false, false},
        {{1920, 1080, 1}, PlotMode::IsoLine, 20, Numbering::Material, true, false},
        {{1280, 400, 1}, PlotMode::Contour, 15, Numbering::None, false, true},
        {{1280, 400, 1}, PlotMode::Contour, 20, Numbering::Element, true, true},
        {{1280, 400, 1}, PlotMode::IsoLine, 20, Numbering::Group, false, true},
        {{2560, 1600, 1}, PlotMode::Contour, 20, Numbering::Element, true, false},
        {{2560, 1600, 2}, PlotMode::Contour, 15, Numbering::Element, false, true},
        {{1280, 960, 2}, PlotMode::Contour, 15, Numbering::Element, true, true},
        {{800, 800, 1}, PlotMode::Vector, 12, Numbering::None, true, true},
        {{640, 480, 1}, PlotMode::Contour, 20, Numbering::Element, true, true},
        {{640, 480, 1}, PlotMode::IsoLine, 2, Numbering::None, false, true},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message()
                     << k.view.width << "x" << k.view.height << " x" << k.view.scale << ", mode "
                     << int(k.mode) << ", " << k.divisions << " bands");
        SceneBench bench(model());
        show(bench, k.view, k.mode, k.divisions, k.numbering, k.nodeNumbers);
        const Overlay o = measure(bench, bench.draw());
        std::set<std::string> lines;  // none left out for want of room
        for (const Box& t : o.title) {
            EXPECT_TRUE(t.within(o.panel)) << t.text;
            lines.insert(t.text);
        }
        EXPECT_TRUE(lines.count("Step: 1") && lines.count("Time 1: 1.000000"));
        EXPECT_EQ(lines.count("Plot node number"), size_t(k.nodeNumbers));
        EXPECT_EQ(o.legend.size(), size_t(k.divisions) + 1);  // the boxes and the name
        std::vector<Box> legend = o.legend;
        legend.insert(legend.end(), o.values.begin(), o.values.end());
        for (size_t i = 0; i < legend.size(); ++i) {
            EXPECT_TRUE(legend[i].within(o.panel)) << legend[i].text;
            for (const Box& t : o.title)
                EXPECT_FALSE(legend[i].overlaps(t)) << legend[i].text << " over " << t.text;
            for (size_t j = i + 1; j < legend.size(); ++j)
                EXPECT_FALSE(legend[i].overlaps(legend[j]))
                    << legend[i].text << " over " << legend[j].text;
        }
        EXPECT_LT(o.job.right, o.triadLeft);
        if (k.cut) {
            ASSERT_GT(o.job.text.size(), 3u);
            const size_t kept = o.job.text.size() - 3;
            EXPECT_EQ(o.job.text, kTitle.substr(0, kept) + "...");
            EXPECT_EQ(kTitle[kept], ' ');
        } else {
            EXPECT_EQ(o.job.text, kTitle);
        }
        ASSERT_EQ(o.values.empty(), k.mode == PlotMode::Vector);
        if (k.mode == PlotMode::Vector) continue;
        const auto& bounds = bench.scene.bands().bandBounds;
        const size_t last = k.mode == PlotMode::Contour ? size_t(k.divisions) : k.divisions - 1u;
        char first[40], top[40];
        first[orv::formatScientificField(first, bounds[0], 3, 12)] = 0;
        top[orv::formatScientificField(top, bounds[last], 3, 12)] = 0;
        const auto byHeight = [](const Box& a, const Box& b) { return a.bottom < b.bottom; };
        EXPECT_EQ(std::min_element(o.values.begin(), o.values.end(), byHeight)->text, first);
        EXPECT_EQ(std::max_element(o.values.begin(), o.values.end(), byHeight)->text, top);
        if (k.view.scale == 1) continue;
        // At twice the pixel scale it is the frame of half the pixels at scale 1: the same
        // texts in the same fonts at about the same places (hinted glyphs keep whole pixels,
        // so a font made twice as large is only about twice as large).
        SceneBench half(model());
        show(half, {k.view.width / 2, k.view.height / 2, 1}, k.mode, k.divisions, k.numbering,
             k.nodeNumbers);
        const Overlay h = measure(half, half.draw());
        ASSERT_EQ(h.title.size(), o.title.size());
        ASSERT_EQ(h.values.size(), o.values.size());
        for (const auto& [x, y] : {std::pair{&h.title, &o.title}, std::pair{&h.values, &o.values}})
            for (size_t i = 0; i < x->size(); ++i) {
                const Box &p = (*x)[i], &q = (*y)[i];
                EXPECT_TRUE(p.text == q.text && p.font == q.font) << p.text << " " << q.text;
                EXPECT_NEAR(2 * p.left, q.left, 1.0f) << p.text;
                EXPECT_NEAR(2 * p.bottom, q.bottom, 0.05f * float(k.view.height)) << p.text;
            }
    }
}

// The digits of the legend drawn headless: "000" is three marks with a column of background
// between them, each open in its middle row.
TEST(OverlayLayout, LegendDigitsKeepTheirShape) {
    orv::HeadlessContext context;
    if (!context.create(160, 48)) GTEST_SKIP() << "no headless OpenGL: " << context.error();
    orv::OpenGl gl;  // white on black, the context's defaults
    gl.viewport(0, 0, 160, 48);
    gl.matrixMode(gl::Projection);
    gl.ortho(0, 160, 0, 48, -1, 1);
    for (float scale : {1.0f, 2.0f}) {
        orv::BitmapFontSet fonts;
        fonts.create(gl, scale);
        for (Font font : {Font::Arial12, Font::Arial14}) {
            SCOPED_TRACE(::testing::Message() << "font " << int(font) << " x" << scale);
            gl.clear(gl::ColorBufferBit);
            gl.rasterPos(4, 8, 0);
            fonts.draw(gl, font, "000");
            std::vector<uint8_t> rgb(160 * 48 * 3 + 4);
            gl.readPixelsRgb(0, 0, 160, 48, rgb.data());
            std::string columns(160, ' '), middle(160, ' ');  // with ink: anywhere, midway up
            int low = 48, high = 0;
            for (int i = 0; i < 160 * 48; ++i)
                if (rgb[size_t(i) * 3] > 127)
                    columns[size_t(i % 160)] = '#', low = std::min(low, i / 160), high = i / 160;
            for (size_t x = 0; x < 160; ++x)
                middle[x] = rgb[(size_t((low + high) / 2) * 160 + x) * 3] > 127 ? '#' : ' ';
            const auto runs = [](const std::string& ink, size_t from, size_t to) {
                std::vector<std::pair<size_t, size_t>> out;  // [first, end) of each run of ink
                for (size_t i = ink.find('#', from); i < to; i = ink.find('#', out.back().second))
                    out.push_back({i, std::min(ink.find(' ', i), to)});
                return out;
            };
            const auto marks = runs(columns, 0, 160);
            ASSERT_EQ(marks.size(), 3u);
            for (const auto& [from, to] : marks)
                EXPECT_EQ(runs(middle, from, to).size(), 2u) << "the mark at " << from;
        }
        fonts.destroy(gl);
    }
}

// Without fonts (here a font configuration that lists none, in a process of its own) a set
// says why, and draws and measures nothing; with them it draws the bytes 32 to 127 alone,
// and is usable from create to forget.
TEST(OverlayLayout, FontsDrawPrintableBytesAndASetWithoutFontsSaysSo) {
    orvtest::TempDir dir;
    const std::string config = dir.file("fonts.conf");
    std::ofstream(config) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ::setenv("FONTCONFIG_FILE", config.c_str(), 1);
    EXPECT_EXIT(
        {
            RecordingGl gl;
            orv::BitmapFontSet none;
            none.create(gl);
            none.draw(gl, Font::Arial14, "0.000e+000");
            const bool said = none.problem().find("Liberation Sans") != std::string::npos;
            const bool silent = gl.texts.empty() && none.width(Font::Arial14, "000") == 0;
            std::exit(!none.usable() && said && silent ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    ::unsetenv("FONTCONFIG_FILE");
    RecordingGl gl;
    orv::BitmapFontSet fonts;
    EXPECT_FALSE(fonts.usable());
    fonts.create(gl);
    EXPECT_TRUE(fonts.usable() && fonts.problem().empty());
    for (const char* text : {"A\001B\303\251C\177", "", "\005\200"})
        fonts.draw(gl, Font::Courier14, text);
    ASSERT_EQ(gl.texts.size(), 1u);
    EXPECT_EQ(gl.texts[0].text, "ABC\177");
    fonts.forget();
    EXPECT_FALSE(fonts.usable());
}

}  // namespace
