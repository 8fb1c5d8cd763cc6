#include "overlay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string_view>
#include <vector>

#include "bitmap_font_set.h"
#include "camera.h"
#include "color_map.h"
#include "draw_context.h"
#include "fe_model.h"
#include "geometry.h"
#include "gl.h"
#include "number_format.h"
#include "plot_settings.h"

namespace orv {

namespace {

// printf into a string, bounded whatever the numbers are.
template <class... Args>
std::string format(const char* f, Args... args) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, f, args...);
    return buffer;
}

// "%12.3e" with the three-digit exponent of everything the system writes.
std::string scientificField(float v) {
    char buffer[48];
    return std::string(buffer, size_t(formatScientificField(buffer, double(v), 3, 12)));
}

// The overlay's places in the camera's box (the units of its raster positions): the panel
// from Xp to the right edge, the drawing frame (L, B) to (Xp, T), the unit d of the title
// block and legend, their left edge xt, and px, the units of one device pixel.
struct Frame {
    float xmin, xmax, ymin, ymax, W, H, Z, L, B, Xp, T, d, xt, px;
};

Frame overlayFrame(const Camera& camera) {
    Frame f{};
    f.xmin = camera.loaded.left;
    f.xmax = camera.loaded.right;
    f.ymin = camera.loaded.bottom;
    f.ymax = camera.loaded.top;
    f.W = f.xmax - f.xmin;
    f.H = f.ymax - f.ymin;
    // On the near plane, in front of the scene (the eye looks along -z).
    f.Z = -camera.nearPlane();
    f.L = f.xmin + 0.01f * f.W;
    f.B = f.ymin + 0.01f * f.W;
    f.Xp = f.xmin + 0.8f * f.W;
    f.T = f.ymin + 0.95f * f.H;
    f.d = 0.02f * (f.Xp - f.L);
    f.xt = f.Xp + 1.5f * f.d;
    f.px = camera.viewportWidth > 0 ? f.W / camera.viewportWidth : 0.0f;
    return f;
}

// The axis triad's origin and axis length: every axis, however turned, stays within e of it.
struct Triad {
    float o[3], e;
};

Triad triadPlace(const Frame& f) {
    const float e = 0.05f * (f.Xp - f.L);
    return {{f.Xp - 1.5f * e, f.B + 0.8f * e, f.Z - 2 * e}, e};
}

// Text measured in the overlay's units, with the fonts' own metrics.
struct Measure {
    const BitmapFontSet& fonts;
    float px;
    float ascent(Font font) const { return fonts.metrics(font).ascent * px; }
    float descent(Font font) const { return fonts.metrics(font).descent * px; }
    float height(Font font) const { return fonts.metrics(font).height() * px; }
    float width(Font font, std::string_view text) const { return fonts.width(font, text) * px; }
};

// The text cut to at most `limit` wide after a whole word, followed by "..." when `ellipsis`;
// a first word wider than the limit is cut between characters.
std::string fitText(const Measure& m, Font font, const std::string& text, float limit,
                    bool ellipsis) {
    if (m.width(font, text) <= limit) return text;
    const std::string tail = ellipsis ? "..." : "";
    for (size_t space = text.rfind(' '); space != std::string::npos && space > 0;
         space = text.rfind(' ', space - 1)) {
        const size_t last = text.find_last_not_of(' ', space);
        if (last == std::string::npos) break;
        std::string cut = text.substr(0, last + 1) + tail;
        if (m.width(font, cut) <= limit) return cut;
    }
    for (size_t n = text.size(); n-- > 0;) {
        std::string cut = text.substr(0, n) + tail;
        if (m.width(font, cut) <= limit) return cut;
    }
    return {};
}

// The largest x in [lo, hi] for which ok(x) holds, ok holding up to a point; lo when it
// holds nowhere.
template <class F>
float largest(float lo, float hi, F ok) {
    if (ok(hi)) return hi;
    for (int i = 0; i < 40; ++i) {
        const float mid = 0.5f * (lo + hi);
        (ok(mid) ? lo : hi) = mid;
    }
    return lo;
}

// A line of the title block: `gap` is its preferred distance below the line above, in d.
struct TitleLine {
    Font font;
    std::string text;
    float gap;
};

// The legend's boxes and values: n boxes a step s apart (each s / 1.15 tall) from y0 up, and
// values in valueFont, every `every`-th one (the first and last always), then the name.
enum class LegendKind { None, Boxes, Bands, IsoValues };
struct Legend {
    LegendKind kind = LegendKind::None;
    int n = 0;
    Font valueFont = Font::Arial14;
    Font nameFont = Font::Courier14;
    std::string name;
    std::vector<std::string> values;  // bottom first
    float s = 0, boxWidth = 0, valueX = 0;
    int every = 1;
};

