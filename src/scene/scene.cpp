#include "scene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "gl.h"
#include "messages.h"
#include "model_files.h"
#include "progress.h"

namespace orv {

void Scene::clear() {
    model.reset();
    settings.reset();
    modelLoaded = 0;
    plotItem = 0;
    userLimits = 0;
    curvePlotShown = 0;
    advanceStepOnRedraw = 1;
    contourEdges = false;
    interactiveDrag = 0;
    zoomCornersSet_ = false;
    mouseMode = MouseMode::Idle;
    bands.divisions = 15;
    picked.clear();
    cut.clear();
    camera.translation = {0, 0, 0};
    camera.angles[2] = 0;
    camera.scale = 1.0f;
    camera.updateTrig();
    geometry.invalidate();
}

bool Scene::openFile(Progress& progress, const std::string& cutPath, const std::string& extension) {
    clear();
    fileName = cutPath;
    if (!readModelFile(model, settings, cutPath + extension, extension, progress, messages_))
        return false;
    onModelLoaded();
    return true;
}

bool Scene::saveFile(Progress& progress, const std::string& path, const std::string& extension) {
    return writeModelFile(model, path, extension, progress, messages_);
}

void Scene::onModelLoaded() {
    modelLoaded = 1;
    camera.setSensitivity(model.elementCount);
    settings.lightOn = model.dimension == 3 ? 1 : 0;
    camera.resetForDimension(model.dimension);
    colours.setDivisions(false, 15);
    bands.divisions = 15;
    computeBands();
    geometry.invalidate();
    if (viewportWidth_ > 0) resize(viewportWidth_, viewportHeight_);
}

void Scene::setSymmetry(int setting) {
    model.switchSymmetry(settings.symmetry, setting);
    settings.symmetry = setting;
    geometry.invalidate();
    if (modelLoaded && viewportWidth_ > 0) resize(viewportWidth_, viewportHeight_);
}

int Scene::redraw(Gl& gl) {
    if (curvePlotShown) return 1;  // the curve chart draws itself
    if (!modelLoaded) {
        gl.clearColor(1, 1, 1, 0);
        gl.clear(gl::ColorBufferBit | gl::DepthBufferBit);
        return 1;
    }
    if (settings.stepMaxMin && settings.animating) computeBands();
    FrameInputs in{model,
                   settings,
                   colours,
                   bands,
                   fonts,
                   cut,
                   picked,
                   plotItem,
                   contourEdges,
                   interactiveDrag != 0,
                   fixedClock ? fixedClock : (long long)std::time(nullptr)};
    geometry.renderFrame(gl, in, camera, messages_);
    return 1;
}

void Scene::resize(int width, int height) {
    viewportWidth_ = width;
    viewportHeight_ = height;
    if (!modelLoaded) return;
    camera.resize(width, height, model.box, model.dimension, settings.symmetry);
}

void Scene::setDivisions(bool grey, int n) {
    bands.divisions = n;
    colours.setDivisions(grey, n);
}

void Scene::setUserLimits(bool on, float max, float min) {
    userLimits = on ? 1 : 0;
    userMax = max;
    userMin = min;
}

void Scene::computeBands() {
    if (!model.results.hasResults || !model.hasValues()) return;
    float hi, lo;
    if (userLimits) {
        hi = userMax;
        lo = userMin;
        if (hi < lo) std::swap(hi, lo);  // limits given the wrong way round are put in order
    } else {
        // A mode file shows one mode at a time: its own limits, never a frame's row.
        const int32_t step = model.modalResults ? model.chosenMode : settings.currentStep;
        const auto [h, l] = model.extremes(settings.stepMaxMin != 0, step, plotItem);
        hi = h;
        lo = l;
    }
    bands.maxValue = hi;
    bands.minValue = lo;
    const int n = std::clamp(bands.divisions, 0, ColorMap::kMaxBands);
    switch (settings.plotMode) {
        case PlotMode::IsoLine:
        case PlotMode::IsoSurface: {
            const float d = (hi - lo) / float(n + 1);
            for (int k = 0; k < n; ++k) {
                const float value = float(k + 1) * d + lo;
                bands.bandUpper[size_t(k)] = value;
                bands.bandBounds[size_t(n - 1 - k)] = value;
            }
            break;
        }
        case PlotMode::Contour: {
            const float d = n > 0 ? (hi - lo) / float(n) : 0.0f;
            for (int k = 0; k < n; ++k)
                bands.bandUpper[size_t(k)] = float(k + 1) * d + lo;
            for (int j = 0; j <= n; ++j)
                bands.bandBounds[size_t(j)] = hi - float(j) * d;
            break;
        }
        default:
            break;
    }
}

void Scene::setColour(int index, int r, int g, int b) {
    const Rgb c = {float(r) * 0.003921569f, float(g) * 0.003921569f, float(b) * 0.003921569f};
    switch (index) {
        case 0:
            geometry.backgroundColour = c;
            break;
        case 5:
            geometry.nodeNumberColour = c;
            break;
        case 6:
            geometry.elementNumberColour = c;
            break;
        case 1:
        case 2:
        case 3:
        case 4:
            camera.overlayColours[size_t(index - 1)] = c;
            break;
        default:
            break;
    }
}

void Scene::getColour(int index, int& r, int& g, int& b) const {
    Rgb c{0, 0, 0};
    if (index == 0) c = geometry.backgroundColour;
    if (index == 5) c = geometry.nodeNumberColour;
    if (index == 6) c = geometry.elementNumberColour;
    if (index >= 1 && index <= 4) c = camera.overlayColours[size_t(index - 1)];
    r = int(c[0] * 255);
    g = int(c[1] * 255);
    b = int(c[2] * 255);
}

const std::array<std::pair<const char*, int>, 7>& Scene::colourSettingNames() {
    static const std::array<std::pair<const char*, int>, 7> names = {{{"FrameBkg", 0},
                                                                      {"NodeNb", 5},
                                                                      {"ElemNb", 6},
                                                                      {"LabelBkg", 1},
                                                                      {"LabelFont", 2},
                                                                      {"TitleFont", 3},
                                                                      {"AxisColor", 4}}};
    return names;
}

void Scene::applyColourSetting(const std::string& name, const std::string& text) {
    int index = -1;
    for (const auto& [n, i] : colourSettingNames())
        if (name == n) index = i;
    if (index < 0) return;
    std::vector<std::string> words;
    std::string word;
    for (char ch : text + " ") {
        if (ch == ',' || ch == ' ' || ch == ':' || ch == '\t') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += ch;
        }
    }
    if (words.size() != 3) return;
    int v[3];
    for (int k = 0; k < 3; ++k)
        v[k] = std::atoi(words[size_t(k)].c_str());
    setColour(index, v[0], v[1], v[2]);
}

