#pragma once
// Everything the view shows: the model, what is plotted, the colour map and band values, the
// camera, the renderer and its fonts, the picked nodes and the cutting plane. The desktop
// program and the batch tool share it. Its state is private: every change is a command that
// runs its tests, reports its own message and leaves the state consistent, and the callers
// redraw after it.
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bitmap_font_set.h"
#include "camera.h"
#include "color_map.h"
#include "command_table.h"
#include "curve_data.h"
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
enum class MouseMode : int {
    Rotate = 0,
    Pan = 1,
    ZoomBox = 2,
    Pick = 3,
    Unpick = 4,
    Idle = 5,
    Probe = 6
};

enum class StepMove { First, Previous, Next, Last };
enum class AnimationMethod { ForwardOnly, ForwardAndBack };
// The modeless dialogs that other commands respect.
enum class ModelessDialog { Animation, CutPlane, CurveArray };

struct AnimationState {
    AnimationMethod method = AnimationMethod::ForwardOnly;
    bool running = false;  // display steps advance with every timer tick
    bool reverse = false;  // going back, forward and back
};

// An element selection as the selection dialog gives it: "Select" shows the elements whose
// number ("Elem"), type ("Type"), material ("Mate") or real-constant set ("Real") is in the
// values (a list, or "low:high" when range); "All" shows every element.
struct ElementSelection {
    std::string type = "Select";
    std::string item = "Elem";
    bool range = false;
    std::string values;
};

// The Plot Option dialog's fields. max and min are the limits the bands were last computed
// with as the dialog shows them (fieldText): a field left as shown is no change.
struct ContourOptions {
    int divisions = 15;
    double max = 0.0, min = 0.0;
    bool grey = false;
    std::string item;  // the plot item's name
};

// The Numbering dialog's fields: the element labels' radio is 0 element, 1 material and 2
// group numbers, -1 when none is chosen (the labels' kind stays as it was).
struct NumberingOptions {
    bool nodeNumbers = false;
    bool elementNumbers = false;
    int kind = -1;
};

// A number as the option dialogs show it: 6 significant digits, whatever the locale.
std::string fieldText(double value);

// What a probe shows of a node: its number (1-based), its coordinates as the file holds them,
// and the stored value of every component at the step (or mode) a shown step stands for,
// then the magnitude USUM when the model has displacements.
struct ProbeReport {
    int32_t node = 0;
    int dimension = 3;
    std::array<double, 3> at{0, 0, 0};
    std::vector<std::pair<std::string, double>> values;
};

// The report as text, one line each, values with %.9g so that they read back exactly:
// "node N at X Y [Z]", then "NAME VALUE" per component. The panel, the status bar and the
// batch tool show this text.
std::string probeText(const ProbeReport& report);
// The status bar's line: the first line and the plotted item's value when the report has it.
std::string probeStatusText(const ProbeReport& report, const std::string& item);

// The view's animation timer, which commands pause and resume.
class AnimationControl {
  public:
    virtual ~AnimationControl() = default;
    virtual void pause() {}
    virtual void resume() {}
    // Forgets a pending resume: the animation stays paused until it is played again.
    virtual void hold() {}
};

class Scene {
  public:
    explicit Scene(Messages& messages) : messages_(messages) {}

