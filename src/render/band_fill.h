#pragma once
// The band rule and the polygon operations every element family shares: clipping a polygon
// with node values at one value, iso points on its edges, and the ordering of loose points
// into a convex polygon. Pure geometry: nothing here draws.
#include <array>
#include <cstddef>
#include <vector>

namespace orv {

constexpr int kMaxPolygon = 24;

// A polygon of up to kMaxPolygon vertices with a value at each; `created` marks vertices a
// clip made.
struct ValuedPolygon {
    int count = 0;
    std::array<std::array<float, 3>, kMaxPolygon> p{};
    std::array<float, kMaxPolygon> v{};
    std::array<bool, kMaxPolygon> created{};

    void add(const float* point, float value, bool made = false) {
        if (count >= kMaxPolygon) return;
        p[size_t(count)] = {point[0], point[1], point[2]};
        v[size_t(count)] = value;
        created[size_t(count)] = made;
        ++count;
    }
    int countAbove(float u) const {
        int a = 0;
        for (int i = 0; i < count; ++i)
            a += v[size_t(i)] > u;
        return a;
    }
};

// True when every value of the polygon is a finite number.
bool finiteValues(const ValuedPolygon& polygon);

// A quadrilateral whose values rise and fall twice around it (a saddle), or whose corners are
// not in one plane, would give band pieces that overlap if it were clipped whole: it is
// clipped as the two triangles on its diagonal from vertex 0 to 2, put in `triangles`, and
// the answer is true. Any other polygon is clipped whole.
bool splitForClipping(const ValuedPolygon& polygon, ValuedPolygon (&triangles)[2]);

// Splits `current` at value u: `out` receives the part at or below u (vertices made by the
// clip flagged), `current` keeps the part above, with u at the new vertices.
void clipAtValue(float u, ValuedPolygon& current, ValuedPolygon& out);

// The points where the polygon's edges cross u: an edge gives one when one end is strictly
// above and the other strictly below. At most `limit` points, in edge order.
int isoPoints(const ValuedPolygon& polygon, float u, std::array<float, 3>* points, int limit);

// The band of a value: the first k with value <= bandUpper[k], or the last band.
int bandOf(float value, const float* bandUpper, int divisions);

// Puts loose points in convex boundary order by gift wrapping in the projection across the
// largest component of `normal` (later axes win ties when laterWins, earlier ones otherwise).
void orderConvex(std::vector<std::array<float, 3>>& points, const std::array<float, 3>& normal,
                 bool laterWins);
// The same order as positions into `points`: order[i] is the point placed i-th. Fewer than 4
// points keep their order.
void convexOrder(const std::array<float, 3>* points, int count, const std::array<float, 3>& normal,
                 bool laterWins, int* order);

// The normal of a polygon by Newell's sum over all its edges, normalised unless it is zero.
// Unlike the normal of three vertices it keeps its direction when some vertices are collinear.
std::array<float, 3> polygonNormal(const std::array<float, 3>* points, int count);

// (P1 - P0) x (P2 - P1), normalised unless it is zero.
std::array<float, 3> faceNormal(const float* p0, const float* p1, const float* p2);

}  // namespace orv
