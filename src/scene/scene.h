#pragma once
// Everything the view shows: the model, the plot settings, the colour map and band values,
// the camera, the renderer and its fonts, the picked nodes and the cutting plane. The desktop
// program and the batch tool share it; commands change it and end with a redraw.
#include <array>
#include <string>
#include <vector>

#include "bitmap_font_set.h"
#include "camera.h"
#include "color_map.h"
#include "cut_plane.h"
#include "draw_context.h"
#include "fe_model.h"
#include "geometry.h"
#include "plot_settings.h"

namespace orv {

class Gl;
class Messages;
class Progress;

// What a left-button drag or click in the view does.
enum class MouseMode : int { Rotate = 0, Pan = 1, ZoomBox = 2, Pick = 3, Unpick = 4, Idle = 5 };

// The view's animation timer, which commands that open a dialog pause and resume.
class AnimationControl {
  public:
    virtual ~AnimationControl() = default;
    virtual void pause() {}
    virtual void resume() {}
};

class Scene {
  public:
    explicit Scene(Messages& messages) : messages_(messages) {}

    FeModel model;
    PlotSettings settings;
    ColorMap colours;
    BandValues bands;
    Camera camera;
    Geometry geometry;
    BitmapFontSet fonts;
    CutPlane cut;
    std::vector<int32_t> picked;  // the pick list: 1-based node numbers
    std::string fileName;         // the open file's path cut just after its last point
    int modelLoaded = 0;
    int plotItem = 0;
    int userLimits = 0;
    float userMax = 0.0f, userMin = 0.0f;
    bool contourEdges = false;
    int curvePlotShown = 0;
    int advanceStepOnRedraw = 1;
    int interactiveDrag = 0;
    // Seconds since the epoch for the overlay's clock; 0 takes the time of each frame.
    long long fixedClock = 0;
    MouseMode mouseMode = MouseMode::Idle;
    MouseMode savedMouseMode = MouseMode::Rotate;

    // Empties the model and takes the settings of a newly opened file.
    void clear();
    // Reads cutPath + extension by the extension (any case); a refused file leaves an empty,
    // unannounced model.
    bool openFile(Progress& progress, const std::string& cutPath, const std::string& extension);
    // Writes the model in the format the extension names (rst or asc).
    bool saveFile(Progress& progress, const std::string& path, const std::string& extension);
    void onModelLoaded();
    // Applies a new symmetry setting (0 none, 1 about X, 2 about Y) and refits the view.
    void setSymmetry(int setting);

    // --- drawing ---
    // Renders one frame into the current context (the caller presents it).
    int redraw(Gl& gl);
    void resize(int width, int height);
    void setDivisions(bool grey, int n);
    void setUserLimits(bool on, float max, float min);
    void computeBands();
    // User colours 0..255 by colour item: 0 background, 1..4 overlay, 5 node and 6 element
    // numbers.
    void setColour(int index, int r, int g, int b);
    void getColour(int index, int& r, int& g, int& b) const;
    // A stored colour setting ("FrameBkg", "NodeNb", ...) as "r g b"; a text that does not
    // split into three words at blanks, commas, colons or tabs is ignored.
    void applyColourSetting(const std::string& name, const std::string& text);
    // The setting names in the order they are loaded, with their colour items.
    static const std::array<std::pair<const char*, int>, 7>& colourSettingNames();

    // --- view commands: the guard chain, the messages, then the change ---
    bool commandPlotMode(PlotMode mode, bool withContourEdges, AnimationControl& animation);
    bool commandToggleGrid();
    bool commandToggleUndeformed();
    bool commandToggleLight(AnimationControl& animation);
    void commandToggleStepMaxMin();
    bool commandViewPreset(int preset);
    bool commandChooseItem(int index);
    // Sets the displayed step (0-based), kept within the steps there are.
    bool commandSetStep(int step);
    // First, previous, next and last display step.
    bool commandFirstStep() { return commandSetStep(0); }
    bool commandPreviousStep() { return commandSetStep(settings.currentStep - 1); }
    bool commandNextStep() { return commandSetStep(settings.currentStep + 1); }
    bool commandLastStep() { return commandSetStep(settings.stepCount - 1); }
    // Pan steps: 1 left, 2 right, 3 up, 4 down, by a twentieth of the model's size.
    bool commandPanStep(int direction);
    bool commandZoomUp();
    bool commandZoomDown();
    bool commandResetDisplay();
    // Dynamic Pan and Rotation switch their mode on, or back to idle when it is on.
    bool commandDynamicPan();
    bool commandDynamicRotation();
    // Starts a zoom box, remembering the mode to return to; a second press cancels it.
    bool commandZoomBox();
    // The guard of the view-angle dialog: a model, and a 3D one.
    bool canDefineViewAngles();
    void setViewAngles(float ax, float ay, float az) { camera.setAngles(ax, ay, az); }

    // --- the mouse, in window pixels from the top left ---
    // Left button down: the press point; in zoom-box mode also the box's first corner.
    void mousePress(int x, int y);
    // A move with only the left button held: rotates, pans or stretches the zoom box by
    // the distance from the press point. True when the picture changed.
    bool mouseDrag(int x, int y);
    // Left button up: ends the drag; a zoom box zooms (unless it is a click or a box of a
    // few pixels) and the mode returns to the one before it. True when a redraw is due.
    bool mouseRelease(int x, int y);
    // Draws the zoom box between its corners (nothing until both are set), for an XOR pass.
    void drawZoomBox(Gl& gl) const {
        if (zoomBoxVisible()) drawZoomBox(gl, camera.boxCorner1, camera.boxCorner2);
    }
    void drawZoomBox(Gl& gl, const std::array<float, 3>& a, const std::array<float, 3>& b) const;
    // Ends a drag that the window lost (focus gone, window hidden) without zooming.
    void cancelDrag();
    bool zoomBoxVisible() const;

    // --- animation ---
    // Display steps are frames of one growing deformation for a single step, no results
    // or vibration modes.
    bool oscillationMode() const;
    void startAnimation(int displaySteps, float magnification, int method);
    void stopAnimation();
    // The next display step of a running animation, forward only or forward and back.
    void advanceStep();
    // Cuts with the plane through three points in file coordinates; the text of a refusal
    // is shown as the cutting-plane dialog would.
    bool applyCutPlane(const std::array<std::array<double, 3>, 3>& points);
    void clearCutPlane();
    // The selection dialog's Apply for elements: type "Select" shows the elements whose
    // number ("Elem"), type ("Type"), material ("Mate") or real-constant set ("Real") is in
    // the values (a list, or a range "low:high" when range); "All" shows every element.
    void selectElements(const std::string& type, const std::string& item, bool range,
                        const std::string& values);

    Messages& messages() { return messages_; }
    // The standard guard chain of the commands that are run outside the Scene (their
    // dialogs live in the window); with needResults the results test comes first.
    bool checkCommand(bool needResults) { return guard(needResults); }

  private:
    // The standard guard chain; with needResults the results test comes first.
    bool guard(bool needResults);
    int viewportWidth_ = 0, viewportHeight_ = 0;
    int pressX_ = 0, pressY_ = 0;
    bool zoomCornersSet_ = false;
    Messages& messages_;
};

}  // namespace orv
