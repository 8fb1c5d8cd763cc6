#pragma once
// The cutting plane's effect on the elements, kept apart from the model: which elements it
// removes, keeps whole or cuts, which faces lie in it, and the section of every cut element
// (its extra points and its kept polygons, the cap first). The model's surface flags and
// selection are never changed by it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

class FeModel;
class Messages;

// A point where an element edge crosses the plane: its undeformed position and the two
// nodes (0-based) whose results it interpolates, weight wa for node a and 1 - wa for b.
struct SectionPoint {
    std::array<float, 3> position;
    int32_t a = 0, b = 0;
    float wa = 1.0f;
};

struct CutSection {
    std::vector<SectionPoint> points;
    // Polygons of node numbers: 1..nodeCount are model nodes, nodeCount + 1 + i is points[i].
    std::vector<std::vector<int32_t>> polygons;
};

enum class CutState : uint8_t {
    Removed = 0,  // on the removed side: not drawn
    Whole = 1,    // kept whole
    InPlane = 2,  // kept whole; a face (solid), an edge (shell) or the line lies in the plane
    Cut = 3,      // drawn through its section
};

class CutPlane {
  public:
    bool active() const { return active_; }
    // The plane a x + b y + c z + d = 0 in the model's centred coordinates.
    const std::array<double, 4>& plane() const { return plane_; }
    CutState state(int32_t e) const {
        return active_ && size_t(e) < states_.size() ? CutState(states_[size_t(e)])
                                                     : CutState::Whole;
    }
    // True when face i of solid e lies in the plane (and is then drawn like an outer face).
    bool inPlaneFace(int32_t e, int i) const;
    const CutSection* section(int32_t e) const;

    // Applies the plane to every element of the model, first clearing any previous cut.
    // Nodes within onPlaneTolerance of the plane lie on it; the positive side is removed. A
    // line lying in the plane is kept, as a solid's face or a shell's edge there is. A shell
    // that would need a third section point keeps what it has; the first such shell is
    // reported.
    void apply(const FeModel& model, const std::array<double, 4>& plane, Messages& messages);
    // The distance within which a node lies on the plane: 1e-4 of the model's largest extent,
    // so that a plane through nodes of a large model is not split by rounding and a small
    // model's plane does not swallow whole elements.
    static double onPlaneTolerance(const FeModel& model);
    void clear();

  private:
    bool active_ = false;
    std::array<double, 4> plane_{};
    std::vector<uint8_t> states_;
    std::vector<uint8_t> inPlaneFaces_;  // per element: bit i set when face i lies in the plane
    std::vector<int32_t> sectionIndex_;  // per element: index into sections_, or -1
    std::vector<CutSection> sections_;
};

}  // namespace orv
