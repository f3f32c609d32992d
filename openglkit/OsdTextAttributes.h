#pragma once
// How an on-screen-display text box draws its text: the font (families in order of
// preference, a size in device pixels), the fill, an outline and a shadow.

#include <string>
#include <vector>

#include "openglkit/Rgba.h"

namespace zelvo {

struct OsdTextAttributes {
  std::vector<std::string> fontFamilies;
  double fontPixelSize = 12.0;
  bool bold = false;
  Rgba foreground = Rgba::black();
  // Outline width as a percentage of the font size: negative fills and outlines the
  // glyphs, positive draws the outline alone, 0 fills without an outline.
  double strokeWidth = 0.0;
  Rgba strokeColor = Rgba::black();
  // A blur radius of 0 means no shadow.
  double shadowBlurRadius = 0.0;
  Rgba shadowColor = Rgba::black();
  // Text wider than its box ends in an ellipsis; otherwise it is cut at the box.
  bool truncateTail = true;
};

}  // namespace zelvo
