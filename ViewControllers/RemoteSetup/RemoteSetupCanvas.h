#pragma once
// The remote-setup window's picture of the recorder's setup dialog: the pictures
// the recorder sends, each painted at its offset (top-left origin, as the recorder
// gives it and as QImage keeps it: no flip), over opaque magenta. Magenta is the
// colour key: wherever the canvas is exactly (255, 0, 255), never painted, cleared,
// or magenta in the recorder's own picture, the window's background shows.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace zelvo {

class RemoteSetupCanvas {
 public:
  static constexpr QRgb Key = 0xFFFF00FF;

  // Opaque magenta of that size (whole pixels; an empty size gives an empty canvas).
  explicit RemoteSetupCanvas(QSize size = QSize());

  QSize size() const { return canvas_.size(); }
  // 32 bits per pixel, no alpha (the first byte unused), 4 * width bytes per row.
  const QImage& image() const { return canvas_; }

  // Every pixel opaque magenta again.
  void clear();
  // The picture with its top-left corner at offset (the recorder's coordinates);
  // the part outside the canvas is cut off. The rectangle that changed, within the
  // canvas (empty when nothing did).
  QRect drawImage(const QImage& picture, QPoint offset);
  // A canvas of the new size: what was painted stays where it was, the rest is
  // magenta. False when the size did not change.
  bool resize(QSize size);
  // The canvas, or the part of it in area, with the key colour made transparent
  // (alpha 0) and everything else opaque.
  QImage masked() const { return masked(canvas_.rect()); }
  QImage masked(const QRect& area) const;

 private:
  QImage canvas_;
};

}  // namespace zelvo
