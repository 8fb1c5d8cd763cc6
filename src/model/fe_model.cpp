#include "fe_model.h"

#include "element_topology.h"

#include <algorithm>
#include <cmath>

namespace orv {

void ResultSet::reset() {
    hasResults = stepCount = dofCount = 0;
    dofNames.clear();
    stepValue.clear();
    overallMax.clear();
    overallMin.clear();
    stepMax.clear();
    stepMin.clear();
    hasDisplacements = false;
}

void ResultSet::initialise(int32_t steps, int32_t dofs, std::vector<std::string> names,
                           int32_t dimension) {
    stepCount = steps;
    dofCount = dofs;
    dofNames = std::move(names);
    dofNames.resize(size_t(dofs));
    hasDisplacements = dofs >= dimension && !dofNames.empty() && dofNames[0] == "UX";
    hasResults = steps > 0 && dofs > 0 ? 1 : 0;
    stepValue.resize(steps);
    overallMax.resize(dofs);
    overallMin.resize(dofs);
    stepMax.resize(steps, dofs);
    stepMin.resize(steps, dofs);
}

void FeModel::reset() {
    jobTitle.clear();
    dimension = 3;
    nodeCount = elementCount = 0;
    std::vector<int32_t>().swap(nodeNumbers);
    std::vector<float>().swap(coords);
    std::vector<int64_t>().swap(nodeElementStart);
    std::vector<int32_t>().swap(nodeElementList);
    std::vector<ElementRecord>().swap(elements);
    std::vector<int32_t>().swap(connectivity);
    std::vector<uint8_t>().swap(faceFlags);
    ValueTable().swap(values);
    box = BoundingBox{};
    centre = {0.0f, 0.0f, 0.0f};
    results.reset();
    modalResults = false;
    magnitude_ = MagnitudeExtremes{};
    symmetryAxis = 0;
    std::vector<float>().swap(unalignedColumn);
}

// --- nodes ---

namespace {
int axisIndex(int axis) {
    return axis == 1 ? 1 : 0;
}  // axis 1 works on y, axis 2 on x

float& boxMin(BoundingBox& b, int w) {
    return w == 0 ? b.xMin : (w == 1 ? b.yMin : b.zMin);
}
float& boxMax(BoundingBox& b, int w) {
    return w == 0 ? b.xMax : (w == 1 ? b.yMax : b.zMax);
}
}  // namespace

float FeModel::centredCoordinate(int32_t i, int j) const {
    if (symmetryAxis != 0 && j == axisIndex(symmetryAxis)) return unalignedColumn[size_t(i)];
    return coordinate(i, j);
}

float FeModel::fileCoordinate(int32_t i, int j) const {
    return centredCoordinate(i, j) + readCentre()[size_t(j)];
}

std::array<float, 3> FeModel::readCentre() const {
    std::array<float, 3> c = centre;
    if (symmetryAxis != 0) c[size_t(axisIndex(symmetryAxis))] = unalignedCentre;
    return c;
}

BoundingBox FeModel::readBox() const {
    return symmetryAxis != 0 ? unalignedBox : box;
}

std::span<const int32_t> FeModel::nodeElements(int32_t i) const {
    if (nodeElementStart.empty()) return {};
    const int64_t begin = nodeElementStart[size_t(i)];
    const int64_t end = nodeElementStart[size_t(i) + 1];
    return {nodeElementList.data() + begin, size_t(end - begin)};
}

void FeModel::buildNodeElementLists() {
    std::vector<int64_t> start(size_t(nodeCount) + 1, 0);
    for (int32_t p : connectivity)
        ++start[size_t(p)];  // positions are 1-based: counts shift by one
    for (size_t i = 1; i < start.size(); ++i)
        start[i] += start[i - 1];
    std::vector<int32_t> list(connectivity.size());
    std::vector<int64_t> fill(start.begin(), start.end() - 1);
    for (int32_t e = 0; e < elementCount; ++e)
        for (int32_t p : elementNodes(e))
            list[size_t(fill[size_t(p - 1)]++)] = e + 1;
    nodeElementStart = std::move(start);
    nodeElementList = std::move(list);
}

// --- elements ---

int FeModel::getFace(int32_t e, int i, int32_t list[4]) const {
    const ElementRecord& r = elements[size_t(e)];
    const int32_t* nodes = connectivity.data() + r.firstNode;
    list[0] = list[1] = list[2] = list[3] = 0;
    if (r.family == ElementFamily::Plane) {
        if (i < 0 || i >= r.nodeCount) return 0;
        list[0] = nodes[i];
        list[1] = nodes[(i + 1) % r.nodeCount];
        return 2;
    }
    if (r.family == ElementFamily::Solid) {
        const SolidTopology* t = solidTopology(r.nodeCount);
        if (!t || i < 0 || i >= t->faceCount) return 0;
        for (int j = 0; j < t->faceSize; ++j)
            list[j] = nodes[t->faces[size_t(i)][size_t(j)]];
        return t->faceSize;
    }
    return 0;
}

bool FeModel::containsNodes(int32_t e, int count, const int32_t* list) const {
    const ElementRecord& r = elements[size_t(e)];
    if (!hasSurfaceFaces(r.family)) return false;
    const int32_t* nodes = connectivity.data() + r.firstNode;
    for (int j = 0; j < count; ++j) {
        if (std::find(nodes, nodes + r.nodeCount, list[j]) == nodes + r.nodeCount) return false;
    }
    return true;
}

void FeModel::markExterior(int32_t e, int i) {
    ElementRecord& r = elements[size_t(e)];
    if (!hasSurfaceFaces(r.family) || i < 0 || i >= r.faceCount) return;
    faceFlags[size_t(r.firstFlag + i)] = 1;
    if (r.family == ElementFamily::Solid) ++r.exteriorFaceCount;
}

// --- geometry ---

void FeModel::recentre() {
    if (nodeCount == 0) {
        // No nodes: an empty box at the origin rather than an inverted one.
        box = BoundingBox{0, 0, 0, 0, 0, 0};
        if (dimension != 3) box.zMax = 1.0f;
        return;
    }
    for (int32_t i = 0; i < nodeCount; ++i) {
        const float x = coordinate(i, 0), y = coordinate(i, 1);
        if (x > box.xMax) box.xMax = x;
        if (x < box.xMin) box.xMin = x;
        if (y > box.yMax) box.yMax = y;
        if (y < box.yMin) box.yMin = y;
        if (dimension == 3) {
            const float z = coordinate(i, 2);
            if (z > box.zMax) box.zMax = z;
            if (z < box.zMin) box.zMin = z;
        }
    }
    if (dimension != 3) {
        box.zMax = 1.0f;
        box.zMin = 0.0f;
    }
    // Beyond half the float range the sum of the two ends can overflow, and a coordinate
    // shifted by the centre can round past the range when shifted back: such a model is not
    // shifted along that axis.
    auto middle = [](float lo, float hi) {
        constexpr float kHalf = kHighestFloat * 0.5f;
        if (std::fabs(lo) > kHalf || std::fabs(hi) > kHalf) return 0.0f;
        return (lo + hi) * 0.5f;
    };
    centre[0] = middle(box.xMin, box.xMax);
    centre[1] = middle(box.yMin, box.yMax);
    if (dimension == 3) centre[2] = middle(box.zMin, box.zMax);
    box.xMin -= centre[0];
    box.xMax -= centre[0];
    box.yMin -= centre[1];
    box.yMax -= centre[1];
    if (dimension == 3) {
        box.zMin -= centre[2];
        box.zMax -= centre[2];
    }
    for (int32_t i = 0; i < nodeCount; ++i)
        for (int j = 0; j < dimension; ++j)
            coords[size_t(i) * dimension + j] -= centre[j];
}

void FeModel::alignForSymmetry(int axis) {
    if (axis != 1 && axis != 2) return;
    if (symmetryAxis != 0) undoSymmetryAlignment(symmetryAxis);
    const int w = axisIndex(axis);
    // Keep what was read, so that the undo is exact and writers still see the file's
    // coordinates.
    unalignedColumn.resize(size_t(nodeCount));
    for (int32_t i = 0; i < nodeCount; ++i)
        unalignedColumn[size_t(i)] = coordinate(i, w);
    unalignedBox = box;
    unalignedCentre = centre[size_t(w)];
    symmetryAxis = axis;

    const float c = centre[size_t(w)];
    float& wMin = boxMin(box, w);
    float& wMax = boxMax(box, w);
    wMin += c;
    wMax += c;
    for (int32_t i = 0; i < nodeCount; ++i)
        coords[size_t(i) * dimension + w] += c;
    float s = 0.0f;
    if (wMin <= 0.0f) {
        s = wMin;
        for (int32_t i = 0; i < nodeCount; ++i)
            coords[size_t(i) * dimension + w] -= s;
        wMax -= s;
        wMin = 0.0f;
    }
    // The stored coordinates now lie at file coordinate minus s.
    centre[size_t(w)] = s;
}

void FeModel::undoSymmetryAlignment(int axis) {
    if (axis != symmetryAxis || symmetryAxis == 0) return;
    const int w = axisIndex(axis);
    for (int32_t i = 0; i < nodeCount; ++i)
        coords[size_t(i) * dimension + w] = unalignedColumn[size_t(i)];
    box = unalignedBox;
    centre[size_t(w)] = unalignedCentre;
    symmetryAxis = 0;
    std::vector<float>().swap(unalignedColumn);
}

void FeModel::switchSymmetry(int oldSetting, int newSetting) {
    if (oldSetting == newSetting) return;
    if (oldSetting == 1 || oldSetting == 2) undoSymmetryAlignment(oldSetting);
    if (newSetting == 1 || newSetting == 2) alignForSymmetry(newSetting);
}

// --- results ---

double FeModel::nodalValue(int32_t i, const ShownStep& s, int32_t d) const {
    if (!hasValues() || d < 0 || d >= results.dofCount) return 0.0;
    const double frames = s.count > 0 ? s.count : 1;
    const int32_t k = s.step;
    if (modalResults) {
        const int32_t mode = std::clamp(s.mode, 0, results.stepCount - 1);
        return (k + 1) / frames * storedValue(i, mode, d);
    }
    if (results.stepCount >= 2) {
        if (k < 0 || k >= results.stepCount) return 0.0;
        return storedValue(i, k, d);
    }
    return (k + 1) / frames * storedValue(i, 0, d);
}

int32_t FeModel::defaultDisplaySteps() const {
    if (!hasValues()) return 0;
    return modalResults ? 1 : results.stepCount;
}

double FeModel::displacement(int32_t i, const ShownStep& s, int32_t c) const {
    return results.hasDisplacements ? nodalValue(i, s, c) : 0.0;
}

double FeModel::stepValue(int32_t k) const {
    if (k < 0 || k >= results.stepCount || k >= results.stepValue.size()) return 0.0;
    return results.stepValue[k];
}

std::pair<float, float> FeModel::extremes(bool perStep, int32_t k, int32_t d) const {
    if (isMagnitude(d)) {
        const MagnitudeExtremes& e = magnitudeExtremes();
        if (perStep && results.stepCount != 1) {
            if (k < 0 || size_t(k) >= e.stepMax.size()) return {0.0f, 0.0f};
            return {e.stepMax[size_t(k)], e.stepMin[size_t(k)]};
        }
        return {e.overallMax, e.overallMin};
    }
    if (d < 0 || d >= results.dofCount || d >= results.overallMax.size()) return {0.0f, 0.0f};
    if (perStep && results.stepCount != 1) {
        if (k < 0 || k >= results.stepMax.rowCount()) return {0.0f, 0.0f};
        return {results.stepMax[k][d], results.stepMin[k][d]};
    }
    return {results.overallMax[d], results.overallMin[d]};
}

void FeModel::computeExtremes() {
    magnitude_ = MagnitudeExtremes{};
    const int32_t steps = results.stepCount, dofs = results.dofCount;
    if (!hasValues()) return;
    std::vector<float> hi(static_cast<size_t>(dofs)), lo(static_cast<size_t>(dofs));
    std::vector<uint8_t> overallSeen(size_t(dofs), 0);
    results.overallMax.fill(kLowestFloat);
    results.overallMin.fill(kHighestFloat);
    for (int32_t k = 0; k < steps; ++k) {
        std::fill(hi.begin(), hi.end(), kLowestFloat);
        std::fill(lo.begin(), lo.end(), kHighestFloat);
        std::vector<uint8_t> seen(size_t(dofs), 0);
        const float* v = values.data() + size_t(k) * size_t(nodeCount) * size_t(dofs);
        for (int32_t i = 0; i < nodeCount; ++i, v += dofs) {
            for (int32_t d = 0; d < dofs; ++d) {
                const float x = v[d];
                if (!std::isfinite(x)) continue;
                seen[size_t(d)] = 1;
                if (x < lo[size_t(d)]) lo[size_t(d)] = x;
                if (x > hi[size_t(d)]) hi[size_t(d)] = x;
            }
        }
        for (int32_t d = 0; d < dofs; ++d) {
            if (!seen[size_t(d)]) {
                // No finite value: a zero range rather than an inverted one.
                results.stepMax[k][d] = results.stepMin[k][d] = 0.0f;
                continue;
            }
            results.stepMax[k][d] = hi[size_t(d)];
            results.stepMin[k][d] = lo[size_t(d)];
            overallSeen[size_t(d)] = 1;
            if (hi[size_t(d)] > results.overallMax[d]) results.overallMax[d] = hi[size_t(d)];
            if (lo[size_t(d)] < results.overallMin[d]) results.overallMin[d] = lo[size_t(d)];
        }
    }
    for (int32_t d = 0; d < dofs; ++d)
        if (!overallSeen[size_t(d)]) results.overallMax[d] = results.overallMin[d] = 0.0f;
}

// --- plot items ---

bool FeModel::hasMagnitude() const {
    if (!results.hasDisplacements || !hasValues()) return false;
    const auto& names = results.dofNames;
    return std::find(names.begin(), names.end(), kMagnitudeName) == names.end();
}

std::vector<std::string> FeModel::plotItemNames() const {
    std::vector<std::string> names = results.dofNames;
    names.resize(size_t(std::max(results.dofCount, 0)));
    if (hasMagnitude()) names.push_back(kMagnitudeName);
    return names;
}

std::string FeModel::plotItemName(int32_t d) const {
    if (isMagnitude(d)) return kMagnitudeName;
    if (d < 0 || d >= results.dofCount || size_t(d) >= results.dofNames.size()) return {};
    return results.dofNames[size_t(d)];
}

int FeModel::magnitudeComponents() const {
    const bool uz = dimension == 3 || (results.dofCount > 2 && results.dofNames.size() > 2 &&
                                       results.dofNames[2] == "UZ");
    return std::min(uz ? 3 : 2, results.dofCount);
}

float FeModel::storedMagnitude(int32_t i, int32_t k) const {
    if (!hasMagnitude() || k < 0 || k >= results.stepCount) return 0.0f;
    return storedLength(i, k, magnitudeComponents());
}

float FeModel::storedLength(int32_t i, int32_t k, int components) const {
    double sum = 0.0;
    for (int c = 0; c < components; ++c) {
        const double u = storedValue(i, k, c);
        sum += u * u;
    }
    return float(std::sqrt(sum));
}

double FeModel::shownMagnitude(int32_t i, const ShownStep& s) const {
    if (!results.hasDisplacements) return 0.0;
    double sum = 0.0;
    for (int c = 0, n = magnitudeComponents(); c < n; ++c) {
        const double u = nodalValue(i, s, c);
        sum += u * u;
    }
    return std::sqrt(sum);
}

double FeModel::plottedValue(int32_t i, const ShownStep& s, int32_t d) const {
    return isMagnitude(d) ? shownMagnitude(i, s) : nodalValue(i, s, d);
}

const FeModel::MagnitudeExtremes& FeModel::magnitudeExtremes() const {
    MagnitudeExtremes& e = magnitude_;
    if (e.values == values.data() && e.size == values.size() &&
        e.stepMax.size() == size_t(std::max(results.stepCount, 0)))
        return e;
    e = MagnitudeExtremes{values.data(), values.size(), {}, {}, kLowestFloat, kHighestFloat};
    bool anySeen = false;
    const int components = magnitudeComponents();
    for (int32_t k = 0; k < results.stepCount; ++k) {
        float hi = kLowestFloat, lo = kHighestFloat;
        bool seen = false;
        for (int32_t i = 0; i < nodeCount; ++i) {
            const float v = storedLength(i, k, components);
            if (!std::isfinite(v)) continue;
            seen = true;
            hi = std::max(hi, v);
            lo = std::min(lo, v);
        }
        // No finite value: a zero range rather than an inverted one, as for a component.
        e.stepMax.push_back(seen ? hi : 0.0f);
        e.stepMin.push_back(seen ? lo : 0.0f);
        if (!seen) continue;
        anySeen = true;
        e.overallMax = std::max(e.overallMax, hi);
        e.overallMin = std::min(e.overallMin, lo);
    }
    if (!anySeen) e.overallMax = e.overallMin = 0.0f;
    return e;
}

bool FeModel::dropStepsWithoutComponents() {
    if (results.dofCount != 0 || results.stepCount == 0) return false;
    std::vector<std::string> names;
    results.initialise(0, 0, std::move(names), dimension);
    values.clear();
    return true;
}

bool discardFailedRead(FeModel& model) {
    const bool modal = model.modalResults;
    model.reset();
    model.modalResults = modal;
    return false;
}

float defaultMagnification(const FeModel& model) {
    if (!model.results.hasDisplacements) return 0.0f;
    if (!model.modalResults) return 1.0f;
    const BoundingBox& b = model.box;
    const float sizes[3] = {b.xMax - b.xMin, b.yMax - b.yMin, b.zMax - b.zMin};
    double sum = 0.0, largest = 0.0;
    for (int j = 0; j < model.dimension; ++j) {
        const auto [hi, lo] = model.extremes(false, 0, j);
        sum += sizes[j];
        largest = std::max(largest, std::fabs(double(hi) - double(lo)));
    }
    const double meanSize = sum * (1.0 / model.dimension);
    // Every mode at rest: no finite factor exists, so the plain factor 1.
    if (!(largest > 0.0) || !std::isfinite(largest) || !std::isfinite(meanSize)) return 1.0f;
    return float(meanSize / largest * 0.3);
}

}  // namespace orv
