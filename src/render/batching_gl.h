#pragma once
// A Gl that turns immediate-mode primitives into vertex arrays: polygons become triangles,
// line loops and strips become lines, and each kind is drawn with one call when a state
// changes or the frame ends. Colours and normals travel per vertex, so they never break a
// batch. Between two state changes fills are drawn first, then lines, then points: the
// order every pass wants (lines over the faces they outline).
#include <cstddef>
#include <vector>

#include "gl.h"

namespace orv {

class BatchingGl final : public Gl {
  public:
    // With knownDefaults the context is new (OpenGL's initial state: no lighting, widths of
    // 1); otherwise nothing is assumed about the state an earlier frame left.
    explicit BatchingGl(Gl& target, bool knownDefaults = false) : target_(target) {
        if (knownDefaults) {
            lighting_ = false;
            lineWidth_ = pointSize_ = 1.0f;
        }
    }
    ~BatchingGl() override { flushBatches(); }

    using Gl::color;
    using Gl::vertex;

    // Draws everything collected so far.
    void flushBatches();

    void clearColor(float r, float g, float b, float a) override;
    void clear(unsigned mask) override;
    void enable(unsigned capability) override;
    void disable(unsigned capability) override;
    void depthFunc(unsigned func) override;
    void polygonOffset(float factor, float units) override;
    void logicOp(unsigned op) override;
    void viewport(int x, int y, int width, int height) override;
    void matrixMode(unsigned mode) override;
    void loadIdentity() override;
    void ortho(double l, double r, double b, double t, double n, double f) override;
    void pushMatrix() override;
    void popMatrix() override;
    void translate(double x, double y, double z) override;
    void scale(double x, double y, double z) override;
    void rotate(double angle, double x, double y, double z) override;
    void begin(unsigned primitive) override;
    void end() override;
    void vertex(float x, float y, float z) override;
    void normal(float x, float y, float z) override;
    void color(float r, float g, float b) override;
    void lineWidth(float width) override;
    void lineStipple(int factor, uint16_t pattern) override;
    void pointSize(float size) override;
    void lightModelAmbient(float r, float g, float b, float a) override;
    void material(unsigned face, unsigned name, const float* rgba) override;
    void materialShininess(unsigned face, float shininess) override;
    void rasterPos(float x, float y, float z) override;
    unsigned genLists(int count) override;
    void deleteLists(unsigned first, int count) override;
    void newList(unsigned list) override;
    void endList() override;
    void bitmap(int width, int height, float xorig, float yorig, float xmove, float ymove,
                const uint8_t* bits) override;
    void callLists(unsigned base, const char* text, int count) override;
    void drawInterleaved(unsigned mode, const float* vertices, int count, bool normals) override;
    void flush() override;
    void finish() override;
    void getViewport(int v[4]) override;
    void readPixelsRgb(int x, int y, int width, int height, uint8_t* out) override;

  private:
    // Interleaved vertex: position, normal, colour.
    struct Vertex {
        float p[3], n[3], c[3];
    };
    struct Batch {
        std::vector<Vertex> vertices;
    };
    void emitPrimitive();
    void drawBatch(Batch& batch, unsigned mode);

    Gl& target_;
    Batch triangles_, quads_, lines_, points_;
    std::vector<Vertex> current_;            // a primitive to take apart at its end
    std::vector<Vertex>* into_ = &current_;  // where vertices go until the primitive ends
    size_t start_ = 0;                       // size of *into_ when the primitive began
    unsigned mode_ = 0;
    bool inside_ = false;
    float normal_[3] = {0, 0, 1};
    float colour_[3] = {1, 1, 1};
    // Unknown (NaN) until set, so that the first setting always reaches OpenGL.
    float lineWidth_ = __builtin_nanf(""), pointSize_ = __builtin_nanf("");
    // Normals are sent only while lighting is on; without it they change nothing.
    bool lighting_ = true;
};

}  // namespace orv
