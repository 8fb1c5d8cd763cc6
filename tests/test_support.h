#pragma once
// Shared helpers of the test programs: recorders, temporary directories, golden files,
// hand-built models, and reads and writes through the format table.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "element_types.h"
#include "fe_model.h"
#include "listings.h"
#include "messages.h"
#include "model_files.h"
#include "progress.h"

namespace orvtest {

struct RecordingMessages final : orv::Messages {
    void show(const orv::MessageBox& box) override { boxes.push_back(box); }
    // Text of the last box titled "Error", empty when there is none.
    std::string lastError() const {
        for (auto it = boxes.rbegin(); it != boxes.rend(); ++it)
            if (it->title == "Error") return it->text;
        return {};
    }
    long errorCount() const {
        return std::count_if(boxes.begin(), boxes.end(),
                             [](auto& b) { return b.title == "Error"; });
    }
    // Every box as "Title: text".
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& b : boxes)
            out.push_back(b.title + ": " + b.text);
        return out;
    }
    std::vector<orv::MessageBox> boxes;
};

struct RecordingProgress final : orv::Progress {
    void setText(const std::string& text) override { texts.push_back(text); }
    void setPosition(int position) override { positions.push_back(position); }
    std::vector<std::string> texts;
    std::vector<int> positions;
};

