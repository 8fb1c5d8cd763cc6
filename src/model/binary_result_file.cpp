#include "binary_result_file.h"

#include <cmath>

#include "fe_model.h"
#include "file_input.h"
#include "messages.h"
#include "plot_settings.h"
#include "progress.h"
#include "safe_file_writer.h"

namespace orv {

namespace {

constexpr const char* kOpenError = " Error to open file .rst";
constexpr const char* kWriteError = " Error to write file .rst";

class BinaryReader {
  public:
    BinaryReader(FeModel& model, PlotSettings& settings, Progress& progress, Messages& messages)
        : model_(model), settings_(settings), progress_(progress), messages_(messages) {}

    bool read(const std::string& path);

  private:
    bool damaged(const std::string& what) {
        return refuse("The file is damaged at byte " + std::to_string(at_) + ": " + what + "!");
    }
    bool refuse(const std::string& text) {
        messages_.showError(text);
        return false;
    }
    bool endsEarly(const char* block) {
        return refuse("The file ends early: it is cut off in the " + std::string(block) +
                      " at byte " + std::to_string(in_.offset()) + "!");
    }
    bool readInt(int32_t& v, const char* block) {
        at_ = in_.offset();
        return in_.readInt(v) || endsEarly(block);
    }
    bool readFloat(float& v, const char* block) {
        at_ = in_.offset();
        return in_.readFloat(v) || endsEarly(block);
    }
    // Count n of records of at least `bytes` each that must fit in the rest of the file.
    bool fits(int64_t n, int64_t bytes) const {
        return n >= 0 && (n == 0 || bytes <= in_.remaining() / n);
    }

    bool readHeader();
    bool readNodes();
    bool readResults();
    bool readElements();
    bool readTrailer();

