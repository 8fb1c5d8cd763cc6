// Drawing of every element family for every pass: points, lines and areas of 2D models;
// points, lines, shells and solids of 3D models, whole or through their cut section.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "band_fill.h"
#include "bitmap_font_set.h"
#include "color_map.h"
#include "cut_plane.h"
#include "draw_context.h"
#include "element_topology.h"
#include "fe_model.h"
#include "gl.h"
#include "plot_settings.h"

namespace orv {

bool DrawContext::faceVisible(const std::array<float, 3>& n) const {
    return turnAsScene(n, view)[2] > 0;
}

void DrawContext::vertex(const CutSection* section, int32_t m, bool deformed, float out[3],
                         float& value) const {
    const int32_t n = model.nodeCount;
    if (m >= 1 && m <= n) {
        const float* p = (deformed ? nodes.deformed : nodes.undeformed).data() + size_t(m - 1) * 3;
        out[0] = p[0];
        out[1] = p[1];
        out[2] = p[2];
        value = nodes.hasValues ? nodes.values[size_t(m - 1)] : 0.0f;
        return;
    }
    const size_t i = size_t(m - n - 1);
    if (!section || m <= n || i >= section->points.size()) {
        out[0] = out[1] = out[2] = 0.0f;
        value = 0.0f;
        return;
    }
    // A section point interpolates the results of its edge's two nodes, so its deformation
    // and value follow them.
    const SectionPoint& s = section->points[i];
    const float wb = 1.0f - s.wa;
    for (int k = 0; k < 3; ++k)
        out[k] = s.position[size_t(k)];
    if (deformed) {
        for (int k = 0; k < 3; ++k) {
            const float da = nodes.deformed[size_t(s.a) * 3 + size_t(k)] -
                             nodes.undeformed[size_t(s.a) * 3 + size_t(k)];
            const float db = nodes.deformed[size_t(s.b) * 3 + size_t(k)] -
                             nodes.undeformed[size_t(s.b) * 3 + size_t(k)];
            out[k] += s.wa * da + wb * db;
        }
    }
    value =
        nodes.hasValues ? s.wa * nodes.values[size_t(s.a)] + wb * nodes.values[size_t(s.b)] : 0.0f;
}

namespace {

using Vec3 = std::array<float, 3>;

// The grey of a face, line or point touching a node whose value is not a number or infinite:
// it belongs to no band.
constexpr Rgb kNoValueGrey = {0.5f, 0.5f, 0.5f};

// Whether the frame draws a pass of a model in space lit, as Geometry::drawScene sets it: the
// faces of a plot with the light on, and iso-surfaces always.
bool litPass(const DrawContext& c, ElementPass pass) {
    if (c.model.dimension != 3) return false;
    switch (pass) {
        case ElementPass::IsoSurface:
            return true;
        case ElementPass::Contour:
        case ElementPass::IsoLines:
        case ElementPass::Material:
            return c.settings.lightOn;
        default:
            return false;
    }
}

// The lighting within a lit pass. Points and lines in space have no face to light: lit, they
// would take their shade from whatever normal was set last and no longer match the legend.
// So they turn it off, and the faces after them turn it on again. Each change ends a vertex
// batch, so the state is kept from one element to the next and a run of lines changes it
// once. A pass begins with the lighting the frame set; its elements come in rising order, so
// an element at or before the last one seen (or another Gl, model or pass) begins a new one.
// A pass that ends with a line leaves the lighting off: nothing lit is drawn after it.
class PassLighting {
  public:
    void visit(const DrawContext& c, ElementPass pass, int32_t e) {
        const void* model = c.model.elements.data();
        if (&c.gl != gl_ || model != model_ || pass != pass_ || e <= last_) {
            gl_ = &c.gl;
            model_ = model;
            pass_ = pass;
            lit_ = true;
        }
        last_ = e;
    }
    void need(Gl& gl, bool lit) {
        if (lit == lit_) return;
        if (lit)
            gl.enable(gl::Lighting);
        else
            gl.disable(gl::Lighting);
        lit_ = lit;
    }