    // --- what is shown, read only ---
    const FeModel& model() const { return model_; }
    const PlotSettings& settings() const { return settings_; }
    const BandValues& bands() const { return bands_; }
    const ColorMap& colours() const { return colours_; }
    const Camera& camera() const { return camera_; }
    const CutPlane& cut() const { return cut_; }
    const std::vector<int32_t>& picked() const { return picked_; }
    const UserColours& userColours() const { return userColours_; }
    const AnimationState& animation() const { return animation_; }
    bool modelLoaded() const { return modelLoaded_; }
    bool curvePlotShown() const { return curvePlotShown_; }
    MouseMode mouseMode() const { return mouseMode_; }
    // The open file's path cut just after its last point.
    const std::string& fileName() const { return fileName_; }
    // Display steps are frames of one growing deformation: a single step, no results, or
    // vibration modes.
    bool oscillationMode() const;
    Messages& messages() { return messages_; }
    // The fonts live in the drawing context: the window and the batch tool make them there.
    BitmapFontSet& fonts() { return fonts_; }
    // Seconds since the epoch for the overlay's clock; without it each frame takes its time.
    void setFixedClock(std::optional<long long> seconds) { fixedClock_ = seconds; }
    // Stored nodal values of the open file that are NaN or infinite: such faces are drawn
    // grey and such displacements taken as zero.
    size_t nonFiniteValues() const { return nonFiniteValues_; }
    // Device pixels per logical pixel of the picture (1 to 8).
    void setPixelScale(float scale);
    float pixelScale() const { return pixelScale_; }

    // --- files ---
    // Reads cutPath + extension by the extension (any case); a refused file leaves an empty,
    // unannounced model. Commands are refused silently while a file is read or written.
    bool openFile(Progress& progress, const std::string& cutPath, const std::string& extension);
    // Writes the model in the format the extension names (rst or asc).
    bool saveFile(Progress& progress, const std::string& path, const std::string& extension);
    bool busy() const { return busyHolds_ > 0 || fileOperation_; }
    // Holds the scene busy for a caller about to read or write through it, so that the
    // commands' states can be shown disabled before the operation starts.
    class BusyHold {
      public:
        explicit BusyHold(Scene& scene) : scene_(scene) { ++scene_.busyHolds_; }
        ~BusyHold() { --scene_.busyHolds_; }
        BusyHold(const BusyHold&) = delete;
        BusyHold& operator=(const BusyHold&) = delete;

      private:
        Scene& scene_;
    };
    // Shows a model made in memory as if a file of that name had just been opened.
    void takeModel(FeModel model, const std::string& cutPath = {});

    // --- the command table's tests ---
    // Runs the tests of a command with their messages and the animation's pauses; true when
    // the command may act. Refused silently while a file is read or written.
    bool allowed(CommandId id, AnimationControl& animation);
    // The check mark and enabled state of a command (bar toggles are the window's).
    CommandState commandState(CommandId id) const;
    void setDialogOpen(ModelessDialog dialog, bool open);
    bool dialogOpen(ModelessDialog dialog) const;
    // The close guard: false, with its message, while a modeless dialog is open; silently
    // while a file is read or written.
    bool canClose();

    // --- drawing ---
    // Renders one frame into the current context (the caller presents it).
    void redraw(Gl& gl);
    // The same frame through vertex batches; freshContext when the context is new.
    void drawFrame(Gl& target, bool freshContext = false);
    void resize(int width, int height);
    void drawZoomBox(Gl& gl, const std::array<float, 3>& a, const std::array<float, 3>& b) const;
    bool zoomBoxVisible() const;

