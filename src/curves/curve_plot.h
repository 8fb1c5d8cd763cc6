#pragma once
// The curve plot: a chart of the chosen Y columns of a curve table against its X column in a
// fixed plot space of 100 x 100 units (axes frame at (8, 15), 75 x 75), with ticked axes whose
// labels are divided by a power of ten, a dotted grid, one polyline per Y column in a cycle of
// six colours and a legend box. The chart is stretched to the window.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "curve_file.h"

namespace orv {

class Gl;
class BitmapFontSet;
class Messages;

// A curve as the definition dialog gives it.
struct Curve {
    std::string name;               // as typed, may be empty
    int32_t xColumn = 0;            // index of the X column
    std::vector<int32_t> yColumns;  // the chosen Y columns, in column order
    std::string xLabel;             // the X column's name
    std::string yLabel;             // each Y column's name followed by ", "
};

namespace chart {
constexpr float kFrameX = 8, kFrameY = 15, kFrameWidth = 75, kFrameHeight = 75;
constexpr int kXIntervals = 26, kYIntervals = 22;
}  // namespace chart

// A defined curve converted to plot space.
struct CurvePlot {
    Curve curve;
    std::array<float, chart::kXIntervals + 1> xTicks{};  // tick values divided by xScale
    std::array<float, chart::kYIntervals + 1> yTicks{};
    float xScale = 1, yScale = 1;
    std::vector<float> plotX;               // per row
    std::vector<std::vector<float>> plotY;  // per chosen Y column, per row
    std::vector<std::string> yNames;        // the chosen Y columns' names
};

// The power of ten that divides the ticks so that labels read about 0.1 .. 10: 10^k for
// a >= 1 (k the number of times a is multiplied by 0.1 to fall below 10), 10^-m for a < 1
// (m the number of times a is multiplied by 10 to exceed 1). Divides every tick by it.
float axisScale(float a, std::span<float> ticks);
// Fills the plot's ticks and scales for the X range and the padded Y range.
void setAxisTicks(CurvePlot& plot, float xmin, float xmax, float ymin, float ymax);

// Defines the curve and converts it: the X column and the chosen Y columns (at least one,
// each a valid column); Y padded by 5 % above and then below, a constant Y range v becomes
// [0, 2v] ordered low to high (v != 0) or [-1, 1] (v = 0), and a constant X range gets a unit
// range around it. False with a "Message" box ("please select Y data!", ...) on a bad choice.
bool defineCurve(const CurveTable& table, const std::string& name, int32_t xColumn,
                 std::span<const int32_t> yColumns, CurvePlot& plot, Messages& messages);

// The projection of the plot space on a window of width x height pixels: the viewport and
// an orthographic box of 0..100 both ways.
void curvePlotProjection(Gl& gl, int width, int height);
// Draws the chart (clear, border, axes, ticks and labels, grid, legend, frame, curves) in the
// current projection; line widths and font sizes follow pixelScale.
void drawCurvePlot(Gl& gl, BitmapFontSet& fonts, const CurvePlot& plot, float pixelScale);

}  // namespace orv
