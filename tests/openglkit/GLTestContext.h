#pragma once
// A desktop GL compatibility context on Mesa without any window system: EGL on the
// surfaceless platform, with a small pbuffer so that framebuffer 0 exists. Made current
// on the constructing thread; tests, death tests and benchmarks make one each. Mesa is a
// build dependency, so a test without a context fails rather than skips: the kit is
// only tested where it really draws.
//
//   zelvo::test::GLTestContext gl;
//   if (!gl.isValid()) FAIL() << "no GL context: " << gl.error();

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <string>

#include "openglkit/FrameBuffer.h"
#include "openglkit/OpenGL.h"

namespace zelvo::test {

class GLTestContext {
 public:
  explicit GLTestContext(int width = 64, int height = 64) : width_(width), height_(height) {
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
      error_ = "eglGetPlatformDisplayEXT is missing";
      return;
    }
    display_ = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr)) {
      error_ = "no surfaceless EGL display";
      display_ = EGL_NO_DISPLAY;
      return;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
      error_ = "desktop OpenGL is not available through EGL";
      return;
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,     8,               EGL_GREEN_SIZE,      8,
                                       EGL_BLUE_SIZE,    8,               EGL_ALPHA_SIZE,      8,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display_, configAttributes, &config, 1, &count) || count < 1) {
      error_ = "no RGBA8 pbuffer configuration";
      return;
    }
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface_ = eglCreatePbufferSurface(display_, config, surfaceAttributes);
    if (surface_ == EGL_NO_SURFACE) {
      error_ = "no pbuffer surface";
      return;
    }
    // No attributes: Mesa then gives its highest compatibility profile.
    context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, nullptr);
    if (context_ == EGL_NO_CONTEXT || !eglMakeCurrent(display_, surface_, surface_, context_)) {
      error_ = "no current GL context";
      return;
    }
    FrameBuffer::setDefaultFramebuffer(0);
    glViewport(0, 0, width, height);
    // The kit leaves unpack alignment to its host; decoded planes are tightly packed.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    valid_ = true;
  }

  ~GLTestContext() {
    if (display_ == EGL_NO_DISPLAY) return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_ != EGL_NO_CONTEXT) eglDestroyContext(display_, context_);
    if (surface_ != EGL_NO_SURFACE) eglDestroySurface(display_, surface_);
  }

  GLTestContext(const GLTestContext&) = delete;
  GLTestContext& operator=(const GLTestContext&) = delete;

  bool isValid() const { return valid_; }
  const std::string& error() const { return error_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  EGLDisplay display_ = EGL_NO_DISPLAY;
  EGLSurface surface_ = EGL_NO_SURFACE;
  EGLContext context_ = EGL_NO_CONTEXT;
  int width_;
  int height_;
  bool valid_ = false;
  std::string error_;
};

}  // namespace zelvo::test
