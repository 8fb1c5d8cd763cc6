#pragma once
// Element type codes: the first digit gives the family space (2 plane, 3 solid space,
// 4 shell in space), the second the number of nodes.
#include <cstdint>

namespace orv {

enum class ElementFamily : uint8_t {
    PlanePoint,  // 21
    PlaneLine,   // 22
    Plane,       // 23, 24, 26, 28
    SpacePoint,  // 31
    SpaceLine,   // 32
    Solid,       // 34, 38
    Shell,       // 43, 44, 46, 48
};

struct ElementType {
    int32_t code;
    int32_t nodeCount;
    // Faces of solids, perimeter segments of plane elements (one per node), sides of shells,
    // 1 for points and lines.
    int32_t faceCount;
    ElementFamily family;
};

// The type of a code, or nullptr when the code does not exist.
const ElementType* elementType(int32_t code);

// Families whose nodes need three coordinates.
inline bool needsThreeDimensions(ElementFamily f) {
    return f == ElementFamily::SpacePoint || f == ElementFamily::SpaceLine ||
           f == ElementFamily::Solid || f == ElementFamily::Shell;
}

// Families whose faces (edges) the surface search examines.
inline bool hasSurfaceFaces(ElementFamily f) {
    return f == ElementFamily::Plane || f == ElementFamily::Solid;
}

}  // namespace orv
