#pragma once
// The faces and edges of each element family, as 0-based node positions within the element.
// One table serves the surface search, drawing, picking and the cutting plane.
#include <array>
#include <cstdint>

namespace orv {

struct SolidTopology {
    int faceCount;
    int faceSize;  // nodes per face
    std::array<std::array<int8_t, 4>, 6> faces;
    int edgeCount;
    std::array<std::array<int8_t, 2>, 12> edges;
};

// Faces run so that their normal, (P1 - P0) x (P2 - P1), points out of the element.
inline constexpr SolidTopology kTetrahedron = {
    4,
    3,
    {{{0, 1, 3, -1}, {1, 2, 3, -1}, {3, 2, 0, -1}, {2, 1, 0, -1}}},
    6,
    {{{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}}}};
inline constexpr SolidTopology kHexahedron = {
    6,
    4,
    {{{3, 2, 1, 0}, {4, 5, 6, 7}, {2, 3, 7, 6}, {0, 1, 5, 4}, {1, 2, 6, 5}, {0, 4, 7, 3}}},
    12,
    {{{0, 1},
      {1, 2},
      {2, 3},
      {3, 0},
      {4, 5},
      {5, 6},
      {6, 7},
      {7, 4},
      {0, 4},
      {1, 5},
      {2, 6},
      {3, 7}}}};

// The table of a solid with this many nodes, or nullptr.
inline const SolidTopology* solidTopology(int32_t nodeCount) {
    if (nodeCount == 4) return &kTetrahedron;
    if (nodeCount == 8) return &kHexahedron;
    return nullptr;
}

}  // namespace orv
