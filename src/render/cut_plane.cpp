#include "cut_plane.h"

#include <algorithm>
#include <cmath>

#include "band_fill.h"
#include "element_topology.h"
#include "fe_model.h"
#include "messages.h"

namespace orv {

namespace {

// Nodes closer to the plane than this part of the model's largest extent lie on it.
constexpr double kOnPlane = 1e-4;
// Points of a solid's cap: at most one per edge and one per node.
constexpr int kMaxCap = 20;

// What the sections of one application of the plane share: the model, the plane and the side
// of every node (-1 kept, 1 removed, 0 on the plane).
struct Cutter {
    const FeModel& model;
    const std::array<double, 4>& plane;
    const std::vector<int8_t>& side;

    double distance(int32_t i) const {
        const int dim = model.dimension;
        const double z = dim >= 3 ? model.coordinate(i, 2) : 0.0;
        return plane[0] * model.coordinate(i, 0) + plane[1] * model.coordinate(i, 1) +
               plane[2] * z + plane[3];
    }
    int8_t sideOf(int32_t number) const { return side[size_t(number - 1)]; }
    static bool crosses(int8_t a, int8_t b) { return a * b < 0; }

    // Number of the section point where the edge between model nodes a and b (1-based, on
    // opposite sides) crosses the plane; made on first use, shared by the faces of that edge.
    int32_t crossing(CutSection& section, int32_t a, int32_t b) const {
        const int32_t ia = a - 1, ib = b - 1;
        for (size_t i = 0; i < section.points.size(); ++i) {
            const SectionPoint& p = section.points[i];
            if ((p.a == ia && p.b == ib) || (p.a == ib && p.b == ia))
                return model.nodeCount + 1 + int32_t(i);
        }
        // The point divides the edge as the distances of its ends from the plane do; node a
        // weighs |XB| / |AB|.
        const double sa = distance(ia), sb = distance(ib);
        const double t = sa / (sa - sb);
        SectionPoint p;
        for (int k = 0; k < 3; ++k) {
            const double xa = k < model.dimension ? model.coordinate(ia, k) : 0.0;
            const double xb = k < model.dimension ? model.coordinate(ib, k) : 0.0;
            p.position[size_t(k)] = float(xa + t * (xb - xa));
        }
        p.a = ia;
        p.b = ib;
        p.wa = float(1.0 - t);
        section.points.push_back(p);
        return model.nodeCount + int32_t(section.points.size());
    }

    std::array<float, 3> position(const CutSection& section, int32_t m) const {
        if (m > model.nodeCount) return section.points[size_t(m - model.nodeCount - 1)].position;
        std::array<float, 3> p = {0, 0, 0};
        for (int k = 0; k < 3 && k < model.dimension; ++k)
            p[size_t(k)] = model.coordinate(m - 1, k);
        return p;
    }