  private:
    const Gl* gl_ = nullptr;
    const void* model_ = nullptr;
    ElementPass pass_ = ElementPass::Contour;
    int32_t last_ = -1;
    bool lit_ = true;
};

thread_local PassLighting passLighting;

class ElementPainter {
  public:
    ElementPainter(const DrawContext& c, int32_t e)
        : c_(c),
          gl_(c.gl),
          m_(c.model),
          r_(c.model.elements[size_t(e)]),
          e_(e),
          nodes_(c.model.connectivity.data() + r_.firstNode) {}

    void draw(ElementPass pass);

  private:
    // --- positions and values of the element's own nodes (j 0-based within the element) ---
    const float* position(int j, bool deformed = true) const {
        const auto& table = deformed ? c_.nodes.deformed : c_.nodes.undeformed;
        return table.data() + size_t(nodes_[j] - 1) * 3;
    }
    float value(int j) const {
        return c_.nodes.hasValues ? c_.nodes.values[size_t(nodes_[j] - 1)] : 0.0f;
    }
    void vertex(int j, bool deformed = true) const { gl_.vertex(position(j, deformed)); }
    // A line width or point size in device pixels.
    float pixels(float size) const { return size * c_.pixelScale; }
    void gather(const int8_t* order, int count, ValuedPolygon& poly) const {
        poly.count = 0;
        for (int i = 0; i < count; ++i)
            poly.add(position(order ? order[i] : i), value(order ? order[i] : i));
    }
    void gatherSection(const std::vector<int32_t>& numbers, ValuedPolygon& poly,
                       bool deformed = true) const {
        poly.count = 0;
        float p[3], v;
        for (int32_t m : numbers) {
            c_.vertex(section_, m, deformed, p, v);
            poly.add(p, v);
        }
    }
    void drawPolygon(unsigned mode, const ValuedPolygon& poly) const {
        gl_.begin(mode);
        for (int i = 0; i < poly.count; ++i)
            gl_.vertex(poly.p[size_t(i)].data());
        gl_.end();
    }
    Vec3 polygonNormal(const ValuedPolygon& poly, int third = 2) const {
        if (poly.count < 3) return {0, 0, 0};
        return faceNormal(poly.p[0].data(), poly.p[1].data(), poly.p[size_t(third)].data());
    }
    void centreLabel(const ValuedPolygon& poly) const;
    void label(const float* at) const;
    std::string labelText() const;

    // --- algorithms shared by the families ---
    void bandFill(const ValuedPolygon& poly) const;
    void clipBands(ValuedPolygon poly, std::vector<std::vector<Vec3>>& edges) const;
    void drawBandEdges(const std::vector<Vec3>& points) const;
    void bandSegment(ValuedPolygon seg) const;
    void pointBand() const;
    void isoLines(const ValuedPolygon& poly, float lineWidth) const;
    void isoLinesFace(const ValuedPolygon& poly, const Vec3& normal, float lineWidth) const;
    void isoSurface() const;
    void noValueFaces(const SolidTopology& t) const;

    // --- families ---
    void planePoint(ElementPass pass);
    void planeLine(ElementPass pass);
    void planeArea(ElementPass pass);
    void spacePoint(ElementPass pass);
    void spaceLine(ElementPass pass);
    void shell(ElementPass pass);
    void solid(ElementPass pass);
    void cutElement(ElementPass pass);

    bool faceDrawn(int face) const {
        return m_.faceFlags[size_t(r_.firstFlag + face)] != 0 || c_.cut.inPlaneFace(e_, face);
    }
    Vec3 shellNormal(const ValuedPolygon& poly) const {
        Vec3 n = polygonNormal(poly, r_.type == 46 || r_.type == 48 ? 3 : 2);
        if (!c_.faceVisible(n))
            for (float& x : n)
                x = -x;
        return n;
    }

