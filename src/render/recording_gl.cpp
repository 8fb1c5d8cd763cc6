#include "recording_gl.h"

#include <cstring>

namespace orv {

void RecordingGl::clearColor(float r, float g, float b, float a) {
    calls.push_back("clearColor");
    clearColour = {r, g, b, a};
}
void RecordingGl::clear(unsigned) {
    calls.push_back("clear");
}
void RecordingGl::enable(unsigned capability) {
    calls.push_back("enable");
    enabled.insert(capability);
}
void RecordingGl::disable(unsigned capability) {
    calls.push_back("disable");
    enabled.erase(capability);
}
void RecordingGl::depthFunc(unsigned) {
    calls.push_back("depthFunc");
}
void RecordingGl::polygonOffset(float, float) {
    calls.push_back("polygonOffset");
}
void RecordingGl::logicOp(unsigned) {
    calls.push_back("logicOp");
}
void RecordingGl::viewport(int x, int y, int width, int height) {
    calls.push_back("viewport");
    viewportSize[0] = x;
    viewportSize[1] = y;
    viewportSize[2] = width;
    viewportSize[3] = height;
}
void RecordingGl::matrixMode(unsigned) {
    calls.push_back("matrixMode");
}
void RecordingGl::loadIdentity() {
    calls.push_back("loadIdentity");
}
void RecordingGl::ortho(double l, double r, double b, double t, double n, double f) {
    calls.push_back("ortho");
    orthoBox = {l, r, b, t, n, f};
}
void RecordingGl::pushMatrix() {
    calls.push_back("pushMatrix");
    ++matrixDepth;
}
void RecordingGl::popMatrix() {
    calls.push_back("popMatrix");
    --matrixDepth;
}
void RecordingGl::translate(double, double, double) {
    calls.push_back("translate");
}
void RecordingGl::scale(double, double, double) {
    calls.push_back("scale");
}
void RecordingGl::rotate(double, double, double, double) {
    calls.push_back("rotate");
}
void RecordingGl::begin(unsigned primitive) {
    calls.push_back("begin");
    Primitive p;
    p.mode = primitive;
    p.lineWidth = lineWidth_;
    p.pointSize = pointSize_;
    p.lighting = isEnabled(gl::Lighting);
    p.depthTest = isEnabled(gl::DepthTest);
    p.stipple = isEnabled(gl::LineStipple);
    primitives.push_back(std::move(p));
    inside_ = true;
}
void RecordingGl::end() {
    calls.push_back("end");
    inside_ = false;
}
void RecordingGl::vertex(float x, float y, float z) {
    if (inside_) primitives.back().vertices.push_back({{x, y, z}, colour_, normal_});
}
void RecordingGl::normal(float x, float y, float z) {
    normal_ = {x, y, z};
}
void RecordingGl::color(float r, float g, float b) {
    colour_ = {r, g, b};
}
void RecordingGl::lineWidth(float width) {
    calls.push_back("lineWidth");
    lineWidth_ = width;
}
void RecordingGl::lineStipple(int factor, uint16_t pattern) {
    calls.push_back("lineStipple");
    stippleFactor = factor;
    stipplePattern = pattern;
}
void RecordingGl::pointSize(float size) {
    calls.push_back("pointSize");
    pointSize_ = size;
}
void RecordingGl::lightModelAmbient(float, float, float, float) {
    calls.push_back("lightModelAmbient");
}
void RecordingGl::material(unsigned, unsigned, const float*) {
    calls.push_back("material");
}
void RecordingGl::materialShininess(unsigned, float) {
    calls.push_back("materialShininess");
}
void RecordingGl::rasterPos(float x, float y, float z) {
    calls.push_back("rasterPos");
    raster_ = {x, y, z};
}
unsigned RecordingGl::genLists(int count) {
    calls.push_back("genLists");
    const unsigned first = nextList_;
    nextList_ += unsigned(count);
    return first;
}
void RecordingGl::deleteLists(unsigned, int) {
    calls.push_back("deleteLists");
}
void RecordingGl::newList(unsigned) {
    calls.push_back("newList");
}
void RecordingGl::endList() {
    calls.push_back("endList");
}
void RecordingGl::bitmap(int, int, float, float, float, float, const uint8_t*) {}
void RecordingGl::callLists(unsigned base, const char* text, int count) {
    calls.push_back("callLists");
    texts.push_back(
        {std::string(text, size_t(count)), raster_, colour_, base, isEnabled(gl::Lighting)});
}
void RecordingGl::drawInterleaved(unsigned mode, const float* vertices, int count, bool normals) {
    (void)normals;
    calls.push_back("drawInterleaved");
    Primitive p;
    p.mode = mode;
    p.lineWidth = lineWidth_;
    p.pointSize = pointSize_;
    p.lighting = isEnabled(gl::Lighting);
    p.depthTest = isEnabled(gl::DepthTest);
    p.stipple = isEnabled(gl::LineStipple);
    for (int i = 0; i < count; ++i, vertices += 9)
        p.vertices.push_back({{vertices[0], vertices[1], vertices[2]},
                              {vertices[6], vertices[7], vertices[8]},
                              {vertices[3], vertices[4], vertices[5]}});
    primitives.push_back(std::move(p));
}
void RecordingGl::flush() {
    calls.push_back("flush");
}
void RecordingGl::finish() {
    calls.push_back("finish");
}
void RecordingGl::getViewport(int v[4]) {
    std::memcpy(v, viewportSize, sizeof viewportSize);
}
void RecordingGl::readPixelsRgb(int, int, int width, int height, uint8_t* out) {
    const size_t row = (size_t(width) * 3 + 3) / 4 * 4;
    std::memset(out, 0, row * size_t(height));
}

std::vector<RecordingGl::Primitive> RecordingGl::ofMode(unsigned mode) const {
    std::vector<Primitive> out;
    for (const Primitive& p : primitives)
        if (p.mode == mode) out.push_back(p);
    return out;
}

}  // namespace orv
