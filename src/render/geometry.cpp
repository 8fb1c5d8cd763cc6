#include "geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <thread>

#include "band_fill.h"
#include "bitmap_font_set.h"
#include "camera.h"
#include "cut_plane.h"
#include "element_topology.h"
#include "fe_model.h"
#include "gl.h"
#include "markers.h"
#include "overlay.h"
#include "plot_settings.h"

namespace orv {

namespace {

using Vec3 = std::array<float, 3>;

bool facesViewer(const Vec3& n, const ViewAngles& view) {
    return turnAsScene(n, view)[2] > 0;
}

// The same frame record drawing into another Gl.
DrawContext withGl(const DrawContext& c, Gl& gl) {
    return {gl,      c.model,      c.settings, c.colours, c.bands, c.userColours,
            c.fonts, c.cut,        c.picked,   c.nodes,   c.view,  c.interactiveDrag,
            c.clock, c.pixelScale, c.probed};
}

// The same frame record over another model and cut (the faces that close a selection).
DrawContext withModel(const DrawContext& c, const FeModel& model, const CutPlane& cut) {
    return {c.gl,     model,   c.settings, c.colours,         c.bands, c.userColours, c.fonts, cut,
            c.picked, c.nodes, c.view,     c.interactiveDrag, c.clock, c.pixelScale,  c.probed};
}

// A line width or point size in device pixels.
float px(const DrawContext& c, float size) {
    return size * c.pixelScale;
}

bool spatial(ElementFamily f) {
    return f == ElementFamily::Solid || f == ElementFamily::Shell || f == ElementFamily::SpaceLine;
}

// Runs work(begin, end) over [0, n) in two halves at once when n is large and there are two
// cores.
template <class Work>
void inHalves(size_t n, const Work& work) {
    if (n < 100000 || std::thread::hardware_concurrency() < 2) {
        work(size_t(0), n);
        return;
    }
    std::thread other([&] { work(n / 2, n); });
    work(size_t(0), n / 2);
    other.join();
}

// --- shared edges ---

// Each edge that forEach(add) names, once: add(a, b) takes two different 0-based node
// positions in either order. The result holds pairs, the smaller position first, in the order
// of the smaller one. Each node keeps the larger ends of its edges in a few slots of its own
// (a brick mesh needs at most six), the rest go to a list sorted at the end: a million bricks
// cost one pass over their twelve million edges.
template <class ForEach>
std::vector<int32_t> uniqueEdges(int32_t nodeCount, const ForEach& forEach) {
    constexpr int kSlots = 7;  // and the count: half a cache line per node
    const size_t n = size_t(std::max(nodeCount, 0));
    std::vector<std::array<int32_t, kSlots + 1>> slots(n);
    std::vector<std::pair<int32_t, int32_t>> overflow;
    size_t total = 0;
    forEach([&](int32_t a, int32_t b) {
        if (b < a) std::swap(a, b);
        std::array<int32_t, kSlots + 1>& s = slots[size_t(a)];
        int32_t& count = s[kSlots];
        for (int32_t i = 0; i < count; ++i)
            if (s[size_t(i)] == b) return;
        if (count < kSlots) {
            s[size_t(count++)] = b;
            ++total;
        } else {
            overflow.push_back({a, b});
        }
    });
    std::sort(overflow.begin(), overflow.end());
    overflow.erase(std::unique(overflow.begin(), overflow.end()), overflow.end());
    std::vector<int32_t> edges;
    edges.reserve(2 * (total + overflow.size()));
    auto more = overflow.begin();
    for (size_t i = 0; i < n; ++i) {
        const std::array<int32_t, kSlots + 1>& s = slots[i];
        for (int32_t j = 0; j < s[kSlots]; ++j) {
            edges.push_back(int32_t(i));
            edges.push_back(s[size_t(j)]);
        }
        for (; more != overflow.end() && more->first == int32_t(i); ++more) {
            edges.push_back(more->first);
            edges.push_back(more->second);
        }
    }
    return edges;
}

// Lines between the node pairs of `edges` at `positions`, in one colour, drawn from vertex
// arrays a few thousand at a time.
void drawEdges(Gl& gl, const std::vector<int32_t>& edges, const std::vector<float>& positions,
               const Rgb& colour, std::vector<float>& buffer) {
    constexpr size_t kVertices = 8192;  // even: an edge's two ends stay together
    buffer.resize(kVertices * 9);
    size_t n = 0;
    for (const int32_t node : edges) {
        const float* p = positions.data() + size_t(node) * 3;
        float* v = buffer.data() + n * 9;
        v[0] = p[0];
        v[1] = p[1];
        v[2] = p[2];
        v[3] = v[4] = 0.0f;
        v[5] = 1.0f;
        v[6] = colour[0];
        v[7] = colour[1];
        v[8] = colour[2];
        if (++n == kVertices) {
            gl.drawInterleaved(gl::Lines, buffer.data(), int(n), false);
            n = 0;
        }
    }
    if (n > 0) gl.drawInterleaved(gl::Lines, buffer.data(), int(n), false);
    // Drawn arrays leave the current colour undefined; the elements drawn after rely on it.
    gl.color(colour[0], colour[1], colour[2]);
}

// --- the calls of one element, kept for later frames ---

class CallRecorder final : public Gl {
  public:
    enum Op : uint32_t { Begin, End, Vertex, Normal, Colour, LineWidth, PointSize };
    struct Call {
        uint32_t op;  // Op, and a primitive's mode above the low byte
        float v[3];
    };
    std::vector<Call> calls;
    // A call that cannot be kept was made (text, a state change): the pass is drawn as it comes.
    bool unsupported = false;

    using Gl::color;
    using Gl::vertex;

    void begin(unsigned mode) override { calls.push_back({Begin | (mode << 8), {0, 0, 0}}); }
    void end() override { calls.push_back({End, {0, 0, 0}}); }
    void vertex(float x, float y, float z) override { calls.push_back({Vertex, {x, y, z}}); }
    void normal(float x, float y, float z) override { calls.push_back({Normal, {x, y, z}}); }
    void color(float r, float g, float b) override { calls.push_back({Colour, {r, g, b}}); }
    void lineWidth(float width) override { calls.push_back({LineWidth, {width, 0, 0}}); }
    void pointSize(float size) override { calls.push_back({PointSize, {size, 0, 0}}); }

