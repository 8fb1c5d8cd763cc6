// The scene as a document: opening and saving, the tests of the command table, and drawing.
#include "scene.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "batching_gl.h"
#include "gl.h"
#include "messages.h"
#include "model_files.h"
#include "progress.h"

namespace orv {

// Marks the scene busy while a file is read or written: the progress dialog lets the window
// deliver commands meanwhile, and they must not touch a model being filled.
class Scene::FileOperation {
  public:
    explicit FileOperation(bool& running) : running_(running) { running_ = true; }
    ~FileOperation() { running_ = false; }
    FileOperation(const FileOperation&) = delete;
    FileOperation& operator=(const FileOperation&) = delete;

  private:
    bool& running_;
};

void Scene::clear() {
    model_.reset();
    settings_.reset();
    nonFiniteValues_ = 0;
    animation_ = {};
    modelLoaded_ = false;
    curvePlotShown_ = false;
    curves_.nodes.clear();  // the table stays, but it can no longer be computed again
    dragging_ = false;
    zoomCornersSet_ = false;
    mouseMode_ = MouseMode::Idle;
    bands_.divisions = 15;
    picked_.clear();
    probed_ = 0;
    cut_.clear();
    camera_.translation = {0, 0, 0};
    camera_.angles[2] = 0;
    camera_.scale = 1.0f;
    camera_.updateTrig();
    geometry_.invalidate();
}

bool Scene::openFile(Progress& progress, const std::string& cutPath, const std::string& extension) {
    if (fileOperation_) return false;
    FileOperation operation(fileOperation_);
    clear();
    fileName_ = cutPath;
    if (!readModelFile(model_, cutPath + extension, extension, progress, messages_)) {
        settings_.shown.count = 0;
        return false;
    }
    onModelLoaded();
    return true;
}

void Scene::takeModel(FeModel model, const std::string& cutPath) {
    if (fileOperation_) return;
    clear();
    fileName_ = cutPath;
    model_ = std::move(model);
    onModelLoaded();
}

bool Scene::saveFile(Progress& progress, const std::string& path, const std::string& extension) {
    if (fileOperation_) return false;
    FileOperation operation(fileOperation_);
    return writeModelFile(model_, path, extension, progress, messages_);
}

void Scene::onModelLoaded() {
    modelLoaded_ = true;
    nonFiniteValues_ = size_t(std::count_if(model_.values.begin(), model_.values.end(),
                                            [](float v) { return !std::isfinite(v); }));
    settings_.shown = {0, model_.defaultDisplaySteps(), 0};
    settings_.magnification = defaultMagnification(model_);
    settings_.lightOn = model_.dimension == 3;
    camera_.setSensitivity(model_.elementCount);
    camera_.resetForDimension(model_.dimension);
    colours_.setDivisions(false, 15);
    bands_.divisions = 15;
    computeBands();
    geometry_.invalidate();
    refit();
}

void Scene::refit() {
    if (modelLoaded_ && viewportWidth_ > 0)
        camera_.resize(viewportWidth_, viewportHeight_, model_.box, model_.dimension,
                       settings_.symmetry);
}

void Scene::resize(int width, int height) {
    viewportWidth_ = width;
    viewportHeight_ = height;
    refit();
}

// --- the command table's tests ---

bool Scene::guardChain(Guard guard) {
    switch (guard) {
        case Guard::None:
        case Guard::OwnRules:
            return true;
        case Guard::ResultsChain:
            if (!model_.results.hasResults) {
                messages_.showMessage("No results are availabile!");
                return false;
            }
            [[fallthrough]];
        case Guard::Chain:
            if (curvePlotShown_) return false;
            [[fallthrough]];
        case Guard::ModelOnly:
            if (!modelLoaded_) {
                messages_.showMessage("Please read result file firstly!");
                return false;
            }
            return true;
    }
    return false;
}

bool Scene::allowed(CommandId id, AnimationControl& animation) {
    if (busy()) return false;
    const CommandInfo& c = commandInfo(id);
    // An open animation dialog: the animation is paused and stays paused.
    const auto holdAnimation = [&] {
        if (!animationDialogOpen_) return false;
        animation.pause();
        animation.hold();
        return true;
    };
    const auto refuse = [&](const char* message) {
        messages_.showMessage(message);
        return false;
    };
    constexpr const char* kCloseAnimation = "Please close firstly animation dialog!";
    switch (id) {
        case CommandId::Open:
            if (holdAnimation()) return refuse(kCloseAnimation);
            if (cutPlaneDialogOpen_) return refuse("Please close firstly cut dialog!");
            if (curveArrayDialogOpen_) return refuse("Please close firstly curve array dialog!");
            return true;
        case CommandId::ListNode:
        case CommandId::ListElement:
        case CommandId::ListResults:
        case CommandId::ModelInfo:
        case CommandId::SaveAs:
            holdAnimation();
            return guardChain(Guard::ModelOnly);
        case CommandId::CurveData:
            if (holdAnimation()) return refuse(kCloseAnimation);
            if (cutPlaneDialogOpen_) return refuse("Please close firstly cut dialog!");
            return true;
        case CommandId::CurveDefinition:
            if (!curves_.empty()) return true;
            holdAnimation();
            return refuse("There is no curve data, read data firstly!");
        case CommandId::PlotCurve:
        case CommandId::CurveOption:
            if (holdAnimation()) return refuse(kCloseAnimation);
            if (!curves_.plot) return refuse("No curve availiable!");
            return true;
        case CommandId::CuttingPlane:
            if (curveArrayDialogOpen_) return refuse("Please close firstly curve array dialog!");
            break;
        case CommandId::SaveImage:
            if (holdAnimation()) return refuse(kCloseAnimation);
            if (!modelLoaded_ && !curvePlotShown_) return refuse("No image available!");
            return true;
        default:
            break;
    }
    if (!guardChain(c.guard)) return false;
    if (c.pause == Pause::BeforeDimension) animation.pause();
    const bool wrongDimension = (c.dimension == Dimension::Plane && model_.dimension != 2) ||
                                (c.dimension == Dimension::Space && model_.dimension == 2);
    if (wrongDimension) {
        if (c.pause == Pause::AroundRefusal) animation.pause();
        messages_.showMessage(c.dimensionMessage);
        if (c.pause == Pause::AroundRefusal) animation.resume();
        if (c.pause == Pause::BeforeDimension) animation.hold();
        return false;
    }
    if (c.pause == Pause::AfterTests) animation.pause();
    return true;
}

CommandState Scene::commandState(CommandId id) const {
    const CommandInfo& c = commandInfo(id);
    CommandState s;
    const auto check = [&s](bool on) {
        s.checkable = true;
        s.checked = on;
    };
    switch (c.check) {
        case CheckRule::None:
        case CheckRule::BarShown:
            break;
        case CheckRule::PlotMode:
            check(settings_.plotMode == c.mode &&
                  (c.mode != PlotMode::Contour ||
                   settings_.contourEdges == (id == CommandId::PlotContourEdge)));
            break;
        case CheckRule::Grid:
            check(settings_.elementGrid);
            break;
        case CheckRule::Undeformed:
            check(settings_.undeformedMesh);
            break;
        case CheckRule::Light:
            check(settings_.lightOn);
            break;
        case CheckRule::StepMaxMin:
            check(settings_.stepMaxMin);
            break;
        case CheckRule::MousePan:
            check(mouseMode_ == MouseMode::Pan);
            break;
        case CheckRule::MouseRotate:
            check(mouseMode_ == MouseMode::Rotate);
            break;
        case CheckRule::MouseZoomBox:
            check(mouseMode_ == MouseMode::ZoomBox);
            break;
        case CheckRule::CutPlaneDialog:
            check(cutPlaneDialogOpen_);
            break;
        case CheckRule::CurvePlot:
            check(curvePlotShown_);
            break;
        case CheckRule::MouseProbe:
            check(mouseMode_ == MouseMode::Probe);
            break;
        case CheckRule::Markers:
            check(settings_.markers);
            break;
    }
    switch (c.enable) {
        case EnableRule::Always:
            break;
        case EnableRule::NotWhileCutPlaneDialog:
            s.enabled = !cutPlaneDialogOpen_;
            break;
        case EnableRule::NotWhileAnimationDialog:
            s.enabled = !animationDialogOpen_;
            break;
    }
    if (busy()) s.enabled = false;
    return s;
}

void Scene::setDialogOpen(ModelessDialog dialog, bool open) {
    switch (dialog) {
        case ModelessDialog::Animation:
            animationDialogOpen_ = open;
            break;
        case ModelessDialog::CutPlane:
            cutPlaneDialogOpen_ = open;
            break;
        case ModelessDialog::CurveArray:
            curveArrayDialogOpen_ = open;
            break;
    }
}

bool Scene::dialogOpen(ModelessDialog dialog) const {
    switch (dialog) {
        case ModelessDialog::Animation:
            return animationDialogOpen_;
        case ModelessDialog::CutPlane:
            return cutPlaneDialogOpen_;
        case ModelessDialog::CurveArray:
            return curveArrayDialogOpen_;
    }
    return false;
}

bool Scene::canClose() {
    if (busy()) return false;
    if (cutPlaneDialogOpen_) {
        messages_.showMessage("Please close cut plane dialog firstly!");
        return false;
    }
    if (animationDialogOpen_) {
        messages_.showMessage("Please close animation dialog firstly!");
        return false;
    }
    if (curveArrayDialogOpen_) {
        messages_.showMessage("Please close curve array dialog firstly!");
        return false;
    }
    return true;
}

// --- drawing ---

void Scene::redraw(Gl& gl) {
    if (curvePlotShown_) {
        // The chart's own projection is loaded with every frame, as the model's is.
        if (curves_.plot) {
            curvePlotProjection(gl, viewportWidth_, viewportHeight_);
            drawCurvePlot(gl, fonts_, *curves_.plot, pixelScale_);
        } else {
            gl.clearColor(1, 1, 1, 0);
            gl.clear(gl::ColorBufferBit | gl::DepthBufferBit);
        }
        return;
    }
    if (!modelLoaded_) {
        gl.clearColor(1, 1, 1, 0);
        gl.clear(gl::ColorBufferBit | gl::DepthBufferBit);
        return;
    }
    if (settings_.stepMaxMin && animation_.running) computeBands();
    const FrameNodes& nodes = geometry_.prepareNodes(model_, settings_);
    const DrawContext c{gl,
                        model_,
                        settings_,
                        colours_,
                        bands_,
                        userColours_,
                        fonts_,
                        cut_,
                        picked_,
                        nodes,
                        camera_.viewAngles(),
                        dragging_,
                        fixedClock_ ? *fixedClock_ : (long long)std::time(nullptr),
                        pixelScale_,
                        probedNode()};
    geometry_.renderFrame(c, camera_);
}

void Scene::setPixelScale(float scale) {
    pixelScale_ = std::isfinite(scale) ? std::clamp(scale, 1.0f, 8.0f) : 1.0f;
}

void Scene::drawFrame(Gl& target, bool freshContext) {
    // Primitives go to OpenGL in vertex arrays: a million faces in a few calls.
    BatchingGl batching(target, freshContext);
    redraw(batching);
    batching.flushBatches();
}

}  // namespace orv