    // --- plot commands ---
    bool commandPlotMode(PlotMode mode, bool withContourEdges, AnimationControl& animation);
    bool commandToggleGrid(AnimationControl& animation);
    bool commandToggleUndeformed(AnimationControl& animation);
    bool commandToggleLight(AnimationControl& animation);
    bool commandToggleStepMaxMin(AnimationControl& animation);
    // The max/min markers: the nodes of the largest and smallest plotted value at the shown
    // step among the nodes of shown elements, in the plot modes that show values.
    bool commandToggleMarkers(AnimationControl& animation);
    // Chooses the plot item: a stored component, or after them the magnitude USUM.
    bool commandChooseItem(int index, AnimationControl& animation);
    // Node numbers and element labels, as the Numbering dialog sets them.
    bool commandSetNumbering(bool nodeNumbers, Numbering labels);
    // A finite factor; refused with a message otherwise.
    bool commandSetMagnification(double factor);
    // Contour divisions (2 to 20), black-and-white bands and the user's limits.
    bool commandSetContour(int divisions, bool grey, const UserRange& range);
    // The mirror copy of a plane model: a new symmetry realigns the model and resets and
    // refits the camera; the same one changes nothing.
    bool commandSetSymmetry(Symmetry symmetry);
    // Cuts with the plane through three points in file coordinates; a refusal is shown as
    // the cutting-plane dialog shows it and removes the cut.
    bool commandCut(const std::array<std::array<double, 3>, 3>& points);
    void clearCut();
    // Shows only the selected elements; false, with a message, for a selection it cannot read.
    bool commandSelect(const ElementSelection& selection);
    // The Plot Option dialog: what it opens with, and its OK. The limits become the user's
    // only when a field differs from what was shown; divisions outside 2..20 and a maximum at
    // or below the minimum are refused with an error box.
    ContourOptions contourOptions() const;
    bool commandPlotOption(const ContourOptions& entered);
    // The Numbering dialog: what it opens with, and its OK.
    NumberingOptions numberingOptions() const;
    bool commandNumbering(const NumberingOptions& entered);
    // User colours as 0..255 integers.
    void setColour(ColourItem item, int r, int g, int b);
    // The colour dialog's Apply: each of red, green and blue 0..255, refused with the field
    // check's message otherwise.
    bool commandSetColour(ColourItem item, const std::array<int, 3>& rgb);
    // The colour dialog's Default: every user colour back to the program's own.
    void commandDefaultColours();
    // A user colour as its setting stores it: "r g b".
    std::string colourSettingText(ColourItem item) const;
    static const char* colourSettingName(ColourItem item);
    std::array<int, 3> colour(ColourItem item) const;
    // A stored colour setting ("FrameBkg", "NodeNb", ...) as "r g b"; a text that does not
    // split into three words at blanks, commas, colons or tabs is ignored.
    void applyColourSetting(const std::string& name, const std::string& text);
    // The setting names in the order they are loaded, with their colour items.
    static const std::array<std::pair<const char*, ColourItem>, kColourItemCount>&
    colourSettingNames();

    // --- steps, modes and animation ---
    bool commandStep(StepMove move, AnimationControl& animation);
    // Sets the display step (0-based), kept within the display steps there are.
    bool commandSetStep(int step);
    // Chooses the mode (0-based) of a mode file.
    bool commandChooseMode(int mode);
    // The display steps of a single step, no results or modes (1 to 100000).
    bool commandSetFrames(int frames);
    // Play: the display steps (oscillation mode), the magnification and the method.
    bool startAnimation(int displaySteps, double magnification, AnimationMethod method);
    // Holds the shown step (the display steps are being edited).
    void holdAnimation() { animation_.running = false; }
    // The animation dialog closed: a single step or mode shows its full deformation again.
    void stopAnimation();
    // The next display step of a running animation, forward only or forward and back; a drag
    // holds the step.
    void advanceStep();
    // The frames of one round of the animation: every display step forward only, and forward
    // and back the way back as well without its turning frames (0 1 2 3 2 1).
    int animationRoundLength() const;

    // --- camera ---
    bool commandViewPreset(ViewPreset preset, AnimationControl& animation);
    bool commandPanStep(PanDirection direction, AnimationControl& animation);
    bool commandZoomUp(AnimationControl& animation);
    bool commandZoomDown(AnimationControl& animation);
    bool commandResetDisplay(AnimationControl& animation);
    // Finite angles in degrees, for a model in space.
    bool commandSetViewAngles(double ax, double ay, double az, AnimationControl& animation);
    // A positive zoom factor, kept within the camera's limits.
    bool commandSetZoom(double factor);
    // Dynamic Pan and Rotation switch their mode on, or back to idle when it is on.
    bool commandDynamicPan(AnimationControl& animation);
    bool commandDynamicRotation(AnimationControl& animation);
    // Starts a zoom box, remembering the mode to return to; a second press cancels it.
    bool commandZoomBox(AnimationControl& animation);

