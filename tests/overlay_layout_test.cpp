// Where the overlay's texts fall in the picture, measured with the fonts' own metrics: the
// legend between the panel's foot and the title block at every size, texts cut to their
// room, fonts made for the device pixel scale, digits that keep their shape, a font set that
// says it has no fonts, and zero without a sign.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "bitmap_font_set.h"
#include "headless_context.h"
#include "number_format.h"
#include "open_gl.h"
#include "render_support.h"

namespace {

using orv::Font;
using orv::Numbering;
using orv::PlotMode;
using orv::RecordingGl;
using orvtest::SceneBench;

// A rectangle in device pixels, y up.
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

bool isClock(const std::string& t) {
    return t.find_first_not_of("0123456789:/") == std::string::npos;
}

bool isValue(const std::string& t) {
    return t.size() > 5 && t[t.size() - 5] == 'e' &&
           (t[t.size() - 4] == '+' || t[t.size() - 4] == '-');
}

// The overlay of one frame in device pixels.
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
    const float z = -c.nearPlane();
    Overlay o;
    o.panel = {px(c.drawingFrame.right), 0, c.viewportWidth, c.viewportHeight, "panel"};
    for (const RecordingGl::Text& t : gl.texts) {
        if (std::fabs(t.position[2] - z) > 1e-4f * std::fabs(z)) continue;  // not the overlay
        Font font = Font::Arial12;
        for (int f = 0; f < orv::kFontCount; ++f)
            if (fonts.base(Font(f)) - 32 == t.listBase) font = Font(f);
        const orv::FontMetrics m = fonts.metrics(font);
        const float x = px(t.position[0]), y = py(t.position[1]);
        const Box b{x, y - m.descent, x + fonts.width(font, t.text), y + m.ascent, t.text, font};
        if (x < o.panel.left)
            o.job = b;
        else if (isValue(t.text))
            o.values.push_back(b);
        else
            (t.text == name || t.text.rfind("...") != std::string::npos ? o.legend : o.title)
                .push_back(b);
    }
    for (const auto& p : gl.ofMode(orv::gl::Polygon)) {
        const auto& v = p.vertices;
        if (v.size() == 4 && std::fabs(v[0].position[2] - z) < 1e-4f * std::fabs(z) &&
            px(v[0].position[0]) > o.panel.left + 0.5f)
            o.legend.push_back({px(v[0].position[0]), py(v[0].position[1]), px(v[2].position[0]),
                                py(v[2].position[1]), "box"});
    }
    // The triad: three lines from one origin.
    for (const auto& p : gl.ofMode(orv::gl::Lines))
        if (p.vertices.size() == 6 && p.vertices[0].position == p.vertices[2].position &&
            p.vertices[0].position == p.vertices[4].position)
            for (const auto& v : p.vertices)
                o.triadLeft = std::min(o.triadLeft, px(v.position[0]));
    return o;
}

