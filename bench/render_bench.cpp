// orvanta-render-bench: times the drawing of one model inside one process: the read, the
// first frame of a plot (a contour unless --plot names another mode, optionally with node or
// element numbers), further frames while a rotation drag turns the model (what the window
// pays while the user turns it) and after the button is let go, with and without
// vertex-array batching; and, as the yardstick, llvmpipe drawing the same number of
// quadrilaterals from one vertex array.
// Prints key=value pairs on one line.
#include <GL/gl.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "batching_gl.h"
#include "headless_context.h"
#include "messages.h"
#include "model_files.h"
#include "open_gl.h"
#include "progress.h"
#include "scene.h"

namespace {

class StderrMessages final : public orv::Messages {
  public:
    void show(const orv::MessageBox& box) override {
        std::fprintf(stderr, "%s: %s\n", box.title.c_str(), box.text.c_str());
    }
};

class NoAnimation final : public orv::AnimationControl {};

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long maxRssKb() {
    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The time llvmpipe takes for n flat quadrilaterals on a grid, drawn from one array.
double quadArrayTime(int n, int width, int height) {
    const int side = std::max(1, int(std::sqrt(double(n))));
    std::vector<float> v;
    v.reserve(size_t(side) * side * 8);
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            const float x0 = float(i) / side, y0 = float(j) / side, s = 1.0f / side;
            const float q[8] = {x0, y0, x0 + s, y0, x0 + s, y0 + s, x0, y0 + s};
            v.insert(v.end(), q, q + 8);
        }
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glFinish();
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const double t0 = now();
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(0.2f, 0.5f, 0.9f);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(2, GL_FLOAT, 0, v.data());
        glDrawArrays(GL_QUADS, 0, GLsizei(v.size() / 2));
        glDisableClientState(GL_VERTEX_ARRAY);
        glFinish();
        best = std::min(best, now() - t0);
    }
    return best;
}

// The plot modes by the batch tool's names.
bool plotModeByName(const std::string& name, orv::PlotMode& mode) {
    static const std::pair<const char*, orv::PlotMode> kModes[] = {
        {"node", orv::PlotMode::Node},         {"mesh", orv::PlotMode::Mesh},
        {"material", orv::PlotMode::Material}, {"contour", orv::PlotMode::Contour},
        {"isoline", orv::PlotMode::IsoLine},   {"isosurface", orv::PlotMode::IsoSurface},
        {"vector", orv::PlotMode::Vector}};
    for (const auto& [n, m] : kModes)
        if (name == n) {
            mode = m;
            return true;
        }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: orvanta-render-bench FILE [ITEM] [immediate] [--plot MODE] "
                     "[--node-numbers] [--element-numbers]\n");
        return 2;
    }
    const std::string path = argv[1];
    int item = -1;
    bool immediate = false, nodeNumbers = false, elementNumbers = false;
    std::string modeName = "contour";
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "immediate")
            immediate = true;
        else if (a == "--plot" && i + 1 < argc)
            modeName = argv[++i];
        else if (a == "--node-numbers")
            nodeNumbers = true;
        else if (a == "--element-numbers")
            elementNumbers = true;
        else
            item = std::atoi(a.c_str());
    }
    orv::PlotMode mode;
    if (!plotModeByName(modeName, mode)) {
        std::fprintf(stderr, "no such plot mode: %s\n", modeName.c_str());
        return 2;
    }
    const int width = 1024, height = 768;
    StderrMessages messages;
    orv::Scene scene(messages);
    orv::NullProgress progress;
    const std::string extension = orv::fileExtension(path);
    const double t0 = now();
    if (!scene.openFile(progress, path.substr(0, path.size() - extension.size()), extension))
        return 1;
    const double t1 = now();
    orv::HeadlessContext context;
    if (!context.create(width, height)) {
        std::fprintf(stderr, "%s\n", context.error().c_str());
        return 1;
    }
    orv::OpenGl openGl;
    orv::BatchingGl batching(openGl, true);
    orv::Gl& gl = immediate ? static_cast<orv::Gl&>(openGl) : batching;
    scene.fonts().create(gl);
    scene.resize(width, height);
    NoAnimation animation;
    scene.commandChooseItem(item >= 0 ? item : std::max(0, scene.model().results.dofCount - 1),
                            animation);
    scene.commandPlotMode(mode, false, animation);
    if (nodeNumbers || elementNumbers)
        scene.commandSetNumbering(nodeNumbers,
                                  elementNumbers ? orv::Numbering::Element : orv::Numbering::None);
    const double t2 = now();
    scene.redraw(gl);
    gl.finish();
    const double t3 = now();
    // Turned as a mouse drag turns it (a drag may draw lighter), then the frame after the
    // button is let go, at the last angle.
    std::vector<double> frames, still;
    scene.commandDynamicRotation(animation);
    scene.mousePress(0, 0);
    for (int i = 1; i <= 5; ++i) {
        scene.mouseDrag(40 * i, 25 * i);
        const double a = now();
        scene.redraw(gl);
        gl.finish();
        frames.push_back(now() - a);
    }
    scene.mouseRelease(200, 125);
    for (int i = 0; i < 3; ++i) {
        const double a = now();
        scene.redraw(gl);
        gl.finish();
        still.push_back(now() - a);
    }
    std::sort(frames.begin(), frames.end());
    std::sort(still.begin(), still.end());
    const double reference = quadArrayTime(scene.model().elementCount, width, height);
    std::printf(
        "elements=%d plot=%s numbers=%s read_s=%.3f setup_s=%.3f first_frame_s=%.3f "
        "further_frame_median_s=%.3f released_frame_median_s=%.3f quad_array_s=%.3f "
        "peak_rss_mb=%.1f batching=%s\n",
        scene.model().elementCount, modeName.c_str(),
        nodeNumbers      ? (elementNumbers ? "both" : "nodes")
        : elementNumbers ? "elements"
                         : "none",
        t1 - t0, t2 - t1, t3 - t2, frames[frames.size() / 2], still[still.size() / 2], reference,
        double(maxRssKb()) * 1024 / 1e6, immediate ? "off" : "on");
    return 0;
}