    void clearColor(float, float, float, float) override { unsupported = true; }
    void clear(unsigned) override { unsupported = true; }
    void enable(unsigned) override { unsupported = true; }
    void disable(unsigned) override { unsupported = true; }
    void depthFunc(unsigned) override { unsupported = true; }
    void polygonOffset(float, float) override { unsupported = true; }
    void logicOp(unsigned) override { unsupported = true; }
    void viewport(int, int, int, int) override { unsupported = true; }
    void matrixMode(unsigned) override { unsupported = true; }
    void loadIdentity() override { unsupported = true; }
    void ortho(double, double, double, double, double, double) override { unsupported = true; }
    void pushMatrix() override { unsupported = true; }
    void popMatrix() override { unsupported = true; }
    void translate(double, double, double) override { unsupported = true; }
    void scale(double, double, double) override { unsupported = true; }
    void rotate(double, double, double, double) override { unsupported = true; }
    void lineStipple(int, uint16_t) override { unsupported = true; }
    void lightModelAmbient(float, float, float, float) override { unsupported = true; }
    void material(unsigned, unsigned, const float*) override { unsupported = true; }
    void materialShininess(unsigned, float) override { unsupported = true; }
    void rasterPos(float, float, float) override { unsupported = true; }
    unsigned genLists(int) override {
        unsupported = true;
        return 0;
    }
    void deleteLists(unsigned, int) override { unsupported = true; }
    void newList(unsigned) override { unsupported = true; }
    void endList() override { unsupported = true; }
    void bitmap(int, int, float, float, float, float, const uint8_t*) override {
        unsupported = true;
    }
    void callLists(unsigned, const char*, int) override { unsupported = true; }
    void drawInterleaved(unsigned, const float*, int, bool) override { unsupported = true; }
    void flush() override {}
    void finish() override {}
    void getViewport(int v[4]) override {
        unsupported = true;
        v[0] = v[1] = v[2] = v[3] = 0;
    }
    void readPixelsRgb(int, int, int, int, uint8_t*) override { unsupported = true; }
};

// Sends kept calls to gl. With `turn`, each normal is turned towards the viewer, as the
// drawing of shells and iso-surfaces turns it.
void replay(Gl& gl, const CallRecorder::Call* call, const CallRecorder::Call* end,
            const ViewAngles* turn) {
    for (; call != end; ++call) {
        const float* v = call->v;
        switch (call->op & 0xffu) {
            case CallRecorder::Begin:
                gl.begin(call->op >> 8);
                break;
            case CallRecorder::End:
                gl.end();
                break;
            case CallRecorder::Vertex:
                gl.vertex(v[0], v[1], v[2]);
                break;
            case CallRecorder::Normal:
                if (turn && !facesViewer({v[0], v[1], v[2]}, *turn))
                    gl.normal(-v[0], -v[1], -v[2]);
                else
                    gl.normal(v[0], v[1], v[2]);
                break;
            case CallRecorder::Colour:
                gl.color(v[0], v[1], v[2]);
                break;
            case CallRecorder::LineWidth:
                gl.lineWidth(v[0]);
                break;
            case CallRecorder::PointSize:
                gl.pointSize(v[0]);
                break;
        }
    }
}

// --- labels that can be read ---

// Passes every call on, but leaves out a label (the text of a callLists after a rasterPos)
// whose anchor lies outside the viewport or whose box is more than half covered by labels
// already drawn: on a million bricks the numbers of thousands of nodes would fall on each
// other, each costing a draw of its own. Boxes are kept in cells of 2 x 2 pixels.
class LabelSpacingGl final : public Gl {
  public:
    LabelSpacingGl(Gl& target, const Camera& camera, Symmetry mirror, float height,
                   std::vector<uint8_t>& taken)
        : target_(target),
          camera_(camera),
          mirror_(mirror),
          height_(height),
          width_(int(camera.viewportWidth)),
          rows_(int(camera.viewportHeight)),
          taken_(taken) {}

    using Gl::color;
    using Gl::vertex;

    void rasterPos(float x, float y, float z) override {
        raster_ = {x, y, z};
        pending_ = true;
    }
    void callLists(unsigned base, const char* text, int count) override {
        if (!pending_) return target_.callLists(base, text, count);
        pending_ = false;
        if (!room(count)) return;
        target_.rasterPos(raster_[0], raster_[1], raster_[2]);
        target_.callLists(base, text, count);
    }

    void clearColor(float r, float g, float b, float a) override { target_.clearColor(r, g, b, a); }
    void clear(unsigned mask) override { target_.clear(mask); }
    void enable(unsigned capability) override { target_.enable(capability); }
    void disable(unsigned capability) override { target_.disable(capability); }
    void depthFunc(unsigned func) override { target_.depthFunc(func); }
    void polygonOffset(float factor, float units) override { target_.polygonOffset(factor, units); }
    void logicOp(unsigned op) override { target_.logicOp(op); }
    void viewport(int x, int y, int w, int h) override { target_.viewport(x, y, w, h); }
    void matrixMode(unsigned mode) override { target_.matrixMode(mode); }
    void loadIdentity() override { target_.loadIdentity(); }
    void ortho(double l, double r, double b, double t, double n, double f) override {
        target_.ortho(l, r, b, t, n, f);
    }
    void pushMatrix() override { target_.pushMatrix(); }
    void popMatrix() override { target_.popMatrix(); }
    void translate(double x, double y, double z) override { target_.translate(x, y, z); }
    void scale(double x, double y, double z) override { target_.scale(x, y, z); }
    void rotate(double a, double x, double y, double z) override { target_.rotate(a, x, y, z); }
    void begin(unsigned primitive) override { target_.begin(primitive); }
    void end() override { target_.end(); }
    void vertex(float x, float y, float z) override { target_.vertex(x, y, z); }
    void normal(float x, float y, float z) override { target_.normal(x, y, z); }
    void color(float r, float g, float b) override { target_.color(r, g, b); }
    void lineWidth(float width) override { target_.lineWidth(width); }
    void pointSize(float size) override { target_.pointSize(size); }
    void lineStipple(int factor, uint16_t pattern) override {
        target_.lineStipple(factor, pattern);
    }
    void lightModelAmbient(float r, float g, float b, float a) override {
        target_.lightModelAmbient(r, g, b, a);
    }
    void material(unsigned face, unsigned name, const float* rgba) override {
        target_.material(face, name, rgba);
    }
    void materialShininess(unsigned face, float shininess) override {
        target_.materialShininess(face, shininess);
    }
    unsigned genLists(int count) override { return target_.genLists(count); }
    void deleteLists(unsigned first, int count) override { target_.deleteLists(first, count); }
    void newList(unsigned list) override { target_.newList(list); }
    void endList() override { target_.endList(); }
    void bitmap(int w, int h, float xorig, float yorig, float xmove, float ymove,
                const uint8_t* bits) override {
        target_.bitmap(w, h, xorig, yorig, xmove, ymove, bits);
    }
    void drawInterleaved(unsigned mode, const float* vertices, int count, bool normals) override {
        target_.drawInterleaved(mode, vertices, count, normals);
    }
    void flush() override { target_.flush(); }
    void finish() override { target_.finish(); }
    void getViewport(int v[4]) override { target_.getViewport(v); }
    void readPixelsRgb(int x, int y, int w, int h, uint8_t* out) override {
        target_.readPixelsRgb(x, y, w, h, out);
    }

