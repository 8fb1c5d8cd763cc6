#pragma once
// Shared helpers of the test programs: message and progress recorders, temporary
// directories, whole-file reading and writing, and small hand-built models.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "fe_model.h"
#include "messages.h"
#include "plot_settings.h"
#include "progress.h"

namespace orvtest {

class RecordingMessages final : public orv::Messages {
  public:
    void show(const orv::MessageBox& box) override { boxes.push_back(box); }
    // Text of the last box titled "Error", empty when there is none.
    std::string lastError() const;
    int errorCount() const;

    std::vector<orv::MessageBox> boxes;
};

class RecordingProgress final : public orv::Progress {
  public:
    void setText(const std::string& text) override { texts.push_back(text); }
    void setPosition(int position) override { positions.push_back(position); }

    std::vector<std::string> texts;
    std::vector<int> positions;
};

// A fresh directory under the system's temporary directory, removed with its content.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Names of the entries, sorted, without "." and "..".
    std::vector<std::string> entries() const;

  private:
    std::string path_;
};

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

struct ElementSpec {
    int32_t number;
    int32_t type;
    std::vector<int32_t> nodes;  // 1-based positions
    int32_t material = 1;
    int32_t realConstant = 1;
};

// A model as a reader leaves it: node lists built, surface faces found and the coordinates
// centred. Node labels default to the positions 1..n.
orv::FeModel buildModel(int32_t dimension, const std::vector<std::array<float, 3>>& points,
                        const std::vector<ElementSpec>& elements,
                        std::vector<int32_t> nodeNumbers = {});

// The same without the surface search and the centring.
orv::FeModel buildRawModel(int32_t dimension, const std::vector<std::array<float, 3>>& points,
                           const std::vector<ElementSpec>& elements,
                           std::vector<int32_t> nodeNumbers = {});

// Adds results with value(k, i, d) for step k, node i, component d, and their extremes.
void addResults(orv::FeModel& model, const std::vector<std::string>& names,
                const std::vector<float>& stepValues,
                const std::function<float(int32_t, int32_t, int32_t)>& value);

// A 3D model of two hexahedra side by side (12 nodes) with two result components "UX" "UY"
// ... at two steps; coordinates away from the origin so that centring matters.
orv::FeModel twoHexModel();

// Reads a file through the dispatcher, by the extension of its path, with recorders.
struct ReadOutcome {
    bool ok = false;
    orv::FeModel model;
    orv::PlotSettings settings;
    RecordingMessages messages;
    RecordingProgress progress;
};
ReadOutcome readFile(const std::string& path);

}  // namespace orvtest
