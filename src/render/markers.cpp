#include "markers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bitmap_font_set.h"
#include "camera.h"
#include "color_map.h"
#include "cut_plane.h"
#include "draw_context.h"
#include "fe_model.h"
#include "gl.h"
#include "plot_settings.h"

namespace orv {

namespace {

bool spatial(ElementFamily f) {
    return f == ElementFamily::Solid || f == ElementFamily::Shell || f == ElementFamily::SpaceLine;
}

// Per node: 1 when a shown element holds it on the kept side of the cut.
std::vector<uint8_t> shownNodes(const FeModel& m, const CutPlane& cut) {
    std::vector<uint8_t> shown(size_t(m.nodeCount), 0);
    const auto& plane = cut.plane();
    const double onPlane = CutPlane::onPlaneTolerance(m);
    const auto kept = [&](int32_t i) {
        double d = plane[3];
        for (int k = 0; k < std::min(m.dimension, 3); ++k)
            d += plane[size_t(k)] * m.coordinate(i, k);
        return d <= onPlane;
    };
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const ElementRecord& r = m.elements[size_t(e)];
        if (r.selected == 0) continue;
        const CutState state = spatial(r.family) ? cut.state(e) : CutState::Whole;
        if (state == CutState::Removed) continue;
        for (const int32_t n : m.elementNodes(e))
            if (n >= 1 && n <= m.nodeCount && (state != CutState::Cut || kept(n - 1)))
                shown[size_t(n - 1)] = 1;
    }
    return shown;
}

// The overlay's units: the camera's box on the near plane, `px` of it to a device pixel.
struct Place {
    const Camera& camera;
    const DrawContext& c;
    float px, z, left, right, bottom, top;

    // Where a node's deformed position is drawn.
    std::array<float, 2> of(int32_t node) const {
        const float* p = c.nodes.deformed.data() + size_t(node) * 3;
        const auto r = turnAsScene({p[0], p[1], p[2]}, c.view);
        return {camera.translation[0] + camera.scale * r[0],
                camera.translation[1] + camera.scale * r[1]};
    }
    // A size in device pixels at the picture's scale.
    float pixels(float n) const { return n * px * c.pixelScale; }
};

void ring(Gl& gl, const Place& at, std::array<float, 2> q, float radius) {
    gl.begin(gl::LineLoop);
    for (int k = 0; k < 24; ++k) {
        const double a = 2 * M_PI * k / 24;
        gl.vertex(q[0] + radius * float(std::cos(a)), q[1] + radius * float(std::sin(a)), at.z);
    }
    gl.end();
}

// A green ring with a cross inside, over a black one for contrast on any colour.
void probeMark(Gl& gl, const Place& at, int32_t node) {
    const auto q = at.of(node);
    const float r = at.pixels(7.0f), arm = at.pixels(3.5f);
    gl.lineWidth(3.5f * at.c.pixelScale);
    gl.color(0, 0, 0);
    ring(gl, at, q, r);
    gl.lineWidth(1.5f * at.c.pixelScale);
    gl.color(0.1f, 1.0f, 0.2f);
    ring(gl, at, q, r);
    gl.begin(gl::Lines);
    gl.vertex(q[0] - arm, q[1], at.z);
    gl.vertex(q[0] + arm, q[1], at.z);
    gl.vertex(q[0], q[1] - arm, at.z);
    gl.vertex(q[0], q[1] + arm, at.z);
    gl.end();
}

struct Box {
    float left, bottom, right, top;
};

bool overlap(const Box& a, const Box& b) {
    return a.left < b.right && b.left < a.right && a.bottom < b.top && b.bottom < a.top;
}

// Moves a box inside the drawing area, as far as it fits.
Box inside(Box b, const Place& at) {
    const float margin = at.pixels(2), w = b.right - b.left, h = b.top - b.bottom;
    const float x = std::max(at.left + margin, std::min(b.left, at.right - margin - w));
    const float y = std::max(at.bottom + margin, std::min(b.bottom, at.top - margin - h));
    return {x, y, x + w, y + h};
}

struct Marker {
    int32_t node;
    bool max;
    std::string text;
    Box box;
};

// A triangle at the node, pointing up at a maximum and down at a minimum: white with a
// black edge, on any band.
void triangleMark(Gl& gl, const Place& at, const Marker& m) {
    const auto q = at.of(m.node);
    const float h = at.pixels(7.0f), s = m.max ? 1.0f : -1.0f;
    const std::array<std::array<float, 2>, 3> corners = {{{q[0], q[1] + s * h},
                                                          {q[0] - 0.87f * h, q[1] - s * 0.5f * h},
                                                          {q[0] + 0.87f * h, q[1] - s * 0.5f * h}}};
    gl.color(1, 1, 1);
    gl.begin(gl::Polygon);
    for (const auto& p : corners)
        gl.vertex(p[0], p[1], at.z);
    gl.end();
    gl.lineWidth(1.5f * at.c.pixelScale);
    gl.color(0, 0, 0);
    gl.begin(gl::LineLoop);
    for (const auto& p : corners)
        gl.vertex(p[0], p[1], at.z);
    gl.end();
}

void label(Gl& gl, const Place& at, const Marker& m) {
    const DrawContext& c = at.c;
    const Box& b = m.box;
    ColorMap::applyColour(gl, c.userColours[ColourItem::LabelBkg]);
    gl.begin(gl::Polygon);
    gl.vertex(b.left, b.bottom, at.z);
    gl.vertex(b.right, b.bottom, at.z);
    gl.vertex(b.right, b.top, at.z);
    gl.vertex(b.left, b.top, at.z);
    gl.end();
    ColorMap::applyColour(gl, c.userColours[ColourItem::LabelFont]);
    gl.lineWidth(c.pixelScale);
    gl.begin(gl::LineLoop);
    gl.vertex(b.left, b.bottom, at.z);
    gl.vertex(b.right, b.bottom, at.z);
    gl.vertex(b.right, b.top, at.z);
    gl.vertex(b.left, b.top, at.z);
    gl.end();
    const float descent = c.fonts.metrics(Font::Arial12).descent * at.px;
    gl.rasterPos(b.left + at.pixels(3), b.bottom + at.pixels(2) + descent, at.z);
    c.fonts.draw(gl, Font::Arial12, m.text);
}

std::string markerText(bool max, float value, int32_t node) {
    char text[96];
    std::snprintf(text, sizeof text, "%s %.6g (node %d)", max ? "MAX" : "MIN", double(value),
                  node + 1);
    return text;
}

}  // namespace