  private:
    // True, and the box taken, when a label of `count` characters at the raster position
    // can be read.
    bool room(int count) {
        std::array<float, 3> p = raster_;
        // The mirror copy of a plane model is turned half round the axis.
        if (mirror_ == Symmetry::AboutX) p = {p[0], -p[1], -p[2]};
        if (mirror_ == Symmetry::AboutY) p = {-p[0], p[1], -p[2]};
        if (width_ <= 0 || rows_ <= 0) return true;  // no view to measure against
        const std::array<float, 3> at = camera_.modelToScreen(p);
        if (!(at[0] >= 0 && at[1] >= 0 && at[0] < float(width_) && at[1] < float(rows_)))
            return false;
        const int columns = (width_ + 1) / 2, lines = (rows_ + 1) / 2;
        if (taken_.size() != size_t(columns) * size_t(lines))
            taken_.assign(size_t(columns) * size_t(lines), 0);
        // A digit is about half as wide as the font is high.
        const int x0 = int(at[0]) / 2, y1 = int(at[1]) / 2;
        const int x1 = std::min(columns - 1, int(at[0] + 0.5f * height_ * float(count)) / 2);
        const int y0 = std::max(0, int(at[1] - height_) / 2);
        int covered = 0, cells = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x, ++cells)
                covered += taken_[size_t(y) * size_t(columns) + size_t(x)];
        if (2 * covered > cells) return false;
        for (int y = y0; y <= y1; ++y)
            std::fill_n(taken_.begin() + ptrdiff_t(size_t(y) * size_t(columns) + size_t(x0)),
                        x1 - x0 + 1, uint8_t(1));
        return true;
    }

    Gl& target_;
    const Camera& camera_;
    Symmetry mirror_;
    float height_;
    int width_, rows_;
    std::vector<uint8_t>& taken_;
    std::array<float, 3> raster_{};
    bool pending_ = false;
};

// How an element's calls in a face pass depend on the view.
enum class ViewDependence : uint8_t {
    None,          // the same calls in every view
    TurnsNormals,  // shells and iso-surfaces: normals turned towards the viewer
    Culls,         // solid faces and sections: only those towards the viewer are drawn
};

// Everything a face pass's calls depend on but the view and the shape (model, selection,
// cut), which have their own generations.
struct PassKey {
    uint64_t shape = 0, nodes = 0;
    bool contourEdges = false;
    int divisions = 0;
    std::array<float, 21> bandUpper{};
    std::array<Rgb, ColorMap::kMaxBands> colours{};
    bool operator==(const PassKey&) const = default;
};

struct KeptElement {
    int32_t e = 0;
    bool closing = false;  // one of the faces that close the selection
    ViewDependence dependence = ViewDependence::None;
    uint64_t facing = 0;  // Culls: the faces towards the viewer when recorded, one bit each
    uint32_t firstNormal = 0, normalCount = 0;
    size_t begin = 0, end = 0;  // its calls
};

struct KeptPass {
    bool seen = false;    // drawn once with this key, as it came
    bool built = false;   // its calls are kept
    bool direct = false;  // drawn as it comes: too large to keep, or it makes calls not kept
    bool used = false;    // drawn in the last frame
    PassKey key;
    CallRecorder recorder;
    std::vector<KeptElement> elements;
    std::vector<Vec3> normals;
    size_t stale = 0;  // calls no element refers to any more
};

// A face pass keeps at most this many calls (16 bytes each).
constexpr size_t kMaxKeptCalls = size_t(1) << 22;

}  // namespace

struct Geometry::Kept {
    // What the shape depends on: the model's tables, the cut and the selection.
    struct ShapeKey {
        const FeModel* model = nullptr;
        const void* elements = nullptr;
        const void* connectivity = nullptr;
        const void* flags = nullptr;
        int32_t elementCount = -1, nodeCount = -1;
        size_t flagCount = 0;
        const CutPlane* cut = nullptr;
        bool cutActive = false;
        std::array<double, 4> plane{};
        bool operator==(const ShapeKey&) const = default;
    };
    ShapeKey shapeKey;
    std::vector<uint64_t> shown;  // the selection, one bit per element
    // Generations: of the shape, and of the model alone (what neither the selection nor the
    // cut changes).
    uint64_t shape = 0, model = 0, nextShape = 1;

    uint64_t surfaceShape = 0;     // of the model
    std::vector<int32_t> surface;  // non-solids and solids with a face on the outer surface

    uint64_t meshShape = 0;
    std::vector<int32_t> meshEdges;  // shared edges of the whole, shown solids
    std::vector<int32_t> meshRest;   // shown elements the mesh pass draws one by one

    uint64_t outlineShape = 0;
    std::vector<int32_t> outlineEdges;  // shared edges of the solids' drawn faces
    std::vector<int32_t> outlineRest;   // shown elements other than solids

    // The faces of shown solids whose neighbour is hidden, as the elements of a model of
    // their own whose face flags mark exactly those faces.
    uint64_t closingShape = 0;
    std::vector<uint8_t> closingFaces;  // per element, one bit per face; empty: none
    FeModel closing;
    std::vector<int32_t> closingOf;  // element of the model for each element of `closing`
    CutPlane noCut;

    uint64_t adjacencyShape = 0;          // of the model
    std::vector<int64_t> adjacencyStart;  // elements at each node, when the model has none
    std::vector<int32_t> adjacency;

    // The drawn faces of whole, shown solids (outer, in the cut's plane, closing the
    // selection) for the grid: their nodes, their edges each once with the faces along it,
    // and the elements the grid draws one by one.
    uint64_t gridShape = 0, gridNodes = 0;
    std::vector<std::array<int32_t, 4>> gridFaces;  // 0-based nodes as the face runs
    std::vector<int32_t> gridEdges;                 // node pairs
    std::vector<int32_t> gridEdgeStart, gridEdgeFaces;
    std::vector<int32_t> gridRest;
    std::vector<Vec3> gridNormals;
    std::vector<uint8_t> gridFacing;
    std::vector<int32_t> gridDrawn;

    uint64_t usedShape = 0;     // of the model
    std::vector<uint8_t> used;  // nodes of some element

    std::array<KeptPass, 9> passes;
    std::vector<float> buffer;
    std::vector<uint8_t> labelled;
    std::vector<uint8_t> numberCells, labelCells;  // pixels the frame's labels took

    void update(const DrawContext& c);
    const std::vector<int32_t>& surfaceElements(const FeModel& m);
    void buildMesh(const DrawContext& c);
    void buildOutline(const DrawContext& c);
    void buildClosing(const DrawContext& c);
    void buildGrid(const DrawContext& c);
    std::span<const int32_t> elementsAt(const FeModel& m, int32_t node);
    // The faces of solid e that a face pass draws: outer, in the cut's plane, or closing the
    // selection; one bit each.
    uint32_t drawnFaces(const DrawContext& c, int32_t e) const;
    bool anyFaceTowardsViewer(const DrawContext& c, int32_t e) const;
};

