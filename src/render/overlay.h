#pragma once
// The flat overlay over every frame: the axis triad, the legend panel with its title block
// and colour boxes, and the job title.
#include <string>

namespace orv {

class Gl;
class Camera;
struct FrameInputs;

void drawOverlay(Gl& gl, const FrameInputs& in, Camera& camera);
void drawAxisTriad(Gl& gl, const FrameInputs& in, Camera& camera);

// The plot-kind line of the title block.
std::string plotKindText(const FrameInputs& in);

}  // namespace orv
