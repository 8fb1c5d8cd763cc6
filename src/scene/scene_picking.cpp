// Picking nodes with the mouse into the pick list, the probe, and the life of the
// cutting-plane dialog.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "band_fill.h"
#include "curve_maths.h"
#include "element_topology.h"
#include "messages.h"
#include "picking.h"
#include "scene.h"

namespace orv {

namespace {

using FaceKey = std::array<int32_t, 4>;

FaceKey faceKey(const int32_t* nodes, const SolidTopology& t, int face) {
    // The face's nodes in ascending order, by insertion (at most four).
    FaceKey key = {0, 0, 0, 0};
    for (int j = 0; j < t.faceSize; ++j) {
        int32_t n = nodes[t.faces[size_t(face)][size_t(j)]];
        for (int k = 0; k < j; ++k)
            if (n < key[size_t(k)]) std::swap(n, key[size_t(k)]);
        key[size_t(j)] = n;
    }
    return key;
}

// The faces of the solids the selection hides, sorted: a shown solid's inner face among them
// closes the selection and is drawn.
std::vector<FaceKey> hiddenSolidFaces(const FeModel& m) {
    std::vector<FaceKey> keys;
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const ElementRecord& r = m.elements[size_t(e)];
        const SolidTopology* t = solidTopology(r.nodeCount);
        if (r.selected != 0 || r.family != ElementFamily::Solid || !t) continue;
        for (int i = 0; i < t->faceCount; ++i)
            keys.push_back(faceKey(m.elementNodes(e).data(), *t, i));
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

// The nodes (0-based) a frame of a model in space shows towards the viewer: those of the
// drawn faces of shown solids that face the viewer, with a cut solid's nodes on its cap when
// the cap does, and every node of shown shells, lines and points; of a cut element only the
// nodes on the kept side.
std::vector<int32_t> nodesTowardsViewer(const FeModel& m, const CutPlane& cut,
                                        const ViewAngles& view, const std::vector<float>& at) {
    std::vector<uint8_t> drawn(size_t(m.nodeCount), 0);
    const auto& plane = cut.plane();
    const double onPlane = CutPlane::onPlaneTolerance(m);
    const auto distance = [&](int32_t n) {
        const int32_t i = n - 1;
        return plane[0] * m.coordinate(i, 0) + plane[1] * m.coordinate(i, 1) +
               plane[2] * m.coordinate(i, 2) + plane[3];
    };
    const auto facesViewer = [&](const std::array<float, 3>& n) {
        return turnAsScene(n, view)[2] > 0;
    };
    const bool capTowardsViewer =
        cut.active() && facesViewer({float(plane[0]), float(plane[1]), float(plane[2])});
    bool anyHidden = false;
    for (const ElementRecord& r : m.elements)
        anyHidden = anyHidden || (r.selected == 0 && r.family == ElementFamily::Solid);
    const std::vector<FaceKey> hidden = anyHidden ? hiddenSolidFaces(m) : std::vector<FaceKey>{};

    for (int32_t e = 0; e < m.elementCount; ++e) {
        const ElementRecord& r = m.elements[size_t(e)];
        if (r.selected == 0) continue;
        const CutState state =
            r.family == ElementFamily::SpacePoint ? CutState::Whole : cut.state(e);
        if (state == CutState::Removed) continue;
        const bool cutThrough = state == CutState::Cut;
        const auto mark = [&](int32_t n) {
            if (n >= 1 && n <= m.nodeCount && (!cutThrough || distance(n) <= onPlane))
                drawn[size_t(n - 1)] = 1;
        };
        const std::span<const int32_t> nodes = m.elementNodes(e);
        const SolidTopology* t = solidTopology(r.nodeCount);
        if (r.family != ElementFamily::Solid || !t) {
            for (const int32_t n : nodes)
                mark(n);
            continue;
        }
        const std::span<const uint8_t> flags = m.elementFaceFlags(e);
        for (int i = 0; i < t->faceCount; ++i) {
            const bool faceDrawn =
                (i < int(flags.size()) && flags[size_t(i)] != 0) || cut.inPlaneFace(e, i) ||
                (anyHidden &&
                 std::binary_search(hidden.begin(), hidden.end(), faceKey(nodes.data(), *t, i)));
            if (!faceDrawn) continue;
            const auto p = [&](int j) {
                return at.data() + size_t(nodes[size_t(t->faces[size_t(i)][size_t(j)])] - 1) * 3;
            };
            if (!facesViewer(faceNormal(p(0), p(1), p(2)))) continue;
            for (int j = 0; j < t->faceSize; ++j)
                mark(nodes[size_t(t->faces[size_t(i)][size_t(j)])]);
        }
        if (cutThrough && capTowardsViewer)
            for (const int32_t n : nodes)
                if (std::abs(distance(n)) <= onPlane) mark(n);
    }
    std::vector<int32_t> out;
    for (int32_t i = 0; i < m.nodeCount; ++i)
        if (drawn[size_t(i)]) out.push_back(i);
    return out;
}

// The nodes (0-based) of a plane model that a selection leaves drawn: those of shown
// elements, and those of no element at all.
std::vector<int32_t> nodesOfShownElements(const FeModel& m) {
    std::vector<uint8_t> state(size_t(m.nodeCount), 0);  // 1 hidden element, 2 a shown one
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const uint8_t mark = m.elements[size_t(e)].selected != 0 ? 2 : 1;
        for (const int32_t n : m.elementNodes(e))
            if (n >= 1 && n <= m.nodeCount)
                state[size_t(n - 1)] = std::max(state[size_t(n - 1)], mark);
    }
    std::vector<int32_t> out;
    for (int32_t i = 0; i < m.nodeCount; ++i)
        if (state[size_t(i)] != 1) out.push_back(i);
    return out;
}

bool picking(MouseMode mode) {
    return mode == MouseMode::Pick || mode == MouseMode::Unpick;
}

}  // namespace

void Scene::setPickMode(MouseMode mode) {
    if (!picking(mode) && mode != MouseMode::Idle) return;
    mouseMode_ = mode;
    zoomCornersSet_ = false;
}

bool Scene::mouseClick(int x, int y, int slop) {
    if (!picking(mouseMode_) || std::abs(x - pressX_) > slop || std::abs(y - pressY_) > slop)
        return false;
    return mouseMode_ == MouseMode::Pick ? commandPick(pressX_, pressY_)
                                         : commandUnpick(pressX_, pressY_);
}

int32_t Scene::nodeDrawnNearest(int x, int y) {
    if (busy() || !modelLoaded_ || model_.nodeCount == 0) return -1;
    const FrameNodes& nodes = geometry_.prepareNodes(model_, settings_);
    std::vector<int32_t> candidates;
    if (model_.dimension == 3) {
        candidates = nodesTowardsViewer(model_, cut_, camera_.viewAngles(), nodes.deformed);
        // No candidates would mean every node to the search.
        if (candidates.empty()) return -1;
    } else if (std::any_of(model_.elements.begin(), model_.elements.end(),
                           [](const ElementRecord& r) { return r.selected == 0; })) {
        candidates = nodesOfShownElements(model_);
        if (candidates.empty()) return -1;
    }
    return nearestNodeOnScreen(camera_, nodes.deformed, float(x), float(y), candidates);
}

bool Scene::commandPick(int x, int y) {
    const int32_t node = nodeDrawnNearest(x, y);
    if (node < 0 || std::find(picked_.begin(), picked_.end(), node + 1) != picked_.end())
        return false;
    picked_.push_back(node + 1);
    return true;
}

bool Scene::commandUnpick(int x, int y) {
    if (busy() || !modelLoaded_) return false;
    if (picked_.empty()) {
        messages_.showMessage("There is no selecting node to be deleted!");
        return false;
    }
    const FrameNodes& nodes = geometry_.prepareNodes(model_, settings_);
    std::vector<int32_t> candidates(picked_.size());
    std::transform(picked_.begin(), picked_.end(), candidates.begin(),
                   [](int32_t n) { return n - 1; });
    const int32_t node =
        nearestNodeOnScreen(camera_, nodes.deformed, float(x), float(y), candidates);
    const auto it = std::find(picked_.begin(), picked_.end(), node + 1);
    if (node < 0 || it == picked_.end()) return false;
    picked_.erase(it);
    return true;
}

void Scene::clearPicked() {
    picked_.clear();
}

std::vector<std::array<double, 3>> Scene::pickedCoordinates(size_t limit) const {
    std::vector<std::array<double, 3>> out;
    const std::array<float, 3> centre = model_.readCentre();
    for (size_t i = 0; i < picked_.size() && i < limit; ++i) {
        std::array<double, 3>& p = out.emplace_back(std::array<double, 3>{0, 0, 0});
        // In double, so that taking the centre off again gives the node's own coordinates.
        for (int k = 0; k < model_.dimension && k < 3; ++k)
            p[size_t(k)] = double(model_.centredCoordinate(picked_[i] - 1, k)) + centre[size_t(k)];
    }
    return out;
}

void Scene::setPickedMarks(PickedMarks marks) {
    settings_.pickedMarks = marks;
}

// --- the probe ---

std::string probeText(const ProbeReport& report) {
    char number[64];
    const auto add = [&](std::string& out, double v) {
        std::snprintf(number, sizeof number, " %.9g", v);
        out += number;
    };
    std::string out = "node " + std::to_string(report.node) + " at";
    for (int k = 0; k < report.dimension && k < 3; ++k)
        add(out, report.at[size_t(k)]);
    out += "\n";
    for (const auto& [name, value] : report.values) {
        out += name;
        add(out, value);
        out += "\n";
    }
    return out;
}

std::string probeStatusText(const ProbeReport& report, const std::string& item) {
    const std::string text = probeText(report);
    std::string line = text.substr(0, text.find('\n'));
    for (const auto& [name, value] : report.values)
        if (name == item && !item.empty()) {
            char number[64];
            std::snprintf(number, sizeof number, "%.9g", value);
            line += "    " + name + " " + number;
            break;
        }
    return line;
}

bool Scene::commandToggleProbe(AnimationControl& animation) {
    if (!allowed(CommandId::Probe, animation)) return false;
    mouseMode_ = mouseMode_ == MouseMode::Probe ? MouseMode::Idle : MouseMode::Probe;
    savedMouseMode_ = mouseMode_;
    zoomCornersSet_ = false;
    probed_ = 0;
    return true;
}

std::optional<ProbeReport> Scene::commandProbe(int x, int y) {
    if (curvePlotShown_) return std::nullopt;
    const int32_t node = nodeDrawnNearest(x, y);
    if (node < 0) return std::nullopt;
    probed_ = node + 1;
    return probeReport(probed_);
}

std::optional<ProbeReport> Scene::probeReport(int32_t node) const {
    if (!modelLoaded_ || node < 1 || node > model_.nodeCount) return std::nullopt;
    const int32_t i = node - 1;
    ProbeReport r;
    r.node = node;
    r.dimension = std::clamp(model_.dimension, 1, 3);
    // As the node listing shows them: the coordinates as read, before any symmetry.
    for (int k = 0; k < r.dimension; ++k)
        r.at[size_t(k)] = double(model_.fileCoordinate(i, k));
    // The stored values of the step or mode shown, never the animation's ramp.
    const int32_t step = storedStepOf(model_, settings_.shown);
    if (step < 0) return r;
    const auto& names = model_.results.dofNames;
    for (int32_t d = 0; d < model_.results.dofCount; ++d)
        r.values.emplace_back(size_t(d) < names.size() ? names[size_t(d)] : std::string(),
                              double(model_.storedValue(i, step, d)));
    if (model_.hasMagnitude())
        r.values.emplace_back(kMagnitudeName, double(model_.storedMagnitude(i, step)));
    return r;
}

void Scene::beginCutDefinition() {
    setDialogOpen(ModelessDialog::CutPlane, true);
    // A zoom box about to be drawn returns to the mode before it by itself.
    if (mouseMode_ != MouseMode::ZoomBox) savedMouseMode_ = mouseMode_;
    modeBeforeCut_ = savedMouseMode_;
    picked_.clear();
    settings_.pickedMarks = PickedMarks::Points;
}

void Scene::resetCutDefinition() {
    cut_.clear();
    picked_.clear();
}

void Scene::endCutDefinition() {
    setDialogOpen(ModelessDialog::CutPlane, false);
    cut_.clear();
    picked_.clear();
    // Dynamic Pan and Rotation chosen meanwhile stay; a zoom box begun while picking would
    // return to picking.
    if (picking(savedMouseMode_)) savedMouseMode_ = modeBeforeCut_;
    mouseMode_ = savedMouseMode_;
    zoomCornersSet_ = false;
}

}  // namespace orv