Geometry::Geometry() : kept_(std::make_unique<Kept>()) {}
Geometry::~Geometry() = default;

void Geometry::invalidate() {
    nodesKey_ = {};
    kept_ = std::make_unique<Kept>();
}

// --- shape: model, selection and cut ---

void Geometry::Kept::update(const DrawContext& c) {
    const FeModel& m = c.model;
    const CutPlane& cut = c.cut;
    const ShapeKey key{&m,
                       m.elements.data(),
                       m.connectivity.data(),
                       m.faceFlags.data(),
                       m.elementCount,
                       m.nodeCount,
                       m.faceFlags.size(),
                       &cut,
                       cut.active(),
                       cut.active() ? cut.plane() : std::array<double, 4>{}};
    bool changed = !(key == shapeKey);
    // A drag cannot change the selection: reading a million records is left to other frames.
    if (changed || !c.interactiveDrag || shape == 0) {
        std::vector<uint64_t> bits((m.elements.size() + 63) / 64, 0);
        for (size_t e = 0; e < m.elements.size(); ++e)
            if (m.elements[e].selected != 0) bits[e / 64] |= uint64_t(1) << (e % 64);
        if (bits != shown) {
            shown = std::move(bits);
            changed = true;
        }
    }
    if (changed || shape == 0) {
        const bool sameModel = key.model == shapeKey.model && key.elements == shapeKey.elements &&
                               key.connectivity == shapeKey.connectivity &&
                               key.flags == shapeKey.flags && key.flagCount == shapeKey.flagCount &&
                               key.elementCount == shapeKey.elementCount &&
                               key.nodeCount == shapeKey.nodeCount;
        shapeKey = key;
        shape = nextShape++;
        if (!sameModel || model == 0) model = shape;
    }
}

// Solids with no face on the outer surface draw nothing in the passes that show faces;
// a model of a million bricks has only a few percent of others.
const std::vector<int32_t>& Geometry::Kept::surfaceElements(const FeModel& m) {
    if (surfaceShape == model) return surface;
    surfaceShape = model;
    surface.clear();
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const ElementRecord& r = m.elements[size_t(e)];
        bool keep = r.family != ElementFamily::Solid;
        for (int i = 0; i < r.faceCount && !keep; ++i)
            keep = m.faceFlags[size_t(r.firstFlag + i)] != 0;
        if (keep) surface.push_back(e);
    }
    return surface;
}

std::span<const int32_t> Geometry::Kept::elementsAt(const FeModel& m, int32_t node) {
    if (m.nodeElementStart.size() == size_t(m.nodeCount) + 1) return m.nodeElements(node);
    if (adjacencyShape != model) {
        // The model was read without its node-to-element lists: the same lists, here.
        adjacencyShape = model;
        const size_t n = size_t(m.nodeCount);
        adjacencyStart.assign(n + 1, 0);
        const auto each = [&](auto&& fn) {
            for (int32_t e = 0; e < m.elementCount; ++e)
                for (const int32_t p : m.elementNodes(e))
                    if (p >= 1 && p <= m.nodeCount) fn(size_t(p - 1), e + 1);
        };
        each([&](size_t i, int32_t) { ++adjacencyStart[i + 1]; });
        for (size_t i = 0; i < n; ++i)
            adjacencyStart[i + 1] += adjacencyStart[i];
        adjacency.resize(size_t(adjacencyStart[n]));
        std::vector<int64_t> at(adjacencyStart.begin(), adjacencyStart.end() - 1);
        each([&](size_t i, int32_t e) { adjacency[size_t(at[i]++)] = e; });
    }
    const size_t i = size_t(node);
    return {adjacency.data() + adjacencyStart[i],
            size_t(adjacencyStart[i + 1] - adjacencyStart[i])};
}

// A face of a shown solid is closing when the element across it is hidden. Only faces whose
// nodes all touch a hidden solid can be; their neighbour is found among the elements of
// their first node.
void Geometry::Kept::buildClosing(const DrawContext& c) {
    if (closingShape == shape) return;
    closingShape = shape;
    closingFaces.clear();
    closingOf.clear();
    closing = FeModel();
    const FeModel& m = c.model;
    const auto hidden = [&](int32_t e) { return m.elements[size_t(e)].selected == 0; };
    std::vector<uint8_t> touched;
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const ElementRecord& r = m.elements[size_t(e)];
        if (!hidden(e) || r.family != ElementFamily::Solid || !solidTopology(r.nodeCount)) continue;
        if (touched.empty()) touched.assign(size_t(m.nodeCount), 0);
        for (const int32_t p : m.elementNodes(e))
            if (p >= 1 && p <= m.nodeCount) touched[size_t(p - 1)] = 1;
    }
    if (touched.empty()) return;
    closingFaces.assign(size_t(m.elementCount), 0);
    closing.dimension = m.dimension;
    closing.nodeCount = m.nodeCount;
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const ElementRecord& r = m.elements[size_t(e)];
        const SolidTopology* t = solidTopology(r.nodeCount);
        if (hidden(e) || r.family != ElementFamily::Solid || !t) continue;
        const int32_t* nodes = m.connectivity.data() + r.firstNode;
        uint8_t faces = 0;
        for (int i = 0; i < t->faceCount && i < r.faceCount; ++i) {
            if (m.faceFlags[size_t(r.firstFlag + i)] != 0) continue;
            int32_t face[4];
            bool near = true;
            for (int j = 0; j < t->faceSize && near; ++j) {
                face[j] = nodes[t->faces[size_t(i)][size_t(j)]];
                near = face[j] >= 1 && face[j] <= m.nodeCount && touched[size_t(face[j] - 1)];
            }
            if (!near) continue;
            int32_t across = -1;
            for (const int32_t f : elementsAt(m, face[0] - 1)) {
                const int32_t other = f - 1;
                if (other != e && other >= 0 && other < m.elementCount &&
                    m.elements[size_t(other)].family == ElementFamily::Solid &&
                    m.containsNodes(other, t->faceSize, face)) {
                    across = other;
                    break;
                }
            }
            if (across < 0 || hidden(across)) faces |= uint8_t(1u << i);
        }
        if (!faces) continue;
        closingFaces[size_t(e)] = faces;
        // A cut element draws its section instead, and a removed one nothing.
        const CutState s = c.cut.state(e);
        if (s == CutState::Removed || s == CutState::Cut) continue;
        ElementRecord copy = r;
        copy.selected = 1;
        copy.firstNode = int64_t(closing.connectivity.size());
        copy.firstFlag = int64_t(closing.faceFlags.size());
        closing.connectivity.insert(closing.connectivity.end(), nodes, nodes + r.nodeCount);
        for (int i = 0; i < r.faceCount; ++i)
            closing.faceFlags.push_back((faces >> i) & 1u);
        closing.elements.push_back(copy);
        closingOf.push_back(e);
    }
    closing.elementCount = int32_t(closing.elements.size());
}