// A fresh directory under the system's temporary directory, removed with its content.
struct TempDir {
    std::string path_ = (std::filesystem::temp_directory_path() / "orvanta-test-XXXXXX").string();
    TempDir() {
        if (!::mkdtemp(path_.data())) throw std::runtime_error("mkdtemp failed");
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Names of the entries, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

#ifdef ORVANTA_GOLDEN_DIR
// Compares text with the committed file tests/golden/<name>, byte for byte. Running the test
// with ORVANTA_UPDATE_GOLDEN=1 in the environment writes the file instead (review the diff).
inline void expectGolden(const std::string& name, const std::string& text) {
    const std::string path = std::string(ORVANTA_GOLDEN_DIR) + "/" + name;
    if (std::getenv("ORVANTA_UPDATE_GOLDEN")) writeBytes(path, text);
    EXPECT_TRUE(readBytes(path) == text) << name << " differs; ORVANTA_UPDATE_GOLDEN=1 rewrites it";
}
#endif

struct ElementDef {
    int32_t number, type;
    std::vector<int32_t> nodes;  // 1-based positions
    int32_t material = 1;
    int32_t realConstant = 1;
};
using Points = std::vector<std::array<float, 3>>;

// A model as the text reader leaves it: surface faces found and the coordinates centred
// unless `raw`. Node labels default to the positions 1..n.
inline orv::FeModel buildModel(int32_t dimension, const Points& points,
                               const std::vector<ElementDef>& elements,
                               std::vector<int32_t> nodeNumbers = {}, bool raw = false) {
    orv::FeModel m;
    m.reset();
    m.jobTitle = "test model";
    m.dimension = dimension;
    m.nodeCount = int32_t(points.size());
    for (int32_t i = int32_t(nodeNumbers.size()); i < m.nodeCount; ++i)
        nodeNumbers.push_back(i + 1);
    m.nodeNumbers = std::move(nodeNumbers);
    for (const auto& p : points)
        m.coords.insert(m.coords.end(), p.begin(), p.begin() + dimension);
    m.elementCount = int32_t(elements.size());
    for (const ElementDef& def : elements) {
        const orv::ElementType* type = orv::elementType(def.type);
        if (!type || type->nodeCount != int32_t(def.nodes.size()))
            throw std::runtime_error("bad element in a test model");
        m.elements.push_back({def.number, type->nodeCount, def.type, def.material, def.realConstant,
                              1, type->faceCount, 0, int64_t(m.connectivity.size()),
                              int64_t(m.faceFlags.size()), type->family});
        m.connectivity.insert(m.connectivity.end(), def.nodes.begin(), def.nodes.end());
        m.faceFlags.insert(m.faceFlags.end(), size_t(type->faceCount), 0);
    }
    orv::NullProgress progress;
    if (!raw && m.findSurfaceFaces(progress)) m.recentre();
    return m;
}

// Adds results with value(k, i, d) for step k, node i, component d, and their extremes.
inline void addResults(orv::FeModel& m, const std::vector<std::string>& names,
                       const std::vector<float>& stepValues,
                       const std::function<float(int32_t, int32_t, int32_t)>& value) {
    const int32_t steps = int32_t(stepValues.size()), dofs = int32_t(names.size());
    m.results.initialise(steps, dofs, names, m.dimension);
    m.values.clear();
    for (int32_t k = 0; k < steps; ++k) {
        m.results.stepValue[k] = stepValues[size_t(k)];
        for (int32_t i = 0; i < m.nodeCount; ++i)
            for (int32_t d = 0; d < dofs; ++d)
                m.values.push_back(value(k, i, d));
    }
    m.computeExtremes();
}

// Two hexahedra side by side (12 nodes, labels 101..112, x 10..13, y -3..-2.25, z 5..7) with
// the components "UX" "UY" "UZ" "TEMP" at two steps.
inline orv::FeModel twoHexModel() {
    Points points;
    std::vector<int32_t> labels;
    for (int i = 0; i < 12; ++i) {
        points.push_back({10.0f + 1.5f * float(i % 3), -3.0f + 0.75f * float(i / 3 % 2),
                          5.0f + 2.0f * float(i / 6)});
        labels.push_back(101 + i);
    }
    orv::FeModel m = buildModel(
        3, points, {{1, 38, {1, 2, 5, 4, 7, 8, 11, 10}, 3, 7}, {2, 38, {2, 3, 6, 5, 8, 9, 12, 11}}},
        labels);
    m.jobTitle = "two bricks";
    addResults(m, {"UX", "UY", "UZ", "TEMP"}, {0.5f, 1.25f}, [](int32_t k, int32_t i, int32_t d) {
        return float(k + 1) * 0.001f * float(i + 1) - 0.25f * float(d);
    });
    return m;
}

// A strip of n triangles over n + 2 nodes, not searched, with two steps of `names` unless
// none are given: every element after the second shares an edge with the one two before it.
inline orv::FeModel triangleStrip(int32_t n, const std::vector<std::string>& names = {}) {
    Points points;
    std::vector<ElementDef> elements;
    for (int32_t i = 0; i < n + 2; ++i)
        points.push_back({float(i / 2), float(i % 2), 0});
    for (int32_t e = 0; e < n; ++e)
        elements.push_back({e + 1, 23, {e + 1, e + 2, e + 3}});
    orv::FeModel m = buildModel(2, points, elements, {}, true);
    if (!names.empty())
        addResults(m, names, {1.0f, 2.0f}, [](int32_t k, int32_t i, int32_t d) {
            return float((k + 1) * (i % 1000)) * 0.001f - float(d);
        });
    return m;
}

// A read through the format table, by the extension of the path, with recorders.
struct ReadOutcome {
    bool ok = false;
    orv::FeModel model;
    RecordingMessages messages;
    RecordingProgress progress;
};

// Writes `bytes` there first unless they are absent.
inline ReadOutcome readFile(const std::string& path, const std::optional<std::string>& bytes = {}) {
    if (bytes) writeBytes(path, *bytes);
    ReadOutcome r;
    r.ok = orv::readModelFile(r.model, path, orv::fileExtension(path), r.progress, r.messages);
    return r;
}

// Expects a refusal with one error box, whose text is `text` unless that is empty, and an
// empty model (the fuzz regression run checks every table of every refused file).
inline void expectRefused(const ReadOutcome& r, const std::string& text) {
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.messages.errorCount(), 1);
    EXPECT_TRUE(text.empty() || r.messages.lastError() == text)
        << "\"" << r.messages.lastError() << "\" instead of \"" << text << "\"";
    EXPECT_TRUE(r.model.nodeCount == 0 && r.model.elementCount == 0 && r.model.values.empty());
}

// A read that the calling test expects to be accepted without a message.
inline orv::FeModel readAccepted(const std::string& path,
                                 const std::optional<std::string>& bytes = {}) {
    ReadOutcome r = readFile(path, bytes);
    EXPECT_TRUE(r.ok && r.messages.boxes.empty()) << path << ": " << r.messages.lastError();
    return std::move(r.model);
}

// Writes the model by the extension of the path; a failure fails the calling test.
inline void writeFile(const orv::FeModel& model, const std::string& path) {
    orv::NullProgress progress;
    RecordingMessages messages;
    EXPECT_TRUE(orv::writeModelFile(model, path, orv::fileExtension(path), progress, messages))
        << messages.lastError();
}

// What a model holds, for golden files: geometry, elements, results, what a view starts with.
inline std::string describe(const orv::FeModel& m) {
    const auto real = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, " %.9g", v);
        return std::string(text);
    };
    const auto table = [](int64_t count, const std::function<std::string(int64_t)>& entry) {
        std::string t = ":";
        for (int64_t i = 0; i < count; ++i)
            t += entry(i);
        return t + "\n";
    };
    const orv::ResultSet& r = m.results;
    const orv::BoundingBox& b = m.box;
    std::string s = "title " + orv::quoted(m.jobTitle) + ", " + std::to_string(m.dimension) +
                    "D, " + (m.modalResults ? "modes" : "time results") + ", centre" +
                    real(m.centre[0]) + real(m.centre[1]) + real(m.centre[2]) + ", box" +
                    real(b.xMin) + real(b.xMax) + real(b.yMin) + real(b.yMax) + real(b.zMin) +
                    real(b.zMax) + "\n";
    s += std::to_string(m.nodeCount) + " nodes" + table(m.nodeCount, [&](int64_t i) {
             std::string n = " " + std::to_string(m.nodeNumbers[size_t(i)]) + " (";
             for (int j = 0; j < m.dimension; ++j)
                 n += real(m.fileCoordinate(int32_t(i), j)).substr(j == 0 ? 1 : 0);
             return n + ")";
         });
    s += std::to_string(m.elementCount) + " elements" + table(m.elementCount, [&](int64_t e) {
             const orv::ElementRecord& x = m.elements[size_t(e)];
             std::string t = " " + std::to_string(x.number) + " (type " + std::to_string(x.type) +
                             " material " + std::to_string(x.material) + " real " +
                             std::to_string(x.realConstant) + " nodes";
             for (int32_t p : m.elementNodes(int32_t(e)))
                 t += " " + std::to_string(p);
             t += " faces ";
             for (uint8_t f : m.elementFaceFlags(int32_t(e)))
                 t += char('0' + f);
             return t + " exterior " + std::to_string(x.exteriorFaceCount) + ")";
         });
    s += std::to_string(r.dofCount) + " components" +
         table(r.dofCount, [&](int64_t d) { return " " + r.dofNames[size_t(d)]; });
    s += std::to_string(r.stepCount) + " steps, display steps " +
         std::to_string(m.defaultDisplaySteps()) + ", magnification" +
         real(orv::defaultMagnification(m)) + (r.hasDisplacements ? ", displacements" : "") +
         table(r.stepCount, [&](int64_t k) { return real(m.stepValue(int32_t(k))); });
    for (int32_t k = -1; k < r.stepCount && r.dofCount > 0; ++k)
        s += (k < 0 ? std::string("overall extremes") : "step " + std::to_string(k + 1)) +
             table(r.dofCount, [&](int64_t d) {
                 const auto [hi, lo] = m.extremes(k >= 0, k, int32_t(d));
                 return real(lo) + ".." + real(hi).substr(1);
             });
    return s + "values" +
           table(int64_t(m.values.size()), [&](int64_t v) { return real(m.values[size_t(v)]); });
}

// The refusal of a read (after expectRefused), or the model it gave.
inline std::string describe(const ReadOutcome& r) {
    if (r.ok) return describe(r.model);
    expectRefused(r, "");
    return "refused: " + r.messages.lastError() + "\n";
}

inline std::string listing(orv::ListingKind kind, const orv::FeModel& m) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* out = ::open_memstream(&buffer, &size);
    EXPECT_TRUE(orv::writeListing(kind, m, out));
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

}  // namespace orvtest
