#pragma once
// The video fragment stage computed on the CPU, step by step as the shader does it, to
// check rendered pixels against. Settings map to uniforms as a plane maps them.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <ostream>

#include "openglkit/CameraConfiguration.h"

namespace zelvo::test {

struct Rgb {
  float r, g, b;
};

// A pixel as a unorm8 colour buffer stores it.
struct Rgb8 {
  int r, g, b;
  bool operator==(const Rgb8&) const = default;
  int operator[](int i) const { return i == 0 ? r : i == 1 ? g : b; }
};

inline std::ostream& operator<<(std::ostream& out, const Rgb8& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

struct Yuv8Colour {
  uint8_t y, u, v;
};

// BT.601 from limited-range bytes: R = 1.1643 Y + 1.5958 V - 0.870669 and so on, with
// Y, U, V in 0..1.
inline Rgb yuvToRgb(uint8_t Y, uint8_t U, uint8_t V) {
  float y = Y / 255.0f, u = U / 255.0f, v = V / 255.0f;
  return {1.1643f * y + 1.5958f * v - 0.870669f, 1.1643f * y - 0.39173f * u - 0.8129f * v + 0.529546f,
          1.1643f * y + 2.017f * u - 1.081269f};
}

// GLSL mod: positive for a negative x, unlike fmod.
inline float glslMod(float x, float y) { return x - y * std::floor(x / y); }

inline Rgb shade(Rgb in, const CameraConfiguration& c) {
  const float pi = 3.14159265358979323846f;
  const float undefined = 100.0f;
  float hueShift = static_cast<float>(c.hue * 3.14159265358979323846);
  float saturationFactor = (c.saturation >= 0 ? 3 * c.saturation : c.saturation) + 1;
  float contrast = static_cast<float>((c.contrast >= 0 ? 3.0 * c.contrast : c.contrast) + 1);
  // The neutral settings leave the picture alone.
  if (hueShift == 0 && saturationFactor == 1 && c.brightness == 0 && contrast == 1) return in;

  float cmax = std::max(in.r, std::max(in.g, in.b));
  float cmin = std::min(in.r, std::min(in.g, in.b));
  float chroma = cmax - cmin;
  float hue;
  if (chroma == 0) {
    hue = undefined;
  } else {
    if (cmax == in.r)
      hue = glslMod((in.g - in.b) / chroma, 6.0f);
    else if (cmax == in.g)
      hue = (in.b - in.r) / chroma + 2.0f;
    else
      hue = (in.r - in.g) / chroma + 4.0f;
    hue = hue * pi / 3.0f;
  }
  float lightness = (cmax + cmin) / 2.0f;
  float saturation = chroma == 0 ? 0 : chroma / std::max(1.0e-6f, 1.0f - std::fabs(2.0f * lightness - 1.0f));

  float h = glslMod(hue + hueShift, 2 * pi);
  float s = std::clamp(saturation * saturationFactor, 0.0f, 1.0f);
  float l = std::clamp(lightness, 0.0f, 1.0f);
  if (hue == undefined) h = undefined;

  float k = (1 - std::fabs(2 * l - 1)) * s;
  float h6 = h * 3.0f / pi;
  float x = k * (1 - std::fabs(glslMod(h6, 2.0f) - 1));
  Rgb out;
  if (h == undefined)
    out = {0, 0, 0};
  else if (h6 < 1)
    out = {k, x, 0};
  else if (h6 < 2)
    out = {x, k, 0};
  else if (h6 < 3)
    out = {0, k, x};
  else if (h6 < 4)
    out = {0, x, k};
  else if (h6 < 5)
    out = {x, 0, k};
  else
    out = {k, 0, x};
  float m = l - k / 2;
  out = {out.r + m, out.g + m, out.b + m};
  auto adjust = [&](float v) { return (v - 0.5f) * contrast + 0.5f + c.brightness; };
  return {adjust(out.r), adjust(out.g), adjust(out.b)};
}

// What a unorm8 colour buffer stores.
inline Rgb8 toBytes(Rgb c) {
  auto byte = [](float v) { return static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
  return {byte(c.r), byte(c.g), byte(c.b)};
}

inline Rgb8 expectedPixel(uint8_t Y, uint8_t U, uint8_t V, const CameraConfiguration& c = {}) {
  return toBytes(shade(yuvToRgb(Y, U, V), c));
}

inline bool near(const Rgb8& a, const Rgb8& b, int tolerance = 1) {
  for (int i = 0; i < 3; ++i)
    if (std::abs(a[i] - b[i]) > tolerance) return false;
  return true;
}

}  // namespace zelvo::test
