#pragma once
// The options that render and animate share: how the picture is drawn (size, scale, colours)
// and the desktop commands to apply before drawing, with their parsing, the checks that need
// the opened file, and the headless context they are drawn in.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "batch_support.h"

namespace orv {
class HeadlessContext;
class OpenGl;
class Scene;
}  // namespace orv

namespace batch {

// The options, in the words "render --help" lists them with.
extern const char* const kRenderOptionsHelp;

struct RenderOptions {
    std::string file, out;
    int width = 1024, height = 768;
    std::optional<std::string> plot, item, view, light, numbering, symmetry, select, colours;
    std::optional<long long> step, mode, frames, divisions;
    std::optional<std::vector<double>> range, angles, cut;
    std::optional<double> zoom, magnification;
    double scale = 1.0;
    bool grey = false, stepMaxMin = false, grid = false, undeformed = false, nodeNumbers = false,
         markers = false;
    // The settings of the --colors file, name and "r g b", as readColourFile found them.
    std::vector<std::pair<std::string, std::string>> colourSettings;
};

bool parseInt(const std::string& text, long long& value);
// Numbers within the float range separated by `separator` ("1,2.5,-3").
bool parseReals(const std::string& text, char separator, std::vector<double>& values);

// Reads the option at args[i] with its value, moving i onto the last word it took. False
// when args[i] is none of the options; else `wrong` says what is wrong with it, or is empty.
bool parseRenderOption(const std::vector<std::string>& args, size_t& i, RenderOptions& o,
                       std::string& wrong);
// The words of the options that take one of a few: empty when all are known.
std::string checkOptionWords(const RenderOptions& o);

// Reads the --colors file: the settings group "Color" as text, a line NAME=R G B for any of
// the seven colours (FrameBkg, NodeNb, ElemNb, LabelBkg, LabelFont, TitleFont, AxisColor),
// each from 0 to 255. Blank lines, comments (; or #) and lines of other [groups] are passed
// over. False, with the reason printed, when the file cannot be read or a line is none of these.
bool readColourFile(RenderOptions& o);

// The overlay's clock from SOURCE_DATE_EPOCH, when it is set to a sensible number of seconds.
std::optional<long long> sourceDateEpoch();

// Opens o.file as the Open command does; false with the failure printed.
bool openModel(const RenderOptions& o, orv::Scene& scene);
// The display steps, modes and frames a file has, checked before the scene's commands so that
// a wrong number is a usage error that names what the file accepts; empty when all fit.
std::string outOfRange(const RenderOptions& o, const orv::Scene& scene);
// Makes the picture's context current with the fonts and fits the view to it; false with the
// reason printed.
bool startDrawing(const RenderOptions& o, orv::Scene& scene, orv::HeadlessContext& context,
                  orv::OpenGl& gl);
// The extension of a path's last component, in lower case.
std::string lowerExtension(const std::string& path);
// Reads the frame just drawn and writes it as o.out, a PNG or else a 24-bit bitmap; the exit
// status, with the window's message and the reason printed on a failure.
int savePicture(const RenderOptions& o, orv::OpenGl& gl, orv::Messages& messages);
// Applies the options in the order a user would give the commands; false after a refusal
// (its message already shown).
bool applyOptions(const RenderOptions& o, orv::Scene& scene, orv::Messages& messages);

}  // namespace batch
