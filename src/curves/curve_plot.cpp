#include "curve_plot.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>

#include "bitmap_font_set.h"
#include "gl.h"
#include "messages.h"
#include "number_format.h"

namespace orv {

namespace {

using chart::kFrameHeight;
using chart::kFrameWidth;
using chart::kFrameX;
using chart::kFrameY;
using chart::kXIntervals;
using chart::kYIntervals;

constexpr float kXTickUnit = 0.8f, kYTickUnit = 0.5f;  // a short tick; a long one is two
constexpr float kLabelGap = 5;
constexpr float kLegendX = kFrameX + kFrameWidth + 2, kLegendY = kFrameY + kFrameHeight;
constexpr float kLegendWidth = 13, kLegendRow = 3.5f;
// The blue border runs at 0.5 and 99.5 across, 1 and 99 up; text stays within it.
constexpr float kLeft = 0.5f, kRight = 99.5f, kBottom = 1, kTop = 99;

struct Rgb {
    float r, g, b;
};
constexpr Rgb kCurveColours[6] = {{0, 0, 0},    {1, 0, 0}, {0, 0, 1},
                                  {1, 0.7f, 0}, {1, 1, 0}, {0, 1, 0}};
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// printf into a string, bounded whatever the number is.
std::string format(const char* f, double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, f, v);
    return buffer;
}

// A tick value as the axis writes it; a value that rounds to zero has no sign.
std::string tickLabel(const char* f, float v) {
    std::string s = format(f, double(v));
    if (s.find_first_not_of("-0. ") == std::string::npos) s = format(f, 0.0);
    return s;
}

std::string scaleText(float scale) {
    return "(x " + scientific(double(scale), 1) + ")";
}

float toFloat(double v) {
    return float(std::clamp(v, double(-FLT_MAX), double(FLT_MAX)));
}

void fillTicks(std::span<float> ticks, float lo, float hi) {
    const size_t n = ticks.size() - 1;
    const float step = toFloat((double(hi) - double(lo)) / double(n));
    for (size_t i = 0; i <= n; ++i)
        ticks[i] = toFloat(double(lo) + double(i) * double(step));
}

bool hasFiniteValue(const CurveTable& table, int32_t column) {
    for (int32_t r = 0; r < table.rowCount; ++r)
        if (std::isfinite(table.value(r, column))) return true;
    return false;
}

// Where a value of [lo, hi] lands on an axis that starts at `origin` and is `length` long;
// NaN for a value that is not finite.
float toPlot(float v, float lo, float hi, float origin, float length) {
    if (!std::isfinite(v)) return kNaN;
    return float((double(v) - lo) * length / (double(hi) - lo) + origin);
}

// Text measured and placed in plot units, from the fonts' pixels and the viewport's size.
struct Layout {
    const BitmapFontSet& fonts;
    float px = 0, py = 0;  // plot units per device pixel, across and up
    float gapX = 0, gapY = 0;