uint32_t Geometry::Kept::drawnFaces(const DrawContext& c, int32_t e) const {
    const FeModel& m = c.model;
    const ElementRecord& r = m.elements[size_t(e)];
    uint32_t faces = closingFaces.empty() ? 0u : closingFaces[size_t(e)];
    for (int i = 0; i < r.faceCount && i < 8; ++i)
        if (m.faceFlags[size_t(r.firstFlag + i)] != 0 || c.cut.inPlaneFace(e, i)) faces |= 1u << i;
    return faces;
}

bool Geometry::Kept::anyFaceTowardsViewer(const DrawContext& c, int32_t e) const {
    const FeModel& m = c.model;
    const ElementRecord& r = m.elements[size_t(e)];
    const SolidTopology* t = solidTopology(r.nodeCount);
    if (!t) return false;
    const uint32_t faces = drawnFaces(c, e);
    const int32_t* nodes = m.connectivity.data() + r.firstNode;
    const auto at = [&](int i, int j) {
        return c.nodes.deformed.data() + size_t(nodes[t->faces[size_t(i)][size_t(j)]] - 1) * 3;
    };
    for (int i = 0; i < t->faceCount; ++i)
        if ((faces >> i) & 1u && facesViewer(faceNormal(at(i, 0), at(i, 1), at(i, 2)), c.view))
            return true;
    return false;
}

void Geometry::Kept::buildGrid(const DrawContext& c) {
    if (gridShape == shape) return;
    gridShape = shape;
    gridNodes = 0;
    buildClosing(c);
    const FeModel& m = c.model;
    gridFaces.clear();
    gridRest.clear();
    struct Side {
        int32_t a, b, face;
        bool operator<(const Side& o) const { return a != o.a ? a < o.a : b < o.b; }
    };
    std::vector<Side> sides;
    const auto visit = [&](int32_t e) {
        const ElementRecord& r = m.elements[size_t(e)];
        if (r.selected == 0) return;
        const CutState s = spatial(r.family) ? c.cut.state(e) : CutState::Whole;
        if (s == CutState::Removed) return;
        if (r.family != ElementFamily::Solid || s == CutState::Cut) {
            gridRest.push_back(e);
            return;
        }
        const SolidTopology* t = solidTopology(r.nodeCount);
        if (!t) return;
        const uint32_t faces = drawnFaces(c, e);
        const int32_t* nodes = m.connectivity.data() + r.firstNode;
        for (int i = 0; i < t->faceCount; ++i) {
            if (!((faces >> i) & 1u)) continue;
            std::array<int32_t, 4> f{-1, -1, -1, -1};
            for (int j = 0; j < t->faceSize; ++j)
                f[size_t(j)] = nodes[t->faces[size_t(i)][size_t(j)]] - 1;
            const int32_t id = int32_t(gridFaces.size());
            gridFaces.push_back(f);
            for (int j = 0; j < t->faceSize; ++j) {
                const int32_t a = f[size_t(j)], b = f[size_t((j + 1) % t->faceSize)];
                sides.push_back({std::min(a, b), std::max(a, b), id});
            }
        }
    };
    if (c.cut.active()) {
        for (int32_t e = 0; e < m.elementCount; ++e)
            visit(e);
    } else {
        const std::vector<int32_t>& list = surfaceElements(m);
        for (const int32_t e : list)
            visit(e);
        for (const int32_t e : closingOf)
            if (!std::binary_search(list.begin(), list.end(), e)) visit(e);
    }
    std::sort(sides.begin(), sides.end());
    gridEdges.clear();
    gridEdgeStart.assign(1, 0);
    gridEdgeFaces.clear();
    for (size_t i = 0; i < sides.size(); ++i) {
        if (i == 0 || sides[i].a != sides[i - 1].a || sides[i].b != sides[i - 1].b) {
            if (i > 0) gridEdgeStart.push_back(int32_t(gridEdgeFaces.size()));
            gridEdges.push_back(sides[i].a);
            gridEdges.push_back(sides[i].b);
        }
        gridEdgeFaces.push_back(sides[i].face);
    }
    if (!sides.empty()) gridEdgeStart.push_back(int32_t(gridEdgeFaces.size()));
}

void Geometry::Kept::buildMesh(const DrawContext& c) {
    if (meshShape == shape) return;
    meshShape = shape;
    const FeModel& m = c.model;
    const auto whole = [&](int32_t e) {
        const ElementRecord& r = m.elements[size_t(e)];
        const CutState s = c.cut.state(e);
        return r.family == ElementFamily::Solid && solidTopology(r.nodeCount) && r.selected != 0 &&
               s != CutState::Removed && s != CutState::Cut;
    };
    meshEdges = uniqueEdges(m.nodeCount, [&](auto&& add) {
        for (int32_t e = 0; e < m.elementCount; ++e) {
            if (!whole(e)) continue;
            const ElementRecord& r = m.elements[size_t(e)];
            const SolidTopology& t = *solidTopology(r.nodeCount);
            const int32_t* nodes = m.connectivity.data() + r.firstNode;
            for (int i = 0; i < t.edgeCount; ++i) {
                const int32_t a = nodes[t.edges[size_t(i)][0]], b = nodes[t.edges[size_t(i)][1]];
                if (a != b && a >= 1 && b >= 1 && a <= m.nodeCount && b <= m.nodeCount)
                    add(a - 1, b - 1);
            }
        }
    });
    meshRest.clear();
    for (int32_t e = 0; e < m.elementCount; ++e)
        if (m.elements[size_t(e)].selected != 0 && !whole(e)) meshRest.push_back(e);
}

void Geometry::Kept::buildOutline(const DrawContext& c) {
    if (outlineShape == shape) return;
    outlineShape = shape;
    const FeModel& m = c.model;
    const std::vector<int32_t>& list = surfaceElements(m);
    const auto eachSolid = [&](auto&& fn) {
        if (c.cut.active()) {
            for (int32_t e = 0; e < m.elementCount; ++e)
                fn(e);
        } else {
            for (const int32_t e : list)
                fn(e);
        }
    };
    // The outline of a solid is its drawn faces, whatever the selection and the cut.
    outlineEdges = uniqueEdges(m.nodeCount, [&](auto&& add) {
        eachSolid([&](int32_t e) {
            const ElementRecord& r = m.elements[size_t(e)];
            const SolidTopology* t = solidTopology(r.nodeCount);
            if (r.family != ElementFamily::Solid || !t) return;
            const int32_t* nodes = m.connectivity.data() + r.firstNode;
            for (int i = 0; i < t->faceCount && i < r.faceCount; ++i) {
                if (m.faceFlags[size_t(r.firstFlag + i)] == 0 && !c.cut.inPlaneFace(e, i)) continue;
                for (int j = 0; j < t->faceSize; ++j) {
                    const int32_t a = nodes[t->faces[size_t(i)][size_t(j)]];
                    const int32_t b = nodes[t->faces[size_t(i)][size_t((j + 1) % t->faceSize)]];
                    if (a != b && a >= 1 && b >= 1 && a <= m.nodeCount && b <= m.nodeCount)
                        add(a - 1, b - 1);
                }
            }
        });
    });
    outlineRest.clear();
    for (const int32_t e : list) {
        const ElementRecord& r = m.elements[size_t(e)];
        if (r.family != ElementFamily::Solid && r.selected != 0) outlineRest.push_back(e);
    }
}

