#include "batching_gl.h"

#include <cstddef>

namespace orv {

void BatchingGl::drawBatch(Batch& batch, unsigned mode) {
    if (batch.vertices.empty()) return;
    target_.drawInterleaved(mode, &batch.vertices[0].p[0], int(batch.vertices.size()), lighting_);
    batch.vertices.clear();
}

void BatchingGl::flushBatches() {
    drawBatch(triangles_, gl::Triangles);
    drawBatch(quads_, gl::Quads);
    drawBatch(lines_, gl::Lines);
    drawBatch(points_, gl::Points);
}

// Points, lines, triangles and quadrilaterals go straight into their batch; the other
// primitives are collected first and then taken apart.
void BatchingGl::begin(unsigned primitive) {
    mode_ = primitive;
    inside_ = true;
    switch (primitive) {
        case gl::Points:
            into_ = &points_.vertices;
            break;
        case gl::Lines:
            into_ = &lines_.vertices;
            break;
        case gl::Triangles:
            into_ = &triangles_.vertices;
            break;
        case gl::Quads:
            into_ = &quads_.vertices;
            break;
        default:
            current_.clear();
            into_ = &current_;
            break;
    }
    start_ = into_->size();
}

void BatchingGl::vertex(float x, float y, float z) {
    if (!inside_) return;
    into_->push_back(
        {{x, y, z}, {normal_[0], normal_[1], normal_[2]}, {colour_[0], colour_[1], colour_[2]}});
}

void BatchingGl::end() {
    inside_ = false;
    emitPrimitive();
    // Batches of a size that stays in the cache; the draw calls are still few.
    constexpr size_t kBatchVertices = size_t(1) << 15;
    if (triangles_.vertices.size() >= kBatchVertices || quads_.vertices.size() >= kBatchVertices ||
        lines_.vertices.size() >= kBatchVertices || points_.vertices.size() >= kBatchVertices)
        flushBatches();
}

// Completes one primitive in the form OpenGL would have drawn it.
void BatchingGl::emitPrimitive() {
    const auto trim = [&](size_t group) {
        const size_t added = into_->size() - start_;
        into_->resize(into_->size() - added % group);
    };
    switch (mode_) {
        case gl::Points:
            return;
        case gl::Lines:
            return trim(2);
        case gl::Triangles:
            return trim(3);
        case gl::Quads:
            return trim(4);
        default:
            break;
    }
    const size_t n = current_.size();
    auto& tri = triangles_.vertices;
    auto& lin = lines_.vertices;
    switch (mode_) {
        case gl::LineStrip:
        case gl::LineLoop:
            for (size_t i = 0; i + 1 < n; ++i) {
                lin.push_back(current_[i]);
                lin.push_back(current_[i + 1]);
            }
            if (mode_ == gl::LineLoop && n >= 2) {
                lin.push_back(current_[n - 1]);
                lin.push_back(current_[0]);
            }
            break;
        case gl::Polygon:
        case gl::TriangleFan:
            // A quadrilateral stays one; other convex polygons become a fan from their first
            // vertex (their vertices share one colour, so shading sees no difference).
            if (n == 4 && mode_ == gl::Polygon) {
                quads_.vertices.insert(quads_.vertices.end(), current_.begin(), current_.end());
                break;
            }
            for (size_t i = 1; i + 1 < n; ++i) {
                tri.push_back(current_[0]);
                tri.push_back(current_[i]);
                tri.push_back(current_[i + 1]);
            }
            break;
        case gl::TriangleStrip:
            for (size_t i = 0; i + 2 < n; ++i) {
                const bool odd = i % 2 != 0;
                tri.push_back(current_[odd ? i + 1 : i]);
                tri.push_back(current_[odd ? i : i + 1]);
                tri.push_back(current_[i + 2]);
            }
            break;
        default:
            break;
    }
    current_.clear();
}

void BatchingGl::normal(float x, float y, float z) {
    normal_[0] = x;
    normal_[1] = y;
    normal_[2] = z;
}

void BatchingGl::color(float r, float g, float b) {
    colour_[0] = r;
    colour_[1] = g;
    colour_[2] = b;
}

// Everything else changes state that the collected primitives must not see: draw them
// first, then pass the call on.
void BatchingGl::clearColor(float r, float g, float b, float a) {
    flushBatches();
    target_.clearColor(r, g, b, a);
}
void BatchingGl::clear(unsigned mask) {
    flushBatches();
    target_.clear(mask);
}
void BatchingGl::enable(unsigned capability) {
    flushBatches();
    if (capability == gl::Lighting) lighting_ = true;
    target_.enable(capability);
}
void BatchingGl::disable(unsigned capability) {
    flushBatches();
    if (capability == gl::Lighting) lighting_ = false;
    target_.disable(capability);
}
void BatchingGl::depthFunc(unsigned func) {
    flushBatches();
    target_.depthFunc(func);
}
void BatchingGl::polygonOffset(float factor, float units) {
    flushBatches();
    target_.polygonOffset(factor, units);
}
void BatchingGl::logicOp(unsigned op) {
    flushBatches();
    target_.logicOp(op);
}
void BatchingGl::viewport(int x, int y, int width, int height) {
    flushBatches();
    target_.viewport(x, y, width, height);
}
void BatchingGl::matrixMode(unsigned mode) {
    flushBatches();
    target_.matrixMode(mode);
}
void BatchingGl::loadIdentity() {
    flushBatches();
    target_.loadIdentity();
}
void BatchingGl::ortho(double l, double r, double b, double t, double n, double f) {
    flushBatches();
    target_.ortho(l, r, b, t, n, f);
}
void BatchingGl::pushMatrix() {
    flushBatches();
    target_.pushMatrix();
}
void BatchingGl::popMatrix() {
    flushBatches();
    target_.popMatrix();
}
void BatchingGl::translate(double x, double y, double z) {
    flushBatches();
    target_.translate(x, y, z);
}
void BatchingGl::scale(double x, double y, double z) {
    flushBatches();
    target_.scale(x, y, z);
}
void BatchingGl::rotate(double angle, double x, double y, double z) {
    flushBatches();
    target_.rotate(angle, x, y, z);
}
void BatchingGl::lineWidth(float width) {
    if (width == lineWidth_) return;
    flushBatches();
    lineWidth_ = width;
    target_.lineWidth(width);
}
void BatchingGl::lineStipple(int factor, uint16_t pattern) {
    flushBatches();
    target_.lineStipple(factor, pattern);
}
void BatchingGl::pointSize(float size) {
    if (size == pointSize_) return;
    flushBatches();
    pointSize_ = size;
    target_.pointSize(size);
}
void BatchingGl::lightModelAmbient(float r, float g, float b, float a) {
    flushBatches();
    target_.lightModelAmbient(r, g, b, a);
}
void BatchingGl::material(unsigned face, unsigned name, const float* rgba) {
    flushBatches();
    target_.material(face, name, rgba);
}
void BatchingGl::materialShininess(unsigned face, float shininess) {
    flushBatches();
    target_.materialShininess(face, shininess);
}
void BatchingGl::rasterPos(float x, float y, float z) {
    flushBatches();
    // The raster position takes the current colour: after drawn arrays it is undefined.
    target_.color(colour_[0], colour_[1], colour_[2]);
    target_.normal(normal_[0], normal_[1], normal_[2]);
    target_.rasterPos(x, y, z);
}
unsigned BatchingGl::genLists(int count) {
    return target_.genLists(count);
}
void BatchingGl::deleteLists(unsigned first, int count) {
    target_.deleteLists(first, count);
}
void BatchingGl::newList(unsigned list) {
    flushBatches();
    target_.newList(list);
}
void BatchingGl::endList() {
    target_.endList();
}
void BatchingGl::bitmap(int width, int height, float xorig, float yorig, float xmove, float ymove,
                        const uint8_t* bits) {
    target_.bitmap(width, height, xorig, yorig, xmove, ymove, bits);
}
void BatchingGl::callLists(unsigned base, const char* text, int count) {
    flushBatches();
    target_.callLists(base, text, count);
}
void BatchingGl::drawInterleaved(unsigned mode, const float* vertices, int count, bool normals) {
    flushBatches();
    target_.drawInterleaved(mode, vertices, count, normals);
}
void BatchingGl::flush() {
    flushBatches();
    target_.flush();
}
void BatchingGl::finish() {
    flushBatches();
    target_.finish();
}
void BatchingGl::getViewport(int v[4]) {
    target_.getViewport(v);
}
void BatchingGl::readPixelsRgb(int x, int y, int width, int height, uint8_t* out) {
    flushBatches();
    target_.readPixelsRgb(x, y, width, height, out);
}

}  // namespace orv
