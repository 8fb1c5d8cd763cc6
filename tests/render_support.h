#pragma once
// Helpers of the drawing tests: a scene over a small model drawn into a recording Gl, with
// the model's primitives told apart from the overlay's and described as text, and a few small
// models.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "geometry.h"
#include "recording_gl.h"
#include "scene.h"
#include "test_support.h"

namespace orvtest {

using Primitive = orv::RecordingGl::Primitive;

class NoAnimation final : public orv::AnimationControl {};

// A scene holding `model` as if it had just been opened, in a window of width x height.
class SceneBench {
  public:
    explicit SceneBench(orv::FeModel model, int width = 400, int height = 300) {
        scene.resize(width, height);
        scene.takeModel(std::move(model));
        orv::RecordingGl fontGl;
        scene.fonts().create(fontGl);
    }
    // Switches the plot mode as the view's command does; fails the test when refused.
    void plot(orv::PlotMode mode, bool contourEdges = false) {
        NoAnimation animation;
        EXPECT_TRUE(scene.commandPlotMode(mode, contourEdges, animation));
    }
    // Switches the element grid on or off as the view's command does.
    void toggleGrid() { EXPECT_TRUE(scene.commandToggleGrid(none)); }
    // One frame.
    orv::RecordingGl draw() {
        orv::RecordingGl gl;
        scene.redraw(gl);
        return gl;
    }
    // Whether a depth is the overlay's: it lies on the near plane, far in front of the model.
    bool onOverlay(float z) const { return z >= -0.5f * scene.camera().nearPlane(); }
    // The primitives of the model itself, all or of one mode.
    std::vector<Primitive> modelPrimitives(const orv::RecordingGl& gl, int mode = -1) const {
        std::vector<Primitive> out;
        for (const Primitive& p : gl.primitives)
            if ((p.vertices.empty() || !onOverlay(p.vertices[0].position[2])) &&
                (mode < 0 || p.mode == unsigned(mode)))
                out.push_back(p);
        return out;
    }
    // A frame record over the scene's state with the nodes `geometry` prepares from
    // `settings`, for what no command reaches: a renderer of the test's own, picked nodes.
    orv::DrawContext context(orv::Gl& gl, orv::Geometry& geometry,
                             const orv::PlotSettings& settings, const std::vector<int32_t>& picked,
                             bool drag = false) {
        orv::Scene& s = scene;
        return orv::DrawContext(
            gl, s.model(), settings, s.colours(), s.bands(), s.userColours(), s.fonts(), s.cut(),
            picked, geometry.prepareNodes(s.model(), settings), s.camera().viewAngles(), drag);
    }
    NoAnimation none;
    RecordingMessages messages;
    orv::Scene scene{messages};
};

// What a frame draws of the model, one primitive a line: its kind, its first vertex's colour
// and normal, lighting and depth test, line width and point size; then its vertices.
inline std::string primitivesText(const SceneBench& b, const orv::RecordingGl& gl) {
    static const char* const kModes[] = {"points",   "lines", "loop",  "strip",     "triangles",
                                         "tristrip", "fan",   "quads", "quadstrip", "polygon"};
    const auto triple = [](const std::array<float, 3>& v) {
        const auto f = [](float x) { return std::fabs(x) < 5e-4f ? 0.0 : double(x); };
        char s[80];
        std::snprintf(s, sizeof s, " (%.3f %.3f %.3f)", f(v[0]), f(v[1]), f(v[2]));
        return std::string(s);
    };
    std::string out;
    for (const Primitive& p : b.modelPrimitives(gl)) {
        if (p.vertices.empty()) continue;
        char state[80];
        std::snprintf(state, sizeof state, "%s%s width %g size %g\n ", p.lighting ? " lit" : "",
                      p.depthTest ? " depth" : "", p.lineWidth, p.pointSize);
        out += kModes[p.mode] + (" colour" + triple(p.vertices[0].color)) + " normal" +
               triple(p.vertices[0].normal) + state;
        for (const auto& v : p.vertices)
            out += triple(v.position);
        out += "\n";
    }
    return out;
}

// A unit square of one 4-node plane element (centred: -0.5..0.5) with one component "T"
// holding `values` at its nodes (counter-clockwise from the lower left).
inline orv::FeModel planeSquare(const std::array<float, 4>& values,
                                const std::vector<std::string>& names = {"T"}) {
    orv::FeModel m =
        buildModel(2, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{1, 24, {1, 2, 3, 4}, 3}});
    addResults(m, names, {1.0f},
               [&](int32_t, int32_t i, int32_t d) { return d == 0 ? values[size_t(i)] : 0.0f; });
    return m;
}

// A unit cube of one hexahedron (centred: -0.5..0.5) with one component "T" holding
// `values` at its nodes: 0..3 the lower face counter-clockwise from (0, 0, 0), 4..7 above.
inline orv::FeModel unitCube(const std::array<float, 8>& values) {
    Points points;
    for (int i = 0; i < 8; ++i) {
        const int j = i % 4;
        points.push_back({float(j == 1 || j == 2), float(j >= 2), float(i >= 4)});
    }
    orv::FeModel m = buildModel(3, points, {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}, 2}});
    addResults(m, {"T"}, {1.0f}, [&](int32_t, int32_t i, int32_t) { return values[size_t(i)]; });
    return m;
}

inline bool near3(const std::array<float, 3>& a, const std::array<float, 3>& b,
                  float tolerance = 1e-5f) {
    for (int k = 0; k < 3; ++k)
        if (std::fabs(a[size_t(k)] - b[size_t(k)]) > tolerance) return false;
    return true;
}

}  // namespace orvtest
