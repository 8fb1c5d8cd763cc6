// orvanta-batch probe: what the window's probe shows of a node, as text. The file is opened
// and the step or mode chosen as render does, and the report is the scene's own.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "batch_support.h"
#include "curve_maths.h"
#include "render_options.h"
#include "scene.h"

namespace batch {

namespace {

std::string probeUsage() {
    return "Usage: orvanta-batch probe FILE (--node N | --at X,Y[,Z]) [--step K | --mode K]\n"
           "\n"
           "Prints what the window's probe shows of a node: \"node N at X Y [Z]\" with its number\n"
           "and its coordinates as the file holds them, then \"NAME VALUE\" for every stored\n"
           "component at the display step or mode, then \"USUM VALUE\" (the displacements'\n"
           "length) when the file has displacements. Values are printed with %.9g.\n"
           "  --node N       node N (from 1)\n"
           "  --at X,Y[,Z]   the node nearest the point, in file coordinates and undeformed\n"
           "                 (X,Y for a plane model, X,Y,Z in space; ties to the lower number)\n"
           "  --step K       display step K (from 1; default 1)\n"
           "  --mode K       mode K (from 1) of a mode file\n"
           "A node, step or mode the file does not have is refused with the range it has.\n";
}

int probeUsageError(const std::string& text) {
    std::fprintf(stderr,
                 "orvanta-batch probe: %s\nTry 'orvanta-batch probe --help' for the options.\n",
                 withoutControls(text).c_str());
    return 2;
}

// A refusal that depends on the file: the range it has, status 1.
int refuse(const std::string& text) {
    std::fprintf(stderr, "orvanta-batch probe: %s\n", withoutControls(text).c_str());
    return 1;
}

struct ProbeOptions {
    RenderOptions file;  // the file, and the step or mode as render takes them
    std::optional<long long> node;
    std::optional<std::vector<double>> at;
    std::string atText;
};

// Fills the options; an empty text on success, else what is wrong.
std::string parseOptions(const std::vector<std::string>& args, ProbeOptions& p) {
    RenderOptions& o = p.file;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--step" || a == "--mode") {
            std::string wrong;
            parseRenderOption(args, i, o, wrong);
            if (!wrong.empty()) return wrong;
        } else if (a == "--node" || a == "--at") {
            if (i + 1 >= args.size()) return a + " needs a value";
            const std::string& v = args[++i];
            long long n;
            std::vector<double> point;
            if (a == "--node" && !parseInt(v, n)) return "--node " + v + ": takes a whole number";
            if (a == "--at" && (!parseReals(v, ',', point) || point.size() < 2 || point.size() > 3))
                return "--at " + v + ": takes X,Y or X,Y,Z";
            if (a == "--node")
                p.node = n;
            else
                p.at = point, p.atText = v;
        } else if (!a.empty() && a[0] == '-') {
            return "unknown option: " + a;
        } else if (o.file.empty()) {
            o.file = a;
        } else {
            return "probe takes one file";
        }
    }
    if (o.file.empty()) return "probe needs a file";
    if (p.node.has_value() == p.at.has_value())
        return "probe needs either --node N or --at X,Y[,Z]";
    if (o.step && o.mode) return "probe takes --step or --mode, not both";
    return {};
}

int probeFile(const ProbeOptions& p) {
    StderrMessages messages;
    orv::setFatalMessages(&messages);
    orv::Scene scene(messages);
    if (!openModel(p.file, scene)) return 1;
    if (const std::string wrong = outOfRange(p.file, scene); !wrong.empty()) return refuse(wrong);
    if (!applyOptions(p.file, scene, messages)) return 1;
    const orv::FeModel& m = scene.model();
    const std::string nodes = m.nodeCount < 1
                                  ? std::string("the file has no nodes")
                                  : "the file has nodes 1 to " + std::to_string(m.nodeCount);
    int32_t node = 0;
    if (p.node) {
        if (*p.node < 1 || *p.node > m.nodeCount)
            return refuse("--node " + std::to_string(*p.node) + ": " + nodes);
        node = int32_t(*p.node);
    } else {
        if (p.at->size() != size_t(m.dimension))
            return refuse("--at " + p.atText + ": the file's model is " +
                          (m.dimension == 2 ? "plane: give X,Y" : "in space: give X,Y,Z"));
        node = orv::nearestNodeToFilePoint(m, *p.at);
        if (node < 1) return refuse("--at " + p.atText + ": " + nodes);
    }
    std::optional<orv::ProbeReport> report = scene.probeReport(node);
    if (!report) return refuse("--node " + std::to_string(node) + ": " + nodes);
    // Names come from the file: nothing of them may steer a terminal or end a line.
    for (auto& value : report->values)
        value.first = withoutControls(value.first);
    const std::string text = orv::probeText(*report);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout)) {
        std::fprintf(stderr, "orvanta-batch: could not write the report\n");
        return 1;
    }
    return 0;
}

}  // namespace

int probe(const std::vector<std::string>& args) {
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        std::fputs(probeUsage().c_str(), stdout);
        return 0;
    }
    ProbeOptions p;
    if (const std::string wrong = parseOptions(args, p); !wrong.empty())
        return probeUsageError(wrong);
    return probeFile(p);
}

}  // namespace batch