// The result step whose time a frame shows: a single static result ramped over the display
// steps is that one step at every display step.
int32_t resultStep(const FeModel& m, const PlotSettings& s) {
    return m.results.stepCount == 1 ? 0 : s.shown.step;
}

}  // namespace

std::string plotKindText(const FeModel& m, const PlotSettings& s) {
    // The magnitude's vectors are the displacements.
    const int item = m.isMagnitude(s.plotItem) ? 0 : s.plotItem;
    const std::string name = m.plotItemName(s.plotItem);
    switch (s.plotMode) {
        case PlotMode::Contour:
            return name == "MOMENT" || name == "SHEAR" ? "Element Solution" : "Nodal Solution";
        case PlotMode::IsoLine:
            return "Isoline";
        case PlotMode::IsoSurface:
            return "IsoSurface";
        case PlotMode::Mesh:
            return "Plot mesh";
        case PlotMode::Partition:
            return "Plot partition";
        case PlotMode::Material:
            return "Plot material";
        case PlotMode::Node:
            return "Plot node";
        case PlotMode::Vector:
            return item < m.dimension ? "Displacement vector" : "Velocity vector";
        default:
            return "";
    }
}

void drawAxisTriad(const DrawContext& c, Camera& camera) {
    Gl& gl = c.gl;
    const Triad t = triadPlace(overlayFrame(camera));
    const float* o = t.o;
    const float axes[3][3] = {{t.e, 0, 0}, {0, t.e, 0}, {0, 0, t.e}};
    const ViewAngles view = camera.viewAngles();
    for (int a = 0; a < 3; ++a) {
        const auto v = turnAsScene({axes[a][0], axes[a][1], axes[a][2]}, view);
        camera.triadEnds[size_t(a)] = {o[0] + v[0], o[1] + v[1], o[2] + v[2]};
    }
    gl.lineWidth(c.pixelScale);
    ColorMap::applyColour(gl, c.userColours[ColourItem::AxisColor]);
    gl.begin(gl::Lines);
    for (const auto& end : camera.triadEnds) {
        gl.vertex(o[0], o[1], o[2]);
        gl.vertex(end.data());
    }
    gl.end();
    static constexpr const char* kLetters[3] = {"X", "y", "Z"};
    for (int a = 0; a < 3; ++a) {
        const auto& end = camera.triadEnds[size_t(a)];
        gl.rasterPos(end[0], end[1], end[2]);
        c.fonts.draw(gl, Font::Courier12Bold, kLetters[a]);
    }
}

