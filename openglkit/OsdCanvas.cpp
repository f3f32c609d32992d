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
    : _planes(static_cast<size_t>(std::max(0, planeCount))), _selectionGradient(defaultSelectionGradient()) {}

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
  _viewWidth = width;
  _viewHeight = height;
  const int w = static_cast<int>(width);
  const int h = static_cast<int>(height);
  _canvas = w > 0 && h > 0 ? QImage(w, h, QImage::Format_RGBA8888_Premultiplied) : QImage();
  if (!_canvas.isNull()) _canvas.fill(Qt::transparent);
}

void OsdCanvas::setLayout(int selectedPlane, int divisions) {
  _selectedPlane = selectedPlane;
  _divisions = divisions;
  layoutPlanes();
}

void OsdCanvas::layoutPlanes() {
  const int d = _divisions;
  const float w = _viewWidth;
  const float h = _viewHeight;
  const int shownPage = _selectedPlane / (d * d);
  for (int i = 0; i < planeCount(); ++i) {
    const int column = i % d;
    const int row = (i / d) % d;  // row 0 at the top
    const float x = column * w / d;
    const float right = (column + 1) * w / d;
    const float top = (d - row) * h / d;
    const float bottom = (d - row - 1) * h / d;
    plane(i).setFrame(i / (d * d) - shownPage, i == _selectedPlane, x, top, right, bottom);
  }
}

void OsdCanvas::setSelectionGradient(const Gradient& gradient) {
  _selectionGradient = gradient;
  _dirty = true;
}

void OsdCanvas::setTitle(int index, std::optional<std::string> title) {
  plane(index).setText(OsdElementTitleKey, std::move(title));
}

void OsdCanvas::setPtzIconVisible(int index, bool visible) { plane(index).setVisible(OsdElementPtzIconKey, visible); }

bool OsdCanvas::showHighlight(int index) {
  OsdPlane& osdPlane = plane(index);
  if (osdPlane.page() != 0 || osdPlane.highlighted()) return false;
  osdPlane.setHighlighted(true);
  _dirty = true;
  return true;
}

bool OsdCanvas::hideHighlight() {
  bool any = false;
  for (OsdPlane& osdPlane : _planes) {
    any = any || osdPlane.highlighted();
    osdPlane.setHighlighted(false);
  }
  if (any) _dirty = true;
  return any;
}

bool OsdCanvas::needsRedraw() const {
  if (_dirty) return true;
  return std::any_of(_planes.begin(), _planes.end(),
                     [](const OsdPlane& osdPlane) { return osdPlane.page() == 0 && osdPlane.dirty(); });
}

OsdRect OsdCanvas::cellRect(int index, double width, double height) const {
  const int d = _divisions;
  const int column = index % d;
  const int row = (index / d) % d;
  const double left = column * width / d;
  const double right = (column + 1) * width / d;
  const double bottom = (d - row - 1) * height / d;
  const double top = (d - row) * height / d;
  return {left, bottom, right - left, top - bottom};
}

void OsdCanvas::draw() {
  if (_canvas.isNull()) {
    // Nothing to paint into (an empty view); the planes keep their marks for a later size.
    _image = QImage();
    _dirty = false;
    return;
  }
  const int width = _canvas.width();
  const int height = _canvas.height();
  {
    QPainter painter(&_canvas);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(_canvas.rect(), Qt::transparent);
    for (OsdPlane& osdPlane : _planes) osdPlane.draw(painter);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    drawGrid(painter, width, height);
    painter.setRenderHint(QPainter::Antialiasing, true);
    for (int i = 0; i < planeCount(); ++i)
      if (plane(i).page() == 0 && plane(i).highlighted()) drawHighlight(painter, i, width, height);
    if (_selectedPlane >= 0) drawSelectionFrame(painter, _selectedPlane, width, height);
  }
  // The compositing shader mixes by the overlay's alpha, so it needs straight colours.
  _image = _canvas.convertToFormat(QImage::Format_RGBA8888);
  _dirty = false;
}

void OsdCanvas::drawGrid(QPainter& painter, int width, int height) const {
  const int d = _divisions;
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
  for (const GradientStop& stop : _selectionGradient.stops()) fill.setColorAt(stop.location, toQColor(stop.color));
  OsdShadow(selectionShadowBlur, Rgba::black()).draw(painter, outer, [&](QPainter& p) {
    p.fillPath(band, Qt::white);
    if (_selectionGradient.numberOfColorStops() > 0) p.fillPath(band, fill);
  });
}

}  // namespace zelvo
