#pragma once
// The kit's GLSL programs, compiled at start-up (one Program per drawable). They
// carry no version directive and no precision qualifiers: desktop GLSL on a
// compatibility context.

namespace zelvo {

// Three planar Y, U, V luminance textures to RGB (u_mYUVToRGB), with an optional colour
// adjustment in HSL space (u_mColorTransform, u_contrast, u_brightness).
extern const char* const videoVertexShaderSource;
extern const char* const videoFragmentShaderSource;
// The conversion alone: what videoFragmentShaderSource gives at neutral settings, without
// the adjustment it would otherwise evaluate for every pixel (a software rasteriser runs
// both sides of a branch). Used with videoVertexShaderSource.
extern const char* const videoNeutralFragmentShaderSource;

// The on-screen-display texture blended over the rendered video by its own alpha.
extern const char* const osdVertexShaderSource;
extern const char* const osdFragmentShaderSource;

}  // namespace zelvo
