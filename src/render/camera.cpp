#include "camera.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

namespace {

constexpr double kLargestFloat = double(std::numeric_limits<float>::max());

// A length worked out in double, brought back into the float range: beyond it, the largest
// float of its sign.
float toFloat(double v) {
    return float(std::clamp(v, -kLargestFloat, kLargestFloat));
}

}  // namespace

void Camera::fitToModel(const BoundingBox& b, int dimension, Symmetry symmetry) {
    // In double: the square of an extent beyond about 1.8e19 overflows a float.
    const double dx = double(b.xMax) - b.xMin, dy = double(b.yMax) - b.yMin;
    const double dz = dimension == 3 ? double(b.zMax) - b.zMin : 0.0;
    const double cx = (double(b.xMax) + b.xMin) / 2, cy = (double(b.yMax) + b.yMin) / 2;
    double size = 1.2 * std::hypot(dx, dy, dz);
    double left = -size / 2, right = size / 2, bottom = -size / 2, top = size / 2;
    if (dimension == 2) {
        if (symmetry == Symmetry::AboutX) {
            size = 1.2 * std::max(dx, 2.0 * b.yMax);
            left = cx - size / 2;
            right = cx + size / 2;
            bottom = -size / 2;
            top = size / 2;
        } else if (symmetry == Symmetry::AboutY) {
            size = 1.2 * std::max(dy, 2.0 * b.xMax);
            left = -size / 2;
            right = size / 2;
            bottom = cy - size / 2;
            top = cy + size / 2;
        } else {
            left = cx - size / 2;
            right = cx + size / 2;
            bottom = cy - size / 2;
            top = cy + size / 2;
        }
    }
    // A model of no extent (one node) or an inverted box (no nodes) still gets a box of
    // some size.
    if (!(dx >= 0 && dy >= 0 && dz >= 0) || !(size > 0) || !std::isfinite(size)) {
        const double x = (left + right) / 2, y = (bottom + top) / 2;
        size = 1.0;
        left = (std::isfinite(x) ? x : 0.0) - 0.5;
        bottom = (std::isfinite(y) ? y : 0.0) - 0.5;
        right = left + 1.0;
        top = bottom + 1.0;
    }
    modelSize = toFloat(size);
    fitLeft = toFloat(left);
    fitRight = toFloat(right);
    fitBottom = toFloat(bottom);
    fitTop = toFloat(top);
    fitNear = toFloat(-10 * size);
    fitFar = toFloat(10 * size);
    applyAspect();
    translation[0] = homeTranslationX;
}

void Camera::applyAspect() {
    loaded = {fitLeft, fitBottom, fitRight, fitTop};
    homeTranslationX = 0.0f;
    // A zero-sized viewport keeps the fitted box instead of dividing by zero.
    if (viewportWidth <= 0 || viewportHeight <= 0) return;
    // The legend panel takes the right fifth of the picture: the fitted box fills as much of
    // the rest as it can, whatever the window's shape, and is centred there.
    const double w = double(fitRight) - fitLeft, h = double(fitTop) - fitBottom;
    const double perPixel = std::max(w / (0.8 * viewportWidth), h / viewportHeight);
    const double width = perPixel * viewportWidth, height = perPixel * viewportHeight;
    const double cx = (double(fitLeft) + fitRight) / 2, cy = (double(fitBottom) + fitTop) / 2;
    loaded = {toFloat(cx - width / 2), toFloat(cy - height / 2), toFloat(cx + width / 2),
              toFloat(cy + height / 2)};
    // The middle of the drawing area lies a tenth of the picture's width left of its middle.
    homeTranslationX = toFloat(-0.1 * width);
}

float Camera::nearPlane() const {
    return toFloat(double(fitNear) * std::max(1.0f, scale));
}

float Camera::farPlane() const {
    return toFloat(double(fitFar) * std::max(1.0f, scale));
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