// A plane square with a displacement and a component name of 19 characters.
orv::FeModel model(const std::string& title = "test model") {
    orv::FeModel m = orvtest::planeSquare({0, 1, 2, 3}, {"UX", "UY", "EQUIVALENT_STRESS_X"});
    m.jobTitle = title;
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

TEST(OverlayLayout, TheLegendStaysInThePanelClearOfTheTitleBlock) {
    const struct {
        View view;
        PlotMode mode;
        int divisions;
        Numbering numbering;
        bool nodeNumbers;
    } cases[] = {
        {{1920, 1080, 1}, PlotMode::Contour, 15, Numbering::Element, true},
        {{1920, 1080, 1}, PlotMode::Contour, 20, Numbering::None, false},
        {{1920, 1080, 1}, PlotMode::IsoLine, 20, Numbering::Material, true},
        {{1280, 400, 1}, PlotMode::Contour, 15, Numbering::None, false},
        {{1280, 400, 1}, PlotMode::Contour, 20, Numbering::Element, true},
        {{1280, 400, 1}, PlotMode::IsoLine, 20, Numbering::Group, false},
        {{2560, 1600, 1}, PlotMode::Contour, 20, Numbering::Element, true},
        {{2560, 1600, 2}, PlotMode::Contour, 15, Numbering::Element, false},
        {{800, 800, 1}, PlotMode::Vector, 12, Numbering::None, true},
        {{640, 480, 1}, PlotMode::Contour, 20, Numbering::Element, true},
        {{640, 480, 1}, PlotMode::IsoLine, 2, Numbering::None, false},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message()
                     << k.view.width << "x" << k.view.height << " x" << k.view.scale << ", mode "
                     << int(k.mode) << ", " << k.divisions << " bands");
        SceneBench bench(model());
        show(bench, k.view, k.mode, k.divisions, k.numbering, k.nodeNumbers);
        const Overlay o = measure(bench, bench.draw());

        std::set<std::string> lines;
        for (const Box& t : o.title)
            lines.insert(t.text);
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
        for (const Box& t : o.title)
            EXPECT_TRUE(t.within(o.panel)) << t.text;

        // Values run from the first boundary to the last, however many are left out between.
        if (k.mode == PlotMode::Vector) {
            EXPECT_TRUE(o.values.empty());
            continue;
        }
        const auto& bounds = bench.scene.bands().bandBounds;
        const size_t last = k.mode == PlotMode::Contour ? size_t(k.divisions) : k.divisions - 1u;
        ASSERT_GE(o.values.size(), 2u);
        char first[40], top[40];
        first[orv::formatScientificField(first, bounds[0], 3, 12)] = 0;
        top[orv::formatScientificField(top, bounds[last], 3, 12)] = 0;
        const auto byHeight = [](const Box& a, const Box& b) { return a.bottom < b.bottom; };
        EXPECT_EQ(std::min_element(o.values.begin(), o.values.end(), byHeight)->text, first);
        EXPECT_EQ(std::max_element(o.values.begin(), o.values.end(), byHeight)->text, top);
    }
}

TEST(OverlayLayout, TextsAreCutToTheirRoomAfterAWord) {
    const std::string title =
        "Plate with a central hole under uniaxial tension, meshed with four-node quadrilaterals, "
        "compared with the closed-form solution of an infinite plate, case 1";
    ASSERT_EQ(title.size(), 155u);
    const std::set<std::string> block = {
        "Orvanta Ver 3.00", "Nodal Solution",  "Total disp. step: 1", "Step: 1",
        "Time 1: 1.000000", "Element number,", "Plot node number"};
    const struct {
        View view;
        bool cut;  // the job title
    } cases[] = {{{640, 480, 1}, true}, {{1280, 960, 2}, true}, {{1920, 1080, 1}, false}};
    for (const auto& [v, cut] : cases) {
        SCOPED_TRACE(::testing::Message() << v.width << "x" << v.height << " x" << v.scale);
        SceneBench bench(model(title));
        show(bench, v, PlotMode::Contour, 15, Numbering::Element, true);
        const Overlay o = measure(bench, bench.draw());

        if (cut) {
            ASSERT_GT(o.job.text.size(), 3u);
            const std::string kept = o.job.text.substr(0, o.job.text.size() - 3);
            EXPECT_EQ(o.job.text.substr(kept.size()), "...");
            EXPECT_EQ(title.compare(0, kept.size(), kept), 0);
            EXPECT_EQ(title[kept.size()], ' ');
        } else {
            EXPECT_EQ(o.job.text, title);
        }
        EXPECT_LT(o.job.right, o.triadLeft);

        // The title block keeps every line whole.
        std::set<std::string> lines;
        for (const Box& t : o.title)
            if (!isClock(t.text)) lines.insert(t.text);
        EXPECT_EQ(lines, block);
        EXPECT_EQ(o.title.size(), block.size() + 2);  // and the clock
    }
}

