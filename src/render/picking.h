#pragma once
// Picking nodes without OpenGL. Positions are x, y, z per node (z = 0 in a plane model) as the
// caller holds them, e.g. a frame's deformed positions; nodes are 0-based. A node with a
// non-finite coordinate is never chosen, and candidates out of range are ignored.
#include <array>
#include <cstdint>
#include <span>

namespace orv {

class Camera;

// The node drawn nearest pixel (px, py), among candidates if any; ties: lowest index; none: -1.
int32_t nearestNodeOnScreen(const Camera& camera, std::span<const float> positions, float px,
                            float py, std::span<const int32_t> candidates = {});

// The node nearest `point` of the model, measured in double; ties: lowest index; none: -1.
int32_t nearestNodeToPoint(std::span<const float> positions, const std::array<double, 3>& point);

}  // namespace orv
