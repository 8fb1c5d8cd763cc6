#include "curve_maths.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "fe_model.h"
#include "file_input.h"
#include "messages.h"
#include "picking.h"

namespace orv {

namespace {

constexpr int32_t kLineRows = 40;
// Tolerances of the point search, relative to an element's size (its box diagonal): the box
// is widened by kBoxWidening, an edge function may exceed 0 by kEdgeTolerance, the Newton
// solution may pass the element's local bounds by kLocalTolerance, and the fallback takes an
// edge within kFallbackTolerance.
constexpr double kBoxWidening = 0.005;
constexpr double kEdgeTolerance = 1e-5;
constexpr double kLocalTolerance = 1e-4;
constexpr double kFallbackTolerance = 0.05;
constexpr int kNewtonRounds = 51;
constexpr double kNewtonStep = 1e-8;

struct Point {
    double x, y;
};

double distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// The value table holds what the counts promise.
bool valuesSound(const FeModel& m) {
    return m.hasValues() && m.nodeCount >= 0 &&
           m.values.size() >=
               size_t(m.results.stepCount) * size_t(m.nodeCount) * size_t(m.results.dofCount) &&
           m.results.dofNames.size() >= size_t(m.results.dofCount);
}

bool planeSound(const FeModel& m) {
    return m.dimension >= 2 && m.nodeCount >= 0 &&
           m.coords.size() >= size_t(m.nodeCount) * size_t(m.dimension);
}

// The corners of element e as 0-based node indices and points; false when the record points
// outside the tables or at a node that does not exist.
bool elementPoints(const FeModel& m, size_t e, std::vector<int32_t>& nodes,
                   std::vector<Point>& points) {
    const ElementRecord& r = m.elements[e];
    if (r.nodeCount <= 0 || r.firstNode < 0 ||
        uint64_t(r.firstNode) + uint64_t(r.nodeCount) > m.connectivity.size())
        return false;
    nodes.clear();
    points.clear();
    for (int32_t k = 0; k < r.nodeCount; ++k) {
        const int32_t n = m.connectivity[size_t(r.firstNode) + size_t(k)];
        if (n < 1 || n > m.nodeCount) return false;
        nodes.push_back(n - 1);
        points.push_back({m.coordinate(n - 1, 0), m.coordinate(n - 1, 1)});
    }
    return true;
}

// The diagonal of the points' box; NaN when a coordinate is not finite.
double boxDiagonal(const std::vector<Point>& p, Point& lo, Point& hi) {
    lo = hi = p[0];
    for (const Point& q : p) {
        if (!std::isfinite(q.x) || !std::isfinite(q.y)) return std::nan("");
        lo = {std::min(lo.x, q.x), std::min(lo.y, q.y)};
        hi = {std::max(hi.x, q.x), std::max(hi.y, q.y)};
    }
    return std::hypot(hi.x - lo.x, hi.y - lo.y);
}

// The bilinear shape functions of a 4-node element at P, or false when P is not inside it.
bool bilinearWeights(const std::vector<Point>& c, Point p, std::array<double, 4>& weights) {
    Point lo, hi;
    const double h = boxDiagonal(c, lo, hi);
    if (!(h > 0)) return false;
    const double widen = kBoxWidening * h;
    if (!(p.x >= lo.x - widen && p.x <= hi.x + widen && p.y >= lo.y - widen && p.y <= hi.y + widen))
        return false;
    // Orientation from the signed area, so that clockwise elements are searched as well.
    double area2 = 0;
    for (size_t k = 0; k < 4; ++k) {
        const Point a = c[k], b = c[(k + 1) % 4];
        area2 += a.x * b.y - b.x * a.y;
    }
    if (!(std::abs(area2) > 1e-12 * h * h)) return false;
    const double sign = area2 > 0 ? 1.0 : -1.0;
    for (size_t k = 0; k < 4; ++k) {
        const Point a = c[k], b = c[(k + 1) % 4];
        // Positive outside: the distance from the edge's line times its length.
        const double f = sign * ((b.y - a.y) * (p.x - a.x) - (b.x - a.x) * (p.y - a.y));
        if (f > kEdgeTolerance * h * distance(a, b)) return false;
    }
    static constexpr double sx[4] = {-1, 1, 1, -1}, sy[4] = {-1, -1, 1, 1};
    double xi = 0, eta = 0;
    bool converged = false;
    for (int round = 0; round < kNewtonRounds && !converged; ++round) {
        double x = 0, y = 0, xXi = 0, xEta = 0, yXi = 0, yEta = 0;
        for (size_t k = 0; k < 4; ++k) {
            const double n = 0.25 * (1 + sx[k] * xi) * (1 + sy[k] * eta);
            const double nXi = 0.25 * sx[k] * (1 + sy[k] * eta);
            const double nEta = 0.25 * sy[k] * (1 + sx[k] * xi);
            x += n * c[k].x;
            y += n * c[k].y;
            xXi += nXi * c[k].x;
            xEta += nEta * c[k].x;
            yXi += nXi * c[k].y;
            yEta += nEta * c[k].y;
        }
        const double det = xXi * yEta - xEta * yXi;
        if (!(std::abs(det) > 1e-12 * h * h)) return false;
        const double rx = x - p.x, ry = y - p.y;
        const double dXi = (yEta * rx - xEta * ry) / det;
        const double dEta = (xXi * ry - yXi * rx) / det;
        xi -= dXi;
        eta -= dEta;
        converged = std::hypot(dXi, dEta) < kNewtonStep;
    }
    if (!converged || !(std::abs(xi) <= 1 + kLocalTolerance) ||
        !(std::abs(eta) <= 1 + kLocalTolerance))
        return false;
    for (size_t k = 0; k < 4; ++k)
        weights[k] = 0.25 * (1 + sx[k] * xi) * (1 + sy[k] * eta);
    return true;
}

// The distance from P to the segment ab (to a when they coincide).
double segmentDistance(Point a, Point b, Point p) {
    const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
    if (!(length2 > 0)) return distance(a, p);
    const double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0);
    return distance({a.x + t * dx, a.y + t * dy}, p);
}

// Interpolation along the element edge nearest P, the first in element order on a tie;
// false when none lies within the tolerance of its element's size. (The edge of the element
// whose centroid is nearest is not enough: where thin elements meet thick ones, that element
// may hold only a corner of the edge that P lies on.) The distance is measured to the edge's
// segment, |f| relative to its length beside it, so that a collinear neighbour never wins.
bool edgeWeights(const FeModel& m, Point p, std::array<int32_t, 2>& ends,
                 std::array<double, 2>& weights) {
    std::vector<int32_t> nodes;
    std::vector<Point> points;
    double best = std::numeric_limits<double>::infinity(), size = 0;
    std::array<Point, 2> edge{};
    for (size_t e = 0; e < m.elements.size(); ++e) {
        Point lo, hi;
        if (!elementPoints(m, e, nodes, points)) continue;
        const double h = boxDiagonal(points, lo, hi);
        if (!std::isfinite(h)) continue;
        for (size_t k = 0; k < points.size(); ++k) {
            const size_t next = (k + 1) % points.size();
            const double d = segmentDistance(points[k], points[next], p);
            if (d < best) {
                best = d;
                size = h;
                ends = {nodes[k], nodes[next]};
                edge = {points[k], points[next]};
            }
        }
    }
    if (!(best <= kFallbackTolerance * size)) return false;
    const double d1 = distance(p, edge[0]), d2 = distance(p, edge[1]);
    weights = d1 + d2 > 0 ? std::array<double, 2>{d2 / (d1 + d2), d1 / (d1 + d2)}
                          : std::array<double, 2>{1.0, 0.0};
    return true;
}

// A column name as stored: at most 19 bytes, not cut inside a UTF-8 sequence.
std::string columnName(std::string name) {
    if (name.size() > size_t(kMaxCurveNameLength)) {
        size_t n = size_t(kMaxCurveNameLength);
        while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80)
            --n;
        name.resize(n);
    }
    return name;
}

