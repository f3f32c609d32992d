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
  explicit GLTestContext(int width = 64, int height = 64) : _width(width), _height(height) {
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
      _error = "eglGetPlatformDisplayEXT is missing";
      return;
    }
    _display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (_display == EGL_NO_DISPLAY || !eglInitialize(_display, nullptr, nullptr)) {
      _error = "no surfaceless EGL display";
      _display = EGL_NO_DISPLAY;
      return;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
      _error = "desktop OpenGL is not available through EGL";
      return;
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,     8,               EGL_GREEN_SIZE,      8,
                                       EGL_BLUE_SIZE,    8,               EGL_ALPHA_SIZE,      8,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(_display, configAttributes, &config, 1, &count) || count < 1) {
      _error = "no RGBA8 pbuffer configuration";
      return;
    }
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    _surface = eglCreatePbufferSurface(_display, config, surfaceAttributes);
    if (_surface == EGL_NO_SURFACE) {
      _error = "no pbuffer surface";
      return;
    }
    // No attributes: Mesa then gives its highest compatibility profile.
    _context = eglCreateContext(_display, config, EGL_NO_CONTEXT, nullptr);
    if (_context == EGL_NO_CONTEXT || !eglMakeCurrent(_display, _surface, _surface, _context)) {
      _error = "no current GL context";
      return;
    }
    FrameBuffer::setDefaultFramebuffer(0);
    glViewport(0, 0, width, height);
    // The kit leaves unpack alignment to its host; decoded planes are tightly packed.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    _valid = true;
  }

  ~GLTestContext() {
    if (_display == EGL_NO_DISPLAY) return;
    eglMakeCurrent(_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (_context != EGL_NO_CONTEXT) eglDestroyContext(_display, _context);
    if (_surface != EGL_NO_SURFACE) eglDestroySurface(_display, _surface);
  }

  GLTestContext(const GLTestContext&) = delete;
  GLTestContext& operator=(const GLTestContext&) = delete;

  bool isValid() const { return _valid; }
  const std::string& error() const { return _error; }
  int width() const { return _width; }
  int height() const { return _height; }

 private:
  EGLDisplay _display = EGL_NO_DISPLAY;
  EGLSurface _surface = EGL_NO_SURFACE;
  EGLContext _context = EGL_NO_CONTEXT;
  int _width;
  int _height;
  bool _valid = false;
  std::string _error;
};

}  // namespace zelvo::test
