// The curve chart: the definition's ranges and axis scales, its refusals, and what the chart
// draws through the recording Gl.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <tuple>

#include "bitmap_font_set.h"
#include "curve_plot.h"
#include "recording_gl.h"
#include "test_support.h"

namespace {

using orv::CurvePlot;
using orv::CurveTable;
using orv::RecordingGl;
namespace gl = orv::gl;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// A table of the given columns, named "Time", "Y1", "Y2", ...
CurveTable table(const std::vector<std::vector<float>>& columns) {
    CurveTable t;
    t.rowCount = int32_t(columns[0].size());
    for (size_t c = 0; c < columns.size(); ++c)
        t.names.push_back(c == 0 ? "Time" : "Y" + std::to_string(c));
    for (size_t r = 0; r < columns[0].size(); ++r)
        for (const auto& column : columns)
            t.values.push_back(column[r]);
    return t;
}

// The curve of Y columns 1 .. n against column 0.
CurvePlot define(const CurveTable& t, int n, const std::string& name = "curve") {
    std::vector<int32_t> y(static_cast<size_t>(n));
    std::iota(y.begin(), y.end(), 1);
    CurvePlot plot;
    orvtest::RecordingMessages messages;
    EXPECT_TRUE(orv::defineCurve(t, name, 0, y, plot, messages));
    return plot;
}

struct Drawn {
    orv::BitmapFontSet fonts;
    RecordingGl gl;
    Drawn(const CurvePlot& plot, int width, int height, float scale) {
        fonts.create(gl, scale);
        orv::curvePlotProjection(gl, width, height);
        orv::drawCurvePlot(gl, fonts, plot, scale);
    }
};

TEST(CurvePlot, RangesTicksAndScales) {
    // The first and last label of each axis, its scale, the first row's height in the plot.
    const struct {
        std::vector<float> x, y;
        float x0, x1, xScale, y0, y1, yScale, firstY;
        const char* yScaleText;
    } cases[] = {
        {{0, 1}, {0, 100}, 0, 1, 1, -0.0525f, 1.05f, 100, 18.5714f, "(x 1.0e+002)"},
        {{0, 0.05f}, {1, 2}, 0, 5, 0.01f, 0.9475f, 2.05f, 1, 18.5714f, "(x 1.0e+000)"},
        {{0, 1}, {3, 3}, 0, 1, 1, 0, 6, 1, 52.5f, "(x 1.0e+000)"},     // constant: [0, 2v]
        {{0, 1}, {0, 0}, 0, 1, 1, -1, 1, 1, 52.5f, "(x 1.0e+000)"},    // constant 0: [-1, 1]
        {{0, 1}, {-2, -2}, 0, 1, 1, -4, 0, 1, 52.5f, "(x 1.0e+000)"},  // ordered low to high
        {{5, 5}, {1, 2}, 4.5f, 5.5f, 1, 0.9475f, 2.05f, 1, 18.5714f, "(x 1.0e+000)"},
        {{0, 1, 2, 3}, {1, kNaN, INFINITY, 3}, 0, 3, 1, 0.895f, 3.1f, 1, 18.5714f, "(x 1.0e+000)"},
        {{0, 1}, {-0.002f, 0.0003f}, 0, 1, 1, -2.12075f, 0.415f, 0.001f, 18.5714f, "(x 1.0e-003)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "x " << c.x[0] << " y " << c.y[0] << ".." << c.y[1]);
        const CurvePlot p = define(table({c.x, c.y}), 1);
        EXPECT_NEAR(p.xTicks[0], c.x0, 1e-5f);
        EXPECT_NEAR(p.xTicks[26], c.x1, 1e-5f);
        EXPECT_NEAR(p.yTicks[0], c.y0, 1e-5f);
        EXPECT_NEAR(p.yTicks[22], c.y1, 1e-5f);
        EXPECT_FLOAT_EQ(p.xScale, c.xScale);
        EXPECT_FLOAT_EQ(p.yScale, c.yScale);
        EXPECT_NEAR(p.plotX[0], c.x[0] == c.x[1] ? 45.5f : 8.0f, 1e-4f);
        EXPECT_NEAR(p.plotY[0][0], c.firstY, 1e-3f);
        const Drawn d(p, 800, 600, 1);
        EXPECT_TRUE(std::any_of(d.gl.texts.begin(), d.gl.texts.end(),
                                [&](auto& t) { return t.text == c.yScaleText; }));
    }
}

TEST(CurvePlot, DefinitionRefusesAndKeepsThePlot) {
    const CurveTable good = table({{0, 1}, {1, 2}, {3, 4}});
    const struct {
        CurveTable t;
        int32_t x;
        std::vector<int32_t> y;
        const char* box;
    } cases[] = {
        {CurveTable{}, 0, {1}, "Message: Please fill curve data firstly!"},
        {good, 0, {}, "Message: please select Y data!"},
        {good, 3, {1}, "Message: There is no X column 3 in the curve data (columns 0 to 2)!"},
        {good, 0, {1, -1}, "Message: There is no Y column -1 in the curve data (columns 0 to 2)!"},
    };
    for (const auto& c : cases) {
        CurvePlot plot;
        plot.curve.name = "kept";
        orvtest::RecordingMessages messages;
        EXPECT_FALSE(orv::defineCurve(c.t, "new", c.x, c.y, plot, messages));
        EXPECT_EQ(messages.texts(), std::vector<std::string>{c.box});
        EXPECT_EQ(plot.curve.name, "kept");
    }
    // Y columns in column order, each once; the label names each.
    CurvePlot p;
    orvtest::RecordingMessages messages;
    ASSERT_TRUE(orv::defineCurve(good, "both", 0, std::vector<int32_t>{2, 1, 2}, p, messages));
    EXPECT_EQ(p.curve.yColumns, (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(p.curve.xLabel + " / " + p.curve.yLabel, "Time / Y1, Y2, ");
}

TEST(CurvePlot, DrawsLegendCurvesAndDottedGrid) {
    std::vector<std::vector<float>> columns{{0, 1, 2, 3}};
    for (int k = 1; k <= 7; ++k)
        columns.push_back({float(k), float(k) + 1, k == 2 ? kNaN : float(k), float(k)});
    const std::array<float, 3> colours[6] = {{0, 0, 0},    {1, 0, 0}, {0, 0, 1},
                                             {1, 0.7f, 0}, {1, 1, 0}, {0, 1, 0}};
    // Seven columns with lines twice as wide, on a window where a row still takes 3.5 units.
    for (int n : {3, 7}) {
        SCOPED_TRACE(n);
        const float scale = n == 7 ? 2.0f : 1.0f;
        const Drawn d(define(table(columns), n), 800 * int(scale), 600 * int(scale), scale);
        const RecordingGl& g = d.gl;
        const auto legend = g.ofMode(gl::Polygon);
        ASSERT_EQ(legend.size(), 1u);
        EXPECT_FLOAT_EQ(legend[0].vertices[1].position[1] - legend[0].vertices[0].position[1],
                        3.5f * float(n));
        // The curves come last, segments each; a NaN breaks the line: two segments fewer.
        ASSERT_GE(g.primitives.size(), size_t(n));
        for (int k = 0; k < n; ++k) {
            const auto& p = g.primitives[g.primitives.size() - size_t(n - k)];
            EXPECT_EQ(p.mode, gl::Lines);
            EXPECT_EQ(p.vertices.size(), k == 1 ? 2u : 6u) << k;
            EXPECT_EQ(p.lineWidth, scale);
            EXPECT_EQ(p.vertices[0].color, colours[k % 6]) << k;
        }
        // Only the grid is dotted: 26 + 22 grey lines.
        const auto dotted = [](auto& p) { return p.stipple; };
        ASSERT_EQ(std::count_if(g.primitives.begin(), g.primitives.end(), dotted), 1);
        const auto& grid = *std::find_if(g.primitives.begin(), g.primitives.end(), dotted);
        EXPECT_EQ(grid.vertices.size(), 96u);
        EXPECT_EQ(grid.vertices[0].color, (std::array<float, 3>{0.6f, 0.6f, 0.6f}));
        EXPECT_FLOAT_EQ(grid.lineWidth, 0.8f * scale);
        EXPECT_EQ(g.stipplePattern, 0xAAAA);
        EXPECT_FALSE(g.isEnabled(gl::LineStipple));
    }
}

// Every text lies inside the border and no two overlap, on small and large windows and with
// fonts twice as tall, with a long curve name, a long column name and many Y columns.
TEST(CurvePlot, TextsStayInsideAndApart) {
    std::vector<std::vector<float>> columns{{0, 0.01f, 0.05f}};
    for (int k = 1; k <= 24; ++k)
        columns.push_back({-0.0003f * float(k), 1e4f, 2e4f});
    CurveTable t = table(columns);
    t.names[1] = "a very long name of a column";
    const CurvePlot plot = define(t, 24, std::string(60, 'N'));
    for (const auto& [width, height, scale] : std::vector<std::tuple<int, int, float>>{
             {640, 480, 1}, {800, 800, 1}, {1920, 1080, 1}, {640, 480, 2}, {1920, 1080, 2}}) {
        SCOPED_TRACE(::testing::Message() << width << "x" << height << " x" << scale);
        const Drawn d(plot, width, height, scale);
        std::vector<std::array<float, 4>> boxes;  // left, bottom, right, top
        for (const auto& text : d.gl.texts) {
            int f = 0;
            while (d.fonts.base(orv::Font(f)) - 32 != text.listBase)
                ++f;
            const auto m = d.fonts.metrics(orv::Font(f));
            const float px = 100.0f / float(width), py = 100.0f / float(height);
            const std::array<float, 4> b{
                text.position[0], text.position[1] - m.descent * py,
                text.position[0] + d.fonts.width(orv::Font(f), text.text) * px,
                text.position[1] + m.ascent * py};
            EXPECT_TRUE(b[0] >= 0.5f && b[1] >= 1 && b[2] <= 99.5f && b[3] <= 99) << text.text;
            for (const auto& o : boxes)
                EXPECT_FALSE(b[0] < o[2] && o[0] < b[2] && b[1] < o[3] && o[1] < b[3]) << text.text;
            boxes.push_back(b);
        }
        EXPECT_GT(boxes.size(), 20u);
    }
}

}  // namespace