std::vector<std::string_view> splitWords(const std::string& text) {
    std::vector<std::string_view> words;
    size_t start = 0;
    const auto separator = [](char c) {
        return c == ',' || c == ' ' || c == ':' || c == '\t' || c == '\r' || c == '\n';
    };
    for (size_t i = 0; i <= text.size(); ++i)
        if (i == text.size() || separator(text[i])) {
            if (i > start) words.push_back(std::string_view(text).substr(start, i - start));
            start = i + 1;
        }
    return words;
}

// A word of the node text as a message shows it: its first 24 characters at most.
std::string shown(std::string_view word) {
    return word.size() <= 24 ? std::string(word) : std::string(word.substr(0, 24)) + "...";
}

// A decimal real, with an optional sign; false for anything else or a value beyond the
// range of a double.
bool parseCoordinate(std::string_view word, double& value) {
    if (word.size() > 1 && word[0] == '+' && word[1] != '-') word.remove_prefix(1);
    const auto r = std::from_chars(word.data(), word.data() + word.size(), value);
    return r.ec == std::errc() && r.ptr == word.data() + word.size() && std::isfinite(value);
}

}  // namespace

int32_t storedStepOf(const FeModel& model, const ShownStep& shown) {
    const int32_t steps = model.results.stepCount;
    if (!model.hasValues()) return -1;
    if (model.modalResults) return std::clamp(shown.mode, 0, steps - 1);
    if (steps == 1) return 0;
    return std::clamp(shown.step, 0, steps - 1);
}

