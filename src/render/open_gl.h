#pragma once
// The drawing interface forwarded to the OpenGL library of the current context.
#include "gl.h"

namespace orv {

class OpenGl final : public Gl {
  public:
    using Gl::color;
    using Gl::vertex;
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
};

}  // namespace orv
