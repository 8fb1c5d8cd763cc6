#pragma once
// Every command of the menus and tool bars: its id, its texts, its key, the tests it passes
// before acting, and what its check mark and enabled state follow. The main window builds its
// actions from this table, the view dispatches by id, and the scene runs the tests.
#include <optional>
#include <span>
#include <string_view>

#include "plot_settings.h"

namespace orv {

enum class CommandId : int {
    Open,
    SaveAs,
    SaveImage,
    Print,
    PrintPreview,
    PrintSetup,
    Exit,
    ListNode,
    ListElement,
    ListResults,
    PlotNode,
    PlotMesh,
    PlotMaterial,
    PlotContour,
    PlotContourEdge,
    PlotIsoLine,
    PlotIsoSurface,
    AddGrid,
    Undeformed,
    DisplayVector,
    CuttingPlane,
    SelectNE,
    Probe,
    Markers,
    Left,
    Right,
    Up,
    Down,
    ViewXYZ,
    ViewXOY,
    ViewYOZ,
    ViewZOX,
    ViewPort,
    ZoomUp,
    ZoomDown,
    ZoomBox,
    DynamicPan,
    DynamicRotation,
    Reset,
    StepMaxMin,
    Play,
    Stop,
    FirstStep,
    PreviousStep,
    NextStep,
    LastStep,
    StepNumber,
    ColorOption,
    Numbering,
    Magnification,
    ContourDivision,
    LightEffect,
    Symmetry,
    ModelInfo,
    CurveData,
    CurveDefinition,
    PlotCurve,
    CurveOption,
    ViewToolbar,
    ViewPlotbar,
    ViewControlbar,
    ViewAnimationbar,
    ViewOptionbar,
    ViewCurvebar,
    ViewStatusBar,
    HelpIndex,
    About,
    New,
};
constexpr int kCommandCount = int(CommandId::New) + 1;

// The tests a command passes before it acts, in this order.
enum class Guard {
    None,
    Chain,         // nothing with the curve plot shown; "Please read result file firstly!"
    ResultsChain,  // "No results are availabile!" first, then the chain
    ModelOnly,     // only "Please read result file firstly!"
    OwnRules,      // files, pictures, listings and curves: their own tests of the open dialogs
};

// The model a command needs after its guard.
enum class Dimension { Any, Plane, Space };

// When the animation is paused around a command's tests.
enum class Pause {
    None,
    AroundRefusal,    // pause, show the dimension refusal, resume
    BeforeDimension,  // pause before the dimension test; a refusal leaves it paused
    AfterTests,       // pause once every test passed
};

// What a command's check mark shows.
enum class CheckRule {
    None,
    PlotMode,  // plotMode is CommandInfo::mode (contour: and the edges as the id says)
    Grid,
    Undeformed,
    Light,
    StepMaxMin,
    MousePan,
    MouseRotate,
    MouseZoomBox,
    CutPlaneDialog,
    CurvePlot,
    BarShown,  // a tool bar or the status bar is shown: the window answers
    MouseProbe,
    Markers,
};

// When a command is disabled (besides while a file is read or written).
enum class EnableRule { Always, NotWhileCutPlaneDialog, NotWhileAnimationDialog };

struct CommandInfo {
    CommandId id;
    const char* name;    // stable identifier ("plotContour")
    const char* text;    // menu text, with the key after a tab where the menu shows one
    const char* prompt;  // status-bar prompt
    const char* tip;     // tool tip
    const char* icon;    // tool-bar picture, or null
    const char* key;     // shortcut ("Ctrl+O"), or null
    Guard guard;
    Dimension dimension;
    const char* dimensionMessage;  // shown when the model has the other dimension
    Pause pause;
    CheckRule check;
    PlotMode mode;  // for CheckRule::PlotMode
    EnableRule enable;
};

std::span<const CommandInfo> commandTable();
const CommandInfo& commandInfo(CommandId id);
std::optional<CommandId> commandByName(std::string_view name);

struct CommandState {
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
};

}  // namespace orv
