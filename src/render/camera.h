#pragma once
// The view's orthographic camera: rotation angles, translation, zoom, the projection box
// fitted to the model, and the operations of the view commands and the mouse. There is no
// perspective anywhere.
#include <array>

#include "plot_settings.h"

namespace orv {

class Gl;
struct BoundingBox;

// The camera's angles as a frame began, with their cosines and sines.
struct ViewAngles {
    std::array<float, 3> angle{}, cosine{1, 1, 1}, sine{};
};

// A vector turned as the scene is: about Z, then Y, then X (each skipped at angle 0).
std::array<float, 3> turnAsScene(const std::array<float, 3>& v, const ViewAngles& view);

enum class ViewPreset : int { XOY = 0, YOZ = 1, ZOX = 2, XYZ = 3 };
enum class PanDirection : int { Left = 1, Right = 2, Up = 3, Down = 4 };
enum class DragKind { Pan, Rotate };

struct Rect {
    float left = 0, bottom = 0, right = 0, top = 0;
};

class Camera {
  public:
    // The scale never falls below this, so that no zoom is zero, negative or infinite.
    static constexpr float kMinScale = 0.01f;
    static constexpr float kMaxScale = 10000.0f;

    // The translation that puts the model in the middle of the drawing area, left of the
    // legend panel.
    float homeTranslationX = 0.0f;
    std::array<float, 3> translation{0, 0, 0};
    std::array<float, 3> angles{30, 30, 0};  // degrees about X, Y, Z
    std::array<float, 3> cosines{}, sines{};
    float rotationSensitivity = 20.0f;
    float panFactor = 0.5f;
    float scale = 1.0f;
    std::array<float, 3> boxCorner1{}, boxCorner2{};  // zoom box, model coordinates
    Rect loaded;                                      // the projection box loaded
    Rect drawingFrame;                                // set by the overlay every frame
    float fitLeft = 0, fitRight = 0, fitBottom = 0, fitTop = 0, fitNear = 0, fitFar = 0;
    float modelSize = 0.0f;
    float viewportWidth = 0.0f, viewportHeight = 0.0f;
    std::array<std::array<float, 3>, 3> triadEnds{};  // turned end points of the axis triad

    Camera() { updateTrig(); }

    void updateTrig();
    // The angles with their cosines and sines, as the scene is turned now.
    ViewAngles viewAngles() const { return {angles, cosines, sines}; }
    void setAngles(float ax, float ay, float az);
    // Stores the viewport size and refits the projection box to the model.
    void resize(int width, int height, const BoundingBox& box, int dimension, Symmetry symmetry);
    // Fits the box to the model; every fitted quantity stays finite, however large the model.
    void fitToModel(const BoundingBox& box, int dimension, Symmetry symmetry);
    // The projection box loaded for the viewport's shape: the fitted box inside the picture
    // left of the legend panel (its right fifth), and the home translation that centres it
    // there.
    void applyAspect();
    // Viewport, projection and an identity modelview. The depth range always covers the
    // model at the current scale.
    void loadProjection(Gl& gl) const;
    // The near and far distances loaded: the fitted ones, widened with the zoom.
    float nearPlane() const;
    float farPlane() const;

    // The X and Y angles of a preset; Z is kept.
    void setViewPreset(ViewPreset preset);
    void resetForDimension(int dimension);
    void resetDisplay();
    // A twentieth of the model's size in a direction.
    void panStep(PanDirection direction);
    void zoomDown();
    void zoomUp();
    // Pans or rotates by the displacement from the press point (x1, y1).
    void drag(DragKind kind, int x1, int y1, int x2, int y2);
    // Zooms to the box between the two corners; a box of (almost) no size changes nothing.
    // True when the camera changed.
    bool zoomToBox();
    void setSensitivity(int elementCount);
    std::array<float, 2> screenToModel(float px, float py) const;
    // A centred model point as the frame draws it: pixel x, y from the top, depth (larger nearer).
    std::array<float, 3> modelToScreen(const std::array<float, 3>& p) const;

  private:
    void clampScale();
};

}  // namespace orv
