#include "openglkit/OsdElement.h"

#include <algorithm>
#include <cmath>

namespace zelvo {

OsdElement::OsdElement(const OsdRect& position) : _pos(position) {}

OsdElement::~OsdElement() = default;

void OsdElement::draw(QPainter&, const OsdRect&) const {}

double OsdElement::getWidth(const OsdRect& frame, double defaultWidth) const {
  const double available = _pos.x >= 0 ? frame.width - _pos.x : frame.width + _pos.x;
  double candidate = defaultWidth;
  if (_pos.width > 0)
    candidate = _pos.width;
  else if (_pos.width < 0)
    candidate = frame.width - std::fabs(_pos.x) + _pos.width;
  return std::min(available, candidate);
}

double OsdElement::getHeight(const OsdRect& frame, double defaultHeight) const {
  const double available = _pos.y >= 0 ? frame.height - _pos.y : frame.height + _pos.y;
  double candidate = defaultHeight;
  if (_pos.height > 0)
    candidate = _pos.height;
  else if (_pos.height < 0)
    candidate = frame.height - _pos.y + _pos.height;  // y with its sign, as the layout rule has it
  return std::min(available, candidate);
}

double OsdElement::getLeft(const OsdRect& frame, double width) const {
  return _pos.x >= 0 ? frame.x + _pos.x : frame.x + frame.width - width + _pos.x;
}

double OsdElement::getBottom(const OsdRect& frame, double height) const {
  // The canvas grows upwards, so a top-anchored element sits below the frame's top edge.
  // Bottom-anchored positions (negative y) keep the rule as the layout has always had it;
  // no element of the overlay uses them.
  return _pos.y >= 0 ? frame.y + frame.height - (_pos.y + height) : frame.y + height - _pos.y;
}

OsdRect OsdElement::rectElement(const OsdRect& frame, const OsdSize& defaultSize) const {
  const double width = getWidth(frame, defaultSize.width);
  const double height = getHeight(frame, defaultSize.height);
  return {getLeft(frame, width), getBottom(frame, height), width, height};
}

}  // namespace zelvo