    FeModel& model_;
    PlotSettings& settings_;
    Progress& progress_;
    Messages& messages_;
    BinaryInput in_;
    int64_t at_ = 0;  // offset of the field being checked
    int32_t dofCount_ = 0, stepCount_ = 0;
};

bool BinaryReader::read(const std::string& path) {
    progress_.setText("Read model ...");
    progress_.setPosition(10);
    if (!in_.open(path)) return refuse(kOpenError);
    if (!readHeader() || !readNodes() || !readResults()) return false;
    progress_.setPosition(90);
    if (!readElements() || !readTrailer()) return false;
    if (model_.dropStepsWithoutComponents()) settings_.stepCount = 0;
    applyDefaultMagnification(model_, settings_.magnification);
    progress_.setPosition(100);
    return true;
}

bool BinaryReader::readHeader() {
    int32_t magic = 0;
    if (!readInt(magic, "header")) return false;
    if (magic != kBinaryMagic) return refuse("This file is not available for current version!");
    int32_t titleLength;
    if (!readInt(titleLength, "header")) return false;
    if (titleLength < 0 || titleLength > kMaxTitleLength)
        return damaged("the title length " + std::to_string(titleLength) + " is impossible");
    std::string title(size_t(titleLength), '\0');
    if (!in_.read(title.data(), title.size())) return endsEarly("title");
    title.resize(std::strlen(title.c_str()));  // the title ends at its first zero byte
    model_.jobTitle = std::move(title);

    int32_t nodeCount, dimension;
    if (!readInt(nodeCount, "header")) return false;
    const int64_t nodeCountAt = at_;
    if (!readInt(dimension, "header")) return false;
    if (dimension != 2 && dimension != 3)
        return damaged("the dimension is " + std::to_string(dimension) + " instead of 2 or 3");
    if (!readInt(dofCount_, "header")) return false;
    if (dofCount_ < 0 || dofCount_ > kMaxDofNames)
        return damaged("the number of result components " + std::to_string(dofCount_) +
                       " is not between 0 and 50");
    if (!readInt(stepCount_, "header")) return false;
    if (stepCount_ < 0)
        return damaged("the step count " + std::to_string(stepCount_) + " is negative");
    // The step tables are sized before they are read: each step takes its value and extremes
    // (4 + 8 x components bytes). Without components nothing is stored per step, and a step
    // count beyond the file's size is not believed either.
    if (!fits(stepCount_, dofCount_ > 0 ? 4 + 8 * int64_t(dofCount_) : 1))
        return damaged("the step count " + std::to_string(stepCount_) +
                       " is more than the file can hold");
    const int64_t recordBytes = 4 + 4 * int64_t(dimension) + 4 * int64_t(stepCount_) * dofCount_;
    if (nodeCount < 0) {
        at_ = nodeCountAt;
        return damaged("the node count " + std::to_string(nodeCount) + " is negative");
    }
    if (!fits(nodeCount, recordBytes)) {
        at_ = nodeCountAt;
        return damaged("the node count " + std::to_string(nodeCount) +
                       " is more than the file can hold");
    }
    model_.nodeCount = nodeCount;
    model_.dimension = dimension;
    model_.frameCount = stepCount_;
    settings_.stepCount = stepCount_;
    return true;
}

bool BinaryReader::readNodes() {
    const int32_t n = model_.nodeCount, dim = model_.dimension;
    model_.nodeNumbers.resize(size_t(n));
    model_.coords.resize(size_t(n) * dim);
    const size_t perStep = size_t(dofCount_);
    model_.values.resize(size_t(n) * perStep * size_t(stepCount_));
    const int32_t progressStep = n / 7;
    int position = 10;
    for (int32_t i = 0; i < n; ++i) {
        if (!readInt(model_.nodeNumbers[size_t(i)], "node block")) return false;
        float* c = model_.coords.data() + size_t(i) * dim;
        at_ = in_.offset();
        if (!in_.read(c, sizeof(float) * size_t(dim))) return endsEarly("node block");
        for (int j = 0; j < dim; ++j)
            if (!std::isfinite(c[j]))
                return damaged("node " + std::to_string(i + 1) +
                               " has a coordinate that is not finite");
        // Without components a node record holds no values, however many steps there are.
        for (int32_t k = 0; perStep > 0 && k < stepCount_; ++k) {
            float* v = model_.values.data() + (size_t(k) * size_t(n) + size_t(i)) * perStep;
            if (!in_.read(v, sizeof(float) * perStep)) return endsEarly("node block");
        }
        if (progressStep > 0 && (i + 1) % progressStep == 0) {
            position = std::min(position + 10, 100);
            progress_.setPosition(position);
        }
    }
    return true;
}

bool BinaryReader::readResults() {
    ResultSet& r = model_.results;
    int32_t hasResults, dofs, steps;
    if (!readInt(hasResults, "result block")) return false;
    if (!readInt(dofs, "result block")) return false;
    if (dofs != dofCount_)
        return damaged("the result block has " + std::to_string(dofs) + " components, the header " +
                       std::to_string(dofCount_));
    if (!readInt(steps, "result block")) return false;
    if (steps != stepCount_)
        return damaged("the result block has " + std::to_string(steps) + " steps, the header " +
                       std::to_string(stepCount_));
    std::vector<std::string> names;
    for (int32_t d = 0; d < dofs; ++d) {
        int32_t length;
        if (!readInt(length, "result names")) return false;
        if (length < 0 || length > kMaxDofNameLength)
            return damaged("the name length " + std::to_string(length) + " of result component " +
                           std::to_string(d + 1) + " is not between 0 and 19");
        std::string name(size_t(length), '\0');
        if (!in_.read(name.data(), name.size())) return endsEarly("result names");
        name.resize(std::strlen(name.c_str()));
        names.push_back(std::move(name));
    }
    r.initialise(steps, dofs, std::move(names), model_.dimension);
    r.hasResults = hasResults != 0 && steps >= 1 && dofs >= 1 ? 1 : 0;
    if (steps < 1 || dofs < 1) return true;

    if (!fits(steps, 4 + 8 * int64_t(dofs))) {
        at_ = in_.offset();
        return endsEarly("result block");
    }
    bool finite = true;
    for (int32_t d = 0; d < dofs; ++d) {
        if (!readFloat(r.overallMax[d], "result block") ||
            !readFloat(r.overallMin[d], "result block"))
            return false;
        finite = finite && std::isfinite(r.overallMax[d]) && std::isfinite(r.overallMin[d]);
    }
    for (int32_t k = 0; k < steps; ++k) {
        if (!readFloat(r.stepValue[k], "result block")) return false;
        for (int32_t d = 0; d < dofs; ++d) {
            if (!readFloat(r.stepMax[k][d], "result block") ||
                !readFloat(r.stepMin[k][d], "result block"))
                return false;
            finite = finite && std::isfinite(r.stepMax[k][d]) && std::isfinite(r.stepMin[k][d]);
        }
    }
    // Stored extremes that are not finite are not extremes of finite values: recompute.
    if (!finite) model_.computeExtremes();
    return true;
}

bool BinaryReader::readElements() {
    int32_t count;
    if (!readInt(count, "element block")) return false;
    // Each element takes its code and at least six ints in its record.
    if (count < 0) return damaged("the element count " + std::to_string(count) + " is negative");
    if (!fits(count, 28))
        return damaged("the element count " + std::to_string(count) +
                       " is more than the file can hold");
    model_.elementCount = count;
    model_.elements.resize(size_t(count));
    int64_t nodeTotal = 0, flagTotal = 0;
    for (int32_t e = 0; e < count; ++e) {
        int32_t code;
        if (!readInt(code, "element type list")) return false;
        const ElementType* type = elementType(code);
        if (!type) return refuse("Element type does not exist!");
        if (model_.dimension == 2 && needsThreeDimensions(type->family))
            return damaged("element " + std::to_string(e + 1) + " of type " + std::to_string(code) +
                           " needs three coordinates in a two-dimensional model");
        ElementRecord& r = model_.elements[size_t(e)];
        r.type = code;
        r.family = type->family;
        r.nodeCount = type->nodeCount;
        r.faceCount = type->faceCount;
        r.firstNode = nodeTotal;
        r.firstFlag = flagTotal;
        nodeTotal += type->nodeCount;
        flagTotal += type->faceCount;
    }
    model_.connectivity.resize(size_t(nodeTotal));
    model_.faceFlags.resize(size_t(flagTotal));

    const int32_t progressStep = count / 9;
    int position = 90;
    for (int32_t e = 0; e < count; ++e) {
        ElementRecord& r = model_.elements[size_t(e)];
        int32_t common[5];
        at_ = in_.offset();
        if (!in_.read(common, sizeof common)) return endsEarly("element records");
        // Named only when something is wrong: building the name for every element is measurable.
        const auto which = [e] { return "element " + std::to_string(e + 1); };
        if (common[2] != r.type) {
            if (!elementType(common[2])) {
                messages_.showErrorNumber("Element type does not exist!", common[2]);
                return false;
            }
            return damaged(which() + " is listed as type " + std::to_string(r.type) +
                           " but its record holds type " + std::to_string(common[2]));
        }
        if (common[1] != r.nodeCount)
            return damaged(which() + " of type " + std::to_string(r.type) + " has " +
                           std::to_string(common[1]) + " nodes instead of " +
                           std::to_string(r.nodeCount));
        r.number = common[0];
        r.material = common[3];
        r.realConstant = common[4];
        r.selected = 1;
        int32_t* nodes = model_.connectivity.data() + r.firstNode;
        at_ = in_.offset();
        if (!in_.read(nodes, sizeof(int32_t) * size_t(r.nodeCount)))
            return endsEarly("element records");
        for (int j = 0; j < r.nodeCount; ++j)
            if (nodes[j] < 1 || nodes[j] > model_.nodeCount)
                return damaged(which() + " refers to node " + std::to_string(nodes[j]) +
                               ", outside 1.." + std::to_string(model_.nodeCount));
        if (r.family == ElementFamily::Solid || r.family == ElementFamily::Shell) {
            int32_t faceCount;
            if (!readInt(faceCount, "element records")) return false;
            if (faceCount != r.faceCount)
                return damaged(which() + " of type " + std::to_string(r.type) + " has " +
                               std::to_string(faceCount) + " faces instead of " +
                               std::to_string(r.faceCount));
            if (r.family == ElementFamily::Solid) {
                if (!readInt(r.exteriorFaceCount, "element records")) return false;
                if (r.exteriorFaceCount < 0 || r.exteriorFaceCount > r.faceCount)
                    return damaged(which() + " has " + std::to_string(r.exteriorFaceCount) +
                                   " exterior faces of " + std::to_string(r.faceCount));
            }
        }
        if (r.family == ElementFamily::Plane || r.family == ElementFamily::Solid ||
            r.family == ElementFamily::Shell) {
            for (int i = 0; i < r.faceCount; ++i) {
                int32_t flag;
                if (!readInt(flag, "element records")) return false;
                if (flag != 0 && flag != 1)
                    return damaged(which() + " has the face flag " + std::to_string(flag) +
                                   " instead of 0 or 1");
                model_.faceFlags[size_t(r.firstFlag + i)] = uint8_t(flag);
            }
        }
        if (progressStep > 0 && (e + 1) % progressStep == 0) {
            position = std::min(position + 1, 99);
            progress_.setPosition(position);
        }
    }
    return true;
}

bool BinaryReader::readTrailer() {
    float t[9];
    at_ = in_.offset();
    if (!in_.read(t, sizeof t)) return endsEarly("trailer");
    for (float v : t)
        if (!std::isfinite(v)) return damaged("the centre or the bounding box is not finite");
    model_.centre = {t[0], t[1], t[2]};
    // The file's coordinates are the stored ones plus the centre: both finite is not enough.
    for (int32_t i = 0; i < model_.nodeCount; ++i)
        for (int j = 0; j < model_.dimension; ++j)
            if (!std::isfinite(model_.coordinate(i, j) + model_.centre[size_t(j)]))
                return damaged("the centre puts node " + std::to_string(i + 1) +
                               " beyond the range of real numbers");
    BoundingBox& b = model_.box;
    b = {t[3], t[4], t[5], t[6], t[7], t[8]};
    if (model_.nodeCount == 0) {
        b = BoundingBox{0, 0, 0, 0, 0, 0};
        if (model_.dimension != 3) b.zMax = 1.0f;
    } else if (b.xMax < b.xMin || b.yMax < b.yMin || b.zMax < b.zMin) {
        return damaged("the bounding box is inverted");
    }
    return true;
}

class BinaryWriter {
  public:
    BinaryWriter(const FeModel& model, SafeFileWriter& out, Progress& progress)
        : model_(model), out_(out), progress_(progress) {}

