#pragma once
// An item drawn on one plane's on-screen display. Its position record anchors it to an
// edge of the plane's frame and sizes it from its content:
//   x  0: at the left edge; > 0: that far right of the left edge; < 0: right edge |x| left of the frame's right edge
//   y  0: at the top edge; > 0: that far below the top; < 0: measured by the bottom rule of getBottom
//   width / height  0: the content's natural size; > 0: that size; < 0: the frame's size less |x| (or y), plus the value
// Rectangles are in canvas coordinates (origin bottom left).

#include "openglkit/OsdRect.h"

class QPainter;

namespace zelvo {

class OsdElement {
 public:
  explicit OsdElement(const OsdRect& position);
  virtual ~OsdElement();
  OsdElement(const OsdElement&) = delete;
  OsdElement& operator=(const OsdElement&) = delete;

  // Draws the element inside `frame` on the painter's image; the base draws nothing.
  virtual void draw(QPainter& painter, const OsdRect& frame) const;

  // The drawing rectangle inside `frame` for content of the given natural size.
  OsdRect rectElement(const OsdRect& frame, const OsdSize& defaultSize) const;
  double getLeft(const OsdRect& frame, double width) const;
  double getBottom(const OsdRect& frame, double height) const;
  double getWidth(const OsdRect& frame, double defaultWidth) const;
  double getHeight(const OsdRect& frame, double defaultHeight) const;

  const OsdRect& position() const { return pos_; }
  bool visible() const { return visible_; }
  void setVisible(bool visible) { visible_ = visible; }

 protected:
  OsdRect pos_;
  bool visible_ = true;
};

}  // namespace zelvo
