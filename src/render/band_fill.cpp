#include "band_fill.h"

#include <cmath>

namespace orv {

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
            for (int c = 0; c < 3; ++c)
                x[c] = (vn * pi[size_t(c)] + (pn[size_t(c)] - pi[size_t(c)]) * u -
                        vi * pn[size_t(c)]) /
                       (vn - vi);
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
        const float t = (u - vi) / (vn - vi);
        const auto& pi = polygon.p[size_t(i)];
        const auto& pn = polygon.p[size_t(next)];
        for (int c = 0; c < 3; ++c)
            points[n][size_t(c)] = pi[size_t(c)] + t * (pn[size_t(c)] - pi[size_t(c)]);
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

void orderConvex(std::vector<std::array<float, 3>>& points, const std::array<float, 3>& normal,
                 bool laterWins) {
    const size_t count = points.size();
    if (count < 4) return;
    const float ax = std::fabs(normal[0]), ay = std::fabs(normal[1]), az = std::fabs(normal[2]);
    int across;
    if (laterWins)
        across = az >= ax && az >= ay ? 2 : (ay >= ax ? 1 : 0);
    else
        across = ax >= ay && ax >= az ? 0 : (ay >= az ? 1 : 2);
    // (u, v) in the coordinate plane across that axis: (y, z), (z, x) or (x, y).
    const int iu = (across + 1) % 3, iv = (across + 2) % 3;
    std::vector<std::array<float, 3>> placed;
    std::vector<bool> used(count, false);
    placed.reserve(count);
    size_t current = 0;
    used[0] = true;
    placed.push_back(points[0]);
    for (size_t step = 1; step < count; ++step) {
        const float cu = points[current][size_t(iu)], cv = points[current][size_t(iv)];
        size_t chosen = count;
        for (size_t p = 0; p < count && chosen == count; ++p) {
            if (used[p]) continue;
            const float pu = points[p][size_t(iu)], pv = points[p][size_t(iv)];
            bool ok = true;
            for (size_t q = 0; q < count && ok; ++q) {
                if (used[q] || q == p) continue;
                const float qu = points[q][size_t(iu)], qv = points[q][size_t(iv)];
                ok = (cv - pv) * qu + (pu - cu) * qv + (cu * pv - pu * cv) >= 0;
            }
            if (ok) chosen = p;
        }
        if (chosen == count) break;  // the points left over go last, in their order
        used[chosen] = true;
        placed.push_back(points[chosen]);
        current = chosen;
    }
    for (size_t p = 0; p < count; ++p)
        if (!used[p]) placed.push_back(points[p]);
    points = std::move(placed);
}

}  // namespace orv
