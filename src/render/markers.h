#pragma once
// The marks drawn over the model after it, without the depth test so that nothing hides
// them: the probed node's ring, and the max/min markers, each a triangle at its node with a
// label "MAX value (node N)" or "MIN value (node N)" in the node numbers' font, kept inside
// the drawing area left of the legend panel.
#include <cstdint>

namespace orv {

class Camera;
struct DrawContext;
struct PlotSettings;

// The nodes (0-based) of the largest and smallest finite plotted value of the frame among
// the nodes of shown elements (on the kept side of a cut); ties go to the lowest node, -1
// when there is no such value.
struct ExtremeNodes {
    int32_t maxNode = -1, minNode = -1;
    float maxValue = 0.0f, minValue = 0.0f;
};
ExtremeNodes extremeNodes(const DrawContext& c);

// True when the plot mode shows values (contours, iso-lines, iso-surfaces, vectors), so that
// the markers are drawn when they are on.
bool plotShowsValues(const PlotSettings& settings);

// Draws the probed node's mark and, when on, the max/min markers.
void drawMarks(const DrawContext& c, const Camera& camera);

}  // namespace orv
