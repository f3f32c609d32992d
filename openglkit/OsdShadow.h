#pragma once
// A drop shadow under whatever a piece of drawing paints. QPainter has no shadow state, so
// the drawing is first painted into a scratch image, its alpha is blurred, tinted with the
// shadow colour and laid down, and then the drawing itself is painted over it. The blur
// follows the usual reading of a shadow's blur radius: a Gaussian whose standard deviation is
// half the radius (approximated by three box blurs; wide ones are blurred at half
// resolution, where they lose nothing visible). The shadow has no offset.

#include <functional>
#include <vector>

#include <QImage>
#include <QRectF>

#include "openglkit/Rgba.h"

class QPainter;

namespace zelvo {

class OsdShadow {
 public:
  OsdShadow(double blurRadius, const Rgba& color);

  // `bounds` (device pixels) must hold everything `paint` draws; the shadow may spread
  // beyond it by about three standard deviations. `paint` is called twice: once into the
  // scratch image and once on `painter`, so it must draw the same thing both times.
  void draw(QPainter& painter, const QRectF& bounds, const std::function<void(QPainter&)>& paint) const;

  double blurRadius() const { return blurRadius_; }
  const Rgba& color() const { return color_; }

  // Blurs a width x height plane of alpha values in place (values outside count as 0).
  static void blur(std::vector<float>& alpha, int width, int height, double sigma);

 private:
  double blurRadius_;
  Rgba color_;
};

}  // namespace zelvo
