// What is plotted: plot modes, the plot item, overlays, contour bands, the magnification,
// symmetry and the user's colours.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <tuple>

#include "messages.h"
#include "scene.h"

namespace orv {

bool Scene::commandPlotMode(PlotMode mode, bool withContourEdges, AnimationControl& animation) {
    CommandId id = CommandId::PlotMesh;
    switch (mode) {
        case PlotMode::Node:
            id = CommandId::PlotNode;
            break;
        case PlotMode::Material:
            id = CommandId::PlotMaterial;
            break;
        case PlotMode::Contour:
            id = withContourEdges ? CommandId::PlotContourEdge : CommandId::PlotContour;
            break;
        case PlotMode::IsoLine:
            id = CommandId::PlotIsoLine;
            break;
        case PlotMode::IsoSurface:
            id = CommandId::PlotIsoSurface;
            break;
        case PlotMode::Vector:
            id = CommandId::DisplayVector;
            break;
        default:
            break;
    }
    if (!allowed(id, animation)) return false;
    settings_.plotMode = commandInfo(id).mode;
    if (mode == PlotMode::Contour) settings_.contourEdges = withContourEdges;
    computeBands();
    return true;
}

bool Scene::commandToggleGrid(AnimationControl& animation) {
    if (!allowed(CommandId::AddGrid, animation)) return false;
    settings_.elementGrid = !settings_.elementGrid;
    return true;
}

bool Scene::commandToggleUndeformed(AnimationControl& animation) {
    if (!allowed(CommandId::Undeformed, animation)) return false;
    settings_.undeformedMesh = !settings_.undeformedMesh;
    return true;
}

bool Scene::commandToggleLight(AnimationControl& animation) {
    if (!allowed(CommandId::LightEffect, animation)) return false;
    settings_.lightOn = !settings_.lightOn;
    return true;
}

bool Scene::commandToggleStepMaxMin(AnimationControl& animation) {
    if (!allowed(CommandId::StepMaxMin, animation)) return false;
    settings_.stepMaxMin = !settings_.stepMaxMin;
    computeBands();
    return true;
}

bool Scene::commandToggleMarkers(AnimationControl& animation) {
    if (!allowed(CommandId::Markers, animation)) return false;
    settings_.markers = !settings_.markers;
    return true;
}

bool Scene::commandChooseItem(int index, AnimationControl&) {
    if (busy() || !guardChain(Guard::Chain)) return false;
    if (index < 0 || index >= std::max(1, model_.plotItemCount())) {
        messages_.showMessage("No such result component!");
        return false;
    }
    settings_.plotItem = index;
    settings_.userRange.on = false;
    const PlotMode m = settings_.plotMode;
    if (m == PlotMode::Node || m == PlotMode::Mesh || m == PlotMode::Partition ||
        m == PlotMode::Material)
        settings_.plotMode = PlotMode::Contour;
    computeBands();
    return true;
}

bool Scene::commandSetNumbering(bool nodeNumbers, Numbering labels) {
    if (busy() || !modelLoaded_) return false;
    settings_.nodeNumbers = nodeNumbers;
    settings_.numbering = labels;
    return true;
}

bool Scene::commandSetMagnification(double factor) {
    if (busy() || !modelLoaded_) return false;
    // A factor beyond the float range would throw the model out of the picture.
    if (!std::isfinite(factor) || !std::isfinite(float(factor))) {
        messages_.showMessage("Please enter a number.");
        return false;
    }
    settings_.magnification = float(factor);
    return true;
}

bool Scene::commandSetContour(int divisions, bool grey, const UserRange& range) {
    if (busy() || !modelLoaded_) return false;
    if (divisions < 2 || divisions > 20) {
        messages_.showMessage("The division number is limited in the range 2 -- 20!");
        return false;
    }
    if (range.on && !(std::isfinite(range.max) && std::isfinite(range.min))) {
        messages_.showMessage("Please enter a number.");
        return false;
    }
    settings_.userRange = range;
    bands_.divisions = divisions;
    colours_.setDivisions(grey, divisions);
    computeBands();
    return true;
}

bool Scene::commandSetSymmetry(Symmetry symmetry) {
    if (busy() || !guardChain(Guard::Chain)) return false;
    if (model_.dimension != 2) {
        messages_.showMessage("It is available for 2D plot!");
        return false;
    }
    if (symmetry == settings_.symmetry) return true;
    model_.switchSymmetry(int(settings_.symmetry), int(symmetry));
    settings_.symmetry = symmetry;
    geometry_.invalidate();
    camera_.resetDisplay();
    refit();
    return true;
}

// --- the option dialogs ---

std::string fieldText(double value) {
    char text[40];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    return std::string(text, end.ptr);
}

namespace {

// The value a field shows it as.
double shownValue(float value) {
    const std::string text = fieldText(double(value));
    double v = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
}

}  // namespace

ContourOptions Scene::contourOptions() const {
    ContourOptions o;
    o.divisions = bands_.divisions;
    o.max = shownValue(bands_.maxValue);
    o.min = shownValue(bands_.minValue);
    o.grey = colours_.greyMode;
    o.item = model_.plotItemName(settings_.plotItem).substr(0, 20);
    return o;
}

bool Scene::commandPlotOption(const ContourOptions& entered) {
    if (busy() || !modelLoaded_) return false;
    if (entered.divisions < 2 || entered.divisions > 20) {
        messages_.showError("The division number is limited in the range 2 -- 20!");
        return false;
    }
    const ContourOptions shown = contourOptions();
    const UserRange range{entered.max != shown.max || entered.min != shown.min, float(entered.max),
                          float(entered.min)};
    // Compared as the bands will use them: in float.
    if (range.on && std::isfinite(range.max) && std::isfinite(range.min) &&
        !(range.max > range.min)) {
        messages_.showError("The maximum must be greater than the minimum!");
        return false;
    }
    return commandSetContour(entered.divisions, entered.grey, range);
}

namespace {

// The Numbering dialog's radios in their order.
constexpr Numbering kLabelKinds[] = {Numbering::Element, Numbering::Material, Numbering::Group};

}  // namespace

NumberingOptions Scene::numberingOptions() const {
    NumberingOptions o;
    o.nodeNumbers = settings_.nodeNumbers;
    for (int k = 0; k < 3; ++k)
        if (kLabelKinds[k] == settings_.numbering) o.kind = k;
    o.elementNumbers = o.kind >= 0;
    return o;
}

bool Scene::commandNumbering(const NumberingOptions& entered) {
    Numbering labels = Numbering::None;
    if (entered.elementNumbers)
        labels =
            entered.kind >= 0 && entered.kind < 3 ? kLabelKinds[entered.kind] : settings_.numbering;
    return commandSetNumbering(entered.nodeNumbers, labels);
}

void Scene::computeBands() {
    if (!model_.results.hasResults || !model_.hasValues()) return;
    float hi, lo;
    if (settings_.userRange.on) {
        hi = settings_.userRange.max;
        lo = settings_.userRange.min;
        if (hi < lo) std::swap(hi, lo);  // limits given the wrong way round are put in order
    } else {
        std::tie(hi, lo) = shownLimits();
    }
    bands_.maxValue = hi;
    bands_.minValue = lo;
    const int n = std::clamp(bands_.divisions, 0, ColorMap::kMaxBands);
    // Widths in double: limits near the ends of the float range (+-3.4e38) have a span
    // that a float cannot hold, and every bound would become infinite.
    const double h = hi, l = lo;
    switch (settings_.plotMode) {
        case PlotMode::IsoLine:
        case PlotMode::IsoSurface: {
            const double d = (h - l) / double(n + 1);
            for (int k = 0; k < n; ++k) {
                const float value = float(l + double(k + 1) * d);
                bands_.bandUpper[size_t(k)] = value;
                bands_.bandBounds[size_t(n - 1 - k)] = value;
            }
            break;
        }
        case PlotMode::Contour: {
            const double d = n > 0 ? (h - l) / double(n) : 0.0;
            for (int k = 0; k < n; ++k)
                bands_.bandUpper[size_t(k)] = float(l + double(k + 1) * d);
            for (int j = 0; j <= n; ++j)
                bands_.bandBounds[size_t(j)] = float(h - double(j) * d);
            // The ends are the limits themselves, whatever the rounding of the steps.
            if (n > 0) {
                bands_.bandUpper[size_t(n - 1)] = hi;
                bands_.bandBounds[0] = hi;
                bands_.bandBounds[size_t(n)] = lo;
            }
            break;
        }
        default:
            break;
    }
}

// --- colours ---

void Scene::setColour(ColourItem item, int r, int g, int b) {
    userColours_[item] = {float(r) * 0.003921569f, float(g) * 0.003921569f,
                          float(b) * 0.003921569f};
}

std::array<int, 3> Scene::colour(ColourItem item) const {
    const Rgb& c = userColours_[item];
    return {int(c[0] * 255), int(c[1] * 255), int(c[2] * 255)};
}

bool Scene::commandSetColour(ColourItem item, const std::array<int, 3>& rgb) {
    for (int v : rgb)
        if (v < 0 || v > 255) {
            messages_.show(
                {"Orvanta 3.00", "Please enter an integer between 0 and 255.", Beep::Exclamation});
            return false;
        }
    setColour(item, rgb[0], rgb[1], rgb[2]);
    return true;
}

void Scene::commandDefaultColours() {
    static constexpr std::pair<ColourItem, std::array<int, 3>> kDefaults[] = {
        {ColourItem::FrameBkg, {0, 0, 0}},     {ColourItem::TitleFont, {255, 255, 255}},
        {ColourItem::LabelBkg, {50, 50, 150}}, {ColourItem::LabelFont, {255, 255, 255}},
        {ColourItem::AxisColor, {255, 0, 0}},  {ColourItem::NodeNb, {255, 255, 255}},
        {ColourItem::ElemNb, {255, 255, 0}}};
    for (const auto& [item, rgb] : kDefaults)
        setColour(item, rgb[0], rgb[1], rgb[2]);
}

std::string Scene::colourSettingText(ColourItem item) const {
    const std::array<int, 3> c = colour(item);
    return std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]);
}

const char* Scene::colourSettingName(ColourItem item) {
    for (const auto& [name, named] : colourSettingNames())
        if (named == item) return name;
    return "";
}

const std::array<std::pair<const char*, ColourItem>, kColourItemCount>&
Scene::colourSettingNames() {
    static const std::array<std::pair<const char*, ColourItem>, kColourItemCount> names = {
        {{"FrameBkg", ColourItem::FrameBkg},
         {"NodeNb", ColourItem::NodeNb},
         {"ElemNb", ColourItem::ElemNb},
         {"LabelBkg", ColourItem::LabelBkg},
         {"LabelFont", ColourItem::LabelFont},
         {"TitleFont", ColourItem::TitleFont},
         {"AxisColor", ColourItem::AxisColor}}};
    return names;
}

void Scene::applyColourSetting(const std::string& name, const std::string& text) {
    const auto& names = colourSettingNames();
    const auto it = std::find_if(names.begin(), names.end(),
                                 [&](const auto& entry) { return name == entry.first; });
    if (it == names.end()) return;
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
    setColour(it->second, v[0], v[1], v[2]);
}

}  // namespace orv
