#include "geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "bitmap_font_set.h"
#include "camera.h"
#include "cut_plane.h"
#include "fe_model.h"
#include "gl.h"
#include "overlay.h"
#include "plot_settings.h"

namespace orv {

namespace {

// A line width or point size in device pixels.
float px(const DrawContext& c, float size) {
    return size * c.pixelScale;
}

}  // namespace

const FrameNodes& Geometry::prepareNodes(const FeModel& m, const PlotSettings& s) {
    const NodesKey key{m.coords.data(), m.values.data(), m.nodeCount,    s.plotItem,
                       s.shown,         s.magnification, m.alignedAxis()};
    if (key == nodesKey_) return nodes_;
    nodesKey_ = key;
    const size_t n = size_t(m.nodeCount);
    nodes_.undeformed.assign(n * 3, 0.0f);
    nodes_.deformed.resize(n * 3);
    const int dim = m.dimension;
    for (size_t i = 0; i < n; ++i)
        for (int k = 0; k < dim && k < 3; ++k)
            nodes_.undeformed[i * 3 + size_t(k)] = m.coordinate(int32_t(i), k);
    nodes_.deformed = nodes_.undeformed;
    nodes_.nonFiniteDisplacements = 0;
    const float mag = s.magnification;
    if (m.results.hasDisplacements && mag != 0.0f) {
        // A NaN would otherwise reach every primitive of its node (and a plane model's frame
        // lost all of them): such a component moves its node by nothing.
        for (size_t i = 0; i < n; ++i)
            for (int k = 0; k < dim && k < 3; ++k) {
                float& p = nodes_.deformed[i * 3 + size_t(k)];
                const float moved = p + float(mag * m.displacement(int32_t(i), s.shown, k));
                if (std::isfinite(moved))
                    p = moved;
                else
                    ++nodes_.nonFiniteDisplacements;
            }
    }
    nodes_.hasValues = m.hasValues() && s.plotItem >= 0 && s.plotItem < m.results.dofCount;
    nodes_.values.clear();
    if (nodes_.hasValues) {
        nodes_.values.resize(n);
        for (size_t i = 0; i < n; ++i)
            nodes_.values[i] = float(m.nodalValue(int32_t(i), s.shown, s.plotItem));
    }
    return nodes_;
}

void Geometry::renderFrame(const DrawContext& c, Camera& camera) {
    Gl& gl = c.gl;
    const Rgb& background = c.userColours[ColourItem::FrameBkg];
    gl.clearColor(background[0], background[1], background[2], 0.0f);
    gl.clear(gl::ColorBufferBit | gl::DepthBufferBit);
    // The projection follows the zoom, so that a deep zoom never cuts the front away.
    camera.loadProjection(gl);
    // A frame must not depend on what the last one left: in a plane model everything lies
    // at z = 0, and lines drawn over faces would fail a depth test the mesh pass of an
    // earlier frame had turned on.
    gl.depthFunc(gl::Lequal);
    if (c.model.dimension != 3) {
        gl.disable(gl::DepthTest);
        gl.disable(gl::Lighting);
    }
    if (c.model.dimension == 3) {
        gl.enable(gl::PolygonOffsetFill);
        gl.polygonOffset(1.0f, 1.0f);
    }
    const auto& t = camera.translation;
    const float s = camera.scale, ax = camera.angles[0], ay = camera.angles[1],
                az = camera.angles[2];
    gl.pushMatrix();
    gl.translate(t[0], t[1], t[2]);
    gl.scale(s, s, s);
    gl.rotate(ax, 1, 0, 0);
    gl.rotate(ay, 0, 1, 0);
    gl.rotate(az, 0, 0, 1);
    drawScene(c, camera);
    gl.popMatrix();

    const Symmetry symmetry = c.settings.symmetry;
    if (symmetry != Symmetry::None) {
        gl.pushMatrix();
        gl.translate(t[0], t[1], t[2]);
        gl.scale(s, s, s);
        if (symmetry == Symmetry::AboutX) {
            gl.rotate(180, 1, 0, 0);
            gl.rotate(ax, -1, 0, 0);
            gl.rotate(ay, 0, 1, 0);
        } else {
            gl.rotate(180, 0, 1, 0);
            gl.rotate(ax, 1, 0, 0);
            gl.rotate(ay, 0, -1, 0);
        }
        drawScene(c, camera);
        gl.popMatrix();
    }

    drawOverlay(c, camera);
    gl.flush();
}

void Geometry::drawScene(const DrawContext& c, const Camera& camera) {
    Gl& gl = c.gl;
    const PlotSettings& s = c.settings;
    const bool threeD = c.model.dimension == 3;
    // While the mouse moves the model with numbers on, only the outlines are drawn. So they
    // are for the wireframe of a large model: its mesh pass draws every edge of every
    // element, the interior ones too, and would take seconds a frame.
    const bool wireframe = s.plotMode != PlotMode::Contour && s.plotMode != PlotMode::IsoLine &&
                           s.plotMode != PlotMode::IsoSurface && s.plotMode != PlotMode::Material &&
                           s.plotMode != PlotMode::Vector;
    const bool largeWireframe = wireframe && c.model.elementCount > largeModelElements;
    if (c.interactiveDrag && (s.nodeNumbers || s.numbering != Numbering::None || largeWireframe)) {
        outlinePass(c);
        return;
    }
    if (s.undeformedMesh) {
        gl.color(0.8f, 0.6f, 0.0f);
        gl.lineWidth(px(c, 0.5f));
        if (threeD) {
            gl.disable(gl::Lighting);
            gl.enable(gl::DepthTest);
        }
        pass(c, ElementPass::UndeformedMesh);
    }
    const auto lightAsSet = [&] {
        if (!threeD) return;
        if (s.lightOn)
            lighting(gl);
        else
            gl.disable(gl::Lighting);
        gl.enable(gl::DepthTest);
    };
    switch (s.plotMode) {
        case PlotMode::Contour:
            gl.lineWidth(px(c, 1.0f));
            lightAsSet();
            pass(c, ElementPass::Contour);
            if (s.elementGrid) edgePass(c, 15);
            break;
        case PlotMode::IsoLine:
            lightAsSet();
            gl.lineWidth(px(c, 1.0f));
            pass(c, ElementPass::IsoLines);
            if (s.elementGrid) edgePass(c, threeD ? 15 : 1);
            if (!threeD) outlinePass(c);
            break;
        case PlotMode::IsoSurface:
            if (threeD) {
                lighting(gl);
                gl.enable(gl::DepthTest);
            }
            pass(c, ElementPass::IsoSurface);
            edgePass(c, 1);
            break;
        case PlotMode::Material:
            lightAsSet();
            pass(c, ElementPass::Material);
            if (s.elementGrid) edgePass(c, 15);
            break;
        case PlotMode::Node:
            nodePlot(c);
            break;
        case PlotMode::Vector:
            vectors(c, camera);
            break;
        default:
            meshPass(c, 2, 1.0f);
            break;
    }
    if (s.nodeNumbers) nodeNumbers(c);
    if (s.numbering != Numbering::None) {
        // Labels are text: drawn unlit, in their own colour.
        gl.disable(gl::Lighting);
        ColorMap::applyColour(gl, c.userColours[ColourItem::ElemNb]);
        pass(c, ElementPass::Label);
    }
    if (s.pickedMarks != PickedMarks::Hidden) pickedNodes(c);
}

// Solids with no face on the outer surface draw nothing in the passes that show faces;
// a model of a million bricks has only a few percent of others. Their list is kept from
// frame to frame, so that turning the model never walks the interior again.
const std::vector<int32_t>& Geometry::surfaceElements(const FeModel& m) {
    const SurfaceKey key{m.elements.data(), m.faceFlags.data(), m.elementCount, m.faceFlags.size()};
    if (key == surfaceKey_) return surfaceElements_;
    surfaceKey_ = key;
    surfaceElements_.clear();
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const ElementRecord& r = m.elements[size_t(e)];
        bool keep = r.family != ElementFamily::Solid;
        for (int i = 0; i < r.faceCount && !keep; ++i)
            keep = m.faceFlags[size_t(r.firstFlag + i)] != 0;
        if (keep) surfaceElements_.push_back(e);
    }
    return surfaceElements_;
}

