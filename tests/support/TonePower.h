// How much of one frequency a recording holds, to tell the cameras' tones apart.
#pragma once

#include <cmath>
#include <vector>

namespace zelvo::test {

// Power of one frequency in the samples (Goertzel).
template <typename Sample>
double tonePower(const std::vector<Sample>& samples, double frequency, double rate) {
  double coefficient = 2.0 * std::cos(2.0 * M_PI * frequency / rate);
  double s1 = 0, s2 = 0;
  for (Sample sample : samples) {
    double s0 = sample + coefficient * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  return s1 * s1 + s2 * s2 - coefficient * s1 * s2;
}

}  // namespace zelvo::test
