// The batching backend draws the pixels direct OpenGL draws: one scene of every primitive it
// takes apart, with the state changes that end its batches, drawn both ways headless.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "batching_gl.h"
#include "frame_image.h"
#include "headless_context.h"
#include "open_gl.h"

namespace {

using namespace orv;

constexpr int kSize = 96;

using Vertices = std::vector<std::array<float, 5>>;  // x, y, red, green, blue

void primitive(Gl& gl, unsigned mode, const Vertices& vertices) {
    gl.begin(mode);
    for (const auto& v : vertices) {
        gl.color(v[2], v[3], v[4]);
        gl.vertex(v[0], v[1]);
    }
    gl.end();
}

// n points around (x, y), each turned `step` radians from the last, blue rising from 0.
Vertices around(float x, float y, int n, float step, float r, float g, float b) {
    Vertices out;
    for (int i = 0; i < n; ++i)
        out.push_back({x + 12 * std::cos(i * step), y + 12 * std::sin(i * step), r, g, b * i / n});
    return out;
}

// Fills, then lines over them, then points within each batch (the order the backend keeps),
// and no fills of two kinds overlapping.
void drawScene(Gl& gl) {
    gl.viewport(0, 0, kSize, kSize);
    gl.clearColor(0.1f, 0.1f, 0.2f, 0);
    gl.clear(gl::ColorBufferBit | gl::DepthBufferBit);
    gl.matrixMode(gl::Projection);
    gl.loadIdentity();
    gl.ortho(0, kSize, 0, kSize, -10, 10);
    gl.matrixMode(gl::Modelview);
    gl.loadIdentity();
    gl.lightModelAmbient(0.15f, 0.15f, 0.15f, 1);
    const float grey[4] = {0.2f, 0.2f, 0.2f, 1};
    gl.material(gl::FrontAndBack, gl::Ambient, grey);
    gl.enable(gl::Light0);
    gl.enable(gl::Normalize);
    gl.enable(gl::ColorMaterial);
    // Per-vertex colours; a fourth vertex of triangles and a third of lines are dropped.
    primitive(gl, gl::Triangles,
              {{2, 2, 1, 0, 0}, {30, 4, 0, 1, 0}, {10, 28, 0, 0, 1}, {50, 50, 1, 1, 1}});
    Vertices strip;
    for (int i = 0; i < 6; ++i)
        strip.push_back({34.0f + 6 * i, i % 2 ? 4.0f : 24.0f, 0.2f * i, 1, 0.5f});
    primitive(gl, gl::TriangleStrip, strip);
    Vertices fan = around(80, 14, 5, 1.2f, 0, 0.5f, 1);
    fan.insert(fan.begin(), {80, 14, 1, 1, 0});
    primitive(gl, gl::TriangleFan, fan);
    primitive(gl, gl::Polygon,
              {{4, 34, 1, 0, 0}, {28, 36, 0, 1, 0}, {26, 58, 0, 0, 1}, {6, 56, 1, 1, 1}});
    primitive(gl, gl::Polygon, around(46, 46, 5, 1.25f, 0.8f, 0.5f, 0));
    primitive(gl, gl::Quads,
              {{64, 34, 0, 1, 1}, {92, 34, 1, 0, 1}, {92, 58, 1, 1, 0}, {64, 58, 0, 0, 0}});
    primitive(gl, gl::Lines, {{2, 30, 1, 1, 1}, {94, 31, 1, 0, 1}, {3, 3, 1, 0, 1}});
    primitive(gl, gl::LineStrip, {{5, 60, 1, 0, 1}, {40, 70, 0, 1, 0}, {90, 62, 1, 1, 1}});
    gl.lineWidth(3);
    primitive(gl, gl::LineLoop, {{10, 66, 1, 1, 0}, {30, 66, 1, 1, 0}, {20, 80, 0, 1, 1}});
    for (const float size : {1.0f, 5.0f}) {
        gl.pointSize(size);
        primitive(gl, gl::Points,
                  {{60.5f, 70.5f + size, 1, 0.5f, 0}, {70.5f, 70.5f + size, 0, 1, 0}});
    }
    // Lit faces in depth, normals per vertex, then lighting off: the points wait unlit.
    gl.enable(gl::DepthTest);
    gl.enable(gl::Lighting);
    gl.begin(gl::Polygon);
    gl.color(0.9f, 0.2f, 0.2f);
    const float lit[4][5] = {
        {40, 84, 0, 0, 1}, {94, 84, 1, 0, 1}, {94, 94, 0, 1, 1}, {40, 94, -1, -1, 2}};
    for (const auto& v : lit) {
        gl.normal(v[2], v[3], v[4]);
        gl.vertex(v[0], v[1], 1);
    }
    gl.end();
    gl.disable(gl::Lighting);
    gl.begin(gl::Triangles);  // through the lit face: in front of it below y = 86
    gl.color(0.2f, 0.2f, 0.9f);
    gl.vertex(50, 80, 5);
    gl.vertex(80, 80, 5);
    gl.vertex(65, 95, -5);
    gl.end();
    gl.disable(gl::DepthTest);
    gl.lineWidth(1);  // what the next drawing expects of the context
    gl.pointSize(1);
}

TEST(BatchingGl, DrawsThePixelsOfDirectOpenGl) {
    HeadlessContext context;
    if (!context.create(kSize, kSize)) GTEST_SKIP() << "no headless OpenGL: " << context.error();
    OpenGl direct;
    FrameImage batched, plain;
    {
        // First, on the new context's defaults, as the batch tool draws.
        BatchingGl gl(direct, true);
        drawScene(gl);
        ASSERT_TRUE(readFrame(gl, batched));
    }
    drawScene(direct);
    ASSERT_TRUE(readFrame(direct, plain));
    ASSERT_EQ(batched.pixels.size(), plain.pixels.size());
    int differing = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            differing += batched.rgb(x, y) != plain.rgb(x, y);
    EXPECT_EQ(differing, 0);
}

}  // namespace
