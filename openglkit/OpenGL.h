#pragma once
// The kit calls desktop OpenGL directly (a compatibility context: GL_LUMINANCE and the
// unversioned shaders need it), through glvnd's libOpenGL.

#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
#include <GL/glext.h>
