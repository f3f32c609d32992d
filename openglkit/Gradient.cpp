#include "openglkit/Gradient.h"

#include <cstddef>

namespace zelvo {

Gradient::Gradient(const Rgba& from, const Rgba& to) : stops_{{from, 0.0}, {to, 1.0}} {}

Gradient::Gradient(const std::vector<Rgba>& colors) {
  stops_.reserve(colors.size());
  const double last = colors.size() > 1 ? static_cast<double>(colors.size() - 1) : 1.0;
  for (std::size_t i = 0; i < colors.size(); ++i) stops_.push_back({colors[i], static_cast<double>(i) / last});
}

}  // namespace zelvo
