#pragma once
// A bitmap on a plane's on-screen display (the PTZ icon), drawn at its natural size unless
// its position record says otherwise.

#include <QImage>

#include "openglkit/OsdElement.h"

namespace zelvo {

class OsdImage : public OsdElement {
 public:
  // Keeps its own copy of the picture, converted once for drawing.
  OsdImage(const OsdRect& position, const QImage& image);

  const QImage& image() const { return image_; }
  void setImage(const QImage& image);

  void draw(QPainter& painter, const OsdRect& frame) const override;

 private:
  QImage image_;
};

}  // namespace zelvo
