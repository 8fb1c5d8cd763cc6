#include "picking.h"

#include <cmath>
#include <limits>

#include "camera.h"

namespace orv {

namespace {

// Keeps the node of the smallest distance, the lower index on a tie; a NaN distance (a node
// off any pixel, a NaN point) counts as none.
struct Nearest {
    int32_t node = -1;
    double distance = std::numeric_limits<double>::infinity();

    void offer(int32_t i, double d) {
        if (std::isnan(d)) return;
        if (node < 0 || d < distance || (d == distance && i < node)) {
            node = i;
            distance = d;
        }
    }
};

// Offers every candidate node (or every node) with its distance from `measure`.
template <typename Measure>
int32_t nearest(std::span<const float> positions, std::span<const int32_t> candidates,
                Measure measure) {
    const size_t count = positions.size() / 3;
    Nearest best;
    const auto offer = [&](size_t i) {
        const float* p = positions.data() + 3 * i;
        if (std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]))
            best.offer(int32_t(i), measure(p));
    };
    if (candidates.empty()) {
        for (size_t i = 0; i < count; ++i)
            offer(i);
    } else {
        for (const int32_t i : candidates)
            if (i >= 0 && size_t(i) < count) offer(size_t(i));
    }
    return best.node;
}

}  // namespace

int32_t nearestNodeOnScreen(const Camera& camera, std::span<const float> positions, float px,
                            float py, std::span<const int32_t> candidates) {
    return nearest(positions, candidates, [&](const float* p) {
        const auto s = camera.modelToScreen({p[0], p[1], p[2]});
        if (!std::isfinite(s[0]) || !std::isfinite(s[1])) return std::nan("");  // not fitted
        const double dx = double(s[0]) - px, dy = double(s[1]) - py;
        return dx * dx + dy * dy;
    });
}

int32_t nearestNodeToPoint(std::span<const float> positions, const std::array<double, 3>& point) {
    return nearest(positions, {}, [&](const float* p) {
        double d = 0;
        for (size_t k = 0; k < 3; ++k)
            d += (double(p[k]) - point[k]) * (double(p[k]) - point[k]);
        return d;
    });
}

}  // namespace orv