// --- per-node data ---

const FrameNodes& Geometry::prepareNodes(const FeModel& m, const PlotSettings& s) {
    const NodesKey key{m.coords.data(), m.values.data(), m.nodeCount,    s.plotItem,
                       s.shown,         s.magnification, m.alignedAxis()};
    if (key == nodesKey_) return nodes_;
    nodesKey_ = key;
    ++nodesGeneration_;
    const size_t n = size_t(m.nodeCount);
    nodes_.undeformed.assign(n * 3, 0.0f);
    nodes_.deformed.resize(n * 3);
    nodes_.hasValues = m.hasValues() && s.plotItem >= 0 && s.plotItem < m.plotItemCount();
    nodes_.values.resize(nodes_.hasValues ? n : 0);
    const int dim = std::min(m.dimension, 3);
    const float mag = s.magnification;
    const bool moves = m.results.hasDisplacements && mag != 0.0f;
    const bool magnitude = m.isMagnitude(s.plotItem);
    int64_t nonFinite[2] = {0, 0};
    inHalves(n, [&](size_t first, size_t end) {
        int64_t& count = nonFinite[first == 0 ? 0 : 1];
        for (size_t i = first; i < end; ++i) {
            float* u = nodes_.undeformed.data() + i * 3;
            float* d = nodes_.deformed.data() + i * 3;
            for (int k = 0; k < dim; ++k)
                u[k] = m.coordinate(int32_t(i), k);
            d[0] = u[0];
            d[1] = u[1];
            d[2] = u[2];
            // A NaN would otherwise reach every primitive of its node (and a plane model's
            // frame lost all of them): such a component moves its node by nothing.
            for (int k = 0; moves && k < dim; ++k) {
                const float moved = d[k] + float(mag * m.displacement(int32_t(i), s.shown, k));
                if (std::isfinite(moved))
                    d[k] = moved;
                else
                    ++count;
            }
            if (nodes_.hasValues)
                nodes_.values[i] = float(magnitude ? m.shownMagnitude(int32_t(i), s.shown)
                                                   : m.nodalValue(int32_t(i), s.shown, s.plotItem));
        }
    });
    nodes_.nonFiniteDisplacements = nonFinite[0] + nonFinite[1];
    return nodes_;
}

// --- the frame ---

void Geometry::renderFrame(const DrawContext& c, Camera& camera) {
    Kept& k = *kept_;
    k.update(c);
    for (KeptPass& p : k.passes)
        p.used = false;
    k.numberCells.clear();
    k.labelCells.clear();
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
    mirror_ = Symmetry::None;
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
        mirror_ = symmetry;
        drawScene(c, camera);
        gl.popMatrix();
    }

    drawMarks(c, camera);
    drawOverlay(c, camera);
    gl.flush();
    // The calls of passes this frame did not draw are let go, but a drag keeps them for
    // the frame after it.
    if (!c.interactiveDrag)
        for (KeptPass& p : k.passes)
            if (!p.used) p = KeptPass();
}

void Geometry::drawScene(const DrawContext& c, const Camera& camera) {
    Gl& gl = c.gl;
    const PlotSettings& s = c.settings;
    const bool threeD = c.model.dimension == 3;
    // While the mouse moves the model with numbers on, only the outlines are drawn. So they
    // are for a large model in the plots that draw every element or node whole: a wireframe
    // shows every edge of a solid, vectors start at every node.
    const bool wireframe = s.plotMode != PlotMode::Contour && s.plotMode != PlotMode::IsoLine &&
                           s.plotMode != PlotMode::IsoSurface && s.plotMode != PlotMode::Material;
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
    if (s.nodeNumbers) nodeNumbers(c, camera);
    if (s.numbering != Numbering::None) {
        // Labels are text: drawn unlit, in their own colour.
        gl.disable(gl::Lighting);
        ColorMap::applyColour(gl, c.userColours[ColourItem::ElemNb]);
        labelPass(c, camera);
    }
    if (s.pickedMarks != PickedMarks::Hidden) pickedNodes(c);
}

// The elements of a face pass are drawn once and their calls kept: later frames send the
// kept calls again, and draw an element anew only when one of its faces has turned towards
// or away from the viewer. The faces that close a selection follow the model's elements.
void Geometry::pass(const DrawContext& c, ElementPass p) {
    Kept& k = *kept_;
    const bool facesOnly = p == ElementPass::UndeformedMesh || p == ElementPass::Material ||
                           p == ElementPass::Contour || p == ElementPass::IsoLines ||
                           p == ElementPass::Outline;
    const bool closes =
        p == ElementPass::Material || p == ElementPass::Contour || p == ElementPass::IsoLines;
    // A cut draws faces and sections of interior elements too.
    passOver(c, p, facesOnly && !c.cut.active() ? &k.surfaceElements(c.model) : nullptr, closes);
}