    const DrawContext& c_;
    Gl& gl_;
    const FeModel& m_;
    const ElementRecord& r_;
    int32_t e_;
    const int32_t* nodes_;
    const CutSection* section_ = nullptr;
};

std::string ElementPainter::labelText() const {
    const Numbering kind = c_.settings.numbering;
    const int32_t n = kind == Numbering::Element ? r_.number
                      : kind == Numbering::Group ? r_.type
                                                 : r_.material;
    return std::to_string(n);
}

void ElementPainter::label(const float* at) const {
    gl_.rasterPos(at[0], at[1], m_.dimension == 3 ? at[2] : 0.0f);
    c_.fonts.draw(gl_, Font::Arial14, labelText());
}

void ElementPainter::centreLabel(const ValuedPolygon& poly) const {
    if (poly.count == 0) return;
    float sum[3] = {0, 0, 0};
    for (int i = 0; i < poly.count; ++i)
        for (int k = 0; k < 3; ++k)
            sum[k] += poly.p[size_t(i)][size_t(k)];
    for (float& s : sum)
        s /= float(poly.count);
    label(sum);
}

// Band by band from the lowest: the part of the polygon at or below each band's upper
// bound takes its colour, the rest goes on to the next bands. With band edges, a face of a
// 3D model draws each band's boundary right after the band (polygon offset keeps lines
// over the fills); a 2D element draws them after all its bands, so that no later fill covers
// them. A polygon touching a value that is not a finite number is grey, without edges.
void ElementPainter::bandFill(const ValuedPolygon& poly) const {
    if (poly.count == 0) return;
    float lo = poly.v[0], hi = poly.v[0];
    bool finite = true;
    for (int i = 0; i < poly.count; ++i) {
        const float v = poly.v[size_t(i)];
        finite = finite && std::isfinite(v);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    if (!finite) {
        ColorMap::applyColour(gl_, kNoValueGrey);
        drawPolygon(gl::Polygon, poly);
        return;
    }
    // Most elements of a large model lie within one band: the band of their largest value,
    // when even their smallest value is above the band below. Clipping would skip the lower
    // bands and draw the whole polygon in that band; this finds it directly.
    const int n = c_.bands.divisions;
    const float* upper = c_.bands.bandUpper.data();
    const int k = n > 0 ? bandOf(hi, upper, n) : -1;
    if (k >= 0 && (k == 0 || lo > upper[k - 1])) {
        c_.colours.applyBand(gl_, k);
        drawPolygon(gl::Polygon, poly);
        return;
    }
    std::vector<std::vector<Vec3>> edges;  // per band that clipped: the points the clip made
    ValuedPolygon triangles[2];
    if (splitForClipping(poly, triangles)) {
        clipBands(triangles[0], edges);
        clipBands(triangles[1], edges);
    } else {
        clipBands(poly, edges);
    }
    for (const std::vector<Vec3>& made : edges)
        drawBandEdges(made);
}

// The clipping of one piece of a polygon; the band edges of a 2D element are kept in
// `edges` for later.
void ElementPainter::clipBands(ValuedPolygon poly, std::vector<std::vector<Vec3>>& edges) const {
    const bool edgesAfter = m_.dimension != 3;
    const int n = c_.bands.divisions;
    for (int k = 0; k < n; ++k) {
        const float u = c_.bands.bandUpper[size_t(k)];
        const int a = poly.countAbove(u);
        if (a == poly.count && k < n - 1) continue;
        ValuedPolygon out;
        const bool clipped = !(a == 0 || k == n - 1);
        if (clipped)
            clipAtValue(u, poly, out);
        else
            out = poly;
        c_.colours.applyBand(gl_, k);
        drawPolygon(gl::Polygon, out);
        if (clipped && c_.settings.contourEdges) {
            std::vector<Vec3>& made = edges.emplace_back();
            for (int i = 0; i < out.count; ++i)
                if (out.created[size_t(i)]) made.push_back(out.p[size_t(i)]);
            if (!edgesAfter) {
                drawBandEdges(made);
                edges.pop_back();
            }
        }
        if (!clipped) break;
    }
}

// The boundary of one band part, in black, through the vertices its clip made.
void ElementPainter::drawBandEdges(const std::vector<Vec3>& points) const {
    basePalette(gl_, 14);
    gl_.begin(gl::Lines);
    for (const Vec3& p : points)
        gl_.vertex(p.data());
    gl_.end();
}

// The two-point form for line elements.
void ElementPainter::bandSegment(ValuedPolygon seg) const {
    gl_.lineWidth(pixels(1.0f));
    if (!finiteValues(seg)) {
        ColorMap::applyColour(gl_, kNoValueGrey);
        drawPolygon(gl::Lines, seg);
        return;
    }
    const int n = c_.bands.divisions;
    for (int k = 0; k < n; ++k) {
        const float u = c_.bands.bandUpper[size_t(k)];
        const int a = seg.countAbove(u);
        if (a == 2 && k < n - 1) continue;
        ValuedPolygon out;
        const bool clipped = !(a == 0 || k == n - 1);
        if (clipped) {
            // One end above: the part at or below u is drawn, the other part goes on.
            const auto& P = seg.p[0];
            const auto& Q = seg.p[1];
            const float va = seg.v[0], vb = seg.v[1];
            // In double: values near the ends of the float range differ by more than a float.
            const double t = (double(u) - va) / (double(vb) - va);
            float x[3];
            for (int i = 0; i < 3; ++i)
                x[i] = float(P[size_t(i)] + t * (Q[size_t(i)] - P[size_t(i)]));
            ValuedPolygon rest;
            if (va > u) {
                out.add(x, u);
                out.add(Q.data(), vb);
                rest.add(P.data(), va);
                rest.add(x, u);
            } else {
                out.add(P.data(), va);
                out.add(x, u);
                rest.add(x, u);
                rest.add(Q.data(), vb);
            }
            seg = rest;
        } else {
            out = seg;
        }
        c_.colours.applyBand(gl_, k);
        drawPolygon(gl::Lines, out);
        if (!clipped) break;
    }
}

void ElementPainter::pointBand() const {
    if (!c_.nodes.hasValues) return;
    const float v = value(0);
    gl_.pointSize(pixels(2.0f));
    if (std::isfinite(v))
        c_.colours.applyBand(gl_, bandOf(v, c_.bands.bandUpper.data(), c_.bands.divisions));
    else
        ColorMap::applyColour(gl_, kNoValueGrey);
    gl_.begin(gl::Points);
    vertex(0);
    gl_.end();
}

// The iso-lines of a polygon with finite values, each in its band's colour (at lineWidth
// unless it is 0). A saddle or warped quadrilateral is cut as its contour fill is.
void ElementPainter::isoLines(const ValuedPolygon& poly, float lineWidth) const {
    if (poly.count == 0) return;
    float lo = poly.v[0], hi = poly.v[0];
    for (int i = 1; i < poly.count; ++i) {
        lo = std::min(lo, poly.v[size_t(i)]);
        hi = std::max(hi, poly.v[size_t(i)]);
    }
    const int n = c_.bands.divisions;
    const float* upper = c_.bands.bandUpper.data();
    int k = 0;
    while (k < n && upper[k] < lo)
        ++k;
    if (k == n || !(hi > upper[k])) return;  // no iso value between the smallest and largest
    ValuedPolygon triangles[2];
    const bool split = splitForClipping(poly, triangles);
    const ValuedPolygon* pieces = split ? triangles : &poly;
    const int pieceCount = split ? 2 : 1;
    for (; k < n && hi > upper[k]; ++k) {
        std::array<Vec3, 10> points;
        int count = 0;
        for (int i = 0; i < pieceCount; ++i) {
            const int got = isoPoints(pieces[i], upper[k], points.data() + count, 5);
            count += got - got % 2;  // a lone point makes no line
        }
        if (count == 0) continue;
        if (lineWidth > 0) gl_.lineWidth(pixels(lineWidth));
        c_.colours.applyBand(gl_, k);
        gl_.begin(gl::Lines);
        for (int i = 0; i < count; ++i)
            gl_.vertex(points[size_t(i)].data());
        gl_.end();
    }
}

// A face in light grey with the iso-lines over it; in a darker grey without them when it
// touches a value that is not a finite number.
void ElementPainter::isoLinesFace(const ValuedPolygon& poly, const Vec3& normal,
                                  float lineWidth) const {
    gl_.normal(normal[0], normal[1], normal[2]);
    const bool lines = c_.nodes.hasValues && finiteValues(poly);
    if (c_.nodes.hasValues && !lines)
        ColorMap::applyColour(gl_, kNoValueGrey);
    else
        gl_.color(0.8f, 0.8f, 0.8f);
    drawPolygon(gl::Polygon, poly);
    if (lines) isoLines(poly, lineWidth);
}

// The faces of a solid towards the viewer, in the grey of no value.
void ElementPainter::noValueFaces(const SolidTopology& t) const {
    ColorMap::applyColour(gl_, kNoValueGrey);
    ValuedPolygon face;
    for (int i = 0; i < t.faceCount; ++i) {
        gather(t.faces[size_t(i)].data(), t.faceSize, face);
        const Vec3 n = polygonNormal(face);
        if (!c_.faceVisible(n)) continue;
        gl_.normal(n[0], n[1], n[2]);
        drawPolygon(gl::Polygon, face);
    }
}

void ElementPainter::isoSurface() const {
    const SolidTopology* t = solidTopology(r_.nodeCount);
    if (!t || !c_.nodes.hasValues) return;
    float lo = value(0), hi = value(0);
    bool finite = true;
    for (int j = 0; j < r_.nodeCount; ++j) {
        const float v = value(j);
        finite = finite && std::isfinite(v);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    // No surface goes through values that are not finite numbers: the element shows where
    // they are instead of leaving a hole.
    if (!finite) return noValueFaces(*t);
    const int n = c_.bands.divisions;
    std::vector<Vec3> points;
    for (int k = 0; k < n; ++k) {
        const float u = c_.bands.bandUpper[size_t(k)];
        if (lo > u) continue;  // every node above
        if (!(hi > u)) break;  // every node at or below, here and for the bands above
        points.clear();
        for (int i = 0; i < t->edgeCount; ++i) {
            const int ja = t->edges[size_t(i)][0], jb = t->edges[size_t(i)][1];
            const float va = value(ja), vb = value(jb);
            if (!((va > u && vb < u) || (va < u && vb > u))) continue;
            const double s = (double(u) - va) / (double(vb) - va);
            const float* pa = position(ja);
            const float* pb = position(jb);
            points.push_back({float(pa[0] + s * (pb[0] - pa[0])),
                              float(pa[1] + s * (pb[1] - pa[1])),
                              float(pa[2] + s * (pb[2] - pa[2]))});
        }
        if (points.size() < 3) continue;
        if (points.size() >= 4)
            orderConvex(points, faceNormal(points[0].data(), points[1].data(), points[2].data()),
                        true);
        Vec3 normal = faceNormal(points[0].data(), points[1].data(), points[2].data());
        if (!c_.faceVisible(normal))
            for (float& x : normal)
                x = -x;
        gl_.normal(normal[0], normal[1], normal[2]);
        c_.colours.applyBand(gl_, k);
        gl_.begin(gl::Polygon);
        for (const Vec3& p : points)
            gl_.vertex(p.data());
        gl_.end();
    }
}

// --- 2D families ---

void ElementPainter::planePoint(ElementPass pass) {
    switch (pass) {
        case ElementPass::UndeformedMesh:
            gl_.pointSize(pixels(2.0f));
            gl_.begin(gl::Points);
            vertex(0, false);
            gl_.end();
            break;
        case ElementPass::Material:
            materialPalette(gl_, r_.material);
            gl_.pointSize(pixels(2.0f));
            gl_.begin(gl::Points);
            vertex(0);
            gl_.end();
            break;
        case ElementPass::Mesh:
            gl_.color(0, 0, 1);
            gl_.pointSize(pixels(2.0f));
            gl_.begin(gl::Points);
            vertex(0);
            gl_.end();
            break;
        case ElementPass::Contour:
        case ElementPass::IsoLines:
            pointBand();
            break;
        case ElementPass::Label:
            label(position(0));
            break;
        default:
            break;
    }
}

void ElementPainter::planeLine(ElementPass pass) {
    switch (pass) {
        case ElementPass::UndeformedMesh:
            gl_.begin(gl::Lines);
            vertex(0, false);
            vertex(1, false);
            gl_.end();
            break;
        case ElementPass::Material:
            materialPalette(gl_, r_.material);
            [[fallthrough]];
        case ElementPass::Mesh:
        case ElementPass::Outline:
            // In iso-line mode a line element is drawn in its bands: an outline in the
            // inverse colour would paint them over (unless the bands are not drawn, while
            // dragging).
            if (pass == ElementPass::Outline && c_.settings.plotMode == PlotMode::IsoLine &&
                !c_.interactiveDrag)
                break;
            gl_.begin(gl::Lines);
            vertex(0);
            vertex(1);
            gl_.end();
            break;
        case ElementPass::Contour:
        case ElementPass::IsoLines:
            if (c_.nodes.hasValues) {
                ValuedPolygon seg;
                gather(nullptr, 2, seg);
                bandSegment(seg);
            }
            break;
        case ElementPass::Label: {
            ValuedPolygon seg;
            gather(nullptr, 2, seg);
            centreLabel(seg);
            break;
        }
        default:
            break;
    }
}

void ElementPainter::planeArea(ElementPass pass) {
    const int count = r_.nodeCount;
    switch (pass) {
        case ElementPass::UndeformedMesh:
            gl_.begin(gl::LineLoop);
            for (int j = 0; j < count; ++j)
                vertex(j, false);
            gl_.end();
            break;
        case ElementPass::Material:
            materialPalette(gl_, r_.material);
            gl_.begin(gl::Polygon);
            for (int j = 0; j < count; ++j)
                vertex(j);
            gl_.end();
            break;
        case ElementPass::Mesh:
        case ElementPass::Edges:
            gl_.begin(gl::LineLoop);
            for (int j = 0; j < count; ++j)
                vertex(j);
            gl_.end();
            break;
        case ElementPass::Contour: {
            if (!c_.nodes.hasValues) {
                basePalette(gl_, 1);
                planeArea(ElementPass::Mesh);
                break;
            }
            ValuedPolygon poly;
            gather(nullptr, count, poly);
            bandFill(poly);
            break;
        }
        case ElementPass::IsoLines: {
            ValuedPolygon poly;
            gather(nullptr, count, poly);
            const bool lines = c_.nodes.hasValues && finiteValues(poly);
            if (c_.nodes.hasValues && !lines) {
                ColorMap::applyColour(gl_, kNoValueGrey);
                drawPolygon(gl::Polygon, poly);
            }
            basePalette(gl_, 1);
            planeArea(ElementPass::Outline);
            if (lines) isoLines(poly, 1.0f);
            break;
        }
        case ElementPass::Label: {
            ValuedPolygon poly;
            gather(nullptr, count, poly);
            centreLabel(poly);
            break;
        }
        case ElementPass::Outline: {
            const uint8_t* flags = m_.faceFlags.data() + r_.firstFlag;
            bool any = false;
            for (int i = 0; i < r_.faceCount && !any; ++i)
                any = flags[i] != 0;
            if (!any) break;
            gl_.begin(gl::Lines);
            for (int i = 0; i < r_.faceCount && i < count; ++i) {
                if (!flags[i]) continue;
                vertex(i);
                vertex(i + 1 < count ? i + 1 : 0);
            }
            gl_.end();
            break;
        }
        default:
            break;
    }
}

// --- 3D families ---

void ElementPainter::spacePoint(ElementPass pass) {
    planePoint(pass);
}

void ElementPainter::spaceLine(ElementPass pass) {
    if (pass == ElementPass::IsoSurface) pass = ElementPass::Contour;
    planeLine(pass);
}

void ElementPainter::shell(ElementPass pass) {
    const int count = r_.nodeCount;
    ValuedPolygon poly;
    gather(nullptr, count, poly);
    switch (pass) {
        case ElementPass::UndeformedMesh:
            gl_.begin(gl::LineLoop);
            for (int j = 0; j < count; ++j)
                vertex(j, false);
            gl_.end();
            break;
        case ElementPass::Material: {
            materialPalette(gl_, r_.material);
            const Vec3 n = shellNormal(poly);
            gl_.normal(n[0], n[1], n[2]);
            drawPolygon(gl::Polygon, poly);
            break;
        }
        case ElementPass::Mesh:
        case ElementPass::Edges:
        case ElementPass::Outline:
            drawPolygon(gl::LineLoop, poly);
            break;
        case ElementPass::Contour: {
            const Vec3 n = shellNormal(poly);
            gl_.normal(n[0], n[1], n[2]);
            if (!c_.nodes.hasValues) {
                basePalette(gl_, 1);
                drawPolygon(gl::Polygon, poly);
                break;
            }
            bandFill(poly);
            break;
        }
        case ElementPass::IsoLines:
        case ElementPass::IsoSurface:
            if (!c_.nodes.hasValues) {
                gl_.lineWidth(pixels(0.5f));
                basePalette(gl_, 1);
                drawPolygon(gl::LineLoop, poly);
                break;
            }
            isoLinesFace(poly, shellNormal(poly), 1.5f);
            break;
        case ElementPass::Label:
            centreLabel(poly);
            break;
    }
}

void ElementPainter::solid(ElementPass pass) {
    const SolidTopology* t = solidTopology(r_.nodeCount);
    if (!t) return;
    ValuedPolygon face;
    const auto eachFace = [&](bool testVisible, auto&& fn) {
        for (int i = 0; i < t->faceCount; ++i) {
            if (!faceDrawn(i)) continue;
            gather(t->faces[size_t(i)].data(), t->faceSize, face);
            const Vec3 n = polygonNormal(face);
            if (testVisible && !c_.faceVisible(n)) continue;
            fn(n);
        }
    };
    switch (pass) {
        case ElementPass::UndeformedMesh:
            for (int i = 0; i < t->faceCount; ++i) {
                if (!faceDrawn(i)) continue;
                gl_.begin(gl::LineLoop);
                for (int j = 0; j < t->faceSize; ++j)
                    vertex(t->faces[size_t(i)][size_t(j)], false);
                gl_.end();
            }
            break;
        case ElementPass::Outline:
            eachFace(false, [&](const Vec3&) { drawPolygon(gl::LineLoop, face); });
            break;
        case ElementPass::Material:
            materialPalette(gl_, r_.material);
            eachFace(true, [&](const Vec3& n) {
                gl_.normal(n[0], n[1], n[2]);
                drawPolygon(gl::Polygon, face);
            });
            break;
        case ElementPass::Mesh:
            if (r_.nodeCount == 8) {
                static constexpr int8_t kLoops[2][4] = {{3, 2, 1, 0}, {4, 5, 6, 7}};
                for (const auto& loop : kLoops) {
                    gl_.begin(gl::LineLoop);
                    for (int8_t j : loop)
                        vertex(j);
                    gl_.end();
                }
                gl_.begin(gl::Lines);
                for (int8_t j : {0, 4, 3, 7, 1, 5, 2, 6})
                    vertex(j);
                gl_.end();
            } else {
                gl_.begin(gl::Lines);
                for (int8_t j : {0, 1, 0, 2, 0, 3})
                    vertex(j);
                gl_.end();
                gl_.begin(gl::LineLoop);
                for (int8_t j : {1, 2, 3})
                    vertex(j);
                gl_.end();
            }
            break;
        case ElementPass::Edges:
            eachFace(true, [&](const Vec3&) { drawPolygon(gl::LineLoop, face); });
            break;
        case ElementPass::Contour:
            eachFace(true, [&](const Vec3& n) {
                gl_.normal(n[0], n[1], n[2]);
                if (c_.nodes.hasValues) {
                    bandFill(face);
                } else {
                    basePalette(gl_, 1);
                    drawPolygon(gl::Polygon, face);
                }
            });
            break;
        case ElementPass::IsoLines:
            eachFace(true, [&](const Vec3& n) { isoLinesFace(face, n, 0.0f); });
            break;
        case ElementPass::IsoSurface:
            isoSurface();
            break;
        case ElementPass::Label: {
            // After a filled plot every visible face carries the number; in mesh mode the
            // element's centre does.
            const PlotMode mode = c_.settings.plotMode;
            const bool onFaces = mode == PlotMode::Contour || mode == PlotMode::IsoLine ||
                                 mode == PlotMode::IsoSurface || mode == PlotMode::Material;
            if (onFaces) {
                eachFace(true, [&](const Vec3&) { centreLabel(face); });
            } else {
                ValuedPolygon all;
                gather(nullptr, r_.nodeCount, all);
                centreLabel(all);
            }
            break;
        }
    }
}

// A cut element draws the polygons of its section: the cap first, then the kept faces.
void ElementPainter::cutElement(ElementPass pass) {
    section_ = c_.cut.section(e_);
    if (!section_) return;
    const bool isShell = r_.family == ElementFamily::Shell;
    const bool isLine = r_.family == ElementFamily::SpaceLine;
    ValuedPolygon poly;
    for (const std::vector<int32_t>& numbers : section_->polygons) {
        if (isLine) {
            if (numbers.size() != 2) continue;
            gatherSection(numbers, poly);
            switch (pass) {
                case ElementPass::Material:
                    materialPalette(gl_, r_.material);
                    [[fallthrough]];
                case ElementPass::Mesh:
                case ElementPass::Outline:
                    drawPolygon(gl::Lines, poly);
                    break;
                case ElementPass::Contour:
                case ElementPass::IsoLines:
                case ElementPass::IsoSurface:
                    if (c_.nodes.hasValues) bandSegment(poly);
                    break;
                case ElementPass::Label:
                    centreLabel(poly);
                    break;
                default:
                    break;
            }
            continue;
        }
        if (numbers.size() < 3) continue;
        gatherSection(numbers, poly);
        if (pass == ElementPass::Mesh) {
            drawPolygon(gl::LineLoop, poly);
            continue;
        }
        // A kept polygon may run straight through some of its vertices (a shell's mid-side
        // nodes, a node on the plane), so its normal comes from all of them.
        Vec3 n = orv::polygonNormal(poly.p.data(), poly.count);
        if (!c_.faceVisible(n)) {
            if (!isShell) continue;
            for (float& x : n)
                x = -x;
        }
        switch (pass) {
            case ElementPass::Material:
                materialPalette(gl_, r_.material);
                gl_.normal(n[0], n[1], n[2]);
                drawPolygon(gl::Polygon, poly);
                break;
            case ElementPass::Edges:
            case ElementPass::Outline:
                drawPolygon(gl::LineLoop, poly);
                break;
            case ElementPass::Contour:
                gl_.normal(n[0], n[1], n[2]);
                if (c_.nodes.hasValues) {
                    bandFill(poly);
                } else {
                    basePalette(gl_, 1);
                    drawPolygon(gl::Polygon, poly);
                }
                break;
            case ElementPass::IsoLines:
            case ElementPass::IsoSurface:  // reached by shells only, whose iso-surface is
                                           // their iso-lines
                if (isShell && !c_.nodes.hasValues) {
                    gl_.lineWidth(pixels(0.5f));
                    basePalette(gl_, 1);
                    drawPolygon(gl::LineLoop, poly);
                    break;
                }
                isoLinesFace(poly, n, isShell ? 1.5f : 0.0f);
                break;
            case ElementPass::Label:
                centreLabel(poly);
                break;
            default:
                break;
        }
    }
}

void ElementPainter::draw(ElementPass pass) {
    const ElementFamily f = r_.family;
    const bool spatial =
        f == ElementFamily::Solid || f == ElementFamily::Shell || f == ElementFamily::SpaceLine;
    const bool lit = litPass(c_, pass);
    if (lit) passLighting.visit(c_, pass, e_);
    bool cut = false;
    if (pass != ElementPass::UndeformedMesh) {
        // Hidden by the selection: nothing but the undeformed mesh (and a solid's outline).
        if (r_.selected == 0 && !(f == ElementFamily::Solid && pass == ElementPass::Outline))
            return;
        if (spatial) {
            const CutState s = c_.cut.state(e_);
            const bool ignoresCut = f == ElementFamily::Solid &&
                                    (pass == ElementPass::Outline ||
                                     (pass == ElementPass::IsoSurface && s != CutState::Removed));
            if (!ignoresCut) {
                if (s == CutState::Removed) return;
                cut = s == CutState::Cut;
            }
        }
    }
    if (lit)
        passLighting.need(gl_, f != ElementFamily::SpacePoint && f != ElementFamily::SpaceLine);
    if (cut) {
        cutElement(pass);
    } else {
        switch (f) {
            case ElementFamily::PlanePoint:
                planePoint(pass);
                break;
            case ElementFamily::PlaneLine:
                planeLine(pass);
                break;
            case ElementFamily::Plane:
                planeArea(pass);
                break;
            case ElementFamily::SpacePoint:
                spacePoint(pass);
                break;
            case ElementFamily::SpaceLine:
                spaceLine(pass);
                break;
            case ElementFamily::Shell:
                shell(pass);
                break;
            case ElementFamily::Solid:
                solid(pass);
                break;
        }
    }
}

}  // namespace

void drawElement(const DrawContext& c, ElementPass pass, int32_t e) {
    ElementPainter(c, e).draw(pass);
}

}  // namespace orv
