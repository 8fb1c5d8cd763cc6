#pragma once
// The frame: clear, the camera's transform, the pass of the plot mode over all elements,
// node numbers, element labels, picked nodes, the mirror copy of a symmetric model, then
// the legend and title overlay.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "color_map.h"
#include "draw_context.h"
#include "plot_settings.h"

namespace orv {

class Camera;

class Geometry {
  public:
    // Above this many elements a wireframe (mesh or node plot) is drawn as outlines while
    // the mouse drags the model.
    int32_t largeModelElements = 100000;

    // The deformed and undeformed positions and the plotted values of the shown step, kept
    // until what they depend on changes.
    const FrameNodes& prepareNodes(const FeModel& model, const PlotSettings& settings);
    // Draws one frame into the current context; c.nodes are this renderer's prepared nodes.
    // The camera's drawing frame and triad are updated by the overlay.
    void renderFrame(const DrawContext& c, Camera& camera);
    // Forgets the per-node data of the last frame (after the model changed).
    void invalidate() {
        nodesKey_ = {};
        surfaceKey_ = {};
    }

  private:
    struct NodesKey {
        const void* coords = nullptr;
        const void* values = nullptr;
        int32_t nodeCount = -1, plotItem = -1;
        ShownStep shown{-1, -1, -1};
        float magnification = -1.0f;
        int axis = -1;
        bool operator==(const NodesKey&) const = default;
    };
    struct SurfaceKey {
        const void* elements = nullptr;
        const void* flags = nullptr;
        int32_t count = -1;
        size_t flagCount = 0;
        bool operator==(const SurfaceKey&) const = default;
    };
    const std::vector<int32_t>& surfaceElements(const FeModel& m);
    void drawScene(const DrawContext& c, const Camera& camera);
    void pass(const DrawContext& c, ElementPass p);
    void meshPass(const DrawContext& c, int colour, float width);
    void edgePass(const DrawContext& c, int colour);
    void outlinePass(const DrawContext& c);
    void lighting(Gl& gl);
    void nodePlot(const DrawContext& c);
    void nodeNumbers(const DrawContext& c);
    void pickedNodes(const DrawContext& c);
    void vectors(const DrawContext& c, const Camera& camera);

    FrameNodes nodes_;
    NodesKey nodesKey_;
    std::vector<int32_t> surfaceElements_;
    SurfaceKey surfaceKey_;
};

}  // namespace orv
