#pragma once
// An OpenGL context without any window system: EGL on Mesa's surfaceless platform, drawing
// into a framebuffer object of the requested size. The batch tool and the image tests
// render through it; it gives the same compatibility-profile GL as the window.
#include <string>

namespace orv {

class HeadlessContext {
  public:
    HeadlessContext() = default;
    ~HeadlessContext();
    HeadlessContext(const HeadlessContext&) = delete;
    HeadlessContext& operator=(const HeadlessContext&) = delete;

    // Creates the context with a width x height framebuffer and makes it current; false with
    // a reason in error() when no such context can be had here.
    bool create(int width, int height);
    // Gives the framebuffer a new size (its content is lost).
    bool resize(int width, int height);
    const std::string& error() const { return error_; }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    bool makeFramebuffer(int width, int height);
    void releaseFramebuffer();

    void* display_ = nullptr;  // EGLDisplay
    void* context_ = nullptr;  // EGLContext
    unsigned framebuffer_ = 0, colour_ = 0, depth_ = 0;
    int width_ = 0, height_ = 0;
    std::string error_;
};

}  // namespace orv