namespace {

// The lines of the title block, each in a font and cut so that it fits `width`: the block
// takes its smaller fonts when a line is too wide, and cuts a line still too wide after a
// word.
std::vector<TitleLine> titleLines(const DrawContext& c, const Measure& m, float width) {
    const FeModel& model = c.model;
    const PlotSettings& s = c.settings;
    const std::time_t now = std::time_t(c.clock);
    std::tm local{};
    localtime_r(&now, &local);
    const Font mono = Font::Courier14;
    std::vector<TitleLine> lines = {
        {Font::Times20Bold, "Orvanta Ver 3.00", 0},
        {mono, format("%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec), 2.5f},
        {mono, format("%02d/%02d/%02d", local.tm_mon + 1, local.tm_mday, local.tm_year % 100),
         1.2f},
        {mono, plotKindText(model, s), 1.8f},
        {mono, format("Total disp. step: %d", s.shown.count), 2.0f},
        {mono, format("Step: %d", s.shown.step + 1), 1.8f},
        {mono,
         model.modalResults
             ? format("Freq. %d: %f", s.shown.mode + 1, model.stepValue(s.shown.mode))
             : format("Time %d: %f", s.shown.step + 1, model.stepValue(resultStep(model, s))),
         1.8f},
    };
    if (s.numbering != Numbering::None) {
        static constexpr const char* kNumbering[3] = {"Material number,", "Type number,",
                                                      "Element number,"};
        lines.push_back({mono, kNumbering[size_t(s.numbering)], 1.8f});
    }
    if (s.nodeNumbers) lines.push_back({mono, "Plot node number", 1.8f});

    if (m.width(lines[0].font, lines[0].text) > width) lines[0].font = Font::Times16Bold;
    const bool narrow = std::any_of(lines.begin() + 1, lines.end(), [&](const TitleLine& l) {
        return m.width(l.font, l.text) > width;
    });
    for (TitleLine& l : lines) {
        if (narrow && l.font == mono) l.font = Font::Arial12;
        l.text = fitText(m, l.font, l.text, width, false);
    }
    return lines;
}

// The baselines of the title lines with their gaps shrunk by `x` (0 to 1): at 0 the lines
// are as close as their ink allows.
std::vector<float> baselines(const std::vector<TitleLine>& lines, float x, const Frame& f,
                             const Measure& m, float lead) {
    std::vector<float> y;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i == 0) {
            y.push_back(std::min(f.T - f.d, f.ymax - 2 * lead - m.ascent(lines[0].font)));
            continue;
        }
        const float least = m.descent(lines[i - 1].font) + m.ascent(lines[i].font) + lead;
        y.push_back(y.back() - std::max(least, lines[i].gap * f.d * x));
    }
    return y;
}

float titleBottom(const std::vector<TitleLine>& lines, float x, const Frame& f, const Measure& m,
                  float lead) {
    return baselines(lines, x, f, m, lead).back() - m.descent(lines.back().font);
}

Legend legendFor(const DrawContext& c, const Measure& m, float width) {
    const FeModel& model = c.model;
    const PlotSettings& s = c.settings;
    Legend g;
    switch (s.plotMode) {
        case PlotMode::Mesh:
        case PlotMode::Partition:
        case PlotMode::Material:
        case PlotMode::Node:
            return g;
        case PlotMode::Contour:
            g.kind = LegendKind::Bands;
            break;
        case PlotMode::IsoLine:
        case PlotMode::IsoSurface:
            g.kind = LegendKind::IsoValues;
            break;
        default:
            g.kind = LegendKind::Boxes;
    }
    g.n = std::clamp(c.bands.divisions, 1, 20);
    if (g.kind != LegendKind::Boxes) {
        const int count = g.kind == LegendKind::Bands ? g.n + 1 : g.n;
        for (int k = 0; k < count; ++k)
            g.values.push_back(scientificField(c.bands.bandBounds[size_t(k)]));
    }
    g.name = model.plotItemName(s.plotItem);
    if (m.width(g.nameFont, g.name) > width) g.nameFont = Font::Arial12;
    g.name = fitText(m, g.nameFont, g.name, width, true);
    return g;
}

// Puts the values in `font` beside the boxes, right of xt: the boxes give way to wide values,
// down to d wide; false when the values need more.
bool placeAcross(Legend& g, Font font, const Frame& f, const Measure& m, float right) {
    float widest = 0;
    for (const std::string& v : g.values)
        widest = std::max(widest, m.width(font, v));
    g.valueFont = font;
    g.valueX = std::min(f.xt + 2.5f * f.d, right - widest);
    g.boxWidth = std::max(0.25f * f.d, std::min(2 * f.d, g.valueX - f.xt - 0.5f * f.d));
    return g.valueX - f.xt - 0.5f * f.d >= f.d;
}

// The height of the boxes and values at step s, from the lowest ink to the highest.
float stackHeight(const Legend& g, float s, const Measure& m) {
    const float h = s / 1.15f, v = g.values.empty() ? 0.0f : m.height(g.valueFont);
    if (g.kind == LegendKind::Bands) return s * float(g.n) + v;  // values centred on the gaps
    return s * float(g.n - 1) + std::max(h, v);                  // values centred on the boxes
}

float legendHeight(const Legend& g, float s, const Measure& m, float nameGap) {
    if (g.kind == LegendKind::None) return 0.0f;
    return stackHeight(g, s, m) + nameGap + m.height(g.nameFont);
}

// Chooses the title block's gaps (returned, 0 to 1), the legend's step, value font and the
// values it shows so that the legend stands between B and the last title line; the
// legend's step shrinks before the values take the smaller font, and only then are values
// left out. Title lines that leave no room even so are left out from the last.
float arrange(std::vector<TitleLine>& lines, Legend& g, const Frame& f, const Measure& m,
              float lead, float right) {
    const float nameGap = std::max(lead, 0.4f * f.d), minStep = 2 * lead;
    const auto fits = [&](float x, float s) {
        const float sep =
            g.kind == LegendKind::None ? 0.0f : std::max({0.5f * f.d, 2 * lead, 1.5f * f.d * x});
        return f.B + legendHeight(g, s, m, nameGap) <= titleBottom(lines, x, f, m, lead) - sep;
    };
    const Font fonts[2] = {Font::Arial14, Font::Arial12};
    for (;;) {
        float need = 0, s0 = 0;
        for (Font font : fonts) {
            if (!placeAcross(g, font, f, m, right) && font != fonts[1]) continue;
            need = g.values.empty() ? 0.0f : m.height(font) + lead;
            s0 = std::max(1.15f * f.d, need);
            g.s = s0;
            g.every = 1;
            if (fits(0, s0)) return largest(0, 1, [&](float x) { return fits(x, s0); });
            g.s = largest(0, s0, [&](float s) { return fits(0, s); });
            if (g.s >= need && fits(0, g.s)) return 0.0f;
        }
        if ((fits(0, g.s) && g.s >= minStep) || lines.size() == 1) {
            g.s = std::max(g.s, minStep);
            g.every = g.s > 0 ? std::max(1, int(std::ceil(need / g.s))) : 1;
            return 0.0f;
        }
        lines.pop_back();
    }
}

}  // namespace

