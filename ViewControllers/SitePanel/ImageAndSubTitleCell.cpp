#include "ViewControllers/SitePanel/ImageAndSubTitleCell.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
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

void ImageAndSubTitleCell::drawInterior(QPainter& painter, const QRectF& frame, const Contents& contents) {
  painter.save();
  // The subtitle's rectangle runs past the row's bottom: nothing may spill into the next row.
  painter.setClipRect(frame, Qt::IntersectClip);
  if (!contents.backgroundImage.isNull()) painter.drawImage(frame, contents.backgroundImage);

  const QSizeF imageSize = contents.image.isNull() ? QSizeF(0, 0) : QSizeF(contents.image.size());
  const QRectF image = subtitlecell::imageRect(frame, imageSize);
  if (!contents.image.isNull()) {
    painter.drawImage(image, contents.image);
  } else {
    painter.fillRect(image, Qt::gray);  // of zero size: nothing shows
  }

  const QFont font = titleFont();
  const QFontMetricsF metrics(font);
  const QSizeF titleSize = contents.title.isEmpty()
                               ? QSizeF(0, 0)
                               : QSizeF(metrics.horizontalAdvance(contents.title), metrics.height());
  const QRectF title = subtitlecell::titleRect(frame, imageSize, titleSize);
  if (!contents.title.isEmpty() && title.width() > 0) {
    painter.save();
    painter.setClipRect(title, Qt::IntersectClip);
    painter.setFont(font);
    painter.setPen(QGuiApplication::palette().color(QPalette::Text));
    painter.drawText(QRectF(title.x(), title.y(), titleSize.width(), title.height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, contents.title);
    painter.restore();
  }

  const QRectF subtitle = subtitlecell::subtitleRect(frame, title, !contents.subTitleText.isEmpty());
  if (!contents.subTitleText.isEmpty()) {
    painter.setFont(subtitleFont());
    painter.setPen(subtitleColor());
    painter.drawText(subtitle, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, contents.subTitleText);
  }
  painter.restore();
}

void ImageAndSubTitleCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  drawInterior(*painter, QRectF(option.rect), contentsOf(index));
}

QSize ImageAndSubTitleCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const Contents contents = contentsOf(index);
  const QFontMetricsF metrics(titleFont());
  const QSizeF base(metrics.horizontalAdvance(contents.title), RowHeight);
  const QSizeF imageSize = contents.image.isNull() ? QSizeF(0, 0) : QSizeF(contents.image.size());
  Q_UNUSED(option);
  return subtitlecell::cellSize(base, imageSize).toSize();
}

}  // namespace zelvo
