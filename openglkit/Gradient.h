#pragma once
// A colour gradient as a list of stops from location 0 to 1: the backgrounds of the
// on-screen-display planes and the fill of the selected plane's frame.

#include <vector>

#include "openglkit/Rgba.h"

namespace zelvo {

struct GradientStop {
  Rgba color;
  double location = 0.0;
  friend bool operator==(const GradientStop&, const GradientStop&) = default;
};

class Gradient {
 public:
  // Two stops, `from` at 0 and `to` at 1.
  Gradient(const Rgba& from, const Rgba& to);
  // Stops spread evenly from 0 to 1 in the given order (one colour sits at 0).
  explicit Gradient(const std::vector<Rgba>& colors);

  int numberOfColorStops() const { return static_cast<int>(stops_.size()); }
  const std::vector<GradientStop>& stops() const { return stops_; }

  friend bool operator==(const Gradient&, const Gradient&) = default;

 private:
  std::vector<GradientStop> stops_;
};

}  // namespace zelvo
