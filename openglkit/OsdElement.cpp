#include "openglkit/OsdElement.h"

#include <algorithm>
#include <cmath>

namespace zelvo {

OsdElement::OsdElement(const OsdRect& position) : pos_(position) {}

OsdElement::~OsdElement() = default;

void OsdElement::draw(QPainter&, const OsdRect&) const {}

double OsdElement::getWidth(const OsdRect& frame, double defaultWidth) const {
  const double available = pos_.x >= 0 ? frame.width - pos_.x : frame.width + pos_.x;
  double candidate = defaultWidth;
  if (pos_.width > 0)
    candidate = pos_.width;
  else if (pos_.width < 0)
    candidate = frame.width - std::fabs(pos_.x) + pos_.width;
  return std::min(available, candidate);
}

double OsdElement::getHeight(const OsdRect& frame, double defaultHeight) const {
  const double available = pos_.y >= 0 ? frame.height - pos_.y : frame.height + pos_.y;
  double candidate = defaultHeight;
  if (pos_.height > 0)
    candidate = pos_.height;
  else if (pos_.height < 0)
    candidate = frame.height - pos_.y + pos_.height;  // y with its sign, as the layout rule has it
  return std::min(available, candidate);
}

double OsdElement::getLeft(const OsdRect& frame, double width) const {
  return pos_.x >= 0 ? frame.x + pos_.x : frame.x + frame.width - width + pos_.x;
}

double OsdElement::getBottom(const OsdRect& frame, double height) const {
  // The canvas grows upwards, so a top-anchored element sits below the frame's top edge.
  // Bottom-anchored positions (negative y) keep the rule as the layout has always had it;
  // no element of the overlay uses them.
  return pos_.y >= 0 ? frame.y + frame.height - (pos_.y + height) : frame.y + height - pos_.y;
}

OsdRect OsdElement::rectElement(const OsdRect& frame, const OsdSize& defaultSize) const {
  const double width = getWidth(frame, defaultSize.width);
  const double height = getHeight(frame, defaultSize.height);
  return {getLeft(frame, width), getBottom(frame, height), width, height};
}

}  // namespace zelvo