std::vector<double> valueAtPoint(const FeModel& model, int32_t step, double x, double y) {
    const int32_t dofs = std::max(model.results.dofCount, 0);
    std::vector<double> values(size_t(dofs), 0.0);
    if (!valuesSound(model) || !planeSound(model) || step < 0 || step >= model.results.stepCount)
        return values;
    const Point p{x, y};
    const auto stored = [&](int32_t node, int32_t d) {
        return double(model.storedValue(node, step, d));
    };
    std::vector<int32_t> nodes;
    std::vector<Point> points;
    bool found = false;
    for (size_t e = 0; e < model.elements.size() && !found; ++e) {
        std::array<double, 4> w;
        if (model.elements[e].nodeCount != 4 || !elementPoints(model, e, nodes, points) ||
            !bilinearWeights(points, p, w))
            continue;
        found = true;
        for (int32_t d = 0; d < dofs; ++d)
            for (size_t k = 0; k < 4; ++k)
                values[size_t(d)] += w[k] * stored(nodes[k], d);
    }
    if (found && std::any_of(values.begin(), values.end(), [](double v) { return v != 0.0; }))
        return values;
    std::array<int32_t, 2> ends;
    std::array<double, 2> w;
    if (edgeWeights(model, p, ends, w))
        for (int32_t d = 0; d < dofs; ++d)
            values[size_t(d)] = w[0] * stored(ends[0], d) + w[1] * stored(ends[1], d);
    return values;
}

CurveTable timeHistory(const FeModel& model, std::span<const int32_t> nodes) {
    CurveTable table;
    if (!valuesSound(model) || nodes.empty()) return table;
    for (int32_t n : nodes)
        if (n < 1 || n > model.nodeCount) return table;
    const int32_t steps = model.results.stepCount, dofs = model.results.dofCount;
    const size_t columns = 1 + nodes.size() * size_t(dofs);
    table.names.reserve(columns);
    table.names.push_back("Time");
    for (int32_t n : nodes)
        for (int32_t d = 0; d < dofs; ++d)
            table.names.push_back(
                columnName(std::to_string(n) + "_" + model.results.dofNames[size_t(d)]));
    table.rowCount = std::max(steps, 2);
    table.values.assign(size_t(table.rowCount) * columns, 0.0f);
    // A single step becomes the ramp from rest (time 0, zeros) to it (time 1).
    const int32_t firstRow = steps >= 2 ? 0 : 1;
    for (int32_t k = 0; k < steps; ++k) {
        float* row = table.values.data() + size_t(firstRow + k) * columns;
        *row++ = steps >= 2 ? float(model.stepValue(k)) : 1.0f;
        for (int32_t n : nodes)
            for (int32_t d = 0; d < dofs; ++d)
                *row++ = model.storedValue(n - 1, k, d);
    }
    return table;
}

