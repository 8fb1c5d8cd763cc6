#pragma once
// The in-memory finite-element model and its nodal results, as the readers fill it and the
// writers save it.
//
// Storage is flat for speed on large models: node i (0-based) has its coordinates at
// coords[i * dimension], its element list at nodeElementList[nodeElementStart[i] ..
// nodeElementStart[i + 1]), and the value of degree of freedom d at step k at
// values[(k * nodeCount + i) * dofCount + d]. Elements refer to nodes, and nodes to elements,
// by 1-based positions in the tables, never by the labels read from files.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "element_types.h"
#include "numeric_arrays.h"

namespace orv {

class Progress;

// Which values a frame shows: display step `step` (0-based) of `count`, and for a mode file
// the chosen mode (0-based).
struct ShownStep {
    int32_t step = 0;
    int32_t count = 1;
    int32_t mode = 0;
    bool operator==(const ShownStep&) const = default;
};

constexpr float kLowestFloat = -3.4028235e38f;
constexpr float kHighestFloat = 3.4028235e38f;
constexpr int kMaxDofNames = 50;
constexpr int kMaxDofNameLength = 19;
constexpr int kMaxTitleLength = 155;
// The plot item after the stored components of a model with displacements: their length.
constexpr const char* kMagnitudeName = "USUM";

// An allocator whose resize leaves new floats uninitialised: the readers size the value
// table of a large model and then fill every entry, and clearing it first would cost a pass
// over hundreds of megabytes.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <class U>
    UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
// Nodal values: sized by the readers and then written in full.
using ValueTable = std::vector<float, UninitialisedAllocator<float>>;

struct ElementRecord {
    int32_t number = 0;  // label from the file
    int32_t nodeCount = 0;
    int32_t type = 0;  // element type code
    int32_t material = 0;
    int32_t realConstant = 0;
    int32_t selected = 1;  // 1 = shown
    int32_t faceCount = 0;
    int32_t exteriorFaceCount = 0;  // solids: faces flagged as exterior
    int64_t firstNode = 0;          // offset of the node positions in FeModel::connectivity
    int64_t firstFlag = 0;          // offset of the face flags in FeModel::faceFlags
    ElementFamily family = ElementFamily::PlanePoint;
};

struct BoundingBox {
    float xMax = kLowestFloat, xMin = kHighestFloat;
    float yMax = kLowestFloat, yMin = kHighestFloat;
    float zMax = kLowestFloat, zMin = kHighestFloat;
};

struct ResultSet {
    int32_t hasResults = 0;
    int32_t stepCount = 0;
    int32_t dofCount = 0;
    std::vector<std::string> dofNames;  // dofCount names of at most 19 characters
    VEFLOAT stepValue;                  // time of each step, frequency of each mode
    VEFLOAT overallMax, overallMin;     // per degree of freedom, over all steps
    MATRIX<float> stepMax, stepMin;     // stepCount x dofCount
    bool hasDisplacements = false;

    ResultSet() = default;
    ResultSet(const ResultSet&) = default;
    ResultSet(ResultSet&&) noexcept = default;
    ResultSet& operator=(ResultSet&&) noexcept = default;
    // Copies tables of any size (the arrays' own = insists on equal sizes).
    ResultSet& operator=(const ResultSet& other) {
        if (this != &other) *this = ResultSet(other);
        return *this;
    }

    void reset();
    // Stores the counts and names and sizes the tables (all zero). Displacements need the
    // first name to be exactly "UX" and at least `dimension` components.
    void initialise(int32_t steps, int32_t dofs, std::vector<std::string> names, int32_t dimension);
};

class FeModel {
  public:
    // --- model ---
    std::string jobTitle;
    int32_t dimension = 3;
    int32_t nodeCount = 0;
    int32_t elementCount = 0;

    std::vector<int32_t> nodeNumbers;       // labels as read
    std::vector<float> coords;              // nodeCount x dimension, centred
    std::vector<int64_t> nodeElementStart;  // nodeCount + 1 offsets, or empty when not built
    std::vector<int32_t> nodeElementList;   // 1-based element positions, in reading order

    std::vector<ElementRecord> elements;
    std::vector<int32_t> connectivity;  // 1-based node positions of every element, in order
    std::vector<uint8_t> faceFlags;     // 1 = the face lies on the outer surface

    BoundingBox box;
    std::array<float, 3> centre{0.0f, 0.0f, 0.0f};

    // --- results ---
    ResultSet results;
    ValueTable values;  // stepCount x nodeCount x dofCount
    bool modalResults = false;

    void reset();  // empties the model and its results

    // --- nodes (index i is 0-based) ---
    float coordinate(int32_t i, int j) const { return coords[size_t(i) * dimension + j]; }
    // The coordinate as the file holds it (stored coordinate plus the centring shift),
    // unchanged by any symmetry alignment.
    float fileCoordinate(int32_t i, int j) const;
    // The centred coordinate as read, before any symmetry alignment.
    float centredCoordinate(int32_t i, int j) const;
    // The shift the reader subtracted, before any symmetry alignment.
    std::array<float, 3> readCentre() const;
    // The box of the centred coordinates as read, before any symmetry alignment.
    BoundingBox readBox() const;

    std::span<const int32_t> nodeElements(int32_t i) const;
    // Builds the node-to-element lists from the connectivity.
    void buildNodeElementLists();

