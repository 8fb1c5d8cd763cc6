#include "camera.h"

#include <algorithm>
#include <cmath>

#include "fe_model.h"
#include "gl.h"

namespace orv {

void Camera::updateTrig() {
    for (int i = 0; i < 3; ++i) {
        const double r = double(angles[size_t(i)]) * 0.017453292519943295;
        cosines[size_t(i)] = float(std::cos(r));
        sines[size_t(i)] = float(std::sin(r));
    }
}

void Camera::setAngles(float ax, float ay, float az) {
    angles = {ax, ay, az};
    updateTrig();
}

void Camera::resize(int width, int height, const BoundingBox& box, int dimension,
                    Symmetry symmetry) {
    viewportWidth = float(width);
    viewportHeight = float(height);
    fitToModel(box, dimension, symmetry);
}

void Camera::fitToModel(const BoundingBox& b, int dimension, Symmetry symmetry) {
    const float dx = b.xMax - b.xMin, dy = b.yMax - b.yMin;
    const float dz = dimension == 3 ? b.zMax - b.zMin : 0.0f;
    modelSize = 1.2f * std::sqrt(dx * dx + dy * dy + dz * dz);
    if (dimension == 2) {
        const float h = 0.5f * modelSize;
        const float cx = (b.xMax + b.xMin) / 2, cy = (b.yMax + b.yMin) / 2;
        if (symmetry == Symmetry::AboutX) {
            const float s = dx > 2 * b.yMax ? 1.2f * dx : 1.2f * 2 * b.yMax;
            modelSize = s;
            fitLeft = cx - s / 2;
            fitRight = cx + s / 2;
            fitBottom = -s / 2;
            fitTop = s / 2;
        } else if (symmetry == Symmetry::AboutY) {
            const float s = dy > 2 * b.xMax ? 1.2f * dy : 1.2f * 2 * b.xMax;
            modelSize = s;
            fitLeft = -s / 2;
            fitRight = s / 2;
            fitBottom = cy - s / 2;
            fitTop = cy + s / 2;
        } else {
            fitLeft = cx - h;
            fitRight = cx + h;
            fitBottom = cy - h;
            fitTop = cy + h;
        }
    } else {
        fitLeft = fitBottom = -modelSize / 2;
        fitRight = fitTop = modelSize / 2;
    }
    // A model of no extent (one node) still gets a box of some size.
    if (!(fitRight > fitLeft) || !(fitTop > fitBottom) || !std::isfinite(modelSize)) {
        const float cx = (fitLeft + fitRight) / 2, cy = (fitBottom + fitTop) / 2;
        modelSize = 1.0f;
        fitLeft = (std::isfinite(cx) ? cx : 0.0f) - 0.5f;
        fitRight = fitLeft + 1.0f;
        fitBottom = (std::isfinite(cy) ? cy : 0.0f) - 0.5f;
        fitTop = fitBottom + 1.0f;
    }
    fitNear = -10 * modelSize;
    fitFar = 10 * modelSize;
    homeTranslationX = translation[0] = -0.15f * (fitRight - fitLeft);
    applyAspect();
}

void Camera::applyAspect() {
    loaded = {fitLeft, fitBottom, fitRight, fitTop};
    // A zero-sized viewport keeps the fitted box instead of dividing by zero.
    if (viewportWidth <= 0 || viewportHeight <= 0) return;
    if (viewportWidth > viewportHeight) {
        const float a = viewportWidth / viewportHeight;
        loaded.left = a * fitLeft;
        loaded.right = a * fitRight;
    } else {
        const float a = viewportHeight / viewportWidth;
        loaded.bottom = a * fitBottom;
        loaded.top = a * fitTop;
    }
}

float Camera::nearPlane() const {
    return fitNear * std::max(1.0f, scale);
}

float Camera::farPlane() const {
    return fitFar * std::max(1.0f, scale);
}

void Camera::loadProjection(Gl& gl) const {
    gl.viewport(0, 0, int(viewportWidth), int(viewportHeight));
    gl.matrixMode(gl::Projection);
    gl.loadIdentity();
    gl.ortho(loaded.left, loaded.right, loaded.bottom, loaded.top, nearPlane(), farPlane());
    gl.matrixMode(gl::Modelview);
    gl.loadIdentity();
}

void Camera::setViewPreset(ViewPreset preset) {
    switch (preset) {
        case ViewPreset::XOY:
            angles[0] = 0;
            angles[1] = 0;
            break;
        case ViewPreset::YOZ:
            angles[0] = 0;
            angles[1] = 90;
            break;
        case ViewPreset::ZOX:
            angles[0] = -90;
            angles[1] = 0;
            break;
        case ViewPreset::XYZ:
            angles[0] = 30;
            angles[1] = 30;
            break;
        default:
            break;
    }
    updateTrig();
}

void Camera::resetForDimension(int dimension) {
    translation = {0, 0, 0};
    angles[2] = 0;
    scale = 1.0f;
    if (dimension == 2) angles[0] = angles[1] = 0;
    if (dimension == 3) angles[0] = angles[1] = 30;
    updateTrig();
}

void Camera::resetDisplay() {
    translation = {homeTranslationX, 0, 0};
    scale = 1.0f;
}

void Camera::panStep(PanDirection direction) {
    const float step = 0.05f * modelSize;
    switch (direction) {
        case PanDirection::Left:
            translation[0] -= step;
            break;
        case PanDirection::Right:
            translation[0] += step;
            break;
        case PanDirection::Up:
            translation[1] += step;
            break;
        case PanDirection::Down:
            translation[1] -= step;
            break;
        default:
            break;
    }
}

void Camera::clampScale() {
    if (!std::isfinite(scale) || scale < kMinScale) scale = kMinScale;
    if (scale > kMaxScale) scale = kMaxScale;
}

void Camera::zoomDown() {
    scale -= 0.1f;
    clampScale();  // stops at a positive floor instead of turning the model inside out
}

void Camera::zoomUp() {
    scale += 0.1f;
    clampScale();
}

void Camera::drag(DragKind kind, int x1, int y1, int x2, int y2) {
    if (viewportWidth <= 0 || viewportHeight <= 0) return;
    if (kind == DragKind::Pan) {
        translation[0] += float(x2 - x1) / viewportWidth * modelSize * panFactor;
        translation[1] += float(y1 - y2) / viewportHeight * modelSize * panFactor;
    } else {
        angles[1] += float(x2 - x1) / viewportWidth * rotationSensitivity;
        angles[0] += float(y2 - y1) / viewportHeight * rotationSensitivity;
        for (int i = 0; i < 2; ++i) {
            float& a = angles[size_t(i)];
            if (!std::isfinite(a)) a = 0.0f;
            if (a > 360.0f || a < 0.0f) a = std::fmod(a, 360.0f);
            if (a < 0.0f) a += 360.0f;
        }
        updateTrig();
    }
}

bool Camera::zoomToBox() {
    const float x1 = boxCorner1[0], y1 = boxCorner1[1];
    const float x2 = boxCorner2[0], y2 = boxCorner2[1];
    // The larger side of the box, whichever way it was drawn.
    const float e = std::max(std::fabs(x2 - x1), std::fabs(y1 - y2));
    const float frame = drawingFrame.right - drawingFrame.left;
    // A box of a few pixels (or a click) is no zoom.
    const float pixel =
        viewportWidth > 0 ? (loaded.right - loaded.left) / viewportWidth / scale : 0.0f;
    if (!(e > 3 * pixel) || !(frame > 0) || !std::isfinite(e)) return false;
    scale = 0.8f * frame / e;
    clampScale();
    const float cvx = (loaded.left + loaded.right) / 2, cvy = (loaded.bottom + loaded.top) / 2;
    const float cbx = (x1 + x2) / 2, cby = (y1 + y2) / 2;
    translation[0] = (cvx - cbx) * scale + homeTranslationX;
    translation[1] = (cvy - cby) * scale;
    return true;
}

void Camera::setSensitivity(int n) {
    static constexpr struct {
        int below;
        float degrees, pan;
    } kSteps[] = {{1000, 30, 0.08f},
                  {2000, 40, 0.15f},
                  {3000, 50, 0.2f},
                  {4000, 60, 0.25f},
                  {5000, 70, 0.3f}};
    rotationSensitivity = 80;
    panFactor = 0.35f;
    for (const auto& s : kSteps)
        if (n < s.below) {
            rotationSensitivity = s.degrees;
            panFactor = s.pan;
            break;
        }
}

std::array<float, 2> Camera::screenToModel(float px, float py) const {
    if (viewportWidth <= 0 || viewportHeight <= 0 || scale == 0) return {0, 0};
    const float x =
        ((loaded.right - loaded.left) * px / viewportWidth + loaded.left - translation[0]) / scale;
    const float y =
        (loaded.top - (loaded.top - loaded.bottom) * py / viewportHeight - translation[1]) / scale;
    return {x, y};
}

std::array<float, 3> Camera::modelToScreen(const std::array<float, 3>& p) const {
    // The frame's modelview: translate, scale, then the turns; then the orthographic box.
    const auto r = turnAsScene(p, viewAngles());
    const float x = translation[0] + scale * r[0], y = translation[1] + scale * r[1];
    return {(x - loaded.left) / (loaded.right - loaded.left) * viewportWidth,
            (loaded.top - y) / (loaded.top - loaded.bottom) * viewportHeight,
            translation[2] + scale * r[2]};
}

std::array<float, 3> turnAsScene(const std::array<float, 3>& v, const ViewAngles& view) {
    float x = v[0], y = v[1], z = v[2];
    if (view.angle[2] != 0) {
        const float c = view.cosine[2], s = view.sine[2];
        const float x1 = x * c - y * s, y1 = x * s + y * c;
        x = x1;
        y = y1;
    }
    if (view.angle[1] != 0) {
        const float c = view.cosine[1], s = view.sine[1];
        const float x1 = x * c + z * s, z1 = z * c - x * s;
        x = x1;
        z = z1;
    }
    if (view.angle[0] != 0) {
        const float c = view.cosine[0], s = view.sine[0];
        const float y1 = y * c - z * s, z1 = z * c + y * s;
        y = y1;
        z = z1;
    }
    return {x, y, z};
}

}  // namespace orv
