#include "openglkit/OsdCanvas.h"

#include <algorithm>
#include <cmath>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "openglkit/OsdElementKeys.h"
#include "openglkit/OsdPainting.h"
#include "openglkit/OsdShadow.h"

namespace zelvo {

namespace {

// Title 8 from the left at the top, as wide as the plane less 48, as high as its text;
// icon 7 from the right and 7 from the top at its own size.
constexpr OsdRect titlePosition{8, 0, -40, 0};
constexpr OsdRect ptzIconPosition{-7, 7, 0, 0};

constexpr Rgba gridColor{0.2f, 0.2f, 0.2f, 1.0f};
constexpr Rgba highlightShadowColor{0.7f, 0.7f, 1.0f, 1.0f};
constexpr Rgba highlightColor{0.19f, 0.51f, 0.87f, 1.0f};
constexpr double highlightShadowBlur = 7.0;
constexpr double highlightInset = 6.0;
constexpr double highlightCornerRadius = 10.0;
constexpr double highlightLineWidth = 2.0;
constexpr double selectionBand = 3.0;
constexpr double selectionShadowBlur = 5.0;

}  // namespace

OsdTextAttributes OsdCanvas::titleAttributes() {
  OsdTextAttributes attributes;
  // The face the wall was designed with first, then metric-compatible and common fallbacks.
  attributes.fontFamilies = {"Helvetica Neue", "Helvetica", "Liberation Sans", "DejaVu Sans"};
  attributes.fontPixelSize = 15.0;
  attributes.bold = true;
  attributes.foreground = Rgba::white();
  attributes.strokeWidth = -1.5;  // filled, with an outline of 1.5 % of the font size
  attributes.strokeColor = Rgba::black();
  attributes.shadowBlurRadius = 2.0;
  attributes.shadowColor = Rgba::black();
  attributes.truncateTail = true;
  return attributes;
}

Gradient OsdCanvas::defaultSelectionGradient() {
  return Gradient(Rgba{0.98f, 0.87f, 0.47f, 1.0f}, Rgba{0.95f, 0.67f, 0.19f, 1.0f});
}

OsdCanvas::OsdCanvas(int planeCount)
    : planes_(static_cast<size_t>(std::max(0, planeCount))), selectionGradient_(defaultSelectionGradient()) {}

void OsdCanvas::setup(float width, float height, const QImage& ptzIcon) {
  reshape(width, height);
  const OsdTextAttributes attributes = titleAttributes();
  for (int i = 0; i < planeCount(); ++i) {
    OsdPlane& osdPlane = plane(i);
    osdPlane.addTextBox(OsdElementTitleKey, attributes, std::to_string(i + 1), titlePosition);
    osdPlane.addImage(OsdElementPtzIconKey, ptzIcon, ptzIconPosition);
    osdPlane.setVisible(OsdElementPtzIconKey, false);
  }
  setLayout(0, 1);
}

void OsdCanvas::reshape(float width, float height) {
  viewWidth_ = width;
  viewHeight_ = height;
  const int w = static_cast<int>(width);
  const int h = static_cast<int>(height);
  canvas_ = w > 0 && h > 0 ? QImage(w, h, QImage::Format_RGBA8888_Premultiplied) : QImage();
  if (!canvas_.isNull()) canvas_.fill(Qt::transparent);
}

void OsdCanvas::setLayout(int selectedPlane, int divisions) {
  selectedPlane_ = selectedPlane;
  divisions_ = divisions;
  layoutPlanes();
}

void OsdCanvas::layoutPlanes() {
  const int d = divisions_;
  const float w = viewWidth_;
  const float h = viewHeight_;
  const int shownPage = selectedPlane_ / (d * d);
  for (int i = 0; i < planeCount(); ++i) {
    const int column = i % d;
    const int row = (i / d) % d;  // row 0 at the top
    const float x = column * w / d;
    const float right = (column + 1) * w / d;
    const float top = (d - row) * h / d;
    const float bottom = (d - row - 1) * h / d;
    plane(i).setFrame(i / (d * d) - shownPage, i == selectedPlane_, x, top, right, bottom);
  }
}

void OsdCanvas::setSelectionGradient(const Gradient& gradient) {
  selectionGradient_ = gradient;
  dirty_ = true;
}

void OsdCanvas::setTitle(int index, std::optional<std::string> title) {
  plane(index).setText(OsdElementTitleKey, std::move(title));
}

void OsdCanvas::setPtzIconVisible(int index, bool visible) { plane(index).setVisible(OsdElementPtzIconKey, visible); }

bool OsdCanvas::showHighlight(int index) {
  OsdPlane& osdPlane = plane(index);
  if (osdPlane.page() != 0 || osdPlane.highlighted()) return false;
  osdPlane.setHighlighted(true);
  dirty_ = true;
  return true;
}

bool OsdCanvas::hideHighlight() {
  bool any = false;
  for (OsdPlane& osdPlane : planes_) {
    any = any || osdPlane.highlighted();
    osdPlane.setHighlighted(false);
  }
  if (any) dirty_ = true;
  return any;
}

bool OsdCanvas::needsRedraw() const {
  if (dirty_) return true;
  return std::any_of(planes_.begin(), planes_.end(),
                     [](const OsdPlane& osdPlane) { return osdPlane.page() == 0 && osdPlane.dirty(); });
}

OsdRect OsdCanvas::cellRect(int index, double width, double height) const {
  const int d = divisions_;
  const int column = index % d;
  const int row = (index / d) % d;
  const double left = column * width / d;
  const double right = (column + 1) * width / d;
  const double bottom = (d - row - 1) * height / d;
  const double top = (d - row) * height / d;
  return {left, bottom, right - left, top - bottom};
}

void OsdCanvas::draw() {
  if (canvas_.isNull()) {
    // Nothing to paint into (an empty view); the planes keep their marks for a later size.
    image_ = QImage();
    dirty_ = false;
    return;
  }
  const int width = canvas_.width();
  const int height = canvas_.height();
  {
    QPainter painter(&canvas_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(canvas_.rect(), Qt::transparent);
    for (OsdPlane& osdPlane : planes_) osdPlane.draw(painter);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    drawGrid(painter, width, height);
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (int i = 0; i < planeCount(); ++i)
      if (plane(i).page() == 0 && plane(i).highlighted()) drawHighlight(painter, i, width, height);
    if (selectedPlane_ >= 0) drawSelectionFrame(painter, selectedPlane_, width, height);
  }
  // The compositing shader mixes by the overlay's alpha, so it needs straight colours.
  image_ = canvas_.convertToFormat(QImage::Format_RGBA8888);
  dirty_ = false;
}

void OsdCanvas::drawGrid(QPainter& painter, int width, int height) const {
  const int d = divisions_;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(QPen(toQColor(gridColor), 1.0));
  QPainterPath grid;
  for (int k = 0; k <= d; ++k) {
    // Measured from the bottom like every canvas coordinate; a line on the far edge would
    // fall just outside the image, so it is kept on the last row or column.
    const double x = std::min(static_cast<double>(k) * width / d, width - 1.0);
    const double y = std::min(height - static_cast<double>(k) * height / d, height - 1.0);
    grid.moveTo(x, 0);
    grid.lineTo(x, height);
    grid.moveTo(0, y);
    grid.lineTo(width, y);
  }
  painter.drawPath(grid);
  painter.restore();
}

void OsdCanvas::drawHighlight(QPainter& painter, int index, int width, int height) const {
  const OsdRect cell = cellRect(index, width, height);
  const double x = cell.x + highlightInset;
  const double y = cell.y + highlightInset;
  const OsdRect inset{x, y, cell.x + cell.width - highlightInset - x, cell.y + cell.height - highlightInset - y};
  const QRectF rect = deviceRect(inset, height);
  QPainterPath path;
  path.addRoundedRect(rect, highlightCornerRadius, highlightCornerRadius);
  const QPen pen(toQColor(highlightColor), highlightLineWidth);
  OsdShadow(highlightShadowBlur, highlightShadowColor)
      .draw(painter, rect.adjusted(-highlightLineWidth, -highlightLineWidth, highlightLineWidth, highlightLineWidth),
            [&](QPainter& p) { p.strokePath(path, pen); });
}

void OsdCanvas::drawSelectionFrame(QPainter& painter, int index, int width, int height) const {
  const QRectF outer = deviceRect(cellRect(index, width, height), height);
  const QRectF inner = outer.adjusted(selectionBand, selectionBand, -selectionBand, -selectionBand);
  // The cell less its inset: filling it paints a band along the cell's edge.
  QPainterPath band;
  band.setFillRule(Qt::OddEvenFill);
  band.addRect(outer);
  band.addRect(inner);
  // From the start colour at the top to the end colour at the bottom.
  QLinearGradient fill(outer.topLeft(), outer.bottomLeft());
  for (const GradientStop& stop : selectionGradient_.stops()) fill.setColorAt(stop.location, toQColor(stop.color));
  OsdShadow(selectionShadowBlur, Rgba::black()).draw(painter, outer, [&](QPainter& p) {
    p.fillPath(band, Qt::white);
    if (selectionGradient_.numberOfColorStops() > 0) p.fillPath(band, fill);
  });
}

}  // namespace zelvo
