#include "open_gl.h"

#include <GL/gl.h>

namespace orv {

void OpenGl::clearColor(float r, float g, float b, float a) {
    glClearColor(r, g, b, a);
}
void OpenGl::clear(unsigned mask) {
    glClear(mask);
}
void OpenGl::enable(unsigned capability) {
    glEnable(capability);
}
void OpenGl::disable(unsigned capability) {
    glDisable(capability);
}
void OpenGl::depthFunc(unsigned func) {
    glDepthFunc(func);
}
void OpenGl::polygonOffset(float factor, float units) {
    glPolygonOffset(factor, units);
}
void OpenGl::logicOp(unsigned op) {
    glLogicOp(op);
}
void OpenGl::viewport(int x, int y, int width, int height) {
    glViewport(x, y, width, height);
}
void OpenGl::matrixMode(unsigned mode) {
    glMatrixMode(mode);
}
void OpenGl::loadIdentity() {
    glLoadIdentity();
}
void OpenGl::ortho(double l, double r, double b, double t, double n, double f) {
    glOrtho(l, r, b, t, n, f);
}
void OpenGl::pushMatrix() {
    glPushMatrix();
}
void OpenGl::popMatrix() {
    glPopMatrix();
}
void OpenGl::translate(double x, double y, double z) {
    glTranslated(x, y, z);
}
void OpenGl::scale(double x, double y, double z) {
    glScaled(x, y, z);
}
void OpenGl::rotate(double angle, double x, double y, double z) {
    glRotated(angle, x, y, z);
}
void OpenGl::begin(unsigned primitive) {
    glBegin(primitive);
}
void OpenGl::end() {
    glEnd();
}
void OpenGl::vertex(float x, float y, float z) {
    glVertex3f(x, y, z);
}
void OpenGl::normal(float x, float y, float z) {
    glNormal3f(x, y, z);
}
void OpenGl::color(float r, float g, float b) {
    glColor3f(r, g, b);
}
void OpenGl::lineWidth(float width) {
    glLineWidth(width);
}
void OpenGl::lineStipple(int factor, uint16_t pattern) {
    glLineStipple(factor, pattern);
}
void OpenGl::pointSize(float size) {
    glPointSize(size);
}
void OpenGl::lightModelAmbient(float r, float g, float b, float a) {
    const float v[4] = {r, g, b, a};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, v);
}
void OpenGl::material(unsigned face, unsigned name, const float* rgba) {
    glMaterialfv(face, name, rgba);
}
void OpenGl::materialShininess(unsigned face, float shininess) {
    glMaterialf(face, GL_SHININESS, shininess);
}
void OpenGl::rasterPos(float x, float y, float z) {
    glRasterPos3f(x, y, z);
}
unsigned OpenGl::genLists(int count) {
    return glGenLists(count);
}
void OpenGl::deleteLists(unsigned first, int count) {
    glDeleteLists(first, count);
}
void OpenGl::newList(unsigned list) {
    glNewList(list, GL_COMPILE);
}
void OpenGl::endList() {
    glEndList();
}
void OpenGl::bitmap(int width, int height, float xorig, float yorig, float xmove, float ymove,
                    const uint8_t* bits) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // glyph rows are whole bytes, not words
    glBitmap(width, height, xorig, yorig, xmove, ymove, bits);
}
void OpenGl::callLists(unsigned base, const char* text, int count) {
    glPushAttrib(GL_LIST_BIT);
    glListBase(base);
    glCallLists(count, GL_UNSIGNED_BYTE, text);
    glPopAttrib();
}
void OpenGl::drawInterleaved(unsigned mode, const float* vertices, int count, bool normals) {
    if (count <= 0) return;
    constexpr GLsizei kStride = 9 * sizeof(float);
    glEnableClientState(GL_VERTEX_ARRAY);
    if (normals) glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, kStride, vertices);
    if (normals) glNormalPointer(GL_FLOAT, kStride, vertices + 3);
    glColorPointer(3, GL_FLOAT, kStride, vertices + 6);
    glDrawArrays(mode, 0, count);
    glDisableClientState(GL_COLOR_ARRAY);
    if (normals) glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}
void OpenGl::flush() {
    glFlush();
}
void OpenGl::finish() {
    glFinish();
}
void OpenGl::getViewport(int v[4]) {
    glGetIntegerv(GL_VIEWPORT, v);
}
void OpenGl::readPixelsRgb(int x, int y, int width, int height, uint8_t* out) {
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, out);
}

}  // namespace orv
