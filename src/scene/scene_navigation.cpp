// Moving the camera: view presets, pan and zoom steps, view angles, and the mouse.
#include <algorithm>
#include <cmath>

#include "gl.h"
#include "messages.h"
#include "scene.h"

namespace orv {

bool Scene::commandViewPreset(ViewPreset preset, AnimationControl& animation) {
    static constexpr CommandId kIds[4] = {CommandId::ViewXOY, CommandId::ViewYOZ,
                                          CommandId::ViewZOX, CommandId::ViewXYZ};
    if (!allowed(kIds[int(preset)], animation)) return false;
    camera_.setViewPreset(preset);
    return true;
}

bool Scene::commandPanStep(PanDirection direction, AnimationControl& animation) {
    static constexpr CommandId kIds[4] = {CommandId::Left, CommandId::Right, CommandId::Up,
                                          CommandId::Down};
    if (!allowed(kIds[int(direction) - 1], animation)) return false;
    camera_.panStep(direction);
    return true;
}

bool Scene::commandZoomUp(AnimationControl& animation) {
    if (!allowed(CommandId::ZoomUp, animation)) return false;
    camera_.zoomUp();
    return true;
}

bool Scene::commandZoomDown(AnimationControl& animation) {
    if (!allowed(CommandId::ZoomDown, animation)) return false;
    camera_.zoomDown();
    return true;
}

bool Scene::commandResetDisplay(AnimationControl& animation) {
    if (!allowed(CommandId::Reset, animation)) return false;
    camera_.resetDisplay();
    return true;
}

bool Scene::commandSetViewAngles(double ax, double ay, double az, AnimationControl& animation) {
    if (!allowed(CommandId::ViewPort, animation)) return false;
    // Angles beyond the float range would leave no picture.
    for (double a : {ax, ay, az})
        if (!std::isfinite(a) || !std::isfinite(float(a))) {
            messages_.showMessage("Please enter a number.");
            return false;
        }
    camera_.setAngles(float(ax), float(ay), float(az));
    return true;
}

bool Scene::commandSetZoom(double factor) {
    if (busy() || !modelLoaded_) return false;
    if (!(factor > 0) || !std::isfinite(factor)) {
        messages_.showMessage("The zoom factor must be positive!");
        return false;
    }
    camera_.scale = float(std::clamp(factor, double(Camera::kMinScale), double(Camera::kMaxScale)));
    return true;
}

bool Scene::commandDynamicPan(AnimationControl& animation) {
    if (!allowed(CommandId::DynamicPan, animation)) return false;
    mouseMode_ = mouseMode_ == MouseMode::Pan ? MouseMode::Idle : MouseMode::Pan;
    savedMouseMode_ = mouseMode_;
    return true;
}

bool Scene::commandDynamicRotation(AnimationControl& animation) {
    if (!allowed(CommandId::DynamicRotation, animation)) return false;
    mouseMode_ = mouseMode_ == MouseMode::Rotate ? MouseMode::Idle : MouseMode::Rotate;
    savedMouseMode_ = mouseMode_;
    return true;
}

bool Scene::commandZoomBox(AnimationControl& animation) {
    if (!allowed(CommandId::ZoomBox, animation)) return false;
    if (mouseMode_ == MouseMode::ZoomBox) {
        // A second press gives up the box it started.
        mouseMode_ = savedMouseMode_;
        zoomCornersSet_ = false;
        dragging_ = false;
        return true;
    }
    savedMouseMode_ = mouseMode_;
    mouseMode_ = MouseMode::ZoomBox;
    camera_.boxCorner1 = {0, 0, 0};
    camera_.boxCorner2 = {0, 0, 0};
    zoomCornersSet_ = false;
    return true;
}

// --- the mouse ---

void Scene::mousePress(int x, int y) {
    if (busy()) return;
    pressX_ = x;
    pressY_ = y;
    if (mouseMode_ == MouseMode::ZoomBox && modelLoaded_) {
        const auto p = camera_.screenToModel(float(x), float(y));
        camera_.boxCorner1 = {p[0], p[1], 0};
        camera_.boxCorner2 = camera_.boxCorner1;
        zoomCornersSet_ = true;
    }
}

bool Scene::mouseDrag(int x, int y) {
    if (!modelLoaded_ || busy()) return false;
    switch (mouseMode_) {
        case MouseMode::ZoomBox: {
            if (!zoomCornersSet_) return false;
            const auto p = camera_.screenToModel(float(x), float(y));
            camera_.boxCorner2 = {p[0], p[1], 0};
            break;
        }
        case MouseMode::Rotate:
            camera_.drag(DragKind::Rotate, pressX_, pressY_, x, y);
            break;
        case MouseMode::Pan:
            camera_.drag(DragKind::Pan, pressX_, pressY_, x, y);
            break;
        default:
            return false;
    }
    // An animation holds its step while the picture is dragged.
    dragging_ = true;
    return true;
}

bool Scene::mouseRelease(int, int) {
    const bool dragged = dragging_;
    dragging_ = false;
    if (mouseMode_ == MouseMode::ZoomBox && zoomCornersSet_) {
        camera_.zoomToBox();
        zoomCornersSet_ = false;
        mouseMode_ = savedMouseMode_;
        return true;
    }
    return dragged && (mouseMode_ == MouseMode::Rotate || mouseMode_ == MouseMode::Pan);
}

bool Scene::zoomBoxVisible() const {
    return mouseMode_ == MouseMode::ZoomBox && zoomCornersSet_ && modelLoaded_;
}

void Scene::cancelDrag() {
    dragging_ = false;
    otherDrag_.reset();
    if (mouseMode_ == MouseMode::ZoomBox && zoomCornersSet_) {
        zoomCornersSet_ = false;
        mouseMode_ = savedMouseMode_;
    }
}

// --- the other buttons and the wheel ---

void Scene::otherButtonPress(DragKind kind, int x, int y) {
    if (busy()) return;
    otherDrag_ = kind;
    otherPressX_ = x;
    otherPressY_ = y;
}

bool Scene::otherButtonDrag(int x, int y) {
    // Refused where Dynamic Pan and Rotation are: no model or the chart shown. A plane model
    // turns as the Rotate mode turns it.
    if (!otherDrag_ || !modelLoaded_ || busy() || curvePlotShown_) return false;
    camera_.drag(*otherDrag_, otherPressX_, otherPressY_, x, y);
    dragging_ = true;  // the animation holds its step, as for a left-button drag
    return true;
}

bool Scene::otherButtonRelease() {
    const bool dragged = otherDrag_ && dragging_;
    otherDrag_.reset();
    dragging_ = false;
    return dragged;
}

bool Scene::commandWheelZoom(int x, int y, int notches) {
    if (!modelLoaded_ || busy() || curvePlotShown_ || notches == 0) return false;
    const float px = float(x), py = float(y);
    const auto before = camera_.screenToModel(px, py);
    const float scale = camera_.scale;
    // Zoom up or down once a notch, until the scale's limit stops it.
    for (int i = 0; i != notches; i += notches > 0 ? 1 : -1) {
        const float s = camera_.scale;
        notches > 0 ? camera_.zoomUp() : camera_.zoomDown();
        if (camera_.scale == s) break;
    }
    if (camera_.scale == scale) return false;
    // The point that was under the cursor is brought back under it.
    const auto after = camera_.screenToModel(px, py);
    for (size_t k = 0; k < 2; ++k)
        camera_.translation[k] += (after[k] - before[k]) * camera_.scale;
    return true;
}

void Scene::drawZoomBox(Gl& gl, const std::array<float, 3>& a,
                        const std::array<float, 3>& b) const {
    if (!modelLoaded_) return;
    const auto& t = camera_.translation;
    const float s = camera_.scale;
    camera_.loadProjection(gl);
    gl.color(0.0f, 1.0f, 1.0f);
    gl.lineWidth(0.8f);
    gl.pushMatrix();
    gl.translate(t[0], t[1], t[2]);
    gl.scale(s, s, s);
    gl.begin(gl::LineLoop);
    gl.vertex(a[0], a[1]);
    gl.vertex(a[0], b[1]);
    gl.vertex(b[0], b[1]);
    gl.vertex(b[0], a[1]);
    gl.end();
    gl.popMatrix();
}

}  // namespace orv
