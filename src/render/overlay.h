#pragma once
// The flat overlay over every frame: the axis triad, the legend panel with its title block
// and colour boxes, and the job title.
#include <string>

namespace orv {

class Camera;
class FeModel;
struct PlotSettings;
struct DrawContext;

void drawOverlay(const DrawContext& c, Camera& camera);
void drawAxisTriad(const DrawContext& c, Camera& camera);

// The plot-kind line of the title block.
std::string plotKindText(const FeModel& model, const PlotSettings& settings);

}  // namespace orv
