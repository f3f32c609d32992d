#include "openglkit/OsdTextBox.h"

#include <cmath>

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

#include "openglkit/OsdPainting.h"
#include "openglkit/OsdShadow.h"

namespace zelvo {

OsdTextBox::OsdTextBox(const OsdRect& position, const OsdTextAttributes& textAttributes,
                       const std::string& defaultText)
    : OsdElement(position), defaultText_(defaultText), attrs_(textAttributes) {
  setText(defaultText);
}

QFont OsdTextBox::font() const {
  QFont font;
  QStringList families;
  for (const std::string& family : attrs_.fontFamilies) families << QString::fromStdString(family);
  if (!families.isEmpty()) font.setFamilies(families);
  // Pixels, not points: the canvas is in device pixels whatever the screen's resolution.
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(attrs_.fontPixelSize))));
  font.setBold(attrs_.bold);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

OsdSize OsdTextBox::naturalSize() const {
  const QFontMetricsF metrics(font());
  return {metrics.horizontalAdvance(QString::fromStdString(shownText())), metrics.height()};
}

void OsdTextBox::draw(QPainter& painter, const OsdRect& frame) const {
  const QFont textFont = font();
  const QFontMetricsF metrics(textFont);
  const QString text = QString::fromStdString(shownText());
  const OsdSize natural{metrics.horizontalAdvance(text), metrics.height()};
  const OsdRect rect = rectElement(frame, natural);
  if (rect.width <= 0 || rect.height <= 0 || text.isEmpty()) return;
  const QRectF box = deviceRect(rect, painter.device() ? painter.device()->height() : 0);

  QString shown = text;
  if (natural.width > rect.width) {
    shown = attrs_.truncateTail ? metrics.elidedText(text, Qt::ElideRight, rect.width) : text;
  }
  // Laid out from the box's top-left corner: the baseline sits one ascent below the top.
  QPainterPath glyphs;
  glyphs.addText(box.left(), box.top() + metrics.ascent(), textFont, shown);

  const double strokePixels = std::fabs(attrs_.strokeWidth) / 100.0 * attrs_.fontPixelSize;
  const bool fill = attrs_.strokeWidth <= 0;
  const bool stroke = attrs_.strokeWidth != 0;
  const auto paintText = [&](QPainter& p) {
    p.save();
    // A text wider than its box is cut at the box (the ellipsis already fits inside it).
    p.setClipRect(box, Qt::IntersectClip);
    if (fill) p.fillPath(glyphs, toQColor(attrs_.foreground));
    if (stroke) p.strokePath(glyphs, QPen(toQColor(attrs_.strokeColor), strokePixels));
    p.restore();
  };
  if (attrs_.shadowBlurRadius > 0) {
    OsdShadow(attrs_.shadowBlurRadius, attrs_.shadowColor).draw(painter, box, paintText);
  } else {
    paintText(painter);
  }
}

}  // namespace zelvo