CurveTable lineDistribution(const FeModel& model, int32_t a, int32_t b, int32_t step) {
    CurveTable table;
    if (!valuesSound(model) || !planeSound(model) || model.dimension != 2 || a < 1 ||
        a > model.nodeCount || b < 1 || b > model.nodeCount || a == b || step < 0 ||
        step >= model.results.stepCount)
        return table;
    const int32_t dofs = model.results.dofCount;
    const size_t columns = 1 + size_t(dofs);
    table.names.push_back("Distance");
    for (int32_t d = 0; d < dofs; ++d)
        table.names.push_back(columnName(model.results.dofNames[size_t(d)]));
    table.rowCount = kLineRows;
    table.values.assign(size_t(kLineRows) * columns, 0.0f);
    const Point pa{model.coordinate(a - 1, 0), model.coordinate(a - 1, 1)};
    const Point pb{model.coordinate(b - 1, 0), model.coordinate(b - 1, 1)};
    const double length = distance(pa, pb);
    for (int32_t i = 0; i < kLineRows; ++i) {
        float* row = table.values.data() + size_t(i) * columns;
        const double t = double(i) / (kLineRows - 1);
        row[0] = float(t * length);
        if (i == 0 || i == kLineRows - 1) {
            const int32_t node = (i == 0 ? a : b) - 1;
            for (int32_t d = 0; d < dofs; ++d)
                row[1 + d] = model.storedValue(node, step, d);
        } else {
            const std::vector<double> v =
                valueAtPoint(model, step, pa.x + t * (pb.x - pa.x), pa.y + t * (pb.y - pa.y));
            for (int32_t d = 0; d < dofs; ++d)
                row[1 + d] = float(v[size_t(d)]);
        }
    }
    return table;
}

std::optional<std::vector<int32_t>> readCurveNodes(const std::string& text, NodeInput input,
                                                   CurveKind kind, const FeModel& model,
                                                   Messages& messages) {
    const auto refuse = [&](const std::string& message) {
        messages.showMessage(message);
        return std::nullopt;
    };
    const std::vector<std::string_view> words = splitWords(text);
    if (words.empty()) return refuse("Please select node!");
    const bool line = kind == CurveKind::LineDistribution;
    std::vector<int32_t> nodes;
    if (input == NodeInput::Coordinates) {
        const size_t dimension = size_t(std::clamp(model.dimension, 1, 3));
        if (line && words.size() < dimension + 1) return refuse("Need 2 node to define a line!");
        std::vector<double> numbers;
        for (std::string_view w : words) {
            double v;
            if (!parseCoordinate(w, v)) return refuse(quoted(shown(w)) + " is not a coordinate!");
            numbers.push_back(v);
        }
        if (numbers.size() % dimension != 0)
            return refuse("The last point has only " + std::to_string(numbers.size() % dimension) +
                          " of its " + std::to_string(dimension) + " coordinates!");
        for (size_t i = 0; i < numbers.size(); i += dimension) {
            const int32_t n =
                nearestNodeToFilePoint(model, std::span(numbers).subspan(i, dimension));
            if (n < 1) return refuse("There is no node in this model!");
            nodes.push_back(n);
        }
    } else {
        for (std::string_view w : words) {
            int64_t n;
            const NumberStatus status = parseInteger(w, n);
            if (status == NumberStatus::Malformed)
                return refuse(quoted(shown(w)) + " is not a node number!");
            if (status == NumberStatus::OutOfRange || n < 1 || n > model.nodeCount)
                return refuse("There is no node " + shown(w) + " in this model!");
            nodes.push_back(int32_t(n));
        }
    }
    if (line) {
        if (nodes.size() < 2 || nodes[0] == nodes[1])
            return refuse("Need 2 node to define a line!");
        nodes.resize(2);
    }
    return nodes;
}

int32_t nearestNodeToFilePoint(const FeModel& model, std::span<const double> point) {
    const int dimension = model.dimension;
    if (dimension < 1 || dimension > 3 || point.size() < size_t(dimension) ||
        model.nodeCount <= 0 || model.coords.size() < size_t(model.nodeCount) * size_t(dimension))
        return 0;
    const std::array<float, 3> centre = model.readCentre();
    std::array<double, 3> target{0, 0, 0};
    for (int j = 0; j < dimension; ++j)
        target[size_t(j)] = point[size_t(j)] - double(centre[size_t(j)]);
    std::vector<float> positions(size_t(model.nodeCount) * 3, 0.0f);
    for (int32_t i = 0; i < model.nodeCount; ++i)
        for (int j = 0; j < dimension; ++j)
            positions[size_t(i) * 3 + size_t(j)] = model.centredCoordinate(i, j);
    return nearestNodeToPoint(positions, target) + 1;
}

}  // namespace orv
