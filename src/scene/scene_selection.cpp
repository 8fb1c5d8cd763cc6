// What part of the model is shown: the cutting plane and the element selection.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "messages.h"
#include "scene.h"

namespace orv {

bool Scene::commandCut(const std::array<std::array<double, 3>, 3>& points) {
    if (busy() || !modelLoaded_) return false;
    if (model_.dimension == 2) {
        messages_.showMessage("It is for 3D results!");
        return false;
    }
    std::array<std::array<double, 3>, 3> p = points;
    for (auto& q : p)
        for (int k = 0; k < 3; ++k)
            q[size_t(k)] -= model_.centre[size_t(k)];
    const auto sub = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
        return std::array<double, 3>{a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    };
    const auto length = [](const std::array<double, 3>& a) {
        return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
    };
    const auto fail = [&] {
        cut_.clear();
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
    // The plane must leave some of the model's box on either side, beyond the distance
    // within which nodes lie on it.
    const BoundingBox& b = model_.box;
    const double onPlane = CutPlane::onPlaneTolerance(model_);
    bool above = false, below = false;
    for (int i = 0; i < 8; ++i) {
        const double x = (i & 1) ? b.xMax : b.xMin, y = (i & 2) ? b.yMax : b.yMin,
                     z = (i & 4) ? b.zMax : b.zMin;
        const double s = n[0] * x + n[1] * y + n[2] * z + d;
        above = above || s > onPlane;
        below = below || s < -onPlane;
    }
    if (!above || !below) return fail();
    cut_.apply(model_, {n[0], n[1], n[2], d}, messages_);
    return true;
}

void Scene::clearCut() {
    cut_.clear();
}

namespace {

// The values of a selection: words between blanks, commas, colons and tabs, read as whole
// numbers (a word that is not one reads as 0), at most 50 of them.
std::vector<long long> selectionValues(const std::string& text) {
    std::vector<long long> values;
    std::string word;
    const auto flush = [&] {
        if (!word.empty() && values.size() < 50)
            values.push_back(std::atoll(word.substr(0, 18).c_str()));
        word.clear();
    };
    for (char ch : text) {
        if (ch == ',' || ch == ' ' || ch == ':' || ch == '\t')
            flush();
        else
            word += ch;
    }
    flush();
    return values;
}

}  // namespace

bool Scene::commandSelect(const ElementSelection& selection) {
    if (busy() || !modelLoaded_) return false;
    if (selection.type == "All") {
        for (ElementRecord& r : model_.elements)
            r.selected = 1;
        return true;
    }
    if (selection.type != "Select") return false;
    const std::string& item = selection.item;
    if (item != "Elem" && item != "Type" && item != "Mate" && item != "Real" && item != "Loca") {
        messages_.showMessage("Select Elem, Type, Mate or Real!");
        return false;
    }
    const std::vector<long long> values = selectionValues(selection.values);
    // A range with one bound is open on the other side: ":5" ends at 5, "5" and "5:" start
    // there.
    const size_t first = selection.values.find_first_not_of(" \t");
    const bool upperOnly =
        values.size() == 1 && first != std::string::npos && selection.values[first] == ':';
    for (ElementRecord& r : model_.elements) {
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
        if (selection.range) {
            const bool low = upperOnly || values.empty() || values[0] <= key;
            const bool high = upperOnly ? key <= values[0] : values.size() < 2 || key <= values[1];
            r.selected = low && high && !values.empty() ? 1 : 0;
        } else {
            r.selected = std::find(values.begin(), values.end(), key) != values.end() ? 1 : 0;
        }
    }
    return true;
}

}  // namespace orv
