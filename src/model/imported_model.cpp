#include "imported_model.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "fe_model.h"
#include "messages.h"
#include "progress.h"

namespace orv {

namespace {

constexpr double kPlaneTolerance = 1e-9;

bool isPlaneShape(CellShape s) {
    return s <= CellShape::Quad8;
}

// The field that gives UX UY [UZ]: the first displacement vector of three components.
size_t displacementField(const ImportedModel& m) {
    for (size_t f = 0; f < m.fields.size(); ++f)
        if (m.fields[f].displacement && m.fields[f].components == 3) return f;
    return m.fields.size();
}

// The element code of a shape, plane or in space.
int32_t elementCode(CellShape s, bool plane) {
    static const int32_t kPlane[] = {21, 22, 23, 24, 26, 28, 34, 38};
    static const int32_t kSpace[] = {31, 32, 43, 44, 46, 48, 34, 38};
    return (plane ? kPlane : kSpace)[int(s)];
}

// The file's node (corners, then mid-sides) at each place of the model's element.
const int8_t* nodeOrder(CellShape s) {
    static const int8_t kIdentity[] = {0, 1, 2, 3, 4, 5, 6, 7};
    static const int8_t kTriangle6[] = {0, 3, 1, 4, 2, 5};
    static const int8_t kQuad8[] = {0, 4, 1, 5, 2, 6, 3, 7};
    return s == CellShape::Triangle6 ? kTriangle6 : s == CellShape::Quad8 ? kQuad8 : kIdentity;
}

// "1 node", "12 nodes".
std::string counted(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// One component of the result table: component `component` of field `field` (-1: none).
struct Component {
    size_t field;
    int32_t component;
    std::string name;
};

// A name cut to the longest a component may have, with "_2", "_3", ... in place of its end
// when it is taken: cutting can make two names one. UX, UY and UZ name only displacements.
std::string uniqueName(std::string name, std::set<std::string>& used) {
    if (name.size() > size_t(kMaxDofNameLength)) name.resize(size_t(kMaxDofNameLength));
    if (used.insert(name).second) return name;
    for (int k = 2;; ++k) {
        const std::string suffix = "_" + std::to_string(k);
        std::string n =
            name.substr(0, std::min(name.size(), size_t(kMaxDofNameLength) - suffix.size())) +
            suffix;
        if (used.insert(n).second) return n;
    }
}

// The components in the order shown: the displacement field's first (its third only in
// space), then every field's.
std::vector<Component> components(const ImportedModel& m, bool plane) {
    std::vector<Component> out;
    std::set<std::string> used = {"UX", "UY", "UZ"};
    const size_t displacement = displacementField(m);
    if (displacement < m.fields.size()) {
        static const char* const kNames[] = {"UX", "UY", "UZ"};
        for (int32_t c = 0; c < (plane ? 2 : 3); ++c)
            out.push_back({displacement, c, kNames[c]});
    }
    static const char* const kAxes[] = {"_X", "_Y", "_Z"};
    for (size_t f = 0; f < m.fields.size(); ++f) {
        if (f == displacement) continue;
        const ImportedField& field = m.fields[f];
        const std::string name = field.name.empty() ? "FIELD" : field.name;
        if (field.components == 1) {
            out.push_back({f, 0, uniqueName(name, used)});
            continue;
        }
        for (int32_t c = 0; c < field.components; ++c) {
            const std::string suffix = c < 3 && field.components <= 3 ? std::string(kAxes[c])
                                                                      : "_" + std::to_string(c + 1);
            const std::string base =
                name.substr(0, std::min(name.size(), size_t(kMaxDofNameLength) - suffix.size()));
            out.push_back({f, c, uniqueName(base + suffix, used)});
        }
    }
    return out;
}

class Builder {
  public:
    Builder(ImportedModel& in, FeModel& model, Progress& progress, Messages& messages)
        : in_(in), model_(model), progress_(progress), messages_(messages) {}
    bool build();

  private:
    bool refuse(const std::string& text) {
        messages_.showError(text);
        return false;
    }
    bool checkCounts();
    bool buildNodes(bool plane);
    void buildElements(bool plane);
    void buildResults(bool plane);

    ImportedModel& in_;
    FeModel& model_;
    Progress& progress_;
    Messages& messages_;
};

bool Builder::checkCounts() {
    const size_t n = in_.labels.size();
    if (in_.coords.size() != n * 3)
        return refuse("The file could not be read: its node tables differ in size!");
    if (n == 0 || in_.cells.empty()) {
        std::string held = counted(n, "node", "nodes");
        if (!in_.cells.empty()) held += ", " + counted(in_.cells.size(), "element", "elements");
        for (const std::string& s : in_.skipped)
            held += ", " + s;
        if (in_.cells.empty() && in_.skipped.empty()) held += ", no elements";
        return refuse("The file holds nothing this program can show: " + held + "!");
    }
    if (n > size_t(INT32_MAX) || in_.cells.size() > size_t(INT32_MAX))
        return refuse("The file holds more nodes or elements than this program can show!");
    for (int64_t label : in_.labels)
        if (label < 1 || label > INT32_MAX)
            return refuse("The file is damaged: node label " + std::to_string(label) +
                          " does not fit 1..2147483647!");
    for (const ImportedCell& c : in_.cells) {
        const int count = cellShapeNodes(c.shape);
        if (c.firstNode < 0 || c.firstNode > int64_t(in_.cellNodes.size()) - count)
            return refuse("The file could not be read: element " + std::to_string(c.label) +
                          " has no nodes!");
        for (int j = 0; j < count; ++j) {
            const int32_t p = in_.cellNodes[size_t(c.firstNode + j)];
            if (p < 0 || size_t(p) >= n)
                return refuse("The file is damaged: element " + std::to_string(c.label) +
                              " refers to a node that does not exist!");
        }
    }
    const size_t steps = in_.stepValues.size();
    for (const ImportedField& f : in_.fields)
        if (f.components < 1 || f.values.size() / n / size_t(f.components) != steps ||
            f.values.size() % (n * size_t(f.components)) != 0)
            return refuse("The file could not be read: the values of " + quoted(f.name) +
                          " do not match its nodes and steps!");
    return true;
}

bool Builder::buildNodes(bool plane) {
    const size_t n = in_.labels.size();
    const int dim = plane ? 2 : 3;
    model_.dimension = dim;
    model_.nodeCount = int32_t(n);
    model_.nodeNumbers.resize(n);
    model_.coords.resize(n * size_t(dim));
    for (size_t i = 0; i < n; ++i) {
        model_.nodeNumbers[i] = int32_t(in_.labels[i]);
        for (int j = 0; j < dim; ++j) {
            const float c = float(in_.coords[i * 3 + size_t(j)]);
            if (!std::isfinite(c))
                return refuse("The file is damaged: node " + std::to_string(in_.labels[i]) +
                              " has a coordinate that is not finite!");
            model_.coords[i * size_t(dim) + size_t(j)] = c;
        }
    }
    std::vector<int64_t>().swap(in_.labels);
    std::vector<double>().swap(in_.coords);
    return true;
}

void Builder::buildElements(bool plane) {
    const size_t count = in_.cells.size();
    model_.elementCount = int32_t(count);
    model_.elements.resize(count);
    // The importer's node list becomes the connectivity when its cells follow one another.
    bool inOrder = true;
    int64_t total = 0, flags = 0;
    for (const ImportedCell& c : in_.cells) {
        inOrder = inOrder && c.firstNode == total;
        total += cellShapeNodes(c.shape);
    }
    inOrder = inOrder && total == int64_t(in_.cellNodes.size());
    std::vector<int32_t> connectivity;
    if (!inOrder) connectivity.resize(size_t(total));
    int64_t at = 0;
    for (size_t e = 0; e < count; ++e) {
        const ImportedCell& c = in_.cells[e];
        const ElementType& type = *elementType(elementCode(c.shape, plane));
        ElementRecord& r = model_.elements[e];
        r.number = c.label;
        r.nodeCount = type.nodeCount;
        r.type = type.code;
        r.material = c.material;
        r.realConstant = 1;
        r.selected = 1;
        r.family = type.family;
        r.faceCount = type.faceCount;
        r.exteriorFaceCount = 0;
        r.firstNode = at;
        r.firstFlag = flags;
        const int8_t* order = nodeOrder(c.shape);
        int32_t nodes[8];
        for (int j = 0; j < type.nodeCount; ++j)
            nodes[j] = in_.cellNodes[size_t(c.firstNode + order[j])] + 1;
        int32_t* out = (inOrder ? in_.cellNodes.data() : connectivity.data()) + at;
        std::copy(nodes, nodes + type.nodeCount, out);
        at += type.nodeCount;
        flags += type.faceCount;
    }
    model_.connectivity = inOrder ? std::move(in_.cellNodes) : std::move(connectivity);
    std::vector<int32_t>().swap(in_.cellNodes);
    std::vector<ImportedCell>().swap(in_.cells);
    model_.faceFlags.assign(size_t(flags), 0);
}

void Builder::buildResults(bool plane) {
    std::vector<Component> shown = components(in_, plane);
    const size_t steps = in_.stepValues.size();
    if (steps == 0 || shown.empty()) return;
    if (shown.size() > size_t(kMaxDofNames)) {
        messages_.showMessage("The file holds " + std::to_string(shown.size()) +
                              " result components: the components beyond the first " +
                              std::to_string(kMaxDofNames) + " are not shown.");
        shown.resize(size_t(kMaxDofNames));
    }
    const size_t n = size_t(model_.nodeCount), dofs = shown.size();
    std::vector<std::string> names;
    for (const Component& c : shown)
        names.push_back(c.name);
    model_.results.initialise(int32_t(steps), int32_t(dofs), std::move(names), model_.dimension);
    for (size_t k = 0; k < steps; ++k)
        model_.results.stepValue[int32_t(k)] = float(in_.stepValues[k]);
    model_.modalResults = in_.modes;
    model_.values.resize(steps * n * dofs);
    // Field by field, each given back as soon as its values are in the table.
    for (size_t f = 0; f < in_.fields.size(); ++f) {
        ImportedField& field = in_.fields[f];
        const size_t width = size_t(field.components);
        for (size_t d = 0; d < dofs; ++d) {
            if (shown[d].field != f) continue;
            const float* from = field.values.data() + shown[d].component;
            float* to = model_.values.data() + d;
            for (size_t v = 0; v < steps * n; ++v)
                to[v * dofs] = from[v * width];
        }
        std::vector<float>().swap(field.values);
    }
    model_.computeExtremes();
}

bool Builder::build() {
    if (!checkCounts()) return false;
    const bool plane = isPlaneModel(in_);
    std::string title = std::move(in_.title);
    if (title.size() > size_t(kMaxTitleLength)) title.resize(size_t(kMaxTitleLength));
    model_.jobTitle = std::move(title);
    if (!buildNodes(plane)) return false;
    buildElements(plane);
    model_.findSurfaceFaces(progress_);
    model_.recentre();
    buildResults(plane);
    model_.dropStepsWithoutComponents();
    return true;
}

}  // namespace

int cellShapeNodes(CellShape shape) {
    static const int kNodes[] = {1, 2, 3, 4, 6, 8, 4, 8};
    return kNodes[int(shape)];
}

bool isPlaneModel(const ImportedModel& m) {
    if (!std::all_of(m.cells.begin(), m.cells.end(),
                     [](const ImportedCell& c) { return isPlaneShape(c.shape); }))
        return false;
    double largest = 0.0;
    for (double c : m.coords)
        if (std::isfinite(c)) largest = std::max(largest, std::fabs(c));
    for (size_t i = 2; i < m.coords.size(); i += 3)
        if (!(std::fabs(m.coords[i]) <= kPlaneTolerance * largest)) return false;
    const size_t d = displacementField(m);
    if (d == m.fields.size()) return true;
    const std::vector<float>& values = m.fields[d].values;
    double most = 0.0;
    for (float v : values)
        if (std::isfinite(v)) most = std::max(most, double(std::fabs(v)));
    // The values are floats: so is the bound, so that a value at the bound is within it.
    const float bound = float(kPlaneTolerance * most);
    for (size_t i = 2; i < values.size(); i += 3)
        if (!(std::fabs(values[i]) <= bound)) return false;
    return true;
}

bool buildImportedModel(ImportedModel& imported, FeModel& model, Progress& progress,
                        Messages& messages) {
    return Builder(imported, model, progress, messages).build() || discardFailedRead(model);
}

}  // namespace orv