    float width(Font f, std::string_view t) const { return fonts.width(f, t) * px; }
    float ascent(Font f) const { return fonts.metrics(f).ascent * py; }
    float descent(Font f) const { return fonts.metrics(f).descent * py; }
    float height(Font f) const { return ascent(f) + descent(f); }
    // The start of a text of width w that should begin at x, moved so that it stays inside.
    float inside(float x, float w) const {
        return std::clamp(x, kLeft + gapX, std::max(kLeft + gapX, kRight - gapX - w));
    }
    // The baseline that centres a text of `font` on height y.
    float centred(Font f, float y) const { return y - 0.5f * (ascent(f) - descent(f)); }
    // The text, cut at its end with "..." until it is at most `limit` wide.
    std::string fit(Font f, const std::string& t, float limit) const {
        if (width(f, t) <= limit) return t;
        const auto cut = [&](size_t n) { return t.substr(0, n) + "..."; };
        if (width(f, cut(0)) > limit) return {};
        size_t lo = 0, hi = t.size();  // cut(lo) fits, cut(hi) does not
        while (hi - lo > 1) {
            const size_t mid = lo + (hi - lo) / 2;
            (width(f, cut(mid)) <= limit ? lo : hi) = mid;
        }
        return cut(lo);
    }
};

struct Box {
    float x0, y0, x1, y1;
    bool overlaps(const Box& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

// The step between labelled ticks: every second tick, or every fourth, sixth ... when the
// labels of every second would touch.
int labelStep(float extent, float spacing, int intervals) {
    int step = 2;
    while (step < intervals && extent > float(step) * spacing)
        step += 2;
    return step;
}

void line(Gl& gl, float x0, float y0, float x1, float y1) {
    gl.vertex(x0, y0);
    gl.vertex(x1, y1);
}

void rectangle(Gl& gl, unsigned mode, float x0, float y0, float x1, float y1) {
    gl.begin(mode);
    gl.vertex(x0, y0);
    gl.vertex(x0, y1);
    gl.vertex(x1, y1);
    gl.vertex(x1, y0);
    gl.end();
}

}  // namespace

float axisScale(float a, std::span<float> ticks) {
    if (!std::isfinite(a) || a <= 0) return 1;
    int k = 0;
    if (a >= 1) {
        while (a >= 10) {
            a *= 0.1f;
            ++k;
        }
    } else {
        while (a <= 1) {
            a *= 10;
            --k;
        }
    }
    const double scale = std::pow(10.0, k);
    for (float& t : ticks)
        t = float(double(t) / scale);
    return float(scale);
}

void setAxisTicks(CurvePlot& plot, float xmin, float xmax, float ymin, float ymax) {
    fillTicks(plot.xTicks, xmin, xmax);
    fillTicks(plot.yTicks, ymin, ymax);
    const float ax = std::max(std::fabs(xmin), std::fabs(xmax));
    const float ay = std::max(std::fabs(ymin), std::fabs(ymax));
    plot.xScale = ax == 0 ? 1.0f : axisScale(ax, plot.xTicks);
    plot.yScale = ay == 0 ? 1.0f : axisScale(ay, plot.yTicks);
}

bool defineCurve(const CurveTable& table, const std::string& name, int32_t xColumn,
                 std::span<const int32_t> yColumns, CurvePlot& plot, Messages& messages) {
    if (table.empty()) {
        messages.showMessage("Please fill curve data firstly!");
        return false;
    }
    if (yColumns.empty()) {
        messages.showMessage("please select Y data!");
        return false;
    }
    const int32_t columns = table.columnCount();
    if (table.rowCount < 0 || table.values.size() != size_t(table.rowCount) * size_t(columns)) {
        messages.showMessage("The curve data do not hold a value for every row and column!");
        return false;
    }
    const auto outside = [&](int32_t c, const char* which) {
        if (c >= 0 && c < columns) return false;
        messages.showMessage(std::string("There is no ") + which + " column " + std::to_string(c) +
                             " in the curve data (columns 0 to " + std::to_string(columns - 1) +
                             ")!");
        return true;
    };
    if (outside(xColumn, "X")) return false;
    for (int32_t c : yColumns)
        if (outside(c, "Y")) return false;

    CurvePlot p;
    p.curve.name = name;
    p.curve.xColumn = xColumn;
    p.curve.yColumns.assign(yColumns.begin(), yColumns.end());
    std::sort(p.curve.yColumns.begin(), p.curve.yColumns.end());
    p.curve.yColumns.erase(std::unique(p.curve.yColumns.begin(), p.curve.yColumns.end()),
                           p.curve.yColumns.end());
    p.curve.xLabel = table.names[size_t(xColumn)];
    for (int32_t c : p.curve.yColumns) {
        p.yNames.push_back(table.names[size_t(c)]);
        p.curve.yLabel += p.yNames.back() + ", ";
    }

    const std::vector<std::pair<float, float>> ranges = columnRanges(table);
    float xmin = ranges[size_t(xColumn)].first, xmax = ranges[size_t(xColumn)].second;
    if (xmin == xmax) {  // a unit range around the one abscissa, wide enough to be a range
        const float x = xmin;
        float d = 0.5f;
        while (x - d == x || x + d == x)
            d *= 2;
        xmin = toFloat(double(x) - d);
        xmax = toFloat(double(x) + d);
    }
    double ymin = 0, ymax = 0;
    bool any = false;
    for (int32_t c : p.curve.yColumns) {
        if (!hasFiniteValue(table, c)) continue;
        const auto [lo, hi] = ranges[size_t(c)];
        ymin = any ? std::min(ymin, double(lo)) : lo;
        ymax = any ? std::max(ymax, double(hi)) : hi;
        any = true;
    }
    ymax += 0.05 * (ymax - ymin);
    ymin -= 0.05 * (ymax - ymin);
    float ylo = toFloat(ymin), yhi = toFloat(ymax);
    if (ylo == yhi) {
        const float v = ylo;
        ylo = v == 0 ? -1.0f : std::min(0.0f, toFloat(2.0 * v));
        yhi = v == 0 ? 1.0f : std::max(0.0f, toFloat(2.0 * v));
    }
    setAxisTicks(p, xmin, xmax, ylo, yhi);

    const int32_t rows = table.rowCount;
    p.plotX.resize(size_t(rows));
    for (int32_t r = 0; r < rows; ++r)
        p.plotX[size_t(r)] = toPlot(table.value(r, xColumn), xmin, xmax, kFrameX, kFrameWidth);
    for (int32_t c : p.curve.yColumns) {
        std::vector<float>& y = p.plotY.emplace_back(size_t(rows));
        for (int32_t r = 0; r < rows; ++r)
            y[size_t(r)] = toPlot(table.value(r, c), ylo, yhi, kFrameY, kFrameHeight);
    }
    plot = std::move(p);
    return true;
}

void curvePlotProjection(Gl& gl, int width, int height) {
    gl.viewport(0, 0, std::max(0, width), std::max(0, height));
    gl.matrixMode(gl::Projection);
    gl.loadIdentity();
    gl.ortho(0, 100, 0, 100, -1, 1);
    gl.matrixMode(gl::Modelview);
    gl.loadIdentity();
}

void drawCurvePlot(Gl& gl, BitmapFontSet& fonts, const CurvePlot& plot, float pixelScale) {
    const float x0 = kFrameX, y0 = kFrameY, w = kFrameWidth, h = kFrameHeight;
    const float sx = w / float(kXIntervals), sy = h / float(kYIntervals);
    const float ps = std::isfinite(pixelScale) && pixelScale > 0 ? pixelScale : 1.0f;
    int viewport[4] = {0, 0, 0, 0};
    gl.getViewport(viewport);
    Layout m{fonts};
    if (viewport[2] > 0 && viewport[3] > 0) {
        m.px = 100.0f / float(viewport[2]);
        m.py = 100.0f / float(viewport[3]);
    }
    m.gapX = 3 * ps * m.px;
    m.gapY = 3 * ps * m.py;
    const auto text = [&](float x, float y, Font font, const std::string& t) {
        gl.rasterPos(x, y, 0);
        fonts.draw(gl, font, t);
    };

    gl.disable(gl::Lighting);
    gl.disable(gl::DepthTest);
    gl.clearColor(1, 1, 1, 1);
    gl.clear(gl::ColorBufferBit | gl::DepthBufferBit);

    gl.lineWidth(ps);
    gl.color(0, 0, 1);
    gl.begin(gl::LineLoop);
    gl.vertex(kLeft, kBottom);
    gl.vertex(kRight, kBottom);
    gl.vertex(kRight, kTop);
    gl.vertex(kLeft, kTop);
    gl.end();

    // X axis: ticks up from the bottom and down from the top, every second one long and
    // labelled unless the labels would touch; the labels centred under their ticks.
    gl.color(0, 0, 0);
    gl.begin(gl::Lines);
    for (int i = 0; i <= kXIntervals; ++i) {
        const float x = x0 + float(i) * sx, len = (i % 2 == 0 ? 2 : 1) * kXTickUnit;
        line(gl, x, y0, x, y0 + len);
        if (i > 0) line(gl, x, y0 + h, x, y0 + h - len);
    }
    gl.end();
    std::vector<std::string> xLabels;
    float widest = 0;
    for (int i = 0; i <= kXIntervals; i += 2) {
        xLabels.push_back(tickLabel("%4.3f", plot.xTicks[size_t(i)]));
        widest = std::max(widest, m.width(Font::Arial12, xLabels.back()));
    }
    const int xStep = labelStep(widest + 2 * m.gapX, sx, kXIntervals);
    const float xLabelY =
        std::min(y0 - kLabelGap, y0 - 2 * kXTickUnit - m.gapY - m.ascent(Font::Arial12));
    std::vector<Box> taken;
    float lastLabelEnd = x0;
    for (int i = 0; i <= kXIntervals; i += xStep) {
        const std::string& t = xLabels[size_t(i / 2)];
        const float tw = m.width(Font::Arial12, t);
        const float x = m.inside(x0 + float(i) * sx - 0.5f * tw, tw);
        text(x, xLabelY, Font::Arial12, t);
        taken.push_back(
            {x, xLabelY - m.descent(Font::Arial12), x + tw, xLabelY + m.ascent(Font::Arial12)});
        lastLabelEnd = x + tw;
    }

    // The axis name right of the frame level with the axis, its scale below it level with
    // the labels, or on the name's row at the right when the last label is in the way.
    const float besideFrame = x0 + w + 3;
    const std::string xScaleText = scaleText(plot.xScale);
    const float xScaleWidth = m.width(Font::Courier14, xScaleText);
    float xScaleX = std::min(besideFrame, kRight - m.gapX - xScaleWidth);
    float xScaleY =
        std::min(xLabelY, y0 - m.descent(Font::Courier14) - m.gapY - m.ascent(Font::Courier14));
    const float nameY =
        std::max(std::min(y0 - 2.2f * kLabelGap, xLabelY - m.descent(Font::Arial12) - m.gapY -
                                                     m.ascent(Font::Courier14Bold)),
                 kBottom + m.gapY + m.descent(Font::Courier14Bold));
    if (xScaleX < lastLabelEnd + m.gapX) {
        xScaleX = m.inside(kRight, xScaleWidth);
        xScaleY = nameY;
    }
    // The name ends before the scale when both reach the same height.
    const bool sharedRow =
        xScaleY - m.descent(Font::Courier14) < nameY + m.ascent(Font::Courier14Bold) + m.gapY;
    const float nameRight = sharedRow ? xScaleX - 2 * m.gapX : kRight - m.gapX;
    const float xNameX = std::max(
        x0 + w + m.gapX,
        std::min(besideFrame, kRight - m.gapX - m.width(Font::Courier14, plot.curve.xLabel)));
    text(xNameX, y0, Font::Courier14,
         m.fit(Font::Courier14, plot.curve.xLabel, kRight - m.gapX - xNameX));
    text(xScaleX, xScaleY, Font::Courier14, xScaleText);

    // The curve's name centred under the frame.
    const std::string name =
        m.fit(Font::Courier14Bold, plot.curve.name, nameRight - kLeft - m.gapX);
    const float nameWidth = m.width(Font::Courier14Bold, name);
    text(std::min(m.inside(x0 + 0.5f * (w - nameWidth), nameWidth), nameRight - nameWidth), nameY,
         Font::Courier14Bold, name);

    // Y axis: ticks right from the left edge and left from the right edge; labels end just
    // left of the axis, centred on their ticks.
    gl.begin(gl::Lines);
    for (int j = 0; j <= kYIntervals; ++j) {
        const float y = y0 + float(j) * sy, len = (j % 2 == 0 ? 2 : 1) * kYTickUnit;
        line(gl, x0, y, x0 + len, y);
        if (j > 0) line(gl, x0 + w, y, x0 + w - len, y);
    }
    gl.end();
    // The Y columns' names and their scale above the frame (the names give way to the scale);
    // then the tick labels that leave every text placed so far clear.
    const std::string yScaleText = scaleText(plot.yScale);
    const float yScaleWidth = m.width(Font::Courier14, yScaleText);
    const float space = m.width(Font::Courier14, " ");
    const float yNameY = std::min(y0 + h + kLabelGap, kTop - m.gapY - m.ascent(Font::Courier14));
    const float yNameX = m.inside(x0 - kLabelGap, yScaleWidth);
    const std::string yLabel =
        m.fit(Font::Courier14, plot.curve.yLabel, kRight - m.gapX - yNameX - space - yScaleWidth);
    text(yNameX, yNameY, Font::Courier14, yLabel);
    const bool spaced = yLabel.empty() || yLabel.back() == ' ';
    const float yScaleX =
        m.inside(yNameX + m.width(Font::Courier14, yLabel) + (spaced ? 0 : space), yScaleWidth);
    text(yScaleX, yNameY, Font::Courier14, yScaleText);
    taken.push_back({yNameX, yNameY - m.descent(Font::Courier14), yScaleX + yScaleWidth,
                     yNameY + m.ascent(Font::Courier14)});

    const int yStep = labelStep(m.height(Font::Arial12) + m.gapY, sy, kYIntervals);
    for (int j = 0; j <= kYIntervals; j += yStep) {
        const std::string t = tickLabel("%-5.3f", plot.yTicks[size_t(j)]);
        const float tw = m.width(Font::Arial12, t),
                    y = m.centred(Font::Arial12, y0 + float(j) * sy);
        const float x = std::max(kLeft + m.gapX, x0 - m.gapX - tw);
        const Box box{x, y - m.descent(Font::Arial12), x + tw, y + m.ascent(Font::Arial12)};
        if (std::any_of(taken.begin(), taken.end(), [&](const Box& b) { return b.overlaps(box); }))
            continue;
        text(x, y, Font::Arial12, t);
    }

    // The dotted grid.
    gl.color(0.6f, 0.6f, 0.6f);
    gl.lineWidth(0.8f * ps);
    gl.enable(gl::LineStipple);
    gl.lineStipple(std::max(1, int(std::lround(2 * ps))), 0xAAAA);
    gl.begin(gl::Lines);
    for (int i = 1; i <= kXIntervals; ++i)
        line(gl, x0 + float(i) * sx, y0, x0 + float(i) * sx, y0 + h);
    for (int j = 1; j <= kYIntervals; ++j)
        line(gl, x0, y0 + float(j) * sy, x0 + w, y0 + float(j) * sy);
    gl.end();
    gl.disable(gl::LineStipple);
    gl.lineWidth(ps);

    // The legend: a row per Y column, as many as fit above the X axis's name; rows grow with
    // the font, the box widens to the left for long names up to the frame, and names still
    // too long are cut.
    const size_t n = plot.yNames.size();
    const float row = std::max(kLegendRow, m.height(Font::Arial12) + 2 * m.gapY);
    const float floor = y0 + m.ascent(Font::Courier14) + m.gapY;
    const size_t fit = size_t(std::max(1.0f, std::floor((kLegendY - floor) / row)));
    const size_t rows = std::min(n, fit);
    const bool cut = rows < n;
    float widestName = 0;
    for (size_t k = 0; k < rows; ++k)
        widestName = std::max(widestName, m.width(Font::Arial12, plot.yNames[k]));
    const float wanted = std::max(kLegendWidth, 0.33f * kLegendWidth + widestName + m.gapX);
    const float lx = std::max(x0 + w + m.gapX, std::min(kLegendX, kRight - m.gapX - wanted));
    const float ly = kLegendY, lw = std::min(wanted, kRight - m.gapX - lx);
    const float ybottom = ly - row * float(rows);
    gl.color(1, 1, 1);
    rectangle(gl, gl::Polygon, lx, ybottom, lx + lw, ly);
    gl.color(1, 0.7f, 0);
    rectangle(gl, gl::LineLoop, lx, ybottom, lx + lw, ly);
    const float nameX = lx + 0.33f * kLegendWidth, nameLimit = lx + lw - m.gapX - nameX;
    for (size_t k = 0; k < rows; ++k) {
        const float y = ly - (float(k) + 0.5f) * row;
        std::string t = plot.yNames[k];
        if (cut && k + 1 == rows) {
            t = "... " + std::to_string(n - k) + " more";
        } else {
            const Rgb& c = kCurveColours[k % 6];
            gl.color(c.r, c.g, c.b);
            gl.begin(gl::Lines);
            line(gl, lx + 0.02f * kLegendWidth, y, lx + 0.3f * kLegendWidth, y);
            gl.end();
        }
        gl.color(0, 0, 0);
        text(nameX, m.centred(Font::Arial12, y), Font::Arial12, m.fit(Font::Arial12, t, nameLimit));
    }

    gl.color(0, 0, 0);
    rectangle(gl, gl::LineLoop, x0, y0, x0 + w, y0 + h);

    // The curves: a value that is not finite breaks the line.
    for (size_t k = 0; k < plot.plotY.size(); ++k) {
        const Rgb& c = kCurveColours[k % 6];
        const std::vector<float>& y = plot.plotY[k];
        const std::vector<float>& x = plot.plotX;
        gl.color(c.r, c.g, c.b);
        gl.begin(gl::Lines);
        for (size_t r = 0; r + 1 < x.size() && r + 1 < y.size(); ++r)
            if (std::isfinite(x[r]) && std::isfinite(y[r]) && std::isfinite(x[r + 1]) &&
                std::isfinite(y[r + 1]))
                line(gl, x[r], y[r], x[r + 1], y[r + 1]);
        gl.end();
    }
    gl.flush();
}

}  // namespace orv
