#pragma once
// A Gl that draws nothing and keeps what it was asked to draw: primitives with the colour,
// normal and line or point size of each vertex, texts at their raster positions, and the
// names of all calls in order. For tests of what the renderer decides to draw.
#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "gl.h"

namespace orv {

class RecordingGl final : public Gl {
  public:
    using Gl::color;
    using Gl::vertex;

    struct Vertex {
        std::array<float, 3> position, color, normal;
    };
    struct Primitive {
        unsigned mode = 0;
        std::vector<Vertex> vertices;
        float lineWidth = 1.0f, pointSize = 1.0f;
        bool lighting = false, depthTest = false;
        bool stipple = false;  // drawn with LineStipple enabled
    };
    struct Text {
        std::string text;
        std::array<float, 3> position, color;
        unsigned listBase = 0;  // the font's first list, less 32
        bool lighting = false;
    };

    std::vector<Primitive> primitives;
    std::vector<Text> texts;
    std::vector<std::string> calls;  // call names in order ("begin", "enable", ...)
    std::set<unsigned> enabled;
    std::array<float, 4> clearColour{};
    int viewportSize[4] = {0, 0, 0, 0};
    std::array<double, 6> orthoBox{};  // left, right, bottom, top, near, far of the last ortho
    int matrixDepth = 0;               // pushes minus pops
    int stippleFactor = 1;             // the last lineStipple
    uint16_t stipplePattern = 0xFFFF;

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

    // Primitives of one mode.
    std::vector<Primitive> ofMode(unsigned mode) const;
    bool isEnabled(unsigned capability) const { return enabled.count(capability) > 0; }

  private:
    std::array<float, 3> colour_{1, 1, 1}, normal_{0, 0, 1}, raster_{0, 0, 0};
    float lineWidth_ = 1.0f, pointSize_ = 1.0f;
    bool inside_ = false;
    unsigned nextList_ = 1;
};

}  // namespace orv
