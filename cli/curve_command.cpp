// orvanta-batch curve: the curve menu from the command line. Computes a time history or a
// line distribution from a result file into a curve file (.cdb), lists a curve file's columns,
// exports a curve as tab-separated text and draws its chart headless, each through the
// window's own scene commands, so that the refusals and their messages are the window's.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "batch_support.h"
#include "curve_file.h"
#include "curve_maths.h"
#include "headless_context.h"
#include "messages.h"
#include "model_files.h"
#include "open_gl.h"
#include "render_options.h"
#include "safe_file_writer.h"
#include "scene.h"

namespace batch {

namespace {

std::string curveUsage() {
    return "Usage: orvanta-batch curve ACTION FILE [options]\n"
           "\n"
           "Makes, reads, exports and draws curve tables (.cdb files) as the curve menu does:\n"
           "  curve history FILE --nodes N1,N2,... -o OUT.cdb\n"
           "        the time history of every result component at the nodes (numbers from 1)\n"
           "  curve line FILE --from N1 --to N2 [--step K] -o OUT.cdb\n"
           "        every result component at 40 points from node N1 to node N2 of a 2D model,\n"
           "        at display step K (from 1; default the last)\n"
           "  curve info IN.cdb\n"
           "        the row and column counts, then a line per column: its index, name,\n"
           "        minimum and maximum, separated by tabs\n"
           "  curve export IN.cdb --x COL --y COL,COL,... -o OUT.xls\n"
           "        the X column and the Y columns (indices from 0) as tab-separated text\n"
           "  curve plot IN.cdb --x COL --y COL,... -o OUT [options]\n"
           "        the chart of the curve as the window draws it, saved as OUT (.bmp or .png)\n"
           "    --name TEXT    the curve's name, shown under the chart\n"
           "    --size WxH     picture size in pixels (default 1024x768)\n"
           "    --scale S      pixels per point of text and line (1 to 8, default 1)\n"
           "FILE is a result file (.rst, .asc or .mdf). An existing OUT is replaced, as convert\n"
           "replaces its output; an OUT that is the input file itself is refused.\n";
}

int curveUsageError(const std::string& text) {
    std::fprintf(stderr,
                 "orvanta-batch curve: %s\nTry 'orvanta-batch curve --help' for the options.\n",
                 withoutControls(text).c_str());
    return 2;
}

// What one action takes: its options with a value, the file and the output it needs.
struct Action {
    const char* name;
    std::vector<std::string> options;
    std::vector<std::string> outputs;  // the extensions OUT may have; none without OUT
};

const std::vector<Action>& actions() {
    static const std::vector<Action> all = {
        {"history", {"--nodes", "-o"}, {"cdb"}},
        {"line", {"--from", "--to", "--step", "-o"}, {"cdb"}},
        {"info", {}, {}},
        {"export", {"--x", "--y", "-o"}, {"xls"}},
        {"plot", {"--x", "--y", "-o", "--name", "--size", "--scale"}, {"png", "bmp"}},
    };
    return all;
}

struct CurveOptions {
    const Action* action = nullptr;
    RenderOptions picture;  // the file, OUT, the size and the scale
    std::string nodes, name;
    long long from = 0, to = 0;
    std::optional<long long> step;
    long long x = 0;
    std::vector<int32_t> y;  // in column order, each once
};

bool parseColumn(const std::string& text, long long& column) {
    return parseInt(text, column) && column >= 0 && column <= INT32_MAX;
}

// Fills the options; an empty text on success, else what is wrong.
std::string parseOptions(const std::vector<std::string>& args, CurveOptions& c) {
    const auto found = std::find_if(actions().begin(), actions().end(),
                                    [&](const Action& a) { return args[0] == a.name; });
    if (found == actions().end())
        return "unknown action \"" + args[0] +
               "\"; the actions are history, line, info, export and plot";
    c.action = &*found;
    const Action& action = *found;
    RenderOptions& o = c.picture;
    bool hasX = false, hasY = false, hasNodes = false, hasFrom = false, hasTo = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string a = args[i] == "--output" ? "-o" : args[i];
        if (a.size() < 2 || a[0] != '-') {
            if (!o.file.empty()) return std::string("curve ") + action.name + " takes one file";
            o.file = a;
            continue;
        }
        if (std::find(action.options.begin(), action.options.end(), a) == action.options.end())
            return "unknown option for curve " + std::string(action.name) + ": " + args[i];
        if (a == "-o" || a == "--size" || a == "--scale") {
            std::string wrong;
            parseRenderOption(args, i, o, wrong);
            if (!wrong.empty()) return wrong;
            continue;
        }
        if (i + 1 >= args.size()) return a + " needs a value";
        const std::string& v = args[++i];
        long long n;
        if (a == "--nodes") {
            c.nodes = v;
            hasNodes = true;
        } else if (a == "--name") {
            c.name = v;
        } else if (a == "--from" || a == "--to" || a == "--step") {
            if (!parseInt(v, n)) return a + " " + v + ": takes a whole number";
            if (a == "--from") c.from = n, hasFrom = true;
            if (a == "--to") c.to = n, hasTo = true;
            if (a == "--step") c.step = n;
        } else if (a == "--x") {
            if (!parseColumn(v, c.x)) return "--x " + v + ": takes a column index from 0";
            hasX = true;
        } else if (a == "--y") {
            c.y.clear();
            for (size_t start = 0;;) {
                const size_t comma = v.find(',', start);
                if (!parseColumn(v.substr(start, comma - start), n))
                    return "--y " + v + ": takes column indices from 0, separated by commas";
                c.y.push_back(int32_t(n));
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
            std::sort(c.y.begin(), c.y.end());
            c.y.erase(std::unique(c.y.begin(), c.y.end()), c.y.end());
            hasY = true;
        }
    }
    const std::string curve = std::string("curve ") + action.name;
    if (o.file.empty()) return curve + " needs a file";
    const std::vector<std::string>& outputs = action.outputs;
    if (!outputs.empty()) {
        if (o.out.empty()) return curve + " needs -o OUT." + outputs[0];
        if (std::find(outputs.begin(), outputs.end(), lowerExtension(o.out)) == outputs.end())
            return outputs[0] == "cdb"   ? "the curve file must end in .cdb: " + o.out
                   : outputs[0] == "xls" ? "the export must end in .xls: " + o.out
                                         : "the picture must end in .bmp or .png: " + o.out;
    }
    if (action.name == std::string("history") && !hasNodes)
        return "curve history needs --nodes N1,N2,...";
    if (action.name == std::string("line") && !(hasFrom && hasTo))
        return "curve line needs --from N1 and --to N2";
    if (!outputs.empty() && outputs[0] != "cdb" && !(hasX && hasY))
        return curve + " needs --x COL and --y COL,...";
    return {};
}

// A table is computed from a result file as the curve-array dialog's OK does.
int computeCurve(const CurveOptions& c, orv::Messages& messages) {
    orv::Scene scene(messages);
    if (!openModel(c.picture, scene)) return 1;
    const orv::FeModel& model = scene.model();
    const bool line = c.action->name == std::string("line");
    const orv::CurveKind kind =
        line ? orv::CurveKind::LineDistribution : orv::CurveKind::TimeHistory;
    std::string text = c.nodes;
    if (line) {
        // The dialog offers a line for plane models only.
        if (model.dimension != 2) {
            messages.showMessage("It is only available for 2D!");
            return 1;
        }
        const long long last = std::max(1, scene.settings().shown.count);
        const long long step = c.step.value_or(last);
        if (step < 1 || step > last)
            return curveUsageError("--step " + std::to_string(step) +
                                   ": the file has display steps 1 to " + std::to_string(last));
        if (!scene.commandSetStep(int(step - 1))) return 1;
        text = std::to_string(c.from) + "," + std::to_string(c.to);
    }
    const auto nodes = orv::readCurveNodes(text, orv::NodeInput::Numbers, kind, model, messages);
    if (!nodes) return 1;
    orv::clearFileError();
    if (!scene.commandComputeCurve(kind, *nodes, c.picture.out)) {
        if (!orv::lastFileError().empty()) reportFailure("write", c.picture.out);
        return 1;
    }
    return 0;
}

int listCurveFile(const std::string& path, orv::Messages& messages) {
    orv::CurveTable table;
    orv::clearFileError();
    if (!orv::readCurveFile(path, table, messages)) {
        reportFailure("read", path);
        return 1;
    }
    const auto ranges = orv::columnRanges(table);
    std::printf("rows\t%d\ncolumns\t%d\n", table.rowCount, table.columnCount());
    for (int32_t k = 0; k < table.columnCount(); ++k)
        std::printf("%d\t%s\t%g\t%g\n", k, orv::escapedText(table.names[size_t(k)]).c_str(),
                    double(ranges[size_t(k)].first), double(ranges[size_t(k)].second));
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// Reads the curve file into the scene and defines the curve on it, as Curve data "From file"
// and the Definition dialog do; the columns are checked against the file first.
int defineCurve(const CurveOptions& c, orv::Scene& scene) {
    orv::clearFileError();
    if (!scene.commandReadCurveFile(c.picture.file)) {
        reportFailure("read", c.picture.file);
        return 1;
    }
    const int32_t columns = scene.curveData().table.columnCount();
    const auto outside = [&](long long column, const char* option) {
        return curveUsageError(std::string(option) + " " + std::to_string(column) +
                               ": the file has columns 0 to " + std::to_string(columns - 1));
    };
    if (c.x >= columns) return outside(c.x, "--x");
    for (int32_t y : c.y)
        if (y >= columns) return outside(y, "--y");
    return scene.commandDefineCurve(c.name, int32_t(c.x), c.y) ? 0 : 1;
}

int exportCurve(const CurveOptions& c, orv::Messages& messages) {
    orv::Scene scene(messages);
    if (const int status = defineCurve(c, scene)) return status;
    orv::clearFileError();
    if (!scene.commandExportCurve(c.picture.out)) {
        if (!orv::lastFileError().empty()) reportFailure("write", c.picture.out);
        return 1;
    }
    return 0;
}

int plotCurve(const CurveOptions& c, orv::Messages& messages) {
    const RenderOptions& o = c.picture;
    orv::Scene scene(messages);
    scene.setPixelScale(float(o.scale));
    if (const int status = defineCurve(c, scene)) return status;
    orv::HeadlessContext context;
    orv::OpenGl gl;
    if (!startDrawing(o, scene, context, gl)) return 1;
    scene.drawFrame(gl, true);
    return savePicture(o, gl, messages);
}

}  // namespace

int curve(const std::vector<std::string>& args) {
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        std::fputs(curveUsage().c_str(), stdout);
        return 0;
    }
    if (args.empty())
        return curveUsageError("curve needs an action: history, line, info, export or plot");
    CurveOptions c;
    if (const std::string wrong = parseOptions(args, c); !wrong.empty())
        return curveUsageError(wrong);
    const RenderOptions& o = c.picture;
    if (!o.out.empty() && orv::sameFile(o.file, o.out)) {
        std::fprintf(stderr, "orvanta-batch: the output %s is the input %s itself\n",
                     withoutControls(o.out).c_str(), withoutControls(o.file).c_str());
        return 1;
    }
    StderrMessages messages;
    orv::setFatalMessages(&messages);
    try {
        const std::string action = c.action->name;
        if (action == "info") return listCurveFile(o.file, messages);
        if (action == "export") return exportCurve(c, messages);
        if (action == "plot") return plotCurve(c, messages);
        return computeCurve(c, messages);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "orvanta-batch: out of memory with %s\n",
                     withoutControls(o.file).c_str());
        return 1;
    }
}

}  // namespace batch
