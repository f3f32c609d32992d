#include "ViewControllers/SitePanel/ImageAndSubTitleCell.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cmath>

#include "ViewControllers/SitePanel/LogModel.h"

namespace zelvo {

namespace subtitlecell {

QRectF imageRect(const QRectF& frame, QSizeF imageSize) {
  return QRectF(frame.x() + 5, frame.y() - 1 + std::ceil((frame.height() - imageSize.height()) / 2),
                imageSize.width(), imageSize.height());
}

QRectF titleRect(const QRectF& frame, QSizeF imageSize, QSizeF titleSize) {
  const double x = frame.x() + imageSize.width() + 12;
  const double room = std::max(0.0, frame.x() + frame.width() - x);
  return QRectF(x, frame.y() + 1, std::min(titleSize.width(), room), titleSize.height());
}

QRectF subtitleRect(const QRectF& frame, const QRectF& title, bool hasSubtitle) {
  if (!hasSubtitle) return QRectF();
  const double width = title.x() > frame.x() ? frame.width() - (title.x() - frame.x()) : frame.width();
  return QRectF(title.x(), title.y() + title.height(), width, frame.height());
}

QStringList wrapLines(const QString& text, const QFont& font, double width) {
  QStringList lines;
  if (text.isEmpty()) return lines;
  // A space before a colon ("Network Disconnected : Invalid password") is no place for a
  // break: a line starting with the colon reads as a fragment. It is laid out as a
  // no-break space of the same width; the lines are cut from the text as it is.
  QString laidOut = text;
  for (qsizetype i = 0; i + 1 < laidOut.size(); ++i)
    if (laidOut[i] == QLatin1Char(' ') && laidOut[i + 1] == QLatin1Char(':')) laidOut[i] = QChar(0x00A0);
  QTextLayout layout(laidOut, font);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  // A line takes at least one character, however narrow the room.
  const double lineWidth = std::max(1.0, width);
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(lineWidth);
    lines << text.mid(line.textStart(), line.textLength());
  }
  layout.endLayout();
  return lines;
}

QSizeF wrappedSize(const QStringList& lines, const QFont& font) {
  if (lines.isEmpty()) return QSizeF(0, 0);
  const QFontMetricsF metrics(font);
  double width = 0;
  for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(line.trimmed()));
  return QSizeF(std::ceil(width), metrics.height() * lines.size());
}

bool isGroupCell(bool hasImage, const QString& title) { return !hasImage && !title.isEmpty(); }

QSizeF cellSize(QSizeF base, QSizeF imageSize) { return QSizeF(base.width() + imageSize.width() + 3, base.height()); }

}  // namespace subtitlecell

ImageAndSubTitleCell::ImageAndSubTitleCell(QObject* parent) : QStyledItemDelegate(parent) {}

QFont ImageAndSubTitleCell::titleFont() {
  QFont font = QGuiApplication::font();
  font.setPointSizeF(11);
  return font;
}

QFont ImageAndSubTitleCell::subtitleFont() {
  QFont font(QStringLiteral("Helvetica"));
  font.setPointSizeF(10);
  return font;
}

QColor ImageAndSubTitleCell::subtitleColor() { return QColor(120, 120, 120); }

ImageAndSubTitleCell::Contents ImageAndSubTitleCell::contentsOf(const QModelIndex& index) {
  Contents contents;
  contents.title = index.data(Qt::DisplayRole).toString();
  contents.image = index.data(Qt::DecorationRole).value<QImage>();
  contents.subTitleText = index.data(LogModel::SubtitleRole).toString();
  contents.backgroundImage = index.data(LogModel::BackgroundImageRole).value<QImage>();
  return contents;
}

namespace {
// Lines are broken this far inside the room, so that no glyph touches the row's edge.
constexpr double WrapInset = 3;
// Under the last line of a grown row.
constexpr double BottomMargin = 1;
}  // namespace

ImageAndSubTitleCell::Layout ImageAndSubTitleCell::layout(const QRectF& frame, const Contents& contents) {
  Layout result;
  const QSizeF imageSize = contents.image.isNull() ? QSizeF(0, 0) : QSizeF(contents.image.size());
  result.image = subtitlecell::imageRect(frame, imageSize);
  const QFont title = titleFont();
  const double titleRoom = frame.x() + frame.width() - (frame.x() + imageSize.width() + 12);
  result.titleLines = subtitlecell::wrapLines(contents.title, title, titleRoom - WrapInset);
  result.title = subtitlecell::titleRect(frame, imageSize, subtitlecell::wrappedSize(result.titleLines, title));
  const bool hasSubtitle = !contents.subTitleText.isEmpty();
  result.subtitle = subtitlecell::subtitleRect(frame, result.title, hasSubtitle);
  if (hasSubtitle)
    result.subtitleLines =
        subtitlecell::wrapLines(contents.subTitleText, subtitleFont(), result.subtitle.width() - WrapInset);
  return result;
}

int ImageAndSubTitleCell::rowHeight(const Contents& contents, double width) {
  const Layout laid = layout(QRectF(0, 0, width, RowHeight), contents);
  const double subtitle = QFontMetricsF(subtitleFont()).height() * laid.subtitleLines.size();
  const double needed = laid.title.y() + laid.title.height() + subtitle + BottomMargin;
  return std::max(RowHeight, static_cast<int>(std::ceil(needed)));
}

void ImageAndSubTitleCell::drawInterior(QPainter& painter, const QRectF& frame, const Contents& contents) {
  painter.save();
  // The subtitle's rectangle runs past the row's bottom: nothing may spill into the next row.
  painter.setClipRect(frame, Qt::IntersectClip);
  if (!contents.backgroundImage.isNull()) painter.drawImage(frame, contents.backgroundImage);

  const Layout laid = layout(frame, contents);
  if (!contents.image.isNull()) {
    painter.drawImage(laid.image, contents.image);
  } else {
    painter.fillRect(laid.image, Qt::gray);  // of zero size: nothing shows
  }

  auto drawLines = [&painter](const QStringList& lines, const QRectF& box, const QFont& font, const QColor& colour) {
    const double lineHeight = QFontMetricsF(font).height();
    painter.setFont(font);
    painter.setPen(colour);
    for (qsizetype i = 0; i < lines.size(); ++i)
      painter.drawText(QRectF(box.x(), box.y() + lineHeight * static_cast<double>(i), box.width() + WrapInset, lineHeight),
                       Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, lines[i].trimmed());
  };
  if (!laid.titleLines.isEmpty() && laid.title.width() > 0)
    drawLines(laid.titleLines, laid.title, titleFont(), QGuiApplication::palette().color(QPalette::Text));
  if (!laid.subtitleLines.isEmpty()) drawLines(laid.subtitleLines, laid.subtitle, subtitleFont(), subtitleColor());
  painter.restore();
}

void ImageAndSubTitleCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  drawInterior(*painter, QRectF(option.rect), contentsOf(index));
}

QSize ImageAndSubTitleCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const Contents contents = contentsOf(index);
  const QFontMetricsF metrics(titleFont());
  const QSizeF imageSize = contents.image.isNull() ? QSizeF(0, 0) : QSizeF(contents.image.size());
  // Without a width to fit, the title on one line; with one, as high as its wrapped text.
  const int height = option.rect.width() > 0 ? rowHeight(contents, option.rect.width()) : RowHeight;
  return subtitlecell::cellSize(QSizeF(metrics.horizontalAdvance(contents.title), height), imageSize).toSize();
}

}  // namespace zelvo