bool Scene::guard(bool needResults) {
    if (needResults && !model.results.hasResults) {
        messages_.showMessage("No results are availabile!");
        return false;
    }
    if (curvePlotShown) return false;
    if (!modelLoaded) {
        messages_.showMessage("Please read result file firstly!");
        return false;
    }
    return true;
}

bool Scene::commandPlotMode(PlotMode mode, bool withContourEdges, AnimationControl& animation) {
    const bool needResults =
        mode == PlotMode::Contour || mode == PlotMode::IsoLine || mode == PlotMode::IsoSurface;
    if (!guard(needResults)) return false;
    if (mode == PlotMode::IsoSurface && model.dimension == 2) {
        animation.pause();
        messages_.showMessage("It is for 3D results!");
        animation.resume();
        return false;
    }
    if (mode == PlotMode::Vector && model.dimension == 3) {
        messages_.showMessage("Sorry, it is actually available only for 2D case!");
        return false;
    }
    settings.plotMode = mode;
    if (mode == PlotMode::Contour) contourEdges = withContourEdges;
    computeBands();
    return true;
}

bool Scene::commandToggleGrid() {
    if (!guard(false)) return false;
    settings.elementGrid = !settings.elementGrid;
    return true;
}

bool Scene::commandToggleUndeformed() {
    if (!guard(false)) return false;
    settings.undeformedMesh = !settings.undeformedMesh;
    return true;
}

bool Scene::commandToggleLight(AnimationControl& animation) {
    if (!guard(false)) return false;
    if (model.dimension == 2) {
        animation.pause();
        messages_.showMessage("It is available for 3D plot!");
        animation.resume();
        return false;
    }
    settings.lightOn = !settings.lightOn;
    return true;
}

void Scene::commandToggleStepMaxMin() {
    settings.stepMaxMin = !settings.stepMaxMin;
    computeBands();
}

bool Scene::commandViewPreset(int preset) {
    if (!guard(false)) return false;
    camera.setViewPreset(preset);
    return true;
}

bool Scene::commandChooseItem(int index) {
    if (!guard(false)) return false;
    plotItem = index;
    userLimits = 0;
    const PlotMode m = settings.plotMode;
    if (m == PlotMode::Node || m == PlotMode::Mesh || m == PlotMode::Partition ||
        m == PlotMode::Material)
        settings.plotMode = PlotMode::Contour;
    computeBands();
    return true;
}

bool Scene::commandSetStep(int step) {
    if (!guard(false)) return false;
    const int n = settings.stepCount;
    settings.currentStep = std::clamp(step, 0, std::max(0, n - 1));
    settings.animating = 0;
    if (settings.stepMaxMin) computeBands();
    return true;
}