void Geometry::pass(const DrawContext& c, ElementPass p) {
    const bool facesOnly = p == ElementPass::UndeformedMesh || p == ElementPass::Material ||
                           p == ElementPass::Edges || p == ElementPass::Contour ||
                           p == ElementPass::IsoLines || p == ElementPass::Outline;
    // A cut draws faces and sections of interior elements too.
    if (facesOnly && !c.cut.active()) {
        for (int32_t e : surfaceElements(c.model))
            drawElement(c, p, e);
        return;
    }
    const int32_t n = c.model.elementCount;
    for (int32_t e = 0; e < n; ++e)
        drawElement(c, p, e);
}

void Geometry::meshPass(const DrawContext& c, int colour, float width) {
    c.gl.disable(gl::Lighting);
    c.gl.enable(gl::DepthTest);
    basePalette(c.gl, colour);
    c.gl.lineWidth(px(c, width));
    pass(c, ElementPass::Mesh);
}

void Geometry::edgePass(const DrawContext& c, int colour) {
    basePalette(c.gl, colour);
    c.gl.lineWidth(px(c, 0.5f));
    if (c.model.dimension == 3) {
        c.gl.disable(gl::Lighting);
        c.gl.enable(gl::DepthTest);
    }
    pass(c, ElementPass::Edges);
}