    void solid(int32_t e, const SolidTopology& t, CutSection& section) const;
    // False when the shell would need a third section point.
    bool shell(int32_t e, CutSection& section) const;
    void line(int32_t e, CutSection& section) const;
};

// The cap first: the crossing points of the edges and the nodes on the plane, in convex order
// facing the removed side; then the kept part of every outer face.
void Cutter::solid(int32_t e, const SolidTopology& t, CutSection& section) const {
    const std::span<const int32_t> nodes = model.elementNodes(e);
    int32_t cap[kMaxCap];
    int capCount = 0;
    const auto addToCap = [&](int32_t m) {
        for (int i = 0; i < capCount; ++i)
            if (cap[i] == m) return;
        if (capCount < kMaxCap) cap[capCount++] = m;
    };
    section.points.reserve(size_t(t.edgeCount));
    for (int i = 0; i < t.edgeCount; ++i) {
        const int32_t a = nodes[size_t(t.edges[size_t(i)][0])];
        const int32_t b = nodes[size_t(t.edges[size_t(i)][1])];
        if (crosses(sideOf(a), sideOf(b))) addToCap(crossing(section, a, b));
    }
    for (int32_t n : nodes)
        if (sideOf(n) == 0) addToCap(n);

    section.polygons.reserve(size_t(1 + t.faceCount));
    if (capCount >= 3) {
        std::array<float, 3> points[kMaxCap], ordered[kMaxCap];
        for (int i = 0; i < capCount; ++i)
            points[i] = position(section, cap[i]);
        int order[kMaxCap];
        const std::array<float, 3> normal = {float(plane[0]), float(plane[1]), float(plane[2])};
        convexOrder(points, capCount, normal, false, order);
        for (int i = 0; i < capCount; ++i)
            ordered[i] = points[order[i]];
        // The cap faces the removed side, the side (a, b, c) points to.
        const std::array<float, 3> n = polygonNormal(ordered, capCount);
        bool reverse = false;
        for (int k = 0; k < 3; ++k)
            reverse = reverse || std::fabs(n[size_t(k)] - normal[size_t(k)]) >= 0.1f;
        std::vector<int32_t>& polygon = section.polygons.emplace_back();
        polygon.reserve(size_t(capCount));
        for (int i = 0; i < capCount; ++i)
            polygon.push_back(cap[order[reverse ? capCount - 1 - i : i]]);
    }

    const std::span<const uint8_t> flags = model.elementFaceFlags(e);
    for (int i = 0; i < t.faceCount && i < int(flags.size()); ++i) {
        if (flags[size_t(i)] == 0) continue;
        const auto& face = t.faces[size_t(i)];
        std::vector<int32_t> kept;
        kept.reserve(size_t(t.faceSize + 1));
        for (int k = 0; k < t.faceSize; ++k) {
            const int32_t a = nodes[size_t(face[size_t(k)])];
            const int32_t b = nodes[size_t(face[size_t((k + 1) % t.faceSize)])];
            if (sideOf(a) <= 0) kept.push_back(a);
            if (crosses(sideOf(a), sideOf(b))) kept.push_back(crossing(section, a, b));
        }
        if (kept.size() >= 3) section.polygons.push_back(std::move(kept));
    }
}

// The kept part of the shell's polygon: its nodes on the kept side or on the plane, with a
// section point where an edge crosses the plane.
bool Cutter::shell(int32_t e, CutSection& section) const {
    const std::span<const int32_t> nodes = model.elementNodes(e);
    const size_t count = nodes.size();
    section.points.reserve(2);
    std::vector<int32_t>& kept = section.polygons.emplace_back();
    kept.reserve(count + 2);
    int made = 0;
    for (size_t i = 0; i < count; ++i) {
        const int32_t a = nodes[i], b = nodes[i + 1 < count ? i + 1 : 0];
        if (sideOf(a) <= 0) kept.push_back(a);
        if (!crosses(sideOf(a), sideOf(b))) continue;
        if (made == 2) return false;
        kept.push_back(crossing(section, a, b));
        ++made;
    }
    return true;
}

void Cutter::line(int32_t e, CutSection& section) const {
    const std::span<const int32_t> nodes = model.elementNodes(e);
    const int32_t a = nodes[0], b = nodes[1];
    const int32_t x = crossing(section, a, b);
    section.polygons.push_back(sideOf(a) < 0 ? std::vector<int32_t>{a, x}
                                             : std::vector<int32_t>{x, b});
}

}  // namespace

bool CutPlane::inPlaneFace(int32_t e, int i) const {
    if (!active_ || size_t(e) >= inPlaneFaces_.size() || i < 0 || i >= 8) return false;
    return (inPlaneFaces_[size_t(e)] >> i) & 1u;
}

const CutSection* CutPlane::section(int32_t e) const {
    if (!active_ || size_t(e) >= sectionIndex_.size() || sectionIndex_[size_t(e)] < 0)
        return nullptr;
    return &sections_[size_t(sectionIndex_[size_t(e)])];
}

void CutPlane::apply(const FeModel& model, const std::array<double, 4>& plane, Messages& messages) {
    clear();
    active_ = true;
    plane_ = plane;
    // Distances are measured along a unit normal, so that the tolerance is a length.
    const double length =
        std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    if (length > 0)
        for (double& c : plane_)
            c /= length;

    const size_t elementCount = model.elements.size();
    states_.assign(elementCount, uint8_t(CutState::Whole));
    inPlaneFaces_.assign(elementCount, 0);
    sectionIndex_.assign(elementCount, -1);

    std::vector<int8_t> side(size_t(model.nodeCount));
    const Cutter cutter{model, plane_, side};
    const double onPlane = onPlaneTolerance(model);
    for (int32_t i = 0; i < model.nodeCount; ++i) {
        const double s = cutter.distance(i);
        side[size_t(i)] = s < -onPlane ? -1 : s > onPlane ? 1 : 0;
    }

    // States first: they are cheap and tell how many sections there will be.
    size_t cutCount = 0;
    for (size_t e = 0; e < elementCount; ++e) {
        const ElementRecord& r = model.elements[e];
        const ElementFamily f = r.family;
        const SolidTopology* topology =
            f == ElementFamily::Solid ? solidTopology(r.nodeCount) : nullptr;
        if (!(topology || f == ElementFamily::Shell ||
              (f == ElementFamily::SpaceLine && r.nodeCount == 2)))
            continue;  // points and 2D elements stay as they are
        int negative = 0, positive = 0, on = 0;
        for (int32_t n : model.elementNodes(int32_t(e))) {
            const int8_t s = side[size_t(n - 1)];
            negative += s < 0;
            positive += s > 0;
            on += s == 0;
        }
        CutState state;
        if (negative == 0 && !(f == ElementFamily::SpaceLine && on == 2))
            state = CutState::Removed;
        else if (positive > 0)
            state = CutState::Cut;
        else if (f == ElementFamily::SpaceLine)
            state = on == 2 ? CutState::InPlane : CutState::Whole;
        else
            state = on >= (f == ElementFamily::Shell ? 2 : 3) ? CutState::InPlane : CutState::Whole;
        if (state == CutState::InPlane && topology) {
            // The face lying in the plane is drawn like an outer face; without one the
            // element is drawn through its section.
            const std::span<const int32_t> nodes = model.elementNodes(int32_t(e));
            uint8_t faces = 0;
            for (int i = 0; i < topology->faceCount; ++i) {
                bool inPlane = true;
                for (int k = 0; k < topology->faceSize && inPlane; ++k)
                    inPlane =
                        side[size_t(nodes[size_t(topology->faces[size_t(i)][size_t(k)])] - 1)] == 0;
                if (inPlane) faces |= uint8_t(1u << i);
            }
            inPlaneFaces_[e] = faces;
            if (faces == 0) state = CutState::Cut;
        }
        states_[e] = uint8_t(state);
        cutCount += state == CutState::Cut;
    }

    sections_.reserve(cutCount);
    bool shellReported = false;
    for (size_t e = 0; e < elementCount; ++e) {
        if (states_[e] != uint8_t(CutState::Cut)) continue;
        const ElementRecord& r = model.elements[e];
        CutSection& section = sections_.emplace_back();
        sectionIndex_[e] = int32_t(sections_.size() - 1);
        if (r.family == ElementFamily::Solid) {
            cutter.solid(int32_t(e), *solidTopology(r.nodeCount), section);
        } else if (r.family == ElementFamily::Shell) {
            if (!cutter.shell(int32_t(e), section) && !shellReported) {
                // Reported once: one box per element could bury the user in boxes.
                messages.showMessage("Error in setCutplane() of shel element!");
                shellReported = true;
            }
        } else {
            cutter.line(int32_t(e), section);
        }
    }
}

double CutPlane::onPlaneTolerance(const FeModel& model) {
    const BoundingBox& b = model.box;
    const double extent = std::max({double(b.xMax) - b.xMin, double(b.yMax) - b.yMin,
                                    model.dimension >= 3 ? double(b.zMax) - b.zMin : 0.0});
    // An empty box (no nodes) has negative extents.
    return kOnPlane * (std::isfinite(extent) && extent > 0 ? extent : 0.0);
}

void CutPlane::clear() {
    active_ = false;
    states_.clear();
    inPlaneFaces_.clear();
    sectionIndex_.clear();
    sections_.clear();
}

}  // namespace orv