bool Scene::applyCutPlane(const std::array<std::array<double, 3>, 3>& points) {
    std::array<std::array<double, 3>, 3> p = points;
    for (auto& q : p)
        for (int k = 0; k < 3; ++k)
            q[size_t(k)] -= model.centre[size_t(k)];
    const auto sub = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
        return std::array<double, 3>{a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    };
    const auto length = [](const std::array<double, 3>& a) {
        return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    };
    const auto fail = [&] {
        settings.cutPlaneOn = 0;
        cut.clear();
        messages_.showMessage("Error of definition of cutplane!");
        return false;
    };
    const std::array<double, 3> u = sub(p[1], p[0]), v = sub(p[2], p[1]), w = sub(p[2], p[0]);
    const double lu = length(u), lv = length(v), lw = length(w);
    if (!(lu > 0) || !(lv > 0) || !(lw > 0)) return fail();
    std::array<double, 3> n = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                               u[0] * v[1] - u[1] * v[0]};
    // Collinear when the normal is tiny against the sides that make it.
    const double ln = length(n);
    if (!(ln > 1e-10 * lu * lv) || !std::isfinite(ln)) return fail();
    for (double& c : n)
        c /= ln;
    const double d = -(n[0] * p[0][0] + n[1] * p[0][1] + n[2] * p[0][2]);
    const BoundingBox& b = model.box;
    bool above = false, below = false;
    for (int i = 0; i < 8; ++i) {
        const double x = (i & 1) ? b.xMax : b.xMin, y = (i & 2) ? b.yMax : b.yMin,
                     z = (i & 4) ? b.zMax : b.zMin;
        const double s = n[0] * x + n[1] * y + n[2] * z + d;
        above = above || s >= 1e-4;
        below = below || s <= -1e-4;
    }
    if (!above || !below) return fail();
    cut.apply(model, {n[0], n[1], n[2], d}, messages_);
    settings.cutPlaneOn = 1;
    return true;
}

void Scene::selectElements(const std::string& type, const std::string& item, bool range,
                           const std::string& values) {
    if (type == "All") {
        for (ElementRecord& r : model.elements)
            r.selected = 1;
        return;
    }
    if (type != "Select") return;
    std::vector<long long> tokens;
    std::string word;
    const auto flush = [&] {
        if (!word.empty() && tokens.size() < 50)
            tokens.push_back(std::atoll(word.substr(0, 29).c_str()));
        word.clear();
    };
    for (char ch : values) {
        if (ch == ',' || ch == ' ' || ch == ':' || ch == '\t')
            flush();
        else
            word += ch;
    }
    flush();
    for (ElementRecord& r : model.elements) {
        r.selected = 0;
        long long key;
        if (item == "Elem")
            key = r.number;
        else if (item == "Type")
            key = r.type;
        else if (item == "Mate")
            key = r.material;
        else if (item == "Real")
            key = r.realConstant;
        else
            continue;  // "Loca" selects nothing
        if (range) {
            // A missing bound leaves that side open.
            const bool low = tokens.empty() || tokens[0] <= key;
            const bool high = tokens.size() < 2 || key <= tokens[1];
            r.selected = low && high && !tokens.empty() ? 1 : 0;
        } else {
            r.selected = std::find(tokens.begin(), tokens.end(), key) != tokens.end() ? 1 : 0;
        }
    }
}

bool Scene::commandPanStep(int direction) {
    if (!guard(false)) return false;
    camera.panStep(direction);
    return true;
}

bool Scene::commandZoomUp() {
    if (!guard(false)) return false;
    camera.zoomUp();
    return true;
}

bool Scene::commandZoomDown() {
    if (!guard(false)) return false;
    camera.zoomDown();
    return true;
}

bool Scene::commandResetDisplay() {
    if (!guard(false)) return false;
    camera.resetDisplay();
    return true;
}

bool Scene::commandDynamicPan() {
    if (!guard(false)) return false;
    mouseMode = mouseMode == MouseMode::Pan ? MouseMode::Idle : MouseMode::Pan;
    savedMouseMode = mouseMode;
    settings.zoomBoxActive = 0;
    return true;
}

bool Scene::commandDynamicRotation() {
    if (!guard(false)) return false;
    mouseMode = mouseMode == MouseMode::Rotate ? MouseMode::Idle : MouseMode::Rotate;
    savedMouseMode = mouseMode;
    settings.zoomBoxActive = 0;
    return true;
}