    void write();

  private:
    void putInt(int32_t v) { out_.write(&v, 4); }
    void putFloat(float v) { out_.write(&v, 4); }
    void tick(int32_t index, int32_t step) {
        if (step > 0 && index % step == 0) {
            counter_ += 5;
            progress_.setPosition(std::min(counter_, 100));
        }
    }

    const FeModel& model_;
    SafeFileWriter& out_;
    Progress& progress_;
    int counter_ = 5;
};

void BinaryWriter::write() {
    const FeModel& m = model_;
    const ResultSet& r = m.results;
    putInt(kBinaryMagic);
    const std::string title = m.jobTitle.substr(0, kMaxWrittenTitleLength);
    putInt(int32_t(title.size()));
    out_.write(title);
    putInt(m.nodeCount);
    putInt(m.dimension);
    putInt(r.dofCount);
    putInt(r.stepCount);

    const int32_t nodeStep = m.nodeCount / 15;
    const bool values = m.hasValues();
    for (int32_t i = 0; i < m.nodeCount; ++i) {
        putInt(m.nodeNumbers[size_t(i)]);
        for (int j = 0; j < m.dimension; ++j)
            putFloat(m.centredCoordinate(i, j));
        if (values)
            for (int32_t k = 0; k < r.stepCount; ++k)
                out_.write(
                    &m.values[(size_t(k) * size_t(m.nodeCount) + size_t(i)) * size_t(r.dofCount)],
                    sizeof(float) * size_t(r.dofCount));
        tick(i + 1, nodeStep);
    }

    putInt(r.hasResults);
    putInt(r.dofCount);
    putInt(r.stepCount);
    for (int32_t d = 0; d < r.dofCount; ++d) {
        const std::string& name = r.dofNames[size_t(d)];
        putInt(int32_t(name.size()));
        out_.write(name);
    }
    if (r.stepCount >= 1 && r.dofCount >= 1) {
        for (int32_t d = 0; d < r.dofCount; ++d) {
            putFloat(r.overallMax[d]);
            putFloat(r.overallMin[d]);
        }
        for (int32_t k = 0; k < r.stepCount; ++k) {
            putFloat(r.stepValue[k]);
            for (int32_t d = 0; d < r.dofCount; ++d) {
                putFloat(r.stepMax[k][d]);
                putFloat(r.stepMin[k][d]);
            }
        }
    }

    putInt(m.elementCount);
    for (const ElementRecord& e : m.elements)
        putInt(e.type);
    const int32_t elementStep = m.elementCount / 9;
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const ElementRecord& rec = m.elements[size_t(e)];
        const int32_t common[5] = {rec.number, rec.nodeCount, rec.type, rec.material,
                                   rec.realConstant};
        out_.write(common, sizeof common);
        out_.write(m.connectivity.data() + rec.firstNode, sizeof(int32_t) * size_t(rec.nodeCount));
        if (rec.family == ElementFamily::Solid || rec.family == ElementFamily::Shell)
            putInt(rec.faceCount);
        if (rec.family == ElementFamily::Solid) putInt(rec.exteriorFaceCount);
        if (rec.family == ElementFamily::Plane || rec.family == ElementFamily::Solid ||
            rec.family == ElementFamily::Shell)
            for (uint8_t flag : m.elementFaceFlags(e))
                putInt(flag);
        tick(e + 1, elementStep);
    }

    const std::array<float, 3> c = m.readCentre();
    const BoundingBox b = m.readBox();
    const float trailer[9] = {c[0], c[1], c[2], b.xMax, b.xMin, b.yMax, b.yMin, b.zMax, b.zMin};
    out_.write(trailer, sizeof trailer);
}

}  // namespace

bool readBinaryFile(FeModel& model, PlotSettings& settings, const std::string& path,
                    Progress& progress, Messages& messages) {
    BinaryReader reader(model, settings, progress, messages);
    return reader.read(path) || discardFailedRead(model, settings);
}

bool writeBinaryFile(const FeModel& model, const std::string& path, Progress& progress,
                     Messages& messages) {
    SafeFileWriter out;
    if (!out.open(path)) {
        messages.showError(kOpenError);
        return false;
    }
    BinaryWriter(model, out, progress).write();
    if (!out.commit()) {
        messages.showError(kWriteError);
        return false;
    }
    return true;
}

}  // namespace orv