// The pass over the elements of `list` (all when null), and with `closes` the faces that close
// the selection.
void Geometry::passOver(const DrawContext& c, ElementPass p, const std::vector<int32_t>* list,
                        bool closes) {
    Kept& k = *kept_;
    const FeModel& m = c.model;
    if (closes) k.buildClosing(c);
    const DrawContext closing = withModel(c, k.closing, k.noCut);
    const bool anyClosing = closes && k.closing.elementCount > 0;
    const auto each = [&](auto&& fn) {
        if (list) {
            for (const int32_t e : *list)
                fn(e, false);
        } else {
            for (int32_t e = 0; e < m.elementCount; ++e)
                fn(e, false);
        }
        if (anyClosing)
            for (int32_t e = 0; e < k.closing.elementCount; ++e)
                fn(e, true);
    };

    KeptPass& kp = k.passes[size_t(p)];
    kp.used = true;
    PassKey key{k.shape, nodesGeneration_, c.settings.contourEdges, c.bands.divisions,
                c.bands.bandUpper};
    for (int i = 0; i < ColorMap::kMaxBands; ++i)
        key.colours[size_t(i)] = c.colours.bandColour(i);
    // Nodes other than this renderer's own are drawn as they come, and so is a pass the
    // first time: an animation changes the nodes every frame, and keeping calls that are
    // never sent again would only slow it. The second frame of the same pass keeps them.
    const bool keepable = &c.nodes == &nodes_;
    const bool again = (kp.built || kp.seen) && kp.key == key;
    if (!keepable || !again || kp.direct) {
        if (keepable && !again) {
            kp = KeptPass();
            kp.key = key;
            kp.seen = kp.used = true;
        }
        each([&](int32_t e, bool shadow) { drawElement(shadow ? closing : c, p, e); });
        return;
    }

    const auto dependence = [&](const DrawContext& from, int32_t e) {
        const ElementRecord& r = from.model.elements[size_t(e)];
        if (p == ElementPass::UndeformedMesh || p == ElementPass::Outline)
            return ViewDependence::None;
        if (r.family == ElementFamily::Shell) return ViewDependence::TurnsNormals;
        if (r.family != ElementFamily::Solid) return ViewDependence::None;
        return p == ElementPass::IsoSurface ? ViewDependence::TurnsNormals : ViewDependence::Culls;
    };
    // The normals by which the drawing culls a solid's faces: those of its drawn faces, or of
    // its section's polygons when the cut goes through it, in drawing order.
    const auto cullNormals = [&](const DrawContext& from, int32_t e) {
        const ElementRecord& r = from.model.elements[size_t(e)];
        if (from.cut.state(e) == CutState::Cut) {
            if (const CutSection* section = from.cut.section(e))
                for (const std::vector<int32_t>& numbers : section->polygons) {
                    if (numbers.size() < 3) continue;
                    ValuedPolygon poly;
                    float at[3], value;
                    for (const int32_t n : numbers) {
                        from.vertex(section, n, true, at, value);
                        poly.add(at, value);
                    }
                    kp.normals.push_back(polygonNormal(poly.p.data(), poly.count));
                }
            return;
        }
        const SolidTopology* t = solidTopology(r.nodeCount);
        if (!t) return;
        const int32_t* nodes = from.model.connectivity.data() + r.firstNode;
        const auto at = [&](int i, int j) {
            return from.nodes.deformed.data() +
                   size_t(nodes[t->faces[size_t(i)][size_t(j)]] - 1) * 3;
        };
        for (int i = 0; i < t->faceCount; ++i)
            if (from.model.faceFlags[size_t(r.firstFlag + i)] != 0 || from.cut.inPlaneFace(e, i))
                kp.normals.push_back(faceNormal(at(i, 0), at(i, 1), at(i, 2)));
    };
    const auto facing = [&](const KeptElement& ke) {
        uint64_t bits = 0;
        for (uint32_t i = 0; i < ke.normalCount; ++i)
            if (facesViewer(kp.normals[ke.firstNormal + i], c.view)) bits |= uint64_t(1) << i;
        return bits;
    };
    CallRecorder& rec = kp.recorder;
    const auto record = [&](KeptElement& ke) {
        const DrawContext& from = ke.closing ? closing : c;
        ke.begin = rec.calls.size();
        drawElement(withGl(from, rec), p, ke.e);
        ke.end = rec.calls.size();
    };

    if (!kp.built) {
        kp.built = true;
        each([&](int32_t e, bool shadow) {
            if (kp.direct) return;
            const DrawContext& from = shadow ? closing : c;
            KeptElement ke{e, shadow, dependence(from, e)};
            record(ke);
            if (ke.dependence == ViewDependence::Culls) {
                ke.firstNormal = uint32_t(kp.normals.size());
                cullNormals(from, e);
                ke.normalCount = uint32_t(kp.normals.size() - ke.firstNormal);
                ke.facing = facing(ke);
            }
            // What draws nothing now and culls nothing draws nothing in any view.
            if (ke.begin == ke.end && ke.normalCount == 0) return;
            kp.elements.push_back(ke);
            if (rec.unsupported || rec.calls.size() > kMaxKeptCalls || ke.normalCount > 64)
                kp.direct = true;
        });
        if (kp.direct) {
            // Drawn as it comes from now on; this frame too.
            kp.elements.clear();
            kp.normals.clear();
            rec.calls = {};
            each([&](int32_t e, bool shadow) { drawElement(shadow ? closing : c, p, e); });
            return;
        }
    } else {
        for (KeptElement& ke : kp.elements) {
            if (ke.dependence != ViewDependence::Culls) continue;
            const uint64_t now = facing(ke);
            if (now == ke.facing) continue;
            ke.facing = now;
            kp.stale += ke.end - ke.begin;
            record(ke);
        }
        if (kp.stale > rec.calls.size() / 2) {
            // Most kept calls belong to views gone by: keep only those of this one.
            std::vector<CallRecorder::Call> calls;
            calls.reserve(rec.calls.size() - kp.stale);
            for (KeptElement& ke : kp.elements) {
                const size_t begin = calls.size();
                calls.insert(calls.end(), rec.calls.begin() + ptrdiff_t(ke.begin),
                             rec.calls.begin() + ptrdiff_t(ke.end));
                ke.begin = begin;
                ke.end = calls.size();
            }
            rec.calls = std::move(calls);
            kp.stale = 0;
        }
    }
    const CallRecorder::Call* calls = rec.calls.data();
    for (const KeptElement& ke : kp.elements)
        replay(c.gl, calls + ke.begin, calls + ke.end,
               ke.dependence == ViewDependence::TurnsNormals ? &c.view : nullptr);
}

// Element labels only where they can be seen: a solid's at its centre when one of its drawn
// faces is towards the viewer, or on each such face after a filled plot; every other shown
// element's; and only those that can be read.
void Geometry::labelPass(const DrawContext& c, const Camera& camera) {
    Kept& k = *kept_;
    const FeModel& m = c.model;
    const PlotMode mode = c.settings.plotMode;
    const bool onFaces = mode == PlotMode::Contour || mode == PlotMode::IsoLine ||
                         mode == PlotMode::IsoSurface || mode == PlotMode::Material;
    k.buildClosing(c);
    LabelSpacingGl spaced(c.gl, camera, mirror_, px(c, 14.0f), k.labelCells);
    const DrawContext sc = withGl(c, spaced);
    const auto label = [&](int32_t e) {
        const ElementRecord& r = m.elements[size_t(e)];
        if (r.selected == 0) return;
        if (r.family == ElementFamily::Solid && !onFaces) {
            const CutState s = c.cut.state(e);
            if (s == CutState::Removed) return;
            if (s != CutState::Cut && !k.anyFaceTowardsViewer(c, e)) return;
        }
        drawElement(sc, ElementPass::Label, e);
    };
    if (c.cut.active()) {
        for (int32_t e = 0; e < m.elementCount; ++e)
            label(e);
    } else {
        for (const int32_t e : k.surfaceElements(m))
            label(e);
        // Solids inside that border hidden ones show faces too.
        if (!onFaces)
            for (const int32_t e : k.closingOf)
                if (!std::binary_search(k.surface.begin(), k.surface.end(), e)) label(e);
    }
    if (onFaces) {
        const DrawContext closing = withModel(sc, k.closing, k.noCut);
        for (int32_t e = 0; e < k.closing.elementCount; ++e)
            drawElement(closing, ElementPass::Label, e);
    }
}