bool Scene::commandZoomBox() {
    if (!guard(false)) return false;
    if (mouseMode == MouseMode::ZoomBox) {
        // A second press gives up the box it started.
        mouseMode = savedMouseMode;
        settings.zoomBoxActive = 0;
        zoomCornersSet_ = false;
        interactiveDrag = 0;
        return true;
    }
    savedMouseMode = mouseMode;
    mouseMode = MouseMode::ZoomBox;
    camera.boxCorner1 = {0, 0, 0};
    camera.boxCorner2 = {0, 0, 0};
    zoomCornersSet_ = false;
    settings.zoomBoxActive = 1;
    return true;
}

bool Scene::canDefineViewAngles() {
    if (!modelLoaded) {
        messages_.showMessage("Please read result file firstly!");
        return false;
    }
    if (model.dimension == 2) {
        messages_.showMessage("It is for 3D!");
        return false;
    }
    return true;
}

void Scene::mousePress(int x, int y) {
    pressX_ = x;
    pressY_ = y;
    if (mouseMode == MouseMode::ZoomBox && modelLoaded) {
        const auto p = camera.screenToModel(float(x), float(y));
        camera.boxCorner1 = {p[0], p[1], 0};
        camera.boxCorner2 = camera.boxCorner1;
        zoomCornersSet_ = true;
    }
}

bool Scene::mouseDrag(int x, int y) {
    if (!modelLoaded) return false;
    switch (mouseMode) {
        case MouseMode::ZoomBox: {
            if (!zoomCornersSet_) return false;
            const auto p = camera.screenToModel(float(x), float(y));
            camera.boxCorner2 = {p[0], p[1], 0};
            break;
        }
        case MouseMode::Rotate:
            camera.drag(2, pressX_, pressY_, x, y);
            break;
        case MouseMode::Pan:
            camera.drag(1, pressX_, pressY_, x, y);
            break;
        default:
            return false;
    }
    // An animation holds its step while the picture is dragged.
    advanceStepOnRedraw = 0;
    interactiveDrag = 1;
    return true;
}

bool Scene::mouseRelease(int, int) {
    const bool dragged = interactiveDrag != 0;
    interactiveDrag = 0;
    advanceStepOnRedraw = 1;
    if (mouseMode == MouseMode::ZoomBox && zoomCornersSet_) {
        camera.zoomToBox();
        settings.zoomBoxActive = 0;
        zoomCornersSet_ = false;
        mouseMode = savedMouseMode;
        return true;
    }
    return dragged && (mouseMode == MouseMode::Rotate || mouseMode == MouseMode::Pan);
}

bool Scene::zoomBoxVisible() const {
    return mouseMode == MouseMode::ZoomBox && zoomCornersSet_ && modelLoaded;
}

void Scene::cancelDrag() {
    interactiveDrag = 0;
    advanceStepOnRedraw = 1;
    if (mouseMode == MouseMode::ZoomBox && zoomCornersSet_) {
        zoomCornersSet_ = false;
        settings.zoomBoxActive = 0;
        mouseMode = savedMouseMode;
    }
}

void Scene::drawZoomBox(Gl& gl, const std::array<float, 3>& a,
                        const std::array<float, 3>& b) const {
    if (!modelLoaded) return;
    const auto& t = camera.translation;
    const float s = camera.scale;
    camera.loadProjection(gl);
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

bool Scene::oscillationMode() const {
    return model.results.stepCount == 1 || !model.results.hasResults || model.modalResults;
}

void Scene::startAnimation(int displaySteps, float magnification, int method) {
    settings.magnification = magnification;
    if (method == 0 || method == 1) settings.animationMethod = 1 - method;
    if (oscillationMode()) {
        model.frameCount = settings.stepCount = std::max(1, displaySteps);
        settings.currentStep = std::min(settings.currentStep, settings.stepCount - 1);
    }
    settings.animating = 1;
    geometry.invalidate();
}

void Scene::stopAnimation() {
    if (oscillationMode()) {
        model.frameCount = 1;
        settings.stepCount = 1;
        settings.currentStep = 0;
        geometry.invalidate();
    }
    settings.animating = 0;
}

void Scene::advanceStep() {
    if (!settings.animating) return;
    const int n = settings.stepCount;
    int& s = settings.currentStep;
    if (n <= 1) {
        s = 0;
    } else if (settings.animationMethod == 1) {
        settings.reverse = 0;
        s = s + 1 > n - 1 ? 0 : s + 1;
    } else {
        if (s >= n - 1) settings.reverse = 1;
        if (s <= 0) settings.reverse = 0;
        s = settings.reverse ? s - 1 : s + 1;
    }
    if (settings.stepMaxMin) computeBands();
}

void Scene::clearCutPlane() {
    cut.clear();
    settings.cutPlaneOn = 0;
}

}  // namespace orv