void drawOverlay(const DrawContext& c, Camera& camera) {
    Gl& gl = c.gl;
    const Frame f = overlayFrame(camera);
    camera.drawingFrame = {f.L, f.B, f.Xp, f.T};
    gl.disable(gl::Lighting);
    gl.disable(gl::DepthTest);
    drawAxisTriad(c, camera);

    ColorMap::applyColour(gl, c.userColours[ColourItem::LabelBkg]);
    gl.begin(gl::Polygon);
    gl.vertex(f.Xp, f.ymin, f.Z);
    gl.vertex(f.xmax, f.ymin, f.Z);
    gl.vertex(f.xmax, f.ymax, f.Z);
    gl.vertex(f.Xp, f.ymax, f.Z);
    gl.end();

    const auto text = [&](float x, float y, Font font, const std::string& t) {
        gl.rasterPos(x, y, f.Z);
        c.fonts.draw(gl, font, t);
    };
    const Measure m{c.fonts, f.px};
    const float pixel = f.px * c.pixelScale, lead = 2 * pixel, right = f.xmax - 3 * pixel;

    // The job title ends before the axis triad.
    const Triad triad = triadPlace(f);
    const float titleX = f.L + 0.05f * (f.Xp - f.L);
    const float titleEnd = triad.o[0] - triad.e - 4 * pixel;
    ColorMap::applyColour(gl, c.userColours[ColourItem::TitleFont]);
    text(titleX, f.B + f.d, Font::Times18Bold,
         fitText(m, Font::Times18Bold, c.model.jobTitle, titleEnd - titleX, true));

    std::vector<TitleLine> lines = titleLines(c, m, right - f.xt);
    Legend g = legendFor(c, m, right - f.xt);
    const float x = arrange(lines, g, f, m, lead, right);
    ColorMap::applyColour(gl, c.userColours[ColourItem::LabelFont]);
    const std::vector<float> y = baselines(lines, x, f, m, lead);
    for (size_t i = 0; i < lines.size(); ++i)
        text(f.xt, y[i], lines[i].font, lines[i].text);
    if (g.kind == LegendKind::None) return;

    const int n = g.n;
    const float s = g.s, h = s / 1.15f, v = g.values.empty() ? 0.0f : m.height(g.valueFont);
    const float y0 =
        f.B + (g.kind == LegendKind::Bands ? 0.5f * (s - h + v) : std::max(0.0f, 0.5f * (v - h)));
    const float x0 = f.xt, x1 = f.xt + g.boxWidth;
    for (int k = 0; k < n; ++k) {
        const float b = y0 + s * float(k), t = b + h;
        c.colours.applyBand(gl, n - 1 - k);
        gl.begin(gl::Polygon);
        gl.vertex(x0, b, f.Z);
        gl.vertex(x1, b, f.Z);
        gl.vertex(x1, t, f.Z);
        gl.vertex(x0, t, f.Z);
        gl.end();
        gl.lineWidth(c.pixelScale);
        basePalette(gl, 15);
        gl.begin(gl::LineLoop);
        gl.vertex(x0, b, f.Z);
        gl.vertex(x1, b, f.Z);
        gl.vertex(x1, t, f.Z);
        gl.vertex(x0, t, f.Z);
        gl.end();
    }
    ColorMap::applyColour(gl, c.userColours[ColourItem::LabelFont]);
    text(f.xt, f.B + stackHeight(g, s, m) + std::max(lead, 0.4f * f.d) + m.descent(g.nameFont),
         g.nameFont, g.name);
    const int count = int(g.values.size());
    const float toBaseline = 0.5f * (m.ascent(g.valueFont) - m.descent(g.valueFont));
    for (int k = 0; k < count; ++k) {
        const bool shown = k == count - 1 || (k % g.every == 0 && count - 1 - k >= g.every);
        if (!shown) continue;
        const float centre = g.kind == LegendKind::Bands ? y0 + s * float(k) - 0.5f * (s - h)
                                                         : y0 + s * float(k) + 0.5f * h;
        text(g.valueX, centre - toBaseline, g.valueFont, g.values[size_t(k)]);
    }
}

}  // namespace orv
