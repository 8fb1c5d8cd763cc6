#include "test_support.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "element_types.h"
#include "model_files.h"

namespace orvtest {

std::string RecordingMessages::lastError() const {
    for (auto it = boxes.rbegin(); it != boxes.rend(); ++it)
        if (it->title == "Error") return it->text;
    return {};
}

int RecordingMessages::errorCount() const {
    return int(std::count_if(boxes.begin(), boxes.end(),
                             [](const orv::MessageBox& b) { return b.title == "Error"; }));
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvanta-test-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
    path_ = name.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    // Give back any permission a test took away, so that everything can be removed.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> TempDir::entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

orv::FeModel buildRawModel(int32_t dimension, const std::vector<std::array<float, 3>>& points,
                           const std::vector<ElementSpec>& elements,
                           std::vector<int32_t> nodeNumbers) {
    orv::FeModel m;
    m.reset();
    m.jobTitle = "test model";
    m.dimension = dimension;
    m.nodeCount = int32_t(points.size());
    if (nodeNumbers.empty())
        for (int32_t i = 0; i < m.nodeCount; ++i)
            nodeNumbers.push_back(i + 1);
    m.nodeNumbers = std::move(nodeNumbers);
    for (const auto& p : points)
        for (int j = 0; j < dimension; ++j)
            m.coords.push_back(p[size_t(j)]);
    m.elementCount = int32_t(elements.size());
    for (const ElementSpec& spec : elements) {
        const orv::ElementType* type = orv::elementType(spec.type);
        if (!type || type->nodeCount != int32_t(spec.nodes.size()))
            throw std::runtime_error("bad element in a test model");
        orv::ElementRecord r;
        r.number = spec.number;
        r.nodeCount = type->nodeCount;
        r.type = spec.type;
        r.material = spec.material;
        r.realConstant = spec.realConstant;
        r.selected = 1;
        r.faceCount = type->faceCount;
        r.family = type->family;
        r.firstNode = int64_t(m.connectivity.size());
        r.firstFlag = int64_t(m.faceFlags.size());
        m.connectivity.insert(m.connectivity.end(), spec.nodes.begin(), spec.nodes.end());
        m.faceFlags.insert(m.faceFlags.end(), size_t(type->faceCount), 0);
        m.elements.push_back(r);
    }
    return m;
}

orv::FeModel buildModel(int32_t dimension, const std::vector<std::array<float, 3>>& points,
                        const std::vector<ElementSpec>& elements,
                        std::vector<int32_t> nodeNumbers) {
    orv::FeModel m = buildRawModel(dimension, points, elements, std::move(nodeNumbers));
    orv::NullProgress progress;
    m.buildNodeElementLists();
    m.findSurfaceFaces(progress);
    m.recentre();
    return m;
}

void addResults(orv::FeModel& m, const std::vector<std::string>& names,
                const std::vector<float>& stepValues,
                const std::function<float(int32_t, int32_t, int32_t)>& value) {
    const int32_t steps = int32_t(stepValues.size()), dofs = int32_t(names.size());
    m.results.initialise(steps, dofs, names, m.dimension);
    for (int32_t k = 0; k < steps; ++k)
        m.results.stepValue[k] = stepValues[size_t(k)];
    m.values.assign(size_t(steps) * size_t(m.nodeCount) * size_t(dofs), 0.0f);
    for (int32_t k = 0; k < steps; ++k)
        for (int32_t i = 0; i < m.nodeCount; ++i)
            for (int32_t d = 0; d < dofs; ++d)
                m.values[(size_t(k) * size_t(m.nodeCount) + size_t(i)) * size_t(dofs) + size_t(d)] =
                    value(k, i, d);
    m.frameCount = steps;
    m.computeExtremes();
}

orv::FeModel twoHexModel() {
    std::vector<std::array<float, 3>> points;
    for (int c = 0; c < 2; ++c)
        for (int b = 0; b < 2; ++b)
            for (int a = 0; a < 3; ++a)
                points.push_back(
                    {10.0f + 1.5f * float(a), -3.0f + 0.75f * float(b), 5.0f + 2.0f * float(c)});
    std::vector<int32_t> labels;
    for (int i = 0; i < 12; ++i)
        labels.push_back(101 + i);
    orv::FeModel m = buildModel(
        3, points, {{1, 38, {1, 2, 5, 4, 7, 8, 11, 10}, 3, 7}, {2, 38, {2, 3, 6, 5, 8, 9, 12, 11}}},
        labels);
    m.jobTitle = "two bricks";
    addResults(m, {"UX", "UY", "UZ", "TEMP"}, {0.5f, 1.25f}, [](int32_t k, int32_t i, int32_t d) {
        return float(k + 1) * 0.001f * float(i + 1) - 0.25f * float(d);
    });
    return m;
}

ReadOutcome readFile(const std::string& path) {
    ReadOutcome r;
    r.settings.reset();
    r.ok = orv::readModelFile(r.model, r.settings, path, orv::fileExtension(path), r.progress,
                              r.messages);
    return r;
}

}  // namespace orvtest
