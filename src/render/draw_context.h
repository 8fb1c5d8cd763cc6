#pragma once
// Everything one frame's drawing reads, handed to the drawing code explicitly in one record:
// the model, what is plotted, bands, colours, fonts, the cut, the picked nodes, and the
// per-node positions and values of the frame (computed once per frame).
#include <array>
#include <cstdint>
#include <vector>

#include "camera.h"
#include "color_map.h"

namespace orv {

class Gl;
class FeModel;
struct PlotSettings;
class BitmapFontSet;
class CutPlane;
struct CutSection;

struct BandValues {
    int divisions = 15;
    float maxValue = 0.0f, minValue = 0.0f;
    std::array<float, 21> bandUpper{};   // ascending upper bounds, or iso values
    std::array<float, 22> bandBounds{};  // descending boundaries, or iso values
};

// Per-node data of one frame: deformed and undeformed positions (3 floats each, z = 0 in 2D)
// and the plot item's value; `hasValues` is false when the plot item is neither a component
// of the results nor their magnitude. A displacement that is not a finite number (or whose
// magnified value is not) moves its node by nothing; `nonFiniteDisplacements` counts such
// components.
struct FrameNodes {
    std::vector<float> deformed, undeformed, values;
    bool hasValues = false;
    int64_t nonFiniteDisplacements = 0;
};

struct DrawContext {
    Gl& gl;
    const FeModel& model;
    const PlotSettings& settings;
    const ColorMap& colours;
    const BandValues& bands;
    const UserColours& userColours;
    const BitmapFontSet& fonts;
    const CutPlane& cut;
    const std::vector<int32_t>& picked;  // 1-based node numbers
    const FrameNodes& nodes;
    ViewAngles view;
    // While the mouse drags the model: drawn lighter where a frame would be slow.
    bool interactiveDrag = false;
    long long clock = 0;  // seconds since the epoch, for the overlay's time and date
    // Device pixels per logical pixel: line widths, point sizes and fonts are multiplied by
    // it, so that a picture on a dense screen (or a batch picture drawn at --scale) reads as
    // one at 1.
    float pixelScale = 1.0f;
    int32_t probed = 0;  // the probed node, 1-based, marked over the model; 0 for none

    // True when a normal, turned as the scene is turned, points towards the viewer.
    bool faceVisible(const std::array<float, 3>& n) const;
    // Position (deformed or not) and value of node number m of element e: 1..nodeCount are
    // model nodes, higher numbers the section points of e's cut.
    void vertex(const CutSection* section, int32_t m, bool deformed, float out[3],
                float& value) const;
};

// The operations the passes call on every element, in element order.
enum class ElementPass {
    UndeformedMesh,
    Material,
    Mesh,
    Edges,
    Contour,
    IsoLines,
    Label,
    Outline,
    IsoSurface,
};

// Draws element e (0-based) for one pass.
void drawElement(const DrawContext& c, ElementPass pass, int32_t e);

}  // namespace orv
