#pragma once
// The frame: clear, the camera's transform, the pass of the plot mode over all elements,
// node numbers, element labels, picked nodes, the mirror copy of a symmetric model, then
// the legend and title overlay.
//
// What a turn of the camera does not change is kept from frame to frame: the per-node data,
// the shared edges of the mesh and of the outlines, the faces that close a selection, and
// the drawing calls of each element in the face passes (an element is drawn again only when
// one of its faces turns towards or away from the viewer).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "color_map.h"
#include "draw_context.h"
#include "plot_settings.h"

namespace orv {

class Camera;

class Geometry {
  public:
    Geometry();
    ~Geometry();
    Geometry(const Geometry&) = delete;
    Geometry& operator=(const Geometry&) = delete;

    // Above this many elements a wireframe (mesh or node plot) is drawn as outlines while
    // the mouse drags the model.
    int32_t largeModelElements = 100000;

    // The deformed and undeformed positions and the plotted values of the shown step, kept
    // until what they depend on changes.
    const FrameNodes& prepareNodes(const FeModel& model, const PlotSettings& settings);
    // Draws one frame into the current context; c.nodes are this renderer's prepared nodes.
    // The camera's drawing frame and triad are updated by the overlay. The element selection
    // is read again on every frame but those of a drag (which cannot change it).
    void renderFrame(const DrawContext& c, Camera& camera);
    // Forgets everything kept from earlier frames (after the model changed).
    void invalidate();

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
    struct Kept;  // the lists and calls kept between frames

    void drawScene(const DrawContext& c, const Camera& camera);
    void pass(const DrawContext& c, ElementPass p);
    void passOver(const DrawContext& c, ElementPass p, const std::vector<int32_t>* list,
                  bool closes);
    void meshPass(const DrawContext& c, int colour, float width);
    void edgePass(const DrawContext& c, int colour);
    void outlinePass(const DrawContext& c);
    void labelPass(const DrawContext& c, const Camera& camera);
    void lighting(Gl& gl);
    void nodePlot(const DrawContext& c);
    void nodeNumbers(const DrawContext& c, const Camera& camera);
    void pickedNodes(const DrawContext& c);
    void vectors(const DrawContext& c, const Camera& camera);

    FrameNodes nodes_;
    NodesKey nodesKey_;
    uint64_t nodesGeneration_ = 0;
    Symmetry mirror_ = Symmetry::None;  // the copy drawScene draws
    std::unique_ptr<Kept> kept_;
};

}  // namespace orv
