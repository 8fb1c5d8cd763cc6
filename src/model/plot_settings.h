#pragma once
// The display-settings record held by the scene: what is plotted, overlays, symmetry,
// magnification and the animation state.
#include <cstdint>

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

struct PlotSettings {
    PlotMode plotMode = PlotMode::None;
    int32_t numberingKind = 3;    // 0 material, 1 group, 2 element numbers, 3 none
    int32_t animationMethod = 1;  // 1 forward only, 0 forward and back
    int32_t lightOn = 0;
    int32_t nodeNumbers = 0;
    int32_t elementGrid = 0;
    int32_t undeformedMesh = 0;
    int32_t stepMaxMin = 0;
    int32_t animating = 0;
    int32_t reverse = 0;
    int32_t symmetry = 0;  // 0 none, 1 about the X axis, 2 about the Y axis
    int32_t cutPlaneOn = 0;
    int32_t zoomBoxActive = 0;
    float magnification = 1.0f;
    int32_t showPickedPoints = 1;  // 0 not drawn, 1 red points, 2 points joined by a line
    int32_t stepCount = 0;
    int32_t currentStep = 0;

    // The state taken when a file is about to be read.
    void reset() {
        *this = PlotSettings{};
        plotMode = PlotMode::Mesh;
    }
};

}  // namespace orv
