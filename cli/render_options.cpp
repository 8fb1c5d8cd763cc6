// The options of render and animate: parsed as words, checked against the opened file, and
// applied as the desktop commands would be (same guards, same messages).
#include "render_options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "frame_image.h"
#include "headless_context.h"
#include "image_files.h"
#include "model_files.h"
#include "open_gl.h"
#include "scene.h"

namespace batch {

const char* const kRenderOptionsHelp =
    "  --size WxH               picture size in pixels (default 1024x768)\n"
    "  --scale S                pixels per point of text and line (1 to 8, default 1): a\n"
    "                           picture for a dense screen or print\n"
    "  --colors FILE            the seven user colours as the settings group \"Color\" holds\n"
    "                           them: lines FrameBkg=R G B, NodeNb=, ElemNb=, LabelBkg=,\n"
    "                           LabelFont=, TitleFont=, AxisColor= (0 to 255 each)\n"
    "  --plot MODE              node, mesh, material, contour, contour-edges, isoline,\n"
    "                           isosurface or vector (default: the mode after opening)\n"
    "  --item NAME|INDEX        result component by name, or by its index from 0; USUM, the\n"
    "                           displacements' length, after the components\n"
    "  --step N                 display step N (from 1)\n"
    "  --mode N                 mode N (from 1) of a mode file\n"
    "  --frames M               M display steps of a single-step or modal result\n"
    "  --divisions N            number of contour bands (2 to 20)\n"
    "  --range MIN:MAX          user limits of the contour\n"
    "  --grey                   black-and-white bands\n"
    "  --step-maxmin            limits of the displayed step\n"
    "  --markers                mark the nodes of the largest and smallest plotted value\n"
    "  --view xyz|xoy|yoz|zox   view preset\n"
    "  --angles AX,AY,AZ        view angles in degrees (3D models)\n"
    "  --zoom F                 zoom factor\n"
    "  --magnification F        deformation magnification factor\n"
    "  --grid                   element grid over the plot\n"
    "  --undeformed             undeformed mesh as well\n"
    "  --light on|off           light effect (3D models)\n"
    "  --node-numbers           node numbers\n"
    "  --numbering KIND         element labels: material, group, element or none\n"
    "  --symmetry none|x|y      mirror a plane model about the X or Y axis\n"
    "  --cut X1,Y1,Z1,X2,Y2,Z2,X3,Y3,Z3   cutting plane through three points (3D models)\n"
    "  --select ITEM=VALUES     show only the elements whose Elem, Type, Mate or Real is in\n"
    "                           a list (1,5,9) or a range (2:4)\n"
    "The overlay's clock shows SOURCE_DATE_EPOCH when it is set.\n";

namespace {

class NoAnimation final : public orv::AnimationControl {};

bool parseReal(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    // Pictures are drawn in float: a number beyond its range would become infinite.
    return errno == 0 && end && *end == '\0' && std::isfinite(float(value));
}

std::string trimmed(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// "R G B" as the window's settings loader splits it (blanks, commas, colons, tabs), each a
// whole number from 0 to 255.
bool isColour(const std::string& text) {
    int count = 0;
    size_t i = 0;
    while (i < text.size()) {
        const size_t end = text.find_first_of(" ,:\t", i);
        const std::string word = text.substr(i, end == std::string::npos ? end : end - i);
        if (!word.empty()) {
            long long v;
            if (!parseInt(word, v) || v < 0 || v > 255 || word[0] == '+' || word[0] == '-')
                return false;
            ++count;
        }
        if (end == std::string::npos) break;
        i = end + 1;
    }
    return count == 3;
}

}  // namespace

bool parseInt(const std::string& text, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && end && *end == '\0';
}

bool parseReals(const std::string& text, char separator, std::vector<double>& values) {
    values.clear();
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        double v;
        if (!parseReal(text.substr(start, end - start), v)) return false;
        values.push_back(v);
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

bool parseRenderOption(const std::vector<std::string>& args, size_t& i, RenderOptions& o,
                       std::string& wrong) {
    const std::string& a = args[i];
    const auto value = [&](std::string& out) -> bool {
        if (i + 1 >= args.size()) return false;
        out = args[++i];
        return true;
    };
    std::string v;
    long long n;
    double x;
    std::vector<double> list;
    wrong.clear();
    if (a == "-o" || a == "--output") {
        if (!value(o.out)) wrong = a + " needs a file";
    } else if (a == "--size") {
        const size_t cross = value(v) ? v.find('x') : std::string::npos;
        long long w, h;
        if (cross == std::string::npos || !parseInt(v.substr(0, cross), w) ||
            !parseInt(v.substr(cross + 1), h) || w < 1 || h < 1 || w > 16384 || h > 16384)
            wrong = "--size needs WxH, each from 1 to 16384";
        else
            o.width = int(w), o.height = int(h);
    } else if (a == "--plot" || a == "--item" || a == "--view" || a == "--light" ||
               a == "--numbering" || a == "--symmetry" || a == "--select" || a == "--colors") {
        if (!value(v)) {
            wrong = a + " needs a value";
        } else {
            (a == "--plot"        ? o.plot
             : a == "--item"      ? o.item
             : a == "--view"      ? o.view
             : a == "--light"     ? o.light
             : a == "--numbering" ? o.numbering
             : a == "--symmetry"  ? o.symmetry
             : a == "--colors"    ? o.colours
                                  : o.select) = v;
        }
    } else if (a == "--step" || a == "--mode" || a == "--frames" || a == "--divisions") {
        if (!value(v) || !parseInt(v, n)) {
            wrong = a + " " + v + ": takes a whole number";
        } else {
            (a == "--step"     ? o.step
             : a == "--mode"   ? o.mode
             : a == "--frames" ? o.frames
                               : o.divisions) = n;
        }
    } else if (a == "--scale") {
        if (!value(v) || !parseReal(v, x) || x < 1 || x > 8)
            wrong = "--scale takes a number from 1 to 8";
        else
            o.scale = x;
    } else if (a == "--zoom" || a == "--magnification") {
        if (!value(v) || !parseReal(v, x))
            wrong = a + " " + v + ": takes a number of at most 3.4e38 in size";
        else
            (a == "--zoom" ? o.zoom : o.magnification) = x;
    } else if (a == "--range") {
        if (!value(v) || !parseReals(v, ':', list) || list.size() != 2)
            wrong = "--range " + v + ": takes MIN:MAX, numbers of at most 3.4e38 in size";
        else
            o.range = list;
    } else if (a == "--angles") {
        if (!value(v) || !parseReals(v, ',', list) || list.size() != 3)
            wrong = "--angles " + v + ": takes AX,AY,AZ in degrees";
        else
            o.angles = list;
    } else if (a == "--cut") {
        if (!value(v) || !parseReals(v, ',', list) || list.size() != 9)
            wrong = "--cut " + v + ": takes nine numbers X1,Y1,Z1,X2,Y2,Z2,X3,Y3,Z3";
        else
            o.cut = list;
    } else if (a == "--grey") {
        o.grey = true;
    } else if (a == "--step-maxmin") {
        o.stepMaxMin = true;
    } else if (a == "--markers") {
        o.markers = true;
    } else if (a == "--grid") {
        o.grid = true;
    } else if (a == "--undeformed") {
        o.undeformed = true;
    } else if (a == "--node-numbers") {
        o.nodeNumbers = true;
    } else {
        return false;
    }
    return true;
}

std::string checkOptionWords(const RenderOptions& o) {
    const auto oneOf = [](const std::optional<std::string>& v,
                          std::initializer_list<const char*> words) {
        return !v ||
               std::any_of(words.begin(), words.end(), [&](const char* w) { return *v == w; });
    };
    if (!oneOf(o.plot, {"node", "mesh", "material", "contour", "contour-edges", "isoline",
                        "isosurface", "vector"}))
        return "--plot " + *o.plot +
               ": takes node, mesh, material, contour, contour-edges, isoline, isosurface or "
               "vector";
    if (!oneOf(o.view, {"xyz", "xoy", "yoz", "zox"}))
        return "--view " + *o.view + ": takes xyz, xoy, yoz or zox";
    if (!oneOf(o.light, {"on", "off"})) return "--light " + *o.light + ": takes on or off";
    if (!oneOf(o.numbering, {"material", "group", "element", "none"}))
        return "--numbering " + *o.numbering + ": takes material, group, element or none";
    if (!oneOf(o.symmetry, {"none", "x", "y"}))
        return "--symmetry " + *o.symmetry + ": takes none, x or y";
    return {};
}

bool readColourFile(RenderOptions& o) {
    if (!o.colours) return true;
    const std::string& path = *o.colours;
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "orvanta-batch: could not read %s: %s\n",
                     withoutControls(path).c_str(), std::strerror(errno));
        return false;
    }
    std::string line, group;
    for (int number = 1; std::getline(in, line); ++number) {
        line = trimmed(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            group = trimmed(line.substr(1, line.size() - 2));
            continue;
        }
        if (!group.empty() && group != "Color") continue;
        const size_t eq = line.find('=');
        const std::string name = trimmed(line.substr(0, eq));
        std::string text = eq == std::string::npos ? "" : trimmed(line.substr(eq + 1));
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
            text = text.substr(1, text.size() - 2);
        const auto& names = orv::Scene::colourSettingNames();
        const bool known = std::any_of(names.begin(), names.end(),
                                       [&](const auto& entry) { return name == entry.first; });
        if (!known || !isColour(text)) {
            std::fprintf(stderr,
                         "orvanta-batch: %s line %d: \"%s\" is not NAME=R G B with a NAME of "
                         "FrameBkg, NodeNb, ElemNb, LabelBkg, LabelFont, TitleFont or AxisColor "
                         "and R, G, B from 0 to 255\n",
                         withoutControls(path).c_str(), number, withoutControls(line).c_str());
            return false;
        }
        o.colourSettings.emplace_back(name, text);
    }
    if (in.bad()) {
        std::fprintf(stderr, "orvanta-batch: could not read %s: %s\n",
                     withoutControls(path).c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

std::optional<long long> sourceDateEpoch() {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    if (!epoch) return std::nullopt;
    long long seconds;
    if (parseInt(epoch, seconds) && seconds >= 0 && seconds <= 253402300799LL) return seconds;
    std::fprintf(stderr,
                 "orvanta-batch: SOURCE_DATE_EPOCH \"%s\" is not a number of seconds from 0 to "
                 "253402300799; the clock shows the current time\n",
                 withoutControls(epoch).c_str());
    return std::nullopt;
}

bool openModel(const RenderOptions& o, orv::Scene& scene) {
    scene.setFixedClock(sourceDateEpoch());
    scene.setPixelScale(float(o.scale));
    TerminalProgress progress;
    const std::string extension = orv::fileExtension(o.file);
    orv::clearFileError();
    const bool ok =
        scene.openFile(progress, o.file.substr(0, o.file.size() - extension.size()), extension);
    progress.finish();
    if (!ok) reportFailure("read", o.file);
    return ok;
}

std::string outOfRange(const RenderOptions& o, const orv::Scene& scene) {
    const orv::FeModel& m = scene.model();
    const auto range = [](const char* option, long long value, const char* what, long long last) {
        return std::string(option) + " " + std::to_string(value) + ": " +
               (last < 1 ? std::string("the file has no ") + what
                         : std::string("the file has ") + what + " 1 to " + std::to_string(last));
    };
    if (o.mode && m.modalResults && (*o.mode < 1 || *o.mode > m.results.stepCount))
        return range("--mode", *o.mode, "modes", m.results.stepCount);
    if (o.step) {
        const long long total = o.frames ? *o.frames : scene.settings().shown.count;
        if (*o.step < 1 || *o.step > std::max(1LL, total))
            return range("--step", *o.step, "display steps", std::max(1LL, total));
    }
    return {};
}

bool startDrawing(const RenderOptions& o, orv::Scene& scene, orv::HeadlessContext& context,
                  orv::OpenGl& gl) {
    if (const size_t n = scene.nonFiniteValues())
        std::fprintf(stderr,
                     "orvanta-batch: %zu nodal values of %s are not finite numbers: faces at "
                     "them are drawn grey and such displacements taken as zero\n",
                     n, withoutControls(o.file).c_str());
    if (!context.create(o.width, o.height)) {
        std::fprintf(stderr, "orvanta-batch: cannot draw without a window: %s\n",
                     context.error().c_str());
        return false;
    }
    scene.fonts().create(gl, scene.pixelScale());
    if (!scene.fonts().usable())
        std::fprintf(stderr, "orvanta-batch: the picture has no text: %s\n",
                     withoutControls(scene.fonts().problem()).c_str());
    scene.resize(o.width, o.height);
    return true;
}

bool applyOptions(const RenderOptions& o, orv::Scene& scene, orv::Messages& messages) {
    NoAnimation animation;
    const orv::FeModel& m = scene.model();
    for (const auto& [name, text] : o.colourSettings)
        scene.applyColourSetting(name, text);
    if (o.symmetry) {
        const orv::Symmetry symmetry = *o.symmetry == "x"   ? orv::Symmetry::AboutX
                                       : *o.symmetry == "y" ? orv::Symmetry::AboutY
                                                            : orv::Symmetry::None;
        if (!scene.commandSetSymmetry(symmetry)) return false;
    }
    if (o.item) {
        const std::vector<std::string> names = m.plotItemNames();
        auto it = std::find(names.begin(), names.end(), *o.item);
        long long index;
        if (it != names.end()) {
            index = it - names.begin();
        } else if (!parseInt(*o.item, index) || index < 0 || index >= (long long)names.size()) {
            messages.showMessage("No such result component: " + orv::quoted(*o.item));
            return false;
        }
        if (!scene.commandChooseItem(int(index), animation)) return false;
    }
    if (o.frames && !scene.commandSetFrames(int(std::clamp(*o.frames, -1LL, 1000000LL))))
        return false;
    if (o.mode && !scene.commandChooseMode(int(std::clamp(*o.mode, -1LL, 1LL << 30)) - 1))
        return false;
    if (o.step && !scene.commandSetStep(int(*o.step - 1))) return false;
    if (o.plot) {
        const std::string& p = *o.plot;
        const orv::PlotMode mode = p == "node"         ? orv::PlotMode::Node
                                   : p == "mesh"       ? orv::PlotMode::Mesh
                                   : p == "material"   ? orv::PlotMode::Material
                                   : p == "isoline"    ? orv::PlotMode::IsoLine
                                   : p == "isosurface" ? orv::PlotMode::IsoSurface
                                   : p == "vector"     ? orv::PlotMode::Vector
                                                       : orv::PlotMode::Contour;
        if (!scene.commandPlotMode(mode, p == "contour-edges", animation)) return false;
    }
    if (o.divisions || o.range || o.grey) {
        const long long n = o.divisions ? *o.divisions : scene.bands().divisions;
        orv::UserRange range = scene.settings().userRange;
        if (o.range) range = {true, float((*o.range)[1]), float((*o.range)[0])};
        if (!scene.commandSetContour(int(std::clamp(n, -1LL, 100LL)), o.grey, range)) return false;
    }
    if (o.stepMaxMin) scene.commandToggleStepMaxMin(animation);
    if (o.markers && !scene.commandToggleMarkers(animation)) return false;
    if (o.view) {
        const orv::ViewPreset preset = *o.view == "xoy"   ? orv::ViewPreset::XOY
                                       : *o.view == "yoz" ? orv::ViewPreset::YOZ
                                       : *o.view == "zox" ? orv::ViewPreset::ZOX
                                                          : orv::ViewPreset::XYZ;
        if (!scene.commandViewPreset(preset, animation)) return false;
    }
    if (o.angles &&
        !scene.commandSetViewAngles((*o.angles)[0], (*o.angles)[1], (*o.angles)[2], animation))
        return false;
    if (o.zoom && !scene.commandSetZoom(*o.zoom)) return false;
    if (o.magnification && !scene.commandSetMagnification(*o.magnification)) return false;
    if (o.grid && !scene.commandToggleGrid(animation)) return false;
    if (o.undeformed && !scene.commandToggleUndeformed(animation)) return false;
    if (o.light && (*o.light == "on") != scene.settings().lightOn &&
        !scene.commandToggleLight(animation))
        return false;
    if (o.nodeNumbers || o.numbering) {
        orv::Numbering labels = scene.settings().numbering;
        if (o.numbering) {
            const std::string& k = *o.numbering;
            labels = k == "material"  ? orv::Numbering::Material
                     : k == "group"   ? orv::Numbering::Group
                     : k == "element" ? orv::Numbering::Element
                                      : orv::Numbering::None;
        }
        scene.commandSetNumbering(o.nodeNumbers || scene.settings().nodeNumbers, labels);
    }
    if (o.cut) {
        const std::vector<double>& c = *o.cut;
        if (!scene.commandCut({{{c[0], c[1], c[2]}, {c[3], c[4], c[5]}, {c[6], c[7], c[8]}}}))
            return false;
    }
    if (o.select) {
        const size_t eq = o.select->find('=');
        const std::string item = o.select->substr(0, eq);
        if (eq == std::string::npos ||
            (item != "Elem" && item != "Type" && item != "Mate" && item != "Real")) {
            messages.showMessage("--select takes Elem, Type, Mate or Real=VALUES!");
            return false;
        }
        const std::string values = o.select->substr(eq + 1);
        if (!scene.commandSelect({"Select", item, values.find(':') != std::string::npos, values}))
            return false;
    }
    return true;
}

std::string lowerExtension(const std::string& path) {
    std::string x = orv::fileExtension(path);
    std::transform(x.begin(), x.end(), x.begin(), [](unsigned char c) { return std::tolower(c); });
    return x;
}

int savePicture(const RenderOptions& o, orv::OpenGl& gl, orv::Messages& messages) {
    orv::FrameImage image;
    if (!orv::readFrame(gl, image)) {
        messages.showMessage("Unable to get OpenGL bitmap from screen!");
        std::fprintf(stderr, "orvanta-batch: no memory for a picture of %dx%d pixels\n", o.width,
                     o.height);
        return 1;
    }
    orv::clearFileError();
    const bool saved = lowerExtension(o.out) == "png" ? orv::writePngFile(o.out, image)
                                                      : orv::writeBitmapFile(o.out, image) == 0;
    if (!saved) {
        messages.showMessage("Could not save to file!");
        reportFailure("write", o.out);
        return 1;
    }
    return 0;
}

}  // namespace batch