ExtremeNodes extremeNodes(const DrawContext& c) {
    ExtremeNodes x;
    const FeModel& m = c.model;
    if (!c.nodes.hasValues || c.nodes.values.size() < size_t(m.nodeCount)) return x;
    const std::vector<uint8_t> shown = shownNodes(m, c.cut);
    for (int32_t i = 0; i < m.nodeCount; ++i) {
        const float v = c.nodes.values[size_t(i)];
        if (!shown[size_t(i)] || !std::isfinite(v)) continue;
        if (x.maxNode < 0 || v > x.maxValue) x.maxNode = i, x.maxValue = v;
        if (x.minNode < 0 || v < x.minValue) x.minNode = i, x.minValue = v;
    }
    return x;
}

bool plotShowsValues(const PlotSettings& s) {
    return s.plotMode == PlotMode::Contour || s.plotMode == PlotMode::IsoLine ||
           s.plotMode == PlotMode::IsoSurface || s.plotMode == PlotMode::Vector;
}

void drawMarks(const DrawContext& c, const Camera& camera) {
    const bool markers = c.settings.markers && plotShowsValues(c.settings);
    const bool probed = c.probed >= 1 && c.probed <= c.model.nodeCount;
    if ((!markers && !probed) || camera.viewportWidth <= 0) return;
    const Rect& box = camera.loaded;
    const float px = (box.right - box.left) / camera.viewportWidth;
    // Left of the legend panel, which takes the right fifth.
    const Place at{camera,     c,
                   px,         -camera.nearPlane(),
                   box.left,   box.left + 0.8f * (box.right - box.left),
                   box.bottom, box.top};
    Gl& gl = c.gl;
    gl.disable(gl::Lighting);
    gl.disable(gl::DepthTest);
    if (probed) probeMark(gl, at, c.probed - 1);
    if (!markers) return;
    const ExtremeNodes x = extremeNodes(c);
    if (x.maxNode < 0) return;
    const float ascent = c.fonts.metrics(Font::Arial12).ascent * px;
    const float descent = c.fonts.metrics(Font::Arial12).descent * px;
    const auto make = [&](bool max, int32_t node, float value) {
        Marker m{node, max, markerText(max, value, node), {}};
        const float w = c.fonts.width(Font::Arial12, m.text) * px + at.pixels(6);
        const float h = ascent + descent + at.pixels(4);
        const auto q = at.of(node);
        const float gap = at.pixels(9);
        // Right of the node, a maximum's label above it and a minimum's below; left of it
        // when the right has no room.
        float left = q[0] + gap;
        if (left + w > at.right - at.pixels(2)) left = q[0] - gap - w;
        const float bottom = max ? q[1] + at.pixels(3) : q[1] - at.pixels(3) - h;
        m.box = inside({left, bottom, left + w, bottom + h}, at);
        return m;
    };
    Marker high = make(true, x.maxNode, x.maxValue);
    Marker low = make(false, x.minNode, x.minValue);
    if (overlap(high.box, low.box)) {
        // Below the maximum's label, or above it when there is no room below.
        const float h = low.box.top - low.box.bottom, gap = at.pixels(2);
        Box below{low.box.left, high.box.bottom - gap - h, low.box.right, high.box.bottom - gap};
        if (below.bottom < at.bottom + gap)
            below = {low.box.left, high.box.top + gap, low.box.right, high.box.top + gap + h};
        low.box = inside(below, at);
    }
    for (const Marker* m : {&high, &low})
        triangleMark(gl, at, *m);
    for (const Marker* m : {&high, &low})
        label(gl, at, *m);
}

}  // namespace orv