    // --- elements (index e is 0-based) ---
    std::span<const int32_t> elementNodes(int32_t e) const {
        const ElementRecord& r = elements[size_t(e)];
        return {connectivity.data() + r.firstNode, size_t(r.nodeCount)};
    }
    std::span<uint8_t> elementFaceFlags(int32_t e) {
        const ElementRecord& r = elements[size_t(e)];
        return {faceFlags.data() + r.firstFlag, size_t(r.faceCount)};
    }
    std::span<const uint8_t> elementFaceFlags(int32_t e) const {
        const ElementRecord& r = elements[size_t(e)];
        return {faceFlags.data() + r.firstFlag, size_t(r.faceCount)};
    }
    // Node positions of face (edge) i of element e: count 0 when the element has no such
    // face. Plane family: edge i joins nodes i and i + 1 (the last joins back to node 0).
    int getFace(int32_t e, int i, int32_t list[4]) const;
    // True when each of the first count positions of list is a node of element e.
    bool containsNodes(int32_t e, int count, const int32_t* list) const;
    void markExterior(int32_t e, int i);
    // Decides for every edge of a plane element and every face of a solid whether it lies on
    // the outer surface: it does unless some other element holds all of its nodes.
    bool findSurfaceFaces(Progress& progress);

    // --- geometry ---
    void recentre();
    void alignForSymmetry(int axis);
    void undoSymmetryAlignment(int axis);
    // Applies a change of the symmetry setting (0 none, 1 about X, 2 about Y).
    void switchSymmetry(int oldSetting, int newSetting);
    int alignedAxis() const { return symmetryAxis; }

    // --- results (node index i is 0-based, step k and dof d 0-based) ---
    bool hasValues() const { return results.stepCount > 0 && results.dofCount > 0; }
    // The value stored for step (or mode) k.
    float storedValue(int32_t i, int32_t k, int32_t d) const {
        return values[(size_t(k) * size_t(nodeCount) + size_t(i)) * size_t(results.dofCount) +
                      size_t(d)];
    }
    // The value shown at a display step: a transient result's own step, or a single step or
    // the chosen mode ramped linearly over the display steps.
    double nodalValue(int32_t i, const ShownStep& s, int32_t d) const;
    // Displacement component c shown at s; 0 without displacements.
    double displacement(int32_t i, const ShownStep& s, int32_t c) const;
    // The display steps a file starts with: a transient result's steps, one for a single
    // step or a mode file, none without results.
    int32_t defaultDisplaySteps() const;
    double stepValue(int32_t k) const;
    // (max, min) of degree of freedom d, of step k when perStep and there are several steps;
    // d may be the magnitude's item, whose extremes are computed the first time they are asked.
    std::pair<float, float> extremes(bool perStep, int32_t k, int32_t d) const;
    // Extremes of every step from the stored values; non-finite values never enter them.
    void computeExtremes();

    // --- plot items: the stored components, then with displacements the magnitude USUM, the
    // length of (UX, UY[, UZ]), computed from them and never stored ---
    // True when item d is the magnitude (d == dofCount and the model has displacements, unless
    // the file stores a component of that name itself).
    bool isMagnitude(int32_t d) const { return d == results.dofCount && hasMagnitude(); }
    bool hasMagnitude() const;
    int32_t plotItemCount() const { return results.dofCount + (hasMagnitude() ? 1 : 0); }
    // The names of the plot items in their order; an item's name, empty outside them.
    std::vector<std::string> plotItemNames() const;
    std::string plotItemName(int32_t d) const;
    // The magnitude of the displacements stored for step (or mode) k, rounded to float as a
    // stored value is.
    float storedMagnitude(int32_t i, int32_t k) const;
    // The length of the displacements shown at a display step (ramped as they are); 0
    // without displacements.
    double shownMagnitude(int32_t i, const ShownStep& s) const;
    // Item d shown at a display step: nodalValue for a stored component, shownMagnitude for
    // the magnitude; 0 for any other d.
    double plottedValue(int32_t i, const ShownStep& s, int32_t d) const;
    // A result set without components holds no values: its steps are dropped, so that no
    // listing or animation walks steps of nothing (a few bytes of a file could otherwise
    // announce millions of them). True when steps were dropped.
    bool dropStepsWithoutComponents();

  private:
    // The magnitude's extremes, per step and over all steps, for the values they were
    // computed from (a copy of the model computes its own).
    struct MagnitudeExtremes {
        const float* values = nullptr;
        size_t size = 0;
        std::vector<float> stepMax, stepMin;
        float overallMax = 0.0f, overallMin = 0.0f;
    };
    const MagnitudeExtremes& magnitudeExtremes() const;
    // The number of displacement components the magnitude adds: UX, UY and in space (or when
    // the third component is UZ) UZ.
    int magnitudeComponents() const;
    float storedLength(int32_t i, int32_t k, int components) const;
    mutable MagnitudeExtremes magnitude_;
    int symmetryAxis = 0;  // axis whose coordinates are aligned for symmetry, 0 = none
    std::vector<float> unalignedColumn;
    BoundingBox unalignedBox;
    float unalignedCentre = 0.0f;
};

// Empties the model after a failed read, keeping the kind of file it was read as, so that a
// read never leaves a partly filled model. Returns false, the read's result.
bool discardFailedRead(FeModel& model);

// The deformation magnification a newly read model starts with: 0 without displacements,
// 1 for time results, 0.3 x mean model size / largest displacement range for modes (1 when
// every mode is at rest).
float defaultMagnification(const FeModel& model);

}  // namespace orv