void Geometry::meshPass(const DrawContext& c, int colour, float width) {
    Kept& k = *kept_;
    c.gl.disable(gl::Lighting);
    c.gl.enable(gl::DepthTest);
    basePalette(c.gl, colour);
    c.gl.lineWidth(px(c, width));
    // A solid's edges are drawn once, however many elements share them.
    k.buildMesh(c);
    drawEdges(c.gl, k.meshEdges, c.nodes.deformed, basePalette(colour), k.buffer);
    for (const int32_t e : k.meshRest)
        drawElement(c, ElementPass::Mesh, e);
}

// The element grid over a plot: a solid's face is outlined when it is towards the viewer. An
// edge between two such faces is drawn once, from the edges of the solids' drawn faces kept
// with the faces along each; the other elements draw their own.
void Geometry::edgePass(const DrawContext& c, int colour) {
    Kept& k = *kept_;
    basePalette(c.gl, colour);
    c.gl.lineWidth(px(c, 0.5f));
    if (c.model.dimension == 3) {
        c.gl.disable(gl::Lighting);
        c.gl.enable(gl::DepthTest);
    }
    k.buildGrid(c);
    const bool own = &c.nodes == &nodes_;
    if (!own || k.gridNodes != nodesGeneration_) {
        k.gridNodes = own ? nodesGeneration_ : 0;
        k.gridNormals.resize(k.gridFaces.size());
        const float* at = c.nodes.deformed.data();
        for (size_t f = 0; f < k.gridFaces.size(); ++f) {
            const std::array<int32_t, 4>& n = k.gridFaces[f];
            k.gridNormals[f] =
                faceNormal(at + size_t(n[0]) * 3, at + size_t(n[1]) * 3, at + size_t(n[2]) * 3);
        }
    }
    k.gridFacing.resize(k.gridFaces.size());
    for (size_t f = 0; f < k.gridFaces.size(); ++f)
        k.gridFacing[f] = facesViewer(k.gridNormals[f], c.view);
    k.gridDrawn.clear();
    for (size_t i = 0; i + 1 < k.gridEdgeStart.size(); ++i)
        for (int32_t j = k.gridEdgeStart[i]; j < k.gridEdgeStart[i + 1]; ++j)
            if (k.gridFacing[size_t(k.gridEdgeFaces[size_t(j)])]) {
                k.gridDrawn.push_back(k.gridEdges[2 * i]);
                k.gridDrawn.push_back(k.gridEdges[2 * i + 1]);
                break;
            }
    drawEdges(c.gl, k.gridDrawn, c.nodes.deformed, basePalette(colour), k.buffer);
    passOver(c, ElementPass::Edges, &k.gridRest, false);
}

void Geometry::outlinePass(const DrawContext& c) {
    Kept& k = *kept_;
    c.gl.lineWidth(px(c, 1.0f));
    const Rgb& background = c.userColours[ColourItem::FrameBkg];
    const Rgb colour{1 - background[0], 1 - background[1], 1 - background[2]};
    c.gl.color(colour[0], colour[1], colour[2]);
    k.buildOutline(c);
    drawEdges(c.gl, k.outlineEdges, c.nodes.deformed, colour, k.buffer);
    for (const int32_t e : k.outlineRest)
        drawElement(c, ElementPass::Outline, e);
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

// Node numbers only where they can be seen: the nodes of a solid's drawn faces that are
// towards the viewer, or of its section where the cut goes through it; every node of the
// other shown elements; nodes of no element at all; and only those that can be read.
void Geometry::nodeNumbers(const DrawContext& c, const Camera& camera) {
    Kept& k = *kept_;
    const FeModel& m = c.model;
    Gl& gl = c.gl;
    gl.disable(gl::Lighting);
    gl.enable(gl::DepthTest);
    ColorMap::applyColour(gl, c.userColours[ColourItem::NodeNb]);
    k.buildClosing(c);
    if (k.usedShape != k.model) {
        k.usedShape = k.model;
        k.used.assign(size_t(m.nodeCount), 0);
        for (const int32_t p : m.connectivity)
            if (p >= 1 && p <= m.nodeCount) k.used[size_t(p - 1)] = 1;
    }
    std::vector<uint8_t>& seen = k.labelled;
    seen.assign(size_t(m.nodeCount), 0);
    const auto mark = [&](int32_t p) {
        if (p >= 1 && p <= m.nodeCount) seen[size_t(p - 1)] = 1;
    };
    const auto visit = [&](int32_t e) {
        const ElementRecord& r = m.elements[size_t(e)];
        if (r.selected == 0) return;
        const CutState s = spatial(r.family) ? c.cut.state(e) : CutState::Whole;
        if (s == CutState::Removed) return;
        const int32_t* nodes = m.connectivity.data() + r.firstNode;
        if (r.family != ElementFamily::Solid) {
            for (int j = 0; j < r.nodeCount; ++j)
                mark(nodes[j]);
            return;
        }
        if (s == CutState::Cut) {
            if (const CutSection* section = c.cut.section(e))
                for (const std::vector<int32_t>& numbers : section->polygons)
                    for (const int32_t n : numbers)
                        mark(n);
            return;
        }
        const SolidTopology* t = solidTopology(r.nodeCount);
        if (!t) return;
        const uint32_t faces = k.drawnFaces(c, e);
        const auto at = [&](int i, int j) { return nodes[t->faces[size_t(i)][size_t(j)]]; };
        const auto position = [&](int i, int j) {
            return c.nodes.deformed.data() + size_t(at(i, j) - 1) * 3;
        };
        for (int i = 0; i < t->faceCount; ++i) {
            if (!((faces >> i) & 1u)) continue;
            if (!facesViewer(faceNormal(position(i, 0), position(i, 1), position(i, 2)), c.view))
                continue;
            for (int j = 0; j < t->faceSize; ++j)
                mark(at(i, j));
        }
    };
    if (c.cut.active()) {
        for (int32_t e = 0; e < m.elementCount; ++e)
            visit(e);
    } else {
        for (const int32_t e : k.surfaceElements(m))
            visit(e);
        for (const int32_t e : k.closingOf)
            visit(e);
    }
    LabelSpacingGl spaced(gl, camera, mirror_, px(c, 12.0f), k.numberCells);
    const float* p = c.nodes.deformed.data();
    for (int32_t i = 0; i < m.nodeCount; ++i, p += 3) {
        if (!seen[size_t(i)] && k.used[size_t(i)]) continue;
        spaced.rasterPos(p[0], p[1], p[2]);
        c.fonts.draw(spaced, Font::Arial12, std::to_string(i + 1));
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
        gl.vertex(a);
        gl.vertex(b);
    }
    gl.end();
}

void Geometry::vectors(const DrawContext& c, const Camera& camera) {
    const FeModel& m = c.model;
    Gl& gl = c.gl;
    const int dim = m.dimension;
    const double lmax = 0.1 * camera.modelSize;
    // The magnitude's vectors are the displacements.
    const int item = m.isMagnitude(c.settings.plotItem) ? 0 : c.settings.plotItem;
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
