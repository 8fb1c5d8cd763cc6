#pragma once
// The narrow drawing interface: the OpenGL 1.1 calls the renderer uses, and nothing else.
// Drawing code talks to a Gl; OpenGl forwards to the real library, RecordingGl (tests)
// keeps what was asked. Enumerations carry OpenGL's own values.
#include <cstdint>
#include <vector>

namespace orv {

namespace gl {
// Capabilities, primitives, buffers and other constants, with OpenGL's values.
enum : unsigned {
    Points = 0x0000,
    Lines = 0x0001,
    LineLoop = 0x0002,
    LineStrip = 0x0003,
    Triangles = 0x0004,
    TriangleStrip = 0x0005,
    TriangleFan = 0x0006,
    Quads = 0x0007,
    Polygon = 0x0009,

    ColorBufferBit = 0x00004000,
    DepthBufferBit = 0x00000100,

    DepthTest = 0x0B71,
    Lighting = 0x0B50,
    Light0 = 0x4000,
    Normalize = 0x0BA1,
    ColorMaterial = 0x0B57,
    PolygonOffsetFill = 0x8037,
    ColorLogicOp = 0x0BF2,
    CullFace = 0x0B44,
    Blend = 0x0BE2,
    LineStipple = 0x0B24,

    Modelview = 0x1700,
    Projection = 0x1701,

    Lequal = 0x0203,
    Less = 0x0201,
    Xor = 0x1506,
    Copy = 0x1503,

    FrontAndBack = 0x0408,
    Ambient = 0x1200,
    Diffuse = 0x1201,
    Specular = 0x1202,
    Shininess = 0x1601,
    LightModelAmbient = 0x0B53,
};
}  // namespace gl

class Gl {
  public:
    virtual ~Gl() = default;

    virtual void clearColor(float r, float g, float b, float a) = 0;
    virtual void clear(unsigned mask) = 0;
    virtual void enable(unsigned capability) = 0;
    virtual void disable(unsigned capability) = 0;
    virtual void depthFunc(unsigned func) = 0;
    virtual void polygonOffset(float factor, float units) = 0;
    virtual void logicOp(unsigned op) = 0;

    virtual void viewport(int x, int y, int width, int height) = 0;
    virtual void matrixMode(unsigned mode) = 0;
    virtual void loadIdentity() = 0;
    virtual void ortho(double l, double r, double b, double t, double n, double f) = 0;
    virtual void pushMatrix() = 0;
    virtual void popMatrix() = 0;
    virtual void translate(double x, double y, double z) = 0;
    virtual void scale(double x, double y, double z) = 0;
    virtual void rotate(double angle, double x, double y, double z) = 0;

    virtual void begin(unsigned primitive) = 0;
    virtual void end() = 0;
    virtual void vertex(float x, float y, float z) = 0;
    void vertex(float x, float y) { vertex(x, y, 0.0f); }
    void vertex(const float* p) { vertex(p[0], p[1], p[2]); }
    virtual void normal(float x, float y, float z) = 0;
    virtual void color(float r, float g, float b) = 0;
    void color(const float* c) { color(c[0], c[1], c[2]); }
    virtual void lineWidth(float width) = 0;
    // The dash pattern of lines while LineStipple is enabled: each bit of `pattern`, from the
    // lowest, covers `factor` pixels.
    virtual void lineStipple(int factor, uint16_t pattern) = 0;
    virtual void pointSize(float size) = 0;

    virtual void lightModelAmbient(float r, float g, float b, float a) = 0;
    virtual void material(unsigned face, unsigned name, const float* rgba) = 0;
    virtual void materialShininess(unsigned face, float shininess) = 0;

    // Text: display lists of glyph bitmaps, drawn at the raster position.
    virtual void rasterPos(float x, float y, float z) = 0;
    virtual unsigned genLists(int count) = 0;
    virtual void deleteLists(unsigned first, int count) = 0;
    virtual void newList(unsigned list) = 0;
    virtual void endList() = 0;
    virtual void bitmap(int width, int height, float xorig, float yorig, float xmove, float ymove,
                        const uint8_t* bits) = 0;
    // Calls the lists base + c for each byte c of the text.
    virtual void callLists(unsigned base, const char* text, int count) = 0;

    // Draws count vertices of 9 floats each (position, normal, colour) as one primitive
    // list, the normals only when asked (they matter only with lighting); the current
    // colour and normal are undefined afterwards.
    virtual void drawInterleaved(unsigned mode, const float* vertices, int count, bool normals) = 0;

    virtual void flush() = 0;
    virtual void finish() = 0;
    // Viewport as x, y, width, height.
    virtual void getViewport(int v[4]) = 0;
    // Rows of RGB bytes, bottom row first, each row padded to a multiple of 4 bytes.
    virtual void readPixelsRgb(int x, int y, int width, int height, uint8_t* out) = 0;
};

}  // namespace orv