void Geometry::outlinePass(const DrawContext& c) {
    c.gl.lineWidth(px(c, 1.0f));
    const Rgb& background = c.userColours[ColourItem::FrameBkg];
    c.gl.color(1 - background[0], 1 - background[1], 1 - background[2]);
    pass(c, ElementPass::Outline);
}

void Geometry::lighting(Gl& gl) {
    gl.lightModelAmbient(0.15f, 0.15f, 0.15f, 1.0f);
    gl.enable(gl::Lighting);
    const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    const float specular[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    gl.material(gl::FrontAndBack, gl::Ambient, ambient);
    gl.material(gl::FrontAndBack, gl::Specular, specular);
    gl.materialShininess(gl::FrontAndBack, 120.0f);
    gl.enable(gl::Light0);
    gl.enable(gl::Normalize);
    gl.enable(gl::ColorMaterial);
    gl.depthFunc(gl::Lequal);
}

void Geometry::nodePlot(const DrawContext& c) {
    Gl& gl = c.gl;
    gl.disable(gl::Lighting);
    gl.disable(gl::DepthTest);
    if (c.settings.elementGrid) meshPass(c, 1, 0.5f);
    // Three pixels at least: a single one is lost among the lines.
    gl.pointSize(px(c, 3.0f));
    gl.color(1, 0, 0);
    gl.begin(gl::Points);
    const float* p = c.nodes.deformed.data();
    for (int32_t i = 0; i < c.model.nodeCount; ++i, p += 3)
        gl.vertex(p);
    gl.end();
}

void Geometry::nodeNumbers(const DrawContext& c) {
    Gl& gl = c.gl;
    gl.disable(gl::Lighting);
    gl.enable(gl::DepthTest);
    ColorMap::applyColour(gl, c.userColours[ColourItem::NodeNb]);
    const float* p = c.nodes.deformed.data();
    for (int32_t i = 0; i < c.model.nodeCount; ++i, p += 3) {
        gl.rasterPos(p[0], p[1], p[2]);
        c.fonts.draw(gl, Font::Arial12, std::to_string(i + 1));
    }
}

void Geometry::pickedNodes(const DrawContext& c) {
    const std::vector<int32_t>& picked = c.picked;
    Gl& gl = c.gl;
    gl.enable(gl::DepthTest);
    if (picked.empty()) return;
    gl.disable(gl::Lighting);
    gl.pointSize(px(c, 7.0f));
    gl.color(1, 0, 0);
    const size_t count = std::min<size_t>(picked.size(), 50);
    const auto at = [&](size_t i) -> const float* {
        const int32_t m = picked[i];
        if (m < 1 || m > c.model.nodeCount) return nullptr;
        return c.nodes.deformed.data() + size_t(m - 1) * 3;
    };
    gl.begin(gl::Points);
    for (size_t i = 0; i < count; ++i)
        if (const float* p = at(i)) gl.vertex(p);
    gl.end();
    if (c.settings.pickedMarks != PickedMarks::JoinedPairs) return;
    gl.lineWidth(px(c, 2.0f));
    gl.color(1, 0, 1);
    gl.begin(gl::Lines);
    for (size_t i = 0; i + 1 < count; i += 2) {
        const float* a = at(i);
        const float* b = at(i + 1);
        if (!a || !b) continue;
        gl.vertex(a[0], a[1]);
        gl.vertex(b[0], b[1]);
    }
    gl.end();
}

void Geometry::vectors(const DrawContext& c, const Camera& camera) {
    const FeModel& m = c.model;
    Gl& gl = c.gl;
    const int dim = m.dimension;
    const double lmax = 0.1 * camera.modelSize;
    const int item = c.settings.plotItem;
    const int b = item < dim ? 0 : item < 2 * dim ? dim : 2 * dim;
    if (c.settings.elementGrid)
        edgePass(c, 1);
    else
        outlinePass(c);
    // Both components must exist, and the vectors must be displacements to be drawn.
    if (b + 1 >= m.results.dofCount || !m.results.hasDisplacements) return;
    const int32_t n = m.nodeCount;
    const ShownStep& step = c.settings.shown;
    const double mag = c.settings.magnification;
    std::vector<float> vx(static_cast<size_t>(n)), vy(static_cast<size_t>(n));
    double largest = std::numeric_limits<float>::min(),
           smallest = std::numeric_limits<float>::max();
    for (int32_t i = 0; i < n; ++i) {
        vx[size_t(i)] = float(m.displacement(i, step, b) * mag);
        vy[size_t(i)] = float(m.displacement(i, step, b + 1) * mag);
        const double len = std::hypot(double(vx[size_t(i)]), double(vy[size_t(i)]));
        if (len > largest) largest = len;
        if (len < smallest) smallest = len;
    }
    const int divisions = c.bands.divisions;
    std::vector<double> bound(size_t(divisions) + 1);
    for (int k = 0; k < divisions; ++k)
        bound[size_t(k)] = smallest + k * (largest - smallest) / divisions;
    bound[size_t(divisions)] = largest;
    gl.lineWidth(px(c, 0.5f));
    const float* start = c.nodes.deformed.data();
    for (int32_t i = 0; i < n; ++i, start += 3) {
        const double x = vx[size_t(i)], y = vy[size_t(i)];
        if (std::fabs(x) < 1e-5 && std::fabs(y) < 1e-5) continue;
        const double len = std::hypot(x, y);
        const double a = std::asin(std::min(1.0, std::fabs(y) / len));
        double theta;
        if (x > 0 && y >= 0)
            theta = a;
        else if (x <= 0 && y > 0)
            theta = M_PI - a;
        else if (x < 0 && y <= 0)
            theta = M_PI + a;
        else
            theta = 2 * M_PI - a;
        const double l = len / largest * lmax, h = 0.12 * l;
        const double tx = start[0] + l * std::cos(theta), ty = start[1] + l * std::sin(theta);
        int band = 0;
        for (int k = 0; k < divisions; ++k)
            if (bound[size_t(k)] <= len && len <= bound[size_t(k) + 1]) {
                band = k;
                break;
            }
        c.colours.applyBand(gl, band);
        gl.begin(gl::Lines);
        gl.vertex(start[0], start[1]);
        gl.vertex(float(tx), float(ty));
        gl.end();
        gl.begin(gl::Polygon);
        gl.vertex(float(tx - h * std::cos(theta - 0.2745329)),
                  float(ty - h * std::sin(theta - 0.2745329)));
        gl.vertex(float(tx), float(ty));
        gl.vertex(float(tx - h * std::cos(theta + 0.2745329)),
                  float(ty - h * std::sin(theta + 0.2745329)));
        gl.end();
    }
}

}  // namespace orv
