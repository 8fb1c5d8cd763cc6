#include "overlay.h"

#include <cstdio>
#include <ctime>

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

struct Frame {
    float xmin, xmax, ymin, ymax, W, H, Z, L, B, Xp, T, d, xt;
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
    return f;
}

// The result step whose time a frame shows: a single static result ramped over the display
// steps is that one step at every display step.
int32_t resultStep(const FeModel& m, const PlotSettings& s) {
    return m.results.stepCount == 1 ? 0 : s.shown.step;
}

}  // namespace

std::string plotKindText(const FeModel& m, const PlotSettings& s) {
    const int item = s.plotItem;
    const bool haveName = item >= 0 && item < int(m.results.dofNames.size());
    const std::string name = haveName ? m.results.dofNames[size_t(item)] : std::string();
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
    const Frame f = overlayFrame(camera);
    const float e = 0.05f * (f.Xp - f.L);
    const float o[3] = {f.Xp - 1.5f * e, f.B + 0.8f * e, f.Z - 2 * e};
    const float axes[3][3] = {{e, 0, 0}, {0, e, 0}, {0, 0, e}};
    const ViewAngles view = camera.viewAngles();
    for (int a = 0; a < 3; ++a) {
        const auto t = turnAsScene({axes[a][0], axes[a][1], axes[a][2]}, view);
        camera.triadEnds[size_t(a)] = {o[0] + t[0], o[1] + t[1], o[2] + t[2]};
    }
    gl.lineWidth(1.0f);
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

    const FeModel& m = c.model;
    const PlotSettings& s = c.settings;
    const auto text = [&](float x, float y, Font font, const std::string& t) {
        gl.rasterPos(x, y, f.Z);
        c.fonts.draw(gl, font, t);
    };
    ColorMap::applyColour(gl, c.userColours[ColourItem::TitleFont]);
    text(f.L + 0.05f * (f.Xp - f.L), f.B + f.d, Font::Times18Bold, m.jobTitle);

    ColorMap::applyColour(gl, c.userColours[ColourItem::LabelFont]);
    text(f.xt, f.T - f.d, Font::Times20Bold, "Orvanta Ver 3.00");
    const std::time_t now = std::time_t(c.clock);
    std::tm local{};
    localtime_r(&now, &local);
    text(f.xt, f.T - 3.5f * f.d, Font::Courier14,
         format("%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec));
    text(f.xt, f.T - 4.7f * f.d, Font::Courier14,
         format("%02d/%02d/%02d", local.tm_mon + 1, local.tm_mday, local.tm_year % 100));
    text(f.xt, f.T - 6.5f * f.d, Font::Courier14, plotKindText(m, s));
    text(f.xt, f.T - 8.5f * f.d, Font::Courier14, format("Total disp. step: %d", s.shown.count));
    text(f.xt, f.T - 10.3f * f.d, Font::Courier14, format("Step: %d", s.shown.step + 1));
    if (m.modalResults)
        text(f.xt, f.T - 12.1f * f.d, Font::Courier14,
             format("Freq. %d: %f", s.shown.mode + 1, m.stepValue(s.shown.mode)));
    else
        text(f.xt, f.T - 12.1f * f.d, Font::Courier14,
             format("Time %d: %f", s.shown.step + 1, m.stepValue(resultStep(m, s))));
    float y = f.T - 12.1f * f.d;
    if (s.numbering != Numbering::None) {
        static constexpr const char* kNumbering[3] = {"Material number,", "Type number,",
                                                      "Element number,"};
        y -= 1.8f * f.d;
        text(f.xt, y, Font::Courier14, kNumbering[size_t(s.numbering)]);
    }
    if (s.nodeNumbers) {
        y -= 1.8f * f.d;
        text(f.xt, y, Font::Courier14, "Plot node number");
    }

    const PlotMode mode = s.plotMode;
    if (mode == PlotMode::Mesh || mode == PlotMode::Partition || mode == PlotMode::Material ||
        mode == PlotMode::Node)
        return;
    const int n = c.bands.divisions;
    for (int k = 0; k < n; ++k) {
        const float y0 = f.B + f.d + 1.15f * f.d * float(k), y1 = y0 + f.d;
        c.colours.applyBand(gl, n - 1 - k);
        gl.begin(gl::Polygon);
        gl.vertex(f.xt, y0, f.Z);
        gl.vertex(f.xt + 2 * f.d, y0, f.Z);
        gl.vertex(f.xt + 2 * f.d, y1, f.Z);
        gl.vertex(f.xt, y1, f.Z);
        gl.end();
        gl.lineWidth(1.0f);
        basePalette(gl, 15);
        gl.begin(gl::LineLoop);
        gl.vertex(f.xt, y0, f.Z);
        gl.vertex(f.xt + 2 * f.d, y0, f.Z);
        gl.vertex(f.xt + 2 * f.d, y1, f.Z);
        gl.vertex(f.xt, y1, f.Z);
        gl.end();
    }
    ColorMap::applyColour(gl, c.userColours[ColourItem::LabelFont]);
    const bool haveName = s.plotItem >= 0 && s.plotItem < int(m.results.dofNames.size());
    text(f.xt, f.B + 2 * f.d + 1.15f * f.d * float(n), Font::Courier14,
         haveName ? m.results.dofNames[size_t(s.plotItem)] : std::string());
    if (mode == PlotMode::IsoLine || mode == PlotMode::IsoSurface) {
        for (int k = 0; k < n; ++k)
            text(f.xt + 2.5f * f.d, f.B + 1.2f * f.d + 1.15f * f.d * float(k), Font::Arial14,
                 scientificField(c.bands.bandBounds[size_t(k)]));
    } else if (mode == PlotMode::Contour) {
        for (int k = 0; k <= n; ++k)
            text(f.xt + 2.5f * f.d, f.B + 0.7f * f.d + 1.15f * f.d * float(k), Font::Arial14,
                 scientificField(c.bands.bandBounds[size_t(k)]));
    }
}

}  // namespace orv
