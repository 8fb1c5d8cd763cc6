#include "headless_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

namespace orv {

namespace {

struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;

    bool load() {
        genFramebuffers = PFNGLGENFRAMEBUFFERSPROC(eglGetProcAddress("glGenFramebuffers"));
        deleteFramebuffers = PFNGLDELETEFRAMEBUFFERSPROC(eglGetProcAddress("glDeleteFramebuffers"));
        bindFramebuffer = PFNGLBINDFRAMEBUFFERPROC(eglGetProcAddress("glBindFramebuffer"));
        genRenderbuffers = PFNGLGENRENDERBUFFERSPROC(eglGetProcAddress("glGenRenderbuffers"));
        deleteRenderbuffers =
            PFNGLDELETERENDERBUFFERSPROC(eglGetProcAddress("glDeleteRenderbuffers"));
        bindRenderbuffer = PFNGLBINDRENDERBUFFERPROC(eglGetProcAddress("glBindRenderbuffer"));
        renderbufferStorage =
            PFNGLRENDERBUFFERSTORAGEPROC(eglGetProcAddress("glRenderbufferStorage"));
        framebufferRenderbuffer =
            PFNGLFRAMEBUFFERRENDERBUFFERPROC(eglGetProcAddress("glFramebufferRenderbuffer"));
        checkFramebufferStatus =
            PFNGLCHECKFRAMEBUFFERSTATUSPROC(eglGetProcAddress("glCheckFramebufferStatus"));
        return genFramebuffers && deleteFramebuffers && bindFramebuffer && genRenderbuffers &&
               deleteRenderbuffers && bindRenderbuffer && renderbufferStorage &&
               framebufferRenderbuffer && checkFramebufferStatus;
    }
};

FramebufferCalls fb;

}  // namespace

HeadlessContext::~HeadlessContext() {
    if (!display_) return;
    EGLDisplay display = EGLDisplay(display_);
    if (context_) {
        releaseFramebuffer();
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, EGLContext(context_));
    }
    // The display stays initialised: it is one per process, a later context (printing)
    // takes it again, and its driver stays loaded so that leak reports can name it.
    eglReleaseThread();
}

bool HeadlessContext::create(int width, int height) {
    if (width < 1 || height < 1) {
        error_ = "the picture size must be at least 1 x 1";
        return false;
    }
    const auto getPlatformDisplay =
        PFNEGLGETPLATFORMDISPLAYEXTPROC(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        error_ = "EGL cannot choose a platform";
        return false;
    }
    EGLDisplay display =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        error_ = "no surfaceless EGL display";
        return false;
    }
    display_ = display;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error_ = "EGL has no desktop OpenGL";
        return false;
    }
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                 2,
                                 EGL_CONTEXT_MINOR_VERSION,
                                 1,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                 EGL_NONE};
    EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (context == EGL_NO_CONTEXT) {
        error_ = "no OpenGL context without a window";
        return false;
    }
    context_ = context;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        error_ = "the OpenGL context cannot be made current";
        return false;
    }
    if (!fb.load()) {
        error_ = "OpenGL has no framebuffer objects";
        return false;
    }
    return makeFramebuffer(width, height);
}

bool HeadlessContext::resize(int width, int height) {
    if (!context_ || width < 1 || height < 1) return false;
    if (width == width_ && height == height_) return true;
    releaseFramebuffer();
    return makeFramebuffer(width, height);
}

bool HeadlessContext::makeFramebuffer(int width, int height) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    if (width > largest || height > largest) {
        error_ = "the picture is larger than " + std::to_string(largest) + " pixels a side";
        return false;
    }
    fb.genFramebuffers(1, &framebuffer_);
    fb.bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    fb.genRenderbuffers(1, &colour_);
    fb.bindRenderbuffer(GL_RENDERBUFFER, colour_);
    fb.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    fb.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    fb.genRenderbuffers(1, &depth_);
    fb.bindRenderbuffer(GL_RENDERBUFFER, depth_);
    fb.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    fb.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
    fb.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth_);
    if (fb.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        releaseFramebuffer();
        error_ = "the framebuffer cannot be completed";
        return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, width, height);
    width_ = width;
    height_ = height;
    return true;
}

void HeadlessContext::releaseFramebuffer() {
    if (framebuffer_) {
        fb.bindFramebuffer(GL_FRAMEBUFFER, 0);
        fb.deleteFramebuffers(1, &framebuffer_);
    }
    if (colour_) fb.deleteRenderbuffers(1, &colour_);
    if (depth_) fb.deleteRenderbuffers(1, &depth_);
    framebuffer_ = colour_ = depth_ = 0;
    width_ = height_ = 0;
}

}  // namespace orv