// Hinted glyphs keep whole pixels, so a font twice as large is only about twice as large.
TEST(OverlayLayout, FontsAreMadeForThePixelScale) {
    RecordingGl gl;
    orv::BitmapFontSet one, two;
    one.create(gl, 1);
    two.create(gl, 2);
    ASSERT_TRUE(one.usable() && two.usable());
    EXPECT_EQ(two.scale(), 2.0f);
    for (int f = 0; f < orv::kFontCount; ++f) {
        SCOPED_TRACE(f);
        const Font font = Font(f);
        EXPECT_NEAR(two.metrics(font).height() / one.metrics(font).height(), 2.0f, 0.3f);
        EXPECT_NEAR(two.width(font, "Step: 10") / one.width(font, "Step: 10"), 2.0f, 0.3f);
    }
    // A frame at twice the pixels and twice the scale is the same frame: the same texts in
    // the same fonts at about the same places.
    SceneBench small(model()), dense(model());
    show(small, {640, 480, 1}, PlotMode::Contour, 15, Numbering::Element, true);
    show(dense, {1280, 960, 2}, PlotMode::Contour, 15, Numbering::Element, true);
    const Overlay a = measure(small, small.draw()), b = measure(dense, dense.draw());
    ASSERT_EQ(a.title.size(), b.title.size());
    ASSERT_EQ(a.values.size(), b.values.size());
    for (const auto& [x, y] : {std::pair{&a.title, &b.title}, std::pair{&a.values, &b.values}})
        for (size_t i = 0; i < x->size(); ++i) {
            const Box &p = (*x)[i], &q = (*y)[i];
            EXPECT_EQ(p.text, q.text);
            EXPECT_EQ(p.font, q.font) << p.text;
            EXPECT_NEAR(2 * p.left, q.left, 1.0f) << p.text;
            EXPECT_NEAR(2 * p.bottom, q.bottom, 0.05f * 960) << p.text;
        }
}

// The digits of the legend drawn headless: "000" is three marks with a column of background
// between them, each open in its middle row.
TEST(OverlayLayout, LegendDigitsKeepTheirShape) {
    orv::HeadlessContext context;
    if (!context.create(160, 48)) GTEST_SKIP() << "no headless OpenGL: " << context.error();
    orv::OpenGl gl;
    for (float scale : {1.0f, 2.0f}) {
        orv::BitmapFontSet fonts;
        fonts.create(gl, scale);
        for (Font font : {Font::Arial12, Font::Arial14}) {
            SCOPED_TRACE(::testing::Message() << "font " << int(font) << " x" << scale);
            gl.viewport(0, 0, 160, 48);
            gl.clearColor(0, 0, 0, 0);
            gl.clear(orv::gl::ColorBufferBit);
            gl.matrixMode(orv::gl::Projection);
            gl.loadIdentity();
            gl.ortho(0, 160, 0, 48, -1, 1);
            gl.matrixMode(orv::gl::Modelview);
            gl.loadIdentity();
            gl.color(1, 1, 1);
            gl.rasterPos(4, 8, 0);
            fonts.draw(gl, font, "000");
            std::vector<uint8_t> rgb(160 * 48 * 3 + 4);
            gl.readPixelsRgb(0, 0, 160, 48, rgb.data());
            const auto ink = [&](int x, int y) { return rgb[size_t(y * 160 + x) * 3] > 127; };
            // Columns with ink, in runs; each run's middle row in runs of ink.
            std::vector<std::pair<int, int>> marks;
            int low = 48, high = 0;
            for (int x = 0; x < 160; ++x) {
                bool any = false;
                for (int y = 0; y < 48; ++y)
                    if (ink(x, y)) any = true, low = std::min(low, y), high = std::max(high, y);
                if (any && (marks.empty() || marks.back().second != x - 1)) marks.push_back({x, x});
                if (any) marks.back().second = x;
            }
            ASSERT_EQ(marks.size(), 3u);
            for (const auto& [from, to] : marks) {
                int strokes = 0;
                for (int x = from; x <= to; ++x)
                    strokes +=
                        ink(x, (low + high) / 2) && !(x > from && ink(x - 1, (low + high) / 2));
                EXPECT_EQ(strokes, 2);
            }
        }
        fonts.destroy(gl);
    }
}

// Without fonts (here a font configuration that lists none, in a process of its own) the set
// says why, and draws and measures nothing.
TEST(OverlayLayout, ASetWithoutFontsSaysSo) {
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
    EXPECT_TRUE(fonts.usable());
    EXPECT_TRUE(fonts.problem().empty());
    fonts.forget();
    EXPECT_FALSE(fonts.usable());
}

TEST(OverlayLayout, ZeroHasNoSignInTheLegend) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{-0.0, "  0.000e+000"},
                 {0.0, "  0.000e+000"},
                 {-1e-30, " -1.000e-030"},
                 {-0.04888, " -4.888e-002"}};
    for (const auto& k : cases) {
        char out[40];
        EXPECT_EQ(std::string(out, size_t(orv::formatScientificField(out, k.value, 3, 12))),
                  k.text);
    }
}

}  // namespace