    // --- the mouse, in window pixels from the top left ---
    // Left button down: the press point; in zoom-box mode also the box's first corner.
    void mousePress(int x, int y);
    // A move with only the left button held: rotates, pans or stretches the zoom box by
    // the distance from the press point. True when the picture changed.
    bool mouseDrag(int x, int y);
    // Left button up: ends the drag; a zoom box zooms (unless it is a click or a box of a
    // few pixels) and the mode returns to the one before it. True when a redraw is due.
    bool mouseRelease(int x, int y);
    // Ends a drag that the window lost (focus gone, window hidden) without zooming.
    void cancelDrag();

    // --- navigation of the other buttons and the wheel, whatever the left button's mode ---
    // A middle-button (Pan) or right-button (Rotate) drag: the press, each move from the press
    // point (true when the picture changed) and the release.
    void otherButtonPress(DragKind kind, int x, int y);
    bool otherButtonDrag(int x, int y);
    bool otherButtonRelease();
    // The wheel: zooms about pixel (x, y) by the zoom step, `notches` times (positive zooms
    // in). True when the picture changed.
    bool commandWheelZoom(int x, int y, int notches);

    // --- picking: the pick list the cutting-plane and curve dialogs share ---
    // The mode a picking dialog sets: Pick, Unpick or Idle.
    void setPickMode(MouseMode mode);
    // Left button up in the Pick or Unpick mode: a click (let go within `slop` pixels of the
    // press) picks or unpicks at the press point. True when the pick list changed.
    bool mouseClick(int x, int y, int slop);
    // Lists the node drawn nearest pixel (x, y) unless it is listed: among the nodes of the
    // faces of shown elements that face the viewer (in a plane model every node but those of
    // hidden elements only), at their deformed places. True when it was added.
    bool commandPick(int x, int y);
    // Removes the picked node drawn nearest pixel (x, y); an empty list is said in a box.
    bool commandUnpick(int x, int y);
    void clearPicked();
    // Replaces the pick list with typed nodes (1-based; numbers outside the model are left
    // out), so that they are shown as picked.
    void setPicked(const std::vector<int32_t>& nodes);
    // The file coordinates (the centre added back, in double) of the first `limit` picked
    // nodes; z is 0 in a plane model.
    std::vector<std::array<double, 3>> pickedCoordinates(size_t limit) const;
    void setPickedMarks(PickedMarks marks);

    // --- the probe ---
    // Probe switches its mouse mode on, or back to idle when it is on, either way with no node
    // probed yet.
    bool commandToggleProbe(AnimationControl& animation);
    // Probes the node drawn nearest pixel (x, y), found as commandPick finds it; the frame
    // marks it while the Probe mode is on. Nothing when no node is drawn there or the curve
    // chart is shown.
    std::optional<ProbeReport> commandProbe(int x, int y);
    // The probed node, 1-based, while the Probe mode is on (or a zoom box begun in it); 0
    // when none.
    int32_t probedNode() const {
        const bool probing =
            mouseMode_ == MouseMode::Probe ||
            (mouseMode_ == MouseMode::ZoomBox && savedMouseMode_ == MouseMode::Probe);
        return probing ? probed_ : 0;
    }
    // The report of node `node` (1-based) at the shown step; nothing outside the model.
    std::optional<ProbeReport> probeReport(int32_t node) const;

    // --- the cutting-plane dialog ---
    // Opening: the dialog counts as open, the mouse mode is remembered, the pick list is
    // emptied and picked nodes are marked.
    void beginCutDefinition();
    // Reset: no cut and no picked nodes; the mouse mode stays.
    void resetCutDefinition();
    // Closing: no cut, no picked nodes, the dialog no longer open, and the mouse mode of
    // before it back (or the one Dynamic Pan or Rotation chose meanwhile).
    void endCutDefinition();

