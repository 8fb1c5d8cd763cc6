#pragma once
// What is plotted: the one record the scene keeps and every frame reads. Only the scene's
// commands change it.
#include <cstdint>

#include "fe_model.h"

namespace orv {

enum class PlotMode : int32_t {
    None = 0,
    Contour = 1,
    IsoLine = 2,
    IsoSurface = 3,
    Mesh = 4,
    Partition = 7,
    Material = 8,
    Node = 9,
    Vector = 10,
};

// The element labels drawn at element centres.
enum class Numbering : int32_t { Material = 0, Group = 1, Element = 2, None = 3 };

// The mirror copy of a plane model.
enum class Symmetry : int32_t { None = 0, AboutX = 1, AboutY = 2 };

// How picked nodes are marked.
enum class PickedMarks : int32_t { Hidden = 0, Points = 1, JoinedPairs = 2 };

// Contour limits the user gave instead of the results' extremes.
struct UserRange {
    bool on = false;
    float max = 0.0f, min = 0.0f;
    bool operator==(const UserRange&) const = default;
};

struct PlotSettings {
    PlotMode plotMode = PlotMode::None;
    int32_t plotItem = 0;  // the plot item: a result component, 0-based, or the magnitude
    bool contourEdges = false;
    UserRange userRange;
    Numbering numbering = Numbering::None;
    bool nodeNumbers = false;
    bool elementGrid = false;
    bool undeformedMesh = false;
    bool lightOn = false;
    bool stepMaxMin = false;  // contour limits of the shown step instead of all steps
    bool markers = false;     // the nodes of the largest and smallest plotted value marked
    Symmetry symmetry = Symmetry::None;
    float magnification = 1.0f;
    PickedMarks pickedMarks = PickedMarks::Points;
    ShownStep shown;  // the display step, the display steps and the chosen mode

    // The state taken when a file is about to be read.
    void reset() {
        *this = PlotSettings{};
        plotMode = PlotMode::Mesh;
    }
};

}  // namespace orv
