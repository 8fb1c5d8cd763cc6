// The scene's curve data: a table read from a curve file or computed from the open result,
// the curve defined on it, and the switch between the model and the chart.
#include <algorithm>

#include "messages.h"
#include "safe_file_writer.h"
#include "scene.h"

namespace orv {

bool Scene::commandReadCurveFile(const std::string& path) {
    if (busy()) return false;
    CurveTable table;
    if (!readCurveFile(path, table, messages_)) return false;
    curves_ = CurveData{};
    curves_.filePath = path;
    curves_.ranges = columnRanges(table);
    curves_.table = std::move(table);
    curvePlotShown_ = false;  // the chart of the old table is gone with it
    return true;
}

bool Scene::commandComputeCurve(CurveKind kind, const std::vector<int32_t>& nodes,
                                const std::string& outputName) {
    if (busy()) return false;
    if (!modelLoaded_) {
        messages_.showMessage("Please read result file firstly!");
        return false;
    }
    if (!model_.hasValues()) {
        messages_.showMessage("No results are availabile!");
        return false;
    }
    if (nodes.empty()) {
        messages_.showMessage("Please select node!");
        return false;
    }
    for (int32_t n : nodes) {
        if (n < 1 || n > model_.nodeCount) {
            messages_.showMessage("There is no node " + std::to_string(n) + " in this model!");
            return false;
        }
    }
    if (outputName.empty()) {
        messages_.showMessage("Please give the name of the curve file!");
        return false;
    }
    CurveTable table;
    std::vector<int32_t> source = nodes;
    if (kind == CurveKind::LineDistribution) {
        if (model_.dimension != 2) {
            messages_.showMessage("It is only available for 2D!");
            return false;
        }
        if (nodes.size() < 2 || nodes[0] == nodes[1]) {
            messages_.showMessage("Need 2 node to define a line!");
            return false;
        }
        source.resize(2);
        table =
            lineDistribution(model_, source[0], source[1], storedStepOf(model_, settings_.shown));
    } else {
        table = timeHistory(model_, nodes);
    }
    // The file is the table's storage: the data change only once it is written and read back.
    CurveTable stored;
    if (!writeCurveFile(outputName, table, messages_) ||
        !readCurveFile(outputName, stored, messages_))
        return false;
    curves_ = CurveData{};
    curves_.kind = kind;
    curves_.nodes = std::move(source);
    curves_.filePath = outputName;
    curves_.ranges = columnRanges(stored);
    curves_.table = std::move(stored);
    curvePlotShown_ = false;
    return true;
}

bool Scene::commandRecomputeLine(int step) {
    if (busy() || !curves_.lineSource()) return false;
    if (!modelLoaded_ || model_.dimension != 2 || !model_.hasValues() ||
        std::any_of(curves_.nodes.begin(), curves_.nodes.end(),
                    [&](int32_t n) { return n < 1 || n > model_.nodeCount; }))
        return false;
    ShownStep& s = settings_.shown;
    s.step = std::clamp(step, 0, std::max(0, s.count - 1));
    animation_.running = false;
    if (settings_.stepMaxMin) computeBands();
    const std::vector<int32_t> nodes = curves_.nodes;
    const std::string path = curves_.filePath;
    return commandComputeCurve(CurveKind::LineDistribution, nodes, path);
}

bool Scene::commandDefineCurve(const std::string& name, int32_t xColumn,
                               const std::vector<int32_t>& yColumns) {
    if (busy()) return false;
    CurvePlot plot;
    if (!defineCurve(curves_.table, name, xColumn, yColumns, plot, messages_)) return false;
    curves_.plot = std::move(plot);
    // The chart is switched off and then on by the plot command, which refuses while the
    // animation dialog is open: the curve is defined all the same.
    curvePlotShown_ = false;
    if (animationDialogOpen_) {
        messages_.showMessage("Please close firstly animation dialog!");
        return true;
    }
    mouseMode_ = MouseMode::Idle;
    zoomCornersSet_ = false;
    curvePlotShown_ = true;
    return true;
}

bool Scene::commandPlotCurve() {
    if (busy() || !curves_.plot) return false;
    mouseMode_ = MouseMode::Idle;
    zoomCornersSet_ = false;
    curvePlotShown_ = !curvePlotShown_;
    return true;
}

void Scene::showCurvePlot() {
    if (curves_.plot) curvePlotShown_ = true;
}

bool Scene::commandExportCurve(const std::string& path) {
    if (busy()) return false;
    if (!curves_.plot) {
        messages_.showMessage("No curve availiable!");
        return false;
    }
    if (!curves_.filePath.empty() && sameFile(path, curves_.filePath)) {
        messages_.showMessage("The curve data are read from this file: export to another one!");
        return false;
    }
    const Curve& c = curves_.plot->curve;
    return exportCurve(path, curves_.table, c.xColumn, c.yColumns, messages_);
}

void Scene::beginCurveArray() {
    setDialogOpen(ModelessDialog::CurveArray, true);
    if (mouseMode_ != MouseMode::ZoomBox) savedMouseMode_ = mouseMode_;
    modeBeforeCurveArray_ = savedMouseMode_;
    picked_.clear();
    settings_.pickedMarks = PickedMarks::Points;
}

void Scene::endCurveArray() {
    setDialogOpen(ModelessDialog::CurveArray, false);
    picked_.clear();
    if (mouseMode_ == MouseMode::Pick || mouseMode_ == MouseMode::Unpick ||
        mouseMode_ == MouseMode::Idle)
        mouseMode_ = modeBeforeCurveArray_;
    zoomCornersSet_ = false;
}

void Scene::setPicked(const std::vector<int32_t>& nodes) {
    picked_.clear();
    for (int32_t n : nodes)
        if (n >= 1 && n <= model_.nodeCount &&
            std::find(picked_.begin(), picked_.end(), n) == picked_.end())
            picked_.push_back(n);
}

}  // namespace orv
