#pragma once
// A colour in device RGB with straight (not premultiplied) alpha, each component 0..1.
// The on-screen display takes these instead of toolkit colours, so that the GL side of the
// kit stays free of Qt.

namespace zelvo {

struct Rgba {
  float red = 0.0f;
  float green = 0.0f;
  float blue = 0.0f;
  float alpha = 0.0f;

  // Fully transparent: a plane cleared with it lets the video show through.
  static constexpr Rgba clear() { return {0.0f, 0.0f, 0.0f, 0.0f}; }
  static constexpr Rgba black() { return {0.0f, 0.0f, 0.0f, 1.0f}; }
  static constexpr Rgba white() { return {1.0f, 1.0f, 1.0f, 1.0f}; }

  // Exact comparison of the four components, as the flat-background rule needs.
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

}  // namespace zelvo
