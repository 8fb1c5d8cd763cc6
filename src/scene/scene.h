#pragma once
// Everything the view shows: the model, the plot settings and, as they are built, the
// camera, colour map and renderer. The desktop program and the batch tool share it.
#include <string>

#include "fe_model.h"
#include "plot_settings.h"

namespace orv {

class Messages;
class Progress;

class Scene {
  public:
    explicit Scene(Messages& messages) : messages_(messages) {}

    FeModel model;
    PlotSettings settings;
    std::string fileName;  // the open file's path cut just after its last point
    int modelLoaded = 0;

    // Empties the model and takes the settings of a newly opened file.
    void clear();
    // Reads cutPath + extension by the extension (any case); a refused file leaves an empty,
    // unannounced model.
    bool openFile(Progress& progress, const std::string& cutPath, const std::string& extension);
    // Writes the model in the format the extension names (rst or asc).
    bool saveFile(Progress& progress, const std::string& path, const std::string& extension);
    void onModelLoaded();
    // Applies a new symmetry setting (0 none, 1 about X, 2 about Y).
    void setSymmetry(int setting);

    Messages& messages() { return messages_; }

  private:
    Messages& messages_;
};

}  // namespace orv