    // --- curves (scene_curves.cpp) ---
    const CurveData& curveData() const { return curves_; }
    // Curve data "From file", a .cdb opened or dropped: reads the whole file; the table
    // replaces the old one (no source nodes, no curve, no plot). A refused file changes nothing.
    bool commandReadCurveFile(const std::string& path);
    // "From this result": the nodes (1-based, as readCurveNodes gives them) are checked
    // against the open model (results, a plane model and two different nodes for a line),
    // the table is computed at the shown step, written to outputName and read back. Any
    // refusal or failure leaves the curve data as it was.
    bool commandComputeCurve(CurveKind kind, const std::vector<int32_t>& nodes,
                             const std::string& outputName);
    // Definition of a line distribution: computes the table again at display step `step`
    // (0-based, which becomes the shown step) over the same file; refused unless the source
    // still fits the open model.
    bool commandRecomputeLine(int step);
    // Definition: the curve on the current table; the plot is switched off, then on.
    bool commandDefineCurve(const std::string& name, int32_t xColumn,
                            const std::vector<int32_t>& yColumns);
    // Plot curve (after its tests): the mouse goes idle and the view switches between the
    // model and the chart.
    bool commandPlotCurve();
    // Curve option: the chart is shown (no toggle).
    void showCurvePlot();
    // Writes the defined curve's export; the curve file being read is never overwritten.
    bool commandExportCurve(const std::string& path);
    // The curve-array dialog's life: opening remembers the mouse mode, empties the pick list
    // and marks picked points; closing gives the mode back and empties the list.
    void beginCurveArray();
    void endCurveArray();

  private:
    class FileOperation;
    // The node (0-based) drawn nearest pixel (x, y) among the nodes of shown elements, at
    // their deformed places, in a model in space only those towards the viewer; -1 for none.
    int32_t nodeDrawnNearest(int x, int y);
    void clear();
    void onModelLoaded();
    void computeBands();
    // The contour limits (max, min) of what is shown, without the user's limits.
    std::pair<float, float> shownLimits() const;
    void refit();
    bool guardChain(Guard guard);

    FeModel model_;
    PlotSettings settings_;
    ColorMap colours_;
    BandValues bands_;
    Camera camera_;
    Geometry geometry_;
    BitmapFontSet fonts_;
    CutPlane cut_;
    std::vector<int32_t> picked_;  // 1-based node numbers
    int32_t probed_ = 0;           // 1-based, 0 for none
    UserColours userColours_;
    AnimationState animation_;
    std::string fileName_;
    bool modelLoaded_ = false;
    bool curvePlotShown_ = false;
    int busyHolds_ = 0;
    bool fileOperation_ = false;
    bool animationDialogOpen_ = false;
    bool cutPlaneDialogOpen_ = false;
    bool curveArrayDialogOpen_ = false;
    CurveData curves_;
    MouseMode modeBeforeCurveArray_ = MouseMode::Idle;
    bool dragging_ = false;  // a drag moved the picture: the step holds, outlines may do
    std::optional<long long> fixedClock_;
    size_t nonFiniteValues_ = 0;
    float pixelScale_ = 1.0f;
    MouseMode mouseMode_ = MouseMode::Idle;
    MouseMode savedMouseMode_ = MouseMode::Rotate;
    MouseMode modeBeforeCut_ = MouseMode::Idle;  // while the cutting-plane dialog is open
    int viewportWidth_ = 0, viewportHeight_ = 0;
    int pressX_ = 0, pressY_ = 0;
    bool zoomCornersSet_ = false;
    std::optional<DragKind> otherDrag_;  // a middle- or right-button drag under way
    int otherPressX_ = 0, otherPressY_ = 0;
    Messages& messages_;
};

}  // namespace orv
