#include "band_fill.h"

#include <algorithm>
#include <cmath>

namespace orv {

bool finiteValues(const ValuedPolygon& polygon) {
    for (int i = 0; i < polygon.count; ++i)
        if (!std::isfinite(polygon.v[size_t(i)])) return false;
    return true;
}

namespace {

// A quadrilateral whose corners are off one plane by more than a ten-thousandth of its
// diagonal: the distance of corner 1 from the plane through corner 0 parallel to both
// diagonals (a flat quadrilateral holds both).
bool warped(const ValuedPolygon& q) {
    const auto& p = q.p;
    float a[3], b[3], s[3];
    for (size_t k = 0; k < 3; ++k) {
        a[k] = p[2][k] - p[0][k];
        b[k] = p[3][k] - p[1][k];
        s[k] = p[1][k] - p[0][k];
    }
    const double n[3] = {double(a[1]) * b[2] - double(a[2]) * b[1],
                         double(a[2]) * b[0] - double(a[0]) * b[2],
                         double(a[0]) * b[1] - double(a[1]) * b[0]};
    const double height = std::fabs(n[0] * s[0] + n[1] * s[1] + n[2] * s[2]);
    const double diagonal = std::max(std::hypot(a[0], a[1], a[2]), std::hypot(b[0], b[1], b[2]));
    return height > 1e-4 * std::hypot(n[0], n[1], n[2]) * diagonal;
}

}  // namespace

bool splitForClipping(const ValuedPolygon& polygon, ValuedPolygon (&triangles)[2]) {
    const float* v = polygon.v.data();
    const bool split =
        polygon.count == 4 && (std::min(v[0], v[2]) > std::max(v[1], v[3]) ||
                               std::min(v[1], v[3]) > std::max(v[0], v[2]) || warped(polygon));
    if (!split) return false;
    for (int t = 0; t < 2; ++t) {
        ValuedPolygon& piece = triangles[t];
        piece.count = 0;
        for (const int i : {0, t + 1, t + 2})
            piece.add(polygon.p[size_t(i)].data(), v[i]);
    }
    return true;
}

void clipAtValue(float u, ValuedPolygon& current, ValuedPolygon& out) {
    ValuedPolygon above;
    out.count = 0;
    const int m = current.count;
    for (int i = 0; i < m; ++i) {
        const int next = i + 1 < m ? i + 1 : 0;
        const float vi = current.v[size_t(i)], vn = current.v[size_t(next)];
        const bool ai = vi > u, an = vn > u;
        if (!ai)
            out.add(current.p[size_t(i)].data(), vi);
        else
            above.add(current.p[size_t(i)].data(), vi);
        if (ai != an) {
            float x[3];
            const auto& pi = current.p[size_t(i)];
            const auto& pn = current.p[size_t(next)];
            // In double: values near the ends of the float range differ by more than a float.
            const double dv = double(vn) - vi;
            for (int c = 0; c < 3; ++c)
                x[c] = float((double(vn) * pi[size_t(c)] +
                              (double(pn[size_t(c)]) - pi[size_t(c)]) * u -
                              double(vi) * pn[size_t(c)]) /
                             dv);
            out.add(x, u, true);
            above.add(x, u);
        }
    }
    current = above;
}

int isoPoints(const ValuedPolygon& polygon, float u, std::array<float, 3>* points, int limit) {
    int n = 0;
    const int m = polygon.count;
    for (int i = 0; i < m && n < limit; ++i) {
        const int next = i + 1 < m ? i + 1 : 0;
        const float vi = polygon.v[size_t(i)], vn = polygon.v[size_t(next)];
        if (!((vi > u && vn < u) || (vi < u && vn > u))) continue;
        const double t = (double(u) - vi) / (double(vn) - vi);
        const auto& pi = polygon.p[size_t(i)];
        const auto& pn = polygon.p[size_t(next)];
        for (int c = 0; c < 3; ++c)
            points[n][size_t(c)] = float(pi[size_t(c)] + t * (pn[size_t(c)] - pi[size_t(c)]));
        ++n;
    }
    return n;
}

int bandOf(float value, const float* bandUpper, int divisions) {
    for (int k = 0; k < divisions; ++k)
        if (value <= bandUpper[k]) return k;
    return divisions > 0 ? divisions - 1 : 0;
}

std::array<float, 3> faceNormal(const float* p0, const float* p1, const float* p2) {
    const float a[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    const float b[3] = {p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
    std::array<float, 3> n = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                              a[0] * b[1] - a[1] * b[0]};
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0)
        for (float& c : n)
            c /= length;
    return n;
}

void convexOrder(const std::array<float, 3>* points, int count, const std::array<float, 3>& normal,
                 bool laterWins, int* order) {
    for (int i = 0; i < count; ++i)
        order[i] = i;
    if (count < 4) return;
    const float ax = std::fabs(normal[0]), ay = std::fabs(normal[1]), az = std::fabs(normal[2]);
    int across;
    if (laterWins)
        across = az >= ax && az >= ay ? 2 : (ay >= ax ? 1 : 0);
    else
        across = ax >= ay && ax >= az ? 0 : (ay >= az ? 1 : 2);
    // (u, v) in the coordinate plane across that axis: (y, z), (z, x) or (x, y).
    const size_t iu = size_t(across + 1) % 3, iv = size_t(across + 2) % 3;
    bool small[32] = {};
    std::vector<bool> large;
    if (count > 32) large.assign(size_t(count), false);
    const auto used = [&](int i) { return count > 32 ? bool(large[size_t(i)]) : small[i]; };
    const auto use = [&](int i) {
        if (count > 32)
            large[size_t(i)] = true;
        else
            small[i] = true;
    };
    int current = 0, placed = 1;
    use(0);
    for (int step = 1; step < count; ++step) {
        const float cu = points[current][iu], cv = points[current][iv];
        int chosen = -1;
        for (int p = 0; p < count && chosen < 0; ++p) {
            if (used(p)) continue;
            const float pu = points[p][iu], pv = points[p][iv];
            bool ok = true;
            for (int q = 0; q < count && ok; ++q) {
                if (used(q) || q == p) continue;
                const float qu = points[q][iu], qv = points[q][iv];
                ok = (cv - pv) * qu + (pu - cu) * qv + (cu * pv - pu * cv) >= 0;
            }
            if (ok) chosen = p;
        }
        if (chosen < 0) break;  // the points left over go last, in their order
        use(chosen);
        order[placed++] = chosen;
        current = chosen;
    }
    for (int p = 0; p < count; ++p)
        if (!used(p)) order[placed++] = p;
}

void orderConvex(std::vector<std::array<float, 3>>& points, const std::array<float, 3>& normal,
                 bool laterWins) {
    const int count = int(points.size());
    if (count < 4) return;
    std::vector<int> order(points.size());
    convexOrder(points.data(), count, normal, laterWins, order.data());
    std::vector<std::array<float, 3>> placed;
    placed.reserve(size_t(count));
    for (int i : order)
        placed.push_back(points[size_t(i)]);
    points = std::move(placed);
}

std::array<float, 3> polygonNormal(const std::array<float, 3>* points, int count) {
    std::array<float, 3> n = {0, 0, 0};
    for (int i = 0; i < count; ++i) {
        const auto& p = points[i];
        const auto& q = points[i + 1 < count ? i + 1 : 0];
        n[0] += (p[1] - q[1]) * (p[2] + q[2]);
        n[1] += (p[2] - q[2]) * (p[0] + q[0]);
        n[2] += (p[0] - q[0]) * (p[1] + q[1]);
    }
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0)
        for (float& c : n)
            c /= length;
    return n;
}

}  // namespace orv
